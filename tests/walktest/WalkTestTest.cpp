#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include "walktest/WalkTest.h"
#include "walktest/WalkTestRun.h"

namespace {

constexpr qint64 T0 = 1'700'000'000'000;

BarrierConfig configWithBeams(int beams) {
  BarrierConfig config;
  for (int b = 1; b <= beams; ++b) config[BarrierConfig::responseTime(b)] = 3;
  config[BarrierConfig::BeamCount] = std::uint8_t(beams);
  return config;
}

BarrierStatus quiet() {
  BarrierStatus status;
  status.supplyRaw = 200;
  return status;
}

BarrierStatus with(std::uint8_t BarrierStatus::*field, std::uint8_t value) {
  BarrierStatus status = quiet();
  status.*field = value;
  return status;
}

// Walks every item of a test once: beams by their alert bit, the contacts and
// the outputs by their flags.
void walkEverything(WalkTest& test, int beams, qint64& now) {
  for (int b = 1; b <= beams; ++b) {
    test.observe(with(&BarrierStatus::beamsAlert, beamBit(b)), now += 500);
    test.observe(quiet(), now += 500);
  }
  for (std::uint8_t flag :
       {statusflag::TransmitterTamper, statusflag::ReceiverTamper, statusflag::AlarmOutput, statusflag::TamperOutput}) {
    test.observe(with(&BarrierStatus::statusFlags, flag), now += 500);
    test.observe(quiet(), now += 500);
  }
}

}  // namespace

TEST(WalkTest, aBeamPassesWhenSeenInterruptedAndThenClearWithItsTimes) {
  WalkTest test(configWithBeams(2), 2, T0);
  ASSERT_EQ(test.result().items.size(), 2u + 4u);
  EXPECT_TRUE(test.observe(quiet(), T0 + 100).empty());
  // The alarm byte alone counts as interrupted, as the alert byte does.
  BarrierStatus cut = with(&BarrierStatus::beamsAlarm, beamBit(2));
  cut.statusFlags = statusflag::AlarmOutput;
  EXPECT_TRUE(test.observe(cut, T0 + 200).empty());
  EXPECT_TRUE(test.observe(cut, T0 + 300).empty());
  // The alarm output went active with it and is at rest again: it passes too.
  EXPECT_EQ(test.observe(quiet(), T0 + 400), (std::vector<std::size_t>{1, 2 + 2}));
  const WalkItem& beam2 = test.result().items[1];
  EXPECT_EQ(beam2.outcome, WalkOutcome::Passed);
  EXPECT_EQ(beam2.seenMs, T0 + 200);
  EXPECT_EQ(beam2.clearedMs, T0 + 400);
  EXPECT_TRUE(beam2.alarmOutput);
  // Beam 1 never interrupted: the test is not complete and names it next.
  EXPECT_EQ(test.result().items[0].outcome, WalkOutcome::NotPassed);
  EXPECT_EQ(test.nextItem(), 0u);
  EXPECT_FALSE(test.result().passed());
  // A pass stays as first seen; a second interruption changes nothing.
  test.observe(with(&BarrierStatus::beamsAlert, beamBit(2)), T0 + 500);
  test.observe(quiet(), T0 + 600);
  EXPECT_EQ(test.result().items[1].clearedMs, T0 + 400);
}

TEST(WalkTest, aSwitchedOffBeamIsNotTestedAndTheRestDecideTheResult) {
  BarrierConfig config = configWithBeams(4);
  config[BarrierConfig::responseTime(3)] = 0;
  WalkTest test(config, 4, T0);
  EXPECT_EQ(test.result().items[2].outcome, WalkOutcome::NotTested);
  qint64 now = T0;
  walkEverything(test, 4, now);
  EXPECT_EQ(test.result().items[2].outcome, WalkOutcome::NotTested);
  EXPECT_EQ(test.result().items[2].seenMs, 0);
  EXPECT_TRUE(test.complete());
  EXPECT_TRUE(test.result().passed());
  // A switched-off beam's 50 % is no warning about the test.
  test.observe(with(&BarrierStatus::beams50, beamBit(3)), now += 500);
  EXPECT_EQ(test.result().beams50, 0);
  test.observe(with(&BarrierStatus::beamsNar, beamBit(4)), now += 500);
  EXPECT_EQ(test.result().beamsNar, beamBit(4));
  EXPECT_TRUE(test.result().hasWarnings());
}

