// The network line against the real ser2net in front of barrier-sim, and
// against far ends that fail in each way a user meets.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

#include "link/Frame.h"
#include "net/NetworkLine.h"
#include "tests/Ser2NetServer.h"
#include "tests/net/SchemeParam.h"
#include "texts/UiTexts.h"
#include "util/UniqueFd.h"

namespace {

// Waits end on the event they wait for; the ceiling only stops a broken run.
constexpr int Ceiling = 20000;
// The simulator's answer to a version request ("ORVITA 8 v.1.05 2021-07-14").
const QByteArray VersionReply = QByteArray::fromHex("ffff0a00060100052021071470");

// A line and everything it announced, read as the link reads it.
struct WatchedLine {
  NetworkLine line;
  int opened = 0, openFailed = 0, lost = 0;
  QByteArray received;

  explicit WatchedLine(const QString& name) {
    line.setDeviceName(name);
    line.onOpened = [this](QObject*) { ++opened; };
    line.onOpenFailed = [this](QObject*) { ++openFailed; };
    line.onDeviceLost = [this](QObject*) { ++lost; };
    line.onRxChar = [this](QObject*, std::int32_t count) {
      std::vector<std::uint8_t> bytes(std::size_t(count), 0);
      const std::int32_t n = line.read(bytes.data(), count);
      if (n > 0) received.append(reinterpret_cast<const char*>(bytes.data()), n);
    };
  }
  bool openAndWait() {
    line.open();
    return QTest::qWaitFor([&] { return line.isOpen(); }, Ceiling);
  }
  // The version request, and its reply once all of it is in.
  QByteArray askVersion() {
    received.clear();
    line.setRxThreshold(std::int32_t(VersionReply.size()));
    const std::vector<std::uint8_t> request = buildFrame(frame::CmdVersion, {});
    if (line.write(request.data(), std::int32_t(request.size())) != std::int32_t(request.size())) return {};
    [[maybe_unused]] const bool whole =
        QTest::qWaitFor([&] { return received.size() >= VersionReply.size(); }, Ceiling);
    return received;
  }
};

class NetworkLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(server.start()) << server.error().toStdString();
  }

  QTemporaryDir dir;
  Ser2NetServer server{dir.path(), QStringLiteral(BARRIER_SIM), QStringLiteral(SER2NET)};
};

class NetworkLineSchemes : public NetworkLineTest, public ::testing::WithParamInterface<Scheme> {};

// The settings of the pseudo-terminal ser2net holds, as a reader of it sees them.
termios terminalSettings(const QString& link) {
  termios settings{};
  const UniqueFd fd(::open(QFile::symLinkTarget(link).toLocal8Bit().constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK));
  if (fd.valid()) ::tcgetattr(fd.get(), &settings);
  return settings;
}

}  // namespace

TEST_P(NetworkLineSchemes, ARequestAndItsReplyCrossByteForByte) {
  WatchedLine watched(portNameFor(server, GetParam()));
  EXPECT_FALSE(watched.line.open());
  EXPECT_TRUE(watched.line.connecting());
  ASSERT_TRUE(QTest::qWaitFor([&] { return watched.line.isOpen(); }, Ceiling));
  EXPECT_EQ(watched.opened, 1);
  // Frames begin with two 0xFF bytes: over Telnet each goes doubled and comes back undoubled.
  EXPECT_EQ(watched.askVersion(), VersionReply);
  EXPECT_EQ(watched.askVersion(), VersionReply);
  EXPECT_EQ(watched.line.lastFailure(), NetworkFailure::None);
  EXPECT_EQ(watched.openFailed + watched.lost, 0);
  watched.line.close();
  EXPECT_FALSE(watched.line.isOpen());
  std::uint8_t byte = 0;
  EXPECT_EQ(watched.line.read(&byte, 1), 0);
}

TEST_F(NetworkLineTest, Rfc2217SetsTheFarPortAtOpeningAndWhenChanged) {
  WatchedLine watched(server.rfc2217Name());
  watched.line.setBaudRate(cbr4800);
  watched.line.setStopBits(sb2_0);
  // Kept while connecting and set at the opening; never answered by ser2net on a pseudo-terminal.
  EXPECT_FALSE(watched.line.setDtr(false));
  ASSERT_TRUE(watched.openAndWait());
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        const termios t = terminalSettings(server.terminal());
        return cfgetospeed(&t) == B4800 && (t.c_cflag & CSTOPB);
      },
      Ceiling));
  watched.line.setBaudRate(cbr19200);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        const termios t = terminalSettings(server.terminal());
        return cfgetospeed(&t) == B19200;
      },
      Ceiling));
  EXPECT_TRUE(watched.line.setRts(true));
  EXPECT_EQ(watched.askVersion(), VersionReply);
}

