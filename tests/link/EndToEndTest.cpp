// The link against the barrier-sim program on a pseudo-terminal, through the
// real serial port object and real timers.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <vector>

#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"
#include "link/JournalRecorder.h"
#include "tests/link/HeadlessHost.h"

namespace {

const QString kConnected = QStringLiteral(" ORVITA 8 v.1.05    2021-07-14");
// Waits end on the event they wait for; the ceiling only stops a broken run,
// and is generous for a loaded machine and the sanitizer builds.
constexpr int Ceiling = 30000;

// The request lines among `lines`, in their order.
QStringList requestLines(const QStringList& lines) {
  const QStringList requests{uiText(UiTexts::txtLogAskVer),   uiText(UiTexts::txtLogAskData),
                             uiText(UiTexts::txtLogAskData2), uiText(UiTexts::txtLogAskRes),
                             uiText(UiTexts::txtLogAskWrite), uiText(UiTexts::txtLogAskWrite2)};
  QStringList out;
  for (const QString& line : lines)
    if (requests.contains(line)) out << line;
  return out;
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ttyLink = dir.filePath("barrier");
    sim.setProgram(QStringLiteral(BARRIER_SIM));
    sim.setArguments({"--link", ttyLink, "--status-size", "17"});
    sim.start();
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(ttyLink); }, Ceiling));
    host = std::make_unique<HeadlessHost>(ttyLink, dir.path());
  }
  void TearDown() override {
    host.reset();
    sim.closeWriteChannel();
    sim.kill();
    sim.waitForFinished(3000);
  }
  void say(const char* command) {
    sim.write(command);
    sim.write("\n");
    sim.waitForBytesWritten(1000);
  }
  bool logHas(const QString& line) const { return host->log.lines().contains(line); }

  QTemporaryDir dir;
  QString ttyLink;
  QProcess sim;
  std::unique_ptr<HeadlessHost> host;
};

}  // namespace

TEST_F(EndToEnd, ConnectsReadsTheConfigurationAndPollsContinuously) {
  host->start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return host->identText == kConnected; }, Ceiling));
  ASSERT_TRUE(QTest::qWaitFor([&] { return host->state.readStep == 0 && host->statusReplies > 20; }, Ceiling));
  const QStringList lines = host->log.lines();
  const auto data2 = lines.indexOf(uiText(UiTexts::txtLogAskData2));
  const auto data = lines.indexOf(uiText(UiTexts::txtLogAskData));
  EXPECT_GE(lines.indexOf(uiText(UiTexts::txtLogAskVer)), 0);
  EXPECT_GT(data2, lines.indexOf(uiText(UiTexts::txtLogAskVer)));
  EXPECT_GT(data, data2);
  EXPECT_EQ(host->model.beamCount, 8);
}

TEST_F(EndToEnd, AWriteStoresExactlyTheEditedBytesInTheBarrier) {
  host->start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return host->identText == kConnected && host->state.readStep == 0; }, Ceiling));
  auto& c = host->model.editConfig;
  for (int b = 1; b <= 8; ++b) {
    c[BarrierConfig::responseTime(b)] = std::uint8_t(b);
    c[BarrierConfig::autoBlockCount(b)] = std::uint8_t(10 + b);
  }
  c[BarrierConfig::SerialHigh] = 0x30;
  c[BarrierConfig::SerialLow] = 0x39;
  c[BarrierConfig::AutoBlockTime] = 30;
  const BarrierConfig sent = c;
  host->link.sendCommand(false);
  // The send ends with the configuration read back from the barrier.
  ASSERT_TRUE(QTest::qWaitFor([&] { return host->state.writeStep == 0 && host->state.readStep == 0; }, Ceiling));
  EXPECT_TRUE(logHas(uiText(UiTexts::txtLogWrite2Ok)));
  EXPECT_TRUE(logHas(uiText(UiTexts::txtLogWriteOk)));
  EXPECT_TRUE(host->notice.isEmpty());
  for (std::size_t i = 0; i <= 11; ++i) EXPECT_EQ(host->model.deviceConfig[i], sent[i]) << i;
  for (std::size_t i = 16; i <= 24; ++i) EXPECT_EQ(host->model.deviceConfig[i], sent[i]) << i;
}

TEST_F(EndToEnd, ASilentBarrierIsLostAndFoundAgain) {
  host->start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return host->identText == kConnected; }, Ceiling));
  say("silent");
  // Seven ticks without a reply.
  ASSERT_TRUE(QTest::qWaitFor([&] { return host->identText == QStringLiteral(" Brak połączenia."); }, Ceiling));
  EXPECT_TRUE(host->model.versionInfo.empty());
  say("talk");
  EXPECT_TRUE(QTest::qWaitFor([&] { return host->identText == kConnected; }, Ceiling));
}

