// The journal's timeline: what a pixel column summarises (without widgets),
// and the Historia window drawing a recorded visit.
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <random>

#include "journal/JournalCsv.h"
#include "journal/JournalWriter.h"
#include "model/Colors.h"
#include "tests/ActingAs.h"
#include "texts/UiTexts.h"
#include "ui/BlockSummary.h"
#include "ui/HistoryWindow.h"
#include "ui/TimeAxis.h"
#include "ui/TimelineData.h"
#include "ui/TimelinePainter.h"
#include "ui/TimelineView.h"

using namespace timeline;

namespace {

BarrierStatus alert(std::uint8_t beams, bool alarmOutput) {
  BarrierStatus s;
  s.beamsAlert = s.beamsAlarm = beams;
  if (alarmOutput) s.statusFlags = statusflag::AlarmOutput;
  return s;
}

std::optional<BeamLook> lookIn(const Column& column, int beam) { return mostSignificantLook(column.lanes, beam); }

}  // namespace

class TimelineTest : public QObject {
  Q_OBJECT

 private slots:
  void aShortAlertIsKeptByItsColumnAndTheStateCarriesOn();
  void timeWithoutAConnectionIsMarkedAndHoldsNoSupply();
  void supplyColumnsSpanEveryReadingInThem();
  void blockSummariesAgreeWithAPlainScan();
  void theHistoryWindowDrawsARecordedVisit();
  void theHistoryWindowNeverExportsThroughAPlantedLink();
};

void TimelineTest::aShortAlertIsKeptByItsColumnAndTheStateCarriesOn() {
  TimelineData data;
  data.addConnected(0, 4);
  data.addStatus(10, BarrierStatus{});
  data.addStatus(1500, alert(0x04, true));  // 20 ms of beam 3 inside a column of a second
  data.addStatus(1520, BarrierStatus{});
  data.addStatus(2000, alert(0x01, false));  // beam 1 from the start of a column on
  data.extendTo(4200);

  const std::vector<Column> columns = summariseColumns(data, 0, 1000, 6);
  QCOMPARE(lookIn(columns[0], 3), BeamLook::Normal);
  QCOMPARE(lookIn(columns[1], 3), BeamLook::Alert);
  QVERIFY(columns[1].lanes & flagBit(FlagLane::AlarmOutput, true));
  QCOMPARE(lookIn(columns[1], 1), BeamLook::Normal);
  // The alert of beam 1 holds in every column after its change, up to the journal's end.
  for (int x : {2, 3, 4}) QCOMPARE(lookIn(columns[std::size_t(x)], 1), BeamLook::Alert);
  QCOMPARE(lookIn(columns[2], 3), BeamLook::Normal);
  QVERIFY(!(columns[2].lanes & flagBit(FlagLane::AlarmOutput, true)));
  QCOMPARE(columns[5].lanes, LaneWord(0));
  QCOMPARE(data.alarmStarts(), std::vector<qint64>{1500});
  // Beams beyond the connection's count have no lane look at all.
  QCOMPARE(lookIn(columns[2], 5), std::nullopt);
}

void TimelineTest::timeWithoutAConnectionIsMarkedAndHoldsNoSupply() {
  TimelineData data;
  data.addConnected(1000, 8);
  data.addStatus(1010, BarrierStatus{});
  data.addSupply(1010, 13.6);
  data.addDisconnected(3000);
  data.addConnected(6000, 8);
  data.addStatus(6010, BarrierStatus{});
  data.addSupply(6010, 13.5);
  data.extendTo(8000);

  const std::vector<Column> columns = summariseColumns(data, 0, 1000, 8);
  QVERIFY(columns[0].lanes & DisconnectedBit);  // before the barrier was first seen
  QVERIFY(!(columns[1].lanes & DisconnectedBit));
  QCOMPARE(lookIn(columns[2], 8), BeamLook::Normal);
  QVERIFY(columns[3].lanes & DisconnectedBit);
  QCOMPARE(lookIn(columns[4], 8), std::nullopt);
  QVERIFY(columns[4].supply.empty());
  QVERIFY(!columns[6].supply.empty());
  QCOMPARE(data.momentAt(4000).kind, Moment::Kind::Disconnected);
  QCOMPARE(data.momentAt(4000).sinceMs, qint64(3000));
  QCOMPARE(data.momentAt(7000).supplyVolts, std::optional<double>(13.5f));
}

