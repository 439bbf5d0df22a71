#pragma once
// What a commissioning record says: the site, the barrier, its
// configuration, the walk test and the journal's day before it. Plain data;
// assembleRecord (report/RecordAssembly.h) fills it, RecordDocument paints it.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "model/BarrierModel.h"
#include "walktest/WalkTest.h"
#include "walktest/WalkTestRun.h"

// The barrier's 24 hours before a moment, in numbers, as the journal counted them.
struct JournalDayCounts {
  qint64 fromMs = 0;  // the span counted: fromMs up to, not including, untilMs
  qint64 untilMs = 0;
  std::array<int, MaxBeams> alarmsPerBeam{};  // beam b at index b - 1
  int tamperEvents = 0;
  int connectionLosses = 0;
  bool any() const {
    for (int n : alarmsPerBeam)
      if (n) return true;
    return tamperEvents || connectionLosses;
  }
};

struct CommissioningRecord {
  QDateTime printedAt;
  QString site;
  QString technician;
  QString remark;
  TestedBarrier barrier;
  std::optional<WalkTestResult> walkTest;   // may still be running
  std::optional<JournalDayCounts> lastDay;  // unset: no journal to ask
  QString planFile;                         // the plan's file name; empty: no plan compared
  QStringList planDifferences;              // "field: barrier -> plan"
};
