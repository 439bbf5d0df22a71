#include "serial/SerialEventThread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace {

using std::chrono::nanoseconds;
using std::chrono::steady_clock;

// "Readable" with nothing to read this many times in a row means the device is gone.
constexpr int kEmptyWakesBeforeGone = 3;

void raiseEvent(int fd) {
  const std::uint64_t one = 1;
  while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void lowerEvent(int fd) {
  std::uint64_t raised = 0;
  [[maybe_unused]] const ssize_t n = ::read(fd, &raised, sizeof raised);
}

timespec toTimespec(nanoseconds d) {
  const auto ns = std::max<std::int64_t>(d.count(), 0);
  return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
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
  // A lower threshold may already be met by what is waiting.
  if (bytes < before && wake_.valid()) raiseEvent(wake_.get());
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

void SerialEventThread::run() {
  // The thread sleeps until bytes are due, to the microsecond; the default
  // 50 us of timer slack would be added to every reply.
  ::prctl(PR_SET_TIMERSLACK, 1UL);
  int emptyWakes = 0;
  while (!stopRequested()) {
    pollfd fds[2] = {{device_, static_cast<short>(wantRxChar_ ? POLLIN : 0), 0}, {wake_.get(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, kWaitMs);
    if (ready < 0) {
      if (errno == EINTR || errno == ENOMEM) continue;
      handOff({0, true});
      return;
    }
    if (ready == 0) continue;  // time-out: look at the stop flag, wait again
    if (fds[1].revents != 0) {
      lowerEvent(wake_.get());
      continue;  // stopped, or a new threshold while nothing is waiting
    }

    const short events = fds[0].revents;
    if (events & (POLLERR | POLLHUP | POLLNVAL)) {
      handOff({0, true});
      return;
    }
    if (!(events & POLLIN)) continue;

    int waiting = 0;
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
    if (!awaitThreshold(waiting)) return;
    if (!handOff({evmask::RxChar, false})) return;
  }
}

bool SerialEventThread::awaitThreshold(int waiting) {
  auto lastGrowth = steady_clock::now();
  // The byte just seen came on time, so the missing ones are due when they
  // have crossed the line (the wake-up itself came a little after the byte).
  // Bytes that were due and are not in are late: they are looked for again
  // soon, and then after growing pauses while none come.
  bool onTime = true;
  nanoseconds pause{0};
  for (;;) {
    const int threshold = rxThreshold_.load();
    if (waiting >= threshold) return true;
    const auto now = steady_clock::now();
    const auto quietEnd = lastGrowth + std::chrono::milliseconds(kQuietMs);
    if (now >= quietEnd) return true;  // all that comes: a cut frame, noise
    const nanoseconds charTime(charTimeNs_.load());
    const int missing = threshold - waiting;
    if (pause.count() == 0)
      pause = onTime ? missing * charTime
                     : std::max({(missing - 1) * charTime, charTime / 4, nanoseconds(std::chrono::microseconds(100))});
    pollfd wake = {wake_.get(), POLLIN, 0};
    const timespec timeout = toTimespec(std::min<nanoseconds>(pause, quietEnd - now));
    if (::ppoll(&wake, 1, &timeout, nullptr) > 0) {
      if (stopRequested()) return false;
      lowerEvent(wake_.get());
    }
    int nowWaiting = 0;
    // A failure here is the dispatcher's to find: it asks the device again.
    if (::ioctl(device_, FIONREAD, &nowWaiting) != 0) return true;
    onTime = false;
    if (nowWaiting > waiting) {
      waiting = nowWaiting;
      lastGrowth = steady_clock::now();
      pause = nanoseconds{0};
    } else {
      pause *= 2;
    }
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
