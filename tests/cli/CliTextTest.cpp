// orvita-cli without a barrier: its arguments and times, a configuration in
// words and JSON, the status in words and JSON, the ports, the bash
// completion and the manual pages.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <ctime>

#include "cli/CommandLine.h"
#include "cli/DefaultPort.h"
#include "cli/FileCommands.h"
#include "cli/JournalCommands.h"
#include "cli/PortsCommand.h"
#include "cli/StatusReport.h"
#include "files/ConfigText.h"
#include "journal/JournalCsv.h"

namespace {

// The local time zone for one test: TZ set, and restored after.
class TimeZone {
 public:
  explicit TimeZone(const char* zone) : saved_(qgetenv("TZ")), wasSet_(qEnvironmentVariableIsSet("TZ")) {
    qputenv("TZ", zone);
    tzset();
  }
  ~TimeZone() {
    if (wasSet_)
      qputenv("TZ", saved_);
    else
      qunsetenv("TZ");
    tzset();
  }

 private:
  QByteArray saved_;
  bool wasSet_;
};

qint64 utc(const char* iso) {
  return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs).toMSecsSinceEpoch();
}

// What a command printed, line by line.
struct Printed {
  QStringList lines, errors;
  CommandOutput output() {
    return {[this](const QString& l) { lines << l; }, [this](const QString& l) { errors << l; }, [] { return false; }};
  }
};

CliParse parse(std::initializer_list<const char*> arguments) {
  QStringList list{QStringLiteral("orvita-cli")};
  for (const char* argument : arguments) list << QString::fromUtf8(argument);
  return parseCommandLine(list);
}

BarrierConfig sampleConfig() {
  BarrierConfig c;
  c[BarrierConfig::BeamCount] = 4;
  c[BarrierConfig::AlarmMode] = 1;
  c[BarrierConfig::responseTime(1)] = 5;
  c[BarrierConfig::autoBlockCount(1)] = 3;
  c[BarrierConfig::responseTime(2)] = 25;
  c[BarrierConfig::AutoBlockTime] = 30;
  c[BarrierConfig::MaxCoveredTime] = 7;
  c[BarrierConfig::SerialHigh] = 0x30;
  c[BarrierConfig::SerialLow] = 0x39;
  return c;
}

}  // namespace

TEST(CliArguments, OptionsAndOperandsBelongToTheirCommands) {
  const CliParse write =
      parse({"--port", "/dev/serial/by-id/usb-FTDI", "--timeout", "2.5", "write", "--force", "a.acc"});
  ASSERT_EQ(write.outcome, CliParse::Run);
  EXPECT_EQ(write.request.command, CliCommand::Write);
  EXPECT_EQ(write.request.port, QStringLiteral("/dev/serial/by-id/usb-FTDI"));
  EXPECT_DOUBLE_EQ(write.request.timeoutSeconds, 2.5);
  EXPECT_TRUE(write.request.force);
  EXPECT_EQ(write.request.files, QStringList{QStringLiteral("a.acc")});

  const CliParse status = parse({"status", "--follow", "--json"});
  ASSERT_EQ(status.outcome, CliParse::Run);
  EXPECT_TRUE(status.request.follow && status.request.json);
  EXPECT_TRUE(status.request.port.isEmpty());
  EXPECT_DOUBLE_EQ(status.request.timeoutSeconds, CliRequest::DefaultTimeoutSeconds);

  // The walk test waits two minutes for each pass unless told otherwise.
  const CliParse walk = parse({"walktest", "--json"});
  ASSERT_EQ(walk.outcome, CliParse::Run);
  EXPECT_TRUE(walk.request.json);
  EXPECT_DOUBLE_EQ(walk.request.timeoutSeconds, CliRequest::WalkTestTimeoutSeconds);
  EXPECT_DOUBLE_EQ(parse({"walktest", "--timeout", "5"}).request.timeoutSeconds, 5);
  const CliParse report = parse({"report", "p.pdf", "--site", "Brama 2", "--technician", "Jan", "--plan", "a.acc"});
  ASSERT_EQ(report.outcome, CliParse::Run);
  EXPECT_EQ(report.request.site, QStringLiteral("Brama 2"));
  EXPECT_EQ(report.request.technician, QStringLiteral("Jan"));
  EXPECT_EQ(report.request.plan, QStringLiteral("a.acc"));
  EXPECT_EQ(report.request.files, QStringList{QStringLiteral("p.pdf")});
  EXPECT_FALSE(report.request.barrier);
  EXPECT_EQ(parse({"report", "p.pdf", "--barrier", "12345"}).request.barrier, 12345u);

  for (const auto& wrong : {parse({"status", "--site", "x"}), parse({"report"}), parse({"walktest", "--follow"}),
                            parse({"report", "p.pdf", "--since", "24h"}), parse({"walktest", "--barrier", "1"})})
    EXPECT_EQ(wrong.outcome, CliParse::Error);
  for (const auto& wrong : {parse({}), parse({"backup"}), parse({"status", "--force"}), parse({"read"}),
                            parse({"diff", "a.acc"}), parse({"reset", "a.acc"}), parse({"--timeout", "0", "reset"}),
                            parse({"--timeout", "soon", "reset"}), parse({"--port", "", "reset"}), parse({"--frob"}),
                            parse({"status", "--reconnect"}), parse({"--port", ":/..", "status"}),
                            parse({"--port", "x/..", "status"}), parse({"--port", "/dev/.", "status"})}) {
    EXPECT_EQ(wrong.outcome, CliParse::Error);
    EXPECT_FALSE(wrong.text.contains(QLatin1Char('\n'))) << wrong.text.toStdString();
  }
  EXPECT_EQ(parse({"--port", "x/..", "status"}).text,
            QStringLiteral("To nie jest nazwa portu: \"x/..\" (--help opisuje polecenia)."));
  EXPECT_TRUE(parse({"status", "--follow", "--reconnect"}).request.reconnect);
  EXPECT_EQ(parse({"--version"}).outcome, CliParse::Version);
}

