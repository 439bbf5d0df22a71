#include <gtest/gtest.h>

#include <random>

#include "link/Frame.h"
#include "tests/link/LinkRig.h"
#include "util/HexText.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes rxBytes(const LinkRig& rig) {
  const auto b = rig.state.rxBuffer.bytes();
  return Bytes(b.begin(), b.end());
}

}  // namespace

TEST(Parser, SkipsNoiseBeforeAFrameStart) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  rig.state.resetPending = true;
  rig.arrive({0x00, 0x11, 0xFF, 0xFF, 0x02, 0x06, 0x06});
  EXPECT_FALSE(rig.state.resetPending);
  EXPECT_EQ(rig.state.linkCounter, 10);
  EXPECT_TRUE(rxBytes(rig).empty());
  EXPECT_TRUE(rig.logLines().isEmpty());
}

TEST(Parser, ResynchronisesOnTheLastTwoFFsOfARun) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  rig.state.resetPending = true;
  rig.arrive({0xFF, 0xFF, 0xFF, 0x02, 0x06, 0x06});
  EXPECT_FALSE(rig.state.resetPending);
  EXPECT_TRUE(rxBytes(rig).empty());
}

TEST(Parser, WaitsForTheRestOfASplitFrame) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  rig.state.resetPending = true;
  rig.arrive({0xFF, 0xFF, 0x02});
  EXPECT_TRUE(rig.state.resetPending);
  EXPECT_EQ(rxBytes(rig).size(), 3u);
  rig.arrive({0x06, 0x06});
  EXPECT_FALSE(rig.state.resetPending);
}

TEST(Parser, RejectsAnOverlongLengthByDroppingOneByte) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  rig.arrive({0xFF, 0xFF, 0x14, 0x03, 0x00});
  EXPECT_EQ(rig.logLines(), QStringList{QStringLiteral("Za długa ramka: 14  buf: 05 FF FF 14 03 00 ")});
  EXPECT_EQ(rxBytes(rig), (Bytes{0xFF, 0x14, 0x03, 0x00}));
}

TEST(Parser, RejectsABadCheckByteByDroppingOneByteThenResynchronises) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  rig.arrive({0xFF, 0xFF, 0x02, 0x00, 0x01});
  EXPECT_EQ(rig.logLines(), QStringList{"Bad CRC: 00  buf: FF FF 02 00 01 "});
  EXPECT_EQ(rxBytes(rig), (Bytes{0xFF, 0x02, 0x00, 0x01}));
  EXPECT_TRUE(rig.model.versionInfo.empty());
  rig.link.parseFrames();
  EXPECT_EQ(rxBytes(rig), (Bytes{0x02, 0x00, 0x01}));
}

TEST(Parser, HandlesOneFrameAPassAndKeepsTheNextForTheNextNotification) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  rig.state.resetPending = true;
  rig.state.readStep = 2;
  rig.arrive({0xFF, 0xFF, 0x02, 0x06, 0x06, 0xFF, 0xFF, 0x02, 0x05, 0x05});
  EXPECT_FALSE(rig.state.resetPending);
  EXPECT_EQ(rig.state.readStep, 2);
  EXPECT_EQ(rxBytes(rig).size(), 5u);
  rig.arrive({0x00});
  EXPECT_EQ(rig.state.readStep, 1);
}

TEST(Parser, DropsBytesThatFindTheBufferFull) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  rig.arrive(Bytes(250, 0x00));  // noise: all but the last 3 bytes are dropped by the resync
  ASSERT_EQ(rxBytes(rig).size(), 3u);
  for (std::uint8_t b = 0; b < 247; ++b) rig.state.rxBuffer.append(Bytes{0xFF});
  ASSERT_EQ(rxBytes(rig).size(), 250u);
  const Bytes before = rxBytes(rig);
  rig.line.input.assign({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  rig.link.onBytesReceived(10);
  // Only the first 5 bytes fitted; the parser's run then trimmed the front.
  EXPECT_TRUE(rig.line.input.empty());
  const Bytes after = rxBytes(rig);
  ASSERT_GE(after.size(), 5u);
  EXPECT_EQ(Bytes(after.end() - 5, after.end()), (Bytes{1, 2, 3, 4, 5}));
}

TEST(Parser, RemovesAVerifiedFrameWithAnUnknownCommandAndLogsIt) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  const Bytes unknown = buildFrame(0x09, Bytes{0x01});
  rig.arrive(unknown);
  EXPECT_TRUE(rxBytes(rig).empty());
  EXPECT_EQ(rig.logLines(), QStringList{"Nieznane polecenie: 09  buf: FF FF 03 09 01 0B "});
  EXPECT_EQ(rig.state.linkCounter, 0);
}

TEST(ReceiveNotification, IgnoresZeroCountsAndClosedPortsAndStepsTheGauge) {
  LinkRig rig;
  rig.line.input.assign({0xFF, 0xFF, 0x02, 0x06, 0x06});
  rig.link.onBytesReceived(5);  // port closed
  EXPECT_EQ(rig.line.input.size(), 5u);
  rig.line.isOpenNow = true;
  rig.link.onBytesReceived(0);
  EXPECT_EQ(rig.line.input.size(), 5u);
  EXPECT_EQ(rig.view.gaugeProgress, -1);
  rig.link.onBytesReceived(5);
  EXPECT_EQ(rig.view.gaugeProgress, 1);
}

