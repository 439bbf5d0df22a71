// What the journal says the barrier did: counts and the barriers it lists,
// ranges, CSV for programs and for a spreadsheet, times in the local zone,
// and the recorder that turns the link's news into rows. The JournalDates
// tests run under UTC and again under Europe/Warsaw (tests/journal/CMakeLists.txt).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <ctime>
#include <limits>

#include "journal/JournalCsv.h"
#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"
#include "link/JournalRecorder.h"
#include "texts/UiTexts.h"
#include "walktest/WalkTest.h"

void PrintTo(const QString& text, std::ostream* os) { *os << text.toStdString(); }

namespace {

constexpr std::uint8_t A = statusflag::AlarmOutput;
constexpr std::uint8_t T = statusflag::TamperOutput;
const QByteArray EightBeams = QByteArray::fromHex("0601000520210714");
const QByteArray FourBeams = QByteArray::fromHex("0201000520210714");

BarrierStatus withFlags(std::uint8_t flags) {
  BarrierStatus s;
  s.statusFlags = flags;
  return s;
}

qint64 utc(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0) {
  return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms), Qt::UTC).toMSecsSinceEpoch();
}

bool inWarsaw() { return qgetenv("TZ") == "Europe/Warsaw"; }

class JournalContent : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  QString path() const { return dir.filePath(QStringLiteral("journal.sqlite")); }
  JournalOptions options() const {
    JournalOptions o;
    o.path = path();
    o.retentionDays = 0;
    o.commitIntervalMs = 20;
    return o;
  }
  // One connection of `version` with status rows of these output flags.
  static void connection(JournalWriter& w, qint64 t, const QByteArray& version, unsigned serial,
                         std::initializer_list<std::uint8_t> flags) {
    w.startConnection(t, version, version.isEmpty() ? 0 : version[0] + 2);
    w.setBarrier(t + 1, serial);
    qint64 at = t + 2;
    for (const std::uint8_t f : flags) w.addEvent(at++, JournalEventKind::Status, statusBytes(withFlags(f)));
    w.endConnection(at, JournalLossReason::Unplugged);
  }
  // The CSV lines `form` writes of the whole journal.
  QStringList csv(JournalCsvForm form, const JournalQuery& query = {}) {
    JournalReader reader(path());
    EXPECT_TRUE(reader.open()) << reader.error().toStdString();
    QStringList lines;
    EXPECT_TRUE(writeJournalCsv(reader, query, form, [&](const QString& line) { lines << line; }));
    return lines;
  }

  QTemporaryDir dir;
};

// The records of a CSV document as a reader of RFC 4180 takes them: fields
// apart at `separator`, records at a line break (CR, LF or both) outside
// quotes, quotes taken off.
QList<QStringList> records(const QString& document, QChar separator = u',') {
  QList<QStringList> list{{QString()}};
  bool quoted = false;
  for (qsizetype i = 0; i < document.size(); ++i) {
    const QChar c = document[i];
    if (quoted && c == u'"' && i + 1 < document.size() && document[i + 1] == u'"') {
      list.last().last() += c;
      ++i;
    } else if (c == u'"') {
      quoted = !quoted;
    } else if (c == separator && !quoted) {
      list.last() << QString();
    } else if ((c == u'\r' || c == u'\n') && !quoted) {
      if (c == u'\r' && i + 1 < document.size() && document[i + 1] == u'\n') ++i;
      list << QStringList{QString()};
    } else {
      list.last().last() += c;
    }
  }
  return list;
}

QStringList fields(const QString& line, QChar separator = u',') { return records(line, separator).value(0); }

int column(const char* name) { return int(journalCsvHeader().split(u',').indexOf(QString::fromLatin1(name))); }

}  // namespace

// The alarm output coming on, not being on: each connection starts afresh,
// as the output seen at once after a reconnection came on for whoever reads it.
TEST_F(JournalContent, AlarmsAreTheOutputComingOnCountedAnewInEachConnection) {
  {
    JournalWriter w(options());
    w.startSession(1000, QStringLiteral("orvita"), QStringLiteral("ttyUSB0"));
    connection(w, 1100, EightBeams, 777, {0, A, A, 0, A});      // on twice; on in 3 rows
    connection(w, 2100, EightBeams, 777, {A, A, 0, A | T, A});  // on twice again, once carried over
    w.endSession(3000);
  }
  JournalReader reader(path());
  ASSERT_TRUE(reader.open());
  const QList<JournalBarrier> barriers = reader.barriers();
  ASSERT_EQ(barriers.size(), 1);
  EXPECT_EQ(barriers[0].alarms, 4) << "rows with the output on: 7; without a new start at a connection: 3";
  EXPECT_EQ(barriers[0].tampers, 1);
  EXPECT_EQ(barriers[0].connections, 2);
}

