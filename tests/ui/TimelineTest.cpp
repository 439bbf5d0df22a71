// The journal's timeline: what a pixel column summarises (without widgets),
// and the Historia window drawing a recorded visit.
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
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
#include "ui/TimelineLoader.h"
#include "ui/TimelinePainter.h"
#include "ui/TimelineView.h"
#include "ui/TimelineWords.h"

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
  void aTimeNoCalendarHoldsStaysOffTheTimeline();
  void theWindowOpensOnTheBarrierThatMattersAndLiveFollowsTheConnection();
};

void TimelineTest::aShortAlertIsKeptByItsColumnAndTheStateCarriesOn() {
  TimelineData data;
  data.addConnected(0, 4);
  data.addStatus(10, BarrierStatus{});
  data.addStatus(1500, alert(0x04, true));  // 20 ms of beam 3 inside a column of a second
  data.addStatus(1510, alert(0x0C, true));  // beam 4 joins: the same alarm goes on
  data.addStatus(1520, BarrierStatus{});
  data.addStatus(2000, alert(0x01, false));  // beam 1 from the start of a column on
  BarrierStatus supplyOnly = alert(0x01, false);
  supplyOnly.supplyRaw = 201;  // a change the lanes do not show
  data.addStatus(2500, supplyOnly);
  BarrierStatus blocked = alert(0x01, false);
  blocked.beamsBlocked = 0x02;
  data.addStatus(3100, blocked);
  data.addStatus(3300, alert(0x03, false));  // beam 2 alerted between two blocks of it
  data.addStatus(3400, blocked);
  data.addStatus(4200, alert(0x03, true));  // the journal's last change
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
  QCOMPARE(lookIn(columns[3], 2), BeamLook::Alert);  // over the block around it
  QCOMPARE(lookIn(columns[4], 2), BeamLook::Alert);  // drawn, though at the very end
  QVERIFY(columns[4].lanes & flagBit(FlagLane::AlarmOutput, true));
  QCOMPARE(columns[5].lanes, LaneWord(0));
  // Two alarm statuses in a row are one alarm; one still on lasts to the journal's end.
  QCOMPARE(data.alarms().size(), 2u);
  QCOMPARE(data.alarms()[0].startMs, qint64(1500));
  QCOMPARE(data.alarms()[0].endMs, qint64(1520));
  QCOMPARE(data.alarms()[1].startMs, qint64(4200));
  data.extendTo(4500);
  QCOMPARE(data.alarms()[1].endMs, qint64(4500));
  // Beams beyond the connection's count have no lane look at all.
  QCOMPARE(lookIn(columns[2], 5), std::nullopt);

  // A state lasts from the change the lanes show to the next such change.
  QCOMPARE(data.momentAt(1505).sinceMs, qint64(1500));
  QCOMPARE(data.momentAt(1505).untilMs, qint64(1510));
  QCOMPARE(data.momentAt(2700).sinceMs, qint64(2000));
  QCOMPARE(data.momentAt(2700).untilMs, qint64(3100));
  const QString words = momentWords(data.momentAt(2700), 2700);
  QVERIFY2(words.contains(QStringLiteral("czas trwania: 1,1 s")), qPrintable(words));
  QCOMPARE(durationText(3 * 60'000 + 5'400), QStringLiteral("3 min 5 s"));
  QCOMPARE(durationText(26 * 3'600'000LL), QStringLiteral("1 d 2 h"));
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

  // The scale: a line about every 22 pixels at round volts, each label its own
  // (a tenth of a volt apart at the finest, as fine as the readings are).
  const auto labels = [](float low, float high, int pixels) {
    QStringList list;
    for (const SupplyMark& mark : supplyMarks({low, high}, pixels)) list << mark.label;
    return list;
  };
  QCOMPARE(labels(13.55f, 13.7f, 400), QStringList({QStringLiteral("13.5"), QStringLiteral("13.6"),
                                                    QStringLiteral("13.7"), QStringLiteral("13.8")}));
  // A reading no supply gives (a damaged row) still makes a scale of a few lines.
  const QStringList wild = labels(11.0f, 1.8e18f, 200);
  QVERIFY2(wild.size() >= 3 && wild.size() <= 12, qPrintable(wild.join(u' ')));
  QCOMPARE(QSet<QString>(wild.begin(), wild.end()).size(), wild.size());
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
    for (int b = 1; b <= 3; ++b) config[BarrierConfig::responseTime(b)] = 5;  // beam 4 switched off
    writer.addEvent(t0 + 100, JournalEventKind::ConfigRead, configBytes(config));
    writer.setBarrier(t0 + 100, 4711);
    writer.addEvent(t0 + 200, JournalEventKind::Status, statusBytes(BarrierStatus{}));
    writer.addEvent(t0 + 200, JournalEventKind::Supply, {}, QStringLiteral("13.6"));
    BarrierStatus blocked;
    blocked.beamsBlocked = 0x02;
    writer.addEvent(t0 + 2 * Minute, JournalEventKind::Status, statusBytes(blocked));
    writer.addEvent(t0 + 4 * Minute, JournalEventKind::Status, statusBytes(BarrierStatus{}));
    writer.addEvent(t0 + 5 * Minute, JournalEventKind::Reset);
    writer.addEvent(t0 + 6 * Minute, JournalEventKind::FileSaved, configBytes(config), QStringLiteral("brama.acc"));
    writer.addEvent(alarmAt, JournalEventKind::Status, statusBytes(alert(0x04, true)));
    writer.addEvent(alarmAt + 3000, JournalEventKind::Status, statusBytes(BarrierStatus{}));
    BarrierStatus tamper;
    tamper.statusFlags = statusflag::TamperOutput | statusflag::TransmitterTamper;
    writer.addEvent(t0 + 11 * Minute, JournalEventKind::Status, statusBytes(tamper));
    writer.addEvent(t0 + 16 * Minute, JournalEventKind::Status, statusBytes(BarrierStatus{}));
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
  const auto colourAt = [&](int lane, qint64 ms, int y = -1) {
    const QRect r = layout.laneRect(lane);
    return Rgb(image.pixel(xOf(ms), y < 0 ? r.center().y() : r.top() + y) & 0xffffff);
  };
  // Lanes top down: beams 4, 3, 2, 1, then the alarm output, the tamper output.
  QCOMPARE(colourAt(1, alarmAt), colors::Red);
  QCOMPARE(colourAt(3, alarmAt), colors::Green);
  QCOMPARE(colourAt(4, alarmAt), colors::Red);
  QCOMPARE(colourAt(1, t0 + 8 * Minute), colors::Green);
  // Blocked is a band, switched off a thin line: told apart by more than a shade.
  constexpr int BandEdge = 4, Middle = TimelineLayout::LaneHeight / 2;
  QCOMPARE(colourAt(2, t0 + 3 * Minute, BandEdge), colors::Silver);
  QCOMPARE(colourAt(0, t0 + 3 * Minute, Middle), colors::Grey);
  QCOMPARE(colourAt(0, t0 + 3 * Minute, BandEdge), colors::Black);
  // The tamper output's band names its cause where there is room.
  int red = 0, written = 0;
  const QRect tamperLane = layout.laneRect(5);
  for (int x = xOf(t0 + 11 * Minute) + 1; x < xOf(t0 + 16 * Minute); ++x)
    for (int y = tamperLane.top() + BandEdge; y < tamperLane.bottom() - BandEdge; ++y) {
      const Rgb c = Rgb(image.pixel(x, y) & 0xffffff);
      red += c == colors::Red;
      written += c != colors::Red;
    }
  QVERIFY(red > 0);
  QVERIFY(written > 0);
  // Unplugged, and past the journal's end: no beam colour, but one shading.
  const auto shaded = [&](const QImage& picture, int fromX, int toX) {
    int green = 0, grey = 0;
    for (int x = fromX; x < toX; ++x)
      for (int lane = 0; lane < 4; ++lane) {
        const Rgb c = Rgb(picture.pixel(x, layout.laneRect(lane).center().y() + 2) & 0xffffff);
        green += c == colors::Green;
        grey += c == colors::Grey;
      }
    return green == 0 && grey > 0;
  };
  QVERIFY(shaded(image, xOf(t0 + 21 * Minute), xOf(t0 + 29 * Minute)));
  // Markers under the curve for what was done to the barrier, in words on hover.
  const auto markerAt = [&](qint64 ms) { return Rgb(image.pixel(xOf(ms), layout.markers.top() + 8) & 0xffffff); };
  QCOMPARE(markerAt(t0 + 5 * Minute), markerColour(Marker::Kind::Reset));
  QCOMPARE(markerAt(t0 + 6 * Minute), markerColour(Marker::Kind::FileSaved));
  const QString marked = view->hoverText(QPoint(xOf(t0 + 6 * Minute) + 2, layout.laneRect(0).center().y()));
  QVERIFY2(marked.startsWith(exactLocalTime(t0 + 6 * Minute) + QStringLiteral(": zapisano plik brama.acc")),
           qPrintable(marked));

  const QString words = view->hoverText(QPoint(xOf(alarmAt + 1000), layout.laneRect(1).center().y()));
  QVERIFY2(words.contains(QStringLiteral("Wiązka 3: alarm")), qPrintable(words));
  QVERIFY2(words.contains(QStringLiteral("Wiązka 1÷2: normalna")), qPrintable(words));
  QVERIFY2(words.contains(exactLocalTime(alarmAt)), qPrintable(words));  // when the state began
  QVERIFY2(words.contains(QStringLiteral("czas trwania: 3,0 s")), qPrintable(words));
  QVERIFY(view->hoverText(QPoint(xOf(t0 + 25 * Minute), layout.laneRect(0).center().y()))
              .contains(uiText(UiTexts::txtTimelineNotConnected)));
  view->viewport().show(t0 + 20 * Minute, t0 + 60 * Minute);
  view->refresh();
  QVERIFY(shaded(view->picture(), xOf(t0 + 22 * Minute), xOf(t0 + 30 * Minute)));  // 42 to 50 minutes

  // To an alarm, with five minutes either side of it: from the whole
  // journal, back to the newest, forward to the oldest.
  window.showAll();
  window.previousAlarm();
  QCOMPARE(view->viewport().start(), alarmAt - 5 * Minute);
  QCOMPARE(view->viewport().end(), alarmAt + 3000 + 5 * Minute);
  QVERIFY2(window.statusText().startsWith(QStringLiteral("Alarm 1 z 1: od ")), qPrintable(window.statusText()));
  window.nextAlarm();
  QCOMPARE(window.statusText(), uiText(UiTexts::txtNoAlarm));
  view->viewport().show(t0, t0 + 5 * Minute);
  window.nextAlarm();
  QCOMPARE(view->viewport().start(), alarmAt - 5 * Minute);

  // The exports: the barrier and the range above the picture, a name of
  // both in the documents folder.
  const QImage exported = window.exportImage();
  QVERIFY(exported.height() > view->picture().height());
  const QString name = window.suggestedFileName(QStringLiteral("png"));
  QCOMPARE(QFileInfo(name).absolutePath(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
  QVERIFY2(
      QFileInfo(name).fileName().startsWith(QStringLiteral("historia nr 4711 2026-12-07 23.55 do 2026-12-08 00.05")),
      qPrintable(name));
  QVERIFY(name.endsWith(QStringLiteral(".png")));

  const QString csv = dir.filePath(QStringLiteral("shown.csv"));
  view->viewport().show(t0 + 17 * Minute, t0 + 25 * Minute);
  QVERIFY(window.saveEvents(csv));
  QFile file(csv);
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  // For a spreadsheet: UTF-8 that says so, the local time as it reads one, semicolons.
  QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
  const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(u'\n', Qt::SkipEmptyParts);
  QCOMPARE(lines.size(), 2);
  QCOMPARE(QChar(0xFEFF) + lines[0], journalCsvHeader(JournalCsvForm::Spreadsheet));
  const QString lost = QDateTime::fromMSecsSinceEpoch(t0 + 20 * Minute).toString(u"yyyy-MM-dd HH:mm:ss,zzz");
  QVERIFY2(lines[1].startsWith(lost + QStringLiteral(";4711;lost;unplugged;")), qPrintable(lines[1]));
}

// A damaged or crafted journal may hold any number as a time: such rows are
// left out, and the axis spans the times there can be.
void TimelineTest::aTimeNoCalendarHoldsStaysOffTheTimeline() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
  const qint64 t0 = QDateTime(QDate(2026, 12, 7), QTime(23, 50)).toMSecsSinceEpoch();
  {
    JournalWriter writer({path});
    writer.startSession(t0, QStringLiteral("orvita"), QStringLiteral("ttyUSB0"));
    writer.startConnection(t0, QByteArray::fromHex("0401000520210714"), 4);
    writer.setBarrier(t0, 7);
    writer.addEvent(t0 + 100, JournalEventKind::Status, statusBytes(BarrierStatus{}));
    writer.endConnection(t0 + 1000, JournalLossReason::Unplugged);
    writer.startConnection(t0 + 2000, QByteArray::fromHex("0401000520210714"), 4);
    writer.setBarrier(t0 + 2000, 7);
    writer.endSession(t0 + 3000);
  }
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("craft"));
    db.setDatabaseName(path);
    QVERIFY(db.open());
    QSqlQuery q(db);
    QVERIFY(
        q.exec(QStringLiteral("INSERT INTO event(session, connection, time, kind, bytes) SELECT session, id, "
                              "-9223372036854775808, 5, x'00' FROM connection WHERE id = 1")));
    QVERIFY(
        q.exec(QStringLiteral("INSERT INTO event(session, connection, time, kind, bytes) SELECT session, id, "
                              "9223372036854775807, 5, x'00' FROM connection WHERE id = 1")));
    QVERIFY(q.exec(QStringLiteral("UPDATE connection SET started = -9223372036854775808 WHERE id = 2")));
    q.finish();
    db.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("craft"));
  JournalReader reader(path);
  QVERIFY(reader.open());
  TimelineLoader loader(reader);
  TimelineData data;
  QVERIFY(loader.load(7, data));
  QCOMPARE(data.firstMs(), t0);
  QCOMPARE(data.endMs(), t0 + 1000);
  QVERIFY(loader.update(data, t0 + 4000));
  QCOMPARE(data.endMs(), t0 + 1000);
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