TEST(WalkTest, aLostConnectionIsRecordedAndAHalfSeenBeamMustBeInterruptedAgain) {
  WalkTest test(configWithBeams(2), 2, T0);
  BarrierStatus cut = with(&BarrierStatus::beamsAlert, beamBit(1));
  cut.statusFlags = statusflag::AlarmOutput;
  test.observe(cut, T0 + 100);
  test.connectionLost(T0 + 200);
  // After the reconnection the beam reads clear, but nobody saw it clear up.
  EXPECT_TRUE(test.observe(quiet(), T0 + 300).empty());
  EXPECT_EQ(test.result().items[0].outcome, WalkOutcome::NotPassed);
  EXPECT_EQ(test.result().connectionLosses, std::vector<qint64>{T0 + 200});
  test.observe(with(&BarrierStatus::beamsAlert, beamBit(1)), T0 + 400);
  EXPECT_EQ(test.observe(quiet(), T0 + 500), std::vector<std::size_t>{0});
  EXPECT_EQ(test.result().items[0].seenMs, T0 + 400);
  // The alarm output came on only in the walk the loss cut short.
  EXPECT_FALSE(test.result().items[0].alarmOutput);
}

TEST(WalkTest, theResultSurvivesItsJsonAndAFinishedTestTakesNoMoreSnapshots) {
  BarrierConfig config = configWithBeams(3);
  config[BarrierConfig::responseTime(2)] = 0;
  WalkTest test(config, 3, T0);
  qint64 now = T0;
  BarrierStatus low = with(&BarrierStatus::beams50, beamBit(1));
  low.supplyRaw = 150;
  low.statusFlags = statusflag::LowSupply;
  test.observe(low, now += 10);
  test.observe(with(&BarrierStatus::beamsAlert, beamBit(1)), now += 10);
  test.connectionLost(now += 10);
  test.observe(with(&BarrierStatus::beamsAlert, beamBit(1)), now += 10);
  test.observe(quiet(), now += 10);
  test.finish(now += 10);
  EXPECT_TRUE(test.observe(with(&BarrierStatus::beamsAlert, beamBit(3)), now + 10).empty());
  EXPECT_EQ(test.result().items[2].seenMs, 0);

  const QJsonObject json = test.result().toJson();
  EXPECT_EQ(json.value("result").toString(), "failed");
  EXPECT_EQ(json.value("supplyMin").toDouble(), 9.2);
  EXPECT_EQ(json.value("supplyMax").toDouble(), 12.2);
  const QJsonArray items = json.value("items").toArray();
  ASSERT_EQ(items.size(), 3 + 4);
  EXPECT_EQ(items[0].toObject().value("result").toString(), "passed");
  EXPECT_EQ(items[1].toObject().value("result").toString(), "not tested");
  EXPECT_EQ(items[2].toObject().value("result").toString(), "not passed");
  EXPECT_EQ(items[3].toObject().value("item").toString(), "transmitterTamper");
  EXPECT_EQ(json.value("warnings").toArray().size(), 3);  // 50 %, low supply, one loss

  // Through text, as the journal keeps it.
  const QJsonObject stored = QJsonDocument::fromJson(QJsonDocument(json).toJson()).object();
  const auto back = WalkTestResult::fromJson(stored);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, test.result());
  EXPECT_FALSE(WalkTestResult::fromJson(QJsonObject{{"items", QJsonArray{QJsonObject{{"item", "door"}}}}}));
  // An item's result word it does not know is refused, not read as a pass or a failure.
  for (const char* word : {"maybe", "Passed", ""}) {
    QJsonObject changed = stored;
    QJsonArray list = changed.value("items").toArray();
    QJsonObject first = list[0].toObject();
    first.insert("result", QString::fromLatin1(word));
    list[0] = first;
    changed.insert("items", list);
    EXPECT_FALSE(WalkTestResult::fromJson(changed)) << word;
  }
}

