#pragma once
// The application object of a windowed run.
#include <QApplication>
#include <QString>
#include <memory>

// Creates the QApplication (which takes Qt's own options out of argc/argv).
// Where no display can be opened (none named, or one that refuses the
// connection) it prints `failureLine` on standard error and ends the process
// with ExitNoDisplay, where Qt would print its plugin report and abort. What
// Qt logs on the way is held back until the display is open, then passed on.
std::unique_ptr<QApplication> openDisplay(int& argc, char** argv, const QString& failureLine);
