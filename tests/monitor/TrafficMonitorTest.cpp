// The traffic monitor: frames in words, the rows of a session with faults,
// the ring's limit as the table sees it, and the files the window writes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QRegularExpression>
#include <algorithm>
#include <vector>

#include "eventlog/EventLog.h"
#include "link/FrameWords.h"
#include "monitor/TrafficRecorder.h"
#include "monitor/TrafficText.h"
#include "tests/ActingAs.h"
#include "tests/link/LinkRig.h"
#include "texts/UiTexts.h"
#include "ui/TrafficMonitorWindow.h"
#include "ui/TrafficTableModel.h"
#include "util/HexText.h"

namespace {

using Kind = TrafficRow::Kind;

std::vector<std::uint8_t> frameOf(std::uint8_t command, std::vector<std::uint8_t> payload) {
  return buildFrame(command, payload);
}

QString sent(std::uint8_t command, std::vector<std::uint8_t> payload = {}, int beams = 0) {
  return frameWords(frameOf(command, payload), false, beams);
}

QString received(std::uint8_t command, std::vector<std::uint8_t> payload = {}, int beams = 0) {
  return frameWords(frameOf(command, payload), true, beams);
}

}  // namespace

TEST(FrameWords, WordEveryCommandInBothDirections) {
  EXPECT_EQ(sent(frame::CmdVersion), QStringLiteral("pytanie o wersję"));
  EXPECT_EQ(received(frame::CmdVersion, {0x06, 0x01, 0x00, 0x05, 0x20, 0x21, 0x07, 0x14}),
            QStringLiteral("liczba wiązek 8, wersja 1.05 z 2021-07-14"));

  EXPECT_EQ(sent(frame::CmdData), QStringLiteral("odczyt konfiguracji od bajtu 0"));
  const std::vector<std::uint8_t> block0{0x01, 0x05, 0x05, 0x00, 0x19, 0x05, 0x05, 0x05, 0x05, 0x30, 0x39, 0x0A};
  EXPECT_EQ(received(frame::CmdData, block0, 4),
            QStringLiteral("alarmowanie: dwie wiązki, czułość 200 200 wył. 1000 ms, nadajnik nr 12345, "
                           "maks. czas zasł. 10 min."));
  EXPECT_EQ(sent(frame::CmdWrite, block0, 4),
            QStringLiteral("zapis: alarmowanie: dwie wiązki, czułość 200 200 wył. 1000 ms, nadajnik nr 12345, "
                           "maks. czas zasł. 10 min."));
  EXPECT_EQ(received(frame::CmdWrite), QStringLiteral("zapis potwierdzony"));

  EXPECT_EQ(sent(frame::CmdData2), QStringLiteral("odczyt konfiguracji od bajtu 16"));
  const std::vector<std::uint8_t> block16{30, 3, 3, 0, 3, 3, 3, 3, 3};
  EXPECT_EQ(received(frame::CmdData2, block16, 3), QStringLiteral("czas zliczania 30 s, autoblok. 3 3 bez"));
  // Without a known beam count every beam the frame carries.
  EXPECT_EQ(sent(frame::CmdWrite2, block16), QStringLiteral("zapis: czas zliczania 30 s, autoblok. 3 3 bez 3 3 3 3 3"));
  EXPECT_EQ(received(frame::CmdWrite2), QStringLiteral("zapis potwierdzony"));

  EXPECT_EQ(sent(frame::CmdStatus), QStringLiteral("pytanie o stan"));
  // Supply 203 is 12.40 V.
  EXPECT_EQ(received(frame::CmdStatus, {0x02, 203, 0, 0, 0, 0, 0, 0, 0}),
            QStringLiteral("wiązka 2 zasłonięta, zasilanie 12,4 V"));
  EXPECT_EQ(received(frame::CmdStatus, {0, 200, 0, 0, 0, 0, 0, 0, 0}),
            QStringLiteral("wiązki w normie, zasilanie 12,2 V"));
  // Several beams, every per-beam byte, flags, the sabotage byte and beam 1's diagnostic byte (payload 16).
  EXPECT_EQ(
      received(frame::CmdStatus, {0x06, 200, 0x21, 0x04, 0x08, 0x10, 0x20, 0x60, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x01}),
      QStringLiteral("wiązki 2÷3 zasłonięte, alarm wiązki 3, wiązka 4 na 50%, wiązka 5 nar., wiązka 6 "
                     "zablokowana, wiązki 6÷7 w pamięci blokad, Alarm, Za niskie napięcie zasilania!!!, "
                     "Sabotaż - zbyt długo zasłonięte wszystkie wiązki, diagnostyka wiązek 1, zasilanie 12,2 V"));
  EXPECT_EQ(received(frame::CmdStatus, {0, 200, 0}), QStringLiteral("za krótka, by ją odczytać"));

  EXPECT_EQ(sent(frame::CmdReset), QStringLiteral("kasowanie pamięci blokad"));
  EXPECT_EQ(received(frame::CmdReset), QStringLiteral("pamięć blokad skasowana"));
  EXPECT_EQ(received(7), QStringLiteral("Nieznane polecenie: 07"));
  EXPECT_EQ(commandName(frame::CmdData2), QStringLiteral("data2"));
}

