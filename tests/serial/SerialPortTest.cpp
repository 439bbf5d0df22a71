#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <thread>
#include <vector>

#include "serial/AdapterLatency.h"
#include "serial/LineTermios.h"
#include "serial/SerialEventThread.h"
#include "serial/SerialPort.h"
#include "tests/serial/SerialTestSupport.h"

// Reaches the dispatcher and the hand-off descriptor of a port.
class SerialPortProbe {
 public:
  static void dispatch(SerialPort& port, std::uint32_t mask) { port.dispatch(mask); }
  // True once the event-wait thread has handed an event over that the main
  // thread has not picked up yet.
  static bool handOffWaiting(SerialPort& port, int timeoutMs) { return readable(port.notify_.get(), timeoutMs); }
};

namespace {

using Bytes = std::vector<std::uint8_t>;

// A port on the slave side of a fresh pty whose receive handler reads what
// the event announces, as the main window does.
struct PortOnPty {
  PtyPair pty;
  SerialPort port;
  Bytes received;
  int events = 0;

  PortOnPty() {
    port.setDeviceName(QString::fromStdString(pty.slavePath));
    port.setBaudRate(cbr9600);
    port.onRxChar = [this](QObject*, std::int32_t count) {
      ++events;
      if (count <= 0) return;
      Bytes chunk(static_cast<std::size_t>(count));
      const std::int32_t got = port.read(chunk.data(), count);
      if (got > 0) received.insert(received.end(), chunk.begin(), chunk.begin() + got);
    };
  }

  void writeOtherEnd(const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(pty.master.get(), bytes.data() + done, bytes.size() - done);
      if (n > 0)
        done += static_cast<std::size_t>(n);
      else
        runEventLoop(1);  // let the port drain the line
    }
  }

  Bytes readOtherEnd(std::size_t count) {
    Bytes got;
    std::uint8_t buffer[512];
    while (got.size() < count && readable(pty.master.get(), 3000)) {
      const ssize_t n = ::read(pty.master.get(), buffer, sizeof buffer);
      if (n <= 0) break;
      got.insert(got.end(), buffer, buffer + n);
    }
    return got;
  }

  termios line() const {
    termios t{};
    ::tcgetattr(pty.slave.get(), &t);
    return t;
  }
};

Bytes allByteValues() {
  Bytes bytes(256);
  std::iota(bytes.begin(), bytes.end(), 0);
  return bytes;
}

TEST(OpenFailureFromErrno, MapsEveryReasonTheUserInterfaceExplains) {
  EXPECT_EQ(openFailureFromErrno(0), OpenFailure::None);
  EXPECT_EQ(openFailureFromErrno(ENOENT), OpenFailure::NoDevice);
  EXPECT_EQ(openFailureFromErrno(ENODEV), OpenFailure::NoDevice);
  EXPECT_EQ(openFailureFromErrno(ENXIO), OpenFailure::NoDevice);
  EXPECT_EQ(openFailureFromErrno(EACCES), OpenFailure::NoPermission);
  EXPECT_EQ(openFailureFromErrno(EPERM), OpenFailure::NoPermission);
  EXPECT_EQ(openFailureFromErrno(EBUSY), OpenFailure::InUse);
  EXPECT_EQ(openFailureFromErrno(EWOULDBLOCK), OpenFailure::InUse);
  EXPECT_EQ(openFailureFromErrno(ENOTTY), OpenFailure::NotTerminal);
  EXPECT_EQ(openFailureFromErrno(EMFILE), OpenFailure::Other);
}

TEST(TComm64Open, NewPortHasTheDocumentedProperties) {
  SerialPort port;
  EXPECT_EQ(port.deviceName(), "ttyS1");
  EXPECT_EQ(port.baudRate(), cbr2400);
  EXPECT_EQ(port.parity(), paNone);
  EXPECT_EQ(port.stopBits(), sb1_0);
  EXPECT_EQ(port.dataBits(), da8);
  EXPECT_EQ(port.monitorEvents(), AllEvents);
  EXPECT_EQ(port.readBufferSize(), 1024);
  EXPECT_EQ(port.writeBufferSize(), 1024);
  EXPECT_FALSE(port.isOpen());
}

