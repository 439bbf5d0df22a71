#include "cli/WalkTestCommand.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/BarrierCommands.h"
#include "cli/FileCommands.h"
#include "cli/HeadlessLink.h"
#include "files/ConfigFile.h"
#include "files/SettingsStore.h"
#include "journal/JournalPath.h"
#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"
#include "link/JournalRecorder.h"
#include "report/RecordAssembly.h"
#include "report/RecordDocument.h"
#include "serial/PortList.h"
#include "serial/PortSettings.h"
#include "texts/UiTexts.h"
#include "util/TerminationSignals.h"
#include "walktest/WalkTestRun.h"
#include "walktest/WalkTestText.h"

namespace {

std::chrono::milliseconds toMs(double seconds) { return std::chrono::milliseconds(qint64(seconds * 1000)); }

QString isoTime(qint64 ms) {
  const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
  return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString compact(const QJsonObject& object) {
  return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QJsonObject itemKeys(const WalkItem& item) {
  QJsonObject keys{{QStringLiteral("item"), walkItemKey(item.kind)}};
  if (item.kind == WalkItemKind::Beam) keys.insert(QStringLiteral("beam"), item.beam);
  return keys;
}

// The result in words: every item with its times, the supply, the warnings.
void printResult(const WalkTestResult& result, const CommandOutput& out) {
  for (const WalkItem& item : result.items) {
    QString line = walkItemName(item);
    if (item.kind == WalkItemKind::Beam && item.outcome == WalkOutcome::NotTested)
      line += QLatin1Char(' ') + uiText(UiTexts::txtBeamOff);
    line += QStringLiteral(": ") + walkOutcomeText(item.outcome);
    if (item.outcome == WalkOutcome::Passed)
      line += QStringLiteral(" (") + walkTimeText(item.seenMs) + QStringLiteral(" – ") + walkTimeText(item.clearedMs) +
              QLatin1Char(')');
    out.line(line);
  }
  const QString supply = walkSupplyLine(result);
  if (!supply.isEmpty()) out.line(supply);
  for (const QString& line : walkWarningLines(result)) out.line(line);
  out.line(uiText(UiTexts::txtCliWalkResult)
               .arg(uiText(result.passed() ? UiTexts::txtOutcomePassed : UiTexts::txtOutcomeNotPassed)));
}

}  // namespace

CommandOutcome runWalkTest(const CliRequest& request, const CommandOutput& out) {
  CommandOutcome failure;
  const std::optional<QString> chosen = requestedPort(request, failure);
  if (!chosen) return failure;
  const QString& portName = *chosen;
  HeadlessLink link(portName);
  // The journal records this run as any other, and keeps the result.
  JournalWriter journal({journalPath(), storedJournalDays(SettingsKey)});
  journal.onFault = [&out](const QString& text) { out.error(text); };
  TerminationSignals termination;
  int stoppedBy = 0;
  QObject::connect(&termination, &TerminationSignals::received, [&stoppedBy](int signalNumber) {
    if (!stoppedBy) stoppedBy = signalNumber;
  });
  const auto ended = [&] { return stoppedBy != 0 || out.closed(); };
  JournalRecorder recorder(journal, QStringLiteral("orvita-cli ") + commandName(request.command), portName);
  link.link.addObserver(&recorder);

  WalkTestRun run(link.model, link.state);
  link.link.addObserver(&run);
  run.onNext = [&](std::size_t index) {
    const WalkItem& item = run.test()->result().items[index];
    if (request.json) {
      QJsonObject o = itemKeys(item);
      o.insert(QStringLiteral("event"), QStringLiteral("next"));
      out.line(compact(o));
    } else {
      out.line(uiText(UiTexts::txtWalkNext).arg(walkItemName(item)));
    }
  };
  int passes = 0;
  run.onPass = [&](std::size_t index) {
    ++passes;
    const WalkItem& item = run.test()->result().items[index];
    if (request.json) {
      QJsonObject o = itemKeys(item);
      o.insert(QStringLiteral("event"), QStringLiteral("passed"));
      o.insert(QStringLiteral("time"), isoTime(item.clearedMs));
      out.line(compact(o));
    } else {
      out.line(uiText(UiTexts::txtCliWalkPassed).arg(walkItemName(item), walkTimeText(item.clearedMs)));
    }
  };
  run.onConnectionLost = [&] {
    if (request.json)
      out.line(compact(QJsonObject{{QStringLiteral("event"), QStringLiteral("lost")},
                                   {QStringLiteral("time"), isoTime(QDateTime::currentMSecsSinceEpoch())}}));
    else
      out.line(uiText(UiTexts::txtCliWalkLost));
  };

  if (!link.start()) return portFailure(link);
  const auto ready = [&] { return link.model.connected() && link.state.readStep == 0; };
  if (!link.runUntil([&] { return ready() || ended(); },
                     QDeadlineTimer(toMs(request.timeoutSeconds), Qt::PreciseTimer)) ||
      !ready()) {
    if (stoppedBy) return {128 + stoppedBy, uiText(UiTexts::txtCliStopped).arg(signalName(stoppedBy))};
    if (out.closed()) return {};  // the caller reports the output
    return noAnswer(link);
  }

  if (!request.json) out.line(uiText(UiTexts::txtWalkInstruction));
  run.start();
  // Each pass gives the technician the whole time-out again for the next one.
  while (run.phase() != WalkTestRun::Phase::Finished) {
    const int seen = passes;
    const bool passed =
        link.runUntil([&] { return passes != seen || run.phase() == WalkTestRun::Phase::Finished || ended(); },
                      QDeadlineTimer(toMs(request.timeoutSeconds), Qt::PreciseTimer));
    if (!passed || ended()) break;
  }
  run.finish();

  const WalkTestResult& result = run.test()->result();
  const QJsonObject document = walkTestDocument(result, testedBarrier(link.model, adapterText(portName)));
  recorder.walkTest(compact(document));
  if (request.json)
    out.line(compact(document));
  else
    printResult(result, out);
  link.link.removeObserver(&run);
  recorder.finish();
  link.link.removeObserver(&recorder);
  // A stopped test is kept with what it proved so far, and says what stopped it.
  if (stoppedBy) return {128 + stoppedBy, uiText(UiTexts::txtCliStopped).arg(signalName(stoppedBy))};
  return {result.passed() ? exitstatus::Done : exitstatus::NoAnswer, {}};
}

CommandOutcome runReport(const CliRequest& request, const CommandOutput&) {
  const QString& path = request.files[0];
  const CommandOutcome none{exitstatus::NoAnswer, request.barrier
                                                      ? uiText(UiTexts::txtCliNoWalkTestOf).arg(*request.barrier)
                                                      : uiText(UiTexts::txtCliNoWalkTest)};
  JournalReader journal(journalPath());
  if (!journal.open()) return none;
  const std::optional<StoredWalkTest> stored = newestWalkTest(journal, request.barrier);
  if (!stored) return none;

  RecordRequest form{request.site, request.technician, request.remark, request.plan, {}, QDateTime::currentDateTime()};
  if (!request.plan.isEmpty())
    if (const ConfigFileResult result = readConfigFile(request.plan, form.plan); !result)
      return fileFailure(request.plan, result);
  QString error;
  if (!writeRecordPdf(path, assembleRecord(form, stored->barrier, stored->result, &journal), &error))
    return fileFailure(path, error);
  return {};
}