TEST_F(EndToEnd, ABarrierThatHangsUpIsLostAtOnceAndIdentifiedAndReadWhenItReappears) {
  host->start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return host->identText == kConnected && host->state.readStep == 0; }, Ceiling));
  say("hangup 1");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !host->comm.isOpen(); }, Ceiling));
  EXPECT_EQ(host->identText, QStringLiteral(" Brak połączenia."));
  const qsizetype before = host->log.lines().size();
  ASSERT_TRUE(QTest::qWaitFor([&] { return host->identText == kConnected && host->state.readStep == 0; }, Ceiling));
  QStringList lines = requestLines(host->log.lines().mid(before));
  ASSERT_GE(lines.size(), 3);
  EXPECT_EQ(lines.mid(0, 3), (QStringList{uiText(UiTexts::txtLogAskVer), uiText(UiTexts::txtLogAskData2),
                                          uiText(UiTexts::txtLogAskData)}));
  const int replies = host->statusReplies;
  EXPECT_TRUE(QTest::qWaitFor([&] { return host->statusReplies > replies + 10; }, Ceiling));
}

// Lower bounds hold however loaded the machine is; the upper ones are loose.
TEST_F(EndToEnd, ThePollingPauseAndTheCycleKeepTheirTimes) {
  QElapsedTimer clock;
  clock.start();
  qint64 lastReply = -1;
  std::vector<qint64> pauses, versionRequests;
  host->onStatus = [&] { lastReply = clock.elapsed(); };
  host->onTimedRequest = [&] {
    if (lastReply >= 0) pauses.push_back(clock.elapsed() - lastReply);
    lastReply = -1;
  };
  host->log.onLinesChanged = [&](const QString& added, bool) {
    if (added == uiText(UiTexts::txtLogAskVer)) versionRequests.push_back(clock.elapsed());
  };
  host->start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return host->state.readStep == 0 && host->statusReplies > 0; }, 10000));
  // A real event loop: qWaitFor sleeps 10 ms between rounds of events.
  pauses.clear();
  QEventLoop loop;
  QTimer::singleShot(2000, &loop, &QEventLoop::quit);
  loop.exec();
  ASSERT_GE(pauses.size(), 20u);
  EXPECT_GE(*std::min_element(pauses.begin(), pauses.end()), 9) << "the next request follows a status reply too soon";

  say("silent");
  versionRequests.clear();
  ASSERT_TRUE(QTest::qWaitFor([&] { return versionRequests.size() >= 4; }, 10000));
  // One late tick shortens the next gap; their mean keeps the interval.
  const double mean = double(versionRequests.back() - versionRequests.front()) / double(versionRequests.size() - 1);
  EXPECT_GE(mean, 990) << "the cycle ticks early";
  EXPECT_LE(mean, 1300) << "the cycle ticks late";
}

TEST_F(EndToEnd, AStatusChangeInTheBarrierReachesTheModel) {
  host->start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return host->identText == kConnected && host->state.readStep == 0; }, Ceiling));
  say("alert 3 on");
  EXPECT_TRUE(QTest::qWaitFor([&] { return host->model.status.beamsAlert == beamBit(3); }, Ceiling));
  say("block 5 on");
  EXPECT_TRUE(QTest::qWaitFor([&] { return host->model.status.beamsBlocked == beamBit(5); }, Ceiling));
}

