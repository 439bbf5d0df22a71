#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "link/Frame.h"
#include "sim/SimBarrier.h"
#include "sim/SimDemo.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes feed(SimBarrier& sim, const Bytes& bytes) { return sim.receive(bytes); }

Bytes cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Bytes VersionRequest{0xFF, 0xFF, 0x02, 0x00, 0x00};
const Bytes DataRequest{0xFF, 0xFF, 0x02, 0x01, 0x01};
const Bytes StatusRequest{0xFF, 0xFF, 0x02, 0x03, 0x03};
const Bytes Data2Request{0xFF, 0xFF, 0x02, 0x05, 0x05};
const Bytes ResetRequest{0xFF, 0xFF, 0x02, 0x06, 0x06};
const Bytes WriteRequest{0xFF, 0xFF, 0x0E, 0x02, 0x00, 0x05, 0x05, 0x05, 0x05,
                         0x05, 0x05, 0x05, 0x05, 0x30, 0x39, 0x0A, 0xA9};
const Bytes Write2Request{0xFF, 0xFF, 0x0B, 0x04, 0x1E, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x43};

const Bytes DefaultVersionReply{0xFF, 0xFF, 0x0A, 0x00, 0x06, 0x01, 0x00, 0x05, 0x20, 0x21, 0x07, 0x14, 0x70};
const Bytes DefaultStatusReply{0xFF, 0xFF, 0x0B, 0x03, 0x00, 0xC8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xD4};

// Sum of all bytes but the last, as the program's parser checks it.
bool checkByteIsRight(const Bytes& frame) {
  unsigned sum = 0;
  for (std::size_t i = 0; i + 1 < frame.size(); ++i) sum += frame[i];
  return std::uint8_t(sum) == frame.back();
}

TEST(SimBarrierReplies, VersionRequestGetsTheDefaultVersionEightBeamsV105) {
  SimBarrier sim;
  EXPECT_EQ(feed(sim, VersionRequest), DefaultVersionReply);
  EXPECT_EQ(sim.beamCount(), 8);
  EXPECT_EQ(sim.config()[31], 8);
}

TEST(SimBarrierReplies, StatusRequestGetsNineOrSeventeenPayloadBytesInOrder) {
  SimBarrier sim;
  EXPECT_EQ(feed(sim, StatusRequest), DefaultStatusReply);

  for (std::size_t i = 0; i < 17; ++i) sim.status()[i] = std::uint8_t(0x10 + i);
  const Bytes expected9{0xFF, 0xFF, 0x0B, 0x03, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0xC0};
  EXPECT_EQ(feed(sim, StatusRequest), expected9);

  ASSERT_TRUE(sim.setStatusSize(17));
  const Bytes reply = feed(sim, StatusRequest);
  ASSERT_EQ(reply.size(), 22u);
  EXPECT_EQ(reply[2], 0x13);
  EXPECT_EQ(reply[3], 0x03);
  for (std::size_t i = 0; i < 17; ++i) EXPECT_EQ(reply[4 + i], 0x10 + i) << "payload byte " << i;
  EXPECT_TRUE(checkByteIsRight(reply));

  EXPECT_FALSE(sim.setStatusSize(12));
  EXPECT_EQ(sim.statusSize(), 17u);
}

TEST(SimBarrierReplies, WriteStoresTwelveBytesFromIndexZeroAndDataReadsThemBack) {
  SimBarrier sim;
  sim.config()[12] = 0x77;
  EXPECT_EQ(feed(sim, WriteRequest), (Bytes{0xFF, 0xFF, 0x02, 0x02, 0x02}));
  const Bytes stored(sim.config().begin(), sim.config().begin() + 12);
  EXPECT_EQ(stored, (Bytes{0x00, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x30, 0x39, 0x0A}));
  EXPECT_EQ(sim.config()[12], 0x77) << "write touches indices 0..11 only";

  EXPECT_EQ(feed(sim, DataRequest), (Bytes{0xFF, 0xFF, 0x0E, 0x01, 0x00, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05,
                                           0x30, 0x39, 0x0A, 0xA8}));
}

