#include "monitor/TrafficText.h"

#include <QLocale>
#include <QStringList>
#include <QTime>

#include "link/Frame.h"
#include "link/FrameWords.h"
#include "texts/UiTexts.h"
#include "util/HexText.h"

namespace {

using namespace UiTexts;
using Kind = TrafficRow::Kind;

QString decimal(double value, int digits) { return QLocale(QLocale::Polish).toString(value, 'f', digits); }

// Polish counts: 1 bajt, 2-4 bajty, 5-21 bajtów, 22-24 bajty, ...
QString skippedText(std::size_t count) {
  const std::size_t tens = count % 100, ones = count % 10;
  const Id id = count == 1                                           ? txtRowSkippedOne
                : ones >= 2 && ones <= 4 && (tens < 12 || tens > 14) ? txtRowSkippedFew
                                                                     : txtRowSkippedMany;
  return uiText(id).arg(count);
}

}  // namespace

QString commandWords(int command) {
  static constexpr Id names[] = {txtCmdWordsVersion, txtCmdWordsData,  txtCmdWordsWrite, txtCmdWordsStatus,
                                 txtCmdWordsWrite2,  txtCmdWordsData2, txtCmdWordsReset};
  if (command >= 0 && command <= frame::LastCommand) return uiText(names[command]);
  return commandName(command);
}

QString rowDirection(const TrafficRow& row) {
  if (row.kind == Kind::Request) return uiText(txtToBarrier);
  return row.fromBarrier() ? uiText(txtFromBarrier) : QString();
}

QString rowCommand(const TrafficRow& row) { return row.command < 0 ? QString() : commandWords(row.command); }

QString rowWords(const TrafficRow& row) {
  switch (row.kind) {
    case Kind::Request:
      return frameWords(row.bytes, false, row.beamCount);
    case Kind::Reply: {
      const QString words = frameWords(row.bytes, true, row.beamCount);
      switch (row.note) {
        case TrafficRow::Note::Late:
          return uiText(txtRowLate).arg(millisecondsText(row.answerNs), words);
        case TrafficRow::Note::Doubled:
          return uiText(txtRowDoubled).arg(words);
        case TrafficRow::Note::None:
          break;
      }
      return words;
    }
    case Kind::BadCheck:
      return uiText(txtLogBadCrc) + numToHex(row.expectedCheck) +
             uiText(txtRowBadCheck).arg(row.bytes.empty() ? QString() : numToHex(row.bytes.back()));
    case Kind::Cut:
      return uiText(txtRowCut);
    case Kind::TooLong:
      return row.bytes.size() > 2 ? uiText(txtRowTooLong).arg(int(row.bytes[2])).arg(numToHex(row.bytes[2]))
                                  : uiText(txtLogTooLong);
    case Kind::Discarded:
      return skippedText(row.bytes.size());
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
                  s.answer95Ms ? decimal(*s.answer95Ms, 1) : none, QString::number(s.late),
                  QString::number(s.doubled)) +
         (s.adapterLatencyMs ? uiText(txtMonitorAdapterLatency).arg(*s.adapterLatencyMs) : QString());
}