// A session with the simulator's faults: what the monitor lists, in order.
TEST(TrafficRecorder, ListsASessionWithFaultsAsItHappened) {
  LinkRig rig;
  TrafficRecorder recorder;
  recorder.beamCount = [&rig] { return rig.model.shownBeams(); };
  rig.link.setTrafficObserver(&recorder);
  rig.connect();
  SimBarrier& sim = rig.line.sim;
  const auto poll = [&rig] {
    rig.link.askStatus();
    rig.deliver();
  };
  poll();
  sim.setNoise(3);
  poll();
  sim.setNoise(0);
  sim.damageCheckBytes(1);
  poll();
  poll();
  sim.cutReplies(1);
  poll();
  poll();  // the cut frame runs into this reply, which is found behind it
  sim.dropReplies(1);
  poll();
  sim.sendOverlong(1);
  poll();
  rig.link.portSettingsCommand();

  struct Expected {
    Kind kind;
    int command;
  };
  const std::vector<Expected> expected{
      {Kind::PortOpened, -1}, {Kind::Request, 0},     {Kind::Reply, 0},
      {Kind::Request, 5},     {Kind::Reply, 5},       {Kind::Request, 1},
      {Kind::Reply, 1},       {Kind::Request, 3},     {Kind::Reply, 3},       // plain poll
      {Kind::Request, 3},     {Kind::Discarded, -1},  {Kind::Reply, 3},       // noise
      {Kind::Request, 3},     {Kind::BadCheck, 3},    {Kind::Discarded, -1},  // bad check byte, its rest skipped
      {Kind::NoReply, 3},     {Kind::Request, 3},     {Kind::Discarded, -1},
      {Kind::Reply, 3},       {Kind::Request, 3},  // cut
      {Kind::NoReply, 3},     {Kind::Request, 3},     {Kind::Cut, 3},
      {Kind::Discarded, -1},  {Kind::Reply, 3},       {Kind::Request, 3},  // dropped
      {Kind::NoReply, 3},     {Kind::Request, 3},     {Kind::TooLong, -1},
      {Kind::Discarded, -1},  {Kind::PortClosed, -1},
  };
  const auto& rows = recorder.rows();
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const TrafficRow& row = rows.at(rows.first() + i);
    EXPECT_EQ(row.kind, expected[i].kind) << "row " << i;
    EXPECT_EQ(row.command, expected[i].command) << "row " << i;
  }
  const auto words = [&](std::size_t i) { return rowWords(rows.at(i)); };
  EXPECT_EQ(words(0), QStringLiteral("port ttyUSB0 otwarty"));
  EXPECT_EQ(words(2), QStringLiteral("liczba wiązek 8, wersja 1.05 z 2021-07-14"));
  EXPECT_EQ(words(10), QStringLiteral("odrzucone przy szukaniu początku ramki: 3 B"));
  // The barrier sent its check byte one too high.
  const TrafficRow& damaged = rows.at(13);
  EXPECT_EQ(words(13), QStringLiteral("Bad CRC: %1, w ramce %2")
                           .arg(numToHex(damaged.expectedCheck), numToHex(std::uint8_t(damaged.expectedCheck + 1))));
  EXPECT_EQ(words(15), QStringLiteral("brak odpowiedzi przed następnym pytaniem"));
  EXPECT_EQ(rowDirection(rows.at(15)), QString());
  EXPECT_EQ(words(22), QStringLiteral("ramka ucięta, w jej miejscu zaczyna się następna"));
  EXPECT_EQ(words(28), QStringLiteral("Za długa ramka: 14"));
  EXPECT_EQ(rowDirection(rows.at(7)), QStringLiteral("→ bariera"));
  EXPECT_EQ(rowDirection(rows.at(8)), QStringLiteral("← bariera"));
  EXPECT_EQ(rowBytes(rows.at(7)), QStringLiteral("FF FF 02 03 03"));

  const auto summary = recorder.summary(TrafficRecorder::Clock::now());
  EXPECT_EQ(summary.missing, 3u);
  EXPECT_EQ(summary.damaged, 3u);
  ASSERT_TRUE(summary.answerMedianMs.has_value());
  for (std::uint64_t seq = rows.first(); seq < rows.end(); ++seq)
    if (rows.at(seq).kind == Kind::Reply) {
      EXPECT_GE(rows.at(seq).answerNs, 0) << "row " << seq;
    }

  // A saved line: ISO 8601 time with its offset, then the gap, direction, command, words and bytes.
  const QStringList fields = rowLine(recorder, rows.at(8), rows.at(7).atNs).split(QLatin1Char('\t'));
  ASSERT_EQ(fields.size(), 6);
  EXPECT_TRUE(
      QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}(Z|[+-]\\d\\d:\\d\\d)$"))
          .match(fields[0])
          .hasMatch())
      << fields[0].toStdString();
  EXPECT_EQ(fields.mid(2, 2), QStringList({QStringLiteral("← bariera"), QStringLiteral("status")}));
}