TEST(CliArguments, EachCommandsHelpDescribesThatCommand) {
  const CliParse global = parse({"--help"});
  ASSERT_EQ(global.outcome, CliParse::Help);
  EXPECT_EQ(parse({"--help-all"}).outcome, CliParse::Help);
  EXPECT_EQ(parse({"--help-all"}).text, global.text);

  const CliParse status = parse({"status", "--help"});
  ASSERT_EQ(status.outcome, CliParse::Help);
  EXPECT_NE(status.text, global.text);
  EXPECT_TRUE(status.text.contains(QStringLiteral("status [--follow [--reconnect]] [--json]")))
      << status.text.toStdString();
  EXPECT_TRUE(status.text.contains(QStringLiteral("--reconnect")));
  EXPECT_FALSE(status.text.contains(QStringLiteral("--force")));
  const CliParse write = parse({"--help", "write"});
  EXPECT_TRUE(write.text.contains(QStringLiteral("--force")) && write.text.contains(QStringLiteral("--port")));
  EXPECT_FALSE(write.text.contains(QStringLiteral("--follow")));
  EXPECT_FALSE(parse({"show", "--help"}).text.contains(QStringLiteral("--port")));
}

TEST(CliPort, OnlyASingleUsbAdapterIsTakenWithoutAsking) {
  const PortChoice console{QStringLiteral("ttyS0"), QStringLiteral("ttyS0"), {}, {}, {}, {}, {}};
  const PortChoice adapter{QStringLiteral("ttyUSB0"), QStringLiteral("ttyUSB0"),  QStringLiteral("FTDI"),
                           QStringLiteral("FT232R"),  QStringLiteral("A50285BI"), QStringLiteral("0403"),
                           QStringLiteral("6001")};
  PortChoice byId = adapter;
  byId.name = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
  PortChoice second = adapter;
  second.name = second.kernelName = QStringLiteral("ttyACM0");

  EXPECT_EQ(onlyUsbAdapter({console, adapter, byId}), QStringLiteral("ttyUSB0"));
  EXPECT_EQ(onlyUsbAdapter({console}), std::nullopt);
  EXPECT_EQ(onlyUsbAdapter({adapter, byId, second}), std::nullopt);
}

