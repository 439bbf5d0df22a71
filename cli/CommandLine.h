#pragma once
// What the user asked orvita-cli for, read from its arguments.
#include <QString>
#include <QStringList>

enum class CliCommand { Identify, Read, Write, Reset, Status, Show, Diff };

// Exit statuses of orvita-cli.
namespace exitstatus {
constexpr int Done = 0;
constexpr int NoAnswer = 1;  // the barrier did not answer or refused; diff: the files differ
constexpr int Usage =
    2;  // bad arguments, no port to use, or a file (standard output too) that cannot be read or written
constexpr int PortFailed = 3;  // the port could not be opened
}  // namespace exitstatus

struct CliRequest {
  static constexpr double DefaultTimeoutSeconds = 10;

  CliCommand command = CliCommand::Identify;
  QStringList files;  // the command's file arguments
  QString port;       // empty: the port the program has stored
  double timeoutSeconds = DefaultTimeoutSeconds;
  bool force = false;
  bool follow = false;
  bool json = false;
  bool reconnect = false;  // status --follow: wait for a lost barrier instead of ending
};

struct CliParse {
  enum Outcome { Run, Help, Version, Error };
  Outcome outcome = Error;
  CliRequest request;
  QString text;  // Help, Version: what to print (the command's own help after a command); Error: the one-line message
};

// Reads `arguments` (the program's name first).
CliParse parseCommandLine(const QStringList& arguments);
