#pragma once
// How a command of orvita-cli ended.
#include <QString>
#include <functional>

#include "cli/CommandLine.h"

struct CommandOutcome {
  // 128 + N for a command that signal N ended, as a shell reports it: the
  // program then ends by that signal itself, once the error line is out.
  int exitStatus = exitstatus::Done;
  QString error;  // one line for standard error; empty when done

  // N when a signal ended the command; 0 otherwise.
  int stoppedBySignal() const { return exitStatus > 128 && exitStatus < 128 + 65 ? exitStatus - 128 : 0; }
};

// Where a command's words go, as they come: its lines to standard output,
// warnings and notices to standard error; and whether standard output can no
// longer be written (its reader gone, a full disk). `data` puts bytes on
// standard output as they are (read -).
struct CommandOutput {
  std::function<void(const QString& line)> line;
  std::function<void(const QString& line)> error;
  std::function<bool()> closed;
  std::function<void(const QByteArray& bytes)> data = nullptr;
};