TEST(CliArguments, HistoryTakesABarrierARangeAndOneFormat) {
  const CliParse history = parse({"history", "--barrier", "12345", "--since", "24h", "--until", "2026-12-08", "--csv"});
  ASSERT_EQ(history.outcome, CliParse::Run) << history.text.toStdString();
  EXPECT_EQ(history.request.barrier, 12345u);
  EXPECT_TRUE(history.request.sinceMs && history.request.untilMs && history.request.csv);
  EXPECT_EQ(*history.request.untilMs, QDate(2026, 12, 9).startOfDay().toMSecsSinceEpoch() - 1) << "the whole day";

  const qint64 now = QDateTime(QDate(2026, 12, 8), QTime(3, 12)).toMSecsSinceEpoch();
  EXPECT_EQ(parseWhen("24h", now, false), now - 86'400'000);
  EXPECT_EQ(parseWhen("7d", now, false), now - 7 * 86'400'000LL);
  EXPECT_EQ(parseWhen("2026-12-08", now, false), QDate(2026, 12, 8).startOfDay().toMSecsSinceEpoch());
  EXPECT_EQ(parseWhen("2026-12-08T03:12", now, false), now);
  EXPECT_EQ(parseWhen("2026-12-08T03:12:00.000Z", now, false),
            QDateTime(QDate(2026, 12, 8), QTime(3, 12), Qt::UTC).toMSecsSinceEpoch());
  for (const char* wrong : {"wczoraj", "24", "h", "2026-13-01", ""})
    EXPECT_FALSE(parseWhen(wrong, now, false)) << wrong;

  for (const auto& wrong : {parse({"history", "--json", "--csv"}), parse({"history", "--barrier", "70000"}),
                            parse({"history", "--since", "soon"}), parse({"status", "--since", "24h"}),
                            parse({"barriers", "--csv"}), parse({"status", "--csv"})})
    EXPECT_EQ(wrong.outcome, CliParse::Error) << wrong.text.toStdString();
  EXPECT_EQ(parse({"barriers", "--json"}).outcome, CliParse::Run);

  // CSV for programs stays the default; a spreadsheet's form is asked for.
  const CliParse spreadsheet = parse({"history", "--spreadsheet"});
  ASSERT_EQ(spreadsheet.outcome, CliParse::Run);
  EXPECT_TRUE(spreadsheet.request.spreadsheet);
  EXPECT_FALSE(parse({"history", "--csv"}).request.spreadsheet);
  EXPECT_EQ(parse({"history", "--json", "--spreadsheet"}).text,
            uiText(UiTexts::txtCliJsonAndSpreadsheet).chopped(1) + uiText(UiTexts::txtCliSeeHelp));
  EXPECT_EQ(parse({"barriers", "--spreadsheet"}).outcome, CliParse::Error);
  const QString help = parse({"history", "--help"}).text;
  EXPECT_TRUE(help.contains(QStringLiteral("[--json | --csv | --spreadsheet]")) &&
              help.contains(uiText(UiTexts::txtCliOptionSpreadsheet).left(40)))
      << help.toStdString();
}

// The hand-made time text is what status --json prints, in summer and winter.
TEST(CliHistory, JournalTimesReadAsStatusJsonWritesThem) {
  qputenv("TZ", "Europe/Warsaw");
  tzset();
  for (const QDateTime& moment : {QDateTime(QDate(2026, 12, 8), QTime(3, 12, 5, 7), Qt::UTC),
                                  QDateTime(QDate(2026, 7, 1), QTime(23, 59, 59, 999), Qt::UTC),
                                  QDateTime(QDate(1999, 12, 31), QTime(23, 30), Qt::UTC)}) {
    const QDateTime local = moment.toLocalTime();
    EXPECT_EQ(journalTimeText(moment.toMSecsSinceEpoch()),
              local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs));
  }
  qunsetenv("TZ");
  tzset();
}

TEST(CliConfigText, AFileInWordsShowsTheBeamsItsCountNames) {
  const QStringList expected{
      QStringLiteral("Liczba wiązek: 4"),
      QStringLiteral("Alarmowanie: dwie wiązki"),
      QStringLiteral("Wiązka 1: Czułość 200 ms, Autoblok. 3"),
      QStringLiteral("Wiązka 2: Czułość 1000 ms, Autoblok. bez"),
      QStringLiteral("Wiązka 3: Czułość wyłączona, Autoblok. bez"),
      QStringLiteral("Wiązka 4: Czułość wyłączona, Autoblok. bez"),
      QStringLiteral("Czas zliczania autoblokowania: 30 sek."),
      QStringLiteral("Maks. czas zasł. wszystkich wiązek: 7 min."),
      QStringLiteral("Numer seryjny nadajnika: 12345"),
  };
  EXPECT_EQ(configLines(sampleConfig()), expected);

  BarrierConfig noCount = sampleConfig();
  noCount[BarrierConfig::BeamCount] = 0;  // saved before any barrier answered
  EXPECT_EQ(configLines(noCount).filter(QStringLiteral("Wiązka ")).size(), 8);
}

TEST(CliConfigText, TheDifferencesNameEveryChangedFieldAndNothingElse) {
  const BarrierConfig a = sampleConfig();
  EXPECT_TRUE(configDifferences(a, a).isEmpty());

  BarrierConfig b = a;
  b[BarrierConfig::autoBlockCount(7)] = 9;  // beyond the count, but still written to the barrier
  b[BarrierConfig::SerialLow] = 0x3A;
  b[14] = 0xA5;
  const QStringList expected{
      QStringLiteral("Wiązka 7, Autoblok.: bez -> 9"),
      QStringLiteral("Numer seryjny nadajnika: 12345 -> 12346"),
      QStringLiteral("Bajt 14 (zarezerwowany): 00 -> A5"),
  };
  EXPECT_EQ(configDifferences(a, b), expected);
}

