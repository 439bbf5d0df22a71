#include "monitor/TrafficText.h"

#include <QLocale>
#include <QStringList>
#include <QTime>

#include "link/FrameWords.h"
#include "texts/UiTexts.h"
#include "util/HexText.h"

namespace {

using namespace UiTexts;
using Kind = TrafficRow::Kind;

QString decimal(double value, int digits) { return QLocale(QLocale::Polish).toString(value, 'f', digits); }

}  // namespace

QString rowDirection(const TrafficRow& row) {
  if (row.kind == Kind::Request) return uiText(txtToBarrier);
  return row.fromBarrier() ? uiText(txtFromBarrier) : QString();
}

QString rowCommand(const TrafficRow& row) { return row.command < 0 ? QString() : commandName(row.command); }

QString rowWords(const TrafficRow& row) {
  switch (row.kind) {
    case Kind::Request:
    case Kind::Reply:
      return frameWords(row.bytes, row.kind == Kind::Reply, row.beamCount);
    case Kind::BadCheck:
      return uiText(txtLogBadCrc) + numToHex(row.expectedCheck) +
             uiText(txtRowBadCheck).arg(row.bytes.empty() ? QString() : numToHex(row.bytes.back()));
    case Kind::Cut:
      return uiText(txtRowCut);
    case Kind::TooLong:
      return uiText(txtLogTooLong) + (row.bytes.size() > 2 ? numToHex(row.bytes[2]) : QString());
    case Kind::Discarded:
      return uiText(txtRowDiscarded).arg(row.bytes.size());
    case Kind::NoReply:
      return uiText(txtRowNoReply);
    case Kind::PortOpened:
      return uiText(txtRowPortOpened).arg(row.device);
    case Kind::PortClosed:
      return uiText(txtRowPortClosed);
  }
  return QString();
}

QString rowBytes(const TrafficRow& row) { return hexDump(row.bytes).trimmed(); }

QString millisecondsText(std::int64_t ns) { return ns < 0 ? QString() : decimal(double(ns) / 1e6, 1); }

QString rowClockText(const TrafficRecorder& recorder, const TrafficRow& row) {
  return QTime::fromMSecsSinceStartOfDay(recorder.localMsOfDay(row.atNs)).toString(QStringLiteral("HH:mm:ss.zzz"));
}

QString gapText(const TrafficRow& row, std::int64_t previousAtNs) {
  // A reply is stamped with its first byte, which may have come in before
  // the skipped bytes in front of it were thrown out.
  return previousAtNs < 0 ? QString() : millisecondsText(std::max<std::int64_t>(0, row.atNs - previousAtNs));
}

QString rowLine(const TrafficRecorder& recorder, const TrafficRow& row, std::int64_t previousAtNs) {
  return QStringList{recorder.wallTime(row.atNs).toString(Qt::ISODateWithMs),
                     gapText(row, previousAtNs),
                     rowDirection(row),
                     rowCommand(row),
                     rowWords(row),
                     rowBytes(row)}
      .join(QLatin1Char('\t'));
}

QString summaryText(const TrafficRecorder::Summary& s) {
  const QString none = uiText(txtMonitorNoAnswers);
  return uiText(txtMonitorSummary)
             .arg(decimal(s.pollsPerSecond, 1), decimal(s.lineLimit, 1), QString::number(s.bitsPerSecond),
                  QString::number(s.missing), QString::number(s.damaged),
                  s.answerMedianMs ? decimal(*s.answerMedianMs, 1) : none,
                  s.answer95Ms ? decimal(*s.answer95Ms, 1) : none) +
         (s.adapterLatencyMs ? uiText(txtMonitorAdapterLatency).arg(*s.adapterLatencyMs) : QString());
}
