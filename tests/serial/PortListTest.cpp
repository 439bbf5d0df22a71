#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <optional>
#include <utility>
#include <vector>

#include "serial/AdapterLatency.h"
#include "serial/PortList.h"
#include "serial/PortName.h"

namespace {

using Names = QStringList;

TEST(OrderPortList, DefaultsFillTheGapsBeforeHigherNumbers) {
  EXPECT_EQ(orderPortList({"ttyS10", "ttyS3"}), (Names{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyS10"}));
}

TEST(OrderPortList, WithoutSystemPortsOffersTheFourDefaults) {
  EXPECT_EQ(orderPortList({}), (Names{"ttyS0", "ttyS1", "ttyS2", "ttyS3"}));
}

TEST(OrderPortList, NameInOtherCaseKeepsItsSpellingAndNumericPlace) {
  EXPECT_EQ(orderPortList({"ttyS6", "ttys5", "TTYS1"}), (Names{"ttyS0", "TTYS1", "ttyS2", "ttyS3", "ttys5", "ttyS6"}));
}

TEST(OrderPortList, OtherNamesFollowInCaseInsensitiveOrder) {
  const Names ordered = orderPortList({"ttyUSB0", "ttyS100", "ttyS99", "ttyACM0", "ttyS4", "rfcomm0", "TTYAMA0"});
  EXPECT_EQ(ordered, (Names{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyS4", "ttyS99", "rfcomm0", "ttyACM0", "TTYAMA0",
                            "ttyS100", "ttyUSB0"}));
}

TEST(OrderPortList, NameGivenTwiceStaysTwice) {
  const Names ordered = orderPortList({"ttyUSB0", "ttyUSB0", "ttyS1"});
  EXPECT_EQ(ordered, (Names{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyUSB0", "ttyUSB0"}));
}

TEST(FindPortIndex, ComparesIgnoringCaseAndTakesTheLastMatch) {
  const Names list{"ttyS0", "ttyS1", "ttys5", "ttyUSB0", "ttyUSB0"};
  EXPECT_EQ(findPortIndex(list, "ttyS5"), 2);
  EXPECT_EQ(findPortIndex(list, "ttyusb0"), 4);
  EXPECT_EQ(findPortIndex(list, "ttyS1"), 1);
}

TEST(FindPortIndex, NameNotListedIsNotFound) {
  EXPECT_EQ(findPortIndex({"ttyS0", "ttyS1"}, "ttyACM7"), -1);
  EXPECT_EQ(findPortIndex({"ttyS0", "ttyUSB0"}, "/dev/serial/by-id/usb-FTDI-if00-port0"), -1);
  EXPECT_EQ(findPortIndex({}, "ttyS0"), -1);
}

TEST(ResolvePortName, KernelNamesStandAndDevPathsBecomeKernelNames) {
  EXPECT_EQ(resolvePortName("ttyUSB0", "/home/tech"), "ttyUSB0");
  EXPECT_EQ(resolvePortName("/dev/ttyACM1", "/home/tech"), "ttyACM1");
  EXPECT_EQ(resolvePortName("/dev//ttyS2", "/"), "ttyS2");
}

TEST(ResolvePortName, StableAndOtherPathsStayWholeAndAbsolute) {
  const QString byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  EXPECT_EQ(resolvePortName(byId, "/home/tech"), byId);
  EXPECT_EQ(resolvePortName("/dev/pts/7", "/home/tech"), "/dev/pts/7");
  EXPECT_EQ(resolvePortName("sim/barrier", "/tmp/run"), "/tmp/run/sim/barrier");
  EXPECT_EQ(resolvePortName("../sim/./barrier", "/tmp/run"), "/tmp/sim/barrier");
  // A relative path that climbs into /dev still names a kernel device.
  EXPECT_EQ(resolvePortName("../dev/ttyUSB1", "/tmp"), "ttyUSB1");
}

TEST(ResolvePortName, NamesThatCannotBeADeviceAreRefused) {
  // ":/.." is no resource path here, and a folder that exists is no port either.
  for (const char* name : {"", ".", "..", "/", "/dev/", "ttyUSB0/", "/tmp/..", "../..", ":/..", "x/..", "/dev/.",
                           "/dev/./", "/tmp", "/dev", "pts"})
    EXPECT_FALSE(resolvePortName(name, "/tmp")) << name;
}

// A fake /sys/class/tty: each entry a folder, `device` a link when the
// kernel has a device behind it, `type` the UART type of serial-core ports.
class FakeSysfs {
 public:
  void add(const QString& name, bool device, const char* type = nullptr) {
    const QString entry = dir_.path() + "/" + name;
    QDir().mkpath(entry);
    if (device) QFile::link(dir_.path(), entry + "/device");
    if (type) {
      QFile file(entry + "/type");
      if (file.open(QIODevice::WriteOnly)) file.write(type);
    }
  }
  QString root() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
};

TEST(SystemPorts, ListsEntriesWithADeviceExceptUnknownUarts) {
  FakeSysfs sys;
  sys.add("console", false);
  sys.add("tty0", false);
  sys.add("ttyS0", true, "4\n");
  sys.add("ttyS1", true, "0\n");
  sys.add("ttyS2", true, "0\n");
  sys.add("ttyS4", true, "4\n");
  sys.add("ttyUSB0", true);
  sys.add("ttyACM0", true);
  Names ports = systemPorts(sys.root());
  ports.sort();
  EXPECT_EQ(ports, (Names{"ttyACM0", "ttyS0", "ttyS4", "ttyUSB0"}));
}

TEST(SystemPorts, MissingFolderGivesNoPorts) { EXPECT_TRUE(systemPorts("/nonexistent/sys/class/tty").isEmpty()); }

// A fake sysfs device tree with a usb-serial adapter, an ACM modem and a UART
// on the main board, the tty class entries linking into it, and a fake
// /dev/serial/by-id beside it.
class FakeDevices {
 public:
  FakeDevices() {
    usb("devices/pci0000:00/usb1/1-2", "0403", "6001", "FTDI", "FT232R USB UART", "A50285BI");
    usb("devices/pci0000:00/usb1/1-3", "2341", "0043", "", "", "");  // no descriptor strings
    tty("ttyUSB0", "devices/pci0000:00/usb1/1-2/1-2:1.0/ttyUSB0");
    tty("ttyACM0", "devices/pci0000:00/usb1/1-3/1-3:1.0");
    tty("ttyS0", "devices/platform/serial8250/serial8250:0");
    write("devices/pci0000:00/usb1/1-2/1-2:1.0/ttyUSB0/latency_timer", "16");
    QDir().mkpath(path("by-id"));
    QFile::link("../../ttyUSB0", path("by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"));
    QFile::link("../../ttyACM0", path("by-id/usb-2341_0043-if00"));
    QFile::link("../../ttyACM0", path("by-id/usb-2341_0043-alias"));
  }
  QString path(const QString& relative) const { return dir_.path() + "/" + relative; }
  QString ttyRoot() const { return path("class/tty"); }

 private:
  void usb(const QString& device, const char* vendor, const char* product, const char* manufacturer,
           const char* productName, const char* serial) {
    QDir().mkpath(path(device));
    write(device + "/idVendor", vendor);
    write(device + "/idProduct", product);
    if (*manufacturer) write(device + "/manufacturer", manufacturer);
    if (*productName) write(device + "/product", productName);
    if (*serial) write(device + "/serial", serial);
  }
  void tty(const QString& name, const QString& device) {
    QDir().mkpath(path(device));
    QDir().mkpath(path("class/tty/" + name));
    QFile::link(path(device), path("class/tty/" + name + "/device"));
  }
  void write(const QString& relative, const char* text) {
    QFile file(path(relative));
    if (file.open(QIODevice::WriteOnly)) file.write(QByteArray(text) + "\n");
  }
  QTemporaryDir dir_;
};

TEST(DescribePorts, UsbAdaptersShowTheirDescriptorsAndStableNamesFollowTheirPort) {
  FakeDevices sys;
  const QList<PortChoice> choices =
      describePorts({"ttyS0", "ttyS1", "ttyACM0", "ttyUSB0"}, sys.ttyRoot(), sys.path("by-id"));
  ASSERT_EQ(choices.size(), 7);
  EXPECT_EQ(choices[0], (PortChoice{"ttyS0", "ttyS0", {}, {}, {}, {}, {}, {}}));
  EXPECT_EQ(choices[1], (PortChoice{"ttyS1", "ttyS1", {}, {}, {}, {}, {}, {}}));
  const PortChoice acm{"ttyACM0", "ttyACM0", {}, {}, {}, "2341", "0043", {}};
  EXPECT_EQ(choices[2], acm);
  PortChoice stable = acm;
  stable.name = sys.path("by-id/usb-2341_0043-alias");
  EXPECT_EQ(choices[3], stable);
  stable.name = sys.path("by-id/usb-2341_0043-if00");
  EXPECT_EQ(choices[4], stable);
  const PortChoice ftdi{"ttyUSB0", "ttyUSB0", "FTDI", "FT232R USB UART", "A50285BI", "0403", "6001", 16};
  EXPECT_EQ(choices[5], ftdi);
  stable = ftdi;
  stable.name = sys.path("by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
  EXPECT_EQ(choices[6], stable);
}

TEST(AdapterLatency, IsReadWhereTheDriverHasATimerAndTheUdevRuleNamesTheAdapter) {
  FakeDevices sys;
  EXPECT_EQ(adapterLatencyMs("ttyUSB0", sys.ttyRoot()), 16);
  EXPECT_EQ(adapterLatencyMs("ttyACM0", sys.ttyRoot()), std::nullopt);
  EXPECT_EQ(adapterLatencyMs("ttyUSB7", sys.ttyRoot()), std::nullopt);
  EXPECT_EQ(kernelNameOf(sys.path("by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0")), "ttyUSB0");
  EXPECT_EQ(kernelNameOf("ttyUSB0"), "ttyUSB0");
  EXPECT_EQ(kernelNameOf("/dev/ttyS0"), "ttyS0");
  const QString rule = latencyUdevRule("0403", "6001");
  EXPECT_TRUE(rule.contains(R"(SUBSYSTEM=="usb-serial", ATTRS{idVendor}=="0403", ATTRS{idProduct}=="6001", )"
                            R"(ATTR{latency_timer}="1")"))
      << rule.toStdString();
  EXPECT_TRUE(rule.startsWith("# /etc/udev/rules.d/"));
  // udev compares the ids as text, and sysfs gives them in small letters.
  EXPECT_TRUE(latencyUdevRule("10C4", "EA60").contains(R"(ATTRS{idVendor}=="10c4", ATTRS{idProduct}=="ea60")"));

  // The timer's whole range, and nothing beyond it.
  const QString timer = sys.path("devices/pci0000:00/usb1/1-2/1-2:1.0/ttyUSB0/latency_timer");
  for (const auto& [text, ms] : std::vector<std::pair<QByteArray, std::optional<int>>>{
           {"255\n", 255}, {"0\n", 0}, {"256\n", std::nullopt}, {"-1\n", std::nullopt}, {"x\n", std::nullopt}}) {
    QFile file(timer);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    EXPECT_EQ(adapterLatencyMs("ttyUSB0", sys.ttyRoot()), ms) << text.toStdString();
  }
}

TEST(DescribePorts, WithoutSysfsOrStableNamesTheKernelNamesStandAlone) {
  const QList<PortChoice> choices = describePorts({"ttyS0", "ttyUSB0"}, "/nonexistent/tty", "/nonexistent/by-id");
  ASSERT_EQ(choices.size(), 2);
  EXPECT_EQ(choices[1], (PortChoice{"ttyUSB0", "ttyUSB0", {}, {}, {}, {}, {}, {}}));
}

TEST(FillPortList, MergesTheSystemPortsWithTheDefaults) {
  FakeSysfs sys;
  sys.add("ttyS1", true, "0\n");  // a placeholder still appears, as a default
  sys.add("ttyS10", true, "4\n");
  sys.add("ttyUSB0", true);
  QStringList list{"stale"};
  fillPortList(list, sys.root());
  EXPECT_EQ(list, (Names{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyS10", "ttyUSB0"}));
}

}  // namespace
