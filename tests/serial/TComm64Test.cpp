#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <thread>
#include <vector>

#include "LineTermios.h"
#include "SerialTestSupport.h"
#include "TC32Thread.h"
#include "TComm64.h"

// Reaches the dispatcher and the hand-off descriptor of a port.
class TComm64Probe {
 public:
  static void Dispatch(TComm64& port, std::uint32_t mask) { port.Dispatch(mask); }
  // True once the event-wait thread has handed an event over that the main
  // thread has not picked up yet.
  static bool HandOffWaiting(TComm64& port, int timeoutMs) { return Readable(port.notify_.get(), timeoutMs); }
};

namespace {

using Bytes = std::vector<std::uint8_t>;

// A port on the slave side of a fresh pty whose receive handler reads what
// the event announces, as the main window does.
struct PortOnPty {
  PtyPair pty;
  TComm64 port;
  Bytes received;
  int events = 0;

  PortOnPty() {
    port.SetDeviceName(QString::fromStdString(pty.slavePath));
    port.SetBaudRate(cbr9600);
    port.OnRxCharSignal = [this](QObject*, std::int32_t count) {
      ++events;
      if (count <= 0) return;
      Bytes chunk(static_cast<std::size_t>(count));
      const std::int32_t got = port.Read(chunk.data(), count);
      if (got > 0) received.insert(received.end(), chunk.begin(), chunk.begin() + got);
    };
  }

  void WriteOtherEnd(const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(pty.master.get(), bytes.data() + done, bytes.size() - done);
      if (n > 0)
        done += static_cast<std::size_t>(n);
      else
        RunEventLoop(1);  // let the port drain the line
    }
  }

  Bytes ReadOtherEnd(std::size_t count) {
    Bytes got;
    std::uint8_t buffer[512];
    while (got.size() < count && Readable(pty.master.get(), 3000)) {
      const ssize_t n = ::read(pty.master.get(), buffer, sizeof buffer);
      if (n <= 0) break;
      got.insert(got.end(), buffer, buffer + n);
    }
    return got;
  }

  termios Line() const {
    termios t{};
    ::tcgetattr(pty.slave.get(), &t);
    return t;
  }
};

Bytes AllByteValues() {
  Bytes bytes(256);
  std::iota(bytes.begin(), bytes.end(), 0);
  return bytes;
}

TEST(OpenFailureFromErrno, MapsEveryReasonTheUserInterfaceExplains) {
  EXPECT_EQ(OpenFailureFromErrno(0), OpenFailure::None);
  EXPECT_EQ(OpenFailureFromErrno(ENOENT), OpenFailure::NoDevice);
  EXPECT_EQ(OpenFailureFromErrno(ENODEV), OpenFailure::NoDevice);
  EXPECT_EQ(OpenFailureFromErrno(ENXIO), OpenFailure::NoDevice);
  EXPECT_EQ(OpenFailureFromErrno(EACCES), OpenFailure::NoPermission);
  EXPECT_EQ(OpenFailureFromErrno(EPERM), OpenFailure::NoPermission);
  EXPECT_EQ(OpenFailureFromErrno(EBUSY), OpenFailure::InUse);
  EXPECT_EQ(OpenFailureFromErrno(EWOULDBLOCK), OpenFailure::InUse);
  EXPECT_EQ(OpenFailureFromErrno(ENOTTY), OpenFailure::NotTerminal);
  EXPECT_EQ(OpenFailureFromErrno(EMFILE), OpenFailure::Other);
}

TEST(TComm64Open, NewPortHasTheDocumentedProperties) {
  TComm64 port;
  EXPECT_EQ(port.DeviceName(), "ttyS1");
  EXPECT_EQ(port.BaudRate(), cbr2400);
  EXPECT_EQ(port.Parity(), paNone);
  EXPECT_EQ(port.Stopbits(), sb1_0);
  EXPECT_EQ(port.Databits(), da8);
  EXPECT_EQ(port.MonitorEvents(), AllEvents);
  EXPECT_EQ(port.ReadBufferSize(), 1024);
  EXPECT_EQ(port.WriteBufferSize(), 1024);
  EXPECT_FALSE(port.IsOpen());
}

