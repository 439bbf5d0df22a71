#include "Frame.h"
#include "LinkRig.h"

#include <gtest/gtest.h>

using Bytes = std::vector<std::uint8_t>;

namespace {

std::vector<int> Commands(const std::vector<Bytes>& frames) {
  std::vector<int> out;
  for (const auto& f : frames) out.push_back(f[3]);
  return out;
}

}  // namespace

TEST(Cycle, FirstTickOpensThePortAndAsksForTheVersion) {
  LinkRig rig;
  rig.link.CycleStep();
  EXPECT_TRUE(rig.line.open);
  EXPECT_EQ(rig.view.portStatus, "ttyUSB0 opened");
  EXPECT_EQ(rig.view.identText, QStringLiteral(" Brak połączenia."));
  EXPECT_EQ(rig.view.identColour, colors::Silver);
  EXPECT_EQ(rig.view.identBackground, colors::Grey);
  EXPECT_EQ(rig.view.gaugeProgress, 0);
  EXPECT_EQ(rig.view.gaugeForeground, colors::Yellow);
  EXPECT_EQ(Commands(rig.line.written), std::vector<int>{frame::CmdVersion});
}

TEST(Cycle, ConnectsReadsTheConfigurationThenPollsContinuously) {
  LinkRig rig;
  rig.line.sim.Config()[16] = 30;
  rig.line.sim.Config()[1] = 5;
  rig.Tick();  // version
  rig.Tick();  // data2
  EXPECT_EQ(rig.view.identText, " ORVITA 8 v.1.05    2021-07-14");
  EXPECT_EQ(rig.view.identColour, colors::Yellow);
  EXPECT_EQ(rig.view.identBackground, colors::Green);
  rig.Tick();  // data
  rig.Tick();  // status
  for (int i = 0; i < 5; ++i) {
    rig.RunContinuation();
    rig.Deliver();
  }
  EXPECT_EQ(Commands(rig.line.written), (std::vector<int>{0, 5, 1, 3, 3, 3, 3, 3, 3}));
  EXPECT_EQ(rig.model.editConfig[16], 30);
  EXPECT_EQ(rig.model.deviceConfig[1], 5);
  EXPECT_EQ(rig.state.readStep, 0);
  EXPECT_TRUE(rig.LogLines().contains("TIMR, buf: "));
}

TEST(Cycle, PendingWorkGoesResetFirstThenReadThenSend) {
  LinkRig rig;
  rig.Connect();
  rig.link.SendCommand(true);
  rig.link.ReadCommand(true);
  rig.link.ResetCommand(true);
  for (int i = 0; i < 6; ++i) rig.Tick();
  EXPECT_EQ(Commands(rig.line.written), (std::vector<int>{6, 5, 1, 4, 2, 3}));
  EXPECT_EQ(rig.state.readStep, 0);
  EXPECT_EQ(rig.state.writeStep, 0);
  EXPECT_FALSE(rig.state.resetPending);
}

TEST(Cycle, AStatusReplyRunsThePendingSequenceInsteadOfPolling) {
  LinkRig rig;
  rig.Connect();
  rig.Tick();  // status
  rig.link.ReadCommand(false);
  rig.RunContinuation();
  EXPECT_EQ(rig.LastCommand(), frame::CmdData2);
}

TEST(Cycle, ASendWritesExactlyTheEditedBytes) {
  LinkRig rig;
  rig.Connect();
  auto& c = rig.model.editConfig;
  for (std::size_t i = 0; i < 32; ++i) c[i] = std::uint8_t(0x40 + i);
  rig.link.SendCommand(false);
  rig.Tick();
  rig.Tick();
  const auto& config = rig.line.sim.Config();
  for (std::size_t i = 0; i <= 11; ++i) EXPECT_EQ(config[i], 0x40 + i) << i;
  for (std::size_t i = 16; i <= 24; ++i) EXPECT_EQ(config[i], 0x40 + i) << i;
  EXPECT_EQ(config[12], 0);  // reserved bytes are never sent
  EXPECT_EQ(config[25], 0);
  EXPECT_EQ(rig.model.deviceConfig[14], c[14]);  // the confirmation takes the whole block
}

TEST(Cycle, ASilentBarrierIsRetriedThenAskedForItsVersionThenLost) {
  LinkRig rig;
  rig.Connect();
  rig.link.ReadCommand(false);
  rig.line.sim.SetSilent(true);
  std::vector<int> sent;
  std::vector<QString> labels;
  for (int tick = 1; tick <= 8; ++tick) {
    const std::size_t before = rig.line.written.size();
    rig.Tick();
    sent.push_back(rig.line.written.size() > before ? rig.LastCommand() : -1);
    labels.push_back(rig.view.identText);
  }
  EXPECT_EQ(sent, (std::vector<int>{5, 5, 5, 5, 0, 0, 0, 0}));
  EXPECT_EQ(labels[5], " ORVITA 8 v.1.05    2021-07-14");  // tick 6 refreshes before it forgets
  EXPECT_EQ(labels[6], QStringLiteral(" Brak połączenia."));
  EXPECT_TRUE(rig.model.versionInfo.empty());

  rig.line.sim.SetSilent(false);
  rig.Tick();
  EXPECT_EQ(rig.state.linkCounter, 10);
  EXPECT_EQ(rig.state.readStep, 2);
  EXPECT_FALSE(rig.model.versionInfo.empty());
}

