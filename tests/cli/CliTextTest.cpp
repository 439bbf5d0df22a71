// orvita-cli without a barrier: its arguments, a configuration in words and
// the status in words and JSON.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QJsonArray>
#include <ctime>

#include "cli/CommandLine.h"
#include "cli/DefaultPort.h"
#include "cli/JournalCommands.h"
#include "cli/StatusReport.h"
#include "files/ConfigText.h"
#include "journal/JournalCsv.h"

namespace {

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