TEST(WalkTestRun, aTestStartedBeforeTheFirstStatusTakesNoReadingFromTheEmptyModel) {
  // Identified and read, but not yet polled: the link reads before it polls.
  BarrierModel model;
  model.versionInfo.assign(8, 0);
  model.beamCount = 2;
  model.deviceConfig = configWithBeams(2);
  LinkState state;
  qint64 now = T0;
  WalkTestRun run(model, state, [&] { return now; });
  std::vector<std::size_t> passes;
  run.onPass = [&](std::size_t item) { passes.push_back(item); };
  std::optional<WalkTestResult> finished;
  run.onFinished = [&](const WalkTestResult& result) { finished = result; };
  run.start();
  ASSERT_EQ(run.phase(), WalkTestRun::Phase::Running);

  model.status = with(&BarrierStatus::beamsAlert, beamBit(2));
  now += 100;
  run.statusChanged(model.status, {});
  model.status = quiet();
  now += 100;
  run.statusChanged(model.status, {});
  EXPECT_EQ(passes, std::vector<std::size_t>{1});
  EXPECT_EQ(run.test()->result().supplyMin, std::uint8_t(200));

  // A loss between interruption and clear is told, and the beam must be walked again.
  now += 100;
  run.statusChanged(with(&BarrierStatus::beamsAlert, beamBit(1)), {});
  run.barrierLost(LinkLoss::Unplugged);
  now += 100;
  run.statusChanged(quiet(), {});
  EXPECT_EQ(passes.size(), 1u);
  run.finish();
  ASSERT_TRUE(finished);
  EXPECT_FALSE(finished->passed());
  EXPECT_EQ(finished->connectionLosses.size(), 1u);
}

TEST(WalkTestRun, aTestAskedForDuringAReadStartsWithTheConfigurationThatReadBrings) {
  BarrierModel model;
  model.versionInfo.assign(8, 0);
  model.beamCount = 3;
  model.deviceConfig = configWithBeams(3);  // left from before the read
  LinkState state;
  state.readStep = 1;
  WalkTestRun run(model, state, [] { return T0; });
  run.start();
  EXPECT_EQ(run.phase(), WalkTestRun::Phase::WaitingForBarrier);
  EXPECT_FALSE(run.test());

  // The read brings beam 2 switched off.
  model.deviceConfig[BarrierConfig::responseTime(2)] = 0;
  state.readStep = 0;
  run.configurationRead(model.deviceConfig);
  ASSERT_EQ(run.phase(), WalkTestRun::Phase::Running);
  EXPECT_EQ(run.test()->result().items[1].outcome, WalkOutcome::NotTested);
}

TEST(WalkTestRun, theNextItemIsAnnouncedAtTheStartAndAfterEveryStatusThatBroughtAPass) {
  BarrierModel model;
  model.versionInfo.assign(8, 0);
  model.beamCount = 2;
  model.deviceConfig = configWithBeams(2);
  LinkState state;
  qint64 now = T0;
  WalkTestRun run(model, state, [&] { return now; });
  std::vector<std::size_t> next;
  run.onNext = [&](std::size_t item) { next.push_back(item); };
  run.start();
  EXPECT_EQ(next, std::vector<std::size_t>{0});

  const auto status = [&](const BarrierStatus& s) {
    now += 100;
    run.statusChanged(s, {});
  };
  status(with(&BarrierStatus::beamsAlert, beamBit(2)));
  EXPECT_EQ(next.size(), 1u) << "nothing passed, nothing announced";
  status(quiet());  // beam 2 passes; beam 1 is still first in line
  EXPECT_EQ(next, (std::vector<std::size_t>{0, 0}));
  status(with(&BarrierStatus::beamsAlert, beamBit(1)));
  status(quiet());  // beam 1 passes: the transmitter's contact is next
  EXPECT_EQ(next, (std::vector<std::size_t>{0, 0, 2}));
  for (std::uint8_t flag :
       {statusflag::TransmitterTamper, statusflag::ReceiverTamper, statusflag::AlarmOutput, statusflag::TamperOutput}) {
    status(with(&BarrierStatus::statusFlags, flag));
    status(quiet());
  }
  EXPECT_EQ(next, (std::vector<std::size_t>{0, 0, 2, 3, 4, 5})) << "nothing left after the last pass";
  EXPECT_EQ(run.phase(), WalkTestRun::Phase::Finished);
}
