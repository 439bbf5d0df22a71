#include "report/RecordAssembly.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include "files/ConfigText.h"
#include "report/JournalCounts.h"

std::optional<StoredWalkTest> newestWalkTest(JournalReader& journal, std::optional<unsigned> serial) {
  JournalQuery query;
  query.barrier = serial;
  query.kinds = {JournalEventKind::WalkTest};
  std::optional<StoredWalkTest> newest;
  journal.forEachEvent(query, [&](const JournalEvent& event) {
    if (auto test = readWalkTestDocument(QJsonDocument::fromJson(event.text.toUtf8()).object())) newest = test;
    return true;
  });
  return newest;
}

CommissioningRecord assembleRecord(const RecordRequest& request, const TestedBarrier& barrier,
                                   const std::optional<WalkTestResult>& test, JournalReader* journal) {
  CommissioningRecord record;
  record.printedAt = request.printedAt;
  record.site = request.site;
  record.technician = request.technician;
  record.remark = request.remark;
  record.barrier = barrier;
  record.walkTest = test;
  if (!request.planPath.isEmpty()) {
    record.planFile = QFileInfo(request.planPath).fileName();
    record.planDifferences = configDifferences(barrier.config, request.plan);
  }
  if (journal) {
    const qint64 until = test && test->startedMs ? test->startedMs : request.printedAt.toMSecsSinceEpoch();
    record.lastDay = dayCountsBefore(*journal, barrier.config.transmitterSerial(), until);
  }
  return record;
}