// Serial 0 is every new barrier's: an 8-beam and a 4-beam one stay two, each
// with its own version, sightings, counts and events.
TEST_F(JournalContent, BarriersWithOneSerialNumberStayApartByModel) {
  {
    JournalWriter w(options());
    w.startSession(1000, QStringLiteral("orvita"), QStringLiteral("ttyUSB0"));
    connection(w, 1100, EightBeams, 0, {A});
    connection(w, 2100, FourBeams, 0, {0, A, 0, A});
    connection(w, 3100, EightBeams, 0, {0});
    connection(w, 4100, FourBeams, 555, {0});
    w.endSession(5000);
  }
  JournalReader reader(path());
  ASSERT_TRUE(reader.open());
  const QList<JournalBarrier> barriers = reader.barriers();
  ASSERT_EQ(barriers.size(), 3);
  const JournalBarrier& four = barriers[0];
  const JournalBarrier& eight = barriers[1];
  EXPECT_EQ(four.serial, 0u);
  EXPECT_EQ(four.beamCount, 4);
  EXPECT_EQ(four.version, FourBeams);
  EXPECT_EQ(four.connections, 1);
  EXPECT_EQ(four.alarms, 2);
  EXPECT_EQ(eight.serial, 0u);
  EXPECT_EQ(eight.beamCount, 8);
  EXPECT_EQ(eight.version, EightBeams);
  EXPECT_EQ(eight.connections, 2);
  EXPECT_EQ(eight.alarms, 1);
  EXPECT_EQ(eight.firstSeenMs, 1100);
  EXPECT_EQ(eight.lastSeenMs, 3103) << "the last sighting, not the first";
  EXPECT_EQ(barriers[2].serial, 555u);
  EXPECT_EQ(journalSerialText(0), QStringLiteral("nie ustawiony"));
  EXPECT_EQ(journalSerialText(555), QStringLiteral("555"));

  JournalQuery ofFour;
  ofFour.barrier = four.key();
  ofFour.kinds = {JournalEventKind::Status};
  EXPECT_EQ(reader.events(ofFour).size(), 4);
  const QList<JournalConnection> spans = reader.connections(eight.key());
  ASSERT_EQ(spans.size(), 2);
  EXPECT_EQ(spans[0].startMs, 1100);
  EXPECT_EQ(spans[1].startMs, 3100);
  JournalQuery anyModel;
  anyModel.barrier = 0u;
  anyModel.kinds = {JournalEventKind::Status};
  EXPECT_EQ(reader.events(anyModel).size(), 6) << "a number alone: every barrier that has it";
}

TEST_F(JournalContent, ARangeIncludesTheEventsAtBothItsEnds) {
  {
    JournalWriter w(options());
    w.startSession(1000, QStringLiteral("orvita"), QStringLiteral("ttyUSB0"));
    connection(w, 2000, EightBeams, 1, {0, A, 0});
    w.endSession(3000);
  }
  JournalReader reader(path());
  ASSERT_TRUE(reader.open());
  JournalQuery q;
  q.fromMs = 2002;
  q.untilMs = 2004;
  q.kinds = {JournalEventKind::Status};
  EXPECT_EQ(reader.events(q).size(), 3);
}