TEST(TComm64Open, RefusesAFileThatIsNotATerminalAndClosesIt) {
  char path[] = "/tmp/orvita-notatty-XXXXXX";
  const int fd = ::mkstemp(path);
  ASSERT_GE(fd, 0);
  ::close(fd);
  TComm64 port;
  port.SetDeviceName(path);
  EXPECT_FALSE(port.Open());  // the first attempt also creates the port's own hand-off descriptor
  const int before = OpenDescriptorCount();
  EXPECT_FALSE(port.Open());
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.LastOpenFailure(), OpenFailure::NotTerminal);
  EXPECT_EQ(port.LastOpenPath(), QString(path));
  EXPECT_EQ(OpenDescriptorCount(), before);
  ::unlink(path);
}

TEST(TComm64Open, TriesTheNameUnderDevAfterTheNameAsGiven) {
  TComm64 port;
  std::vector<std::string> tried;
  port.SetOpenFunction([&tried](const char* path, int) {
    tried.emplace_back(path);
    errno = ENOENT;
    return -1;
  });
  port.SetDeviceName("ttyUSB7");
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(tried, (std::vector<std::string>{"ttyUSB7", "/dev/ttyUSB7"}));
  EXPECT_EQ(port.LastOpenFailure(), OpenFailure::NoDevice);
  EXPECT_EQ(port.LastOpenPath(), "/dev/ttyUSB7");

  tried.clear();
  port.SetDeviceName("/dev/serial/by-id/usb-adapter");
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(tried, (std::vector<std::string>{"/dev/serial/by-id/usb-adapter"}));
}

TEST(TComm64Open, OpensWithTheFlagsTheDeviceNeeds) {
  PtyPair pty;
  TComm64 port;
  int flags = 0;
  port.SetOpenFunction([&flags](const char* path, int f) {
    flags = f;
    return ::open(path, f);
  });
  port.SetDeviceName(QString::fromStdString(pty.slavePath));
  ASSERT_TRUE(port.Open());
  EXPECT_EQ(flags, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

TEST(TComm64Open, KeepsAPermissionFailureAsAValue) {
  TComm64 port;
  port.SetOpenFunction([](const char*, int) {
    errno = EACCES;
    return -1;
  });
  port.SetDeviceName("/dev/ttyS0");
  port.SetBaudRate(cbr19200);
  EXPECT_FALSE(port.Open());
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.LastOpenFailure(), OpenFailure::NoPermission);
  EXPECT_EQ(port.LastOpenErrno(), EACCES);
  EXPECT_EQ(port.BaudRate(), cbr19200);
}

TEST(TComm64Open, ASecondOpeningOfAnOpenDeviceIsInUseUntilTheFirstCloses) {
  PtyPair pty;
  TComm64 first, second;
  first.SetDeviceName(QString::fromStdString(pty.slavePath));
  second.SetDeviceName(QString::fromStdString(pty.slavePath));
  ASSERT_TRUE(first.Open());
  EXPECT_FALSE(second.Open());
  EXPECT_EQ(second.LastOpenFailure(), OpenFailure::InUse);
  first.Close();
  EXPECT_TRUE(second.Open());
  EXPECT_EQ(second.LastOpenFailure(), OpenFailure::None);
}

TEST(TComm64Open, OpenOnAnOpenPortLeavesExactlyOneThread) {
  PortOnPty p;
  const int base = BaseThreadCount();
  ASSERT_TRUE(p.port.Open());
  EXPECT_EQ(ThreadCountOnceSettledAt(base + 1), base + 1);
  ASSERT_TRUE(p.port.Open());
  EXPECT_EQ(ThreadCountOnceSettledAt(base + 1), base + 1);
  p.port.Close();
  EXPECT_EQ(ThreadCountOnceSettledAt(base), base);
  p.port.Close();  // closing a closed port does nothing
  EXPECT_FALSE(p.port.IsOpen());
}

// Pseudo-terminals take neither parity nor fewer than 8 data bits (some
// kernels refuse them, others force 8N); those fields are checked on termios.
TEST(LineTermios, ParityAndDataBitsSetOnlyTheirOwnFields) {
  termios t{};
  t.c_cflag = CS8 | CREAD | CLOCAL | CRTSCTS | CSTOPB;
  const tcflag_t others = t.c_cflag & ~tcflag_t(PARENB | PARODD | CMSPAR);
  SetLineParity(t, paMark);
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB | PARODD | CMSPAR));
  SetLineParity(t, paSpace);
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB | CMSPAR));
  SetLineParity(t, paOdd);
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB | PARODD));
  SetLineParity(t, paEven);
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB));
  SetLineParity(t, paNone);
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), 0u);
  EXPECT_EQ(t.c_cflag, others);

  EXPECT_TRUE(SetLineDatabits(t, da5));
  EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS5));
  EXPECT_TRUE(SetLineDatabits(t, da7));
  EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS7));
  EXPECT_FALSE(SetLineDatabits(t, da4));
  EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS7));
  EXPECT_EQ(t.c_cflag & ~tcflag_t(CSIZE), others & ~tcflag_t(CSIZE));
}

