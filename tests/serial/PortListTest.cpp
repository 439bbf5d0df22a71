#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "serial/PortList.h"

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

TEST(FindPortIndex, NameNotListedGivesTheFirstEntry) {
  EXPECT_EQ(findPortIndex({"ttyS0", "ttyS1"}, "ttyACM7"), 0);
  EXPECT_EQ(findPortIndex({}, "ttyS0"), 0);
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