TEST(Cycle, PendingWriteSurvivesALostLinkAndFollowsTheReconnectionRead) {
  LinkRig rig;
  rig.Connect();
  rig.line.sim.SetSilent(true);
  for (int tick = 0; tick < 7; ++tick) rig.Tick();
  rig.link.SendCommand(false);
  rig.line.sim.SetSilent(false);
  rig.line.written.clear();
  for (int tick = 0; tick < 5; ++tick) rig.Tick();
  EXPECT_EQ(Commands(rig.line.written), (std::vector<int>{0, 5, 1, 4, 2}));
}

TEST(Cycle, AStopTickedCyclePausesAndResumes) {
  LinkRig rig;
  rig.Connect();
  rig.view.portStatus.clear();
  rig.view.stop = true;
  rig.link.ReadCommand(false);
  rig.Tick();
  EXPECT_TRUE(rig.line.written.empty());
  EXPECT_TRUE(rig.view.portStatus.isEmpty());
  rig.view.stop = false;
  rig.Tick();
  EXPECT_EQ(Commands(rig.line.written), std::vector<int>{frame::CmdData2});
}

TEST(Cycle, NothingIsOpenedOrSentWhileThePortDialogShows) {
  LinkRig rig;
  rig.Connect();
  rig.link.PortSettingsCommand();
  EXPECT_FALSE(rig.line.open);
  EXPECT_EQ(rig.view.identText, QStringLiteral(" Brak połączenia."));
  rig.view.dialog = true;
  const int opens = rig.line.opens;
  rig.Tick();
  EXPECT_EQ(rig.line.opens, opens);
  EXPECT_EQ(rig.view.portStatus, "ttyUSB0 closed");
  EXPECT_EQ(rig.view.gaugeForeground, colors::Grey);
  EXPECT_TRUE(rig.line.written.empty());
  // Closed again: the port reopens, and the high counter first runs down.
  rig.view.dialog = false;
  std::vector<int> sent;
  for (int tick = 0; tick < 5; ++tick) {
    const std::size_t before = rig.line.written.size();
    rig.link.CycleStep();
    sent.push_back(rig.line.written.size() > before ? rig.LastCommand() : -1);
    rig.line.input.clear();
  }
  EXPECT_TRUE(rig.line.open);
  EXPECT_EQ(sent, (std::vector<int>{-1, -1, -1, -1, 0}));
}

TEST(Cycle, APortThatCannotOpenIsRetriedEveryTickAndShownClosed) {
  LinkRig rig;
  rig.line.openable = false;
  rig.link.CycleStep();
  rig.link.CycleStep();
  EXPECT_EQ(rig.line.opens, 2);
  EXPECT_EQ(rig.view.portStatus, "ttyUSB0 closed");
  EXPECT_EQ(rig.view.gaugeForeground, colors::Grey);
  EXPECT_EQ(rig.view.gaugeBackground, colors::Grey);
  EXPECT_TRUE(rig.line.written.empty());
}

TEST(Cycle, ADeviceThatOnlyAnswersTheVersionIsAskedAgainAtTheFifthTick) {
  LinkRig rig;
  rig.Tick();  // version answered
  rig.line.sim.SetSilent(true);
  std::vector<int> sent;
  for (int tick = 0; tick < 5; ++tick) {
    rig.Tick();
    sent.push_back(rig.LastCommand());
  }
  EXPECT_EQ(sent, (std::vector<int>{5, 5, 5, 5, 0}));
  rig.line.sim.SetSilent(false);
  rig.link.Ask_ver();
  rig.Deliver();
  EXPECT_EQ(rig.state.linkCounter, 10);
  EXPECT_EQ(rig.state.readStep, 2);
}

TEST(Commands, ToolbarFormsSetTheButtonsAndMenuFormsLeaveThem) {
  LinkRig rig;
  rig.link.ReadCommand(false);
  EXPECT_EQ(rig.state.readStep, 2);
  EXPECT_TRUE(rig.view.readEnabled);
  rig.link.ReadCommand(true);
  EXPECT_FALSE(rig.view.readEnabled);
  EXPECT_TRUE(rig.view.sendEnabled);
  rig.link.SendCommand(true);
  EXPECT_EQ(rig.state.writeStep, 2);
  EXPECT_FALSE(rig.view.sendEnabled);
  EXPECT_FALSE(rig.view.readEnabled);  // readStep still 2
  rig.link.ResetCommand(false);
  EXPECT_TRUE(rig.state.resetPending);
  EXPECT_TRUE(rig.view.resetEnabled);
}

TEST(Commands, TheRequestRestartsTheCycleTimerExceptVersionAndReset) {
  LinkRig rig;
  rig.Connect();
  const int before = rig.view.restarts;
  rig.link.ResetCommand(false);
  rig.Tick();  // Ask_res
  EXPECT_EQ(rig.view.restarts, before);
  rig.Tick();  // Ask_status
  EXPECT_EQ(rig.view.restarts, before + 1);
}
