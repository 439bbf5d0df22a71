#pragma once
// What the user asked orvita-cli for, read from its arguments.
#include <QString>
#include <QStringList>
#include <optional>

enum class CliCommand { Identify, Read, Write, Reset, Status, Show, Diff, History, Barriers, WalkTest, Report, Ports };

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
  // walktest: how long the test waits for the next pass.
  static constexpr double WalkTestTimeoutSeconds = 120;

  // "-" for standard input (show, diff, write) or output (read).
  static inline const QString StandardStream = QStringLiteral("-");

  CliCommand command = CliCommand::Identify;
  QStringList files;  // the command's file arguments
  QString port;       // empty: the port the program has stored
  double timeoutSeconds = DefaultTimeoutSeconds;
  bool force = false;
  bool follow = false;
  bool json = false;
  bool reconnect = false;  // status --follow: wait for a lost barrier instead of ending
  bool csv = false;
  bool spreadsheet = false;  // history: CSV as a spreadsheet opens it (JournalCsvForm::Spreadsheet)
  // history (and report: --barrier): the barrier's transmitter serial number
  // and the range, in ms since the epoch (UTC), both ends included.
  std::optional<unsigned> barrier;
  std::optional<qint64> sinceMs;
  std::optional<qint64> untilMs;
  // report: the record's form, and a planned configuration to compare.
  QString site;
  QString technician;
  QString remark;
  QString plan;
};

// The command's name as typed ("status").
QString commandName(CliCommand command);

// A moment as history takes it, relative to `nowMs`, in local time where no
// offset is given: an ISO 8601 date (its midnight, or with `endOfDay` its
// last millisecond); a date and time ("2026-12-08T03:12", a blank in place
// of the T too), where a time the clock skips at a change to summer time
// is the first moment after the skip, and a time the clock passes twice is
// the earlier one (the later with `endOfDay`); journalctl's words "now",
// "today", "yesterday", "tomorrow" (midnights); or a span back from now
// ("90m", "-1h", "1h 30min", "2 days ago"; "+1h" ahead) in ms, s, min (m),
// h, d, w, M (months) and y, or their longer names, as journalctl takes
// them. None for anything else.
std::optional<qint64> parseWhen(const QString& text, qint64 nowMs, bool endOfDay);

struct CliParse {
  enum Outcome { Run, Help, Version, Error };
  Outcome outcome = Error;
  CliRequest request;
  QString text;  // Help, Version: what to print (the command's own help after a command); Error: the one-line message
};

// Reads `arguments` (the program's name first).
CliParse parseCommandLine(const QStringList& arguments);
