#pragma once
// "Historia": the journal of one barrier on a timeline. A window of its own,
// not modal; it reads the journal on a read-only connection, so the main
// window goes on polling and recording meanwhile. In live mode it follows
// the barrier connected now, reading what was recorded since every second.
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "journal/JournalReader.h"
#include "ui/TimelineData.h"
#include "ui/TimelineLoader.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace timeline {
class TimelineView;
}

class HistoryWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int LiveIntervalMs = 1000;

  // `journalPath` is read each time the window is shown. `clock` gives the
  // time in ms since the epoch, UTC (tests pass their own).
  explicit HistoryWindow(QString journalPath, QWidget* parent = nullptr, std::function<qint64()> clock = {});
  ~HistoryWindow() override;

  // Reads the list of barriers anew and shows the chosen one (or, in live
  // mode, the connected one).
  void reload();
  // Shows the barrier with this transmitter serial number; false when the
  // journal does not know it.
  bool showBarrier(unsigned serial);
  void setLive(bool live);
  bool live() const;

  void showAll();
  void showLastHour();
  void showLastDay();
  void previousAlarm();
  void nextAlarm();
  // What the export commands write; false with the reason in the status line.
  bool savePicture(const QString& path);
  bool saveEvents(const QString& path);

  timeline::TimelineView* view() const { return view_; }
  const timeline::TimelineData& data() const { return data_; }
  QComboBox* barrierChooser() const { return barriers_; }
  QString statusText() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void buildControls();
  void chooseBarrier(int index);
  void followConnected();
  void liveTick();
  void viewChanged();
  void exportPicture();
  void exportEvents();
  void tell(const QString& text);
  qint64 now() const { return clock_(); }
  // The barrier of the newest connection still open, if its serial is known.
  std::optional<unsigned> connectedBarrier();

  QString journalPath_;
  std::function<qint64()> clock_;
  std::unique_ptr<JournalReader> reader_;
  std::unique_ptr<timeline::TimelineLoader> loader_;
  timeline::TimelineData data_;
  QList<JournalBarrier> known_;

  QComboBox* barriers_ = nullptr;
  QCheckBox* liveBox_ = nullptr;
  timeline::TimelineView* view_ = nullptr;
  QLabel* rangeLabel_ = nullptr;
  QLabel* messageLabel_ = nullptr;
  QTimer liveTimer_;
  QString message_;
};