TEST(SimBarrierReplies, Write2StoresNineBytesFromIndexSixteenAndData2ReadsThemBack) {
  SimBarrier sim;
  EXPECT_EQ(feed(sim, Write2Request), (Bytes{0xFF, 0xFF, 0x02, 0x04, 0x04}));
  for (std::size_t i = 17; i <= 24; ++i) EXPECT_EQ(sim.config()[i], 0x03);
  EXPECT_EQ(sim.config()[16], 0x1E);
  EXPECT_EQ(sim.config()[15], 0x00);
  EXPECT_EQ(sim.config()[25], 0x00);

  EXPECT_EQ(feed(sim, Data2Request),
            (Bytes{0xFF, 0xFF, 0x0B, 0x05, 0x1E, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x44}));
}

TEST(SimBarrierReplies, ResetClearsOnlyTheBlockMemory) {
  SimBarrier sim;
  sim.status()[6] = 0x05;
  sim.status()[7] = 0x0F;
  EXPECT_EQ(feed(sim, ResetRequest), (Bytes{0xFF, 0xFF, 0x02, 0x06, 0x06}));
  EXPECT_EQ(sim.status()[7], 0x00);
  EXPECT_EQ(sim.status()[6], 0x05);
}

TEST(SimBarrierReplies, DataReplySizesFollowTheSettingsAndStayWithinTheFrameLimit) {
  SimBarrier sim;
  for (std::size_t i = 0; i < 32; ++i) sim.config()[i] = std::uint8_t(i);

  ASSERT_TRUE(sim.setDataReplySize(17));
  Bytes reply = feed(sim, DataRequest);
  ASSERT_EQ(reply.size(), 22u);
  EXPECT_EQ(reply[2], 19);
  EXPECT_EQ(reply[4 + 16], 16);
  EXPECT_TRUE(checkByteIsRight(reply));

  ASSERT_TRUE(sim.setDataReplySize(0));
  EXPECT_EQ(feed(sim, DataRequest), (Bytes{0xFF, 0xFF, 0x02, 0x01, 0x01}));
  EXPECT_FALSE(sim.setDataReplySize(18));

  ASSERT_TRUE(sim.setData2ReplySize(16));
  reply = feed(sim, Data2Request);
  ASSERT_EQ(reply.size(), 21u);
  EXPECT_EQ(reply[2], 18);
  EXPECT_EQ(reply[4], 16);
  EXPECT_EQ(reply[4 + 15], 31);
  EXPECT_TRUE(checkByteIsRight(reply));
  EXPECT_FALSE(sim.setData2ReplySize(17));
}

TEST(SimBarrierReplies, BeamCountSetsVersionByteZeroAndAnOverrideFakesABadBarrier) {
  SimBarrier sim;
  ASSERT_TRUE(sim.setBeamCount(4));
  EXPECT_EQ(feed(sim, VersionRequest)[4], 2);
  EXPECT_EQ(sim.config()[31], 4);
  EXPECT_FALSE(sim.setBeamCount(1));
  EXPECT_FALSE(sim.setBeamCount(9));
  EXPECT_EQ(sim.beamCount(), 4);

  sim.setBeamByteOverride(9);
  Bytes reply = feed(sim, VersionRequest);
  EXPECT_EQ(reply[4], 9);
  EXPECT_TRUE(checkByteIsRight(reply));
  EXPECT_EQ(sim.version()[0], 2) << "the override does not change the stored version";
  sim.setBeamByteOverride(std::nullopt);
  EXPECT_EQ(feed(sim, VersionRequest)[4], 2);
}

