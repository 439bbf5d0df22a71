#include "serial/SerialPort.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <chrono>

#include "serial/AdapterLatency.h"
#include "serial/LineTermios.h"
#include "serial/SerialEventThread.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kTransferLimit{2000};
constexpr milliseconds kInterByteGap{250};
constexpr int kOpenFlags = O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;

// Win32 line error flags, as onLineError reports them.
constexpr std::int32_t kRxOver = 0x0001, kOverrun = 0x0002, kRxParity = 0x0004, kFrame = 0x0008, kBreak = 0x0010;

bool isDeviceGoneErrno(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

int waitMs(Clock::duration d) {
  const auto ms = std::chrono::ceil<milliseconds>(d).count();
  return static_cast<int>(std::clamp<long long>(ms, 0, kTransferLimit.count()));
}

template <typename Change>
bool modifyLine(int fd, Change change) {
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return false;
  change(t);
  return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace

OpenFailure openFailureFromErrno(int error) {
  switch (error) {
    case 0:
      return OpenFailure::None;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
      return OpenFailure::NoDevice;
    case EACCES:
    case EPERM:
    case EROFS:
      return OpenFailure::NoPermission;
    case EBUSY:
    case EWOULDBLOCK:
      return OpenFailure::InUse;
    case ENOTTY:
      return OpenFailure::NotTerminal;
    default:
      return OpenFailure::Other;
  }
}

SerialPort::SerialPort(QObject* parent) : QObject(parent) {}

SerialPort::~SerialPort() {
  close();
  notifier_.reset();
}

bool SerialPort::open() {
  close();
  const QByteArray given = deviceName_.toLocal8Bit();
  // A kernel name is never looked up in the current folder, where another
  // user may have put a link to a device of their own.
  if (!given.contains('/')) return openPath("/dev/" + given);
  return openPath(given);
}

bool SerialPort::openPath(const QByteArray& path) {
  lastOpenPath_ = QString::fromLocal8Bit(path);
  const auto fail = [this](int error) {
    lastOpenErrno_ = error;
    lastOpenFailure_ = openFailureFromErrno(error);
    if (lastOpenFailure_ == OpenFailure::None) lastOpenFailure_ = OpenFailure::Other;
    return false;
  };

  if (!notify_.valid()) {
    notify_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!notify_.valid()) return fail(errno);
    notifier_ = std::make_unique<QSocketNotifier>(notify_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SerialPort::onNotify);
  }

  UniqueFd fd(openFunction_ ? openFunction_(path.constData(), kOpenFlags) : ::open(path.constData(), kOpenFlags));
  if (!fd.valid()) return fail(errno);
  if (!::isatty(fd.get())) return fail(ENOTTY);
  // flock first: TIOCEXCL does not stop root, and a second program that
  // honours neither would otherwise race us between the two.
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return fail(errno);
  if (::ioctl(fd.get(), TIOCEXCL) != 0) return fail(errno);
  // From here on a failure must drop the exclusive flag again, or the device
  // stays unopenable for other users while its other side lives (a pty).
  const auto failExclusive = [&](int error) {
    ::ioctl(fd.get(), TIOCNXCL);
    return fail(error);
  };
  if (!modifyLine(fd.get(), makeRawLine)) return failExclusive(errno);
  // Bytes that came before this opening (a reply a previous program left
  // unread) answer none of our requests and would put every reply one behind.
  ::tcflush(fd.get(), TCIFLUSH);
  if (!applyBaudRate(fd.get()) || !applyParity(fd.get()) || !applyStopBits(fd.get()) || !applyDataBits(fd.get()))
    return failExclusive(errno);
  // A driver that refuses (a pseudo-terminal, a UART) keeps its own timing.
  const bool lowLatency = requestLowLatency(fd.get());

  auto thread = std::make_unique<SerialEventThread>(fd.get(), notify_.get(), monitorEvents_, charTime(), rxThreshold_);
  if (!thread->start()) return failExclusive(errno);

  fd_ = std::move(fd);
  thread_ = std::move(thread);
  lowLatency_ = lowLatency;
  adapter_ = describeDevice(kernelNameOf(lastOpenPath_), sysfsRoot_);
  ++generation_;
  haveCounts_ = false;
  lineErrors();  // starts the error counters from here
  lastOpenFailure_ = OpenFailure::None;
  lastOpenErrno_ = 0;
  return true;
}

void SerialPort::close() {
  if (!fd_.valid()) return;
  ++generation_;
  // The thread ends before the descriptor is released, so it never polls a
  // closed or reused descriptor; stop() never waits for this thread.
  thread_.reset();
  adapter_ = {};
  lowLatency_ = false;
  ::tcflush(fd_.get(), TCIFLUSH);
  ::ioctl(fd_.get(), TIOCNXCL);
  fd_.reset();  // also releases the flock
}

bool SerialPort::isOpen() const { return fd_.valid(); }

bool SerialPort::setDtr(bool on) {
  if (!fd_.valid()) return false;
  int line = TIOCM_DTR;
  return ::ioctl(fd_.get(), on ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

bool SerialPort::setRts(bool on) {
  if (!fd_.valid()) return false;
  int line = TIOCM_RTS;
  return ::ioctl(fd_.get(), on ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

std::int32_t SerialPort::read(std::uint8_t* buffer, std::int32_t count) {
  if (!fd_.valid() || buffer == nullptr || count <= 0) return 0;
  const auto deadline = Clock::now() + kTransferLimit;
  auto lastByte = Clock::time_point{};
  std::int32_t got = 0;
  const auto result = [&got] { return got > 0 ? got : -1; };
  for (;;) {
    const ssize_t n = ::read(fd_.get(), buffer + got, static_cast<size_t>(count - got));
    if (n > 0) {
      got += static_cast<std::int32_t>(n);
      if (got == count) return got;
      lastByte = Clock::now();
    } else if (n == 0) {
      deviceLost();  // VMIN is 1: end of file is a hang-up
      return result();
    } else if (errno == EINTR) {
      continue;
    } else if (errno != EAGAIN) {
      if (isDeviceGoneErrno(errno)) deviceLost();
      return result();
    }
    // Only a partial result is kept past the overall limit: the caller gets
    // what did arrive rather than losing it.
    const auto until = got > 0 ? std::min(deadline, lastByte + kInterByteGap) : deadline;
    const auto now = Clock::now();
    if (now >= until) return result();
    pollfd p = {fd_.get(), POLLIN, 0};
    if (::poll(&p, 1, waitMs(until - now)) < 0 && errno != EINTR) return result();
  }
}

std::int32_t SerialPort::write(const std::uint8_t* buffer, std::int32_t count) {
  if (!fd_.valid() || buffer == nullptr || count <= 0) return 0;
  const auto deadline = Clock::now() + kTransferLimit;
  std::int32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd_.get(), buffer + done, static_cast<size_t>(count - done));
    if (n > 0) {
      done += static_cast<std::int32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      if (!isDeviceGoneErrno(errno)) return -2;
      deviceLost();
      return -1;
    }
    const auto now = Clock::now();
    if (now >= deadline) return -1;
    pollfd p = {fd_.get(), POLLOUT, 0};
    if (::poll(&p, 1, waitMs(deadline - now)) < 0 && errno != EINTR) return -2;
  }
  return done;
}

void SerialPort::setBaudRate(BaudRate value) {
  if (value > cbr921600) return;
  baudRate_ = value;
  if (fd_.valid()) applyBaudRate(fd_.get());
  updateCharTime();
}

void SerialPort::setParity(Parity value) {
  if (value > paSpace) return;
  parity_ = value;
  if (fd_.valid()) applyParity(fd_.get());
  updateCharTime();
}

void SerialPort::setStopBits(StopBits value) {
  if (value > sb2_0) return;
  stopBits_ = value;
  if (fd_.valid()) applyStopBits(fd_.get());
  updateCharTime();
}

void SerialPort::setDataBits(DataBits value) {
  if (value == da4 || value > da8) return;
  dataBits_ = value;
  if (fd_.valid()) applyDataBits(fd_.get());
  updateCharTime();
}

void SerialPort::setRxThreshold(std::int32_t bytes) {
  bytes = std::clamp<std::int32_t>(bytes, 1, 255);
  if (bytes == rxThreshold_) return;
  rxThreshold_ = bytes;
  if (thread_) thread_->setRxThreshold(bytes);
}

bool SerialPort::applyBaudRate(int fd) {
  return modifyLine(fd, [this](termios& t) { setLineSpeed(t, baudRate_); });
}

bool SerialPort::applyParity(int fd) {
  return modifyLine(fd, [this](termios& t) { setLineParity(t, parity_); });
}

bool SerialPort::applyStopBits(int fd) {
  return modifyLine(fd, [this](termios& t) { setLineStopBits(t, stopBits_); });
}

bool SerialPort::applyDataBits(int fd) {
  return modifyLine(fd, [this](termios& t) { setLineDataBits(t, dataBits_); });
}

std::chrono::nanoseconds SerialPort::charTime() const {
  const int bits = 1 + (dataBits_ + 4) + (parity_ != paNone ? 1 : 0) + (stopBits_ == sb1_0 ? 1 : 2);
  return std::chrono::nanoseconds(std::int64_t{bits} * 1'000'000'000 / baudRateValue(baudRate_));
}

void SerialPort::updateCharTime() {
  if (thread_) thread_->setCharTime(charTime());
}

void SerialPort::onNotify() {
  std::uint64_t raised = 0;
  [[maybe_unused]] const ssize_t n = ::read(notify_.get(), &raised, sizeof raised);
  // An event of an earlier opening finds no thread or a thread with nothing
  // pending: it is dropped.
  SerialEventThread* const thread = thread_.get();
  if (thread == nullptr) return;
  const auto handoff = thread->take();
  if (!handoff) return;
  const std::uint64_t generation = generation_;
  if (handoff->deviceGone)
    deviceLost();
  else
    dispatch(handoff->mask);
  if (generation == generation_) thread->complete();
}

std::int32_t SerialPort::lineErrors() {
  // Linux needs no clearing to keep the line working; the counters tell
  // what happened since the last event, where the driver keeps them.
  serial_icounter_struct c{};
  if (::ioctl(fd_.get(), TIOCGICOUNT, &c) != 0) return 0;
  const std::array<int, 5> now = {c.frame, c.overrun, c.parity, c.brk, c.buf_overrun};
  std::int32_t errors = 0;
  if (haveCounts_) {
    if (now[0] != lastCounts_[0]) errors |= kFrame;
    if (now[1] != lastCounts_[1]) errors |= kOverrun;
    if (now[2] != lastCounts_[2]) errors |= kRxParity;
    if (now[3] != lastCounts_[3]) errors |= kBreak;
    if (now[4] != lastCounts_[4]) errors |= kRxOver;
  }
  lastCounts_ = now;
  haveCounts_ = true;
  return errors;
}

void SerialPort::dispatch(std::uint32_t mask) {
  if (!fd_.valid()) return;
  const std::int32_t errors = lineErrors();
  if ((errors & kBreak) && (monitorEvents_ & eventSet(evBreak))) mask |= evmask::Break;
  if ((errors & ~kBreak) && (monitorEvents_ & eventSet(evError))) mask |= evmask::Err;

  int waiting = 0;
  const bool haveCount = ::ioctl(fd_.get(), FIONREAD, &waiting) == 0;
  if (!haveCount && isDeviceGoneErrno(errno)) {
    deviceLost();
    return;
  }
  int modem = 0;
  const bool haveModem = (mask & (evmask::Cts | evmask::Dsr)) && ::ioctl(fd_.get(), TIOCMGET, &modem) == 0;

  const std::uint64_t generation = generation_;
  // A handler may close or reopen the port; the rest of this event belonged
  // to the opening that is gone.
  const auto stillOurs = [&] { return generation == generation_; };
  const auto notify = [this](const PortNotifyHandler& handler) {
    if (handler) handler(this);
  };

  if ((mask & evmask::RxChar) && haveCount && onRxChar) onRxChar(this, waiting);
  if (!stillOurs()) return;
  if (mask & evmask::RxFlag) notify(onRxFlag);
  if (!stillOurs()) return;
  if ((mask & evmask::Cts) && haveModem && onCts) onCts(this, (modem & TIOCM_CTS) != 0);
  if (!stillOurs()) return;
  if (mask & evmask::Break) notify(onBreak);
  if (!stillOurs()) return;
  if ((mask & evmask::Dsr) && onDsr) onDsr(this, !haveModem || (modem & TIOCM_DSR) != 0);
  if (!stillOurs()) return;
  if ((mask & evmask::Err) && onLineError) onLineError(this, errors);
  if (!stillOurs()) return;
  if (mask & evmask::Ring) notify(onRing);
  if (!stillOurs()) return;
  if (mask & evmask::Rlsd) notify(onRlsd);
  if (!stillOurs()) return;
  if (mask & evmask::TxEmpty) notify(onTxEmpty);
}

void SerialPort::deviceLost() {
  if (!fd_.valid()) return;
  close();
  if (onDeviceLost) onDeviceLost(this);
}
