#include "cli/JournalCommands.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "cli/StatusReport.h"
#include "journal/JournalPath.h"
#include "journal/JournalReader.h"
#include "texts/UiTexts.h"
#include "util/HexText.h"

namespace {

QString hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

// The version as the identification bar shows it: "1.05" and "2021-07-14".
QString versionNumber(const QByteArray& v) {
  if (v.size() < 4) return QString();
  return QString::number(std::uint8_t(v[1])) + QLatin1Char('.') + QString::number(std::uint8_t(v[2])) +
         QString::number(std::uint8_t(v[3]));
}

QString versionDate(const QByteArray& v) {
  if (v.size() < 8) return QString();
  const auto h = [&](int i) { return numToHex(std::uint8_t(v[i])); };
  return h(4) + h(5) + QLatin1Char('-') + h(6) + QLatin1Char('-') + h(7);
}

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

// What a status row needs from before it: the connection's beam count, the
// configuration the barrier had and the supply voltage last shown.
struct ConnectionContext {
  int beams = 0;
  BarrierConfig config;
  QString supply = QStringLiteral("0.0");
};

class HistoryPrinter {
 public:
  HistoryPrinter(JournalReader& reader, const CliRequest& request, const LineSink& out)
      : reader_(reader), request_(request), out_(out) {
    for (const JournalSession& s : reader_.sessions()) sessions_.insert(s.id, s);
  }

  void print(const JournalEvent& e) {
    ConnectionContext* context = e.connection != 0 ? &contextOf(e) : nullptr;
    if (context) {
      switch (e.kind) {
        case JournalEventKind::Connected:
          context->beams = e.beamCount;
          break;
        case JournalEventKind::ConfigRead:
        case JournalEventKind::ConfigWritten:
          context->config = e.config;
          break;
        case JournalEventKind::Supply:
          context->supply = e.text;
          break;
        default:
          break;
      }
    }
    // The supply rows go into the status rows' supplyVolts; a write sent
    // shows as written or dropped; the walk tests have their own report.
    if (e.kind == JournalEventKind::Supply || e.kind == JournalEventKind::WriteSent ||
        e.kind == JournalEventKind::WalkTest)
      return;
    if (request_.csv)
      printCsv(e, context);
    else if (request_.json)
      printJson(e, context);
    else
      printText(e, context);
  }

  void header() {
    if (request_.csv) out_(CsvColumns.join(QLatin1Char(',')));
  }

 private:
  ConnectionContext& contextOf(const JournalEvent& e) {
    auto it = contexts_.find(e.connection);
    if (it != contexts_.end()) return *it;
    // The range began within the connection: what held at its start.
    ConnectionContext c;
    if (auto v = reader_.lastBefore(e.connection, std::nullopt, {JournalEventKind::Connected}, e.timeMs))
      c.beams = v->beamCount;
    if (auto v = reader_.lastBefore(e.connection, e.barrier,
                                    {JournalEventKind::ConfigRead, JournalEventKind::ConfigWritten}, e.timeMs))
      c.config = v->config;
    if (auto v = reader_.lastBefore(e.connection, std::nullopt, {JournalEventKind::Supply}, e.timeMs))
      c.supply = v->text;
    return *contexts_.insert(e.connection, c);
  }

  static BarrierModel modelOf(const JournalEvent& e, const ConnectionContext& c) {
    BarrierModel model;
    model.status = e.status;
    model.beamCount = std::uint8_t(c.beams);
    model.deviceConfig = c.config;
    model.editConfig = c.config;
    model.supplyText = c.supply;
    return model;
  }

  QString textOf(const JournalEvent& e) const {
    switch (e.kind) {
      case JournalEventKind::SessionStart: {
        const JournalSession s = sessions_.value(e.session);
        return QStringList{e.text, s.port, s.adapter, s.stableName}.join(QLatin1Char(' ')).trimmed();
      }
      case JournalEventKind::Connected:
        return QStringLiteral("ORVITA %1 v.%2 %3")
            .arg(e.beamCount)
            .arg(versionNumber(e.version), versionDate(e.version));
      default:
        return e.text;
    }
  }