TEST(TComm64Open, RefusesAFileThatIsNotATerminalAndClosesIt) {
  char path[] = "/tmp/orvita-notatty-XXXXXX";
  const int fd = ::mkstemp(path);
  ASSERT_GE(fd, 0);
  ::close(fd);
  SerialPort port;
  port.setDeviceName(path);
  EXPECT_FALSE(port.open());  // the first attempt also creates the port's own hand-off descriptor
  const int before = openDescriptorCount();
  EXPECT_FALSE(port.open());
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(port.lastOpenFailure(), OpenFailure::NotTerminal);
  EXPECT_EQ(port.lastOpenPath(), QString(path));
  EXPECT_EQ(openDescriptorCount(), before);
  ::unlink(path);
}

// A file of that name in the current folder may be another user's link to a device of theirs.
TEST(TComm64Open, AKernelNameOpensUnderDevOnlyAndAPathAsGiven) {
  SerialPort port;
  std::vector<std::string> tried;
  port.setOpenFunction([&tried](const char* path, int) {
    tried.emplace_back(path);
    errno = ENOENT;
    return -1;
  });
  port.setDeviceName("ttyUSB7");
  EXPECT_FALSE(port.open());
  EXPECT_EQ(tried, (std::vector<std::string>{"/dev/ttyUSB7"}));
  EXPECT_EQ(port.lastOpenFailure(), OpenFailure::NoDevice);
  EXPECT_EQ(port.lastOpenPath(), "/dev/ttyUSB7");

  tried.clear();
  port.setDeviceName("/dev/serial/by-id/usb-adapter");
  EXPECT_FALSE(port.open());
  EXPECT_EQ(tried, (std::vector<std::string>{"/dev/serial/by-id/usb-adapter"}));
  tried.clear();
  port.setDeviceName("./ttyX");
  EXPECT_FALSE(port.open());
  EXPECT_EQ(tried, (std::vector<std::string>{"./ttyX"}));
}

TEST(TComm64Open, OpensWithTheFlagsTheDeviceNeeds) {
  PtyPair pty;
  SerialPort port;
  int flags = 0;
  port.setOpenFunction([&flags](const char* path, int f) {
    flags = f;
    return ::open(path, f);
  });
  port.setDeviceName(QString::fromStdString(pty.slavePath));
  ASSERT_TRUE(port.open());
  EXPECT_EQ(flags, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

TEST(TComm64Open, KeepsAPermissionFailureAsAValue) {
  SerialPort port;
  port.setOpenFunction([](const char*, int) {
    errno = EACCES;
    return -1;
  });
  port.setDeviceName("/dev/ttyS0");
  port.setBaudRate(cbr19200);
  EXPECT_FALSE(port.open());
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(port.lastOpenFailure(), OpenFailure::NoPermission);
  EXPECT_EQ(port.lastOpenErrno(), EACCES);
  EXPECT_EQ(port.baudRate(), cbr19200);
}

TEST(TComm64Open, ASecondOpeningOfAnOpenDeviceIsInUseUntilTheFirstCloses) {
  PtyPair pty;
  SerialPort first, second;
  first.setDeviceName(QString::fromStdString(pty.slavePath));
  second.setDeviceName(QString::fromStdString(pty.slavePath));
  ASSERT_TRUE(first.open());
  EXPECT_FALSE(second.open());
  EXPECT_EQ(second.lastOpenFailure(), OpenFailure::InUse);
  first.close();
  EXPECT_TRUE(second.open());
  EXPECT_EQ(second.lastOpenFailure(), OpenFailure::None);
}

TEST(TComm64Open, OpenOnAnOpenPortLeavesExactlyOneThread) {
  PortOnPty p;
  const int base = baseThreadCount();
  ASSERT_TRUE(p.port.open());
  EXPECT_EQ(threadCountOnceSettledAt(base + 1), base + 1);
  ASSERT_TRUE(p.port.open());
  EXPECT_EQ(threadCountOnceSettledAt(base + 1), base + 1);
  p.port.close();
  EXPECT_EQ(threadCountOnceSettledAt(base), base);
  p.port.close();  // closing a closed port does nothing
  EXPECT_FALSE(p.port.isOpen());
}

// Pseudo-terminals take neither parity nor fewer than 8 data bits (some
// kernels refuse them, others force 8N); those fields are checked on termios.
TEST(LineTermios, ParityAndDataBitsSetOnlyTheirOwnFields) {
  termios t{};
  t.c_cflag = CS8 | CREAD | CLOCAL | CRTSCTS | CSTOPB;
  const tcflag_t others = t.c_cflag & ~tcflag_t(PARENB | PARODD | CMSPAR);
  setLineParity(t, paMark);
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB | PARODD | CMSPAR));
  setLineParity(t, paSpace);
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB | CMSPAR));
  setLineParity(t, paOdd);
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB | PARODD));
  setLineParity(t, paEven);
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB));
  setLineParity(t, paNone);
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), 0u);
  EXPECT_EQ(t.c_cflag, others);

  EXPECT_TRUE(setLineDataBits(t, da5));
  EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS5));
  EXPECT_TRUE(setLineDataBits(t, da7));
  EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS7));
  EXPECT_FALSE(setLineDataBits(t, da4));
  EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS7));
  EXPECT_EQ(t.c_cflag & ~tcflag_t(CSIZE), others & ~tcflag_t(CSIZE));
}