TEST(CliStatus, EachBeamShowsWhatThePictureColoursItAs) {
  BarrierModel model;
  model.beamCount = 6;
  for (int b = 1; b <= 5; ++b) model.deviceConfig[BarrierConfig::responseTime(b)] = 5;
  model.status.beamsNar = beamBit(2) | beamBit(3);
  model.status.beams50 = beamBit(3) | beamBit(4);
  model.status.beamsAlert = beamBit(4) | beamBit(5) | beamBit(6);
  model.status.beamsBlocked = beamBit(5) | beamBit(6);
  model.status.beamsBlockMemory = beamBit(1);
  for (int i = 0; i < 70; ++i) model.updateSupply(200);
  const BeamLook expected[] = {BeamLook::Normal, BeamLook::Nar,     BeamLook::Half,
                               BeamLook::Alert,  BeamLook::Blocked, BeamLook::SwitchedOff};
  for (int b = 1; b <= 6; ++b) EXPECT_EQ(beamState(model, b), expected[b - 1]) << b;

  const QStringList lines = statusLines(model);
  EXPECT_EQ(lines[0], QStringLiteral("Wiązka 1: normalna, w pamięci blokad"));
  EXPECT_EQ(lines[3], QStringLiteral("Wiązka 4: alarm"));
  EXPECT_EQ(lines[5], QStringLiteral("Wiązka 6: wyłączona"));
  // The supply in the words of every text but the picture: a decimal comma.
  EXPECT_TRUE(lines.contains(QStringLiteral("Zasilanie: 12,2 V"))) << lines.join(u'|').toStdString();
  EXPECT_TRUE(lines.contains(QStringLiteral("Magistrala komunikacyjna OK.")));
}

TEST(CliStatus, EachJsonFlagIsReadFromItsOwnBit) {
  const std::pair<const char*, std::uint8_t> flags[] = {
      {"alarmOutput", 0x01},       {"tamperOutput", 0x02}, {"busTamper", 0x04},        {"receiverTamper", 0x08},
      {"transmitterTamper", 0x10}, {"lowSupply", 0x20},    {"registrationMode", 0x40}, {"led", 0x80},
  };
  for (const auto& [key, bit] : flags) {
    BarrierModel model;
    model.status.statusFlags = bit;
    const QJsonObject json = statusJson(model);
    for (const auto& [other, unused] : flags)
      EXPECT_EQ(json.value(QLatin1String(other)).toBool(), std::string(other) == key) << key << " set, " << other;
    EXPECT_FALSE(json.value(QStringLiteral("coveredTooLong")).toBool()) << key;
  }
  BarrierModel covered;
  covered.status.sabotageFlags = 0x01;
  covered.status.statusFlags = 0;
  EXPECT_TRUE(statusJson(covered).value(QStringLiteral("coveredTooLong")).toBool());
  covered.status.sabotageFlags = 0xFE;
  EXPECT_FALSE(statusJson(covered).value(QStringLiteral("coveredTooLong")).toBool());
}

TEST(CliStatus, TheJsonObjectCarriesTheFlagsAndTheShownSupply) {
  BarrierModel model;
  model.beamCount = 2;
  model.status.statusFlags = statusflag::AlarmOutput | statusflag::ReceiverTamper | statusflag::Registration;
  model.status.sabotageFlags = 0x01;
  model.status.beamsAlert = beamBit(2);
  for (int i = 0; i < 70; ++i) model.updateSupply(200);

  const QJsonObject json = statusJson(model);
  EXPECT_EQ(json.value(QStringLiteral("beamCount")).toInt(), 2);
  EXPECT_TRUE(json.value(QStringLiteral("alarmOutput")).toBool());
  EXPECT_FALSE(json.value(QStringLiteral("tamperOutput")).toBool());
  EXPECT_TRUE(json.value(QStringLiteral("receiverTamper")).toBool());
  EXPECT_FALSE(json.value(QStringLiteral("transmitterTamper")).toBool());
  EXPECT_TRUE(json.value(QStringLiteral("registrationMode")).toBool());
  EXPECT_TRUE(json.value(QStringLiteral("coveredTooLong")).toBool());
  EXPECT_DOUBLE_EQ(json.value(QStringLiteral("supplyVolts")).toDouble(), 12.2);
  const QJsonArray beams = json.value(QStringLiteral("beams")).toArray();
  ASSERT_EQ(beams.size(), 2);
  EXPECT_TRUE(beams[1].toObject().value(QStringLiteral("alert")).toBool());
  EXPECT_FALSE(beams[0].toObject().value(QStringLiteral("alert")).toBool());
}

