#include "ui/WalkTestWindow.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "files/ConfigFile.h"
#include "files/ConfigText.h"
#include "journal/JournalPath.h"
#include "journal/JournalReader.h"
#include "report/RecordAssembly.h"
#include "report/RecordDocument.h"
#include "serial/PortList.h"
#include "texts/UiTexts.h"
#include "ui/ConfigFileCommands.h"
#include "ui/DocumentOutput.h"
#include "ui/RecordForm.h"
#include "walktest/WalkTestText.h"

namespace {

const QColor Waiting(214, 219, 214);
const QColor Interrupted(240, 160, 48);
const QColor Passed(0, 150, 64);
const QColor NotPassed(200, 40, 40);
const QColor Off(150, 150, 150);

constexpr int RowHeight = 34;
constexpr int MarkWidth = 44;

}  // namespace

// One lane per item: grey while it waits, amber while a beam is interrupted
// or a contact open, green with a large tick once it passed.
class WalkTestBoard : public QWidget {
 public:
  WalkTestBoard(const WalkTestRun& run, QWidget* parent) : QWidget(parent), run_(run) {
    setMinimumSize(nameWidth() + 260 + MarkWidth, RowHeight * 4);
  }
  QSize sizeHint() const override {
    const int rows = run_.test() ? int(run_.test()->result().items.size()) : MaxBeams + 4;
    return {nameWidth() + 330 + MarkWidth, rows * RowHeight + 4};
  }

 protected:
  QFont nameFont() const {
    QFont name = font();
    name.setPointSizeF(name.pointSizeF() * 1.15);
    return name;
  }
  // Room for the longest name an item can have.
  int nameWidth() const {
    const QFontMetrics metrics(nameFont());
    int widest = 0;
    for (WalkItemKind kind : {WalkItemKind::TransmitterTamper, WalkItemKind::ReceiverTamper, WalkItemKind::AlarmOutput,
                              WalkItemKind::TamperOutput})
      widest = std::max(widest, metrics.horizontalAdvance(walkItemName(WalkItem{kind})));
    widest = std::max(widest, metrics.horizontalAdvance(walkItemName(WalkItem{WalkItemKind::Beam, 8}) +
                                                        QLatin1Char(' ') + uiText(UiTexts::txtBeamOff)));
    return widest + 24;
  }

  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().color(QPalette::Base));
    if (!run_.test()) return;
    const WalkTestResult& result = run_.test()->result();
    const bool over = run_.phase() == WalkTestRun::Phase::Finished;
    const QFont name = nameFont();
    const int nameW = nameWidth();
    QFont lane = font();
    QFont mark = font();
    mark.setPixelSize(RowHeight - 6);
    mark.setBold(true);
    int y = 2;
    for (const WalkItem& item : result.items) {
      const QRect row(0, y, width(), RowHeight);
      QString label = walkItemName(item);
      QColor colour = Waiting;
      QString inside = uiText(UiTexts::txtOutcomeWaiting);
      QString sign;
      QColor signColour = Passed;
      switch (item.outcome) {
        case WalkOutcome::Passed:
          colour = Passed;
          inside = walkTimeText(item.seenMs) + QStringLiteral("  →  ") + walkTimeText(item.clearedMs);
          sign = QStringLiteral("✓");
          break;
        case WalkOutcome::NotTested:
          colour = Off;
          label += QLatin1Char(' ') + uiText(UiTexts::txtBeamOff);
          inside = uiText(UiTexts::txtOutcomeNotTested);
          sign = QStringLiteral("–");
          signColour = Off;
          break;
        case WalkOutcome::NotPassed:
          if (item.seenMs) {
            colour = Interrupted;
            inside = uiText(UiTexts::txtOutcomeSeen) + QStringLiteral("  ") + walkTimeText(item.seenMs);
          }
          if (over) {
            colour = NotPassed;
            inside = uiText(UiTexts::txtOutcomeNotPassed);
            sign = QStringLiteral("✗");
            signColour = NotPassed;
          }
          break;
      }
      p.setFont(name);
      p.setPen(palette().color(QPalette::Text));
      p.drawText(row.left() + 8, row.top(), nameW - 12, RowHeight, Qt::AlignVCenter, label);
      const QRect bar(nameW, row.top() + 5, width() - nameW - MarkWidth - 6, RowHeight - 10);
      p.setPen(Qt::NoPen);
      p.setBrush(colour);
      p.drawRoundedRect(bar, 6, 6);
      p.setFont(lane);
      p.setPen(colour == Waiting ? palette().color(QPalette::Text) : QColor(Qt::white));
      p.drawText(bar.adjusted(10, 0, -10, 0), Qt::AlignVCenter | Qt::AlignLeft, inside);
      if (item.kind == WalkItemKind::Beam && item.alarmOutput && item.outcome == WalkOutcome::Passed)
        p.drawText(bar.adjusted(10, 0, -10, 0), Qt::AlignVCenter | Qt::AlignRight, uiText(UiTexts::txtAlarm));
      p.setFont(mark);
      p.setPen(signColour);
      p.drawText(QRect(width() - MarkWidth, row.top(), MarkWidth, RowHeight), Qt::AlignCenter, sign);
      y += RowHeight;
    }
  }

 private:
  const WalkTestRun& run_;
};

