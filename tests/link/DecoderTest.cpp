#include <gtest/gtest.h>

#include "link/Frame.h"
#include "tests/link/LinkRig.h"
#include "texts/UiTexts.h"
#include "util/HexText.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

struct DecoderTest : ::testing::Test {
  DecoderTest() {
    rig.line.isOpenNow = true;
    rig.line.sim.setSilent(true);  // replies come from the test alone
    // Identified and read: a status reply counts only from a known barrier.
    rig.model.versionInfo.assign(SimBarrier::DefaultVersion.begin(), SimBarrier::DefaultVersion.end());
    rig.model.beamCount = 8;
  }
  void reply(std::uint8_t command, Bytes payload) { rig.arrive(buildFrame(command, payload)); }
  // A 9-byte status payload with the given bytes set.
  void status(std::initializer_list<std::pair<int, std::uint8_t>> set, std::size_t size = 9) {
    Bytes p(size, 0);
    for (auto [i, v] : set) p[std::size_t(i)] = v;
    rig.link.askStatus();
    reply(frame::CmdStatus, p);
  }
  LinkRig rig;
};

}  // namespace

// The editors take the barrier's beam count with the rest of its read.
TEST_F(DecoderTest, VersionReplyIdentifiesTheBarrierShowsItAndStartsARead) {
  rig.model.versionInfo.clear();
  reply(frame::CmdVersion, {0x04, 0x01, 0x00, 0x05, 0x20, 0x21, 0x07, 0x14});
  EXPECT_EQ(rig.model.versionInfo, (Bytes{0x04, 0x01, 0x00, 0x05, 0x20, 0x21, 0x07, 0x14}));
  EXPECT_EQ(rig.model.beamCount, 6);
  EXPECT_EQ(rig.view.identText, " ORVITA 6 v.1.05    2021-07-14");
  EXPECT_EQ(rig.model.editConfig[31], 0);
  EXPECT_EQ(rig.state.readStep, 2);
  EXPECT_EQ(rig.state.linkCounter, 10);
  EXPECT_EQ(rig.view.refreshes, 0);
  EXPECT_TRUE(rig.logLines().isEmpty());
}

TEST_F(DecoderTest, VersionReplyWithAnImpossibleBeamCountIsTakenAsEight) {
  rig.model.versionInfo.clear();
  reply(frame::CmdVersion, {9, 1, 0, 5, 0x20, 0x21, 7, 0x14});
  EXPECT_EQ(rig.logLines(), QStringList{QStringLiteral("Zła ilość wiązek: 11")});
  EXPECT_EQ(rig.model.beamCount, 8);
  rig.link.onDeviceLost();
  reply(frame::CmdVersion, {0, 1, 0, 5, 0x20, 0x21, 7, 0x14});
  EXPECT_EQ(rig.model.beamCount, 2);
}

TEST_F(DecoderTest, RepliesTooShortToReadAreLoggedAndChangeNothing) {
  rig.model.versionInfo.clear();
  reply(frame::CmdVersion, {6, 1, 0});
  status({{0, 0xFF}}, 8);
  EXPECT_TRUE(rig.model.versionInfo.empty());
  EXPECT_EQ(rig.model.status.beamsAlarm, 0);
  EXPECT_EQ(rig.state.linkCounter, 0);
  EXPECT_EQ(rig.view.scheduled, 0);
  ASSERT_EQ(rig.logLines().size(), 2);
  EXPECT_TRUE(rig.logLines()[0].startsWith(QStringLiteral("Za krótka odpowiedź: 00  buf: FF FF 05 00")));
  EXPECT_TRUE(rig.state.rxBuffer.bytes().empty());
}

