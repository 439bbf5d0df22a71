#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <array>

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

constexpr std::array<CommandForm, 7> Commands{{
    {"identify", CliCommand::Identify, "", 0, UiTexts::txtCliHelpIdentify},
    {"read", CliCommand::Read, " PLIK.acc", 1, UiTexts::txtCliHelpRead},
    {"write", CliCommand::Write, " [--force] PLIK.acc", 1, UiTexts::txtCliHelpWrite},
    {"reset", CliCommand::Reset, "", 0, UiTexts::txtCliHelpReset},
    {"status", CliCommand::Status, " [--follow [--reconnect]] [--json]", 0, UiTexts::txtCliHelpStatus},
    {"show", CliCommand::Show, " PLIK.acc", 1, UiTexts::txtCliHelpShow},
    {"diff", CliCommand::Diff, " A.acc B.acc", 2, UiTexts::txtCliHelpDiff},
}};

// The options that only some commands take, with the commands that take them.
struct CommandOption {
  const char* name;
  bool CliRequest::*flag;
  CliCommand command;
  UiTexts::Id description;
};

constexpr std::array<CommandOption, 4> CommandOptions{{
    {"force", &CliRequest::force, CliCommand::Write, UiTexts::txtCliOptionForce},
    {"follow", &CliRequest::follow, CliCommand::Status, UiTexts::txtCliOptionFollow},
    {"reconnect", &CliRequest::reconnect, CliCommand::Status, UiTexts::txtCliOptionReconnect},
    {"json", &CliRequest::json, CliCommand::Status, UiTexts::txtCliOptionJson},
}};

// The options every command takes.
struct CommonOptions {
  QCommandLineOption port{QStringLiteral("port"), uiText(UiTexts::txtCliOptionPort),
                          uiText(UiTexts::txtCliOptionPortValue)};
  QCommandLineOption timeout{QStringLiteral("timeout"),
                             uiText(UiTexts::txtCliOptionTimeout).arg(CliRequest::DefaultTimeoutSeconds),
                             uiText(UiTexts::txtCliOptionTimeoutValue)};
};

// `form`'s own help: its syntax, what it does, and only the options it takes.
QString commandHelp(const CommandForm& form) {
  QCommandLineParser parser;
  parser.addHelpOption();
  const CommonOptions common;
  if (form.command != CliCommand::Show && form.command != CliCommand::Diff)
    parser.addOptions({common.port, common.timeout});
  for (const CommandOption& option : CommandOptions)
    if (option.command == form.command)
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
  const QCommandLineOption& timeout = common.timeout;
  parser.addOptions({port, timeout});
  for (const CommandOption& option : CommandOptions)
    parser.addOption(QCommandLineOption(QString::fromLatin1(option.name), uiText(option.description)));
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
    if (option.command != known->command)
      return failure(uiText(UiTexts::txtCliOptionNotFor).arg(QStringLiteral("--") + QLatin1String(option.name), name));
    request.*option.flag = true;
  }
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
