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

  bool stopTicked() const;

  QPlainTextEdit* list() const { return list_; }
  QLineEdit* statusLine() const { return statusLine_; }
  QCheckBox* logBox() const { return logBox_; }
  QCheckBox* stopBox() const { return stopBox_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void onLinesChanged(const QString& added, bool trimmed);
  void showLogFiles();
  void scrollToEnd();
  void showStatusLine();

  EventLog& log_;
  QPlainTextEdit* list_;
  QLineEdit* statusLine_;
  QCheckBox* logBox_;
  QCheckBox* stopBox_;
  // The list follows its newest line until the user scrolls up, and again
  // once they scroll back to the end.
  bool followEnd_ = true;
  bool scrolling_ = false;  // the panel moves the list itself
};