TEST(LineTermios, RawModeSwitchesOffEveryTranslationAndBothFlowControls) {
  termios t{};
  t.c_iflag = ICRNL | IXON | IXOFF | ISTRIP | PARMRK;
  t.c_oflag = OPOST | ONLCR;
  t.c_lflag = ECHO | ICANON | ISIG | IEXTEN;
  t.c_cflag = CS8 | CRTSCTS;
  makeRawLine(t);
  EXPECT_EQ(t.c_iflag, 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_lflag, 0u);
  EXPECT_EQ(t.c_cflag, tcflag_t(CS8 | CLOCAL | CREAD));
}

TEST(TComm64Line, OpenPutsTheLineInRawModeWithTheStoredParameters) {
  PortOnPty p;
  // The line as a USB adapter comes up, with the hardware flow control a
  // previous program may have left on.
  termios cooked = p.line();
  cooked.c_iflag |= ICRNL | IXON;
  cooked.c_oflag |= OPOST | ONLCR;
  cooked.c_lflag |= ECHO | ICANON | ISIG | IEXTEN;
  cooked.c_cflag |= CRTSCTS;
  ASSERT_EQ(::tcsetattr(p.pty.slave.get(), TCSANOW, &cooked), 0);
  ASSERT_EQ(p.line().c_lflag & (ECHO | ICANON), tcflag_t(ECHO | ICANON));
  ASSERT_NE(p.line().c_cflag & CRTSCTS, 0u);

  p.port.setStopBits(sb2_0);
  ASSERT_TRUE(p.port.open());
  const termios t = p.line();
  EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
  EXPECT_EQ(::cfgetospeed(&t), speed_t(B9600));
  EXPECT_EQ(::cfgetispeed(&t), speed_t(B9600));
  EXPECT_NE(t.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
}

TEST(TComm64Line, SettingTheSpeedOnAnOpenPortChangesOnlyTheSpeed) {
  PortOnPty p;
  ASSERT_TRUE(p.port.open());
  const termios before = p.line();
  p.port.setBaudRate(cbr921600);
  const termios after = p.line();
  EXPECT_EQ(::cfgetospeed(&after), speed_t(B921600));
  EXPECT_EQ(after.c_cflag & ~tcflag_t(CBAUD | CBAUDEX), before.c_cflag & ~tcflag_t(CBAUD | CBAUDEX));
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_oflag, before.c_oflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(p.port.baudRate(), cbr921600);
}

TEST(TComm64Line, OneAndAHalfStopBitsBecomeTwoOnTheOpenLine) {
  PortOnPty p;
  ASSERT_TRUE(p.port.open());
  p.port.setStopBits(sb1_5);
  EXPECT_NE(p.line().c_cflag & CSTOPB, 0u);
  EXPECT_EQ(p.port.stopBits(), sb1_5);
  p.port.setStopBits(sb1_0);
  EXPECT_EQ(p.line().c_cflag & CSTOPB, 0u);
}

TEST(TComm64Line, FourDataBitsAreRefusedAndChangeNothing) {
  PortOnPty p;
  ASSERT_TRUE(p.port.open());
  const termios before = p.line();
  p.port.setDataBits(da4);
  EXPECT_EQ(p.port.dataBits(), da8);
  EXPECT_EQ(p.line().c_cflag, before.c_cflag);
}

TEST(TComm64Line, ParametersSetWhileClosedAreAppliedAtTheNextOpen) {
  PortOnPty p;
  p.port.setBaudRate(cbr115200);
  p.port.setStopBits(sb2_0);
  const termios closed = p.line();
  EXPECT_NE(::cfgetospeed(&closed), speed_t(B115200));
  ASSERT_TRUE(p.port.open());
  const termios t = p.line();
  EXPECT_EQ(::cfgetospeed(&t), speed_t(B115200));
  EXPECT_NE(t.c_cflag & CSTOPB, 0u);
}

TEST(TComm64Transfer, ReadWriteAndModemLinesOnAClosedPortDoNothing) {
  SerialPort port;
  std::uint8_t buffer[4] = {1, 2, 3, 4};
  EXPECT_EQ(port.read(buffer, 4), 0);
  EXPECT_EQ(port.write(buffer, 4), 0);
  EXPECT_FALSE(port.setDtr(true));
  EXPECT_FALSE(port.setRts(false));
  EXPECT_EQ(buffer[0], 1);
}

// A pseudo-terminal's driver refuses low latency: passed over, the port
// works. What the adapter's latency timer reads comes from sysfs, here a
// fake tree with an entry for this terminal.
TEST(TComm64Open, AskedForLowLatencyARefusingDriverStillWorksAndTheLatencyTimerIsRead) {
  PortOnPty p;
  QTemporaryDir sysfs;
  const QString kernelName = QFileInfo(QString::fromStdString(p.pty.slavePath)).fileName();
  ASSERT_TRUE(QDir().mkpath(sysfs.filePath(kernelName + "/device")));
  QFile timer(sysfs.filePath(kernelName + "/device/latency_timer"));
  ASSERT_TRUE(timer.open(QIODevice::WriteOnly));
  timer.write("1\n");
  timer.close();
  p.port.setSysfsRoot(sysfs.path());
  EXPECT_FALSE(requestLowLatency(p.pty.slave.get()));
  ASSERT_TRUE(p.port.open());
  EXPECT_FALSE(p.port.lowLatency());
  EXPECT_EQ(p.port.adapter().latencyTimerMs, 1);
  p.writeOtherEnd({1, 2, 3});
  ASSERT_TRUE(spinUntil([&] { return p.received.size() >= 3; }));
  EXPECT_EQ(p.port.write(Bytes{4, 5}.data(), 2), 2);
  EXPECT_EQ(p.readOtherEnd(2), (Bytes{4, 5}));
  p.port.close();
  EXPECT_EQ(p.port.adapter().latencyTimerMs, std::nullopt);
}

TEST(TComm64Transfer, ModemLinesOfAPseudoTerminalReportFalse) {
  PortOnPty p;
  ASSERT_TRUE(p.port.open());
  EXPECT_FALSE(p.port.setDtr(true));
  EXPECT_FALSE(p.port.setRts(true));
}

TEST(TComm64Transfer, BytesFromTheOtherEndArriveCompleteAndInOrder) {
  PortOnPty p;
  ASSERT_TRUE(p.port.open());
  Bytes sent;
  for (int chunk = 0; chunk < 20; ++chunk) {
    Bytes bytes(37);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(chunk * 37 + i);
    p.writeOtherEnd(bytes);
    sent.insert(sent.end(), bytes.begin(), bytes.end());
    runEventLoop(1);
  }
  ASSERT_TRUE(spinUntil([&] { return p.received.size() >= sent.size(); }));
  EXPECT_EQ(p.received, sent);
  EXPECT_GT(p.events, 0);
}

TEST(TComm64Transfer, EveryByteValuePassesUnchangedInBothDirections) {
  PortOnPty p;
  ASSERT_TRUE(p.port.open());
  const Bytes all = allByteValues();
  EXPECT_EQ(p.port.write(all.data(), 256), 256);
  EXPECT_EQ(p.readOtherEnd(256), all);

  p.writeOtherEnd(all);
  ASSERT_TRUE(spinUntil([&] { return p.received.size() >= 256; }));
  EXPECT_EQ(p.received, all);
}

TEST(TComm64Transfer, ReadReturnsWhatArrivedOnceTheLineFallsSilent) {
  PortOnPty p;
  ASSERT_TRUE(p.port.open());
  p.port.onRxChar = nullptr;
  p.writeOtherEnd({0x41, 0x0D, 0x0A});
  std::uint8_t buffer[16] = {};
  EXPECT_EQ(p.port.read(buffer, 16), 3);
  EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{0x41, 0x0D, 0x0A}));
}

