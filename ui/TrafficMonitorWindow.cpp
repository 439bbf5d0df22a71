#include "ui/TrafficMonitorWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "eventlog/EventLog.h"
#include "link/DeviceLink.h"
#include "link/Frame.h"
#include "link/FrameWords.h"
#include "monitor/TrafficText.h"
#include "texts/UiTexts.h"
#include "util/OutputFile.h"

namespace {
// Filter choices after the three fixed ones: one per command.
constexpr int FirstCommandChoice = 3;

// Plain text on a plain ground: the style's item painting lays every cell's
// text out anew, several times the cost, at every batch of rows.
class PlainCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    if (selected)
      painter->fillRect(option.rect, palette.brush(QPalette::Highlight));
    else if (option.features & QStyleOptionViewItem::Alternate)
      painter->fillRect(option.rect, palette.brush(QPalette::AlternateBase));
    const QVariant foreground = index.data(Qt::ForegroundRole);
    painter->setPen(selected               ? palette.color(QPalette::HighlightedText)
                    : foreground.isValid() ? foreground.value<QColor>()
                                           : palette.color(QPalette::Text));
    const QRect area = option.rect.adjusted(3, 0, -3, 0);
    const QVariant alignment = index.data(Qt::TextAlignmentRole);
    // Cut at the cell's edge rather than elided, which would lay the text out
    // twice; the tooltip holds it whole. The font is fixed-pitch, so what
    // cannot show is known before any of it is laid out.
    QString text = index.data(Qt::DisplayRole).toString();
    const int fits = area.width() / std::max(1, option.fontMetrics.horizontalAdvance(QLatin1Char('0'))) + 1;
    if (text.size() > fits) text.truncate(fits);
    painter->drawText(area, alignment.isValid() ? alignment.toInt() : int(Qt::AlignLeft | Qt::AlignVCenter), text);
  }
};

}  // namespace

TrafficMonitorWindow::TrafficMonitorWindow(DeviceLink& link, const EventLog& log, QWidget* parent)
    : QWidget(parent, Qt::Window), link_(link), log_(log) {
  const QFileInfo events(log_.eventFile());
  logFile_ = events.dir().filePath(events.completeBaseName() + QStringLiteral("_monitor.log"));
  using namespace UiTexts;
  setWindowTitle(uiText(txtMonitorTitle));
  resize(1180, 460);

  pause_ = new QCheckBox(uiText(txtMonitorPause), this);
  filter_ = new QComboBox(this);
  filter_->addItems({uiText(txtMonitorFilterAll), uiText(txtMonitorFilterNoPoll), uiText(txtMonitorFilterErrors)});
  for (int command = 0; command <= frame::LastCommand; ++command)
    filter_->addItem(uiText(txtMonitorFilterCommand).arg(commandName(command)));
  search_ = new QLineEdit(this);
  search_->setPlaceholderText(uiText(txtMonitorSearch));
  search_->setClearButtonEnabled(true);
  copy_ = new QPushButton(uiText(txtMonitorCopy), this);
  save_ = new QPushButton(uiText(txtMonitorSave), this);
  save_->setToolTip(uiText(txtMonitorLogTip).arg(logFile()));

  auto* bar = new QHBoxLayout;
  bar->addWidget(pause_);
  bar->addWidget(filter_);
  bar->addWidget(search_, 1);
  bar->addWidget(copy_);
  bar->addWidget(save_);

  table_ = new QTableView(this);
  table_->setModel(&model_);
  table_->setItemDelegate(new PlainCellDelegate(table_));
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->setWordWrap(false);
  table_->setAlternatingRowColors(true);
  table_->setShowGrid(false);  // the alternating grounds part the rows; drawing the grid costs a good part of a repaint
  table_->verticalHeader()->hide();
  // Fixed row heights: the view never measures the rows it does not show.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  table_->setFont(fixed);
  QHeaderView* header = table_->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Interactive);
  const QFontMetrics metrics(fixed);
  header->resizeSection(TrafficTableModel::ColTime, metrics.horizontalAdvance(QStringLiteral("00:00:00.000  ")));
  header->resizeSection(TrafficTableModel::ColGap,
                        metrics.horizontalAdvance(uiText(txtMonitorColGap) + QStringLiteral("  ")));
  header->resizeSection(TrafficTableModel::ColDirection,
                        metrics.horizontalAdvance(uiText(txtFromBarrier) + QStringLiteral("  ")));
  header->resizeSection(TrafficTableModel::ColCommand, metrics.horizontalAdvance(QStringLiteral("version  ")));
  header->resizeSection(TrafficTableModel::ColWords, metrics.horizontalAdvance(QString(48, QLatin1Char('x'))));
  header->setStretchLastSection(true);

  // Plain and on one line: a wrapped or selectable label lays a text
  // document out at every change, which costs more than the rows.
  summary_ = new QLabel(this);
  summary_->setTextFormat(Qt::PlainText);
  summary_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  advice_ = new QLabel(this);
  advice_->setWordWrap(true);
  advice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  advice_->hide();

  auto* column = new QVBoxLayout(this);
  column->addLayout(bar);
  column->addWidget(table_, 1);
  column->addWidget(summary_);
  column->addWidget(advice_);

  connect(filter_, &QComboBox::currentIndexChanged, this, &TrafficMonitorWindow::applyFilter);
  connect(search_, &QLineEdit::returnPressed, this, &TrafficMonitorWindow::findNext);
  connect(copy_, &QPushButton::clicked, this, &TrafficMonitorWindow::copySelected);
  connect(save_, &QPushButton::clicked, this, &TrafficMonitorWindow::saveToFile);
  auto* copyKey = new QShortcut(QKeySequence::Copy, table_);
  copyKey->setContext(Qt::WidgetShortcut);
  connect(copyKey, &QShortcut::activated, this, &TrafficMonitorWindow::copySelected);

  flushTimer_.setInterval(FlushIntervalMs);
  connect(&flushTimer_, &QTimer::timeout, this, &TrafficMonitorWindow::flush);
  showSummary();
}

