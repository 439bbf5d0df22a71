#pragma once
// show and diff: configuration files in words, without a barrier.
#include "cli/CommandOutcome.h"

// show FILE: the file in words. diff A B: the fields that differ, with the
// exit status NoAnswer (as diff(1) says 1) when any does.
CommandOutcome runFileCommand(const CliRequest& request, const LineSink& out);

// The configuration file error as the program's error box words it.
CommandOutcome fileFailure(const QString& path, const QString& message);