TEST(LineTermios, RawModeLeavesHardwareFlowControlAsItWas) {
  termios t{};
  t.c_iflag = ICRNL | IXON | IXOFF | ISTRIP | PARMRK;
  t.c_oflag = OPOST | ONLCR;
  t.c_lflag = ECHO | ICANON | ISIG | IEXTEN;
  t.c_cflag = CS8 | CRTSCTS;
  MakeRawLine(t);
  EXPECT_EQ(t.c_iflag, 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_lflag, 0u);
  EXPECT_EQ(t.c_cflag, tcflag_t(CS8 | CRTSCTS | CLOCAL | CREAD));
}

TEST(TComm64Line, OpenPutsTheLineInRawModeWithTheStoredParameters) {
  PortOnPty p;
  p.port.SetStopbits(sb2_0);
  ASSERT_TRUE(p.port.Open());
  const termios t = p.Line();
  EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
  EXPECT_EQ(::cfgetospeed(&t), speed_t(B9600));
  EXPECT_EQ(::cfgetispeed(&t), speed_t(B9600));
  EXPECT_NE(t.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
}

TEST(TComm64Line, SettingTheSpeedOnAnOpenPortChangesOnlyTheSpeed) {
  PortOnPty p;
  ASSERT_TRUE(p.port.Open());
  const termios before = p.Line();
  p.port.SetBaudRate(cbr921600);
  const termios after = p.Line();
  EXPECT_EQ(::cfgetospeed(&after), speed_t(B921600));
  EXPECT_EQ(after.c_cflag & ~tcflag_t(CBAUD | CBAUDEX), before.c_cflag & ~tcflag_t(CBAUD | CBAUDEX));
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_oflag, before.c_oflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(p.port.BaudRate(), cbr921600);
}

TEST(TComm64Line, OneAndAHalfStopBitsBecomeTwoOnTheOpenLine) {
  PortOnPty p;
  ASSERT_TRUE(p.port.Open());
  p.port.SetStopbits(sb1_5);
  EXPECT_NE(p.Line().c_cflag & CSTOPB, 0u);
  EXPECT_EQ(p.port.Stopbits(), sb1_5);
  p.port.SetStopbits(sb1_0);
  EXPECT_EQ(p.Line().c_cflag & CSTOPB, 0u);
}

TEST(TComm64Line, FourDataBitsAreRefusedAndChangeNothing) {
  PortOnPty p;
  ASSERT_TRUE(p.port.Open());
  const termios before = p.Line();
  p.port.SetDatabits(da4);
  EXPECT_EQ(p.port.Databits(), da8);
  EXPECT_EQ(p.Line().c_cflag, before.c_cflag);
}

TEST(TComm64Line, ParametersSetWhileClosedAreAppliedAtTheNextOpen) {
  PortOnPty p;
  p.port.SetBaudRate(cbr115200);
  p.port.SetStopbits(sb2_0);
  const termios closed = p.Line();
  EXPECT_NE(::cfgetospeed(&closed), speed_t(B115200));
  ASSERT_TRUE(p.port.Open());
  const termios t = p.Line();
  EXPECT_EQ(::cfgetospeed(&t), speed_t(B115200));
  EXPECT_NE(t.c_cflag & CSTOPB, 0u);
}

TEST(TComm64Transfer, ReadWriteAndModemLinesOnAClosedPortDoNothing) {
  TComm64 port;
  std::uint8_t buffer[4] = {1, 2, 3, 4};
  EXPECT_EQ(port.Read(buffer, 4), 0);
  EXPECT_EQ(port.Write(buffer, 4), 0);
  EXPECT_FALSE(port.SetDTR(true));
  EXPECT_FALSE(port.SetRTS(false));
  EXPECT_EQ(buffer[0], 1);
}

TEST(TComm64Transfer, ModemLinesOfAPseudoTerminalReportFalse) {
  PortOnPty p;
  ASSERT_TRUE(p.port.Open());
  EXPECT_FALSE(p.port.SetDTR(true));
  EXPECT_FALSE(p.port.SetRTS(true));
}

TEST(TComm64Transfer, BytesFromTheOtherEndArriveCompleteAndInOrder) {
  PortOnPty p;
  ASSERT_TRUE(p.port.Open());
  Bytes sent;
  for (int chunk = 0; chunk < 20; ++chunk) {
    Bytes bytes(37);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(chunk * 37 + i);
    p.WriteOtherEnd(bytes);
    sent.insert(sent.end(), bytes.begin(), bytes.end());
    RunEventLoop(1);
  }
  ASSERT_TRUE(SpinUntil([&] { return p.received.size() >= sent.size(); }));
  EXPECT_EQ(p.received, sent);
  EXPECT_GT(p.events, 0);
}

TEST(TComm64Transfer, EveryByteValuePassesUnchangedInBothDirections) {
  PortOnPty p;
  ASSERT_TRUE(p.port.Open());
  const Bytes all = AllByteValues();
  EXPECT_EQ(p.port.Write(all.data(), 256), 256);
  EXPECT_EQ(p.ReadOtherEnd(256), all);

  p.WriteOtherEnd(all);
  ASSERT_TRUE(SpinUntil([&] { return p.received.size() >= 256; }));
  EXPECT_EQ(p.received, all);
}

TEST(TComm64Transfer, ReadReturnsWhatArrivedOnceTheLineFallsSilent) {
  PortOnPty p;
  ASSERT_TRUE(p.port.Open());
  p.port.OnRxCharSignal = nullptr;
  p.WriteOtherEnd({0x41, 0x0D, 0x0A});
  std::uint8_t buffer[16] = {};
  EXPECT_EQ(p.port.Read(buffer, 16), 3);
  EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{0x41, 0x0D, 0x0A}));
}