TEST_P(NetworkLineSchemes, ASecondClientIsToldThePortIsInUse) {
  const QString name = portNameFor(server, GetParam());
  WatchedLine first(name);
  ASSERT_TRUE(first.openAndWait());
  WatchedLine second(name);
  second.line.open();
  ASSERT_TRUE(QTest::qWaitFor([&] { return second.line.lastFailure() == NetworkFailure::InUse; }, Ceiling));
  EXPECT_FALSE(second.line.isOpen());
  EXPECT_TRUE(second.line.waitingToReconnect());
  const QString endpoint = name.section(QStringLiteral("://"), 1);
  EXPECT_EQ(second.line.failureText(), uiText(UiTexts::txtNetInUse).arg(endpoint));
  EXPECT_EQ(first.askVersion(), VersionReply);
}

INSTANTIATE_TEST_SUITE_P(Schemes, NetworkLineSchemes, ::testing::Values(Scheme::Raw, Scheme::Rfc2217), schemeTestName);

TEST_F(NetworkLineTest, ATelnetFarEndWithoutTheComPortOptionIsToldApart) {
  WatchedLine watched(server.telnetOnlyName());
  watched.line.open();
  ASSERT_TRUE(QTest::qWaitFor([&] { return watched.openFailed > 0; }, Ceiling));
  EXPECT_EQ(watched.line.lastFailure(), NetworkFailure::ComPortRefused);
  EXPECT_EQ(watched.opened, 0);
}

TEST(NetworkLine, FailuresAreToldInWordsAndTriedAgainLessOften) {
  const quint16 port = Ser2NetServer::freePort();
  WatchedLine refused(QStringLiteral("socket://127.0.0.1:%1").arg(port));
  refused.line.open();
  ASSERT_TRUE(QTest::qWaitFor([&] { return refused.openFailed == 1; }, Ceiling));
  EXPECT_EQ(refused.line.lastFailure(), NetworkFailure::Refused);
  EXPECT_EQ(refused.line.failureText(), uiText(UiTexts::txtNetRefused).arg(QStringLiteral("127.0.0.1:%1").arg(port)));
  EXPECT_TRUE(refused.line.waitingToReconnect());
  EXPECT_FALSE(refused.line.open());  // waits its turn
  EXPECT_TRUE(refused.line.waitingToReconnect());
  EXPECT_EQ(refused.line.reconnectPolicy().delay(), ReconnectPolicy::FirstDelay);
  ASSERT_TRUE(QTest::qWaitFor([&] { return refused.openFailed == 2; }, Ceiling));
  EXPECT_EQ(refused.line.reconnectPolicy().delay(), 2 * ReconnectPolicy::FirstDelay);
  refused.line.close();
  EXPECT_FALSE(refused.line.waitingToReconnect());

  // A label longer than DNS allows: no resolver can find it, and none is asked.
  WatchedLine unknown(QStringLiteral("rfc2217://%1.invalid:2001").arg(QString(64, u'x')));
  unknown.line.open();
  ASSERT_TRUE(QTest::qWaitFor([&] { return unknown.openFailed == 1; }, Ceiling));
  EXPECT_EQ(unknown.line.lastFailure(), NetworkFailure::NameNotFound);

  WatchedLine noPort(QStringLiteral("socket://127.0.0.1"));
  EXPECT_FALSE(noPort.line.open());
  EXPECT_EQ(noPort.line.lastFailure(), NetworkFailure::BadAddress);
  EXPECT_FALSE(noPort.line.connecting());
}

TEST(NetworkLine, AFarEndThatAcceptsAndNeverAnswers) {
  QTcpServer silent;  // takes connections and never says a word
  ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
  std::vector<std::unique_ptr<QTcpSocket>> accepted;
  QObject::connect(&silent, &QTcpServer::newConnection, [&] {
    while (QTcpSocket* s = silent.nextPendingConnection()) accepted.emplace_back(s);
  });

  // Raw TCP opens at once; the link's silence asks for a new connection.
  WatchedLine raw(QStringLiteral("socket://localhost:%1").arg(silent.serverPort()));
  raw.line.open();
  raw.line.open();  // while connecting: no second connection
  ASSERT_TRUE(QTest::qWaitFor([&] { return raw.line.isOpen(); }, Ceiling));
  QTest::qWait(100);
  EXPECT_EQ(accepted.size(), 1u);
  const std::uint8_t request[] = {0xFF, 0xFF, 0x02, 0x00, 0x00};
  EXPECT_EQ(raw.line.write(request, 5), 5);
  raw.line.reconnect();
  EXPECT_FALSE(raw.line.isOpen());
  EXPECT_EQ(raw.line.lastFailure(), NetworkFailure::TimedOut);
  ASSERT_TRUE(QTest::qWaitFor([&] { return raw.opened == 2; }, Ceiling));
  EXPECT_EQ(accepted.size(), 2u);
  EXPECT_EQ(raw.lost, 0);  // the caller knew
  raw.line.close();

  // Over Telnet the com-port option is never taken.
  WatchedLine telnet(QStringLiteral("rfc2217://127.0.0.1:%1").arg(silent.serverPort()));
  telnet.line.open();
  ASSERT_TRUE(QTest::qWaitFor([&] { return telnet.openFailed == 1; }, Ceiling));
  EXPECT_EQ(telnet.line.lastFailure(), NetworkFailure::TimedOut);
  EXPECT_EQ(telnet.opened, 0);
}
