#pragma once
// SIGTERM, SIGINT and SIGHUP (a desktop session ending, Ctrl+C, a closed
// terminal) delivered as a Qt signal on the main thread, so that the program
// ends through its ordinary path and keeps its settings. The handler only
// writes the signal's number into a pipe; a socket notifier reads it.
#include <QObject>

class QSocketNotifier;

// Installs the handlers. A signal that arrives before a TerminationSignals
// object exists waits in the pipe for it. False when the pipe cannot be made
// (the signals then keep their default action).
bool catchTerminationSignals();

// Ends the process by `signalNumber` at its default action, as if the signal
// had never been caught: a shell then sees what ended it (a loop stops at
// Ctrl+C, a service manager counts SIGTERM as a clean stop). Call it after
// the clean-up, with standard output and error flushed.
[[noreturn]] void endBySignal(int signalNumber);

class TerminationSignals : public QObject {
  Q_OBJECT
 public:
  explicit TerminationSignals(QObject* parent = nullptr);

 signals:
  void received(int signalNumber);

 private:
  void readPipe();

  QSocketNotifier* notifier_ = nullptr;
};
