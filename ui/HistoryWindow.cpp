#include "ui/HistoryWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "journal/JournalCsv.h"
#include "model/Colors.h"
#include "texts/UiTexts.h"
#include "ui/TimeAxis.h"
#include "ui/TimelineView.h"
#include "util/OutputFile.h"
#include "util/VersionText.h"

namespace {

constexpr qint64 HourMs = 3'600'000;

QString shortLocalTime(qint64 ms) {
  return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString barrierEntry(const JournalBarrier& b) {
  return uiText(UiTexts::txtBarrierEntry)
      .arg(b.serial)
      .arg(barrierFirmwareVersion(b.version) + u' ' + barrierFirmwareDate(b.version))
      .arg(shortLocalTime(b.firstSeenMs), shortLocalTime(b.lastSeenMs));
}

QPushButton* button(QWidget* parent, UiTexts::Id text, UiTexts::Id tip = UiTexts::Id(0)) {
  auto* b = new QPushButton(uiText(text), parent);
  b->setFocusPolicy(Qt::NoFocus);  // the arrows and +/− stay with the timeline
  if (tip) b->setToolTip(uiText(tip));
  return b;
}

}  // namespace

HistoryWindow::HistoryWindow(QString journalPath, QWidget* parent, std::function<qint64()> clock)
    : QWidget(parent, Qt::Window),
      journalPath_(std::move(journalPath)),
      clock_(clock ? std::move(clock) : [] { return QDateTime::currentMSecsSinceEpoch(); }) {
  setWindowTitle(uiText(UiTexts::txtHistoryCaption));
  buildControls();
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
  top->addWidget(new QLabel(uiText(UiTexts::txtBarrierLabel), this));
  barriers_ = new QComboBox(this);
  barriers_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  barriers_->setFocusPolicy(Qt::NoFocus);
  top->addWidget(barriers_);
  liveBox_ = new QCheckBox(uiText(UiTexts::txtLive), this);
  liveBox_->setToolTip(uiText(UiTexts::txtLiveTip));
  liveBox_->setFocusPolicy(Qt::NoFocus);
  top->addWidget(liveBox_);
  top->addStretch(1);
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
  bottom->addWidget(rangeLabel_);
  bottom->addSpacing(16);
  bottom->addWidget(messageLabel_, 1);
  column->addLayout(bottom);

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
  const std::optional<unsigned> shown = loader_ ? loader_->barrier() : std::nullopt;
  loader_.reset();
  reader_ = std::make_unique<JournalReader>(journalPath_);
  known_.clear();
  barriers_->clear();
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
  if (live())
    followConnected();
  else if (!shown || !showBarrier(*shown))
    chooseBarrier(0);
}

bool HistoryWindow::showBarrier(unsigned serial) {
  const int index = barriers_->findData(serial);
  if (index < 0) return false;
  chooseBarrier(index);
  return true;
}

void HistoryWindow::chooseBarrier(int index) {
  if (!loader_ || index < 0 || index >= known_.size()) return;
  barriers_->setCurrentIndex(index);
  if (!loader_->load(known_[index].serial, data_)) tell(uiText(UiTexts::txtJournalUnavailable).arg(reader_->error()));
  view_->viewport().setExtent(data_.firstMs(), data_.endMs());
  if (live())
    view_->viewport().showLast(HourMs);
  else
    view_->viewport().showAll();
  view_->refresh();
  viewChanged();
}

std::optional<unsigned> HistoryWindow::connectedBarrier() {
  if (!reader_) return std::nullopt;
  // Journal rows for the last minute are enough to find what is open now.
  const QList<JournalConnection> open = reader_->connections(std::nullopt, now() - 60'000);
  for (auto it = open.rbegin(); it != open.rend(); ++it)
    if (it->open && it->barrier) return it->barrier;
  return std::nullopt;
}

void HistoryWindow::followConnected() {
  const std::optional<unsigned> barrier = connectedBarrier();
  if (!barrier) return;
  if (loader_ && loader_->barrier() == barrier) return;
  if (barriers_->findData(*barrier) < 0) {
    reload();  // a barrier new to the list
    return;
  }
  showBarrier(*barrier);
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

void HistoryWindow::previousAlarm() {
  const auto& starts = data_.alarmStarts();
  const qint64 centre = view_->viewport().start() + view_->viewport().span() / 2;
  // Anything within a pixel of the centre is the alarm shown now.
  const qint64 slack = std::max<qint64>(view_->viewport().span() / 1000, 1);
  auto it = std::lower_bound(starts.begin(), starts.end(), centre - slack);
  if (it == starts.begin()) {
    tell(uiText(UiTexts::txtNoAlarm));
    return;
  }
  setLive(false);
  view_->viewport().centreOn(*std::prev(it));
  view_->refresh();
  viewChanged();
}

void HistoryWindow::nextAlarm() {
  const auto& starts = data_.alarmStarts();
  const qint64 centre = view_->viewport().start() + view_->viewport().span() / 2;
  const qint64 slack = std::max<qint64>(view_->viewport().span() / 1000, 1);
  auto it = std::upper_bound(starts.begin(), starts.end(), centre + slack);
  if (it == starts.end()) {
    tell(uiText(UiTexts::txtNoAlarm));
    return;
  }
  setLive(false);
  view_->viewport().centreOn(*it);
  view_->refresh();
  viewChanged();
}

void HistoryWindow::viewChanged() {
  const auto& viewport = view_->viewport();
  rangeLabel_->setText(timeline::exactLocalTime(viewport.start()) + QStringLiteral(" – ") +
                       timeline::exactLocalTime(viewport.end()));
}

QString HistoryWindow::statusText() const { return messageLabel_->text(); }

void HistoryWindow::tell(const QString& text) { messageLabel_->setText(text); }

bool HistoryWindow::savePicture(const QString& path) {
  const QImage picture = view_->picture();
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
  query.barrier = loader_->barrier();
  query.fromMs = view_->viewport().start();
  query.untilMs = view_->viewport().end();
  OutputFile file(path);
  bool written = file.open(QIODevice::WriteOnly);
  if (written) {
    const bool read = writeJournalCsv(*reader_, query, [&](const QString& line) {
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
  const QString path =
      QFileDialog::getSaveFileName(this, uiText(UiTexts::txtSavePngTitle), QString(), uiText(UiTexts::txtPngFilter));
  if (!path.isEmpty()) savePicture(path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) ? path : path + ".png");
}

void HistoryWindow::exportEvents() {
  const QString path =
      QFileDialog::getSaveFileName(this, uiText(UiTexts::txtSaveCsvTitle), QString(), uiText(UiTexts::txtCsvFilter));
  if (!path.isEmpty()) saveEvents(path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? path : path + ".csv");
}

void HistoryWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) reload();
  if (live()) liveTimer_.start();
}

void HistoryWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  liveTimer_.stop();
}