WalkTestWindow::WalkTestWindow(const BarrierModel& model, const LinkState& state, DeviceLink& link, Services services,
                               QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(model),
      state_(state),
      link_(link),
      services_(std::move(services)),
      run_(model, state) {
  setWindowTitle(uiText(UiTexts::txtWalkTestTitle));
  headline_ = new QLabel(this);
  QFont big = headline_->font();
  big.setPixelSize(18);
  big.setBold(true);
  headline_->setFont(big);
  instruction_ = new QLabel(uiText(UiTexts::txtWalkInstruction), this);
  instruction_->setWordWrap(true);
  board_ = new WalkTestBoard(run_, this);
  details_ = new QLabel(this);
  details_->setWordWrap(true);
  details_->setTextFormat(Qt::PlainText);

  endButton_ = new QPushButton(uiText(UiTexts::txtWalkEnd), this);
  repeatButton_ = new QPushButton(uiText(UiTexts::txtWalkRepeat), this);
  planButton_ = new QPushButton(uiText(UiTexts::txtWalkPlan), this);
  recordButton_ = new QPushButton(uiText(UiTexts::txtWalkRecord), this);
  connect(endButton_, &QPushButton::clicked, this, [this] { run_.finish(); });
  connect(repeatButton_, &QPushButton::clicked, this, &WalkTestWindow::startTest);
  connect(planButton_, &QPushButton::clicked, this, &WalkTestWindow::comparePlan);
  connect(recordButton_, &QPushButton::clicked, this, &WalkTestWindow::printRecord);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(endButton_);
  buttons->addWidget(repeatButton_);
  buttons->addStretch(1);
  buttons->addWidget(planButton_);
  buttons->addWidget(recordButton_);
  auto* column = new QVBoxLayout(this);
  column->addWidget(headline_);
  column->addWidget(instruction_);
  column->addWidget(board_, 1);
  column->addWidget(details_);
  column->addLayout(buttons);

  run_.onPass = [this](std::size_t) {
    if (services_.passChime) services_.passChime();
  };
  run_.onChange = [this] { refresh(); };
  run_.onFinished = [this](const WalkTestResult& result) {
    if (services_.store)
      services_.store(QString::fromUtf8(
          QJsonDocument(walkTestDocument(result, testedBarrier(model_, adapter()))).toJson(QJsonDocument::Compact)));
  };
  link_.addObserver(&run_);
  refresh();
}

WalkTestWindow::~WalkTestWindow() { link_.removeObserver(&run_); }

void WalkTestWindow::startTest() {
  planDifferences_.clear();
  planFile_.clear();
  run_.start();
}

QString WalkTestWindow::adapter() const { return adapterText(services_.portName ? services_.portName() : QString()); }

void WalkTestWindow::closeEvent(QCloseEvent* event) {
  run_.finish();
  QWidget::closeEvent(event);
}

void WalkTestWindow::refresh() {
  const WalkTestRun::Phase phase = run_.phase();
  QString headline;
  QColor colour = palette().color(QPalette::WindowText);
  if (phase == WalkTestRun::Phase::WaitingForBarrier) {
    headline = model_.connected() ? uiText(UiTexts::txtWalkReadingConfig) : uiText(UiTexts::txtWalkNeedsBarrier);
  } else if (run_.test()) {
    const WalkTest& test = *run_.test();
    if (phase == WalkTestRun::Phase::Running) {
      if (const auto next = test.nextItem())
        headline = uiText(UiTexts::txtWalkNext).arg(walkItemName(test.result().items[*next]));
      if (!model_.connected()) headline = uiText(UiTexts::txtWalkNeedsBarrier);
    } else {
      const bool passed = test.result().passed();
      headline = uiText(passed ? UiTexts::txtWalkAllPassed : UiTexts::txtWalkFailed);
      colour = passed ? Passed : NotPassed;
    }
  }
  headline_->setText(headline);
  QPalette palette = headline_->palette();
  palette.setColor(QPalette::WindowText, colour);
  headline_->setPalette(palette);

  QStringList details;
  if (run_.test()) {
    const WalkTestResult& result = run_.test()->result();
    const QString supply = walkSupplyLine(result);
    if (!supply.isEmpty()) details << supply;
    if (result.hasWarnings()) details << walkWarningLines(result);
  }
  if (!planFile_.isEmpty()) {
    const QString name = QFileInfo(planFile_).fileName();
    if (planDifferences_.isEmpty())
      details << uiText(UiTexts::txtWalkPlanSame).arg(name);
    else
      details << uiText(UiTexts::txtWalkPlanDiffers).arg(name) << planDifferences_;
  }
  details_->setText(details.join(u'\n'));
  details_->setVisible(!details.isEmpty());
  endButton_->setEnabled(phase != WalkTestRun::Phase::Finished);
  planButton_->setEnabled(model_.connected() && state_.readStep == 0);
  // As many lanes as the test has items, each whole.
  board_->setMinimumHeight(board_->sizeHint().height());
  board_->update();
}

void WalkTestWindow::comparePlan() {
  const QString path = QFileDialog::getOpenFileName(this, QString(), configFileFolder(), QStringLiteral("*.acc"));
  if (path.isEmpty()) return;
  BarrierConfig plan;
  if (const ConfigFileResult result = readConfigFile(path, plan); !result) {
    details_->setText(path + QStringLiteral(": ") + result.message());
    return;
  }
  planFile_ = path;
  plan_ = plan;
  planDifferences_ = configDifferences(model_.deviceConfig, plan);
  refresh();
}

CommissioningRecord WalkTestWindow::record(const QString& site, const QString& technician,
                                           const QString& remark) const {
  const RecordRequest request{site, technician, remark, planFile_, plan_, QDateTime::currentDateTime()};
  JournalReader journal(journalPath());
  const bool journalOpen = journal.open();
  TestedBarrier barrier = testedBarrier(model_, adapter());
  std::optional<WalkTestResult> test;
  if (run_.test()) {
    test = run_.test()->result();
  } else if (journalOpen) {
    // No test in this window: the barrier's last one, on the barrier as it was then.
    if (auto stored = newestWalkTest(journal, model_.deviceConfig.transmitterSerial())) {
      test = stored->result;
      barrier = stored->barrier;
    }
  }
  return assembleRecord(request, barrier, test, journalOpen ? &journal : nullptr);
}

void WalkTestWindow::printRecord() {
  RecordForm form(this);
  if (form.exec() != QDialog::Accepted) return;
  const CommissioningRecord r = record(form.site(), form.technician(), form.remark());
  const DocumentPainter paint = [r](QPagedPaintDevice& device) { return paintRecord(device, r); };
  const QString name = uiText(UiTexts::txtRecordTitle) + QLatin1Char(' ') +
                       r.printedAt.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".pdf");
  if (form.output() == RecordForm::Pdf)
    saveDocumentAsPdf(this, name, paint);
  else
    printDocument(this, paint);
}