// A read fills both copies at its end, so that the editors never show one
// block of a barrier beside another's.
TEST_F(DecoderTest, AReadFillsBothCopiesWhenItEndsSoNothingShowsAsChanged) {
  rig.link.readCommand(false);
  rig.link.askData2();
  reply(frame::CmdData2, {30, 1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(rig.state.readStep, 1);
  EXPECT_EQ(rig.model.editConfig[16], 0);
  EXPECT_EQ(rig.model.deviceConfig[24], 0);
  rig.link.askData();
  reply(frame::CmdData, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0x30, 0x39, 10});
  EXPECT_EQ(rig.state.readStep, 0);
  EXPECT_EQ(rig.model.editConfig[16], 30);
  EXPECT_EQ(rig.model.deviceConfig[24], 8);
  EXPECT_EQ(rig.model.deviceConfig[31], 8) << "the beam count of the version reply";
  EXPECT_EQ(rig.model.editConfig, rig.model.deviceConfig);
  EXPECT_EQ(rig.view.refreshes, 1);
  EXPECT_EQ(rig.logLines().back(), "02 03 04 05 06 07 08 09 30 39 ");
}

// Only the answer to the read under way counts: a copy sent twice, or one
// that comes after its request was given up, changes neither copy.
TEST_F(DecoderTest, ADoubledOrLateDataReplyLeavesUnsentEdits) {
  const Bytes block{0, 5, 5, 5, 5, 5, 5, 5, 5, 0x30, 0x39, 10};
  rig.link.readCommand(false);
  rig.link.askData2();
  reply(frame::CmdData2, Bytes(9, 0));
  rig.link.askData();
  reply(frame::CmdData, block);
  rig.model.editConfig[BarrierConfig::MaxCoveredTime] = 25;  // unsent
  reply(frame::CmdData, block);                              // the second copy
  rig.link.askStatus();
  reply(frame::CmdData, block);  // a second late, while another request waits
  rig.link.askData2();
  reply(frame::CmdData2, Bytes(9, 7));  // answers its request, but no read is under way
  EXPECT_EQ(rig.model.editConfig[BarrierConfig::MaxCoveredTime], 25);
  EXPECT_TRUE(rig.model.changed(BarrierConfig::MaxCoveredTime));
  EXPECT_EQ(rig.model.deviceConfig[BarrierConfig::AutoBlockTime], 0);
  EXPECT_EQ(rig.state.readStep, 0);
  EXPECT_EQ(rig.view.refreshes, 1);

  // A late one during the next read, while its own request has not gone out yet.
  rig.link.readCommand(false);
  rig.link.askStatus();
  reply(frame::CmdData2, Bytes(9, 7));
  EXPECT_EQ(rig.state.readStep, 2);
  rig.link.askData2();
  reply(frame::CmdData2, Bytes(9, 3));
  rig.link.askData();
  reply(frame::CmdData, block);
  EXPECT_EQ(rig.model.deviceConfig[BarrierConfig::AutoBlockTime], 3);
}

TEST_F(DecoderTest, Data2RepliesNeverWritePastTheConfigurationBlock) {
  rig.link.readCommand(false);
  rig.link.askData2();
  reply(frame::CmdData2, Bytes(17, 0xAB));  // 17 bytes from index 16 would reach index 32
  EXPECT_EQ(rig.state.readStep, 1);
  rig.link.askData();
  reply(frame::CmdData, Bytes(12, 0));
  EXPECT_EQ(rig.model.editConfig[31], 0xAB);
  EXPECT_EQ(rig.model.editConfig[15], 0x00);
}

TEST_F(DecoderTest, WriteConfirmationsMoveTheSendOnAndOnlyTheReadBackAfterThemFillsTheBarriersCopy) {
  for (std::size_t i = 0; i < 32; ++i) rig.model.editConfig[i] = std::uint8_t(i + 100);
  rig.state.writeStep = 2;
  reply(frame::CmdWrite2, {});
  EXPECT_EQ(rig.state.writeStep, 2) << "no block of this send went out yet";
  rig.link.askWrite2();
  reply(frame::CmdWrite2, {});
  EXPECT_EQ(rig.state.writeStep, 1);
  rig.link.askWrite();
  reply(frame::CmdWrite, {});
  EXPECT_EQ(rig.state.writeStep, 0);
  EXPECT_EQ(rig.state.readStep, 2);
  EXPECT_EQ(rig.model.deviceConfig, BarrierConfig{});
  EXPECT_EQ(rig.logLines().count(uiText(UiTexts::txtLogWrite2Ok)), 2);
  EXPECT_EQ(rig.logLines().count(uiText(UiTexts::txtLogWriteOk)), 1);
  EXPECT_EQ(rig.view.refreshes, 2);
}

TEST_F(DecoderTest, ResetConfirmationEnablesTheResetButtonWithoutALogLine) {
  rig.link.resetCommand(true);
  EXPECT_FALSE(rig.view.resetEnabled);
  reply(frame::CmdReset, {});  // answers nothing that was sent
  EXPECT_TRUE(rig.state.resetPending);
  rig.link.askReset();
  const auto lines = rig.logLines().size();
  reply(frame::CmdReset, {});
  EXPECT_FALSE(rig.state.resetPending);
  EXPECT_TRUE(rig.view.resetEnabled);
  EXPECT_EQ(rig.logLines().size(), lines);
}

TEST_F(DecoderTest, FirstStatusLogsEveryNonZeroStateByteInOrder) {
  status({{0, 0x01}, {2, 0x05}, {4, 0x02}, {5, 0x80}, {6, 0x04}, {7, 0x08}, {1, 200}});
  const QStringList lines = rig.logLines();
  ASSERT_EQ(lines.size(), 6);
  const auto line = [](const char* label, const char* marks) {
    return QStringLiteral("12:00:00 %1").arg(QString::fromUtf8(label)).leftJustified(40, QLatin1Char(' ')) +
           QLatin1String(marks);
  };
  EXPECT_EQ(lines[0], line("Stan wiązek (nar.): ", " . . . . . . . x"));
  EXPECT_EQ(lines[1], line("Stan blokad: ", " . . x . . . . ."));
  EXPECT_EQ(lines[2], line("Stan pam. blokad:", " . . . x . . . ."));
  EXPECT_EQ(lines[3], line("Stan wiązek (50%): ", " . x . . . . . ."));
  EXPECT_EQ(lines[4], line("Stan wiązek alarm: ", " x . . . . . . ."));
  EXPECT_EQ(lines[5], line("Status", " x . x . . . ."));
  EXPECT_EQ(rig.view.draws, 1);
  EXPECT_EQ(rig.view.beeps, 1);
  EXPECT_EQ(rig.view.statusLabel, "Statusy:01 C8 05 00 02 80 ");
  EXPECT_EQ(rig.log.statusLine(),
            hexDump(buildFrame(frame::CmdStatus, Bytes{0x01, 200, 0x05, 0x00, 0x02, 0x80, 0x04, 0x08, 0x00})));
  EXPECT_EQ(rig.view.scheduled, 1);
  EXPECT_EQ(rig.view.scheduledDelay, 10);
  EXPECT_EQ(rig.state.linkCounter, 10);
}

TEST_F(DecoderTest, AnIdenticalStatusChangesNothingShownButStillPolls) {
  status({{3, 0x02}, {1, 200}});
  const int lines = int(rig.logLines().size());
  const QString supplyBefore = rig.model.supplyText;
  status({{3, 0x02}, {1, 200}});
  EXPECT_EQ(rig.logLines().size(), lines);
  EXPECT_EQ(rig.view.draws, 1);
  EXPECT_EQ(rig.view.beeps, 1);
  EXPECT_NE(rig.model.supplyText, supplyBefore);  // the filter still moves
  EXPECT_EQ(rig.view.scheduled, 2);
}

TEST_F(DecoderTest, AlertChangesRedrawAndBeepWithoutALogLine) {
  status({{3, 0x05}});
  EXPECT_TRUE(rig.logLines().isEmpty());
  EXPECT_EQ(rig.view.draws, 1);
  EXPECT_EQ(rig.model.status.beamsAlert, 0x05);
}

TEST_F(DecoderTest, SabotageAndDiagnosticChangesAloneDoNotRedraw) {
  Bytes p(17, 0);
  p[8] = 1;
  p[9] = 5;
  p[16] = 1;
  reply(frame::CmdStatus, p);
  EXPECT_EQ(rig.view.draws, 0);
  EXPECT_EQ(rig.model.status.sabotageFlags, 1);
  EXPECT_EQ(rig.model.status.beamsDiag, 0x81);
}

TEST_F(DecoderTest, DiagnosticBytesCountOnlyInASeventeenByteStatus) {
  Bytes p(16, 0);
  p[15] = 1;
  reply(frame::CmdStatus, p);  // length byte 18
  EXPECT_EQ(rig.model.status.beamsDiag, 0);
}

TEST_F(DecoderTest, LeavingRegistrationModeStartsARead) {
  status({{2, 0x40}});
  EXPECT_EQ(rig.state.readStep, 0);  // entering does not
  rig.state.writeStep = 2;
  status({{2, 0x00}});
  EXPECT_EQ(rig.state.readStep, 2);
  EXPECT_FALSE(rig.view.readEnabled);
  EXPECT_FALSE(rig.view.sendEnabled);
}

TEST_F(DecoderTest, StatusWithStopTickedSchedulesNothing) {
  rig.view.stop = true;
  status({});
  EXPECT_EQ(rig.view.scheduled, 0);
  EXPECT_EQ(rig.state.linkCounter, 10);
}

TEST_F(DecoderTest, TheContinuationPollsOrStepsAPendingSequence) {
  status({});
  rig.runContinuation();
  EXPECT_EQ(rig.LastCommand(), frame::CmdStatus);
  rig.state.linkCounter = 10;
  rig.state.resetPending = true;
  status({});
  rig.runContinuation();
  EXPECT_EQ(rig.LastCommand(), frame::CmdReset);
  EXPECT_TRUE(rig.logLines().last().startsWith(uiText(UiTexts::txtLogAskRes)));
}
