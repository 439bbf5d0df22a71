#pragma once
// show and diff: configuration files in words, without a barrier.
#include "cli/CommandOutcome.h"

// show FILE: the file in words. diff A B: the fields that differ, with the
// exit status NoAnswer (as diff(1) says 1) when any does. A file that is not
// 32 bytes long or names no beam count of 2 to 8 is still shown, after a
// warning on standard error.
CommandOutcome runFileCommand(const CliRequest& request, const CommandOutput& out);

// The configuration file error as the program's error box words it.
CommandOutcome fileFailure(const QString& path, const QString& message);
