#pragma once
// show and diff: configuration files in words, without a barrier; and the
// configuration files every command takes, "-" standing for standard input
// or output.
#include <QJsonObject>
#include <optional>

#include "cli/CommandOutcome.h"
#include "files/ConfigFile.h"

// show FILE: the file in words, or with --json as one object. diff A B: the
// fields that differ, with the exit status NoAnswer (as diff(1) says 1) when
// any does. A file longer than 32 bytes or naming no beam count of 2 to 8 is
// still shown, after a warning on standard error; a shorter one is refused.
CommandOutcome runFileCommand(const CliRequest& request, const CommandOutput& out);

// Reads the configuration `path` names: the file's first 32 bytes, or with
// "-" those of standard input. `size`, when given, gets how many bytes the
// file or stream held.
ConfigFileResult readConfigArgument(const QString& path, BarrierConfig& config, qint64* size = nullptr);

// A refusal before a barrier is asked: read to "-" while standard output is
// a terminal, where 32 binary bytes are noise.
std::optional<CommandOutcome> configOutputRefused(const CliRequest& request);

// Writes `config` where read puts it: the file `path`, or with "-" standard output.
CommandOutcome writeConfigArgument(const QString& path, const BarrierConfig& config, const CommandOutput& out);

// The configuration as show --json prints it: beamCount, alarmMode (the byte:
// 0 one beam, 1 two beams), beams (beam, responseTimeMs, switchedOff,
// autoBlockCount), autoBlockTimeSeconds, maxCoveredTimeMinutes, serial and
// config (the 32 bytes in hex).
QJsonObject configJson(const BarrierConfig& config);

// A configuration file's error in orvita-cli's words, after the file's name
// ("standardowe wejście" for "-").
CommandOutcome fileFailure(const QString& path, const ConfigFileResult& result);
// Another file's error, after its name.
CommandOutcome fileFailure(const QString& path, const QString& message);
