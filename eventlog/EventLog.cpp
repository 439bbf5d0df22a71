#include "eventlog/EventLog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTime>

#include "util/HexText.h"
#include "util/LogLineWriter.h"

namespace {

QString localLongTime() {
  // The long format may carry a time zone ("t"); a log line wants only the clock.
  QString format = QLocale::system().timeFormat(QLocale::LongFormat);
  format.remove(QLatin1Char('t'));
  return QLocale::system().toString(QTime::currentTime(), format.trimmed());
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
  if (logToFile) appendLogLine(eventFile_, line, true);
}

void EventLog::setStatusFrame(std::span<const std::uint8_t> frame) {
  statusLine_ = hexDump(frame);
  if (onStatusLineChanged) onStatusLineChanged(statusLine_);
  if (logToFile) appendLogLine(statusFile_, statusLine_, true);
}

LogFilePaths logFilesFor(const QString& programPath) {
  const QFileInfo program(programPath);
  QString folder = program.absolutePath();
  if (::access(QFile::encodeName(folder).constData(), W_OK) != 0) {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state)) state = QDir::homePath() + QStringLiteral("/.local/state");
    folder = state + QStringLiteral("/Dravel/Orvita");
    if (QDir().mkpath(folder)) ::chmod(QFile::encodeName(folder).constData(), 0700);
  }
  QString base = program.fileName();
  const auto dot = base.lastIndexOf(QLatin1Char('.'));
  if (dot > 0) base.truncate(dot);
  const QString stem = folder + QLatin1Char('/') + base;
  return {stem + QStringLiteral(".log"), stem + QStringLiteral("_.log")};
}