TEST(TComm64Transfer, ReadOfASilentLineFailsAfterItsLimit) {
  PortOnPty p;
  ASSERT_TRUE(p.port.Open());
  std::uint8_t buffer[4] = {};
  EXPECT_EQ(p.port.Read(buffer, 4), -1);
  EXPECT_TRUE(p.port.IsOpen());
}

TEST(TComm64Dispatch, HandlersRunInTheDispatcherOrderAndACountOfZeroIsStillReported) {
  PortOnPty p;
  ASSERT_TRUE(p.port.Open());
  std::vector<std::string> calls;
  p.port.OnRxCharSignal = [&](QObject* sender, std::int32_t count) {
    EXPECT_EQ(sender, &p.port);
    calls.push_back("rx" + std::to_string(count));
  };
  p.port.OnRxFlagSignal = [&](QObject*) { calls.push_back("flag"); };
  p.port.OnBreakSignal = [&](QObject*) { calls.push_back("break"); };
  p.port.OnDSRSignal = [&](QObject*, bool) { calls.push_back("dsr"); };
  p.port.OnErrorSignal = [&](QObject*, std::int32_t) { calls.push_back("error"); };
  p.port.OnRingSignal = [&](QObject*) { calls.push_back("ring"); };
  p.port.OnRLSDSignal = [&](QObject*) { calls.push_back("rlsd"); };
  p.port.OnTxEmptySignal = [&](QObject*) { calls.push_back("txempty"); };
  TComm64Probe::Dispatch(p.port, 0x01FF);
  EXPECT_EQ(calls, (std::vector<std::string>{"rx0", "flag", "break", "dsr", "error", "ring", "rlsd", "txempty"}));
}

