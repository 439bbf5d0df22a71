#include "serial/SerialEventThread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace {

using std::chrono::nanoseconds;
using std::chrono::steady_clock;

// "Readable" with nothing to read this many times in a row means the device is gone.
constexpr int kEmptyWakesBeforeGone = 3;
// A burst is handed over early once this much has gathered, so a receiver's
// 255-byte buffer is never far behind.
constexpr int kSettleBytesMax = 256;

void raiseEvent(int fd) {
  const std::uint64_t one = 1;
  while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

timespec toTimespec(nanoseconds d) {
  const auto ns = std::max<std::int64_t>(d.count(), 0);
  return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

}  // namespace

SerialEventThread::SerialEventThread(int deviceFd, int notifyFd, PortEventSet monitorEvents, nanoseconds charTime)
    : device_(deviceFd),
      notify_(notifyFd),
      wantRxChar_((monitorEvents & eventSet(evRxChar)) != 0),
      charTimeNs_(charTime.count()) {}

SerialEventThread::~SerialEventThread() { stop(); }

bool SerialEventThread::start() {
  // Created here, before the thread runs, so that a stop requested at once is never lost.
  stop_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!stop_.valid()) return false;
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
  if (stop_.valid()) raiseEvent(stop_.get());
  // Safe to join: once stopping_ is set the thread waits for nothing but the
  // stop event's poll, which returns at once.
  if (thread_.joinable()) thread_.join();
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
  int emptyWakes = 0;
  while (!stopRequested()) {
    pollfd fds[2] = {{device_, static_cast<short>(wantRxChar_ ? POLLIN : 0), 0}, {stop_.get(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, kWaitMs);
    if (ready < 0) {
      if (errno == EINTR || errno == ENOMEM) continue;
      handOff({0, true});
      return;
    }
    if (ready == 0) continue;  // time-out: look at the stop flag, wait again
    if (fds[1].revents != 0) return;

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
    if (settle_ && !settle(waiting)) return;
    if (!handOff({evmask::RxChar, false})) return;
  }
}

bool SerialEventThread::settle(int waiting) {
  // A reply paced at the line speed arrives a byte at a time; handing each
  // byte over costs far more than waiting two character times for the rest.
  const nanoseconds charTime(charTimeNs_.load());
  const nanoseconds gap = std::max<nanoseconds>(3 * charTime, std::chrono::microseconds(500));
  const nanoseconds limit = std::max<nanoseconds>(32 * charTime, std::chrono::milliseconds(5));
  const auto start = steady_clock::now();
  while (waiting < kSettleBytesMax && steady_clock::now() - start < limit) {
    pollfd stop = {stop_.get(), POLLIN, 0};
    const timespec timeout = toTimespec(gap);
    const int ready = ::ppoll(&stop, 1, &timeout, nullptr);
    if (ready > 0) return false;
    if (ready < 0 && errno != EINTR) break;
    int now = 0;
    if (::ioctl(device_, FIONREAD, &now) != 0 || now <= waiting) break;
    waiting = now;
  }
  return true;
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