TEST(ReceiveNotification, SwapsTheGaugeColoursEachTimeItComesRound) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  for (int i = 0; i < 100; ++i) rig.arrive({0x00});
  EXPECT_EQ(rig.view.gaugeProgress, 0);
  EXPECT_EQ(rig.view.gaugeForeground, colors::Green);
  EXPECT_EQ(rig.view.gaugeBackground, colors::Yellow);
  for (int i = 0; i < 100; ++i) rig.arrive({0x00});
  EXPECT_EQ(rig.view.gaugeForeground, colors::Yellow);
  EXPECT_EQ(rig.view.gaugeBackground, colors::Green);
}

// The port holds a notification back until the bytes the link asks for are
// waiting; asking for exactly the rest of the reply makes one notification a
// reply once a reply to that request has been seen.
TEST(ReceiveNotification, AsksTheLineForTheRestOfTheReplySoThatEachReplyTakesOneNotification) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  int statuses = 0;
  rig.log.onStatusLineChanged = [&](const QString&) { ++statuses; };
  std::vector<int> notificationsPerReply;
  for (int i = 0; i < 5; ++i) {
    rig.link.askStatus();
    rig.line.input.clear();  // the simulator's answer; this test plays its own
    const Bytes reply = buildFrame(frame::CmdStatus, Bytes(17, std::uint8_t(i)));
    const int before = statuses;
    int notifications = 0;
    for (std::size_t at = 0; at < reply.size();) {
      const std::size_t n = std::min<std::size_t>(std::size_t(rig.line.rxThreshold), reply.size() - at);
      rig.arrive(Bytes(reply.begin() + std::ptrdiff_t(at), reply.begin() + std::ptrdiff_t(at + n)));
      ++notifications;
      at += n;
    }
    EXPECT_EQ(statuses, before + 1);
    notificationsPerReply.push_back(notifications);
  }
  // The first reply is asked for by its header, then by the rest.
  EXPECT_EQ(notificationsPerReply, (std::vector<int>{2, 1, 1, 1, 1}));
  EXPECT_EQ(rig.line.rxThreshold, 22);  // the next reply, as long as the last

  rig.link.askVersion();
  EXPECT_EQ(rig.line.rxThreshold, 4);  // no version reply seen yet: its header
  rig.line.input.clear();
  rig.arrive({0xFF, 0xFF, 0x0A});
  EXPECT_EQ(rig.line.rxThreshold, 10);                                       // a 13-byte frame of which 3 are in
  rig.arrive({0x00, 0x06, 0x01, 0x00, 0x05, 0x20, 0x21, 0x07, 0x14, 0x00});  // wrong check byte
  ASSERT_TRUE(rig.logLines().last().startsWith("Bad CRC: ")) << rig.logLines().last().toStdString();
  EXPECT_EQ(rig.line.rxThreshold, 1);  // what is left starts no frame: any byte runs the parser again
}

TEST(ReceiveNotification, NeverReadsMoreThanTheStagingArea) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  rig.line.input.assign(1500, 0x00);
  rig.link.onBytesReceived(1500);
  EXPECT_EQ(rig.line.input.size(), 500u);  // left for the next notification
}

// Random noise with status frames interleaved, cut at random points: every
// frame comes out exactly once and in order, and the buffer stays bounded.
TEST(Parser, DeliversEveryUndamagedFrameOnceAndInOrderThroughNoise) {
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    LinkRig rig;
    rig.line.isOpenNow = true;
    std::vector<QString> delivered;
    rig.log.onStatusLineChanged = [&](const QString& line) { delivered.push_back(line); };
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);

    Bytes stream;
    std::vector<QString> sent;
    for (int f = 0; f < 300; ++f) {
      // Noise: any bytes, but never two 0xFF in a row and never 0xFF first,
      // so noise cannot itself start a frame (a frame check byte may be 0xFF).
      const int noise = std::uniform_int_distribution<int>(0, 8)(rng);
      std::uint8_t previous = 0;
      for (int i = 0; i < noise; ++i) {
        std::uint8_t b = std::uint8_t(byte(rng));
        if (b == 0xFF && (i == 0 || previous == 0xFF)) b = 0x5A;
        stream.push_back(b);
        previous = b;
      }
      Bytes payload(rng() % 2 ? 17 : 9);
      for (auto& p : payload) p = std::uint8_t(byte(rng));
      const Bytes reply = buildFrame(frame::CmdStatus, payload);
      sent.push_back(hexDump(reply));
      stream.insert(stream.end(), reply.begin(), reply.end());
    }
    // Chunks smaller than any frame, so no notification brings two frames.
    std::size_t at = 0;
    std::size_t largest = 0;
    while (at < stream.size()) {
      const std::size_t n = std::min<std::size_t>(1 + rng() % 10, stream.size() - at);
      rig.arrive(Bytes(stream.begin() + std::ptrdiff_t(at), stream.begin() + std::ptrdiff_t(at + n)));
      largest = std::max(largest, rig.state.rxBuffer.size());
      at += n;
    }
    for (int i = 0; i < 40; ++i) rig.arrive({0x00});  // let the tail drain
    EXPECT_LE(largest, RxBuffer::Capacity);
    EXPECT_EQ(delivered, sent) << "seed " << seed;
  }
}