TEST(TComm64Dispatch, AHandlerThatClosesThePortEndsTheEvent) {
  PortOnPty p;
  ASSERT_TRUE(p.port.Open());
  int later = 0;
  p.port.OnRxCharSignal = [&](QObject*, std::int32_t) { p.port.Close(); };
  p.port.OnTxEmptySignal = [&](QObject*) { ++later; };
  p.WriteOtherEnd({1, 2, 3});
  ASSERT_TRUE(SpinUntil([&] { return !p.port.IsOpen(); }));
  EXPECT_EQ(later, 0);
  ASSERT_TRUE(p.port.Open());  // and the port opens again at once
}

TEST(TComm64Lifecycle, AnEventOfAnEarlierOpeningIsNotDelivered) {
  PortOnPty p;
  ASSERT_TRUE(p.port.Open());
  p.WriteOtherEnd({0x55, 0x66});
  ASSERT_TRUE(TComm64Probe::HandOffWaiting(p.port, 5000));
  p.port.Close();
  ASSERT_TRUE(p.port.Open());
  // One pass runs everything that was queued, the stale hand-off included.
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_FALSE(TComm64Probe::HandOffWaiting(p.port, 0));
  EXPECT_EQ(p.events, 0);
  EXPECT_TRUE(p.received.empty());

  // The new opening still delivers its own bytes.
  p.WriteOtherEnd({0x77});
  ASSERT_TRUE(SpinUntil([&] { return !p.received.empty(); }));
  EXPECT_EQ(p.received, Bytes{0x77});
}

