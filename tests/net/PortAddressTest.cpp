#include <gtest/gtest.h>

#include "net/PortAddress.h"
#include "texts/UiTexts.h"

namespace {

using Kind = PortNameMeaning::Kind;

}  // namespace

TEST(PortName, NetworkAddressesKeepTheirSchemeHostAndPort) {
  const PortNameMeaning raw = readPortName("socket://brama-1.local:2001", "/home/tech");
  ASSERT_EQ(raw.kind, Kind::Network);
  EXPECT_EQ(raw.address, (NetworkAddress{NetworkScheme::RawTcp, "brama-1.local", 2001}));

  const PortNameMeaning telnet = readPortName("RFC2217://192.168.7.20:65535", "/home/tech");
  ASSERT_EQ(telnet.kind, Kind::Network);
  EXPECT_EQ(telnet.address, (NetworkAddress{NetworkScheme::Rfc2217, "192.168.7.20", 65535}));
  EXPECT_EQ(telnet.address.portName(), "rfc2217://192.168.7.20:65535");

  const PortNameMeaning v6 = readPortName("rfc2217://[fd00::12]:1", "/home/tech");
  ASSERT_EQ(v6.kind, Kind::Network);
  EXPECT_EQ(v6.address.host, "fd00::12");
  EXPECT_EQ(v6.address.endpoint(), "[fd00::12]:1");
  EXPECT_EQ(networkAddressOf(v6.address.portName()), v6.address);
}

TEST(PortName, LocalNamesAreReadAsSerialDevices) {
  const PortNameMeaning kernel = readPortName("/dev/ttyUSB0", "/home/tech");
  EXPECT_EQ(kernel.kind, Kind::Local);
  EXPECT_EQ(kernel.localName, "ttyUSB0");
  EXPECT_EQ(readPortName("sim/barrier", "/tmp/run").localName, "/tmp/run/sim/barrier");
  const PortNameMeaning folder = readPortName("x/..", "/tmp");
  EXPECT_EQ(folder.kind, Kind::Refused);
  EXPECT_EQ(folder.refusal, uiText(UiTexts::txtNotAPortName).arg("x/.."));
  EXPECT_FALSE(networkAddressOf("/dev/ttyUSB0"));
}

TEST(PortName, ABadNetworkNameIsRefusedNamingWhatIsWrong) {
  using namespace UiTexts;
  const struct {
    const char* name;
    QString wrong;
  } cases[] = {
      {"socket://brama", uiText(txtNetNoPortNumber)},
      {"socket://brama:", uiText(txtNetNoPortNumber)},
      {"socket://[::1]", uiText(txtNetNoPortNumber)},
      {"socket://brama:0", uiText(txtNetBadPortNumber)},
      {"socket://brama:65536", uiText(txtNetBadPortNumber)},
      {"socket://brama:99999999999", uiText(txtNetBadPortNumber)},
      {"socket://brama:+21", uiText(txtNetBadPortNumber)},
      {"socket://brama:2001/x", uiText(txtNetBadPortNumber)},
      {"tcp://brama:2001", uiText(txtNetUnknownScheme).arg("tcp")},
      {"socket://:2001", uiText(txtNetEmptyHost)},
      {"rfc2217://[]:2001", uiText(txtNetEmptyHost)},
      {"socket://fd00::12:2001", uiText(txtNetBadHost).arg("fd00::12")},
      {"socket://[fd00::12:2001", uiText(txtNetBadHost).arg("[fd00::12:2001")},
      {"socket://[10.0.0.1]:2001", uiText(txtNetBadHost).arg("[10.0.0.1]")},
      {"socket://[::1]x:2001", uiText(txtNetBadHost).arg("[::1]")},
      {"socket://bra ma:2001", uiText(txtNetBadHost).arg("bra ma")},
  };
  for (const auto& c : cases) {
    const PortNameMeaning meaning = readPortName(c.name, "/home/tech");
    EXPECT_EQ(meaning.kind, Kind::Refused) << c.name;
    EXPECT_EQ(meaning.refusal, uiText(txtNetBadAddress).arg(c.name, c.wrong)) << c.name;
    EXPECT_FALSE(networkAddressOf(c.name)) << c.name;
  }
}