TrafficMonitorWindow::~TrafficMonitorWindow() { link_.setTrafficObserver(nullptr); }

void TrafficMonitorWindow::showEvent(QShowEvent* event) {
  showSummary();  // takes the line's settings before the first reply
  recorder.resume();
  link_.setTrafficObserver(&recorder);
  flushTimer_.start();
  QWidget::showEvent(event);
}

void TrafficMonitorWindow::closeEvent(QCloseEvent* event) {
  flush();
  link_.setTrafficObserver(nullptr);
  flushTimer_.stop();
  QWidget::closeEvent(event);
}

void TrafficMonitorWindow::flush() {
  QScrollBar* scroll = table_->verticalScrollBar();
  const bool following = scroll->value() == scroll->maximum();
  // Rows the ring let go stay listed (blank) until there are many of them
  // or they come into view: taking rows out of a long table costs more.
  model_.refresh(pause_->isChecked(), std::max(0, table_->rowAt(0)));
  if (following && !pause_->isChecked()) table_->scrollToBottom();
  const OutputResult logged = recorder.appendToLog(log_.logToFile, logFile());
  logProblem_ =
      logged ? QString() : uiText(UiTexts::txtLogFileFailed).arg(QDir::toNativeSeparators(logFile()), logged.message());
  // The summary changes slowly; once a second is plenty.
  if (++flushes_ % std::max(1, 1000 / FlushIntervalMs) == 0) showSummary();
}

void TrafficMonitorWindow::showSummary() {
  if (lineSettings) {
    const auto [bitsPerSecond, bitsPerCharacter] = lineSettings();
    recorder.setLine(bitsPerSecond, bitsPerCharacter);
  }
  recorder.followLocalOffset();
  TrafficRecorder::Summary summary = recorder.summary(TrafficRecorder::Clock::now());
  QString advice;
  if (adapter) {
    const Adapter a = adapter();
    summary.adapterLatencyMs = a.latencyMs;
    if (a.latencyMs && *a.latencyMs > 1 && !a.udevRule.isEmpty())
      advice = uiText(UiTexts::txtMonitorLatencyAdvice).arg(*a.latencyMs) + QLatin1Char('\n') + a.udevRule;
  }
  if (!logProblem_.isEmpty()) advice = advice.isEmpty() ? logProblem_ : logProblem_ + QLatin1Char('\n') + advice;
  summary_->setText(summaryText(summary));
  if (advice_->text() != advice) advice_->setText(advice);
  advice_->setVisible(!advice.isEmpty());
}

void TrafficMonitorWindow::applyFilter(int choice) {
  using Filter = TrafficTableModel::Filter;
  if (choice >= FirstCommandChoice)
    model_.setFilter(Filter::OneCommand, choice - FirstCommandChoice);
  else
    model_.setFilter(choice == 1 ? Filter::NoStatusPoll : choice == 2 ? Filter::ErrorsOnly : Filter::All);
  table_->scrollToBottom();
}

void TrafficMonitorWindow::findNext() {
  const QString text = search_->text();
  const int rows = model_.rowCount();
  if (text.isEmpty() || rows == 0) return;
  const int start = table_->currentIndex().isValid() ? table_->currentIndex().row() + 1 : 0;
  for (int i = 0; i < rows; ++i) {
    const int row = (start + i) % rows;
    if (model_.rowContains(row, text)) {
      table_->selectRow(row);
      table_->scrollTo(model_.index(row, 0));
      return;
    }
  }
  QApplication::beep();
}

void TrafficMonitorWindow::copySelected() {
  QModelIndexList rows = table_->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  QString text;
  for (const QModelIndex& index : rows) text += model_.line(index.row()) + QLatin1Char('\n');
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

bool TrafficMonitorWindow::saveListed(const QString& path, QString* why) const {
  QString text;
  for (int row = 0; row < model_.rowCount(); ++row) text += model_.line(row) + QLatin1Char('\n');
  OutputFile file(path);
  const QByteArray bytes = text.toUtf8();
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    if (why) *why = file.errorString();
    return false;
  }
  return true;
}

void TrafficMonitorWindow::saveToFile() {
  using namespace UiTexts;
  const QString path =
      QFileDialog::getSaveFileName(this, uiText(txtMonitorSaveTitle), QString(), uiText(txtMonitorSaveFilter));
  if (path.isEmpty()) return;
  QString why;
  if (!saveListed(path, &why))
    QMessageBox::warning(this, uiText(txtMonitorTitle), uiText(txtMonitorSaveFailed).arg(path, why));
}
