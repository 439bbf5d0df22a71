#pragma once
// How a command of orvita-cli ended.
#include <QString>
#include <functional>

#include "cli/CommandLine.h"

struct CommandOutcome {
  int exitStatus = exitstatus::Done;
  QString error;  // one line for standard error; empty when done
};

// Takes each line a command prints on standard output, as it comes.
using LineSink = std::function<void(const QString& line)>;
