#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "link/Frame.h"
#include "link/PauseTimer.h"
#include "tests/link/LinkRig.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

std::vector<int> commands(const std::vector<Bytes>& frames) {
  std::vector<int> out;
  for (const auto& f : frames) out.push_back(f[3]);
  return out;
}

// A notice as the rig's barrier (the simulator's defaults: serial number 0) is named in it.
QString aboutTheBarrier(const QString& text) {
  return uiText(UiTexts::txtNoticeAbout).arg(QStringLiteral("Bariera nr 0"), QStringLiteral("ttyUSB0"), text);
}

// Unplugged and back: identified at the first tick, then read.
void reconnect(LinkRig& rig) {
  rig.link.onDeviceLost();
  rig.tick();
  rig.next();
  rig.next();
}

}  // namespace

TEST(Cycle, FirstTickOpensThePortAndAsksForTheVersion) {
  LinkRig rig;
  rig.link.cycleStep();
  EXPECT_TRUE(rig.line.isOpenNow);
  EXPECT_EQ(rig.view.portStatus, "ttyUSB0 opened");
  EXPECT_EQ(rig.view.identText, QStringLiteral(" Brak połączenia."));
  EXPECT_EQ(rig.view.identColour, colors::Silver);
  EXPECT_EQ(rig.view.identBackground, colors::Grey);
  EXPECT_EQ(rig.view.gaugeProgress, 0);
  EXPECT_EQ(rig.view.gaugeForeground, colors::Yellow);
  EXPECT_EQ(commands(rig.line.written), std::vector<int>{frame::CmdVersion});
}

// Each answered reply is followed by the next request: the line is never
// idle while a barrier is identified, so a moved cable always costs a reply.
TEST(Cycle, ConnectsReadsTheConfigurationThenPollsContinuously) {
  LinkRig rig;
  rig.line.sim.config()[16] = 30;
  rig.line.sim.config()[1] = 5;
  rig.tick();  // version
  EXPECT_EQ(rig.view.identText, " ORVITA 8 v.1.05    2021-07-14");
  EXPECT_EQ(rig.view.identColour, colors::Yellow);
  EXPECT_EQ(rig.view.identBackground, colors::Green);
  for (int i = 0; i < 8; ++i) rig.next();  // data2, data, then the status poll
  EXPECT_EQ(commands(rig.line.written), (std::vector<int>{0, 5, 1, 3, 3, 3, 3, 3, 3}));
  EXPECT_EQ(rig.model.editConfig[16], 30);
  EXPECT_EQ(rig.model.deviceConfig[1], 5);
  EXPECT_EQ(rig.state.readStep, 0);
  EXPECT_EQ(rig.view.restarts, 9) << "every request restarts the cycle timer";
}

TEST(Cycle, PendingWorkGoesResetFirstThenReadThenSendThenTheReadBack) {
  LinkRig rig;
  rig.connect();
  rig.link.sendCommand(true);
  rig.link.readCommand(true);
  rig.link.resetCommand(true);
  for (int i = 0; i < 8; ++i) rig.next();
  EXPECT_EQ(commands(rig.line.written), (std::vector<int>{6, 5, 1, 4, 2, 5, 1, 3}));
  EXPECT_EQ(rig.state.readStep, 0);
  EXPECT_EQ(rig.state.writeStep, 0);
  EXPECT_FALSE(rig.state.resetPending);

  // But nothing that changes a barrier goes out before its first read has
  // shown which barrier it is.
  rig.link.onDeviceLost();
  rig.line.written.clear();
  rig.tick();  // identified
  rig.link.resetCommand(false);
  rig.link.sendCommand(false);
  for (int i = 0; i < 5; ++i) rig.next();
  EXPECT_EQ(commands(rig.line.written), (std::vector<int>{0, 5, 1, 6, 4, 2}));
}

TEST(Cycle, AStatusReplyRunsThePendingSequenceInsteadOfPolling) {
  LinkRig rig;
  rig.connect();
  rig.next();  // status
  rig.link.readCommand(false);
  rig.runContinuation();
  EXPECT_EQ(rig.LastCommand(), frame::CmdData2);
}