void TimelineTest::supplyColumnsSpanEveryReadingInThem() {
  TimelineData data;
  data.addConnected(0, 2);
  data.addSupply(100, 13.0);
  data.addSupply(1200, 11.0);
  data.addSupply(1700, 12.0);
  data.extendTo(3000);
  const std::vector<Column> columns = summariseColumns(data, 0, 1000, 3);
  QCOMPARE(columns[0].supply.low, 13.0f);
  QCOMPARE(columns[1].supply.low, 11.0f);
  QCOMPARE(columns[1].supply.high, 13.0f);  // 13.0 held until 1200
  QCOMPARE(columns[2].supply.low, 12.0f);
  QCOMPARE(columns[2].supply.high, 12.0f);

  // A reading no supply gives (a damaged row) still makes a scale of a few lines.
  data.addSupply(2500, 1.8e18);
  QImage image(600, 400, QImage::Format_RGB32);
  drawTimeline(image, data, 0, 3000);
}

void TimelineTest::blockSummariesAgreeWithAPlainScan() {
  struct Or {
    std::uint64_t operator()(std::uint64_t a, std::uint64_t b) const { return a | b; }
  };
  BlockSummary<std::uint64_t, Or> summary;
  std::vector<std::uint64_t> plain;
  std::mt19937_64 random(5);
  for (int n = 0; n < 70'000; ++n) {
    const std::uint64_t word = std::uint64_t(1) << (random() % 64);
    summary.append(word);
    plain.push_back(word);
    // Runs of every length, across block edges of every level, while it grows.
    if (n % 97 != 0) continue;
    for (int run = 0; run < 20; ++run) {
      const std::size_t first = random() % plain.size();
      const std::size_t last = first + random() % (plain.size() - first + 1);
      std::uint64_t expected = 0;
      for (std::size_t i = first; i < last; ++i) expected |= plain[i];
      QCOMPARE(summary.summary(first, last), expected);
    }
  }
}

void TimelineTest::theHistoryWindowDrawsARecordedVisit() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
  const qint64 t0 = QDateTime(QDate(2026, 12, 7), QTime(23, 50)).toMSecsSinceEpoch();
  constexpr qint64 Minute = 60'000;
  const qint64 alarmAt = t0 + 10 * Minute;
  {
    JournalWriter writer({path});
    writer.startSession(t0, QStringLiteral("orvita"), QStringLiteral("ttyUSB0"));
    writer.startConnection(t0, QByteArray::fromHex("0401000520210714"), 4);
    BarrierConfig config;
    for (int b = 1; b <= 4; ++b) config[BarrierConfig::responseTime(b)] = 5;
    writer.addEvent(t0 + 100, JournalEventKind::ConfigRead, configBytes(config));
    writer.setBarrier(t0 + 100, 4711);
    writer.addEvent(t0 + 200, JournalEventKind::Status, statusBytes(BarrierStatus{}));
    writer.addEvent(t0 + 200, JournalEventKind::Supply, {}, QStringLiteral("13.6"));
    writer.addEvent(alarmAt, JournalEventKind::Status, statusBytes(alert(0x04, true)));
    writer.addEvent(alarmAt + 3000, JournalEventKind::Status, statusBytes(BarrierStatus{}));
    writer.endConnection(t0 + 20 * Minute, JournalLossReason::Unplugged);
    writer.startConnection(t0 + 30 * Minute, QByteArray::fromHex("0401000520210714"), 4);
    writer.setBarrier(t0 + 30 * Minute, 4711);
    writer.addEvent(t0 + 30 * Minute, JournalEventKind::Status, statusBytes(BarrierStatus{}));
    writer.endConnection(t0 + 40 * Minute, JournalLossReason::PortClosed);
    writer.endSession(t0 + 40 * Minute);
  }

  HistoryWindow window(path, nullptr, [&] { return t0 + 41 * Minute; });
  window.resize(1200, 600);
  window.show();
  QCOMPARE(window.barrierChooser()->count(), 1);
  QVERIFY(window.barrierChooser()->itemText(0).contains(QStringLiteral("4711")));

  TimelineView* view = window.view();
  view->viewport().show(t0, t0 + 40 * Minute);
  view->refresh();
  const QImage image = view->picture();
  const TimelineLayout layout(image.size(), window.data().beams());
  QCOMPARE(layout.beams, 4);
  const auto xOf = [&](qint64 ms) { return layout.plot.left() + int((ms - t0) * layout.plot.width() / (40 * Minute)); };
  const auto colourAt = [&](int lane, qint64 ms) {
    return Rgb(image.pixel(xOf(ms), layout.laneRect(lane).center().y()) & 0xffffff);
  };
  // Lanes top down: beams 4, 3, 2, 1, then the alarm output.
  QCOMPARE(colourAt(1, alarmAt), colors::Red);
  QCOMPARE(colourAt(3, alarmAt), colors::Green);
  QCOMPARE(colourAt(4, alarmAt), colors::Red);
  QCOMPARE(colourAt(1, t0 + 5 * Minute), colors::Green);
  // Unplugged: no beam colour, but the shading, and its words where there is room.
  int green = 0, grey = 0;
  for (int x = xOf(t0 + 21 * Minute); x < xOf(t0 + 29 * Minute); ++x)
    for (int lane = 0; lane < 4; ++lane) {
      const Rgb c = Rgb(image.pixel(x, layout.laneRect(lane).center().y() + 2) & 0xffffff);
      green += c == colors::Green;
      grey += c == colors::Grey;
    }
  QCOMPARE(green, 0);
  QVERIFY(grey > 0);

  const QString words = view->hoverText(QPoint(xOf(alarmAt + 1000), layout.laneRect(1).center().y()));
  QVERIFY2(words.contains(QStringLiteral("Wiązka 3: alarm")), qPrintable(words));
  QVERIFY2(words.contains(QStringLiteral("Wiązka 1÷2,4: normalna")), qPrintable(words));
  QVERIFY2(words.contains(exactLocalTime(alarmAt)), qPrintable(words));  // when the state began
  QVERIFY(view->hoverText(QPoint(xOf(t0 + 25 * Minute), layout.laneRect(0).center().y()))
              .contains(uiText(UiTexts::txtTimelineNotConnected)));

  view->viewport().show(t0, t0 + 5 * Minute);
  window.nextAlarm();
  QVERIFY(std::abs(view->viewport().start() + view->viewport().span() / 2 - alarmAt) <= 1);

  const QString csv = dir.filePath(QStringLiteral("shown.csv"));
  view->viewport().show(t0 + 15 * Minute, t0 + 25 * Minute);
  QVERIFY(window.saveEvents(csv));
  QFile file(csv);
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
  QCOMPARE(lines.size(), 2);
  QCOMPARE(lines[0], journalCsvHeader());
  QVERIFY(lines[1].startsWith(journalTimeText(t0 + 20 * Minute) + QStringLiteral(",4711,lost,unplugged,")));
}

