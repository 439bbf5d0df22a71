#include "eventlog/EventLog.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTime>
#include <cstring>

#include "texts/UiTexts.h"
#include "util/HexText.h"
#include "util/LogLineWriter.h"
#include "util/UserFolder.h"

namespace {

QString localLongTime() {
  // The long format may carry a time zone ("t"); a log line wants only the clock.
  QString format = QLocale::system().timeFormat(QLocale::LongFormat);
  format.remove(QLatin1Char('t'));
  return QLocale::system().toString(QTime::currentTime(), format.trimmed());
}

enum { EventFile, StatusFile };

QString writeErrorText(int error) {
  if (error == NotARegularFile) return uiText(UiTexts::txtNotRegularFile);
  return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

EventLog::EventLog(QString eventFile, QString statusFile)
    : timeText(localLongTime), eventFile_(std::move(eventFile)), statusFile_(std::move(statusFile)) {}

void EventLog::addLogLine(const QString& text) {
  lines_.append(text);
  bool trimmed = false;
  if (lines_.size() > MaxLines) {
    lines_ = lines_.mid(lines_.size() - LinesAfterTrim);
    trimmed = true;
  }
  if (onLinesChanged) onLinesChanged(text, trimmed);
}

void EventLog::logStateLine(const QString& label, std::uint16_t value, int count) {
  const QString line = padRight(timeText() + QLatin1Char(' ') + label, 40) + bitMarks(value, count);
  addLogLine(line);
  if (logToFile) writeLine(EventFile, line);
}

void EventLog::setStatusFrame(std::span<const std::uint8_t> frame) {
  statusLine_ = hexDump(frame);
  if (onStatusLineChanged) onStatusLineChanged(statusLine_);
  if (logToFile) writeLine(StatusFile, statusLine_);
}

void EventLog::writeLine(int file, const QString& line) {
  const QString& path = file == EventFile ? eventFile_ : statusFile_;
  const int error = appendLogLine(path, line, true);
  const QString problem =
      error == 0 ? QString()
                 : uiText(UiTexts::txtLogFileFailed).arg(QDir::toNativeSeparators(path), writeErrorText(error));
  if (problem == problems_[file]) return;
  const bool firstFailure = problems_[file].isEmpty();
  problems_[file] = problem;
  if (firstFailure) addLogLine(problem);
  if (onFileProblemChanged) onFileProblemChanged();
}

QString EventLog::fileProblem() const {
  QStringList problems;
  for (const QString& p : problems_)
    if (!p.isEmpty()) problems.append(p);
  return problems.join(QLatin1Char('\n'));
}

LogFilePaths logFilesFor(const QString& programPath) {
  const QFileInfo program(programPath);
  QString folder = program.absolutePath();
  if (!isUsersOwnFolder(folder)) folder = userStateFolder();
  QString base = program.fileName();
  const auto dot = base.lastIndexOf(QLatin1Char('.'));
  if (dot > 0) base.truncate(dot);
  const QString stem = folder + QLatin1Char('/') + base;
  return {stem + QStringLiteral(".log"), stem + QStringLiteral("_.log")};
}
