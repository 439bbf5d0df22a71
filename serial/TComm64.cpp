#include "TComm64.h"

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

#include "LineTermios.h"
#include "TC32Thread.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kTransferLimit{2000};
constexpr milliseconds kInterByteGap{250};
constexpr int kOpenFlags = O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;

// Win32 line error flags, as OnErrorSignal reports them.
constexpr std::int32_t kRxOver = 0x0001, kOverrun = 0x0002, kRxParity = 0x0004, kFrame = 0x0008, kBreak = 0x0010;

bool IsDeviceGoneErrno(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

int WaitMs(Clock::duration d) {
  const auto ms = std::chrono::ceil<milliseconds>(d).count();
  return static_cast<int>(std::clamp<long long>(ms, 0, kTransferLimit.count()));
}

template <typename Change>
bool ModifyLine(int fd, Change change) {
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return false;
  change(t);
  return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace

OpenFailure OpenFailureFromErrno(int error) {
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

TComm64::TComm64(QObject* parent) : QObject(parent) {}

TComm64::~TComm64() {
  Close();
  notifier_.reset();
}

bool TComm64::Open() {
  Close();
  const QByteArray given = deviceName_.toLocal8Bit();
  if (OpenPath(given)) return true;
  if (given.startsWith('/')) return false;
  return OpenPath("/dev/" + given);
}

bool TComm64::OpenPath(const QByteArray& path) {
  lastOpenPath_ = QString::fromLocal8Bit(path);
  const auto fail = [this](int error) {
    lastOpenErrno_ = error;
    lastOpenFailure_ = OpenFailureFromErrno(error);
    if (lastOpenFailure_ == OpenFailure::None) lastOpenFailure_ = OpenFailure::Other;
    return false;
  };

  if (!notify_.valid()) {
    notify_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!notify_.valid()) return fail(errno);
    notifier_ = std::make_unique<QSocketNotifier>(notify_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TComm64::OnNotify);
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
  if (!ModifyLine(fd.get(), MakeRawLine)) return failExclusive(errno);
  if (!ApplyBaudRate(fd.get()) || !ApplyParity(fd.get()) || !ApplyStopbits(fd.get()) || !ApplyDatabits(fd.get()))
    return failExclusive(errno);

  auto thread = std::make_unique<TC32Thread>(fd.get(), notify_.get(), monitorEvents_, CharTime());
  thread->SetSettle(rxSettle_);
  if (!thread->Start()) return failExclusive(errno);

  fd_ = std::move(fd);
  thread_ = std::move(thread);
  ++generation_;
  haveCounts_ = false;
  LineErrors();  // starts the error counters from here
  lastOpenFailure_ = OpenFailure::None;
  lastOpenErrno_ = 0;
  return true;
}

void TComm64::Close() {
  if (!fd_.valid()) return;
  ++generation_;
  // The thread ends before the descriptor is released, so it never polls a
  // closed or reused descriptor; Stop() never waits for this thread.
  thread_.reset();
  ::tcflush(fd_.get(), TCIFLUSH);
  ::ioctl(fd_.get(), TIOCNXCL);
  fd_.reset();  // also releases the flock
}

bool TComm64::IsOpen() const { return fd_.valid(); }

bool TComm64::SetDTR(bool on) {
  if (!fd_.valid()) return false;
  int line = TIOCM_DTR;
  return ::ioctl(fd_.get(), on ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

bool TComm64::SetRTS(bool on) {
  if (!fd_.valid()) return false;
  int line = TIOCM_RTS;
  return ::ioctl(fd_.get(), on ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

std::int32_t TComm64::Read(std::uint8_t* buffer, std::int32_t count) {
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
      DeviceLost();  // VMIN is 1: end of file is a hang-up
      return result();
    } else if (errno == EINTR) {
      continue;
    } else if (errno != EAGAIN) {
      if (IsDeviceGoneErrno(errno)) DeviceLost();
      return result();
    }
    // Only a partial result is kept past the overall limit: the caller gets
    // what did arrive rather than losing it.
    const auto until = got > 0 ? std::min(deadline, lastByte + kInterByteGap) : deadline;
    const auto now = Clock::now();
    if (now >= until) return result();
    pollfd p = {fd_.get(), POLLIN, 0};
    if (::poll(&p, 1, WaitMs(until - now)) < 0 && errno != EINTR) return result();
  }
}

std::int32_t TComm64::Write(const std::uint8_t* buffer, std::int32_t count) {
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
      if (!IsDeviceGoneErrno(errno)) return -2;
      DeviceLost();
      return -1;
    }
    const auto now = Clock::now();
    if (now >= deadline) return -1;
    pollfd p = {fd_.get(), POLLOUT, 0};
    if (::poll(&p, 1, WaitMs(deadline - now)) < 0 && errno != EINTR) return -2;
  }
  return done;
}

void TComm64::SetBaudRate(TBaudRate value) {
  if (value > cbr921600) return;
  baudRate_ = value;
  if (fd_.valid()) ApplyBaudRate(fd_.get());
  UpdateCharTime();
}

void TComm64::SetParity(TParity value) {
  if (value > paSpace) return;
  parity_ = value;
  if (fd_.valid()) ApplyParity(fd_.get());
  UpdateCharTime();
}

void TComm64::SetStopbits(TStopbits value) {
  if (value > sb2_0) return;
  stopbits_ = value;
  if (fd_.valid()) ApplyStopbits(fd_.get());
  UpdateCharTime();
}

void TComm64::SetDatabits(TDatabits value) {
  if (value == da4 || value > da8) return;
  databits_ = value;
  if (fd_.valid()) ApplyDatabits(fd_.get());
  UpdateCharTime();
}

bool TComm64::ApplyBaudRate(int fd) {
  return ModifyLine(fd, [this](termios& t) { SetLineSpeed(t, baudRate_); });
}

bool TComm64::ApplyParity(int fd) {
  return ModifyLine(fd, [this](termios& t) { SetLineParity(t, parity_); });
}

bool TComm64::ApplyStopbits(int fd) {
  return ModifyLine(fd, [this](termios& t) { SetLineStopbits(t, stopbits_); });
}

bool TComm64::ApplyDatabits(int fd) {
  return ModifyLine(fd, [this](termios& t) { SetLineDatabits(t, databits_); });
}

std::chrono::nanoseconds TComm64::CharTime() const {
  const int bits = 1 + (databits_ + 4) + (parity_ != paNone ? 1 : 0) + (stopbits_ == sb1_0 ? 1 : 2);
  return std::chrono::nanoseconds(std::int64_t{bits} * 1'000'000'000 / BaudRateValue(baudRate_));
}

void TComm64::UpdateCharTime() {
  if (thread_) thread_->SetCharTime(CharTime());
}

void TComm64::OnNotify() {
  std::uint64_t raised = 0;
  [[maybe_unused]] const ssize_t n = ::read(notify_.get(), &raised, sizeof raised);
  // An event of an earlier opening finds no thread or a thread with nothing
  // pending: it is dropped.
  TC32Thread* const thread = thread_.get();
  if (thread == nullptr) return;
  const auto handoff = thread->Take();
  if (!handoff) return;
  const std::uint64_t generation = generation_;
  if (handoff->deviceGone)
    DeviceLost();
  else
    Dispatch(handoff->mask);
  if (generation == generation_) thread->Complete();
}

std::int32_t TComm64::LineErrors() {
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

void TComm64::Dispatch(std::uint32_t mask) {
  if (!fd_.valid()) return;
  const std::int32_t errors = LineErrors();
  if ((errors & kBreak) && (monitorEvents_ & EventSet(evBreak))) mask |= evmask::Break;
  if ((errors & ~kBreak) && (monitorEvents_ & EventSet(evError))) mask |= evmask::Err;

  int waiting = 0;
  const bool haveCount = ::ioctl(fd_.get(), FIONREAD, &waiting) == 0;
  if (!haveCount && IsDeviceGoneErrno(errno)) {
    DeviceLost();
    return;
  }
  int modem = 0;
  const bool haveModem = (mask & (evmask::Cts | evmask::Dsr)) && ::ioctl(fd_.get(), TIOCMGET, &modem) == 0;

  const std::uint64_t generation = generation_;
  // A handler may close or reopen the port; the rest of this event belonged
  // to the opening that is gone.
  const auto stillOurs = [&] { return generation == generation_; };
  const auto notify = [this](const TC32NotifyEvent& handler) {
    if (handler) handler(this);
  };

  if ((mask & evmask::RxChar) && haveCount && OnRxCharSignal) OnRxCharSignal(this, waiting);
  if (!stillOurs()) return;
  if (mask & evmask::RxFlag) notify(OnRxFlagSignal);
  if (!stillOurs()) return;
  if ((mask & evmask::Cts) && haveModem && OnCTSSignal) OnCTSSignal(this, (modem & TIOCM_CTS) != 0);
  if (!stillOurs()) return;
  if (mask & evmask::Break) notify(OnBreakSignal);
  if (!stillOurs()) return;
  if ((mask & evmask::Dsr) && OnDSRSignal) OnDSRSignal(this, !haveModem || (modem & TIOCM_DSR) != 0);
  if (!stillOurs()) return;
  if ((mask & evmask::Err) && OnErrorSignal) OnErrorSignal(this, errors);
  if (!stillOurs()) return;
  if (mask & evmask::Ring) notify(OnRingSignal);
  if (!stillOurs()) return;
  if (mask & evmask::Rlsd) notify(OnRLSDSignal);
  if (!stillOurs()) return;
  if (mask & evmask::TxEmpty) notify(OnTxEmptySignal);
}

void TComm64::DeviceLost() {
  if (!fd_.valid()) return;
  Close();
  if (OnDeviceLost) OnDeviceLost(this);
}
