#include "util/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace {

std::array<int, 2> signalPipe{-1, -1};

// Only async-signal-safe calls here.
void writeSignalNumber(int signalNumber) {
  const int savedErrno = errno;
  const auto byte = static_cast<unsigned char>(signalNumber);
  if (::write(signalPipe[1], &byte, 1) < 0) {
    // A full pipe already holds a signal that is still to be handled.
  }
  errno = savedErrno;
}

}  // namespace

bool catchTerminationSignals() {
  if (signalPipe[0] >= 0) return true;
  if (::pipe2(signalPipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action {};
  action.sa_handler = writeSignalNumber;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signalNumber, &action, nullptr);
  return true;
}

void endBySignal(int signalNumber) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(signalNumber, &action, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signalNumber);
  ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
  ::raise(signalNumber);
  // A signal whose default action does not end the process.
  std::_Exit(128 + signalNumber);
}

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  if (signalPipe[0] < 0) return;
  notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
}

void TerminationSignals::readPipe() {
  std::array<unsigned char, 16> bytes{};
  ssize_t count = 0;
  int last = 0;
  while ((count = ::read(signalPipe[0], bytes.data(), bytes.size())) > 0) last = bytes[std::size_t(count - 1)];
  if (last != 0) emit received(last);
}
