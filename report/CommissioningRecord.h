#pragma once
// What a commissioning record says: the site, the barrier, its
// configuration, the walk test and the journal's last day. Plain data; the
// window and orvita-cli fill it, RecordDocument paints it.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "model/BarrierModel.h"
#include "walktest/WalkTest.h"

// The barrier's last 24 hours in numbers, as the journal counted them.
struct JournalDayCounts {
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
  QString identification;  // as the identification bar shows it
  int beamCount = 0;
  QString adapter;       // the port and what the system tells of its device
  BarrierConfig config;  // as the barrier has it; the serial number from here
  std::optional<WalkTestResult> walkTest;
  std::optional<JournalDayCounts> lastDay;  // unset: no journal to ask
  QString planFile;                         // empty: no plan compared
  QStringList planDifferences;              // "field: barrier -> plan"
};
