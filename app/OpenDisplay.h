#pragma once
// The application object of a windowed run.
#include <QApplication>
#include <QString>
#include <memory>

// What decides where a window opens: Qt's platform plugin, asked for or
// chosen by Qt, and the displays the session names.
struct DisplaySetting {
  QString platform;        // -platform, else QT_QPA_PLATFORM; empty: Qt chooses
  QString x11Display;      // DISPLAY
  QString waylandDisplay;  // WAYLAND_DISPLAY
  bool waylandPluginInstalled = false;
};

// The setting of this process; `platformOption` is the command line's -platform.
DisplaySetting currentDisplaySetting(const QString& platformOption);

// Why no window could be opened under `setting`, one line from the text
// table: no display at all, or which display cannot be used and how (the
// Wayland plugin missing, a server that refuses the connection).
QString displayFailure(const DisplaySetting& setting);

// Creates the QApplication (which takes Qt's own options out of argc/argv).
// Where no display can be opened (none named, or one that refuses the
// connection) it prints `failureLine` on standard error and ends the process
// with ExitNoDisplay, where Qt would print its plugin report and abort. What
// Qt logs on the way is held back until the display is open, then passed on.
std::unique_ptr<QApplication> openDisplay(int& argc, char** argv, const QString& failureLine);