TEST(TrafficRecorder, StampsAReplyWithTheNotificationThatBroughtItsFirstByte) {
  LinkRig rig;
  TrafficRecorder recorder;
  rig.link.setTrafficObserver(&recorder);
  rig.connect();
  rig.link.askStatus();
  rig.line.input.clear();  // the simulator's answer; the test plays its own
  const std::vector<std::uint8_t> reply = frameOf(frame::CmdStatus, {0, 200, 0, 0, 0, 0, 0, 0, 0});
  rig.arrive({reply.begin(), reply.begin() + 5});
  const std::int64_t between = TrafficRecorder::nanoseconds(TrafficRecorder::Clock::now());
  rig.arrive({reply.begin() + 5, reply.end()});
  const TrafficRow& row = recorder.rows().at(recorder.rows().end() - 1);
  ASSERT_EQ(row.kind, Kind::Reply);
  EXPECT_LE(row.atNs, between);
}

TEST(TrafficRing, KeepsTheNewestHundredThousandRowsAndTheTableFollows) {
  TrafficRing<int> ring(100000);
  for (int i = 0; i < 100005; ++i) ring.push(i);
  EXPECT_EQ(ring.size(), 100000u);
  EXPECT_EQ(ring.first(), 5u);
  EXPECT_FALSE(ring.holds(4));
  EXPECT_EQ(ring.at(5), 5);
  EXPECT_EQ(ring.at(100004), 100004);

  // The table lets go of what the ring dropped, also while paused, and
  // takes in what was recorded during the pause once it ends.
  TrafficRecorder recorder(10);
  TrafficTableModel table(recorder);
  const auto opened = [&recorder](int n) {
    for (int i = 0; i < n; ++i) recorder.portOpened(QString::number(i), TrafficRecorder::Clock::now());
  };
  opened(15);
  table.refresh(false);
  EXPECT_EQ(table.rowCount(), 10);
  EXPECT_EQ(table.sequence(0), 5u);
  opened(6);
  table.refresh(true);
  EXPECT_EQ(table.rowCount(), 4);
  EXPECT_EQ(table.sequence(0), 11u);
  table.refresh(false);
  EXPECT_EQ(table.rowCount(), 10);
  EXPECT_EQ(table.sequence(9), 20u);
  // Only errors: none of these rows is one.
  table.setFilter(TrafficTableModel::Filter::ErrorsOnly);
  EXPECT_EQ(table.rowCount(), 0);
}

