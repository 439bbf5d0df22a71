#pragma once
// The commissioning record put together from a walk test and the journal:
// the one assembly the window and orvita-cli both print.
#include <QDateTime>
#include <QString>
#include <optional>

#include "journal/JournalReader.h"
#include "report/CommissioningRecord.h"
#include "walktest/WalkTestRun.h"

// What the technician adds to a record.
struct RecordRequest {
  QString site;
  QString technician;
  QString remark;
  QString planPath;    // empty: no plan compared
  BarrierConfig plan;  // read from planPath
  QDateTime printedAt;
};

// The newest walk test of barrier `serial` (of any barrier when unset) that
// the journal can read back; nullopt when there is none.
std::optional<StoredWalkTest> newestWalkTest(JournalReader& journal, std::optional<unsigned> serial);

// The record of `test` on `barrier` (no test: the record says none was
// made): the plan compared with the configuration the barrier held, and,
// when a journal is given, its counts of the 24 hours before the test began
// (before the print when there is no test), so that the test's own
// crossings and reconnections are not counted as the barrier's.
CommissioningRecord assembleRecord(const RecordRequest& request, const TestedBarrier& barrier,
                                   const std::optional<WalkTestResult>& test, JournalReader* journal);
