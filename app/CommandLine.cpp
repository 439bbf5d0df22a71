#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QDir>

#include "serial/PortName.h"
#include "texts/UiTexts.h"
#include "util/VersionText.h"

namespace {

// Options QGuiApplication and QApplication take from the command line
// themselves; known here only so that they are not refused.
void addQtWindowOptions(QCommandLineParser& parser) {
  for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                           "qwindowicon", "qwindowtitle", "session", "display", "geometry", "style", "stylesheet"}) {
    QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
  for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
    QCommandLineOption option(QString::fromLatin1(name));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
}

CommandLine answer(CommandLine::Action action, const QString& output) {
  CommandLine command;
  command.action = action;
  command.output = output;
  return command;
}

CommandLine refuse(const QString& reason) { return answer(CommandLine::Action::Refuse, reason); }

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments, const QString& workingFolder) {
  QCommandLineParser parser;
  // Qt's own options are single-dash words (-platform xcb).
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(uiText(UiTexts::txtProgramSummary));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, uiText(UiTexts::txtHelpOption));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, uiText(UiTexts::txtVersionOption));
  const QCommandLineOption port(QStringLiteral("port"), uiText(UiTexts::txtPortOption),
                                uiText(UiTexts::txtPortOptionValue));
  parser.addOptions({help, version, port});
  parser.addPositionalArgument(uiText(UiTexts::txtFileArgument), uiText(UiTexts::txtFileArgumentHelp),
                               uiText(UiTexts::txtFileArgumentSyntax));
  addQtWindowOptions(parser);

  if (!parser.parse(arguments)) return refuse(parser.errorText());
  if (parser.isSet(help)) return answer(CommandLine::Action::ShowHelp, parser.helpText());
  if (parser.isSet(version))
    return answer(CommandLine::Action::ShowVersion, uiText(UiTexts::txtCaption) + u' ' + packageVersion() + u'\n');
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) return refuse(uiText(UiTexts::txtUnexpectedArgument).arg(files.at(1)));

  CommandLine command;
  command.platform = parser.value(QStringLiteral("platform"));
  // Kept absolute, as "Otwórz" keeps the chosen path: the caption and "Zapisz" use it later.
  if (!files.isEmpty()) command.file = QDir::cleanPath(QDir(workingFolder).absoluteFilePath(files.constFirst()));
  if (parser.isSet(port)) {
    const QString given = parser.values(port).constLast();
    const std::optional<QString> name = resolvePortName(given, workingFolder);
    if (!name) return refuse(uiText(UiTexts::txtNotAPortName).arg(given));
    command.port = *name;
  }
  return command;
}
