#include "ui/EventLogPanel.h"

#include <QCheckBox>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
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
  logBox_->setToolTip(uiText(UiTexts::txtLogBoxTip) + QLatin1Char('\n') + QDir::toNativeSeparators(log.eventFile()) +
                      QLatin1Char('\n') + QDir::toNativeSeparators(log.statusFile()));
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

  list_->setPlainText(log.lines().join(QLatin1Char('\n')));
  statusLine_->setText(log.statusLine());
  log_.onLinesChanged = [this](const QString& added, bool trimmed) { onLinesChanged(added, trimmed); };
  log_.onStatusLineChanged = [this](const QString& line) { statusLine_->setText(line); };
}

EventLogPanel::~EventLogPanel() {
  log_.onLinesChanged = nullptr;
  log_.onStatusLineChanged = nullptr;
}

bool EventLogPanel::stopTicked() const { return stopBox_->isChecked(); }

void EventLogPanel::onLinesChanged(const QString& added, bool trimmed) {
  if (trimmed)
    list_->setPlainText(log_.lines().join(QLatin1Char('\n')));
  else
    list_->appendPlainText(added);
}