// What would split a field or a line is quoted; each status row says which
// beams the barrier had switched off, and the supply only once it was read.
TEST_F(JournalContent, MachineCsvKeepsEveryFieldWholeAndEveryStatusRowTrue) {
  BarrierConfig config;
  config[BarrierConfig::BeamCount] = 4;
  for (const int beam : {1, 3, 4}) config[BarrierConfig::responseTime(beam)] = 5;  // beam 2 switched off
  {
    JournalWriter w(options());
    w.startSession(1000, QStringLiteral("orvita"), QStringLiteral("ttyUSB0"));
    w.startConnection(1100, FourBeams, 4);
    w.addEvent(1101, JournalEventKind::Status, statusBytes(withFlags(0)));
    w.addEvent(1102, JournalEventKind::ConfigRead, configBytes(config));
    w.setBarrier(1102, 4711);
    w.addEvent(1103, JournalEventKind::Supply, {}, QStringLiteral("12.2"));
    w.addEvent(1104, JournalEventKind::Status, statusBytes(withFlags(A)));
    w.addEvent(1105, JournalEventKind::FileSaved, configBytes(config), QStringLiteral("brama \"2\", wjazd.acc"));
    w.addEvent(1106, JournalEventKind::WriteDropped, {}, QStringLiteral("nie wysłano\rbloku"));
    w.endConnection(1200, JournalLossReason::Silence);
    w.startConnection(1300, FourBeams, 4);  // a new connection: no reading yet
    w.addEvent(1301, JournalEventKind::Status, statusBytes(withFlags(0)));
    w.endSession(1400);
  }
  QList<QStringList> rows = records(csv(JournalCsvForm::Machine).join(u'\n'));
  const qsizetype columns = rows.takeFirst().size();
  for (const QStringList& r : rows) EXPECT_EQ(r.size(), columns) << r.join(u'|').toStdString();
  const auto row = [&](const char* event, int nth = 0) {
    for (const QStringList& r : rows)
      if (r[column("event")] == QLatin1String(event) && nth-- == 0) return r;
    return QStringList();
  };
  const int supply = column("supplyVolts"), off = column("beamsSwitchedOff");
  EXPECT_EQ(row("status", 0)[supply], QString()) << "before the filter settled";
  EXPECT_EQ(row("status", 1)[supply], QStringLiteral("12.2"));
  EXPECT_EQ(row("status", 1)[off], QStringLiteral("2"));
  EXPECT_EQ(row("status", 1)[column("alarmOutput")], QStringLiteral("1"));
  EXPECT_EQ(row("status", 2)[supply], QString()) << "the last connection's reading is not this one's";
  EXPECT_EQ(row("file-saved")[column("text")], QStringLiteral("brama \"2\", wjazd.acc"));
  EXPECT_EQ(row("write-dropped")[column("text")], QStringLiteral("nie wysłano\rbloku"));
  EXPECT_EQ(row("config-read")[column("config")], QString::fromLatin1(configBytes(config).toHex().toUpper()));
  EXPECT_EQ(row("config-read")[column("barrier")], QStringLiteral("4711"));
}