TEST(TComm64Transfer, ReadOfASilentLineFailsAfterItsLimit) {
  PortOnPty p;
  ASSERT_TRUE(p.port.open());
  std::uint8_t buffer[4] = {};
  EXPECT_EQ(p.port.read(buffer, 4), -1);
  EXPECT_TRUE(p.port.isOpen());
}

TEST(TComm64Dispatch, HandlersRunInTheDispatcherOrderAndACountOfZeroIsStillReported) {
  PortOnPty p;
  ASSERT_TRUE(p.port.open());
  std::vector<std::string> calls;
  p.port.onRxChar = [&](QObject* sender, std::int32_t count) {
    EXPECT_EQ(sender, &p.port);
    calls.push_back("rx" + std::to_string(count));
  };
  p.port.onRxFlag = [&](QObject*) { calls.push_back("flag"); };
  p.port.onBreak = [&](QObject*) { calls.push_back("break"); };
  p.port.onDsr = [&](QObject*, bool) { calls.push_back("dsr"); };
  p.port.onLineError = [&](QObject*, std::int32_t) { calls.push_back("error"); };
  p.port.onRing = [&](QObject*) { calls.push_back("ring"); };
  p.port.onRlsd = [&](QObject*) { calls.push_back("rlsd"); };
  p.port.onTxEmpty = [&](QObject*) { calls.push_back("txempty"); };
  SerialPortProbe::dispatch(p.port, 0x01FF);
  EXPECT_EQ(calls, (std::vector<std::string>{"rx0", "flag", "break", "dsr", "error", "ring", "rlsd", "txempty"}));
}

