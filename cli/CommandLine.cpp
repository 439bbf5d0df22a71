#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <array>
#include <tuple>

#include "serial/PortName.h"
#include "texts/UiTexts.h"

namespace {

struct CommandForm {
  const char* name;
  CliCommand command;
  const char* operands;  // as the syntax line names them
  int fileCount;
  UiTexts::Id help;  // what the command's own --help says it does
};

constexpr std::array<CommandForm, 11> Commands{{
    {"identify", CliCommand::Identify, "", 0, UiTexts::txtCliHelpIdentify},
    {"read", CliCommand::Read, " PLIK.acc", 1, UiTexts::txtCliHelpRead},
    {"write", CliCommand::Write, " [--force] PLIK.acc", 1, UiTexts::txtCliHelpWrite},
    {"reset", CliCommand::Reset, "", 0, UiTexts::txtCliHelpReset},
    {"status", CliCommand::Status, " [--follow [--reconnect]] [--json]", 0, UiTexts::txtCliHelpStatus},
    {"show", CliCommand::Show, " PLIK.acc", 1, UiTexts::txtCliHelpShow},
    {"diff", CliCommand::Diff, " A.acc B.acc", 2, UiTexts::txtCliHelpDiff},
    {"history", CliCommand::History,
     " [--barrier NUMER] [--since KIEDY] [--until KIEDY] [--json | --csv | --spreadsheet]", 0,
     UiTexts::txtCliHelpHistory},
    {"barriers", CliCommand::Barriers, " [--json]", 0, UiTexts::txtCliHelpBarriers},
    {"walktest", CliCommand::WalkTest, " [--json] [--timeout SEKUNDY]", 0, UiTexts::txtCliHelpWalkTest},
    {"report", CliCommand::Report,
     " PLIK.pdf [--barrier NUMER] [--site TEKST] [--technician TEKST] [--remark TEKST] [--plan PLIK.acc]", 1,
     UiTexts::txtCliHelpReport},
}};

constexpr unsigned bit(CliCommand c) { return 1u << unsigned(c); }

// The options that only some commands take, with the commands that take them.
struct CommandOption {
  const char* name;
  bool CliRequest::*flag;
  unsigned commands;  // bit(command) of each command that takes it
  UiTexts::Id description;
};

constexpr std::array<CommandOption, 6> CommandOptions{{
    {"force", &CliRequest::force, bit(CliCommand::Write), UiTexts::txtCliOptionForce},
    {"follow", &CliRequest::follow, bit(CliCommand::Status), UiTexts::txtCliOptionFollow},
    {"reconnect", &CliRequest::reconnect, bit(CliCommand::Status), UiTexts::txtCliOptionReconnect},
    {"json", &CliRequest::json,
     bit(CliCommand::Status) | bit(CliCommand::History) | bit(CliCommand::Barriers) | bit(CliCommand::WalkTest),
     UiTexts::txtCliOptionJson},
    {"csv", &CliRequest::csv, bit(CliCommand::History), UiTexts::txtCliOptionCsv},
    {"spreadsheet", &CliRequest::spreadsheet, bit(CliCommand::History), UiTexts::txtCliOptionSpreadsheet},
}};

// The options of history that take a value; report takes --barrier too.
struct HistoryOptions {
  QCommandLineOption barrier{QStringLiteral("barrier"), uiText(UiTexts::txtCliOptionBarrier),
                             uiText(UiTexts::txtCliOptionSerialValue)};
  QCommandLineOption since{QStringLiteral("since"), uiText(UiTexts::txtCliOptionSince),
                           uiText(UiTexts::txtCliOptionWhenValue)};
  QCommandLineOption until{QStringLiteral("until"), uiText(UiTexts::txtCliOptionUntil),
                           uiText(UiTexts::txtCliOptionWhenValue)};
};

// The texts the report command puts in its record.
struct ReportOption {
  const char* name;
  QString CliRequest::*value;
  UiTexts::Id help;
  UiTexts::Id valueName;
};

const std::array<ReportOption, 4> ReportOptions{{
    {"site", &CliRequest::site, UiTexts::txtCliOptionSite, UiTexts::txtCliOptionTextValue},
    {"technician", &CliRequest::technician, UiTexts::txtCliOptionTechnician, UiTexts::txtCliOptionTextValue},
    {"remark", &CliRequest::remark, UiTexts::txtCliOptionRemark, UiTexts::txtCliOptionTextValue},
    {"plan", &CliRequest::plan, UiTexts::txtCliOptionPlan, UiTexts::txtCliOptionFileValue},
}};

QCommandLineOption reportOption(const ReportOption& option) {
  return QCommandLineOption(QString::fromLatin1(option.name), uiText(option.help), uiText(option.valueName));
}

// Commands that talk to no barrier take no port and no time-out.
bool offline(CliCommand command) {
  return command == CliCommand::Show || command == CliCommand::Diff || command == CliCommand::History ||
         command == CliCommand::Barriers || command == CliCommand::Report;
}

// The options every command takes.
struct CommonOptions {
  QCommandLineOption port{QStringLiteral("port"), uiText(UiTexts::txtCliOptionPort),
                          uiText(UiTexts::txtCliOptionPortValue)};
  QCommandLineOption timeout{QStringLiteral("timeout"),
                             uiText(UiTexts::txtCliOptionTimeout).arg(CliRequest::DefaultTimeoutSeconds),
                             uiText(UiTexts::txtCliOptionTimeoutValue)};
  // The walk test waits for the technician, not for the barrier.
  QCommandLineOption walkTimeout{QStringLiteral("timeout"),
                                 uiText(UiTexts::txtCliWalkTimeout).arg(CliRequest::WalkTestTimeoutSeconds),
                                 uiText(UiTexts::txtCliOptionTimeoutValue)};
};

// `form`'s own help: its syntax, what it does, and only the options it takes.
QString commandHelp(const CommandForm& form) {
  QCommandLineParser parser;
  parser.addHelpOption();
  const CommonOptions common;
  if (form.command == CliCommand::WalkTest)
    parser.addOptions({common.port, common.walkTimeout});
  else if (!offline(form.command))
    parser.addOptions({common.port, common.timeout});
  const HistoryOptions history;
  if (form.command == CliCommand::History) parser.addOptions({history.barrier, history.since, history.until});
  if (form.command == CliCommand::Report) {
    parser.addOption(history.barrier);
    for (const ReportOption& option : ReportOptions) parser.addOption(reportOption(option));
  }
  for (const CommandOption& option : CommandOptions)
    if (option.commands & bit(form.command))
      parser.addOption(QCommandLineOption(QString::fromLatin1(option.name), uiText(option.description)));
  const QString name = QString::fromLatin1(form.name);
  parser.addPositionalArgument(name, uiText(form.help), name + QLatin1String(form.operands));
  return parser.helpText();
}

CliParse failure(const QString& message) {
  CliParse parse;
  parse.outcome = CliParse::Error;
  // One sentence: Qt's messages and ours end with a full stop, the hint comes before it.
  parse.text = (message.endsWith(QLatin1Char('.')) ? message.chopped(1) : message) + uiText(UiTexts::txtCliSeeHelp);
  return parse;
}

}  // namespace

