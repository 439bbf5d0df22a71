#pragma once
// "Monitor transmisji": every frame on the line as it happens, worded, with
// a pause that keeps recording, a filter, search, copy, save, and a summary
// of the poll rate, the faults and the barrier's answer times. Not modal.
// It records while it is shown; closing it stops the recording and keeps
// the rows for the next time it opens.
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>

#include "monitor/TrafficRecorder.h"
#include "ui/TrafficTableModel.h"

class DeviceLink;
class EventLog;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

class TrafficMonitorWindow : public QWidget {
 public:
  // Rows come in batches: each costs a repaint of the table, whatever its size.
  static constexpr int FlushIntervalMs = 1000;

  // `log` tells whether "log" is ticked and where the log files are.
  TrafficMonitorWindow(DeviceLink& link, const EventLog& log, QWidget* parent = nullptr);
  ~TrafficMonitorWindow() override;

  TrafficRecorder recorder;
  // The line's bits per second and bits per character, asked at every summary.
  std::function<std::pair<std::uint32_t, int>()> lineSettings;
  // The port's USB adapter: its latency timer where it has one, and the
  // udev rule that sets it to 1 ms for good, shown while it holds bytes longer.
  struct Adapter {
    std::optional<int> latencyMs;
    QString udevRule;
  };
  std::function<Adapter()> adapter;

  // Takes in what was recorded since the last time (the timer does it too).
  void flush();
  // The listed rows to `path`, one line each; false (with why) when it failed.
  bool saveListed(const QString& path, QString* why = nullptr) const;
  // The file the rows go to while "log" is ticked, and why it cannot be
  // written (empty while it can), which the window shows.
  const QString& logFile() const { return logFile_; }
  const QString& logProblem() const { return logProblem_; }
  TrafficTableModel& model() { return model_; }
  QTableView* table() const { return table_; }
  QLabel* summaryLabel() const { return summary_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void applyFilter(int choice);
  void findNext();
  void copySelected();
  void saveToFile();
  void showSummary();

  DeviceLink& link_;
  const EventLog& log_;
  QString logFile_;
  QString logProblem_;  // why the log file cannot be written, shown above the advice
  TrafficTableModel model_{recorder};
  QTimer flushTimer_;
  int flushes_ = 0;
  QCheckBox* pause_ = nullptr;
  QComboBox* filter_ = nullptr;
  QLineEdit* search_ = nullptr;
  QPushButton* copy_ = nullptr;
  QPushButton* save_ = nullptr;
  QTableView* table_ = nullptr;
  QLabel* summary_ = nullptr;
  QLabel* advice_ = nullptr;
};