// Semicolons, decimal commas and a byte-order mark as a Polish spreadsheet
// expects; bytes apart so that the configuration stays text; nothing that
// would run as a formula.
TEST_F(JournalContent, SpreadsheetCsvIsWhatAPolishSpreadsheetReadsRight) {
  BarrierConfig config;
  config[BarrierConfig::BeamCount] = 8;
  config[BarrierConfig::responseTime(1)] = 5;
  {
    JournalWriter w(options());
    w.startSession(1000, QStringLiteral("orvita"), QStringLiteral("ttyUSB0"));
    w.startConnection(1100, EightBeams, 8);
    w.addEvent(1102, JournalEventKind::ConfigRead, configBytes(config));
    w.setBarrier(1102, 0);
    w.addEvent(1103, JournalEventKind::Supply, {}, QStringLiteral("12.2"));
    w.addEvent(1104, JournalEventKind::Status, statusBytes(withFlags(A)));
    w.addEvent(1105, JournalEventKind::FileOpened, configBytes(config), QStringLiteral("=HYPERLINK(\"x\");a.acc"));
    w.endSession(1400);
  }
  const QStringList lines = csv(JournalCsvForm::Spreadsheet);
  ASSERT_GE(lines.size(), 5);
  EXPECT_EQ(lines[0], QChar(0xFEFF) + journalCsvHeader().replace(u',', u';'));
  QList<QStringList> rows = records(lines.join(u'\n'), u';');
  const qsizetype columns = rows.takeFirst().size();
  QStringList status, read, opened;
  for (const QStringList& row : rows) {
    EXPECT_EQ(row.size(), columns) << row.join(u'|').toStdString();
    if (row[column("event")] == QLatin1String("status")) status = row;
    if (row[column("event")] == QLatin1String("config-read")) read = row;
    if (row[column("event")] == QLatin1String("file-opened")) opened = row;
  }
  EXPECT_EQ(status[column("supplyVolts")], QStringLiteral("12,2"));
  EXPECT_EQ(status[column("barrier")], QStringLiteral("nie ustawiony"));
  EXPECT_EQ(read[column("config")], QStringLiteral("00 05 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                                   "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 08"));
  EXPECT_EQ(opened[column("text")], QStringLiteral("'=HYPERLINK(\"x\");a.acc"));
}

// The recorder on a clock of the test's own: a supply row a second at most,
// none for a reading that came back within it, the held-back one before a
// loss, and after every reconnection the supply again.
TEST_F(JournalContent, TheRecorderKeepsTheSupplyTrueAcrossItsSecondsAndReconnections) {
  qint64 clock = 1'000'000;
  const std::uint8_t version[] = {6, 1, 0, 5, 0x20, 0x21, 7, 0x14};
  {
    JournalWriter w(options());
    JournalRecorder recorder(w, QStringLiteral("orvita"), QStringLiteral("ttyUSB0"), [&] { return clock; });
    recorder.barrierIdentified(version, 8);
    clock += 600;
    recorder.supplyTextChanged(QStringLiteral("12.2"));  // settled: written at once
    clock += 300;
    recorder.supplyTextChanged(QStringLiteral("12.1"));
    clock += 300;
    recorder.supplyTextChanged(QStringLiteral("12.2"));
    clock += 400;
    recorder.writeDueSupply();  // the second is over: the reading is where it was
    clock += 100;
    recorder.supplyTextChanged(QStringLiteral("12.1"));
    clock += 200;
    recorder.supplyTextChanged(QStringLiteral("12.0"));  // held back within its second
    clock += 100;
    recorder.barrierLost(LinkLoss::Silence);
    clock += 5000;
    recorder.barrierIdentified(version, 8);
    clock += 600;
    recorder.supplyTextChanged(QStringLiteral("12.0"));  // as before the loss, and still this connection's first
    clock += 100;
    recorder.finish();
  }
  JournalReader reader(path());
  ASSERT_TRUE(reader.open());
  JournalQuery q;
  q.kinds = {JournalEventKind::Supply, JournalEventKind::Lost};
  QStringList story;
  for (const JournalEvent& e : reader.events(q))
    story << QStringLiteral("%1 %2").arg(e.timeMs - 1'000'000).arg(e.kind == JournalEventKind::Lost ? "lost" : e.text);
  // 12.2 again within its second is no row of its own; 12.0 waited for its second until the loss.
  EXPECT_EQ(story, (QStringList{"600 12.2", "1700 12.1", "2000 12.0", "2000 lost", "7600 12.0", "7700 lost"}));
}

// A kernel name says nothing lasting: the stable name is a by-id link or nothing.
TEST_F(JournalContent, AnAdaptersStableNameIsItsByIdLinkNeverItsKernelName) {
  const QString root = dir.filePath(QStringLiteral("sys"));
  const QString usb = root + QStringLiteral("/devices/usb1/1-2");
  ASSERT_TRUE(QDir().mkpath(usb + QStringLiteral("/1-2:1.0/ttyUSB0")));
  ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/devices/platform/serial8250/tty/ttyS0")));
  for (const auto& [name, value] : {std::pair{"idVendor", "0403"}, std::pair{"idProduct", "6001"},
                                    std::pair{"manufacturer", "FTDI"}, std::pair{"product", "FT232R USB UART"}}) {
    QFile attribute(usb + QLatin1Char('/') + QLatin1String(name));
    ASSERT_TRUE(attribute.open(QIODevice::WriteOnly));
    attribute.write(QByteArray(value) + '\n');
  }
  const QString tty = root + QStringLiteral("/class/tty");
  ASSERT_TRUE(QDir().mkpath(tty + QStringLiteral("/ttyUSB0")));
  ASSERT_TRUE(QDir().mkpath(tty + QStringLiteral("/ttyS0")));
  ASSERT_TRUE(QFile::link(usb + QStringLiteral("/1-2:1.0/ttyUSB0"), tty + QStringLiteral("/ttyUSB0/device")));
  ASSERT_TRUE(QFile::link(root + QStringLiteral("/devices/platform/serial8250/tty/ttyS0"),
                          tty + QStringLiteral("/ttyS0/device")));
  const QString byId = dir.filePath(QStringLiteral("by-id"));
  ASSERT_TRUE(QDir().mkpath(byId));
  const QString stable = byId + QStringLiteral("/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
  ASSERT_TRUE(QFile::link(QStringLiteral("../../ttyUSB0"), stable));

  const AdapterIdentity adapter = adapterIdentity(QStringLiteral("ttyUSB0"), tty, byId);
  EXPECT_EQ(adapter.description, QStringLiteral("FTDI FT232R USB UART"));
  EXPECT_EQ(adapter.stableName, stable);
  const AdapterIdentity board = adapterIdentity(QStringLiteral("ttyS0"), tty, byId);
  EXPECT_EQ(board.description, QString());
  EXPECT_EQ(board.stableName, QString());
}

// Under UTC and under Europe/Warsaw: every time local, with its offset, on
// both sides of a change of the clocks.
using JournalDates = JournalContent;

TEST_F(JournalDates, HistoryAndSpreadsheetTimesAreLocalOnBothSidesOfAChangeOfTheClocks) {
  struct Moment {
    qint64 ms;
    const char* utcText;
    const char* warsawText;
  };
  const Moment moments[] = {
      {utc(2026, 12, 8, 3, 12, 5, 7), "2026-12-08T03:12:05.007Z", "2026-12-08T04:12:05.007+01:00"},
      {utc(2026, 3, 29, 0, 59, 59, 999), "2026-03-29T00:59:59.999Z", "2026-03-29T01:59:59.999+01:00"},
      {utc(2026, 3, 29, 1, 0), "2026-03-29T01:00:00.000Z", "2026-03-29T03:00:00.000+02:00"},
      {utc(2026, 10, 25, 0, 59, 59, 999), "2026-10-25T00:59:59.999Z", "2026-10-25T02:59:59.999+02:00"},
      {utc(2026, 10, 25, 1, 0), "2026-10-25T01:00:00.000Z", "2026-10-25T02:00:00.000+01:00"},
      {utc(2026, 12, 31, 23, 30), "2026-12-31T23:30:00.000Z", "2027-01-01T00:30:00.000+01:00"},
  };
  ASSERT_EQ(QDateTime::fromMSecsSinceEpoch(moments[0].ms).offsetFromUtc(), inWarsaw() ? 3600 : 0)
      << "the zone this run is for is in effect";
  for (const Moment& m : moments) {
    const QString expected = QString::fromLatin1(inWarsaw() ? m.warsawText : m.utcText);
    EXPECT_EQ(journalTimeText(m.ms), expected);
    JournalEvent e;
    e.timeMs = m.ms;
    e.kind = JournalEventKind::Reset;
    // The spreadsheet's own form of the same local time, without the offset.
    QString local = expected.left(23).replace(u'T', u' ');
    local[19] = u',';
    EXPECT_EQ(fields(journalCsvLine(e, nullptr, {}, JournalCsvForm::Spreadsheet), u';')[0], local);
  }
  // Every minute of both days the clocks change, as the zone's rules have it.
  for (const qint64 day : {utc(2026, 3, 28, 12, 0), utc(2026, 10, 24, 12, 0)})
    for (qint64 ms = day; ms < day + 86'400'000; ms += 60'000 + 7) {
      const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
      ASSERT_EQ(journalTimeText(ms), local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs));
    }
}

TEST_F(JournalDates, WalkTestTimesAreLocalWithTheirOffset) {
  WalkTestResult result;
  result.startedMs = utc(2026, 3, 29, 0, 30);
  result.endedMs = utc(2026, 3, 29, 1, 30);
  result.beamCount = 2;
  result.items.push_back({WalkItemKind::Beam, 1, WalkOutcome::Passed, result.startedMs + 1000, result.endedMs, true});
  const QJsonObject json = result.toJson();
  EXPECT_EQ(json.value(QStringLiteral("started")).toString(),
            inWarsaw() ? QStringLiteral("2026-03-29T01:30:00.000+01:00") : QStringLiteral("2026-03-29T00:30:00.000Z"));
  EXPECT_EQ(json.value(QStringLiteral("ended")).toString(),
            inWarsaw() ? QStringLiteral("2026-03-29T03:30:00.000+02:00") : QStringLiteral("2026-03-29T01:30:00.000Z"));
  EXPECT_EQ(WalkTestResult::fromJson(json), result);
}

// A crafted journal may hold any number: outside years 1 to 9999 a time is
// shown as invalid and never worked with.
TEST_F(JournalDates, ATimeNoCalendarHoldsIsShownAsInvalid) {
  for (const qint64 ms :
       {std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), qint64(-62'135'596'800'000) - 1}) {
    EXPECT_FALSE(journalTimeValid(ms)) << ms;
    EXPECT_EQ(journalTimeText(ms), QString()) << ms;
    JournalEvent e;
    e.timeMs = ms;
    e.kind = JournalEventKind::Reset;
    EXPECT_EQ(fields(journalCsvLine(e, nullptr, {}))[0], QString());
    EXPECT_EQ(fields(journalCsvLine(e, nullptr, {}, JournalCsvForm::Spreadsheet), u';')[0],
              uiText(UiTexts::txtJournalTimeInvalid));
  }
  EXPECT_TRUE(journalTimeValid(0));
  EXPECT_TRUE(journalTimeValid(utc(9999, 12, 30, 0, 0)));
}

int main(int argc, char** argv) {
  // Without a zone asked for, UTC: the results must not depend on the machine's.
  if (qEnvironmentVariableIsEmpty("TZ")) qputenv("TZ", "UTC");
  ::tzset();
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
