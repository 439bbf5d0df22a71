#include "PortList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Names = QStringList;

TEST(OrderPortList, DefaultsFillTheGapsBeforeHigherNumbers) {
  EXPECT_EQ(OrderPortList({"ttyS10", "ttyS3"}), (Names{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyS10"}));
}

TEST(OrderPortList, WithoutSystemPortsOffersTheFourDefaults) {
  EXPECT_EQ(OrderPortList({}), (Names{"ttyS0", "ttyS1", "ttyS2", "ttyS3"}));
}

TEST(OrderPortList, NameInOtherCaseKeepsItsSpellingAndNumericPlace) {
  EXPECT_EQ(OrderPortList({"ttyS6", "ttys5", "TTYS1"}), (Names{"ttyS0", "TTYS1", "ttyS2", "ttyS3", "ttys5", "ttyS6"}));
}

TEST(OrderPortList, OtherNamesFollowInCaseInsensitiveOrder) {
  const Names ordered = OrderPortList({"ttyUSB0", "ttyS100", "ttyS99", "ttyACM0", "ttyS4", "rfcomm0", "TTYAMA0"});
  EXPECT_EQ(ordered, (Names{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyS4", "ttyS99", "rfcomm0", "ttyACM0", "TTYAMA0",
                            "ttyS100", "ttyUSB0"}));
}

TEST(OrderPortList, NameGivenTwiceStaysTwice) {
  const Names ordered = OrderPortList({"ttyUSB0", "ttyUSB0", "ttyS1"});
  EXPECT_EQ(ordered, (Names{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyUSB0", "ttyUSB0"}));
}

TEST(FindPortIndex, ComparesIgnoringCaseAndTakesTheLastMatch) {
  const Names list{"ttyS0", "ttyS1", "ttys5", "ttyUSB0", "ttyUSB0"};
  EXPECT_EQ(FindPortIndex(list, "ttyS5"), 2);
  EXPECT_EQ(FindPortIndex(list, "ttyusb0"), 4);
  EXPECT_EQ(FindPortIndex(list, "ttyS1"), 1);
}

TEST(FindPortIndex, NameNotListedGivesTheFirstEntry) {
  EXPECT_EQ(FindPortIndex({"ttyS0", "ttyS1"}, "ttyACM7"), 0);
  EXPECT_EQ(FindPortIndex({}, "ttyS0"), 0);
}

// A fake /sys/class/tty: each entry a folder, `device` a link when the
// kernel has a device behind it, `type` the UART type of serial-core ports.
class FakeSysfs {
 public:
  void Add(const QString& name, bool device, const char* type = nullptr) {
    const QString entry = dir_.path() + "/" + name;
    QDir().mkpath(entry);
    if (device) QFile::link(dir_.path(), entry + "/device");
    if (type) {
      QFile file(entry + "/type");
      if (file.open(QIODevice::WriteOnly)) file.write(type);
    }
  }
  QString Root() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
};

TEST(SystemPorts, ListsEntriesWithADeviceExceptUnknownUarts) {
  FakeSysfs sys;
  sys.Add("console", false);
  sys.Add("tty0", false);
  sys.Add("ttyS0", true, "4\n");
  sys.Add("ttyS1", true, "0\n");
  sys.Add("ttyS2", true, "0\n");
  sys.Add("ttyS4", true, "4\n");
  sys.Add("ttyUSB0", true);
  sys.Add("ttyACM0", true);
  Names ports = SystemPorts(sys.Root());
  ports.sort();
  EXPECT_EQ(ports, (Names{"ttyACM0", "ttyS0", "ttyS4", "ttyUSB0"}));
}

TEST(SystemPorts, MissingFolderGivesNoPorts) { EXPECT_TRUE(SystemPorts("/nonexistent/sys/class/tty").isEmpty()); }

TEST(FillPortList, MergesTheSystemPortsWithTheDefaults) {
  FakeSysfs sys;
  sys.Add("ttyS1", true, "0\n");  // a placeholder still appears, as a default
  sys.Add("ttyS10", true, "4\n");
  sys.Add("ttyUSB0", true);
  QStringList list{"stale"};
  FillPortList(list, sys.Root());
  EXPECT_EQ(list, (Names{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyS10", "ttyUSB0"}));
}

}  // namespace
