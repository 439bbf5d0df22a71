// orvita-cli: identifies, backs up, restores, resets and watches an Orvita
// barrier from a shell, through the program's own link and files.
#include <poll.h>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "cli/BarrierCommands.h"
#include "cli/CommandLine.h"
#include "cli/FileCommands.h"
#include "texts/UiTexts.h"
#include "util/TerminationSignals.h"

namespace {

// errno of the first failed write to standard output; 0 while all went out.
int outputError = 0;

// False when the line did not go out whole.
bool print(std::FILE* stream, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
  std::fputc('\n', stream);
  // status --follow feeds pipes line by line; and a write error shows only here.
  return std::fflush(stream) == 0 && !std::ferror(stream);
}

void printOutput(const QString& text) {
  if (outputError != 0) return;
  if (!print(stdout, text)) outputError = errno != 0 ? errno : EIO;
}

// The reader of standard output has gone (a pipe's other end closed), even
// before anything more is written to it.
bool outputClosed() {
  if (outputError != 0) return true;
  pollfd watched{STDOUT_FILENO, 0, 0};
  if (::poll(&watched, 1, 0) == 1 && (watched.revents & (POLLERR | POLLHUP))) outputError = EPIPE;
  return outputError != 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that went away is an error of the write, never the end of the program.
  std::signal(SIGPIPE, SIG_IGN);
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

  const auto outputFailure = [] {
    print(stderr, QStringLiteral("orvita-cli: ") +
                      uiText(UiTexts::txtCliOutputFailed).arg(QString::fromLocal8Bit(std::strerror(outputError))));
    return exitstatus::Usage;
  };
  const CliParse parse = parseCommandLine(QCoreApplication::arguments());
  switch (parse.outcome) {
    case CliParse::Help:
    case CliParse::Version:
      printOutput(parse.text.endsWith(QLatin1Char('\n')) ? parse.text.chopped(1) : parse.text);
      return outputError != 0 ? outputFailure() : exitstatus::Done;
    case CliParse::Error:
      print(stderr, QStringLiteral("orvita-cli: ") + parse.text);
      return exitstatus::Usage;
    case CliParse::Run:
      break;
  }

  const CliRequest& request = parse.request;
  const CommandOutput out{
      printOutput, [](const QString& line) { print(stderr, QStringLiteral("orvita-cli: ") + line); }, outputClosed};
  const bool offline = request.command == CliCommand::Show || request.command == CliCommand::Diff;
  // Ctrl+C, a terminal closed, a service stopped: the command ends its own way.
  if (!offline) catchTerminationSignals();
  const CommandOutcome outcome = offline ? runFileCommand(request, out) : runBarrierCommand(request, out);
  if (!outcome.error.isEmpty()) out.error(outcome.error);
  if (outputError != 0 && outcome.exitStatus == exitstatus::Done) return outputFailure();
  return outcome.exitStatus;
}
