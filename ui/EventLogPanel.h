#pragma once
// The log panel of the main window: the list of log lines, the status line
// with the last status frame, and the "log" and "stop" check boxes at its
// right edge. It shows what the EventLog holds; "log" switches the log
// files on and off, "stop" is read by the request cycle.
#include <QWidget>

class EventLog;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

class EventLogPanel : public QWidget {
  Q_OBJECT
 public:
  // Subscribes to `log`, which must outlive the panel.
  explicit EventLogPanel(EventLog& log, QWidget* parent = nullptr);
  ~EventLogPanel() override;

  bool StopTicked() const;

  QPlainTextEdit* List() const { return list_; }
  QLineEdit* StatusLine() const { return statusLine_; }
  QCheckBox* LogBox() const { return logBox_; }
  QCheckBox* StopBox() const { return stopBox_; }

 private:
  void OnLinesChanged(const QString& added, bool trimmed);

  EventLog& log_;
  QPlainTextEdit* list_;
  QLineEdit* statusLine_;
  QCheckBox* logBox_;
  QCheckBox* stopBox_;
};
