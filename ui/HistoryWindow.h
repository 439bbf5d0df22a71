#pragma once
// "Historia": the journal of one barrier on a timeline. A window of its own,
// not modal; it reads the journal on a read-only connection, so the main
// window goes on polling and recording meanwhile. It opens on the barrier
// connected now, else the one of the newest alarm. In live mode it follows
// the newest connection, whatever its barrier is called, reading what was
// recorded since every second.
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

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
  void setLive(bool live);
  bool live() const;

  void showAll();
  void showLastHour();
  void showLastDay();
  // Show the alarm before or after the one shown (or the view), with a few
  // minutes around it.
  void previousAlarm();
  void nextAlarm();
  // What the export commands write; false with the reason in the status line.
  bool savePicture(const QString& path);
  bool saveEvents(const QString& path);
  // The picture "Obraz PNG…" saves: the view with the barrier and the range above it.
  QImage exportImage();
  // The file name the export dialogs offer, in the user's documents folder:
  // the barrier and the range shown, with `extension` ("png").
  QString suggestedFileName(const QString& extension) const;

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
  // The barrier to open on: the one connected, else the one of the newest alarm, else the last seen.
  int initialChoice();
  void showAlarm(int index);
  int alarmShown() const;  // -1 when the view is not where an alarm was shown
  void followConnected();
  void liveTick();
  void viewChanged();
  void exportPicture();
  void exportEvents();
  void tell(const QString& text);
  qint64 now() const { return clock_(); }
  // The barrier of the newest connection while it is open, if its serial is known.
  std::optional<JournalBarrierKey> connectedBarrier();
  int indexOf(const JournalBarrierKey& key) const;  // in known_; -1 when not there
  static std::optional<JournalBarrierKey> keyOf(const JournalConnection& connection);
  // "nr 4711" as the chooser names the barrier shown.
  QString barrierName() const;

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
  // Connections that began before the newest one seen are done with.
  qint64 newestConnectionStartMs_ = std::numeric_limits<qint64>::min();
  // Where "Poprzedni/Następny alarm" last went, while the view stays there.
  struct ShownAlarm {
    int index;
    std::pair<qint64, qint64> view;
  };
  std::optional<ShownAlarm> shownAlarm_;
};