TEST(Cycle, ASendWritesExactlyTheEditedBytes) {
  LinkRig rig;
  rig.connect();
  auto& c = rig.model.editConfig;
  for (std::size_t i = 0; i < 32; ++i) c[i] = std::uint8_t(0x40 + i);
  rig.link.sendCommand(false);
  rig.next();
  rig.next();
  const auto& config = rig.line.sim.config();
  for (std::size_t i = 0; i <= 11; ++i) EXPECT_EQ(config[i], 0x40 + i) << i;
  for (std::size_t i = 16; i <= 24; ++i) EXPECT_EQ(config[i], 0x40 + i) << i;
  EXPECT_EQ(config[12], 0);  // reserved bytes are never sent
  EXPECT_EQ(config[25], 0);
}

TEST(Cycle, ASendIsDoneOnlyWhenTheReadBackShowsTheBarrierHoldsIt) {
  LinkRig rig;
  rig.line.sim.setDataReplySize(8);  // its data reply ends before index 8
  rig.connect();
  auto& c = rig.model.editConfig;
  c[BarrierConfig::MaxCoveredTime] = 9;
  c[BarrierConfig::AutoBlockTime] = 20;
  c[BarrierConfig::autoBlockCount(1)] = 4;
  c[BarrierConfig::autoBlockCount(2)] = 4;
  rig.link.sendCommand(false);
  rig.next();
  rig.next();
  rig.line.sim.config()[BarrierConfig::autoBlockCount(1)] = 0;  // the barrier did not keep them
  rig.line.sim.config()[BarrierConfig::autoBlockCount(2)] = 0;
  rig.next();
  rig.next();
  EXPECT_EQ(commands(rig.line.written), (std::vector<int>{4, 2, 5, 1}));
  EXPECT_EQ(rig.state.readStep, 0);
  EXPECT_FALSE(rig.model.changed(BarrierConfig::AutoBlockTime));
  EXPECT_TRUE(rig.model.changed(BarrierConfig::autoBlockCount(1)));
  EXPECT_EQ(c[BarrierConfig::autoBlockCount(1)], 4) << "what was sent stays, to be sent again";
  // Without a serial number to name it by, the barrier is named by its model.
  // Two lines of the notice bar hold the first of the fields.
  EXPECT_EQ(rig.view.notice, uiText(UiTexts::txtNoticeAbout)
                                 .arg(QStringLiteral("ORVITA 8 v.1.05 2021-07-14"), QStringLiteral("ttyUSB0"),
                                      QString(uiText(UiTexts::txtWriteNotConfirmed))
                                          .replace(QStringLiteral("%1."), QStringLiteral("%1"))
                                          .arg(QStringLiteral("Czułość wiązki 8, Numer seryjny nadajnika…"))));
  EXPECT_LE(rig.view.notice.size(), NoticeLength);
}

TEST(Cycle, AConfirmationLeftFromAnEarlierRequestCompletesNothingOfTheNextSend) {
  LinkRig rig;
  rig.connect();
  // The reply to a write2 retried before this send, still on its way.
  const Bytes late =
      rig.line.sim.receive(buildFrame(frame::CmdWrite2, std::span(rig.line.sim.config()).subspan(16, 9)));
  rig.model.editConfig[BarrierConfig::autoBlockCount(4)] = 11;
  rig.link.sendCommand(false);
  rig.arrive(late);
  for (int step = 0; step < 4; ++step) rig.next();
  EXPECT_EQ(commands(rig.line.written), (std::vector<int>{4, 2, 5, 1}));
  EXPECT_EQ(rig.line.sim.config()[BarrierConfig::autoBlockCount(4)], 11);
  EXPECT_FALSE(rig.model.changed(BarrierConfig::autoBlockCount(4)));
  EXPECT_TRUE(rig.view.notice.isEmpty());
}

