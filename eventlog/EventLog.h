#pragma once
// The service log behind the log panel, without widgets: the list of lines
// (trimmed to the newest 20 once it passes 200), the status line, and the
// two log files written while logToFile is set.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <span>

class EventLog {
 public:
  static constexpr int MaxLines = 200;
  static constexpr int LinesAfterTrim = 20;

  // eventFile gets the state-change lines, statusFile the status frames.
  EventLog(QString eventFile, QString statusFile);

  // Adds a line to the list (never to a file).
  void addLogLine(const QString& text);
  // Adds "time label<blanks to column 40> marks" and, while logToFile is
  // set, appends it to the event log file.
  void logStateLine(const QString& label, std::uint16_t value, int count);
  // The status line becomes the dump of `frame`; while logToFile is set the
  // dump is appended to the status log file.
  void setStatusFrame(std::span<const std::uint8_t> frame);

  const QStringList& lines() const { return lines_; }
  const QString& statusLine() const { return statusLine_; }
  bool logToFile = false;
  const QString& eventFile() const { return eventFile_; }
  const QString& statusFile() const { return statusFile_; }
  // Why the log files cannot be written, one line per failing file; empty
  // while every write succeeds. The first failure of a file is also added to
  // the list, once, until a write to that file succeeds again; every line
  // tries the file anew (the disk may have been freed).
  QString fileProblem() const;

  // The clock for state-change lines; by default the local time in the
  // locale's long format without a time zone.
  std::function<QString()> timeText;
  // Told after every change: the line added (empty when the list was trimmed
  // and must be shown anew) and after every status line change.
  std::function<void(const QString& added, bool trimmed)> onLinesChanged;
  std::function<void(const QString& statusLine)> onStatusLineChanged;
  // Told whenever fileProblem() changes.
  std::function<void()> onFileProblemChanged;

 private:
  void writeLine(int file, const QString& line);

  QString eventFile_;
  QString statusFile_;
  QString problems_[2];  // per file, as fileProblem() shows it
  QStringList lines_;
  QString statusLine_;
};

// Where the two log files live for the program at `programPath`: beside it
// when its folder is the user's own (util/UserFolder.h), else in
// $XDG_STATE_HOME/Dravel/Orvita (default ~/.local/state/Dravel/Orvita,
// created 0700). The extension is replaced by ".log" and "_.log"; a name
// without one gets them appended.
struct LogFilePaths {
  QString eventFile;
  QString statusFile;
};
LogFilePaths logFilesFor(const QString& programPath);