// "Obraz PNG…" and "Zdarzenia CSV…" as every output is written: never through
// a link another user planted in a shared folder, and new files the user's
// alone. Planting takes root; the window writes as another user (Nobody).
void TimelineTest::theHistoryWindowNeverExportsThroughAPlantedLink() {
  if (!isRoot()) QSKIP("needs root to own links as other users");
  QTemporaryDir dir;
  const QString journal = dir.filePath(QStringLiteral("journal.sqlite"));
  {
    JournalWriter writer({journal});
    writer.startSession(1000, QStringLiteral("orvita"), QStringLiteral("ttyUSB0"));
    writer.startConnection(1000, QByteArray::fromHex("0401000520210714"), 4);
    writer.setBarrier(1100, 4711);
    writer.addEvent(1200, JournalEventKind::Status, statusBytes(alert(0x01, true)));
    writer.endConnection(5000, JournalLossReason::Unplugged);
    writer.endSession(5000);
  }
  HistoryWindow window(journal, nullptr, [] { return qint64(6000); });
  window.show();
  window.view()->viewport().show(0, 6000);

  const QString victim = dir.filePath(QStringLiteral("victim")), shared = dir.filePath(QStringLiteral("shared"));
  {
    QFile file(victim);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("kept");
  }
  QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("shared")));
  QVERIFY(setOwnerAndMode(shared, 0, 01777));
  QVERIFY(setOwnerAndMode(victim, Nobody, 0600));
  QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0711), 0);
  const mode_t umask = ::umask(022);
  for (const QString& name : {QStringLiteral("/picture.png"), QStringLiteral("/events.csv")}) {
    const bool png = name.endsWith(QStringLiteral(".png"));
    const auto save = [&](const QString& path) {
      const ActingAs user(Nobody);
      return png ? window.savePicture(path) : window.saveEvents(path);
    };
    QVERIFY(plantLink(victim, shared + name, Stranger));
    QVERIFY(!save(shared + name));
    QCOMPARE(window.statusText(), uiText(UiTexts::txtExportFailed).arg(shared + name, uiText(UiTexts::txtForeignLink)));
    QFile file(victim);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("kept"));

    const QString mine = shared + QStringLiteral("/mine-") + name.mid(1);
    QVERIFY(save(mine));
    QCOMPARE(modeOf(mine), mode_t(0600));
    QVERIFY(QFileInfo(mine).size() > 0);
  }
  ::umask(umask);
}

QTEST_MAIN(TimelineTest)
#include "TimelineTest.moc"