TEST(SimBarrierFraming, BadCheckUnknownCommandWrongWriteLengthsAndStrayBytesGetNoAnswer) {
  SimBarrier sim;
  EXPECT_TRUE(feed(sim, {0xFF, 0xFF, 0x02, 0x03, 0x04}).empty());
  EXPECT_TRUE(feed(sim, {0xFF, 0xFF, 0x02, 0x07, 0x07}).empty());
  // write with 11 payload bytes, write2 with 10
  EXPECT_TRUE(feed(sim, buildFrame(2, Bytes(11, 0x01))).empty());
  EXPECT_TRUE(feed(sim, buildFrame(4, Bytes(10, 0x01))).empty());
  EXPECT_TRUE(feed(sim, {0x00, 0x11, 0x22, 0x33, 0xFF, 0x10}).empty());
  EXPECT_EQ(sim.config()[0], 0x00) << "a write of the wrong length stores nothing";

  // Verified frames are recorded even when not answered; the bad check is not.
  ASSERT_EQ(sim.requests().size(), 3u);
  EXPECT_EQ(sim.requests()[0], (Bytes{0xFF, 0xFF, 0x02, 0x07, 0x07}));

  // Only the newest are kept, however long it polls; all are counted.
  for (std::size_t i = 0; i < SimBarrier::MaxKeptRequests; ++i) feed(sim, StatusRequest);
  EXPECT_EQ(sim.requests().size(), SimBarrier::MaxKeptRequests);
  EXPECT_EQ(sim.requestCount(), SimBarrier::MaxKeptRequests + 3);
  EXPECT_EQ(sim.requests().front(), StatusRequest);
}

TEST(SimBarrierFraming, ResynchronisesAfterNoiseAndDamagedFrames) {
  SimBarrier sim;
  EXPECT_EQ(feed(sim, cat({0x00, 0x11}, ResetRequest)), (Bytes{0xFF, 0xFF, 0x02, 0x06, 0x06}));
  EXPECT_EQ(feed(sim, cat({0xFF}, StatusRequest)), DefaultStatusReply);
  // A bad check byte followed by a good request: only the good one answers.
  EXPECT_EQ(feed(sim, cat({0xFF, 0xFF, 0x02, 0x00, 0x01}, VersionRequest)), DefaultVersionReply);
  // A length above 19 is skipped.
  EXPECT_EQ(feed(sim, cat({0xFF, 0xFF, 0x14, 0x03}, StatusRequest)), DefaultStatusReply);
  // Three stray bytes wait for more and then give way to the request.
  EXPECT_TRUE(feed(sim, {0x01, 0x02, 0x03}).empty());
  EXPECT_EQ(feed(sim, StatusRequest), DefaultStatusReply);
  EXPECT_EQ(sim.requests().size(), 5u);
}

TEST(SimBarrierFraming, RequestSplitAcrossCallsIsAnsweredWhenItsLastByteArrives) {
  SimBarrier sim;
  for (std::size_t i = 0; i + 1 < WriteRequest.size(); ++i)
    EXPECT_TRUE(feed(sim, {WriteRequest[i]}).empty()) << "after byte " << i;
  EXPECT_EQ(feed(sim, {WriteRequest.back()}), (Bytes{0xFF, 0xFF, 0x02, 0x02, 0x02}));

  EXPECT_TRUE(feed(sim, {0xFF, 0xFF, 0x02}).empty());
  EXPECT_EQ(feed(sim, {0x00, 0x00}), DefaultVersionReply);
}

TEST(SimBarrierFraming, TwoRequestsInOneCallGetTwoRepliesInOrder) {
  SimBarrier sim;
  EXPECT_EQ(feed(sim, cat(VersionRequest, StatusRequest)), cat(DefaultVersionReply, DefaultStatusReply));
  ASSERT_EQ(sim.requests().size(), 2u);
  EXPECT_EQ(sim.requests()[1], StatusRequest);
}

TEST(SimBarrierFraming, SilentBarrierNeitherAnswersNorActsButRecords) {
  SimBarrier sim;
  sim.status()[7] = 0x01;
  sim.setSilent(true);
  EXPECT_TRUE(feed(sim, ResetRequest).empty());
  EXPECT_TRUE(feed(sim, WriteRequest).empty());
  EXPECT_EQ(sim.status()[7], 0x01);
  EXPECT_EQ(sim.config()[1], 0x00);
  EXPECT_EQ(sim.requests().size(), 2u);
  sim.setSilent(false);
  EXPECT_EQ(feed(sim, VersionRequest), DefaultVersionReply);
}