// The journal's rows for a service visit: identified, read, a change,
// unplugged, back, a write, and a write the barrier fell silent under.
TEST_F(EndToEnd, TheJournalRecordsAVisitRowByRowAndAttributesItToTheBarrier) {
  const QString journalFile = dir.filePath("journal.sqlite");
  say("config 9 0x30");  // transmitter 12345
  say("config 10 0x39");
  const auto connectedAndRead = [&] {
    return QTest::qWaitFor([&] { return host->identText == kConnected && host->state.readStep == 0; }, Ceiling);
  };
  JournalWriter writer({journalFile, 180, 5000, 100});
  {
    JournalRecorder recorder(writer, QStringLiteral("orvita"), ttyLink);
    host->link.addObserver(&recorder);
    host->start();
    ASSERT_TRUE(connectedAndRead());
    say("alert 3 on");
    say("set 1 190");  // the supply drops from 12.2 to 11.6 V
    ASSERT_TRUE(QTest::qWaitFor([&] { return host->model.status.beamsAlert == beamBit(3); }, Ceiling));
    const int replies = host->statusReplies;
    ASSERT_TRUE(QTest::qWaitFor([&] { return host->statusReplies > replies + 40; }, Ceiling));

    say("hangup 1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !host->comm.isOpen(); }, Ceiling));
    ASSERT_TRUE(connectedAndRead());

    host->model.editConfig[BarrierConfig::responseTime(2)] = 7;
    host->link.sendCommand(false);
    // Done once the read after it shows the barrier holds it.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return host->state.writeStep == 0 && !host->state.writeCheckPending && host->state.readStep == 0; },
        Ceiling));

    say("silent");
    // Once the barrier no longer answers, a write is asked for: it never goes
    // out, since each tick asks the version first.
    ASSERT_TRUE(QTest::qWaitFor([&] { return host->state.linkCounter <= 8; }, Ceiling));
    host->model.editConfig[BarrierConfig::autoBlockCount(1)] = 9;  // the block sent first
    host->link.sendCommand(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return host->identText == QStringLiteral(" Brak połączenia."); }, Ceiling));
    say("talk");
    ASSERT_TRUE(connectedAndRead());
    ASSERT_TRUE(
        host->notice.contains(uiText(UiTexts::txtWriteNotDone).arg(uiText(UiTexts::txtFieldAutoBlockCount).arg(1))))
        << host->notice.toStdString();
    host->link.removeObserver(&recorder);
  }
  writer.flush();

  JournalReader reader(journalFile);
  ASSERT_TRUE(reader.open()) << reader.error().toStdString();
  const QList<JournalEvent> events = reader.events({});
  QStringList story;
  for (const JournalEvent& e : events)
    if (e.kind != JournalEventKind::Status && e.kind != JournalEventKind::Supply)
      story << journalEventName(e.kind) + (e.kind == JournalEventKind::Lost ? " " + journalLossName(e.reason) : "");
  EXPECT_EQ(story, (QStringList{"session-start", "connected", "config-read", "lost unplugged", "connected",
                                "config-read", "write-sent", "config-read", "config-written", "lost silence",
                                "connected", "config-read", "write-dropped", "lost port-closed", "session-end"}));

  // Everything in a connection is the barrier's, also what came before its read.
  int statuses = 0;
  double lowestSupply = 99;
  bool sawAlert = false;
  std::optional<BarrierStatus> previous;
  qint64 connection = -1;
  for (const JournalEvent& e : events) {
    if (e.connection != 0) {
      EXPECT_EQ(e.barrier, 12345u) << journalEventName(e.kind).toStdString();
    }
    if (e.kind == JournalEventKind::ConfigWritten) {
      EXPECT_EQ(e.config[BarrierConfig::responseTime(2)], 7);
    }
    // Only readings: the filter's values from 0 V as it settles after the
    // start, or after a reconnection, are none.
    if (e.kind == JournalEventKind::Supply) {
      EXPECT_TRUE(e.supplyVolts >= 11.5 && e.supplyVolts <= 12.3) << e.text.toStdString();
      lowestSupply = std::min(lowestSupply, e.supplyVolts);
    }
    if (e.kind != JournalEventKind::Status) continue;
    ++statuses;
    sawAlert = sawAlert || e.status.beamsAlert == beamBit(3);
    // A row per change: never the same state twice in a row within a connection.
    if (previous && connection == e.connection) {
      EXPECT_FALSE(statusBytes(*previous) == statusBytes(e.status)) << "a status row without a change";
    }
    previous = e.status;
    connection = e.connection;
  }
  EXPECT_TRUE(sawAlert);
  EXPECT_LT(lowestSupply, 11.8) << "the supply's drop is kept";
  EXPECT_LT(statuses, host->statusReplies / 4);
  const QList<JournalBarrier> barriers = reader.barriers();
  ASSERT_EQ(barriers.size(), 1);
  EXPECT_EQ(barriers[0].serial, 12345u);
  EXPECT_EQ(barriers[0].connections, 3);
  EXPECT_EQ(barriers[0].beamCount, 8);
  const QList<JournalConnection> spans = reader.connections(12345u);
  ASSERT_EQ(spans.size(), 3);
  EXPECT_EQ(spans[0].reason, JournalLossReason::Unplugged);
  EXPECT_EQ(spans[1].reason, JournalLossReason::Silence);
  EXPECT_EQ(spans[2].reason, JournalLossReason::PortClosed);
  EXPECT_LE(spans[0].endMs, spans[1].startMs);
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
