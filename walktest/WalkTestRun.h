#pragma once
// A walk test on a live barrier: takes what the device link reports
// (LinkObserver) and tells its owner, the walk test window or orvita-cli,
// what to show. The owner adds it to the link's observers for as long as it
// lives. Main thread only.
#include <QJsonObject>
#include <functional>
#include <optional>

#include "link/LinkObserver.h"
#include "link/LinkState.h"
#include "model/BarrierModel.h"
#include "walktest/WalkTest.h"

class WalkTestRun : public LinkObserver {
 public:
  enum class Phase {
    WaitingForBarrier,  // not connected, or its configuration not yet read
    Running,
    Finished,
  };

  // `clock` gives milliseconds since the epoch (tests pass their own).
  WalkTestRun(const BarrierModel& model, const LinkState& state, std::function<qint64()> clock = {});

  // Starts a test (again): at once when the barrier is identified and its
  // configuration read, else as soon as it is.
  void start();
  // Ends the test with what it has; a finished test is told through onFinished.
  void finish();

  Phase phase() const { return phase_; }
  // The test under way or the last one; nullopt before the first start.
  const std::optional<WalkTest>& test() const { return test_; }

  // An item passed: its index in the test's items.
  std::function<void(std::size_t item)> onPass;
  // The item to walk next: once the test starts, and again after each status
  // that brought passes while items are left.
  std::function<void(std::size_t item)> onNext;
  // Anything the window shows may have changed (a status, a loss, the phase).
  std::function<void()> onChange;
  // The barrier was lost while the test ran.
  std::function<void()> onConnectionLost;
  // The test ended, by itself (everything passed) or by finish().
  std::function<void(const WalkTestResult& result)> onFinished;

  // LinkObserver
  void barrierIdentified(std::span<const std::uint8_t> versionInfo, int beamCount) override;
  void barrierLost(LinkLoss reason) override;
  void statusChanged(const BarrierStatus& status, std::span<const std::uint8_t> frame) override;
  void configurationRead(const BarrierConfig& config) override;

 private:
  // The barrier is identified and the configuration its test lists is read.
  bool barrierReady() const;
  void begin();
  void changed() {
    if (onChange) onChange();
  }
  void announceNext();

  const BarrierModel& model_;
  const LinkState& state_;
  std::function<qint64()> clock_;
  Phase phase_ = Phase::Finished;
  bool startWanted_ = false;
  std::optional<WalkTest> test_;
  // The model's status came from the barrier now connected, not from
  // before it: the link reads the configuration before it polls, so a
  // barrier just identified and read has no status yet. Known only from a
  // status seen by this run.
  bool statusCurrent_ = false;
};

// The barrier a walk test ran on, as its record names it.
struct TestedBarrier {
  QString identification;  // as the identification bar shows it, trimmed
  int beamCount = 0;
  QString adapter;       // the port and what the system tells of its device
  BarrierConfig config;  // as the barrier held it; the serial number from here
};
TestedBarrier testedBarrier(const BarrierModel& model, const QString& adapter);

// The result with the barrier beside it ("barrier": identification,
// beamCount, serial, adapter, config as hex): what the journal keeps and
// orvita-cli prints last.
QJsonObject walkTestDocument(const WalkTestResult& result, const TestedBarrier& barrier);

// What walkTestDocument wrote, read back; nullopt for anything else.
struct StoredWalkTest {
  WalkTestResult result;
  TestedBarrier barrier;
};
std::optional<StoredWalkTest> readWalkTestDocument(const QJsonObject& document);
