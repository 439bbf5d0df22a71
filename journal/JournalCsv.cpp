#include "journal/JournalCsv.h"

#include <QDateTime>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "util/VersionText.h"

namespace {

QString hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

QString csvField(const QString& text) {
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')))
    return text;
  QString quoted = text;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Beam numbers of the set bits, "1 3": the beams a byte names.
void appendBeamNumbers(QString& text, std::uint8_t bits, int beams) {
  bool first = true;
  for (int b = 1; b <= beams; ++b)
    if (bits & beamBit(b)) {
      if (!first) text += QLatin1Char(' ');
      text += QChar(u'0' + b);
      first = false;
    }
}

const QStringList CsvColumns{
    QStringLiteral("time"),
    QStringLiteral("barrier"),
    QStringLiteral("event"),
    QStringLiteral("reason"),
    QStringLiteral("config"),
    QStringLiteral("text"),
    QStringLiteral("beamCount"),
    QStringLiteral("beamsAlarm"),
    QStringLiteral("beamsAlert"),
    QStringLiteral("beamsHalf"),
    QStringLiteral("beamsNar"),
    QStringLiteral("beamsBlocked"),
    QStringLiteral("beamsBlockMemory"),
    QStringLiteral("beamsSwitchedOff"),
    QStringLiteral("alarmOutput"),
    QStringLiteral("tamperOutput"),
    QStringLiteral("busTamper"),
    QStringLiteral("receiverTamper"),
    QStringLiteral("transmitterTamper"),
    QStringLiteral("lowSupply"),
    QStringLiteral("registrationMode"),
    QStringLiteral("led"),
    QStringLiteral("coveredTooLong"),
    QStringLiteral("supplyVolts"),
};

}  // namespace

// Written by hand: QDateTime's own formatting would take most of the time
// of a history of a million rows. The zone's offset is looked up once an
// hour of journal.
QString journalTimeText(qint64 ms) {
  static qint64 hour = std::numeric_limits<qint64>::min();
  static int offset = 0;
  static QString offsetText;
  const qint64 thisHour = ms >= 0 ? ms / 3'600'000 : (ms - 3'599'999) / 3'600'000;
  if (thisHour != hour) {
    hour = thisHour;
    offset = QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    offsetText = offset == 0 ? QStringLiteral("Z")
                             : QString::asprintf("%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
  }
  const qint64 local = ms + qint64(offset) * 1000;
  qint64 days = local / 86'400'000;
  qint64 inDay = local % 86'400'000;
  if (inDay < 0) {
    inDay += 86'400'000;
    --days;
  }
  const QDate date = QDate::fromJulianDay(days + 2'440'588);  // 1970-01-01
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", date.year(), date.month(), date.day(),
                int(inDay / 3'600'000), int(inDay / 60'000 % 60), int(inDay / 1000 % 60), int(inDay % 1000));
  return QLatin1String(text) + offsetText;
}

JournalEventContext::JournalEventContext(JournalReader& reader) : reader_(reader) {
  for (const JournalSession& s : reader_.sessions()) sessions_.insert(s.id, s);
}

const JournalConnectionContext* JournalEventContext::take(const JournalEvent& e) {
  if (e.connection == 0) return nullptr;
  auto it = contexts_.find(e.connection);
  if (it == contexts_.end()) {
    // The range began within the connection: what held at its start.
    JournalConnectionContext c;
    if (auto v = reader_.lastBefore(e.connection, std::nullopt, {JournalEventKind::Connected}, e.timeMs))
      c.beams = v->beamCount;
    if (auto v = reader_.lastBefore(e.connection, e.barrier,
                                    {JournalEventKind::ConfigRead, JournalEventKind::ConfigWritten}, e.timeMs))
      c.config = v->config;
    if (auto v = reader_.lastBefore(e.connection, std::nullopt, {JournalEventKind::Supply}, e.timeMs))
      c.supply = v->text;
    it = contexts_.insert(e.connection, c);
  }
  switch (e.kind) {
    case JournalEventKind::Connected:
      it->beams = e.beamCount;
      break;
    case JournalEventKind::ConfigRead:
    case JournalEventKind::ConfigWritten:
      it->config = e.config;
      break;
    case JournalEventKind::Supply:
      it->supply = e.text;
      break;
    default:
      break;
  }
  return &*it;
}

QString JournalEventContext::textOf(const JournalEvent& e) const {
  switch (e.kind) {
    case JournalEventKind::SessionStart: {
      const JournalSession s = sessions_.value(e.session);
      return QStringList{e.text, s.port, s.adapter, s.stableName}.join(QLatin1Char(' ')).trimmed();
    }
    case JournalEventKind::Connected:
      return QStringLiteral("ORVITA %1 v.%2 %3")
          .arg(e.beamCount)
          .arg(barrierFirmwareVersion(e.version), barrierFirmwareDate(e.version));
    default:
      return e.text;
  }
}

bool JournalEventContext::leftOut(const JournalEvent& e) {
  return e.kind == JournalEventKind::Supply || e.kind == JournalEventKind::WriteSent ||
         e.kind == JournalEventKind::WalkTest;
}

QString journalCsvHeader() { return CsvColumns.join(QLatin1Char(',')); }

// One line built in place: a history of a day may have a million of them.
QString journalCsvLine(const JournalEvent& e, const JournalConnectionContext* context, const QString& text) {
  QString line;
  line.reserve(160);
  const auto field = [&](const QString& text) {
    line += text;
    line += QLatin1Char(',');
  };
  field(journalTimeText(e.timeMs));
  field(e.barrier ? QString::number(*e.barrier) : QString());
  field(journalEventName(e.kind));
  field(journalLossName(e.reason));
  const bool hasConfig = e.kind == JournalEventKind::ConfigRead || e.kind == JournalEventKind::ConfigWritten ||
                         e.kind == JournalEventKind::FileOpened || e.kind == JournalEventKind::FileSaved;
  field(hasConfig ? hex(configBytes(e.config)) : QString());
  field(csvField(text));
  if (e.kind == JournalEventKind::Status && context) {
    const BarrierStatus& s = e.status;
    const int beams = std::min(context->beams, MaxBeams);
    std::uint8_t off = 0;
    for (int b = 1; b <= beams; ++b)
      if (context->config[BarrierConfig::responseTime(b)] == 0) off |= beamBit(b);
    line += QChar(u'0' + beams);
    for (const std::uint8_t bits :
         {s.beamsAlarm, s.beamsAlert, s.beams50, s.beamsNar, s.beamsBlocked, s.beamsBlockMemory, off}) {
      line += QLatin1Char(',');
      appendBeamNumbers(line, bits, beams);
    }
    for (const std::uint8_t flag :
         {statusflag::AlarmOutput, statusflag::TamperOutput, statusflag::BusTamper, statusflag::ReceiverTamper,
          statusflag::TransmitterTamper, statusflag::LowSupply, statusflag::Registration, statusflag::Led})
      line += (s.statusFlags & flag) ? QLatin1String(",1") : QLatin1String(",0");
    line += (s.sabotageFlags & 1) ? QLatin1String(",1,") : QLatin1String(",0,");
    line += context->supply.trimmed();
  } else {
    line += QString(CsvColumns.size() - 7, QLatin1Char(','));
  }
  return line;
}

bool writeJournalCsv(JournalReader& reader, const JournalQuery& query, const std::function<void(const QString&)>& out) {
  JournalEventContext context(reader);
  out(journalCsvHeader());
  return reader.forEachEvent(query, [&](const JournalEvent& e) {
    const JournalConnectionContext* c = context.take(e);
    if (!JournalEventContext::leftOut(e)) out(journalCsvLine(e, c, context.textOf(e)));
    return true;
  });
}
