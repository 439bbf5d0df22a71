// orvita-cli: identifies, backs up, restores, resets and watches an Orvita
// barrier from a shell, through the program's own link and files.
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

#include "cli/BarrierCommands.h"
#include "cli/CommandLine.h"
#include "cli/FileCommands.h"
#include "cli/JournalCommands.h"

namespace {

void print(std::FILE* stream, const QString& text, bool flush = true) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
  std::fputc('\n', stream);
  if (flush) std::fflush(stream);  // status --follow feeds pipes line by line
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("orvita-cli"));
  QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3.%4")
                                              .arg(ORVITA_VERSION_MAJOR)
                                              .arg(ORVITA_VERSION_MINOR)
                                              .arg(ORVITA_VERSION_PATCH)
                                              .arg(ORVITA_VERSION_TWEAK));

  // Qt's own words (the help's headings, the parser's messages) in Polish,
  // where Qt's translations are installed.
  QTranslator qtTexts;
  if (qtTexts.load(QStringLiteral("qtbase_pl"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&qtTexts);

  const CliParse parse = parseCommandLine(QCoreApplication::arguments());
  switch (parse.outcome) {
    case CliParse::Help:
    case CliParse::Version:
      print(stdout, parse.text.endsWith(QLatin1Char('\n')) ? parse.text.chopped(1) : parse.text);
      return exitstatus::Done;
    case CliParse::Error:
      print(stderr, QStringLiteral("orvita-cli: ") + parse.text);
      return exitstatus::Usage;
    case CliParse::Run:
      break;
  }

  const CliRequest& request = parse.request;
  const LineSink out = [](const QString& line) { print(stdout, line); };
  CommandOutcome outcome;
  switch (request.command) {
    case CliCommand::Show:
    case CliCommand::Diff:
      outcome = runFileCommand(request, out);
      break;
    case CliCommand::History:
    case CliCommand::Barriers:
      // A journal's worth of lines: written in blocks, not line by line.
      outcome = runJournalCommand(request, [](const QString& line) { print(stdout, line, false); });
      std::fflush(stdout);
      break;
    default:
      outcome = runBarrierCommand(request, out);
      break;
  }
  if (!outcome.error.isEmpty()) print(stderr, QStringLiteral("orvita-cli: ") + outcome.error);
  return outcome.exitStatus;
}