TEST(CliArguments, HelpAndRefusalsAreInTheProgramsOwnPolishAndNameIt) {
  const QString help = parse({"--help"}).text;
  EXPECT_TRUE(help.startsWith(QStringLiteral("Użycie: orvita-cli [opcje] polecenie [plik…]\n")))
      << help.section(QLatin1Char('\n'), 0, 0).toStdString();
  EXPECT_TRUE(help.contains(QStringLiteral("\nOpcje:\n")) && help.contains(QStringLiteral("\nArgumenty:\n")));
  for (const char* english : {"Usage", "Displays", "Options", "Arguments", "help-all", "Qt"})
    EXPECT_FALSE(help.contains(QLatin1String(english))) << english;
  EXPECT_TRUE(
      parse({"status", "--help"})
          .text.startsWith(QStringLiteral("Użycie: orvita-cli [opcje] status [--follow [--reconnect]] [--json]\n")));

  EXPECT_EQ(parse({"--frob"}).text, QStringLiteral("Nieznana opcja \"frob\" (--help opisuje polecenia)."));
  EXPECT_EQ(parse({"--port"}).text, QStringLiteral("Brak wartości po opcji --port (--help opisuje polecenia)."));
  EXPECT_EQ(parse({"write", "--force=1", "a.acc"}).text,
            QStringLiteral("Opcja --force nie przyjmuje wartości (--help opisuje polecenia)."));
  EXPECT_EQ(parse({"diff", "-", "-"}).outcome, CliParse::Error) << "standard input cannot be read twice";
  EXPECT_EQ(parse({"diff", "a.acc", "-"}).outcome, CliParse::Run);
}