TEST(SimBarrierFaults, DropSkipsExactlyTheNextNReplies) {
  SimBarrier sim;
  sim.dropReplies(2);
  EXPECT_TRUE(feed(sim, StatusRequest).empty());
  EXPECT_TRUE(feed(sim, WriteRequest).empty());
  EXPECT_EQ(sim.config()[1], 0x05) << "a dropped reply's request still takes effect";
  EXPECT_EQ(feed(sim, StatusRequest), DefaultStatusReply);
}

TEST(SimBarrierFaults, BadCheckDamagesOnlyTheCheckByteOfTheNextNReplies) {
  SimBarrier sim;
  sim.damageCheckBytes(1);
  Bytes damaged = feed(sim, VersionRequest);
  ASSERT_EQ(damaged.size(), DefaultVersionReply.size());
  EXPECT_FALSE(checkByteIsRight(damaged));
  damaged.back() = DefaultVersionReply.back();
  EXPECT_EQ(damaged, DefaultVersionReply);
  EXPECT_EQ(feed(sim, VersionRequest), DefaultVersionReply);
}

TEST(SimBarrierFaults, OverlongReplyCarriesLengthTwentyAndAValidCheckByte) {
  SimBarrier sim;
  sim.sendOverlong(1);
  const Bytes reply = feed(sim, StatusRequest);
  ASSERT_EQ(reply.size(), 23u);
  EXPECT_EQ(reply[2], 0x14);
  EXPECT_EQ(reply[3], 0x03);
  EXPECT_EQ(reply[5], 0xC8);
  EXPECT_TRUE(checkByteIsRight(reply));
  EXPECT_EQ(feed(sim, StatusRequest), DefaultStatusReply);
}

TEST(SimBarrierFaults, CutReplyIsTheFirstHalfOfTheFrame) {
  SimBarrier sim;
  sim.cutReplies(2);
  EXPECT_EQ(feed(sim, VersionRequest), Bytes(DefaultVersionReply.begin(), DefaultVersionReply.begin() + 6));
  EXPECT_EQ(feed(sim, ResetRequest), (Bytes{0xFF, 0xFF}));
  EXPECT_EQ(feed(sim, VersionRequest), DefaultVersionReply);
}

