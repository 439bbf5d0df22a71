#include "serial/SerialEventThread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// "Readable" with nothing to read this many times in a row means the device is gone.
constexpr int kEmptyWakesBeforeGone = 3;

void raiseEvent(int fd) {
  const std::uint64_t one = 1;
  while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

}  // namespace

SerialEventThread::SerialEventThread(int deviceFd, int notifyFd, PortEventSet monitorEvents,
                                     std::chrono::nanoseconds charTime, int rxThreshold)
    : device_(deviceFd),
      notify_(notifyFd),
      wantRxChar_((monitorEvents & eventSet(evRxChar)) != 0),
      charTimeNs_(charTime.count()),
      rxThreshold_(rxThreshold) {}

SerialEventThread::~SerialEventThread() { stop(); }

bool SerialEventThread::start() {
  // Created here, before the thread runs, so that a stop requested at once is never lost.
  wake_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!wake_.valid()) return false;
  try {
    thread_ = std::thread(&SerialEventThread::run, this);
  } catch (const std::system_error& e) {
    errno = e.code().value();
    return false;
  }
  return true;
}

void SerialEventThread::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (wake_.valid()) raiseEvent(wake_.get());
  // Safe to join: once stopping_ is set the thread waits for nothing but the
  // wake event's poll, which returns at once.
  if (thread_.joinable()) thread_.join();
}

void SerialEventThread::setRxThreshold(int bytes) {
  const int before = rxThreshold_.exchange(bytes);
  // A wait begun with VMIN 1 has no time-out for a quiet line yet. A lower
  // VMIN needs no wake-up: changing the line's termios makes the kernel look
  // at the waiting bytes again.
  if (before <= 1 && bytes > 1 && wake_.valid()) raiseEvent(wake_.get());
}

std::optional<SerialEventThread::Handoff> SerialEventThread::take() {
  std::lock_guard lock(mutex_);
  if (!pending_) return std::nullopt;
  pending_ = false;
  return handoff_;
}

void SerialEventThread::complete() {
  {
    std::lock_guard lock(mutex_);
    completed_ = true;
  }
  changed_.notify_all();
}

bool SerialEventThread::stopRequested() {
  std::lock_guard lock(mutex_);
  return stopping_;
}

int SerialEventThread::quietMs() const {
  const std::int64_t threeChars = (3 * charTimeNs_.load() + 999'999) / 1'000'000;
  return int(std::clamp<std::int64_t>(threeChars, kQuietMs, kWaitMs));
}

void SerialEventThread::run() {
  int emptyWakes = 0;
  int quietSeen = 0;  // bytes waiting when the line was last found quiet
  while (!stopRequested()) {
    const bool holdsBack = wantRxChar_ && rxThreshold_.load() > 1;
    pollfd fds[2] = {{device_, static_cast<short>(wantRxChar_ ? POLLIN : 0), 0}, {wake_.get(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, holdsBack ? quietMs() : kWaitMs);
    if (ready < 0) {
      if (errno == EINTR || errno == ENOMEM) continue;
      handOff({0, true});
      return;
    }
    if (fds[1].revents != 0) {
      std::uint64_t raised = 0;
      [[maybe_unused]] const ssize_t n = ::read(wake_.get(), &raised, sizeof raised);
      continue;  // stopped, or a new threshold: look at the stop flag and wait again
    }

    int waiting = 0;
    if (ready == 0) {
      if (!holdsBack) continue;  // time-out: look at the stop flag, wait again
      if (::ioctl(device_, FIONREAD, &waiting) != 0) {
        handOff({0, true});
        return;
      }
      // Fewer bytes than awaited, and none came for a whole quiet time: they
      // are all that come (a cut frame, noise), so the reader gets them now.
      const bool quiet = waiting > 0 && waiting == quietSeen;
      quietSeen = waiting;
      if (!quiet) continue;
      quietSeen = 0;
      if (!handOff({evmask::RxChar, false})) return;
      continue;
    }
    quietSeen = 0;

    const short events = fds[0].revents;
    if (events & (POLLERR | POLLHUP | POLLNVAL)) {
      handOff({0, true});
      return;
    }
    if (!(events & POLLIN)) continue;

    if (::ioctl(device_, FIONREAD, &waiting) != 0) {
      handOff({0, true});
      return;
    }
    if (waiting <= 0) {
      // Someone may have read the bytes meanwhile; a device that keeps saying
      // "readable" without bytes is gone.
      if (++emptyWakes >= kEmptyWakesBeforeGone) {
        handOff({0, true});
        return;
      }
      continue;
    }
    emptyWakes = 0;
    if (!handOff({evmask::RxChar, false})) return;
  }
}

bool SerialEventThread::handOff(const Handoff& handoff) {
  std::unique_lock lock(mutex_);
  if (stopping_) return false;
  handoff_ = handoff;
  pending_ = true;
  completed_ = false;
  raiseEvent(notify_);
  if (handoff.deviceGone) return true;
  changed_.wait(lock, [this] { return completed_ || stopping_; });
  return !stopping_;
}
