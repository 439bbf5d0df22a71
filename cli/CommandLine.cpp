#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <array>
#include <tuple>

#include "texts/UiTexts.h"

namespace {

struct CommandForm {
  const char* name;
  CliCommand command;
  const char* operands;  // as the syntax line names them
  int fileCount;
};

constexpr std::array<CommandForm, 9> Commands{{
    {"identify", CliCommand::Identify, "", 0},
    {"read", CliCommand::Read, " PLIK.acc", 1},
    {"write", CliCommand::Write, " [--force] PLIK.acc", 1},
    {"reset", CliCommand::Reset, "", 0},
    {"status", CliCommand::Status, " [--follow] [--json]", 0},
    {"show", CliCommand::Show, " PLIK.acc", 1},
    {"diff", CliCommand::Diff, " A.acc B.acc", 2},
    {"history", CliCommand::History, " [--barrier NUMER] [--since KIEDY] [--until KIEDY] [--json | --csv]", 0},
    {"barriers", CliCommand::Barriers, " [--json]", 0},
}};

constexpr unsigned bit(CliCommand c) { return 1u << unsigned(c); }

// The options that only some commands take, with the commands that take them.
struct CommandOption {
  const char* name;
  bool CliRequest::*flag;
  unsigned commands;  // bit(command) of each command that takes it
};

constexpr std::array<CommandOption, 4> CommandOptions{{
    {"force", &CliRequest::force, bit(CliCommand::Write)},
    {"follow", &CliRequest::follow, bit(CliCommand::Status)},
    {"json", &CliRequest::json, bit(CliCommand::Status) | bit(CliCommand::History) | bit(CliCommand::Barriers)},
    {"csv", &CliRequest::csv, bit(CliCommand::History)},
}};

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
  const QCommandLineOption port(QStringLiteral("port"), uiText(UiTexts::txtCliOptionPort),
                                uiText(UiTexts::txtCliOptionPortValue));
  const QCommandLineOption timeout(QStringLiteral("timeout"),
                                   uiText(UiTexts::txtCliOptionTimeout).arg(CliRequest::DefaultTimeoutSeconds),
                                   uiText(UiTexts::txtCliOptionTimeoutValue));
  parser.addOption(port);
  parser.addOption(timeout);
  const UiTexts::Id optionTexts[] = {UiTexts::txtCliOptionForce, UiTexts::txtCliOptionFollow, UiTexts::txtCliOptionJson,
                                     UiTexts::txtCliOptionCsv};
  for (std::size_t i = 0; i < CommandOptions.size(); ++i)
    parser.addOption(QCommandLineOption(QString::fromLatin1(CommandOptions[i].name), uiText(optionTexts[i])));
  const QCommandLineOption barrier(QStringLiteral("barrier"), uiText(UiTexts::txtCliOptionBarrier),
                                   uiText(UiTexts::txtCliOptionSerialValue));
  const QCommandLineOption since(QStringLiteral("since"), uiText(UiTexts::txtCliOptionSince),
                                 uiText(UiTexts::txtCliOptionWhenValue));
  const QCommandLineOption until(QStringLiteral("until"), uiText(UiTexts::txtCliOptionUntil),
                                 uiText(UiTexts::txtCliOptionWhenValue));
  parser.addOption(barrier);
  parser.addOption(since);
  parser.addOption(until);
  parser.addPositionalArgument(QStringLiteral("polecenie"), uiText(UiTexts::txtCliCommandArgument),
                               uiText(UiTexts::txtCliCommandSyntax));

  if (!parser.parse(arguments)) return failure(parser.errorText());
  CliParse parse;
  if (parser.isSet(help)) {
    parse.outcome = CliParse::Help;
    parse.text = parser.helpText();
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
  for (const QCommandLineOption* option : {&barrier, &since, &until})
    if (parser.isSet(*option) && known->command != CliCommand::History)
      return failure(uiText(UiTexts::txtCliOptionNotFor).arg(QStringLiteral("--") + option->names().first(), name));
  if (parser.isSet(barrier)) {
    bool number = false;
    const unsigned serial = parser.value(barrier).toUInt(&number);
    if (!number || serial > 65535) return failure(uiText(UiTexts::txtCliBadSerial).arg(parser.value(barrier)));
    request.barrier = serial;
  }
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  for (auto [option, field, endOfDay] :
       {std::tuple{&since, &CliRequest::sinceMs, false}, std::tuple{&until, &CliRequest::untilMs, true}}) {
    if (!parser.isSet(*option)) continue;
    request.*field = parseWhen(parser.value(*option), now, endOfDay);
    if (!(request.*field)) return failure(uiText(UiTexts::txtCliBadWhen).arg(parser.value(*option)));
  }
  if (parser.isSet(port)) {
    request.port = parser.value(port);
    if (request.port.isEmpty())
      return failure(uiText(UiTexts::txtCliSyntax).arg(QStringLiteral("--port nazwa ") + name));
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