CliParse parseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(uiText(UiTexts::txtCliDescription));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  const CommonOptions common;
  const QCommandLineOption& port = common.port;
  // The general help names both meanings of the time-out.
  const QCommandLineOption timeout(QStringLiteral("timeout"),
                                   common.timeout.description() + QLatin1Char(' ') + common.walkTimeout.description(),
                                   common.timeout.valueName());
  parser.addOptions({port, timeout});
  for (const CommandOption& option : CommandOptions)
    parser.addOption(QCommandLineOption(QString::fromLatin1(option.name), uiText(option.description)));
  const HistoryOptions history;
  parser.addOptions({history.barrier, history.since, history.until});
  for (const ReportOption& option : ReportOptions) parser.addOption(reportOption(option));
  parser.addPositionalArgument(QStringLiteral("polecenie"), uiText(UiTexts::txtCliCommandArgument),
                               uiText(UiTexts::txtCliCommandSyntax));

  if (!parser.parse(arguments)) return failure(parser.errorText());
  CliParse parse;
  // A program without Qt's window options has nothing more to show for --help-all.
  if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
    parse.outcome = CliParse::Help;
    parse.text = parser.helpText();
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty())
      for (const CommandForm& form : Commands)
        if (positional.constFirst() == QLatin1String(form.name)) parse.text = commandHelp(form);
    return parse;
  }
  if (parser.isSet(version)) {
    parse.outcome = CliParse::Version;
    parse.text = QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion();
    return parse;
  }

  QStringList positional = parser.positionalArguments();
  if (positional.isEmpty()) return failure(uiText(UiTexts::txtCliNoCommand));
  const QString name = positional.takeFirst();
  const CommandForm* known = nullptr;
  for (const CommandForm& candidate : Commands)
    if (name == QLatin1String(candidate.name)) known = &candidate;
  if (!known) return failure(uiText(UiTexts::txtCliUnknownCommand).arg(name));

  CliRequest& request = parse.request;
  request.command = known->command;
  const QString syntax = uiText(UiTexts::txtCliSyntax).arg(name + QLatin1String(known->operands));
  if (positional.size() != known->fileCount) return failure(syntax);
  request.files = positional;

  for (const CommandOption& option : CommandOptions) {
    if (!parser.isSet(QString::fromLatin1(option.name))) continue;
    if (!(option.commands & bit(known->command)))
      return failure(uiText(UiTexts::txtCliOptionNotFor).arg(QStringLiteral("--") + QLatin1String(option.name), name));
    request.*option.flag = true;
  }
  if (request.json && request.csv) return failure(uiText(UiTexts::txtCliJsonAndCsv));
  if (request.json && request.spreadsheet) return failure(uiText(UiTexts::txtCliJsonAndSpreadsheet));
  for (const QCommandLineOption* option : {&history.barrier, &history.since, &history.until})
    if (parser.isSet(*option) && known->command != CliCommand::History &&
        !(option == &history.barrier && known->command == CliCommand::Report))
      return failure(uiText(UiTexts::txtCliOptionNotFor).arg(QStringLiteral("--") + option->names().first(), name));
  if (parser.isSet(history.barrier)) {
    bool number = false;
    const unsigned serial = parser.value(history.barrier).toUInt(&number);
    if (!number || serial > 65535) return failure(uiText(UiTexts::txtCliBadSerial).arg(parser.value(history.barrier)));
    request.barrier = serial;
  }
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  for (auto [option, field, endOfDay] : {std::tuple{&history.since, &CliRequest::sinceMs, false},
                                         std::tuple{&history.until, &CliRequest::untilMs, true}}) {
    if (!parser.isSet(*option)) continue;
    request.*field = parseWhen(parser.value(*option), now, endOfDay);
    if (!(request.*field)) return failure(uiText(UiTexts::txtCliBadWhen).arg(parser.value(*option)));
  }
  for (const ReportOption& option : ReportOptions) {
    if (!parser.isSet(QString::fromLatin1(option.name))) continue;
    if (known->command != CliCommand::Report)
      return failure(uiText(UiTexts::txtCliOptionNotFor).arg(QStringLiteral("--") + QLatin1String(option.name), name));
    request.*option.value = parser.value(QString::fromLatin1(option.name));
  }
  if (request.command == CliCommand::WalkTest) request.timeoutSeconds = CliRequest::WalkTestTimeoutSeconds;
  if (request.reconnect && !request.follow)
    return failure(uiText(UiTexts::txtCliSyntax).arg(name + QLatin1String(known->operands)));
  if (parser.isSet(port)) {
    const QString given = parser.value(port);
    if (given.isEmpty()) return failure(uiText(UiTexts::txtCliSyntax).arg(QStringLiteral("--port nazwa ") + name));
    const std::optional<QString> resolved = resolvePortName(given, QDir::currentPath());
    if (!resolved) return failure(uiText(UiTexts::txtNotAPortName).arg(given));
    request.port = *resolved;
  }
  if (parser.isSet(timeout)) {
    bool number = false;
    const QString given = parser.value(timeout);
    request.timeoutSeconds = given.toDouble(&number);
    // A day at most: the value becomes milliseconds in an int.
    if (!number || !(request.timeoutSeconds > 0) || request.timeoutSeconds > 86400)
      return failure(uiText(UiTexts::txtCliBadTimeout).arg(given));
  }
  parse.outcome = CliParse::Run;
  return parse;
}

QString commandName(CliCommand command) {
  for (const CommandForm& form : Commands)
    if (form.command == command) return QString::fromLatin1(form.name);
  return QString();
}

std::optional<qint64> parseWhen(const QString& text, qint64 nowMs, bool endOfDay) {
  static const QRegularExpression span(QStringLiteral("^(\\d{1,6})([mhd])$"));
  if (const QRegularExpressionMatch m = span.match(text); m.hasMatch()) {
    const qint64 unit = m.captured(2) == QLatin1String("m")   ? 60'000
                        : m.captured(2) == QLatin1String("h") ? 3'600'000
                                                              : 86'400'000;
    return nowMs - m.captured(1).toLongLong() * unit;
  }
  const QDate date = QDate::fromString(text, Qt::ISODate);
  if (date.isValid() && text.size() == 10) {
    const QDateTime start = date.startOfDay();
    return endOfDay ? date.addDays(1).startOfDay().toMSecsSinceEpoch() - 1 : start.toMSecsSinceEpoch();
  }
  const QDateTime moment = QDateTime::fromString(text, Qt::ISODateWithMs);
  if (moment.isValid()) return moment.toMSecsSinceEpoch();
  return std::nullopt;
}