TEST(TComm64Dispatch, AHandlerThatClosesThePortEndsTheEvent) {
  PortOnPty p;
  ASSERT_TRUE(p.port.open());
  int later = 0;
  p.port.onRxChar = [&](QObject*, std::int32_t) { p.port.close(); };
  p.port.onTxEmpty = [&](QObject*) { ++later; };
  p.writeOtherEnd({1, 2, 3});
  ASSERT_TRUE(spinUntil([&] { return !p.port.isOpen(); }));
  EXPECT_EQ(later, 0);
  ASSERT_TRUE(p.port.open());  // and the port opens again at once
}

TEST(TComm64Lifecycle, AnEventOfAnEarlierOpeningIsNotDelivered) {
  PortOnPty p;
  ASSERT_TRUE(p.port.open());
  p.writeOtherEnd({0x55, 0x66});
  ASSERT_TRUE(SerialPortProbe::handOffWaiting(p.port, 5000));
  p.port.close();
  ASSERT_TRUE(p.port.open());
  // One pass runs everything that was queued, the stale hand-off included.
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_FALSE(SerialPortProbe::handOffWaiting(p.port, 0));
  EXPECT_EQ(p.events, 0);
  EXPECT_TRUE(p.received.empty());

  // The new opening still delivers its own bytes.
  p.writeOtherEnd({0x77});
  ASSERT_TRUE(spinUntil([&] { return !p.received.empty(); }));
  EXPECT_EQ(p.received, Bytes{0x77});
}

