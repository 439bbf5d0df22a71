#include "cli/JournalCommands.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/StatusReport.h"
#include "journal/JournalCsv.h"
#include "journal/JournalPath.h"
#include "journal/JournalReader.h"
#include "texts/UiTexts.h"
#include "util/VersionText.h"

namespace {

using Lines = std::function<void(const QString& line)>;

QString hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

// A time for people; one that cannot be shown says so.
QString shownTime(qint64 ms) {
  const QString text = journalTimeText(ms);
  return text.isEmpty() ? uiText(UiTexts::txtJournalTimeInvalid) : text;
}

// A time for programs: null when it cannot be shown.
QJsonValue jsonTime(qint64 ms) {
  const QString text = journalTimeText(ms);
  return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

JournalCsvForm csvForm(const CliRequest& request) {
  return request.spreadsheet ? JournalCsvForm::Spreadsheet : JournalCsvForm::Machine;
}

class HistoryPrinter {
 public:
  HistoryPrinter(JournalReader& reader, const CliRequest& request, const Lines& out)
      : context_(reader), request_(request), out_(out) {}

  void print(const JournalEvent& e) {
    const JournalConnectionContext* context = context_.take(e);
    if (JournalEventContext::leftOut(e)) return;
    if (request_.csv || request_.spreadsheet)
      out_(journalCsvLine(e, context, context_.textOf(e), csvForm(request_)));
    else if (request_.json)
      printJson(e, context);
    else
      printText(e, context);
  }

  void header() {
    if (request_.csv || request_.spreadsheet) out_(journalCsvHeader(csvForm(request_)));
  }

 private:
  static BarrierModel modelOf(const JournalEvent& e, const JournalConnectionContext& c) {
    BarrierModel model;
    model.status = e.status;
    model.beamCount = std::uint8_t(c.beams);
    model.deviceConfig = c.config;
    model.editConfig = c.config;
    model.supplyText = c.supply;
    return model;
  }

  void printJson(const JournalEvent& e, const JournalConnectionContext* context) {
    QJsonObject o;
    if (e.kind == JournalEventKind::Status && context) {
      o = statusJson(modelOf(e, *context));
      // Before the connection's filter settled there is no reading to give.
      if (context->supply.isEmpty()) o.insert(QStringLiteral("supplyVolts"), QJsonValue::Null);
    }
    o.insert(QStringLiteral("time"), jsonTime(e.timeMs));
    o.insert(QStringLiteral("barrier"), e.barrier ? QJsonValue(int(*e.barrier)) : QJsonValue(QJsonValue::Null));
    o.insert(QStringLiteral("event"), journalEventName(e.kind));
    switch (e.kind) {
      case JournalEventKind::SessionStart: {
        const JournalSession s = context_.session(e.session);
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

  void printText(const JournalEvent& e, const JournalConnectionContext* context) {
    QString line = shownTime(e.timeMs) + QLatin1Char(' ') +
                   (e.barrier ? journalSerialText(*e.barrier) : QStringLiteral("-")) + QLatin1Char(' ') +
                   journalEventName(e.kind);
    if (e.kind == JournalEventKind::Lost) line += QLatin1Char(' ') + journalLossName(e.reason);
    const QString text = context_.textOf(e);
    if (!text.isEmpty()) line += QLatin1Char(' ') + text;
    if (e.kind == JournalEventKind::ConfigRead || e.kind == JournalEventKind::ConfigWritten ||
        e.kind == JournalEventKind::FileOpened || e.kind == JournalEventKind::FileSaved)
      line += QLatin1Char(' ') + hex(configBytes(e.config));
    if (e.kind == JournalEventKind::Status && context) {
      const BarrierModel model = modelOf(e, *context);
      line += QLatin1Char(' ') + statusLines(model).join(QStringLiteral("; "));
    }
    out_(line);
  }

  JournalEventContext context_;
  const CliRequest& request_;
  const Lines& out_;
};

CommandOutcome listBarriers(JournalReader& reader, const CliRequest& request, const Lines& out) {
  const QList<JournalBarrier> barriers = reader.barriers();
  if (barriers.isEmpty() && !request.json) out(uiText(UiTexts::txtCliNoBarriers));
  for (const JournalBarrier& b : barriers) {
    if (request.json) {
      const QJsonObject o{
          {QStringLiteral("serial"), int(b.serial)},
          {QStringLiteral("beamCount"), b.beamCount},
          {QStringLiteral("version"), barrierFirmwareVersion(b.version)},
          {QStringLiteral("versionDate"), barrierFirmwareDate(b.version)},
          {QStringLiteral("versionBytes"), hex(b.version)},
          {QStringLiteral("firstSeen"), jsonTime(b.firstSeenMs)},
          {QStringLiteral("lastSeen"), jsonTime(b.lastSeenMs)},
          {QStringLiteral("connections"), b.connections},
          {QStringLiteral("alarms"), b.alarms},
          {QStringLiteral("tampers"), b.tampers},
      };
      out(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
    } else {
      out(uiText(UiTexts::txtCliBarrierLine)
              .arg(journalSerialText(b.serial))
              .arg(b.beamCount)
              .arg(barrierFirmwareVersion(b.version) + QLatin1Char(' ') + barrierFirmwareDate(b.version))
              .arg(shownTime(b.firstSeenMs), shownTime(b.lastSeenMs))
              .arg(b.connections)
              .arg(b.alarms)
              .arg(b.tampers));
    }
  }
  return {};
}

}  // namespace

CommandOutcome runJournalCommand(const CliRequest& request, const CommandOutput& output) {
  const Lines& out = output.line;
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
        return !output.closed();  // a reader gone away (| head) reads no more
      }))
    return {exitstatus::Usage, uiText(UiTexts::txtJournalCannotRead).arg(journalPath(), reader.error())};
  return {};
}
