#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <array>

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
    {"walktest", CliCommand::WalkTest, " [--json] [--timeout SEKUNDY]", 0},
    {"report", CliCommand::Report,
     " PLIK.pdf [--site TEKST] [--technician TEKST] [--remark TEKST] [--plan PLIK.acc]", 1},
}};

// The options that only some commands take, with the commands that take them.
struct CommandOption {
  const char* name;
  bool CliRequest::*flag;
  CliCommand command;
  CliCommand alsoFor;
};

constexpr std::array<CommandOption, 3> CommandOptions{{
    {"force", &CliRequest::force, CliCommand::Write, CliCommand::Write},
    {"follow", &CliRequest::follow, CliCommand::Status, CliCommand::Status},
    {"json", &CliRequest::json, CliCommand::Status, CliCommand::WalkTest},
}};

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
                                   uiText(UiTexts::txtCliOptionTimeout).arg(CliRequest::DefaultTimeoutSeconds) +
                                       QLatin1Char(' ') +
                                       uiText(UiTexts::txtCliWalkTimeout).arg(CliRequest::WalkTestTimeoutSeconds),
                                   uiText(UiTexts::txtCliOptionTimeoutValue));
  parser.addOption(port);
  parser.addOption(timeout);
  const UiTexts::Id optionTexts[] = {UiTexts::txtCliOptionForce, UiTexts::txtCliOptionFollow,
                                     UiTexts::txtCliOptionJson};
  for (std::size_t i = 0; i < CommandOptions.size(); ++i)
    parser.addOption(QCommandLineOption(QString::fromLatin1(CommandOptions[i].name), uiText(optionTexts[i])));
  for (const ReportOption& option : ReportOptions)
    parser.addOption(QCommandLineOption(QString::fromLatin1(option.name), uiText(option.help), uiText(option.valueName)));
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
    if (option.command != known->command && option.alsoFor != known->command)
      return failure(uiText(UiTexts::txtCliOptionNotFor).arg(QStringLiteral("--") + QLatin1String(option.name), name));
    request.*option.flag = true;
  }
  for (const ReportOption& option : ReportOptions) {
    if (!parser.isSet(QString::fromLatin1(option.name))) continue;
    if (known->command != CliCommand::Report)
      return failure(uiText(UiTexts::txtCliOptionNotFor).arg(QStringLiteral("--") + QLatin1String(option.name), name));
    request.*option.value = parser.value(QString::fromLatin1(option.name));
  }
  if (request.command == CliCommand::WalkTest) request.timeoutSeconds = CliRequest::WalkTestTimeoutSeconds;
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
