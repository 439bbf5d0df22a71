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

// The replies the parser handed on, as the traffic monitor is told of them.
struct AcceptedReplies : TrafficObserver {
  std::vector<Bytes> replies;
  void requestSent(std::span<const std::uint8_t>, Clock::time_point) override {}
  void replyReceived(std::span<const std::uint8_t> frame, Clock::time_point, Clock::time_point) override {
    replies.emplace_back(frame.begin(), frame.end());
  }
  void frameDamaged(Damage, std::span<const std::uint8_t>, std::uint8_t, Clock::time_point) override {}
  void bytesDiscarded(std::span<const std::uint8_t>, Clock::time_point) override {}
  void portOpened(const QString&, Clock::time_point) override {}
  void portClosed(Clock::time_point) override {}
};

const Bytes ResetReply{0xFF, 0xFF, 0x02, 0x06, 0x06};

struct ParserRig : LinkRig {
  AcceptedReplies accepted;
  ParserRig() {
    line.isOpenNow = true;
    line.sim.setSilent(true);  // replies come from the test alone
    link.setTrafficObserver(&accepted);
  }
  ~ParserRig() { link.setTrafficObserver(nullptr); }
};

}  // namespace

TEST(Parser, SkipsNoiseBeforeAFrameStart) {
  ParserRig rig;
  rig.arrive({0x00, 0x11, 0xFF, 0xFF, 0x02, 0x06, 0x06});
  EXPECT_EQ(rig.accepted.replies, std::vector<Bytes>{ResetReply});
  EXPECT_EQ(rig.state.linkCounter, 10);
  EXPECT_TRUE(rxBytes(rig).empty());
  EXPECT_TRUE(rig.logLines().isEmpty());
}

TEST(Parser, ResynchronisesOnTheLastTwoFFsOfARun) {
  ParserRig rig;
  rig.arrive({0xFF, 0xFF, 0xFF, 0x02, 0x06, 0x06});
  EXPECT_EQ(rig.accepted.replies, std::vector<Bytes>{ResetReply});
  EXPECT_TRUE(rxBytes(rig).empty());
}

TEST(Parser, WaitsForTheRestOfASplitFrame) {
  ParserRig rig;
  rig.arrive({0xFF, 0xFF, 0x02});
  EXPECT_TRUE(rig.accepted.replies.empty());
  EXPECT_EQ(rxBytes(rig).size(), 3u);
  rig.arrive({0x06, 0x06});
  EXPECT_EQ(rig.accepted.replies, std::vector<Bytes>{ResetReply});
}

TEST(Parser, RejectsAnOverlongLengthByDroppingOneByte) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  rig.arrive({0xFF, 0xFF, 0x14, 0x03, 0x00});
  EXPECT_EQ(rig.logLines(), QStringList{QStringLiteral("Za długa ramka: 14  buf: 05 FF FF 14 03 00 ")});
  EXPECT_EQ(rxBytes(rig), (Bytes{0x14, 0x03, 0x00}));  // and the resync that follows
}

TEST(Parser, RejectsABadCheckByteByDroppingOneByteThenResynchronises) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  rig.arrive({0xFF, 0xFF, 0x02, 0x00, 0x01});
  EXPECT_EQ(rig.logLines(), QStringList{"Bad CRC: 00  buf: FF FF 02 00 01 "});
  EXPECT_EQ(rxBytes(rig), (Bytes{0x02, 0x00, 0x01}));
  EXPECT_TRUE(rig.model.versionInfo.empty());
}

// A frame left waiting for the next notification would be taken for the
// answer to the next request; frames behind damage are found the same way.
TEST(Parser, HandlesEveryFrameOfANotificationThroughDamageBetweenThem) {
  ParserRig rig;
  rig.arrive({0xFF, 0xFF, 0x02, 0x06, 0x06, 0xFF, 0xFF, 0x02, 0x00, 0x07, 0x42, 0xFF, 0xFF, 0x02, 0x05, 0x05, 0xFF});
  EXPECT_EQ(rig.accepted.replies, (std::vector<Bytes>{ResetReply, {0xFF, 0xFF, 0x02, 0x05, 0x05}}));
  EXPECT_EQ(rig.logLines().value(0), "Bad CRC: 00  buf: FF FF 02 00 07 ");
  EXPECT_EQ(rxBytes(rig), (Bytes{0xFF}));
}

TEST(Parser, DropsBytesThatFindTheBufferFull) {
  ParserRig rig;
  rig.state.rxBuffer.append(Bytes(250, 0x00));
  // A reset reply fits in the room left; the data reply behind it does not.
  rig.line.input.assign({0xFF, 0xFF, 0x02, 0x06, 0x06, 0xFF, 0xFF, 0x02, 0x05, 0x05});
  rig.link.onBytesReceived(10);
  EXPECT_TRUE(rig.line.input.empty());
  EXPECT_EQ(rig.accepted.replies, std::vector<Bytes>{ResetReply});
  EXPECT_TRUE(rxBytes(rig).empty());
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
// waiting: first up to the length byte, then exactly the rest of that frame,
// so that a reply shorter than the last is handed over the moment it is in
// rather than once the line has gone quiet.
TEST(ReceiveNotification, AsksTheLineForTheLengthByteThenForExactlyTheRestOfThatFrame) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  rig.line.sim.setSilent(true);
  rig.model.versionInfo.assign(SimBarrier::DefaultVersion.begin(), SimBarrier::DefaultVersion.end());
  int statuses = 0;
  rig.log.onStatusLineChanged = [&](const QString&) { ++statuses; };
  std::vector<std::int32_t> asked;
  for (int i = 0; i < 4; ++i) {
    rig.link.askStatus();
    const Bytes reply = buildFrame(frame::CmdStatus, Bytes(i % 2 == 0 ? 17 : 9, std::uint8_t(i)));
    const int before = statuses;
    for (std::size_t at = 0; at < reply.size();) {
      asked.push_back(rig.line.rxThreshold);
      const std::size_t n = std::min<std::size_t>(std::size_t(rig.line.rxThreshold), reply.size() - at);
      rig.arrive(Bytes(reply.begin() + std::ptrdiff_t(at), reply.begin() + std::ptrdiff_t(at + n)));
      at += n;
    }
    EXPECT_EQ(statuses, before + 1);
  }
  EXPECT_EQ(asked, (std::vector<std::int32_t>{3, 19, 3, 11, 3, 19, 3, 11}));

  rig.link.askVersion();
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
    rig.model.versionInfo.assign(SimBarrier::DefaultVersion.begin(), SimBarrier::DefaultVersion.end());
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
