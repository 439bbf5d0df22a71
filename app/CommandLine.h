#pragma once
// The program's command line: --help, --version, --port NAME and a
// configuration file to open (as the desktop entry's %f passes it), with
// Qt's own window options (-platform, -style, ...) left for QApplication.
#include <QString>
#include <QStringList>

struct CommandLine {
  enum class Action { OpenWindow, ShowHelp, ShowVersion, Refuse };
  Action action = Action::OpenWindow;
  QString port;      // --port resolved to what the port opens; empty when not given
  QString file;      // the configuration file to open, absolute; empty when none is given
  QString platform;  // Qt's -platform option, for explaining a display that cannot be used
  QString output;    // the help or version text, or the one-line reason for refusing
};

// Exit statuses besides 0.
inline constexpr int ExitNoDisplay = 1;
inline constexpr int ExitUsage = 2;  // an unknown option, a missing value or a bad port name

// Parses `arguments`, the program's own name first; relative --port paths and
// a relative file are taken from `workingFolder`. Qt's part of the texts (usage line, unknown
// option) comes from the translations installed at the time of the call.
CommandLine parseCommandLine(const QStringList& arguments, const QString& workingFolder);