// A reply gone missing may mean another barrier on the line: before the
// request goes out again, the version is asked.
TEST(Cycle, ASilentBarrierIsAskedForItsVersionThenLost) {
  LinkRig rig;
  rig.connect();
  rig.link.readCommand(false);
  rig.line.sim.setSilent(true);
  rig.next();  // data2, unanswered
  std::vector<int> sent;
  std::vector<QString> labels;
  for (int tick = 1; tick <= 8; ++tick) {
    const std::size_t before = rig.line.written.size();
    rig.tick();
    sent.push_back(rig.line.written.size() > before ? rig.LastCommand() : -1);
    labels.push_back(rig.view.identText);
  }
  EXPECT_EQ(sent, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(rig.logLines().contains("TIMR, buf: "));
  EXPECT_EQ(labels[5], " ORVITA 8 v.1.05    2021-07-14");  // tick 6 refreshes before it forgets
  EXPECT_EQ(labels[6], QStringLiteral(" Brak połączenia."));
  EXPECT_TRUE(rig.model.versionInfo.empty());

  rig.line.sim.setSilent(false);
  rig.tick();
  EXPECT_EQ(rig.state.linkCounter, 10);
  EXPECT_EQ(rig.state.readStep, 2);
  EXPECT_FALSE(rig.model.versionInfo.empty());
}

// The notice names only what the barrier does not hold, and the barrier by
// its serial number and port; a later send that is confirmed says so.
TEST(Cycle, AnInterruptedSendIsNotResumedAndTheReconnectionReadTellsWhatTheBarrierHolds) {
  const auto notDone = [](const char* fields) { return aboutTheBarrier(uiText(UiTexts::txtWriteNotDone).arg(fields)); };
  {  // asked for while the barrier was lost: the edit stays, highlighted
    LinkRig rig;
    rig.connect();
    rig.line.sim.setSilent(true);
    rig.next();
    for (int tick = 0; tick < 7; ++tick) rig.tick();
    rig.model.editConfig[BarrierConfig::AutoBlockTime] = 99;
    rig.link.sendCommand(false);
    rig.line.sim.setSilent(false);
    rig.line.written.clear();
    rig.tick();
    for (int step = 0; step < 3; ++step) rig.next();
    EXPECT_EQ(commands(rig.line.written), (std::vector<int>{0, 5, 1, 3}));
    EXPECT_EQ(rig.state.writeStep, 0);
    EXPECT_EQ(rig.view.notice, notDone("Czas zliczania autoblokowania"));
    EXPECT_TRUE(rig.logLines().contains(uiText(UiTexts::txtWriteNotDone).arg("Czas zliczania autoblokowania")));
    EXPECT_EQ(rig.model.editConfig[BarrierConfig::AutoBlockTime], 99);
    EXPECT_TRUE(rig.model.changed(BarrierConfig::AutoBlockTime));
    // A late second answer to one of the repeated version requests: no
    // second read to take the notice away, only the check.
    rig.arrive(buildFrame(frame::CmdVersion, rig.model.versionInfo));
    EXPECT_EQ(rig.state.readStep, 0);
    EXPECT_EQ(rig.view.notice, notDone("Czas zliczania autoblokowania"));
  }
  {  // asked for between the version request and its reply
    LinkRig rig;
    rig.link.cycleStep();
    rig.model.editConfig[BarrierConfig::AutoBlockTime] = 99;
    rig.link.sendCommand(false);
    rig.deliver();
    for (int step = 0; step < 3; ++step) rig.next();
    EXPECT_EQ(commands(rig.line.written), (std::vector<int>{0, 5, 1, 3}));
    EXPECT_EQ(rig.view.notice, notDone("Czas zliczania autoblokowania"));
  }
  {  // pending when the adapter was pulled, the editors holding zeros; the barrier changed meanwhile
    LinkRig rig;
    rig.connect();
    rig.link.sendCommand(false);
    rig.next();  // write2
    rig.link.onDeviceLost();
    rig.line.sim.config()[1] = 5;
    rig.line.written.clear();
    rig.tick();
    for (int step = 0; step < 3; ++step) rig.next();
    EXPECT_EQ(commands(rig.line.written), (std::vector<int>{0, 5, 1, 3}));
    EXPECT_EQ(rig.model.editConfig[1], 0) << "the send's bytes wait to be sent again";
    EXPECT_TRUE(rig.model.changed(1));
    EXPECT_EQ(rig.view.notice, notDone("Czułość wiązki 1"));
  }
  {  // a configuration the barrier had, sent whole, interrupted after the block from index 16
    LinkRig rig;
    rig.connect();
    rig.model.editConfig[1] = 7;
    rig.model.editConfig[BarrierConfig::AutoBlockTime] = 30;
    rig.model.deviceConfig = rig.model.editConfig;
    rig.link.sendCommand(false);
    rig.next();  // write2
    rig.link.onDeviceLost();
    rig.tick();
    rig.next();
    rig.next();
    EXPECT_EQ(rig.model.editConfig[1], 7);
    EXPECT_TRUE(rig.model.changed(1));
    EXPECT_EQ(rig.view.notice, notDone("Czułość wiązki 1"));
  }
  {  // only the serial number differed; pulled after the block from index 16
     // was confirmed; sending again completes it, and says so
    LinkRig rig;
    rig.connect();
    rig.model.editConfig[BarrierConfig::SerialLow] = 7;
    rig.model.editConfig[BarrierConfig::AutoBlockTime] = 30;
    rig.link.sendCommand(true);
    rig.next();  // write2
    ASSERT_EQ(rig.state.writeStep, 1);
    rig.link.onDeviceLost();
    rig.line.written.clear();
    rig.tick();
    for (int step = 0; step < 3; ++step) rig.next();
    EXPECT_EQ(commands(rig.line.written), (std::vector<int>{0, 5, 1, 3}));
    EXPECT_EQ(rig.view.notice, notDone("Numer seryjny nadajnika"));
    EXPECT_EQ(rig.model.editConfig[BarrierConfig::SerialLow], 7);
    EXPECT_TRUE(rig.model.changed(BarrierConfig::SerialLow));
    EXPECT_FALSE(rig.model.changed(BarrierConfig::AutoBlockTime));
    rig.link.sendCommand(false);
    for (int step = 0; step < 4; ++step) rig.next();
    EXPECT_EQ(rig.line.sim.config()[BarrierConfig::SerialLow], 7);
    EXPECT_EQ(rig.view.notice,
              uiText(UiTexts::txtNoticeAbout)
                  .arg(QStringLiteral("Bariera nr 7"), QStringLiteral("ttyUSB0"), uiText(UiTexts::txtWriteCompleted)));
    rig.link.sendCommand(false);
    for (int step = 0; step < 4; ++step) rig.next();
    EXPECT_TRUE(rig.view.notice.isEmpty()) << "said once";
  }
  {  // six lost replies: lost; the barrier took the block from index 16 though its confirmation was lost
    LinkRig rig;
    rig.connect();
    rig.model.editConfig[1] = 7;
    rig.model.editConfig[BarrierConfig::AutoBlockTime] = 30;
    rig.line.sim.dropReplies(6);
    rig.link.sendCommand(false);
    rig.next();
    for (int tick = 0; tick < 6; ++tick) rig.tick();
    for (int step = 0; step < 3; ++step) rig.next();
    EXPECT_EQ(rig.line.sim.config()[BarrierConfig::AutoBlockTime], 30);
    EXPECT_EQ(rig.view.notice, notDone("Czułość wiązki 1"));
    EXPECT_EQ(rig.model.editConfig[1], 7);
  }
  {  // four lost replies: the barrier answers the version at the fourth tick,
     // shows it is the same one, and the send goes on
    LinkRig rig;
    rig.connect();
    rig.model.editConfig[1] = 7;
    rig.line.sim.dropReplies(4);
    rig.link.sendCommand(false);
    rig.next();
    for (int tick = 0; tick < 4; ++tick) rig.tick();
    rig.line.written.clear();
    for (int step = 0; step < 6; ++step) rig.next();
    EXPECT_EQ(commands(rig.line.written), (std::vector<int>{1, 4, 2, 5, 1, 3}));
    EXPECT_EQ(rig.line.sim.config()[1], 7);
    EXPECT_EQ(rig.state.writeStep, 0);
    EXPECT_TRUE(rig.view.notice.isEmpty());
  }
  {  // asked for while connected and confirmed: carries the edits, no notice
    LinkRig rig;
    rig.connect();
    rig.model.editConfig[1] = 7;
    rig.link.sendCommand(true);
    for (int step = 0; step < 4; ++step) rig.next();
    EXPECT_EQ(rig.line.sim.config()[1], 7);
    EXPECT_TRUE(rig.view.notice.isEmpty());
  }
}

TEST(Cycle, AReconnectionReadKeepsUnsentEditsAndSaysSoOnlyWhenThereAreSome) {
  LinkRig rig;
  rig.connect();
  EXPECT_TRUE(rig.view.notice.isEmpty()) << "the first read replaces nothing the user had";
  // The barrier's configuration changed meanwhile, nothing edited: nothing to say.
  rig.line.sim.config()[BarrierConfig::MaxCoveredTime] = 42;
  reconnect(rig);
  EXPECT_TRUE(rig.view.notice.isEmpty());
  EXPECT_EQ(rig.model.editConfig[BarrierConfig::MaxCoveredTime], 42);

  // An edit not sent yet stays, against the barrier's value.
  rig.model.editConfig[BarrierConfig::MaxCoveredTime] = 5;
  rig.line.sim.config()[BarrierConfig::MaxCoveredTime] = 43;
  reconnect(rig);
  EXPECT_EQ(rig.model.editConfig[BarrierConfig::MaxCoveredTime], 5);
  EXPECT_EQ(rig.model.deviceConfig[BarrierConfig::MaxCoveredTime], 43);
  EXPECT_EQ(rig.view.notice, aboutTheBarrier(uiText(UiTexts::txtEditsKept)));
}

TEST(Cycle, AResetPendingWhenTheBarrierIsLostIsDroppedAndReportedUntilACleanReconnection) {
  LinkRig rig;
  rig.connect();
  rig.link.resetCommand(true);
  rig.link.onDeviceLost();
  const QString dropped = aboutTheBarrier(uiText(UiTexts::txtResetNotDone));
  EXPECT_FALSE(rig.state.resetPending);
  EXPECT_TRUE(rig.view.resetEnabled);
  EXPECT_EQ(rig.view.notice, dropped);
  rig.line.written.clear();
  rig.tick();
  rig.next();
  rig.next();
  EXPECT_EQ(commands(rig.line.written), (std::vector<int>{0, 5, 1}));
  EXPECT_EQ(rig.view.notice, dropped) << "still true after the barrier was read again";
  reconnect(rig);
  EXPECT_TRUE(rig.view.notice.isEmpty());

  // Asked for while no barrier is identified: refused at once.
  rig.link.onDeviceLost();
  rig.link.resetCommand(true);
  EXPECT_FALSE(rig.state.resetPending);
  EXPECT_EQ(rig.view.notice, uiText(UiTexts::txtResetNoBarrier));
}

TEST(Cycle, AnUnpluggedAdapterIsALostBarrierAtOnce) {
  LinkRig rig;
  rig.connect();
  rig.line.sim.status()[3] = 0x05;  // beams 1 and 3 in alert
  rig.line.sim.status()[7] = 0x02;  // beam 2 in the block memory
  rig.next();
  ASSERT_EQ(rig.model.status.beamsAlert, 0x05);
  const int beeps = rig.view.beeps;
  rig.arrive({0xFF, 0xFF, 0x0B, 0x03, 0x00});  // a reply cut off by the unplug
  rig.line.isOpenNow = false;                  // the port closed itself
  rig.link.onDeviceLost();
  EXPECT_TRUE(rig.model.versionInfo.empty());
  EXPECT_EQ(rig.state.rxBuffer.size(), 0u);
  EXPECT_EQ(rig.model.status.beamsAlert, 0) << "the live status goes with the barrier";
  EXPECT_EQ(rig.model.status.beamsBlockMemory, 0);
  EXPECT_EQ(rig.view.identText, QStringLiteral(" Brak połączenia."));
  EXPECT_EQ(rig.view.identBackground, colors::Grey);
  EXPECT_GT(rig.view.beeps, beeps) << "the beeper is told while not connected";

  // Reopened: identified and read before any status request or write.
  rig.link.sendCommand(false);
  rig.line.written.clear();
  rig.tick();
  EXPECT_EQ(commands(rig.line.written), std::vector<int>{frame::CmdVersion});
  EXPECT_FALSE(rig.model.versionInfo.empty());
}

// A reply so late that the tick comes while it is arriving is let in, not
// asked for again: two requests out at once would each start a status chain.
// What it says is not taken: a reply that late may come from another barrier,
// which the version and the serial number asked next tell.
TEST(Cycle, ATickDuringALateReplyWaitsForItAndOneChainGoesOn) {
  LinkRig rig;
  rig.connect();
  rig.line.sim.setStatusSize(SimBarrier::StatusSizeLong);
  rig.line.sim.status()[3] = 0x01;
  rig.runContinuation();  // the status request
  rig.line.written.clear();
  rig.deliverPiece();  // its header is in, the rest is on its way
  rig.link.cycleStep();
  EXPECT_TRUE(rig.line.written.empty()) << "a second request while the reply comes in";
  rig.deliverInPieces();
  EXPECT_EQ(rig.view.scheduled, 1);
  EXPECT_TRUE(rig.line.written.empty()) << "the tick's retry is not needed any more";
  EXPECT_EQ(rig.model.status.beamsAlert, 0) << "a late reply's status is not taken";

  // A reply that comes after the tick has asked again answers that request;
  // the retry's own answer then finds nothing awaited and starts nothing.
  rig.runContinuation();  // the version, for the check
  const Bytes late(rig.line.input.begin(), rig.line.input.end());
  rig.line.input.clear();
  rig.link.cycleStep();  // the retry, whose answer comes behind the late one
  rig.line.input.insert(rig.line.input.begin(), late.begin(), late.end());
  rig.line.written.clear();
  rig.deliverInPieces();
  for (int step = 0; step < 2; ++step) {
    rig.runContinuation();
    rig.deliverInPieces();
  }
  EXPECT_EQ(rig.view.scheduled, 1) << "one chain";
  EXPECT_EQ(commands(rig.line.written), (std::vector<int>{frame::CmdData, frame::CmdStatus}));
  EXPECT_EQ(rig.model.status.beamsAlert, 0x01) << "the same barrier, trusted again";
}

// The second copy of a doubled reply is coming in when the pause ends: the
// next request waits for it, and it starts nothing of its own.
TEST(Cycle, ADoubledReplyStartsNoSecondChain) {
  LinkRig rig;
  rig.connect();
  rig.runContinuation();  // the status request
  const Bytes reply(rig.line.input.begin(), rig.line.input.end());
  rig.line.input.insert(rig.line.input.end(), reply.begin(), reply.end());
  rig.line.written.clear();
  rig.deliverPiece();
  rig.deliverPiece();  // the first copy
  EXPECT_EQ(rig.view.scheduled, 1);
  rig.deliverPiece();  // the second copy's header
  rig.runContinuation();
  EXPECT_TRUE(rig.line.written.empty()) << "a request crossing the second copy";
  rig.deliverPiece();
  EXPECT_EQ(commands(rig.line.written), std::vector<int>{frame::CmdStatus}) << "sent once the copy is in";
  EXPECT_EQ(rig.view.scheduled, 0);
  rig.deliverInPieces();
  EXPECT_EQ(rig.view.scheduled, 1);
  EXPECT_EQ(commands(rig.line.written), std::vector<int>{frame::CmdStatus});
}

// A frame cut off for good holds nothing up: once the line has gone quiet on
// it, the tick asks again.
TEST(Cycle, ACutReplyDoesNotHoldTheRetryBack) {
  LinkRig rig;
  rig.connect();
  rig.line.sim.cutReplies(1);
  rig.runContinuation();  // the status request
  rig.line.written.clear();
  rig.deliverInPieces();  // the header, then what there is of the rest
  rig.link.cycleStep();
  EXPECT_EQ(commands(rig.line.written), std::vector<int>{frame::CmdVersion});
}

TEST(Cycle, TheFirstStatusAfterAReconnectionRecomputesTheBeeperWithUnchangedAlertBits) {
  LinkRig rig;
  rig.connect();
  rig.line.sim.status()[3] = 0x01;
  rig.next();
  rig.next();
  const int beeps = rig.view.beeps;
  rig.next();
  EXPECT_EQ(rig.view.beeps, beeps) << "an unchanged status leaves the beeper alone";
  reconnect(rig);
  const int afterRead = rig.view.beeps;
  rig.next();  // status, alert bits as before the loss
  EXPECT_EQ(rig.view.beeps, afterRead + 1);
}

// While polling rests the cable may move: the version and the serial number
// come before anything else.
TEST(Cycle, AStopTickedCyclePausesAndResumesWithTheCheck) {
  LinkRig rig;
  rig.connect();
  rig.view.portStatus.clear();
  rig.view.stop = true;
  rig.link.readCommand(false);
  rig.runContinuation();
  rig.tick();
  EXPECT_TRUE(rig.line.written.empty());
  EXPECT_TRUE(rig.view.portStatus.isEmpty());
  rig.view.stop = false;
  rig.tick();
  rig.next();
  rig.next();
  EXPECT_EQ(commands(rig.line.written), (std::vector<int>{frame::CmdVersion, frame::CmdData, frame::CmdData2}));
}

TEST(Cycle, NothingIsOpenedOrSentWhileThePortDialogShows) {
  LinkRig rig;
  rig.connect();
  rig.link.portSettingsCommand();
  EXPECT_FALSE(rig.line.isOpenNow);
  EXPECT_EQ(rig.view.identText, QStringLiteral(" Brak połączenia."));
  rig.view.dialog = true;
  const int opens = rig.line.opens;
  rig.tick();
  EXPECT_EQ(rig.line.opens, opens);
  EXPECT_EQ(rig.view.portStatus, "ttyUSB0 closed");
  EXPECT_EQ(rig.view.gaugeForeground, colors::Grey);
  EXPECT_TRUE(rig.line.written.empty());
  // Closed again: the port reopens, and the high counter first runs down.
  rig.view.dialog = false;
  std::vector<int> sent;
  for (int tick = 0; tick < 5; ++tick) {
    const std::size_t before = rig.line.written.size();
    rig.link.cycleStep();
    sent.push_back(rig.line.written.size() > before ? rig.LastCommand() : -1);
    rig.line.input.clear();
  }
  EXPECT_TRUE(rig.line.isOpenNow);
  EXPECT_EQ(sent, (std::vector<int>{-1, -1, -1, -1, 0}));
}

TEST(Cycle, APortThatCannotOpenIsRetriedEveryTickAndShownClosed) {
  LinkRig rig;
  rig.line.openable = false;
  rig.link.cycleStep();
  rig.link.cycleStep();
  EXPECT_EQ(rig.line.opens, 2);
  EXPECT_EQ(rig.view.portStatus, "ttyUSB0 closed");
  EXPECT_EQ(rig.view.gaugeForeground, colors::Grey);
  EXPECT_EQ(rig.view.gaugeBackground, colors::Grey);
  EXPECT_TRUE(rig.line.written.empty());
}

// Its serial number never known, its read starts again after each version
// reply; nothing pending for it goes out meanwhile.
TEST(Cycle, ADeviceThatOnlyAnswersTheVersionIsAskedForItAtEveryTick) {
  LinkRig rig;
  rig.tick();  // version answered
  rig.line.sim.setSilent(true);
  rig.next();  // data2, unanswered
  rig.link.resetCommand(false);
  std::vector<int> sent;
  for (int tick = 0; tick < 5; ++tick) {
    rig.tick();
    sent.push_back(rig.LastCommand());
  }
  EXPECT_EQ(sent, (std::vector<int>{0, 0, 0, 0, 0}));
  rig.line.sim.setSilent(false);
  rig.link.askVersion();
  rig.deliver();
  EXPECT_EQ(rig.state.linkCounter, 10);
  EXPECT_EQ(rig.state.readStep, 2);
  EXPECT_FALSE(rig.state.resetPending) << "asked before the barrier was known: dropped, and told";
  EXPECT_EQ(rig.view.notice, uiText(UiTexts::txtNoticeAbout)
                                 .arg(QStringLiteral("ORVITA 8 v.1.05 2021-07-14"), QStringLiteral("ttyUSB0"),
                                      uiText(UiTexts::txtResetNotDone)));
}

TEST(Commands, ToolbarFormsSetTheButtonsAndMenuFormsLeaveThem) {
  LinkRig rig;
  rig.link.readCommand(false);
  EXPECT_EQ(rig.state.readStep, 2);
  EXPECT_TRUE(rig.view.readEnabled);
  rig.link.readCommand(true);
  EXPECT_FALSE(rig.view.readEnabled);
  EXPECT_TRUE(rig.view.sendEnabled);
  rig.link.sendCommand(true);
  EXPECT_EQ(rig.state.writeStep, 2);
  EXPECT_FALSE(rig.view.sendEnabled);
  EXPECT_FALSE(rig.view.readEnabled);  // readStep still 2
  rig.model.versionInfo.assign(SimBarrier::DefaultVersion.begin(), SimBarrier::DefaultVersion.end());
  rig.link.resetCommand(false);
  EXPECT_TRUE(rig.state.resetPending);
  EXPECT_TRUE(rig.view.resetEnabled);
}

// A tick then always means a whole second without a request.
TEST(Commands, EveryRequestRestartsTheCycleTimer) {
  LinkRig rig;
  rig.connect();
  const int before = rig.view.restarts;
  rig.link.resetCommand(false);
  rig.next();  // askReset
  EXPECT_EQ(rig.view.restarts, before + 1);
  rig.next();  // askStatus
  EXPECT_EQ(rig.view.restarts, before + 2);
  rig.link.askVersion();
  EXPECT_EQ(rig.view.restarts, before + 3);
}

// The pause after a status reply: one continuation at most, never early.
TEST(StatusPause, FiresOnceAfterItsDelayARestartReplacesThePendingCallAndStopCancelsIt) {
  int argc = 1;
  char name[] = "link_tests";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  const auto runFor = [](int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
  };
  QElapsedTimer clock;
  std::vector<qint64> calls;
  PauseTimer pause([&] { calls.push_back(clock.nsecsElapsed()); });
  clock.start();
  pause.start(std::chrono::milliseconds(40));
  pause.start(std::chrono::milliseconds(10));
  EXPECT_TRUE(pause.isActive());
  runFor(100);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_GE(calls[0], 10'000'000);
  EXPECT_FALSE(pause.isActive());

  pause.start(std::chrono::milliseconds(10));
  pause.stop();
  runFor(50);
  EXPECT_EQ(calls.size(), 1u);
}

// A second copy of the version reply, in front of a status reply: no read,
// the chain goes on, and its next request is the check.
TEST(Cycle, AStrayVersionReplyBeforeAStatusReplyStartsNoReadAndKeepsTheContinuation) {
  LinkRig rig;
  rig.connect();
  rig.runContinuation();  // the status request, its reply on the line
  const Bytes stray = buildFrame(frame::CmdVersion, rig.model.versionInfo);
  rig.line.input.insert(rig.line.input.begin(), stray.begin(), stray.end());
  rig.deliver();
  EXPECT_EQ(rig.state.readStep, 0);
  EXPECT_EQ(rig.view.scheduled, 1);
  for (int step = 0; step < 3; ++step) rig.next();
  EXPECT_EQ(commands(rig.line.written), (std::vector<int>{3, 0, 1, 3}));
  EXPECT_EQ(rig.state.readStep, 0);
  EXPECT_TRUE(rig.view.notice.isEmpty());
}

// The filter starts from the last barrier's supply: the first 15 replies
// after a reconnection say nothing of the supply.
TEST(Cycle, NoSupplyTextInTheFirstFifteenRepliesAfterAReconnection) {
  struct Supply : LinkObserver {
    int told = 0;
    void supplyTextChanged(const QString&) override { ++told; }
  } supply;
  LinkRig rig;
  rig.link.addObserver(&supply);
  rig.connect();
  for (int step = 0; step < 20; ++step) rig.next();
  EXPECT_EQ(supply.told, 1);
  reconnect(rig);
  supply.told = 0;
  for (int step = 0; step < 15; ++step) rig.next();
  EXPECT_EQ(supply.told, 0);
  rig.next();
  EXPECT_EQ(supply.told, 1);
}

// A file opened before any barrier was read (named on the command line) is
// what the user means to send: the first read fills what the barrier holds
// and leaves the file in the editors, its differing values highlighted.
TEST(Cycle, AFileOpenedBeforeAnyReadStaysInTheEditorsAsUnsentEdits) {
  LinkRig rig;
  rig.line.sim.config()[BarrierConfig::AutoBlockTime] = 30;
  rig.line.sim.config()[1] = 5;
  BarrierConfig file;
  file[1] = 5;
  file[BarrierConfig::MaxCoveredTime] = 25;
  file[BarrierConfig::AutoBlockTime] = 0;  // what the barrier holds is not taken for it
  file[BarrierConfig::BeamCount] = 6;
  rig.model.editConfig = file;
  rig.link.configurationLoaded();
  rig.connect();
  EXPECT_EQ(rig.model.editConfig, file);
  EXPECT_EQ(rig.model.deviceConfig[BarrierConfig::AutoBlockTime], 30);
  EXPECT_TRUE(rig.model.changed(BarrierConfig::AutoBlockTime));
  EXPECT_TRUE(rig.model.changed(BarrierConfig::BeamCount));
  EXPECT_FALSE(rig.model.changed(1));
  EXPECT_TRUE(rig.view.notice.isEmpty());

  // Opened once the barrier is read: only what differs is unsent, and a
  // reconnection keeps just that.
  rig.model.editConfig = rig.model.deviceConfig;
  rig.model.editConfig[BarrierConfig::MaxCoveredTime] = 40;
  rig.link.configurationLoaded();
  rig.line.sim.config()[BarrierConfig::AutoBlockTime] = 31;
  reconnect(rig);
  EXPECT_EQ(rig.model.editConfig[BarrierConfig::MaxCoveredTime], 40);
  EXPECT_EQ(rig.model.editConfig[BarrierConfig::AutoBlockTime], 31);

  // Opened while no barrier answers: for whichever comes next, not set aside.
  rig.link.onDeviceLost();
  rig.model.editConfig = file;
  rig.link.configurationLoaded();
  rig.line.sim.setBeamCount(4);
  rig.tick();
  rig.next();
  rig.next();
  EXPECT_EQ(rig.model.editConfig, file);
  EXPECT_FALSE(rig.link.hasSetAsideEdits());
  EXPECT_EQ(rig.model.deviceConfig[BarrierConfig::BeamCount], 4);
}
