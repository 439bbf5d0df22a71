#include "serial/SerialEventThread.h"

#include <poll.h>
#include <sys/epoll.h>
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
  // Edge-triggered, so that bytes already waiting do not report again and
  // again: each new arrival reports once. Without it late bytes are looked
  // for a character's time apart.
  arrivals_.reset(::epoll_create1(EPOLL_CLOEXEC));
  epoll_event device{};
  device.events = EPOLLIN | EPOLLET;
  epoll_event wake{};
  wake.events = EPOLLIN;
  wake.data.fd = wake_.get();
  if (arrivals_.valid() && (::epoll_ctl(arrivals_.get(), EPOLL_CTL_ADD, device_, &device) != 0 ||
                            ::epoll_ctl(arrivals_.get(), EPOLL_CTL_ADD, wake_.get(), &wake) != 0))
    arrivals_.reset();
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
  // The byte just seen came on time, so the missing ones are due when they
  // have crossed the line: one sleep, not a wake-up per byte. Bytes that are
  // not in by then are late (a barrier that pauses between bytes, an adapter
  // that holds them back): from then on each arrival wakes the thread, so a
  // frame is handed over the moment its last byte is in.
  auto lastArrival = steady_clock::now();
  bool onTime = true;
  for (;;) {
    const int threshold = rxThreshold_.load();
    if (waiting >= threshold) return true;
    const auto now = steady_clock::now();
    const auto quietEnd = lastArrival + std::chrono::milliseconds(kQuietMs);
    if (now >= quietEnd) return true;  // all that comes: a cut frame, noise
    const nanoseconds charTime(charTimeNs_.load());
    const bool watchArrivals = !onTime && arrivals_.valid();
    nanoseconds sleep = quietEnd - now;
    if (watchArrivals) {
      epoll_event events[2];
      while (::epoll_wait(arrivals_.get(), events, 2, 0) > 0) {
        // Reported arrivals are looked at below; only later ones may end the wait.
      }
      int count = 0;
      if (::ioctl(device_, FIONREAD, &count) != 0) return true;
      if (count > waiting) {
        waiting = count;
        lastArrival = now;
        continue;
      }
    } else {
      sleep = std::min<nanoseconds>(sleep, onTime ? (threshold - waiting) * charTime : charTime);
    }
    pollfd wait = {watchArrivals ? arrivals_.get() : wake_.get(), POLLIN, 0};
    const timespec timeout = toTimespec(sleep);
    if (::ppoll(&wait, 1, &timeout, nullptr) > 0 && stopRequested()) return false;
    lowerEvent(wake_.get());
    int nowWaiting = 0;
    // A failure here is the dispatcher's to find: it asks the device again.
    if (::ioctl(device_, FIONREAD, &nowWaiting) != 0) return true;
    // When bytes came during the first sleep is not known (a slow sender, an
    // adapter's burst): counting from now never cuts a frame that is still
    // coming. Later ones are seen as they come.
    if (nowWaiting > waiting) lastArrival = steady_clock::now();
    waiting = nowWaiting;
    onTime = false;
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
