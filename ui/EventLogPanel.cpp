#include "ui/EventLogPanel.h"

#include <QCheckBox>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include "eventlog/EventLog.h"
#include "texts/UiTexts.h"

EventLogPanel::EventLogPanel(EventLog& log, QWidget* parent)
    : QWidget(parent),
      log_(log),
      list_(new QPlainTextEdit(this)),
      statusLine_(new QLineEdit(this)),
      logBox_(new QCheckBox(uiText(UiTexts::txtLogBox))),
      stopBox_(new QCheckBox(uiText(UiTexts::txtStopBox))) {
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPixelSize(11);
  list_->setFont(fixed);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  list_->setFrameShape(QFrame::NoFrame);
  statusLine_->setFont(fixed);
  statusLine_->setFrame(false);

  // The check boxes sit on a white ground at the right edge, "log" above "stop".
  auto* boxes = new QWidget(this);
  boxes->setAutoFillBackground(true);
  QPalette white = boxes->palette();
  white.setColor(QPalette::Window, Qt::white);
  boxes->setPalette(white);
  auto* boxesLayout = new QVBoxLayout(boxes);
  boxesLayout->setContentsMargins(4, 2, 4, 2);
  boxesLayout->setSpacing(0);
  boxesLayout->addWidget(logBox_);
  boxesLayout->addWidget(stopBox_);
  boxesLayout->addStretch(1);
  showLogFiles();
  logBox_->setChecked(log.logToFile);
  connect(logBox_, &QCheckBox::toggled, this, [this](bool on) { log_.logToFile = on; });

  auto* text = new QVBoxLayout;
  text->setContentsMargins(0, 0, 0, 0);
  text->setSpacing(1);
  text->addWidget(list_, 1);
  text->addWidget(statusLine_);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addLayout(text, 1);
  layout->addWidget(boxes);

  QScrollBar* bar = list_->verticalScrollBar();
  connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
    if (!scrolling_) followEnd_ = value >= bar->maximum();
  });
  // The range changes after a line is laid out, when the panel is shown and
  // when it is resized; a list that follows stays at its end through all of them.
  connect(bar, &QScrollBar::rangeChanged, this, [this] {
    if (followEnd_) scrollToEnd();
  });

  list_->setPlainText(log.lines().join(QLatin1Char('\n')));
  scrollToEnd();
  statusLine_->setText(log.statusLine());
  log_.onLinesChanged = [this](const QString& added, bool trimmed) { onLinesChanged(added, trimmed); };
  // Every status reply brings a line; a hidden panel takes the last one when shown.
  log_.onStatusLineChanged = [this](const QString&) {
    if (isVisible()) showStatusLine();
  };
  log_.onFileProblemChanged = [this] { showLogFiles(); };
}

EventLogPanel::~EventLogPanel() {
  log_.onLinesChanged = nullptr;
  log_.onStatusLineChanged = nullptr;
  log_.onFileProblemChanged = nullptr;
}

bool EventLogPanel::stopTicked() const { return stopBox_->isChecked(); }

void EventLogPanel::showLogFiles() {
  QString tip = uiText(UiTexts::txtLogBoxTip) + QLatin1Char('\n') + QDir::toNativeSeparators(log_.eventFile()) +
                QLatin1Char('\n') + QDir::toNativeSeparators(log_.statusFile());
  if (const QString problem = log_.fileProblem(); !problem.isEmpty()) tip += QStringLiteral("\n\n") + problem;
  logBox_->setToolTip(tip);
}

void EventLogPanel::showEvent(QShowEvent*) { showStatusLine(); }

void EventLogPanel::showStatusLine() {
  if (statusLine_->text() != log_.statusLine()) statusLine_->setText(log_.statusLine());
}

void EventLogPanel::onLinesChanged(const QString& added, bool trimmed) {
  QScrollBar* bar = list_->verticalScrollBar();
  const bool follow = followEnd_;
  const int kept = bar->value();
  scrolling_ = true;
  if (trimmed)
    list_->setPlainText(log_.lines().join(QLatin1Char('\n')));
  else
    list_->appendPlainText(added);
  scrolling_ = false;
  followEnd_ = follow;
  if (follow)
    scrollToEnd();
  else
    bar->setValue(kept);  // where the user left it, as far as the shorter list allows
}

void EventLogPanel::scrollToEnd() {
  scrolling_ = true;
  // The text cursor goes along: showing the panel scrolls to the cursor.
  list_->moveCursor(QTextCursor::End);
  list_->verticalScrollBar()->setValue(list_->verticalScrollBar()->maximum());
  scrolling_ = false;
  followEnd_ = true;
}