TEST(SimBarrierFaults, NoiseComesBeforeEveryReplyAndNeverContainsAFrameStart) {
  SimBarrier sim;
  sim.setNoise(40, 7);
  for (int round = 0; round < 20; ++round) {
    const Bytes out = feed(sim, StatusRequest);
    ASSERT_EQ(out.size(), 40 + DefaultStatusReply.size());
    EXPECT_TRUE(std::none_of(out.begin(), out.begin() + 40, [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(Bytes(out.begin() + 40, out.end()), DefaultStatusReply);
  }
  sim.setNoise(0);
  EXPECT_EQ(feed(sim, StatusRequest), DefaultStatusReply);
}

TEST(SimBarrierFaults, DoubledRepliesGoOutTwiceAndALateOneIsTakenOnce) {
  SimBarrier sim;
  EXPECT_EQ(sim.Command("double 1").kind, SimBarrier::CommandResult::Done);
  EXPECT_EQ(feed(sim, StatusRequest), cat(DefaultStatusReply, DefaultStatusReply));
  EXPECT_EQ(feed(sim, StatusRequest), DefaultStatusReply);

  EXPECT_EQ(sim.Command("late 990").kind, SimBarrier::CommandResult::Done);
  EXPECT_EQ(sim.takeLateMs(), 990u);
  EXPECT_EQ(sim.takeLateMs(), 0u);
}

TEST(SimBarrierFaults, AnAlternatingStatusSizeSwitchesWithEveryStatusReply) {
  SimBarrier sim;
  ASSERT_TRUE(sim.setStatusSize(17));
  EXPECT_EQ(sim.Command("status-size alternate").kind, SimBarrier::CommandResult::Done);
  std::vector<std::size_t> sizes;
  for (int i = 0; i < 4; ++i) {
    sizes.push_back(feed(sim, StatusRequest).size());
    feed(sim, VersionRequest);  // other replies leave the turn alone
  }
  EXPECT_EQ(sizes, (std::vector<std::size_t>{22, 14, 22, 14}));
  sim.Command("status-size 9");
  EXPECT_EQ(feed(sim, StatusRequest).size(), 14u);
  EXPECT_EQ(feed(sim, StatusRequest).size(), 14u);
}

TEST(SimBarrierFaults, FaultsCanBeSetAndClearedByCommands) {
  SimBarrier sim;
  EXPECT_EQ(sim.Command("badcheck 2").kind, SimBarrier::CommandResult::Done);
  EXPECT_EQ(sim.Command("overlong 3").kind, SimBarrier::CommandResult::Done);
  EXPECT_EQ(sim.Command("cut 4").kind, SimBarrier::CommandResult::Done);
  EXPECT_EQ(sim.Command("drop 5").kind, SimBarrier::CommandResult::Done);
  EXPECT_EQ(sim.Command("delay 120").kind, SimBarrier::CommandResult::Done);
  EXPECT_EQ(sim.Command("double 2").kind, SimBarrier::CommandResult::Done);
  EXPECT_EQ(sim.pendingBadCheck(), 2u);
  EXPECT_EQ(sim.pendingOverlong(), 3u);
  EXPECT_EQ(sim.pendingCut(), 4u);
  EXPECT_EQ(sim.pendingDrop(), 5u);
  EXPECT_EQ(sim.replyDelayMs(), 120u);

  EXPECT_EQ(sim.Command("beambyte 9").kind, SimBarrier::CommandResult::Done);
  EXPECT_EQ(sim.Command("clear").kind, SimBarrier::CommandResult::Done);
  EXPECT_EQ(sim.pendingDrop(), 0u);
  EXPECT_EQ(sim.pendingDouble(), 0u);
  EXPECT_EQ(sim.replyDelayMs(), 0u);
  EXPECT_EQ(feed(sim, VersionRequest), DefaultVersionReply);

  sim.Command("beambyte 0x09");
  EXPECT_EQ(feed(sim, VersionRequest)[4], 0x09);
  sim.Command("beambyte off");
  sim.Command("noise 3");
  EXPECT_EQ(feed(sim, VersionRequest).size(), 3 + DefaultVersionReply.size());
}

TEST(SimBarrierCommands, LiveControlCommandsChangeTheStatusPayload) {
  SimBarrier sim;
  sim.Command("alert 3 on");
  sim.Command("block 8 on");
  sim.Command("memory 2 on");
  sim.Command("half 1 on");
  sim.Command("nar 4 on");
  sim.Command("alarm 5 on");
  sim.Command("supply 0x90");
  sim.Command("register on");
  sim.Command("led on");
  sim.Command("bit 8 0 1");
  sim.Command("diag 1 on");
  EXPECT_EQ(sim.status()[3], 0x04);
  EXPECT_EQ(sim.status()[6], 0x80);
  EXPECT_EQ(sim.status()[7], 0x02);
  EXPECT_EQ(sim.status()[4], 0x01);
  EXPECT_EQ(sim.status()[5], 0x08);
  EXPECT_EQ(sim.status()[0], 0x10);
  EXPECT_EQ(sim.status()[1], 0x90);
  EXPECT_EQ(sim.status()[2], 0xC0);
  EXPECT_EQ(sim.status()[8], 0x01);
  EXPECT_EQ(sim.status()[16], 0x01) << "beam 1's diagnostic byte is the last one (mirrored)";

  sim.Command("alert 3 off");
  sim.Command("register off");
  sim.Command("set 12 010");
  EXPECT_EQ(sim.status()[3], 0x00);
  EXPECT_EQ(sim.status()[2], 0x80);
  EXPECT_EQ(sim.status()[12], 10) << "a leading zero is still decimal";

  // A walk test's crossings and tamper contacts bring their outputs along.
  sim.Command("set 2 0");
  sim.Command("cross 2 on");
  sim.Command("cross 6 on");
  sim.Command("cross 2 off");
  EXPECT_EQ(sim.status()[3], 0x20);
  EXPECT_EQ(sim.status()[0], 0x30);  // beam 5's alarm bit from above stays
  EXPECT_EQ(sim.status()[2], 0x01);
  sim.Command("cross 6 off");
  sim.Command("alarm 5 off");
  sim.Command("cross 1 off");
  EXPECT_EQ(sim.status()[2], 0x00);
  sim.Command("tamper tx open");
  sim.Command("tamper rx open");
  sim.Command("tamper tx closed");
  EXPECT_EQ(sim.status()[2], 0x0A);
  sim.Command("tamper rx closed");
  EXPECT_EQ(sim.status()[2], 0x00);

  sim.Command("beams 3");
  sim.Command("status-size 17");
  EXPECT_EQ(sim.beamCount(), 3);
  EXPECT_EQ(feed(sim, StatusRequest).size(), 22u);
}

TEST(SimBarrierCommands, ConfigurationBytesAreSetAndPrintedByCommand) {
  SimBarrier sim;
  EXPECT_EQ(sim.Command("config 3 0x19").kind, SimBarrier::CommandResult::Done);
  EXPECT_EQ(sim.config()[3], 0x19);
  const auto printed = sim.Command("config");
  EXPECT_EQ(printed.message.substr(0, 12), "00 00 00 19 ");
  EXPECT_EQ(printed.message.size(), 32u * 3 - 1);
  EXPECT_EQ(sim.Command("config 32 1").kind, SimBarrier::CommandResult::Error);
  EXPECT_EQ(sim.Command("config 1").kind, SimBarrier::CommandResult::Error);
}

TEST(SimBarrierCommands, MalformedCommandsAreRejectedWithoutSideEffects) {
  SimBarrier sim;
  const auto before = sim.status();
  for (const char* line :
       {"alert 9 on", "alert 0 on", "alert 2 maybe", "set 17 1", "set 2 256", "bit 2 8 1", "supply", "beams 9",
        "status-size 10", "frobnicate", "drop -1", "silent soon", "cross 9 on", "tamper tx ajar", "tamper door open"}) {
    const auto result = sim.Command(line);
    EXPECT_EQ(result.kind, SimBarrier::CommandResult::Error) << line;
    EXPECT_FALSE(result.message.empty()) << line;
  }
  EXPECT_EQ(sim.status(), before);
  EXPECT_EQ(sim.beamCount(), 8);
  EXPECT_FALSE(sim.silent());
  EXPECT_EQ(sim.Command("").kind, SimBarrier::CommandResult::Done);
  EXPECT_EQ(sim.Command("# a comment").kind, SimBarrier::CommandResult::Done);
}

TEST(SimBarrierCommands, LinkCommandsAreReportedForTheProgramToActOn) {
  SimBarrier sim;
  auto result = sim.Command("silent 2.5");
  EXPECT_EQ(result.kind, SimBarrier::CommandResult::Silent);
  EXPECT_DOUBLE_EQ(result.seconds, 2.5);
  EXPECT_TRUE(sim.silent());
  EXPECT_EQ(sim.Command("talk").kind, SimBarrier::CommandResult::Talk);
  EXPECT_FALSE(sim.silent());
  result = sim.Command("hangup");
  EXPECT_EQ(result.kind, SimBarrier::CommandResult::Hangup);
  EXPECT_EQ(result.seconds, 0.0);
  EXPECT_EQ(sim.Command("hangup 4").seconds, 4.0);
  EXPECT_EQ(sim.Command("quit").kind, SimBarrier::CommandResult::Quit);
  result = sim.Command("swap 2.5 3");
  EXPECT_EQ(result.kind, SimBarrier::CommandResult::Swap);
  EXPECT_DOUBLE_EQ(result.seconds, 2.5);
  EXPECT_EQ(result.requests, 3u);
  EXPECT_FALSE(sim.silent()) << "the program silences it when the cable moves";
  EXPECT_EQ(sim.Command("swap").kind, SimBarrier::CommandResult::Error);
  EXPECT_EQ(sim.Command("show").message, "00 C8 00 00 00 00 00 00 00");
}

TEST(SimDemoScenes, CrossingsRaiseTheAlarmOutputOnlyWhileTwoOrMoreBeamsAlert) {
  SimBarrier sim;
  SimDemo demo;
  demo.step(sim, 1.5);  // one beam
  EXPECT_EQ(sim.status()[3], 0x02);
  EXPECT_EQ(sim.status()[0], 0x00);
  EXPECT_EQ(sim.status()[2] & 0x01, 0);
  demo.step(sim, 4.7);  // three beams
  EXPECT_EQ(sim.status()[3], 0x07);
  EXPECT_EQ(sim.status()[0], 0x07);
  EXPECT_EQ(sim.status()[2] & 0x01, 0x01);
  demo.step(sim, 6.0);
  EXPECT_EQ(sim.status()[3], 0x00);
  EXPECT_EQ(sim.status()[2] & 0x01, 0);
}

TEST(SimDemoScenes, BlockMemoryFillsStaysUntilResetAndEmptiesAtANewCycle) {
  SimBarrier sim;
  SimDemo demo;
  demo.step(sim, 13.0);
  EXPECT_EQ(sim.status()[3] & 0x80, 0x80) << "the top beam alerts before it blocks";
  EXPECT_EQ(sim.status()[7], 0x00);
  demo.step(sim, 16.0);
  EXPECT_EQ(sim.status()[6], 0x80);
  EXPECT_EQ(sim.status()[7], 0x80);
  demo.step(sim, 30.0);
  EXPECT_EQ(sim.status()[6], 0x00);
  EXPECT_EQ(sim.status()[7], 0x80) << "the memory outlives the block";
  feed(sim, ResetRequest);
  demo.step(sim, 31.0);
  EXPECT_EQ(sim.status()[7], 0x00);
  demo.step(sim, 55.0);
  EXPECT_EQ(sim.status()[7], 0x02);
  demo.step(sim, 61.0);
  EXPECT_EQ(sim.status()[7], 0x00);
}

TEST(SimDemoScenes, TampersSupplyRegistrationAndLedAllMoveDuringACycle) {
  SimBarrier sim;
  SimDemo demo;
  demo.step(sim, 26.0);
  EXPECT_EQ(sim.status()[2] & 0x0A, 0x0A);  // receiver tamper and tamper output
  demo.step(sim, 31.5);
  EXPECT_EQ(sim.status()[2] & 0x06, 0x06);  // bus tamper and tamper output
  demo.step(sim, 40.0);
  EXPECT_LT(sim.status()[1], 180);
  EXPECT_EQ(sim.status()[2] & 0x20, 0x20);
  demo.step(sim, 45.0);
  EXPECT_EQ(sim.status()[1], 200);
  EXPECT_EQ(sim.status()[2] & 0x20, 0);
  EXPECT_EQ(sim.status()[2] & 0x40, 0);
  demo.step(sim, 47.0);
  EXPECT_EQ(sim.status()[2] & 0x40, 0x40);
  demo.step(sim, 47.2);
  const bool ledOn = sim.status()[2] & 0x80;
  demo.step(sim, 47.7);
  EXPECT_NE(bool(sim.status()[2] & 0x80), ledOn);
}

TEST(SimDemoScenes, BeamsAboveTheBeamCountStayDark) {
  SimBarrier sim;
  sim.setBeamCount(2);
  SimDemo demo;
  for (double t = 0; t < 60; t += 0.25) {
    demo.step(sim, t);
    for (std::size_t i : {0u, 3u, 4u, 5u, 6u, 7u}) ASSERT_EQ(sim.status()[i] & 0xFC, 0) << "t=" << t << " byte " << i;
  }
}

}  // namespace
