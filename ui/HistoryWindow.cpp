#include "ui/HistoryWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <algorithm>

#include "journal/JournalCsv.h"
#include "model/Colors.h"
#include "texts/UiTexts.h"
#include "ui/TimeAxis.h"
#include "ui/TimelineView.h"
#include "ui/TimelineWords.h"
#include "ui/ToolWindow.h"
#include "util/OutputFile.h"
#include "util/VersionText.h"

namespace {

constexpr qint64 MinuteMs = 60'000;
constexpr qint64 HourMs = 60 * MinuteMs;
// Around an alarm shown: what led to it and what followed.
constexpr qint64 AlarmMarginMs = 5 * MinuteMs;

QString shortLocalTime(qint64 ms) {
  if (!journalTimeValid(ms)) return uiText(UiTexts::txtJournalTimeInvalid);
  return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString versionText(const JournalBarrier& b) {
  return barrierFirmwareVersion(b.version) + u' ' + barrierFirmwareDate(b.version);
}

QString barrierEntry(const JournalBarrier& b) {
  return uiText(UiTexts::txtBarrierEntry)
      .arg(journalSerialText(b.serial))
      .arg(versionText(b))
      .arg(shortLocalTime(b.firstSeenMs), shortLocalTime(b.lastSeenMs));
}

QPushButton* button(QWidget* parent, UiTexts::Id text, UiTexts::Id tip = UiTexts::Id(0)) {
  auto* b = new QPushButton(uiText(text), parent);
  if (tip) b->setToolTip(uiText(tip));
  return b;
}

// A file name without the characters file systems or shells take badly.
QString fileNameTime(qint64 ms) {
  return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH.mm"));
}

}  // namespace

HistoryWindow::HistoryWindow(QString journalPath, QWidget* parent, std::function<qint64()> clock)
    : QWidget(parent, Qt::Window),
      journalPath_(std::move(journalPath)),
      clock_(clock ? std::move(clock) : [] { return QDateTime::currentMSecsSinceEpoch(); }) {
  setWindowTitle(uiText(UiTexts::txtHistoryCaption));
  buildControls();
  setUpToolWindow(this, {1100, 640});
  liveTimer_.setInterval(LiveIntervalMs);
  connect(&liveTimer_, &QTimer::timeout, this, &HistoryWindow::liveTick);
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::buildControls() {
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor(QRgb(colors::WindowFace)));
  setPalette(palette);
  setAutoFillBackground(true);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(6, 6, 6, 4);
  column->setSpacing(4);

  auto* top = new QHBoxLayout;
  auto* barrierLabel = new QLabel(uiText(UiTexts::txtBarrierLabel), this);
  top->addWidget(barrierLabel);
  barriers_ = new QComboBox(this);
  // As wide as a usual entry, however long the longest is: the row fits a small screen.
  barriers_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  barriers_->setMinimumContentsLength(32);
  barriers_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  barrierLabel->setBuddy(barriers_);
  top->addWidget(barriers_, 1);
  liveBox_ = new QCheckBox(uiText(UiTexts::txtLive), this);
  liveBox_->setToolTip(uiText(UiTexts::txtLiveTip));
  top->addWidget(liveBox_);
  top->addSpacing(12);
  auto* pngButton = button(this, UiTexts::txtExportPng);
  auto* csvButton = button(this, UiTexts::txtExportCsv);
  top->addWidget(pngButton);
  top->addWidget(csvButton);
  column->addLayout(top);

  auto* moves = new QHBoxLayout;
  auto* all = button(this, UiTexts::txtShowAll);
  auto* hour = button(this, UiTexts::txtShowLastHour);
  auto* day = button(this, UiTexts::txtShowLastDay);
  auto* zoomOut = button(this, UiTexts::txtZoomOut, UiTexts::txtZoomOutTip);
  auto* zoomIn = button(this, UiTexts::txtZoomIn, UiTexts::txtZoomInTip);
  for (QPushButton* b : {zoomOut, zoomIn}) b->setFixedWidth(32);
  auto* previous = button(this, UiTexts::txtPreviousAlarm);
  auto* next = button(this, UiTexts::txtNextAlarm);
  for (QPushButton* b : {all, hour, day}) moves->addWidget(b);
  moves->addSpacing(12);
  moves->addWidget(zoomOut);
  moves->addWidget(zoomIn);
  moves->addSpacing(12);
  moves->addWidget(previous);
  moves->addWidget(next);
  moves->addStretch(1);
  column->addLayout(moves);

  view_ = new timeline::TimelineView(data_, this);
  column->addWidget(view_, 1);

  auto* bottom = new QHBoxLayout;
  rangeLabel_ = new QLabel(this);
  messageLabel_ = new QLabel(this);
  messageLabel_->setText(uiText(UiTexts::txtTimelineHelp));
  messageLabel_->setWordWrap(true);
  messageLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  bottom->addWidget(rangeLabel_);
  bottom->addSpacing(16);
  bottom->addWidget(messageLabel_, 1);
  column->addLayout(bottom);

  // Top to bottom, left to right, then the timeline, where the keys pan and zoom.
  QWidget* order[] = {barriers_, liveBox_, pngButton, csvButton, all,  hour,
                      day,       zoomOut,  zoomIn,    previous,  next, view_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  connect(barriers_, &QComboBox::activated, this, [this](int index) {
    setLive(false);
    chooseBarrier(index);
  });
  connect(liveBox_, &QCheckBox::toggled, this, &HistoryWindow::setLive);
  connect(all, &QPushButton::clicked, this, &HistoryWindow::showAll);
  connect(hour, &QPushButton::clicked, this, &HistoryWindow::showLastHour);
  connect(day, &QPushButton::clicked, this, &HistoryWindow::showLastDay);
  connect(zoomIn, &QPushButton::clicked, view_, &timeline::TimelineView::zoomIn);
  connect(zoomOut, &QPushButton::clicked, view_, &timeline::TimelineView::zoomOut);
  connect(previous, &QPushButton::clicked, this, &HistoryWindow::previousAlarm);
  connect(next, &QPushButton::clicked, this, &HistoryWindow::nextAlarm);
  connect(pngButton, &QPushButton::clicked, this, &HistoryWindow::exportPicture);
  connect(csvButton, &QPushButton::clicked, this, &HistoryWindow::exportEvents);
  connect(view_, &timeline::TimelineView::viewChanged, this, &HistoryWindow::viewChanged);
  // Looking back in time ends following the barrier live; zooming keeps it.
  connect(view_, &timeline::TimelineView::movedByUser, this, [this] {
    if (live() && view_->viewport().end() < data_.endMs() - view_->viewport().span() / 20) setLive(false);
  });
  view_->setFocus();
}

void HistoryWindow::reload() {
  const std::optional<JournalBarrierKey> shown = loader_ ? loader_->barrierKey() : std::nullopt;
  loader_.reset();
  reader_ = std::make_unique<JournalReader>(journalPath_);
  known_.clear();
  barriers_->clear();
  newestConnectionStartMs_ = std::numeric_limits<qint64>::min();
  if (!reader_->open()) {
    data_.clear();
    view_->refresh();
    tell(uiText(UiTexts::txtJournalUnavailable).arg(reader_->error()));
    return;
  }
  loader_ = std::make_unique<timeline::TimelineLoader>(*reader_);
  known_ = reader_->barriers();
  // The most recently seen first: usually the one just serviced.
  std::sort(known_.begin(), known_.end(),
            [](const JournalBarrier& a, const JournalBarrier& b) { return a.lastSeenMs > b.lastSeenMs; });
  for (const JournalBarrier& b : known_) barriers_->addItem(barrierEntry(b), b.serial);
  if (known_.isEmpty()) {
    data_.clear();
    view_->refresh();
    tell(uiText(UiTexts::txtTimelineEmpty));
    return;
  }
  tell(uiText(UiTexts::txtTimelineHelp));
  int index = -1;
  if (live()) {
    if (const std::optional<JournalBarrierKey> connected = connectedBarrier()) index = indexOf(*connected);
  }
  if (index < 0 && shown) index = indexOf(*shown);
  chooseBarrier(index >= 0 ? index : initialChoice());
}

// Barriers are told apart by serial number, version and beam count: two
// never set (serial 0) are two barriers.
int HistoryWindow::indexOf(const JournalBarrierKey& key) const {
  for (int i = 0; i < known_.size(); ++i)
    if (known_[i].key() == key) return i;
  return -1;
}

std::optional<JournalBarrierKey> HistoryWindow::keyOf(const JournalConnection& c) {
  if (!c.barrier) return std::nullopt;
  return JournalBarrierKey(*c.barrier, c.version, c.beamCount);
}

int HistoryWindow::initialChoice() {
  if (const std::optional<JournalBarrierKey> connected = connectedBarrier()) {
    if (const int index = indexOf(*connected); index >= 0) return index;
  }
  // The connection that saw the newest alarm: the one with alarms that ended last.
  std::optional<JournalConnection> newest;
  for (const JournalConnection& c : reader_->connections(std::nullopt))
    if (c.alarms > 0 && c.barrier && (!newest || c.endMs >= newest->endMs)) newest = c;
  if (newest) {
    if (const int index = indexOf(*keyOf(*newest)); index >= 0) return index;
  }
  return 0;
}

void HistoryWindow::chooseBarrier(int index) {
  if (!loader_ || index < 0 || index >= known_.size()) return;
  barriers_->setCurrentIndex(index);
  if (!loader_->load(known_[index].key(), data_)) tell(uiText(UiTexts::txtJournalUnavailable).arg(reader_->error()));
  view_->viewport().setExtent(data_.firstMs(), data_.endMs());
  if (live())
    view_->viewport().showLast(HourMs);
  else
    view_->viewport().showAll();
  view_->refresh();
  viewChanged();
}

// The newest connection is the one of now while it is open: however long
// it has been quiet, and whatever barrier its serial number names by now. An
// older one still open is a program's that crashed.
std::optional<JournalBarrierKey> HistoryWindow::connectedBarrier() {
  if (!reader_) return std::nullopt;
  const QList<JournalConnection> connections = reader_->connections(std::nullopt, newestConnectionStartMs_);
  if (connections.isEmpty()) return std::nullopt;
  const JournalConnection& newest = connections.back();
  newestConnectionStartMs_ = newest.startMs;
  if (!newest.open) return std::nullopt;
  return keyOf(newest);
}

void HistoryWindow::followConnected() {
  const std::optional<JournalBarrierKey> barrier = connectedBarrier();
  if (!barrier || (loader_ && loader_->barrierKey() == barrier)) return;
  if (const int index = indexOf(*barrier); index < 0)
    reload();  // a barrier new to the list
  else
    chooseBarrier(index);
}

void HistoryWindow::setLive(bool live) {
  if (liveBox_->isChecked() != live) {
    liveBox_->setChecked(live);  // comes back here through toggled()
    return;
  }
  if (live) {
    liveTimer_.start();
    followConnected();
    liveTick();
  } else {
    liveTimer_.stop();
  }
}

bool HistoryWindow::live() const { return liveBox_->isChecked(); }

void HistoryWindow::liveTick() {
  if (!loader_ || !isVisible()) return;
  followConnected();
  const qint64 before = data_.endMs();
  loader_->update(data_, now());
  auto& viewport = view_->viewport();
  const qint64 span = viewport.span();
  viewport.setExtent(data_.firstMs(), data_.endMs());
  // The view's right edge stays on "now".
  viewport.show(data_.endMs() - span, data_.endMs());
  if (data_.endMs() != before) view_->refresh();
  viewChanged();
}

void HistoryWindow::showAll() {
  view_->viewport().showAll();
  view_->refresh();
  viewChanged();
}

void HistoryWindow::showLastHour() {
  view_->viewport().showLast(HourMs);
  view_->refresh();
  viewChanged();
}

void HistoryWindow::showLastDay() {
  view_->viewport().showLast(24 * HourMs);
  view_->refresh();
  viewChanged();
}

// With no alarm gone to yet, "previous" looks back from the view's right
// edge and "next" forward from its left: from the whole journal, the newest
// and the oldest alarm.
int HistoryWindow::alarmShown() const {
  const auto& viewport = view_->viewport();
  return shownAlarm_ && shownAlarm_->view == std::pair(viewport.start(), viewport.end()) ? shownAlarm_->index : -1;
}

void HistoryWindow::previousAlarm() {
  const auto& alarms = data_.alarms();
  const int shown = alarmShown();
  int index = shown - 1;
  if (shown < 0) {
    const qint64 edge = view_->viewport().end();
    index = int(std::partition_point(alarms.begin(), alarms.end(),
                                     [edge](const timeline::AlarmPeriod& a) { return a.startMs < edge; }) -
                alarms.begin()) -
            1;
  }
  showAlarm(index);
}

void HistoryWindow::nextAlarm() {
  const auto& alarms = data_.alarms();
  const int shown = alarmShown();
  int index = shown + 1;
  if (shown < 0) {
    const qint64 edge = view_->viewport().start();
    index = int(std::partition_point(alarms.begin(), alarms.end(),
                                     [edge](const timeline::AlarmPeriod& a) { return a.startMs < edge; }) -
                alarms.begin());
  }
  showAlarm(index);
}

void HistoryWindow::showAlarm(int index) {
  const auto& alarms = data_.alarms();
  if (index < 0 || index >= int(alarms.size())) {
    tell(uiText(UiTexts::txtNoAlarm));
    return;
  }
  setLive(false);
  const timeline::AlarmPeriod& alarm = alarms[std::size_t(index)];
  auto& viewport = view_->viewport();
  viewport.show(alarm.startMs - AlarmMarginMs, alarm.endMs + AlarmMarginMs);
  shownAlarm_ = ShownAlarm{index, {viewport.start(), viewport.end()}};
  view_->refresh();
  viewChanged();
  const bool goesOn = alarm.endMs >= data_.endMs();
  tell(uiText(UiTexts::txtAlarmShown)
           .arg(index + 1)
           .arg(alarms.size())
           .arg(timeline::exactLocalTime(alarm.startMs),
                goesOn ? uiText(UiTexts::txtAlarmGoesOn) : timeline::durationText(alarm.endMs - alarm.startMs)));
}

void HistoryWindow::viewChanged() {
  const auto& viewport = view_->viewport();
  rangeLabel_->setText(timeline::exactLocalTime(viewport.start()) + QStringLiteral(" – ") +
                       timeline::exactLocalTime(viewport.end()));
}

QString HistoryWindow::statusText() const { return messageLabel_->text(); }

void HistoryWindow::tell(const QString& text) { messageLabel_->setText(text); }

QString HistoryWindow::barrierName() const {
  const int index = barriers_->currentIndex();
  if (index < 0 || index >= known_.size()) return {};
  return uiText(UiTexts::txtBarrierShort).arg(journalSerialText(known_[index].serial)).arg(versionText(known_[index]));
}

QImage HistoryWindow::exportImage() {
  const QImage timeline = view_->picture();
  const QFontMetrics metrics(font());
  const int titleHeight = metrics.height() + 10;
  QImage image(timeline.width(), timeline.height() + titleHeight, QImage::Format_RGB32);
  image.fill(QColor(QRgb(colors::WindowFace)));
  QPainter painter(&image);
  const auto& viewport = view_->viewport();
  painter.setFont(font());
  painter.drawText(
      QRect(8, 0, image.width() - 16, titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
      uiText(UiTexts::txtPictureTitle)
          .arg(barrierName(), timeline::exactLocalTime(viewport.start()), timeline::exactLocalTime(viewport.end())));
  painter.drawImage(0, titleHeight, timeline);
  return image;
}

QString HistoryWindow::suggestedFileName(const QString& extension) const {
  const auto& viewport = view_->viewport();
  const std::optional<unsigned> barrier = loader_ ? loader_->barrier() : std::nullopt;
  const QString name = uiText(UiTexts::txtHistoryFileName)
                           .arg(barrier ? QString::number(*barrier) : QString(), fileNameTime(viewport.start()),
                                fileNameTime(viewport.end()))
                           .simplified();
  return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
      .filePath(name + QLatin1Char('.') + extension);
}

bool HistoryWindow::savePicture(const QString& path) {
  const QImage picture = exportImage();
  OutputFile file(path);
  if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit()) {
    tell(uiText(UiTexts::txtExportFailed).arg(QDir::toNativeSeparators(path), file.errorString()));
    return false;
  }
  return true;
}

bool HistoryWindow::saveEvents(const QString& path) {
  if (!reader_ || !loader_ || !loader_->barrier()) return false;
  JournalQuery query;
  query.barrier = loader_->barrierKey();
  query.fromMs = view_->viewport().start();
  query.untilMs = view_->viewport().end();
  OutputFile file(path);
  bool written = file.open(QIODevice::WriteOnly);
  if (written) {
    const bool read = writeJournalCsv(*reader_, query, JournalCsvForm::Spreadsheet, [&](const QString& line) {
      file.write(line.toUtf8());
      file.write("\n");
    });
    written = read && file.commit();
    if (!read) {
      tell(uiText(UiTexts::txtJournalUnavailable).arg(reader_->error()));
      return false;
    }
  }
  if (!written) {
    tell(uiText(UiTexts::txtExportFailed).arg(QDir::toNativeSeparators(path), file.errorString()));
    return false;
  }
  return true;
}

void HistoryWindow::exportPicture() {
  const QString path = QFileDialog::getSaveFileName(
      this, uiText(UiTexts::txtSavePngTitle), suggestedFileName(QStringLiteral("png")), uiText(UiTexts::txtPngFilter));
  if (!path.isEmpty()) savePicture(path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) ? path : path + ".png");
}

void HistoryWindow::exportEvents() {
  const QString path = QFileDialog::getSaveFileName(
      this, uiText(UiTexts::txtSaveCsvTitle), suggestedFileName(QStringLiteral("csv")), uiText(UiTexts::txtCsvFilter));
  if (!path.isEmpty()) saveEvents(path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? path : path + ".csv");
}

void HistoryWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) {
    loader_.reset();  // opened anew: on the barrier that matters now
    reload();
  }
  if (live()) liveTimer_.start();
}

void HistoryWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  liveTimer_.stop();
}