TEST(TComm64Lifecycle, DestroyingThePortWithAnEventQueuedCallsNothing) {
  PtyPair pty;
  int calls = 0;
  {
    SerialPort port;
    port.setDeviceName(QString::fromStdString(pty.slavePath));
    port.onRxChar = [&calls](QObject*, std::int32_t) { ++calls; };
    ASSERT_TRUE(port.open());
    ASSERT_EQ(::write(pty.master.get(), "xyz", 3), 3);
    ASSERT_TRUE(SerialPortProbe::handOffWaiting(port, 5000));
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(calls, 0);
}

TEST(TComm64Lifecycle, HangUpOfTheOtherEndClosesThePortWithoutSpinning) {
  PortOnPty p;
  int lost = 0;
  p.port.onDeviceLost = [&](QObject* sender) {
    EXPECT_EQ(sender, &p.port);
    EXPECT_FALSE(p.port.isOpen());
    ++lost;
  };
  ASSERT_TRUE(p.port.open());
  const int base = baseThreadCount();
  p.pty.master.reset();
  ASSERT_TRUE(spinUntil([&] { return !p.port.isOpen(); }));
  EXPECT_EQ(lost, 1);
  EXPECT_EQ(p.events, 0);  // no byte count was invented
  EXPECT_EQ(threadCountOnceSettledAt(base - 1), base - 1);

  rusage before{}, after{};
  ::getrusage(RUSAGE_SELF, &before);
  QElapsedTimer wall;
  wall.start();
  runEventLoop(1000);
  ::getrusage(RUSAGE_SELF, &after);
  const auto cpuUs = [](const rusage& r) {
    return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1'000'000LL + r.ru_utime.tv_usec + r.ru_stime.tv_usec;
  };
  const double share = double(cpuUs(after) - cpuUs(before)) / (double(wall.nsecsElapsed()) / 1000.0);
  EXPECT_LT(share, 0.2);
  EXPECT_FALSE(p.port.isOpen());
}

TEST(TComm64Lifecycle, ReadOnAHungUpLineFailsAndClosesThePort) {
  PortOnPty p;
  p.port.onRxChar = nullptr;
  ASSERT_TRUE(p.port.open());
  p.pty.master.reset();
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(p.port.read(buffer, 8), -1);
  EXPECT_FALSE(p.port.isOpen());
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
  const int base = baseThreadCount();
  int opened = 0;
  for (int cycle = 0; cycle < 1000; ++cycle) {
    if (p.port.open()) ++opened;
    switch (cycle % 4) {
      case 0:  // close while a hand-off is waiting for the main thread
        SerialPortProbe::handOffWaiting(p.port, 100);
        p.port.close();
        break;
      case 1:  // close from inside the receive handler
        p.port.onRxChar = [&](QObject*, std::int32_t) { p.port.close(); };
        spinUntil([&] { return !p.port.isOpen(); }, 200);
        break;
      case 2: {  // take a few events, answer one, then reopen without closing
        const std::uint8_t reply[5] = {0xFF, 0xFF, 0x02, 0x03, 0x03};
        p.port.write(reply, 5);
        const int until = p.events + 3;
        spinUntil([&] { return p.events >= until; }, 200);
        break;
      }
      default:  // close with nothing in particular going on
        QCoreApplication::processEvents();
        p.port.close();
        break;
    }
    p.port.onRxChar = [&](QObject*, std::int32_t count) {
      ++p.events;
      Bytes chunk(static_cast<std::size_t>(std::max(count, 1)));
      const std::int32_t got = p.port.read(chunk.data(), count);
      if (got > 0) p.received.insert(p.received.end(), chunk.begin(), chunk.begin() + got);
    };
  }
  p.port.close();
  flooding = false;
  flood.join();
  EXPECT_EQ(opened, 1000);
  EXPECT_GT(p.events, 0);
  EXPECT_FALSE(p.received.empty());
  EXPECT_EQ(threadCountOnceSettledAt(base - 1), base - 1);  // the flood thread has gone too
}

TEST(TC32ThreadStop, AStopRequestedBeforeTheThreadWaitsStillStopsIt) {
  PtyPair pty;
  UniqueFd notify(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  const int base = baseThreadCount();
  for (int i = 0; i < 200; ++i) {
    SerialEventThread thread(pty.slave.get(), notify.get(), AllEvents, std::chrono::microseconds(1042));
    ASSERT_TRUE(thread.start());
    thread.stop();
    EXPECT_EQ(threadCountOnceSettledAt(base), base);
  }
  SerialEventThread neverStarted(pty.slave.get(), notify.get(), AllEvents, std::chrono::microseconds(1042));
  neverStarted.stop();
}

TEST(TC32ThreadStop, AThreadWaitingForItsHandOffStopsWithoutTheMainThread) {
  PtyPair pty;
  UniqueFd notify(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  SerialEventThread thread(pty.slave.get(), notify.get(), AllEvents, std::chrono::microseconds(1042));
  ASSERT_TRUE(thread.start());
  ASSERT_EQ(::write(pty.master.get(), "ab", 2), 2);
  ASSERT_TRUE(readable(notify.get(), 5000));
  thread.stop();  // returns although nobody took or completed the event
  const auto handoff = thread.take();
  ASSERT_TRUE(handoff.has_value());
  EXPECT_EQ(handoff->mask, evmask::RxChar);
  EXPECT_FALSE(handoff->deviceGone);
  EXPECT_FALSE(thread.take().has_value());
}

TEST(RxThreshold, AnEventWaitsUntilTheThresholdIsWaiting) {
  // A machine that holds this test up for the quiet time between its two
  // writes sees the first bytes handed over on their own, rightly: such an
  // exchange is played again. A threshold not honoured fails every time.
  const auto handedOverOnce = [](bool setBeforeOpening) {
    PortOnPty p;
    if (setBeforeOpening) p.port.setRxThreshold(10);  // kept for the opening
    if (!p.port.open()) return false;
    if (!setBeforeOpening) p.port.setRxThreshold(10);  // reaches the waiting thread at once
    p.writeOtherEnd({1, 2, 3, 4});
    // Well inside the quiet time after which fewer bytes would be handed over.
    if (SerialPortProbe::handOffWaiting(p.port, 20)) return false;
    p.writeOtherEnd({5, 6, 7, 8, 9, 10});
    if (!spinUntil([&] { return p.received.size() >= 10; })) return false;
    return p.events == 1 && p.received == Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  };
  for (const bool before : {true, false}) {
    bool once = false;
    for (int attempt = 0; attempt < 5 && !once; ++attempt) once = handedOverOnce(before);
    EXPECT_TRUE(once) << (before ? "threshold set before opening" : "threshold set while open");
  }

  PortOnPty p;
  p.port.setRxThreshold(1000);
  EXPECT_EQ(p.port.rxThreshold(), 255);
  p.port.setRxThreshold(0);
  EXPECT_EQ(p.port.rxThreshold(), 1);
}

// At 2400 bit/s a 30-byte reply takes longer than the quiet time: the quiet
// time counts from the last byte that came, so it goes over in one piece.
TEST(RxThreshold, TheQuietTimeStartsAgainWithEveryByteThatComes) {
  Bytes reply(30);
  std::iota(reply.begin(), reply.end(), 0);
  // A writer held up for the quiet time itself proves nothing: that
  // exchange is played again.
  for (int attempt = 0; attempt < 5; ++attempt) {
    PortOnPty p;
    p.port.setBaudRate(cbr2400);
    ASSERT_TRUE(p.port.open());
    p.port.setRxThreshold(30);
    std::chrono::steady_clock::duration longestGap{};
    std::thread line([&] {
      auto last = std::chrono::steady_clock::now();
      for (std::uint8_t b : reply) {
        std::this_thread::sleep_for(std::chrono::microseconds(4200));
        ASSERT_EQ(::write(p.pty.master.get(), &b, 1), 1);
        const auto now = std::chrono::steady_clock::now();
        longestGap = std::max(longestGap, now - last);
        last = now;
      }
    });
    const bool all = spinUntil([&] { return p.received.size() >= reply.size(); });
    line.join();
    ASSERT_TRUE(all);
    if (longestGap >= std::chrono::milliseconds(SerialEventThread::kQuietMs - 10)) continue;
    EXPECT_EQ(p.events, 1);
    EXPECT_EQ(p.received, reply);
    return;
  }
  GTEST_SKIP() << "the machine held the writer up for the quiet time in every try";
}

TEST(RxThreshold, FewerBytesAreHandedOverOnceTheLineHasGoneQuiet) {
  PortOnPty p;
  ASSERT_TRUE(p.port.open());
  p.port.setRxThreshold(22);
  p.writeOtherEnd({0xFF, 0xFF, 0x14, 0x03, 0x00});
  ASSERT_TRUE(spinUntil([&] { return p.received.size() >= 5; }));
  EXPECT_EQ(p.events, 1);
  EXPECT_EQ(p.received, (Bytes{0xFF, 0xFF, 0x14, 0x03, 0x00}));
}

}  // namespace
