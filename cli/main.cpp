// orvita-cli: identifies, backs up, restores, resets and watches an Orvita
// barrier from a shell, through the program's own link and files.
#include <poll.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/BarrierCommands.h"
#include "cli/CommandLine.h"
#include "cli/FileCommands.h"
#include "cli/JournalCommands.h"
#include "cli/PortsCommand.h"
#include "cli/WalkTestCommand.h"
#include "texts/UiTexts.h"
#include "util/TerminationSignals.h"

namespace {

// errno of the first failed write to standard output; 0 while all went out.
int outputError = 0;

// False when the line did not go out whole. Without `flush` the line waits
// in the stream's buffer (a journal's worth of history lines).
bool print(std::FILE* stream, const QString& text, bool flush = true) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
  std::fputc('\n', stream);
  // status --follow feeds pipes line by line; and a write error shows only here.
  return (!flush || std::fflush(stream) == 0) && !std::ferror(stream);
}

void printOutput(const QString& text) {
  if (outputError != 0) return;
  if (!print(stdout, text)) outputError = errno != 0 ? errno : EIO;
}

void printBuffered(const QString& text) {
  if (outputError != 0) return;
  if (!print(stdout, text, false)) outputError = errno != 0 ? errno : EIO;
}

void printData(const QByteArray& bytes) {
  if (outputError != 0) return;
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) outputError = errno != 0 ? errno : EIO;
}

// The reader of standard output has gone (a pipe's other end closed), even
// before anything more is written to it.
bool outputClosed() {
  if (outputError != 0) return true;
  pollfd watched{STDOUT_FILENO, 0, 0};
  if (::poll(&watched, 1, 0) == 1 && (watched.revents & (POLLERR | POLLHUP))) outputError = EPIPE;
  return outputError != 0;
}

// Creating Qt's graphical side looks for the session's runtime folder, and Qt
// warns where cron left it unset or sudo left another user's: a record drawn
// off screen needs none.
QtMessageHandler qtMessages = nullptr;
void withoutRuntimeFolderWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("QStandardPaths: "))) return;
  if (qtMessages) qtMessages(type, context, message);
}

std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv, bool paints) {
  if (!paints) return std::make_unique<QCoreApplication>(argc, argv);
  qtMessages = qInstallMessageHandler(withoutRuntimeFolderWarnings);
  auto app = std::make_unique<QGuiApplication>(argc, argv);
  qInstallMessageHandler(qtMessages);
  return app;
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that went away is an error of the write, so that the command
  // ends its own way first (frees the port, ends its journal session).
  std::signal(SIGPIPE, SIG_IGN);
  // A record is set in fonts, which need Qt's graphical side; it draws on
  // nothing, so it needs no display either.
  bool paints = false;
  for (int i = 1; i < argc; ++i) paints = paints || std::strcmp(argv[i], "report") == 0;
  if (paints && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv, paints);
  QCoreApplication::setApplicationName(QStringLiteral("orvita-cli"));
  QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3.%4")
                                              .arg(ORVITA_VERSION_MAJOR)
                                              .arg(ORVITA_VERSION_MINOR)
                                              .arg(ORVITA_VERSION_PATCH)
                                              .arg(ORVITA_VERSION_TWEAK));

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
      if (outputError == EPIPE) endBySignal(SIGPIPE);
      return outputError != 0 ? outputFailure() : exitstatus::Done;
    case CliParse::Error:
      print(stderr, QStringLiteral("orvita-cli: ") + parse.text);
      return exitstatus::Usage;
    case CliParse::Run:
      break;
  }

  const CliRequest& request = parse.request;
  const CommandOutput out{printOutput,
                          [](const QString& line) { print(stderr, QStringLiteral("orvita-cli: ") + line); },
                          outputClosed, printData};
  const bool offline = request.command == CliCommand::Show || request.command == CliCommand::Diff ||
                       request.command == CliCommand::Report || request.command == CliCommand::Ports;
  const bool journal = request.command == CliCommand::History || request.command == CliCommand::Barriers;
  // Ctrl+C, a terminal closed, a service stopped: the command ends its own way.
  if (!offline && !journal) catchTerminationSignals();
  CommandOutcome outcome;
  switch (request.command) {
    case CliCommand::Show:
    case CliCommand::Diff:
      outcome = runFileCommand(request, out);
      break;
    case CliCommand::History:
    case CliCommand::Barriers:
      // A journal's worth of lines: written in blocks, not line by line.
      // Closed once a write failed: the lines wait in the buffer, so a reader
      // gone away shows at the next block.
      outcome = runJournalCommand(request, CommandOutput{printBuffered, out.error, [] { return outputError != 0; }});
      if (std::fflush(stdout) != 0 && outputError == 0) outputError = errno != 0 ? errno : EIO;
      break;
    case CliCommand::WalkTest:
      outcome = runWalkTest(request, out);
      break;
    case CliCommand::Report:
      outcome = runReport(request, out);
      break;
    case CliCommand::Ports:
      outcome = runPortsCommand(request, out);
      break;
    default:
      outcome = runBarrierCommand(request, out);
      break;
  }
  if (!outcome.error.isEmpty()) out.error(outcome.error);
  std::fflush(stdout);
  // As a shell expects of a program a signal ended: the same signal, now at
  // its default action (a loop stops at Ctrl+C; `systemctl stop` is clean).
  if (const int signalNumber = outcome.stoppedBySignal()) endBySignal(signalNumber);
  // A reader that went away (`| head`): quietly, as SIGPIPE ends jq or sqlite3.
  if (outputError == EPIPE) endBySignal(SIGPIPE);
  if (outputError != 0 && outcome.exitStatus == exitstatus::Done) return outputFailure();
  return outcome.exitStatus;
}