// "Zapisz…" and the monitor's log file, written as every output is: the one
// never through a link another user planted in a shared folder, the other
// never through a link at all, even one of the owner of a folder that
// another user made first; what they create is the user's alone. Planting
// takes root; the test acts as another user (Nobody) while the window writes.
TEST(TrafficMonitorWindow, SavesAndLogsNeverThroughAPlantedLink) {
  if (!isRoot()) GTEST_SKIP() << "needs root to own links as other users";
  int argc = 1;
  char name[] = "monitor_tests";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  QTemporaryDir dir;
  ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0711), 0);
  const QString victim = dir.filePath("victim");
  const auto contents = [](const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  };
  {
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("kept");
  }
  ASSERT_TRUE(setOwnerAndMode(victim, Nobody, 0600));
  const QString shared = dir.filePath("shared"), state = dir.filePath("state");
  for (const QString& folder : {shared, state}) ASSERT_TRUE(QDir().mkdir(folder));
  ASSERT_TRUE(setOwnerAndMode(shared, 0, 01777));
  ASSERT_TRUE(setOwnerAndMode(state, Stranger, 01777));
  ASSERT_TRUE(plantLink(victim, shared + "/rows.txt", Stranger));
  ASSERT_TRUE(plantLink(victim, state + "/orvita_monitor.log", Stranger));

  LinkRig rig;
  EventLog log(state + "/orvita.log", state + "/orvita_.log");
  log.logToFile = true;
  TrafficMonitorWindow window(rig.link, log);
  ASSERT_EQ(window.logFile(), state + "/orvita_monitor.log");
  QString why;
  {
    const ActingAs user(Nobody);
    window.recorder.portOpened(QStringLiteral("ttyUSB0"), TrafficRecorder::Clock::now());
    window.flush();
    EXPECT_FALSE(window.saveListed(shared + "/rows.txt", &why));
  }
  EXPECT_EQ(why, uiText(UiTexts::txtForeignLink));
  EXPECT_EQ(window.logProblem(),
            uiText(UiTexts::txtLogFileFailed).arg(window.logFile(), uiText(UiTexts::txtNotRegularFile)));
  const QList<QLabel*> labels = window.findChildren<QLabel*>();
  EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](const QLabel* label) {
    return label->text().contains(window.logProblem());
  })) << "the window shows why";
  EXPECT_EQ(contents(victim), QByteArray("kept"));

  ASSERT_TRUE(QFile::remove(window.logFile()));
  {
    const ActingAs user(Nobody);
    window.recorder.portClosed(TrafficRecorder::Clock::now());
    window.flush();
    EXPECT_TRUE(window.saveListed(shared + "/mine.txt", &why)) << why.toStdString();
  }
  EXPECT_TRUE(window.logProblem().isEmpty()) << window.logProblem().toStdString();
  for (const QString& created : {window.logFile(), shared + "/mine.txt"}) {
    EXPECT_EQ(modeOf(created), 0600u) << created.toStdString();
    EXPECT_FALSE(contents(created).isEmpty()) << created.toStdString();
  }
}
