#include "journal/JournalCsv.h"

#include <QDateTime>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "texts/UiTexts.h"
#include "util/VersionText.h"

namespace {

QString hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

QChar separator(JournalCsvForm form) { return form == JournalCsvForm::Machine ? u',' : u';'; }

QString csvField(const QString& text, JournalCsvForm form) {
  QString field = text;
  // A spreadsheet would take "=..." for a formula and run it.
  if (form == JournalCsvForm::Spreadsheet && !field.isEmpty() && QStringLiteral("=+-@").contains(field[0]))
    field.prepend(QLatin1Char('\''));
  const QChar special[] = {separator(form), u'"', u'\n', u'\r'};
  if (std::none_of(std::begin(special), std::end(special), [&](QChar c) { return field.contains(c); })) return field;
  field.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + field + QLatin1Char('"');
}

// Where a moment falls in local time, worked out by hand: QDateTime's own
// formatting would take most of the time of a history of a million rows.
struct LocalMoment {
  QDate date;
  qint64 msInDay = 0;
  int offsetSeconds = 0;
};

// The zone's offset is looked up once a quarter of an hour of journal: every
// zone changes its offset on a quarter hour.
LocalMoment localMoment(qint64 ms) {
  constexpr qint64 QuarterMs = 900'000;
  thread_local qint64 quarter = std::numeric_limits<qint64>::min();
  thread_local int offset = 0;
  const qint64 thisQuarter = ms >= 0 ? ms / QuarterMs : (ms - (QuarterMs - 1)) / QuarterMs;
  if (thisQuarter != quarter) {
    quarter = thisQuarter;
    offset = QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc();
  }
  const qint64 local = ms + qint64(offset) * 1000;
  qint64 days = local / 86'400'000;
  qint64 inDay = local % 86'400'000;
  if (inDay < 0) {
    inDay += 86'400'000;
    --days;
  }
  return {QDate::fromJulianDay(days + 2'440'588), inDay, offset};  // 1970-01-01
}

// "2026-12-08T03:12:00.000" or, for a spreadsheet, "2026-12-08 03:12:00,000".
QString localText(const LocalMoment& m, char dateTime, char decimal) {
  const qint64 inDay = m.msInDay;
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d%c%02d:%02d:%02d%c%03d", m.date.year(), m.date.month(), m.date.day(),
                dateTime, int(inDay / 3'600'000), int(inDay / 60'000 % 60), int(inDay / 1000 % 60), decimal,
                int(inDay % 1000));
  return QLatin1String(text);
}

QString timeField(qint64 ms, JournalCsvForm form) {
  if (form == JournalCsvForm::Machine) return journalTimeText(ms);
  if (!journalTimeValid(ms)) return uiText(UiTexts::txtJournalTimeInvalid);
  return localText(localMoment(ms), ' ', ',');
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

QString journalTimeText(qint64 ms) {
  if (!journalTimeValid(ms)) return QString();
  const LocalMoment m = localMoment(ms);
  thread_local int offset = 0;
  thread_local QString offsetText = QStringLiteral("Z");
  if (m.offsetSeconds != offset) {
    offset = m.offsetSeconds;
    const int minutes = std::abs(offset) / 60;
    offsetText = offset == 0 ? QStringLiteral("Z")
                             : QString::asprintf("%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
  }
  return localText(m, 'T', '.') + offsetText;
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
    if (auto v = reader_.lastBefore(e.connection, {JournalEventKind::Connected}, e.timeMs)) c.beams = v->beamCount;
    if (auto v = reader_.lastBefore(e.connection, {JournalEventKind::ConfigRead, JournalEventKind::ConfigWritten},
                                    e.timeMs, true))
      c.config = v->config;
    if (auto v = reader_.lastBefore(e.connection, {JournalEventKind::Supply}, e.timeMs)) c.supply = v->text;
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

QString journalCsvHeader(JournalCsvForm form) {
  const QString header = CsvColumns.join(separator(form));
  return form == JournalCsvForm::Spreadsheet ? QChar(0xFEFF) + header : header;
}

// One line built in place: a history of a day may have a million of them.
QString journalCsvLine(const JournalEvent& e, const JournalConnectionContext* context, const QString& text,
                       JournalCsvForm form) {
  const QChar comma = separator(form);
  const bool spreadsheet = form == JournalCsvForm::Spreadsheet;
  QString line;
  line.reserve(160);
  const auto field = [&](const QString& text) {
    line += text;
    line += comma;
  };
  field(timeField(e.timeMs, form));
  field(!e.barrier ? QString() : spreadsheet ? journalSerialText(*e.barrier) : QString::number(*e.barrier));
  field(journalEventName(e.kind));
  field(journalLossName(e.reason));
  const bool hasConfig = e.kind == JournalEventKind::ConfigRead || e.kind == JournalEventKind::ConfigWritten ||
                         e.kind == JournalEventKind::FileOpened || e.kind == JournalEventKind::FileSaved;
  // Apart, the bytes are no number a spreadsheet could round to 1.05E+62.
  if (!hasConfig)
    field(QString());
  else
    field(spreadsheet ? QString::fromLatin1(configBytes(e.config).toHex(' ').toUpper()) : hex(configBytes(e.config)));
  field(csvField(text, form));
  if (e.kind == JournalEventKind::Status && context) {
    const BarrierStatus& s = e.status;
    const int beams = std::min(context->beams, MaxBeams);
    std::uint8_t off = 0;
    for (int b = 1; b <= beams; ++b)
      if (context->config[BarrierConfig::responseTime(b)] == 0) off |= beamBit(b);
    line += QChar(u'0' + beams);
    for (const std::uint8_t bits :
         {s.beamsAlarm, s.beamsAlert, s.beams50, s.beamsNar, s.beamsBlocked, s.beamsBlockMemory, off}) {
      line += comma;
      appendBeamNumbers(line, bits, beams);
    }
    for (const std::uint8_t flag :
         {statusflag::AlarmOutput, statusflag::TamperOutput, statusflag::BusTamper, statusflag::ReceiverTamper,
          statusflag::TransmitterTamper, statusflag::LowSupply, statusflag::Registration, statusflag::Led}) {
      line += comma;
      line += (s.statusFlags & flag) ? u'1' : u'0';
    }
    line += comma;
    line += (s.sabotageFlags & 1) ? u'1' : u'0';
    line += comma;
    QString supply = context->supply.trimmed();
    if (spreadsheet) supply.replace(QLatin1Char('.'), QLatin1Char(','));
    line += supply;
  } else {
    line += QString(CsvColumns.size() - 7, comma);
  }
  return line;
}

bool writeJournalCsv(JournalReader& reader, const JournalQuery& query, JournalCsvForm form,
                     const std::function<void(const QString&)>& out) {
  JournalEventContext context(reader);
  out(journalCsvHeader(form));
  return reader.forEachEvent(query, [&](const JournalEvent& e) {
    const JournalConnectionContext* c = context.take(e);
    if (!JournalEventContext::leftOut(e)) out(journalCsvLine(e, c, context.textOf(e), form));
    return true;
  });
}
