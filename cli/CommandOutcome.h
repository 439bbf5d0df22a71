#pragma once
// How a command of orvita-cli ended.
#include <QString>
#include <functional>

#include "cli/CommandLine.h"

struct CommandOutcome {
  int exitStatus = exitstatus::Done;
  QString error;  // one line for standard error; empty when done
};

// Where a command's words go, as they come: its lines to standard output,
// warnings and notices to standard error; and whether standard output can no
// longer be written (its reader gone, a full disk).
struct CommandOutput {
  std::function<void(const QString& line)> line;
  std::function<void(const QString& line)> error;
  std::function<bool()> closed;
};
