// The device link over a network line through ser2net to barrier-sim, with
// real timers and no window, for both schemes.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

#include "net/NetworkLine.h"
#include "tests/Ser2NetServer.h"
#include "tests/link/HeadlessHost.h"
#include "tests/net/SchemeParam.h"

namespace {

using NetworkHost = BasicHeadlessHost<NetworkLine>;

const QString Connected = QStringLiteral(" ORVITA 8 v.1.05    2021-07-14");
const QString NoConnection = QStringLiteral(" Brak połączenia.");
constexpr int Ceiling = 30000;

class NetworkLink : public ::testing::TestWithParam<Scheme> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    host = std::make_unique<NetworkHost>(portNameFor(server, GetParam()), dir.path());
    host->comm.onOpened = [this](QObject*) { ++openings; };
  }
  void TearDown() override { host.reset(); }
  bool identifiedAndRead() {
    return QTest::qWaitFor([&] { return host->identText == Connected && host->state.readStep == 0; }, Ceiling);
  }

  QTemporaryDir dir;
  Ser2NetServer server{dir.path(), QStringLiteral(BARRIER_SIM), QStringLiteral(SER2NET), {"--status-size", "17"}};
  std::unique_ptr<NetworkHost> host;
  int openings = 0;
};

// Why the link lost the barrier, each time.
struct LossWatch : LinkObserver {
  std::vector<LinkLoss> losses;
  void barrierLost(LinkLoss reason) override { losses.push_back(reason); }
};

// What the session will do on the link's silence: open the connection anew.
struct ReconnectOnSilence : LinkObserver {
  NetworkLine& line;
  explicit ReconnectOnSilence(NetworkLine& l) : line(l) {}
  void barrierLost(LinkLoss reason) override {
    if (reason == LinkLoss::Silence) line.reconnect();
  }
};

}  // namespace

TEST_P(NetworkLink, IdentifiesReadsWritesBytes255AndPolls) {
  host->start();
  ASSERT_TRUE(identifiedAndRead());
  EXPECT_EQ(host->model.beamCount, 8);
  auto& c = host->model.editConfig;
  // 0xFF in both blocks, and CR NUL, which Telnet outside binary mode would change.
  for (int b = 1; b <= 8; ++b) c[BarrierConfig::responseTime(b)] = std::uint8_t(b == 2 ? 0xFF : b);
  c[BarrierConfig::SerialHigh] = 0xFF;
  c[BarrierConfig::SerialLow] = 0xFF;
  c[BarrierConfig::AutoBlockTime] = 0xFF;
  c[2] = 0x0D;
  c[3] = 0x00;
  const BarrierConfig sent = c;
  host->link.sendCommand(false);
  ASSERT_TRUE(QTest::qWaitFor([&] { return host->state.writeStep == 0 && host->state.readStep == 0; }, Ceiling));
  EXPECT_TRUE(host->notice.isEmpty()) << host->notice.toStdString();
  for (std::size_t i = 0; i <= 11; ++i) EXPECT_EQ(host->model.deviceConfig[i], sent[i]) << i;
  for (std::size_t i = 16; i <= 24; ++i) EXPECT_EQ(host->model.deviceConfig[i], sent[i]) << i;
  const int replies = host->statusReplies;
  EXPECT_TRUE(QTest::qWaitFor([&] { return host->statusReplies > replies + 20; }, Ceiling));
  EXPECT_EQ(openings, 1);
}

TEST_P(NetworkLink, Ser2NetKilledLosesTheBarrierAtOnceAndItIsFoundAgain) {
  LossWatch watch;
  host->link.addObserver(&watch);
  host->start();
  ASSERT_TRUE(identifiedAndRead());
  server.killSer2Net();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !host->comm.isOpen(); }, Ceiling));
  // Told by the connection's end, as an unplugged adapter, not by seven silent ticks.
  EXPECT_EQ(watch.losses, std::vector<LinkLoss>{LinkLoss::Unplugged});
  EXPECT_EQ(host->identText, NoConnection);
  EXPECT_EQ(host->comm.lastFailure(), NetworkFailure::ClosedByFarEnd);
  ASSERT_TRUE(server.startSer2Net()) << server.error().toStdString();
  ASSERT_TRUE(identifiedAndRead());
  EXPECT_EQ(openings, 2);
  host->link.removeObserver(&watch);
}

INSTANTIATE_TEST_SUITE_P(Schemes, NetworkLink, ::testing::Values(Scheme::Raw, Scheme::Rfc2217), schemeTestName);

TEST(NetworkLinkSilence, AFarEndThatFallsSilentIsConnectedAnew) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  Ser2NetServer server(dir.path(), QStringLiteral(BARRIER_SIM), QStringLiteral(SER2NET));
  ASSERT_TRUE(server.start()) << server.error().toStdString();
  NetworkHost host(server.rawName(), dir.path());
  int openings = 0;
  host.comm.onOpened = [&](QObject*) { ++openings; };
  ReconnectOnSilence session(host.comm);
  host.link.addObserver(&session);
  host.start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return host.identText == Connected; }, Ceiling));
  server.say("silent");
  ASSERT_TRUE(QTest::qWaitFor([&] { return host.identText == NoConnection; }, Ceiling));
  server.say("talk");
  ASSERT_TRUE(QTest::qWaitFor([&] { return host.identText == Connected; }, Ceiling));
  EXPECT_EQ(openings, 2);
  host.link.removeObserver(&session);
}