void TimelineTest::theWindowOpensOnTheBarrierThatMattersAndLiveFollowsTheConnection() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
  const qint64 t0 = QDateTime(QDate(2026, 12, 7), QTime(20, 0)).toMSecsSinceEpoch();
  constexpr qint64 Minute = 60'000;
  const QByteArray version = QByteArray::fromHex("0401000520210714");
  JournalWriter writer({path});
  writer.startSession(t0, QStringLiteral("orvita"), QStringLiteral("ttyUSB0"));
  const auto visit = [&](qint64 from, unsigned serial, std::optional<qint64> until, bool alarm) {
    writer.startConnection(from, version, 4);
    writer.setBarrier(from, serial);
    writer.addEvent(from, JournalEventKind::Status, statusBytes(BarrierStatus{}));
    if (alarm) writer.addEvent(from + Minute, JournalEventKind::Status, statusBytes(alert(0x01, true)));
    if (until) writer.endConnection(*until, JournalLossReason::PortClosed);
    writer.flush();
  };
  visit(t0, 4711, t0 + 10 * Minute, true);
  visit(t0 + 20 * Minute, 4712, t0 + 30 * Minute, false);

  qint64 now = t0 + 40 * Minute;
  HistoryWindow window(path, nullptr, [&] { return now; });
  const auto shown = [&] { return window.barrierChooser()->currentData().toUInt(); };
  window.show();
  QCOMPARE(shown(), 4711u);  // the newest alarm's, though another was seen since

  // Connected now, quiet for minutes: opened again, the window shows it.
  window.hide();
  visit(t0 + 50 * Minute, 4713, std::nullopt, false);
  now = t0 + 55 * Minute;
  window.show();
  QCOMPARE(shown(), 4713u);

  // Live, it follows the connection when a write gives it another serial
  // number: seen while the window is away, and while it is open.
  window.setLive(true);
  window.hide();
  writer.setBarrier(t0 + 56 * Minute, 4714);
  writer.flush();
  now = t0 + 60 * Minute;
  window.show();
  QCOMPARE(shown(), 4714u);
  writer.setBarrier(t0 + 61 * Minute, 4715);
  writer.flush();
  now = t0 + 63 * Minute;
  window.setLive(true);  // what the live timer does every second
  QCOMPARE(shown(), 4715u);
  QVERIFY(window.live());
  QCOMPARE(window.data().firstMs(), t0 + 61 * Minute);

  // Two barriers whose serial numbers were never set are two barriers: the
  // window opens on the one of the newest alarm, not the first with its number.
  writer.endConnection(t0 + 64 * Minute, JournalLossReason::PortClosed);
  const auto visitUnset = [&](qint64 from, const char* versionHex, int beams, bool alarm) {
    writer.startConnection(from, QByteArray::fromHex(versionHex), beams);
    writer.setBarrier(from, 0);
    writer.addEvent(from, JournalEventKind::Status, statusBytes(BarrierStatus{}));
    if (alarm) writer.addEvent(from + Minute, JournalEventKind::Status, statusBytes(alert(0x01, true)));
    writer.endConnection(from + 5 * Minute, JournalLossReason::PortClosed);
    writer.flush();
  };
  visitUnset(t0 + 65 * Minute, "0001000320190101", 2, true);
  visitUnset(t0 + 71 * Minute, "0601000520210714", 8, false);
  window.setLive(false);
  window.hide();
  now = t0 + 80 * Minute;
  window.show();
  QCOMPARE(shown(), 0u);
  QVERIFY2(window.barrierChooser()->currentText().contains(QStringLiteral("2019-01-01")),
           qPrintable(window.barrierChooser()->currentText()));
  QCOMPARE(window.data().firstMs(), t0 + 65 * Minute);
}

QTEST_MAIN(TimelineTest)
#include "TimelineTest.moc"