// Every date and time case under UTC and under a zone with an offset and
// summer time, so that a local/UTC slip shows: the expected moments are UTC.
TEST(CliWhen, SpansWordsDatesAndClockChangesAreTheMomentsJournalctlMeans) {
  // Now is 00:30 on 2026-03-29 in Warsaw, still the 28th in UTC.
  struct Zone {
    const char* name;
    const char* today;  // the midnight that began the local day of now
    const char* yesterday;
    const char* dayStart;                   // 2026-03-29, the day summer time begins in Warsaw
    const char* dayEnd;                     // its last millisecond: a 23-hour day in Warsaw
    const char* winterTime;                 // 2026-12-08T03:12
    const char* skipped;                    // 2026-03-29T02:30, which the Warsaw clock skips
    const char *twiceEarlier, *twiceLater;  // 2026-10-25T02:30, shown twice there
  };
  for (const Zone& zone :
       {Zone{"UTC", "2026-03-28T00:00Z", "2026-03-27T00:00Z", "2026-03-29T00:00Z", "2026-03-29T23:59:59.999Z",
             "2026-12-08T03:12Z", "2026-03-29T02:30Z", "2026-10-25T02:30Z", "2026-10-25T02:30Z"},
        Zone{"Europe/Warsaw", "2026-03-28T23:00Z", "2026-03-27T23:00Z", "2026-03-28T23:00Z", "2026-03-29T21:59:59.999Z",
             "2026-12-08T02:12Z", "2026-03-29T01:00Z", "2026-10-25T00:30Z", "2026-10-25T01:30Z"}}) {
    const TimeZone local(zone.name);
    SCOPED_TRACE(zone.name);
    const qint64 now = utc("2026-03-28T23:30:00.000Z");
    EXPECT_EQ(parseWhen("30m", now, false), now - 1'800'000);
    EXPECT_EQ(parseWhen("30s", now, false), now - 30'000);
    EXPECT_EQ(parseWhen("-1h", now, false), now - 3'600'000);
    EXPECT_EQ(parseWhen("+1h", now, true), now + 3'600'000);
    EXPECT_EQ(parseWhen("1w", now, false), now - 7 * 86'400'000LL);
    EXPECT_EQ(parseWhen("1h 30min", now, false), now - 5'400'000);
    EXPECT_EQ(parseWhen("2 days ago", now, false), now - 2 * 86'400'000LL);
    EXPECT_EQ(parseWhen("now", now, true), now);
    EXPECT_EQ(parseWhen("today", now, false), utc(zone.today));
    EXPECT_EQ(parseWhen("today", now, true), utc(zone.today)) << "a midnight, as journalctl takes it";
    EXPECT_EQ(parseWhen("yesterday", now, false), utc(zone.yesterday));
    EXPECT_EQ(parseWhen("2026-03-29", now, false), utc(zone.dayStart));
    EXPECT_EQ(parseWhen("2026-03-29", now, true), utc(zone.dayEnd));
    EXPECT_EQ(parseWhen("2026-12-08T03:12", now, false), utc(zone.winterTime));
    EXPECT_EQ(parseWhen("2026-12-08 03:12", now, false), utc(zone.winterTime));
    EXPECT_EQ(parseWhen("2026-03-29T02:30", now, false), utc(zone.skipped));
    EXPECT_EQ(parseWhen("2026-03-29T02:30", now, true), utc(zone.skipped));
    EXPECT_EQ(parseWhen("2026-10-25T02:30", now, false), utc(zone.twiceEarlier));
    EXPECT_EQ(parseWhen("2026-10-25T02:30", now, true), utc(zone.twiceLater));
    EXPECT_EQ(parseWhen("2026-12-08T03:12:00.000Z", now, false), utc("2026-12-08T03:12Z"));
    EXPECT_EQ(parseWhen("2026-12-08T03:12+05:00", now, false), utc("2026-12-07T22:12Z"));
  }
  for (const char* wrong : {"-", "1 fortnight", "+1h ago", "-1h left", "999999999999y", "1h30", "today2"})
    EXPECT_FALSE(parseWhen(wrong, 0, false)) << wrong;

  const CliParse backwards = parse({"history", "--since", "today", "--until", "yesterday"});
  EXPECT_EQ(backwards.outcome, CliParse::Error);
  EXPECT_TRUE(backwards.text.contains(QStringLiteral("--since today"))) << backwards.text.toStdString();
  EXPECT_EQ(parse({"history", "--since", "2026-12-08T03:12", "--until", "2026-12-08T03:12"}).outcome, CliParse::Run);
}

TEST(CliConfigText, ShowJsonCarriesEveryFieldAndTheBytes) {
  const QJsonObject json = configJson(sampleConfig());
  EXPECT_EQ(json.value(QStringLiteral("beamCount")).toInt(), 4);
  EXPECT_EQ(json.value(QStringLiteral("alarmMode")).toInt(), 1);
  EXPECT_EQ(json.value(QStringLiteral("autoBlockTimeSeconds")).toInt(), 30);
  EXPECT_EQ(json.value(QStringLiteral("maxCoveredTimeMinutes")).toInt(), 7);
  EXPECT_EQ(json.value(QStringLiteral("serial")).toInt(), 12345);
  EXPECT_EQ(json.value(QStringLiteral("config")).toString(),
            QStringLiteral("01051900000000000030390700000000") + QStringLiteral("1E030000000000000000000000000004"));
  const QJsonArray beams = json.value(QStringLiteral("beams")).toArray();
  ASSERT_EQ(beams.size(), 4);
  EXPECT_EQ(beams[0].toObject(),
            (QJsonObject{{"beam", 1}, {"responseTimeMs", 200}, {"switchedOff", false}, {"autoBlockCount", 3}}));
  EXPECT_EQ(beams[1].toObject().value(QStringLiteral("responseTimeMs")).toInt(), 1000);
  EXPECT_TRUE(beams[2].toObject().value(QStringLiteral("switchedOff")).toBool());
}

TEST(CliPorts, EachDeviceIsListedWithItsDescriptionAndItsStableNamesUnderIt) {
  QTemporaryDir sys;
  const auto path = [&](const QString& relative) { return sys.filePath(relative); };
  const auto write = [&](const QString& relative, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path(relative)).path());
    QFile file(path(relative));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text + "\n");
  };
  const QString ftdi = QStringLiteral("devices/usb1/1-2");
  for (const auto& [name, text] :
       {std::pair{"idVendor", "0403"}, std::pair{"idProduct", "6001"}, std::pair{"manufacturer", "FTDI"},
        std::pair{"product", "FT232R USB UART"}, std::pair{"serial", "A10K1234"}})
    write(ftdi + "/" + name, text);
  write(ftdi + "/1-2:1.0/ttyUSB0/latency_timer", "16");
  write(QStringLiteral("devices/usb1/1-3/idVendor"), "2341");
  write(QStringLiteral("devices/usb1/1-3/idProduct"), "0043");
  QDir().mkpath(path(QStringLiteral("devices/usb1/1-3/1-3:1.0")));
  for (const auto& [tty, device] :
       {std::pair{"ttyUSB0", "devices/usb1/1-2/1-2:1.0/ttyUSB0"}, std::pair{"ttyACM0", "devices/usb1/1-3/1-3:1.0"}}) {
    QDir().mkpath(path(QStringLiteral("class/tty/") + tty));
    ASSERT_TRUE(QFile::link(path(device), path(QStringLiteral("class/tty/%1/device").arg(tty))));
  }
  QDir().mkpath(path(QStringLiteral("by-id")));
  const QString stable = path(QStringLiteral("by-id/usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0"));
  ASSERT_TRUE(QFile::link(QStringLiteral("../../ttyUSB0"), stable));

  CliRequest request;
  request.command = CliCommand::Ports;
  Printed text;
  runPortsCommand(request, text.output(), path(QStringLiteral("class/tty")), path(QStringLiteral("by-id")));
  EXPECT_EQ(text.lines, (QStringList{QStringLiteral("ttyACM0 – urządzenie USB 2341:0043"),
                                     QStringLiteral("ttyUSB0 – FTDI FT232R USB UART, nr seryjny A10K1234, "
                                                    "opóźnienie adaptera 16 ms"),
                                     stable + QStringLiteral(" – ttyUSB0")}));
  EXPECT_TRUE(text.errors.isEmpty());

  request.json = true;
  Printed json;
  runPortsCommand(request, json.output(), path(QStringLiteral("class/tty")), path(QStringLiteral("by-id")));
  ASSERT_EQ(json.lines.size(), 2);
  const QJsonObject acm = QJsonDocument::fromJson(json.lines[0].toUtf8()).object();
  const QJsonObject usb = QJsonDocument::fromJson(json.lines[1].toUtf8()).object();
  EXPECT_EQ(acm.value(QStringLiteral("name")).toString(), QStringLiteral("ttyACM0"));
  EXPECT_TRUE(acm.value(QStringLiteral("stableNames")).toArray().isEmpty());
  EXPECT_TRUE(acm.value(QStringLiteral("latencyTimerMs")).isNull());
  EXPECT_EQ(usb, (QJsonObject{{"name", "ttyUSB0"},
                              {"device", "/dev/ttyUSB0"},
                              {"stableNames", QJsonArray{stable}},
                              {"description", "FTDI FT232R USB UART, nr seryjny A10K1234"},
                              {"manufacturer", "FTDI"},
                              {"product", "FT232R USB UART"},
                              {"serialNumber", "A10K1234"},
                              {"vendorId", "0403"},
                              {"productId", "6001"},
                              {"latencyTimerMs", 16}}));

  Printed none;
  request.json = false;
  runPortsCommand(request, none.output(), path(QStringLiteral("nothing")), path(QStringLiteral("nothing")));
  EXPECT_TRUE(none.lines.isEmpty()) << "nothing a completion could take for a port";
  EXPECT_EQ(none.errors.size(), 1);
}