  void printJson(const JournalEvent& e, const ConnectionContext* context) {
    QJsonObject o;
    if (e.kind == JournalEventKind::Status && context) o = statusJson(modelOf(e, *context));
    o.insert(QStringLiteral("time"), journalTimeText(e.timeMs));
    o.insert(QStringLiteral("barrier"), e.barrier ? QJsonValue(int(*e.barrier)) : QJsonValue(QJsonValue::Null));
    o.insert(QStringLiteral("event"), journalEventName(e.kind));
    switch (e.kind) {
      case JournalEventKind::SessionStart: {
        const JournalSession s = sessions_.value(e.session);
        o.insert(QStringLiteral("program"), e.text);
        o.insert(QStringLiteral("port"), s.port);
        o.insert(QStringLiteral("adapter"), s.adapter);
        o.insert(QStringLiteral("stableName"), s.stableName);
        break;
      }
      case JournalEventKind::Connected:
        o.insert(QStringLiteral("beamCount"), e.beamCount);
        o.insert(QStringLiteral("version"), hex(e.version));
        break;
      case JournalEventKind::Lost:
        o.insert(QStringLiteral("reason"), journalLossName(e.reason));
        break;
      case JournalEventKind::ConfigRead:
      case JournalEventKind::ConfigWritten:
        o.insert(QStringLiteral("config"), hex(configBytes(e.config)));
        break;
      case JournalEventKind::FileOpened:
      case JournalEventKind::FileSaved:
        o.insert(QStringLiteral("config"), hex(configBytes(e.config)));
        o.insert(QStringLiteral("file"), e.text);
        break;
      case JournalEventKind::WriteDropped:
        o.insert(QStringLiteral("notice"), e.text);
        break;
      default:
        break;
    }
    out_(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
  }

  // One line built in place: a history of a day may have a million of them.
  void printCsv(const JournalEvent& e, const ConnectionContext* context) {
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
    field(csvField(textOf(e)));
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
    out_(line);
  }

  void printText(const JournalEvent& e, const ConnectionContext* context) {
    QString line = journalTimeText(e.timeMs) + QLatin1Char(' ') +
                   (e.barrier ? QString::number(*e.barrier) : QStringLiteral("-")) + QLatin1Char(' ') +
                   journalEventName(e.kind);
    if (e.kind == JournalEventKind::Lost) line += QLatin1Char(' ') + journalLossName(e.reason);
    const QString text = textOf(e);
    if (!text.isEmpty()) line += QLatin1Char(' ') + text;
    if (e.kind == JournalEventKind::ConfigRead || e.kind == JournalEventKind::ConfigWritten ||
        e.kind == JournalEventKind::FileOpened || e.kind == JournalEventKind::FileSaved)
      line += QLatin1Char(' ') + hex(configBytes(e.config));
    if (e.kind == JournalEventKind::Status && context)
      line += QLatin1Char(' ') + statusLines(modelOf(e, *context)).join(QStringLiteral("; "));
    out_(line);
  }

  JournalReader& reader_;
  const CliRequest& request_;
  const LineSink& out_;
  QHash<qint64, JournalSession> sessions_;
  QHash<qint64, ConnectionContext> contexts_;
};

CommandOutcome listBarriers(JournalReader& reader, const CliRequest& request, const LineSink& out) {
  const QList<JournalBarrier> barriers = reader.barriers();
  if (barriers.isEmpty() && !request.json) out(uiText(UiTexts::txtCliNoBarriers));
  for (const JournalBarrier& b : barriers) {
    if (request.json) {
      const QJsonObject o{
          {QStringLiteral("serial"), int(b.serial)},
          {QStringLiteral("beamCount"), b.beamCount},
          {QStringLiteral("version"), versionNumber(b.version)},
          {QStringLiteral("versionDate"), versionDate(b.version)},
          {QStringLiteral("versionBytes"), hex(b.version)},
          {QStringLiteral("firstSeen"), journalTimeText(b.firstSeenMs)},
          {QStringLiteral("lastSeen"), journalTimeText(b.lastSeenMs)},
          {QStringLiteral("connections"), b.connections},
          {QStringLiteral("alarms"), b.alarms},
          {QStringLiteral("tampers"), b.tampers},
      };
      out(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
    } else {
      out(uiText(UiTexts::txtCliBarrierLine)
              .arg(b.serial)
              .arg(b.beamCount)
              .arg(versionNumber(b.version) + QLatin1Char(' ') + versionDate(b.version))
              .arg(journalTimeText(b.firstSeenMs), journalTimeText(b.lastSeenMs))
              .arg(b.connections)
              .arg(b.alarms)
              .arg(b.tampers));
    }
  }
  return {};
}

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

CommandOutcome runJournalCommand(const CliRequest& request, const LineSink& out) {
  JournalReader reader(journalPath());
  if (!reader.open()) return {exitstatus::Usage, reader.error()};
  if (request.command == CliCommand::Barriers) return listBarriers(reader, request, out);

  JournalQuery query;
  query.barrier = request.barrier;
  if (request.sinceMs) query.fromMs = *request.sinceMs;
  if (request.untilMs) query.untilMs = *request.untilMs;
  HistoryPrinter printer(reader, request, out);
  printer.header();
  if (!reader.forEachEvent(query, [&](const JournalEvent& e) {
        printer.print(e);
        return true;
      }))
    return {exitstatus::Usage, uiText(UiTexts::txtJournalCannotRead).arg(journalPath(), reader.error())};
  return {};
}