TEST(TComm64Lifecycle, DestroyingThePortWithAnEventQueuedCallsNothing) {
  PtyPair pty;
  int calls = 0;
  {
    TComm64 port;
    port.SetDeviceName(QString::fromStdString(pty.slavePath));
    port.OnRxCharSignal = [&calls](QObject*, std::int32_t) { ++calls; };
    ASSERT_TRUE(port.Open());
    ASSERT_EQ(::write(pty.master.get(), "xyz", 3), 3);
    ASSERT_TRUE(TComm64Probe::HandOffWaiting(port, 5000));
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(calls, 0);
}

TEST(TComm64Lifecycle, HangUpOfTheOtherEndClosesThePortWithoutSpinning) {
  PortOnPty p;
  int lost = 0;
  p.port.OnDeviceLost = [&](QObject* sender) {
    EXPECT_EQ(sender, &p.port);
    EXPECT_FALSE(p.port.IsOpen());
    ++lost;
  };
  ASSERT_TRUE(p.port.Open());
  const int base = BaseThreadCount();
  p.pty.master.reset();
  ASSERT_TRUE(SpinUntil([&] { return !p.port.IsOpen(); }));
  EXPECT_EQ(lost, 1);
  EXPECT_EQ(p.events, 0);  // no byte count was invented
  EXPECT_EQ(ThreadCountOnceSettledAt(base - 1), base - 1);

  rusage before{}, after{};
  ::getrusage(RUSAGE_SELF, &before);
  QElapsedTimer wall;
  wall.start();
  RunEventLoop(1000);
  ::getrusage(RUSAGE_SELF, &after);
  const auto cpuUs = [](const rusage& r) {
    return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1'000'000LL + r.ru_utime.tv_usec + r.ru_stime.tv_usec;
  };
  const double share = double(cpuUs(after) - cpuUs(before)) / (double(wall.nsecsElapsed()) / 1000.0);
  EXPECT_LT(share, 0.2);
  EXPECT_FALSE(p.port.IsOpen());
}

TEST(TComm64Lifecycle, ReadOnAHungUpLineFailsAndClosesThePort) {
  PortOnPty p;
  p.port.OnRxCharSignal = nullptr;
  ASSERT_TRUE(p.port.Open());
  p.pty.master.reset();
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(p.port.Read(buffer, 8), -1);
  EXPECT_FALSE(p.port.IsOpen());
}

TEST(TComm64Lifecycle, ManyOpeningsAndClosingsWhileTheOtherEndFloodsEndCleanly) {
  PortOnPty p;
  std::atomic<bool> flooding{true};
  std::thread flood([&] {
    std::uint8_t bytes[64];
    std::iota(std::begin(bytes), std::end(bytes), 0);
    while (flooding.load()) {
      if (::write(p.pty.master.get(), bytes, sizeof bytes) < 0) std::this_thread::yield();
      // Drain what the port writes back so that its writes never block.
      std::uint8_t sink[256];
      while (::read(p.pty.master.get(), sink, sizeof sink) > 0) {
      }
    }
  });
  const int base = BaseThreadCount();
  int opened = 0;
  for (int cycle = 0; cycle < 1000; ++cycle) {
    if (p.port.Open()) ++opened;
    switch (cycle % 4) {
      case 0:  // close while a hand-off is waiting for the main thread
        TComm64Probe::HandOffWaiting(p.port, 100);
        p.port.Close();
        break;
      case 1:  // close from inside the receive handler
        p.port.OnRxCharSignal = [&](QObject*, std::int32_t) { p.port.Close(); };
        SpinUntil([&] { return !p.port.IsOpen(); }, 200);
        break;
      case 2: {  // take a few events, answer one, then reopen without closing
        const std::uint8_t reply[5] = {0xFF, 0xFF, 0x02, 0x03, 0x03};
        p.port.Write(reply, 5);
        const int until = p.events + 3;
        SpinUntil([&] { return p.events >= until; }, 200);
        break;
      }
      default:  // close with nothing in particular going on
        QCoreApplication::processEvents();
        p.port.Close();
        break;
    }
    p.port.OnRxCharSignal = [&](QObject*, std::int32_t count) {
      ++p.events;
      Bytes chunk(static_cast<std::size_t>(std::max(count, 1)));
      const std::int32_t got = p.port.Read(chunk.data(), count);
      if (got > 0) p.received.insert(p.received.end(), chunk.begin(), chunk.begin() + got);
    };
  }
  p.port.Close();
  flooding = false;
  flood.join();
  EXPECT_EQ(opened, 1000);
  EXPECT_GT(p.events, 0);
  EXPECT_FALSE(p.received.empty());
  EXPECT_EQ(ThreadCountOnceSettledAt(base - 1), base - 1);  // the flood thread has gone too
}

TEST(TC32ThreadStop, AStopRequestedBeforeTheThreadWaitsStillStopsIt) {
  PtyPair pty;
  UniqueFd notify(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  const int base = BaseThreadCount();
  for (int i = 0; i < 200; ++i) {
    TC32Thread thread(pty.slave.get(), notify.get(), AllEvents, std::chrono::microseconds(1042));
    ASSERT_TRUE(thread.Start());
    thread.Stop();
    EXPECT_EQ(ThreadCountOnceSettledAt(base), base);
  }
  TC32Thread neverStarted(pty.slave.get(), notify.get(), AllEvents, std::chrono::microseconds(1042));
  neverStarted.Stop();
}

TEST(TC32ThreadStop, AThreadWaitingForItsHandOffStopsWithoutTheMainThread) {
  PtyPair pty;
  UniqueFd notify(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  TC32Thread thread(pty.slave.get(), notify.get(), AllEvents, std::chrono::microseconds(1042));
  ASSERT_TRUE(thread.Start());
  ASSERT_EQ(::write(pty.master.get(), "ab", 2), 2);
  ASSERT_TRUE(Readable(notify.get(), 5000));
  thread.Stop();  // returns although nobody took or completed the event
  const auto handoff = thread.Take();
  ASSERT_TRUE(handoff.has_value());
  EXPECT_EQ(handoff->mask, evmask::RxChar);
  EXPECT_FALSE(handoff->deviceGone);
  EXPECT_FALSE(thread.Take().has_value());
}

TEST(TC32ThreadStop, ABurstIsHandedOverOnceItHasSettled) {
  PtyPair pty;
  UniqueFd notify(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  // A slow line (50 ms a character) so that the writes below form one burst.
  TC32Thread thread(pty.slave.get(), notify.get(), AllEvents, std::chrono::milliseconds(50));
  ASSERT_TRUE(thread.Start());
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(::write(pty.master.get(), "z", 1), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(Readable(notify.get(), 5000));
  int waiting = 0;
  ASSERT_EQ(::ioctl(pty.slave.get(), FIONREAD, &waiting), 0);
  EXPECT_EQ(waiting, 5);
  ASSERT_TRUE(thread.Take().has_value());
  thread.Complete();
  thread.Stop();
}

}  // namespace