// The completion script as bash-completion loads it, asked as bash asks it
// when Tab is pressed after `words` (the last one being completed).
QStringList completions(const QStringList& words, const QString& folder = QString()) {
  QProcess bash;
  if (!folder.isEmpty()) bash.setWorkingDirectory(folder);
  bash.start(
      QStringLiteral("bash"),
      QStringList{QStringLiteral("--norc"), QStringLiteral("--noprofile"), QStringLiteral("-c"),
                  QStringLiteral("source \"$0\"; f=$(complete -p orvita-cli | sed -E 's/.*-F ([^ ]+).*/\\1/'); "
                                 "COMP_WORDS=(\"$@\"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); "
                                 "\"$f\" orvita-cli \"${COMP_WORDS[COMP_CWORD]}\" \"${COMP_WORDS[COMP_CWORD-1]}\"; "
                                 "printf '%s\\n' \"${COMPREPLY[@]}\""),
                  QStringLiteral(ORVITA_PACKAGING "/completion/orvita-cli")} +
          words);
  EXPECT_TRUE(bash.waitForFinished(30000));
  EXPECT_EQ(bash.readAllStandardError(), QByteArray());
  QStringList offered = QString::fromUtf8(bash.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  offered.sort();
  return offered;
}

TEST(CliCompletion, BashOffersTheCommandsTheirOwnOptionsThePortsAndConfigurationFiles) {
  const QString cli = QStringLiteral(ORVITA_CLI);
  EXPECT_EQ(completions({cli, QStringLiteral("st")}), QStringList{QStringLiteral("status")});
  QStringList commands;
  for (int c = 0; c <= int(CliCommand::Ports); ++c) commands << commandName(CliCommand(c));
  commands.sort();
  EXPECT_EQ(completions({cli, QString()}), commands);
  EXPECT_EQ(completions({cli, QStringLiteral("--timeout"), QStringLiteral("3"), QStringLiteral("wr")}),
            QStringList{QStringLiteral("write")});

  const QStringList statusOptions = completions({cli, QStringLiteral("status"), QStringLiteral("--")});
  for (const char* option : {"--follow", "--reconnect", "--json", "--port", "--timeout", "--help"})
    EXPECT_TRUE(statusOptions.contains(QLatin1String(option))) << option;
  EXPECT_FALSE(statusOptions.contains(QStringLiteral("--force")));

  // Each line `ports` prints starts with a name --port takes.
  QTemporaryDir dir;
  const QString fake = dir.filePath(QStringLiteral("fake-cli"));
  QFile script(fake);
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write(
      "#!/bin/sh\n[ \"$1\" = ports ] && printf '%s\\n' 'ttyS0' 'ttyUSB0 – FTDI FT232R USB UART' "
      "'/dev/serial/by-id/usb-FTDI-port0 – ttyUSB0'\n");
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_EQ(completions({fake, QStringLiteral("--port"), QString()}),
            (QStringList{"/dev/serial/by-id/usb-FTDI-port0", "ttyS0", "ttyUSB0"}));
  EXPECT_EQ(completions({fake, QStringLiteral("--port"), QStringLiteral("="), QStringLiteral("ttyU")}),
            QStringList{QStringLiteral("ttyUSB0")});

  for (const char* name : {"brama.acc", "brama.pdf", "notatki.txt"}) {
    QFile file(dir.filePath(QLatin1String(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  QDir(dir.path()).mkdir(QStringLiteral("kopie"));
  EXPECT_EQ(completions({cli, QStringLiteral("show"), QString()}, dir.path()), (QStringList{"brama.acc", "kopie"}));
  EXPECT_EQ(completions({cli, QStringLiteral("report"), QStringLiteral("b")}, dir.path()),
            QStringList{QStringLiteral("brama.pdf")});
}

// The manual pages name every option, command, JSON key and CSV column the
// programs have, so that a new one cannot go undocumented.
TEST(CliManual, ThePagesNameEveryOptionCommandKeyAndColumn) {
  const auto page = [](const char* name) {
    QFile file(QStringLiteral(ORVITA_PACKAGING "/man/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    // As troff source writes them: "\-" for a hyphen, "\fB" and the like between words.
    static const QRegularExpression font(QStringLiteral("\\\\f[BIRP]"));
    return QString::fromUtf8(file.readAll()).replace(QStringLiteral("\\-"), QStringLiteral("-")).remove(font);
  };
  const QString cliPage = page("orvita-cli.1");
  static const QRegularExpression optionLine(QStringLiteral("^ +(?:-\\w, )?(--[a-z-]+)"),
                                             QRegularExpression::MultilineOption);
  QStringList named;
  for (auto m = optionLine.globalMatch(parse({"--help"}).text); m.hasNext();) named << m.next().captured(1);
  for (int c = 0; c <= int(CliCommand::Ports); ++c) named << commandName(CliCommand(c));
  named << journalCsvHeader().split(QLatin1Char(','));
  BarrierModel model;
  model.beamCount = 2;
  named << statusJson(model).keys() << statusJson(model).value(QStringLiteral("beams")).toArray()[0].toObject().keys();
  const QJsonObject config = configJson(sampleConfig());
  named << config.keys() << config.value(QStringLiteral("beams")).toArray()[0].toObject().keys();
  EXPECT_GT(named.size(), 60);
  for (const QString& word : named) {
    const QRegularExpression whole(QStringLiteral("(^|[^\\w-])") + QRegularExpression::escape(word) +
                                   QStringLiteral("($|[^\\w-])"));
    EXPECT_TRUE(cliPage.contains(whole)) << "orvita-cli.1 lacks " << word.toStdString();
  }
  for (const char* section : {".SH ENVIRONMENT", "ORVITA_JOURNAL", "XDG_STATE_HOME", ".SH FILES", ".SH SIGNALS"})
    EXPECT_TRUE(cliPage.contains(QLatin1String(section))) << section;

  // The simulator's options and commands as its --help lists them.
  QProcess sim;
  sim.start(QStringLiteral(BARRIER_SIM), {QStringLiteral("--help")});
  ASSERT_TRUE(sim.waitForFinished(30000));
  const QString simHelp = QString::fromUtf8(sim.readAllStandardOutput() + sim.readAllStandardError());
  static const QRegularExpression simLine(QStringLiteral("^  (--?[a-z][a-z0-9-]*|[a-z][a-z0-9-]*)(?= |\\|)"),
                                          QRegularExpression::MultilineOption);
  const QString simPage = page("orvita-barrier-sim.1");
  int simNames = 0;
  for (auto m = simLine.globalMatch(simHelp); m.hasNext(); ++simNames) {
    const QString word = m.next().captured(1);
    const QRegularExpression whole(QStringLiteral("(^|[^\\w-])") + QRegularExpression::escape(word) +
                                   QStringLiteral("($|[^\\w-])"));
    EXPECT_TRUE(simPage.contains(whole)) << "orvita-barrier-sim.1 lacks " << word.toStdString();
  }
  EXPECT_GT(simNames, 40);
  EXPECT_TRUE(simPage.contains(QStringLiteral("alternate")));
}

int main(int argc, char** argv) {
  // Qt's parser words its messages through the application's translators.
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
