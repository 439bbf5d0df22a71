#include <gtest/gtest.h>

#include "link/Frame.h"
#include "tests/link/LinkRig.h"
#include "texts/UiTexts.h"

using Bytes = std::vector<std::uint8_t>;

TEST(EncodeFrame, AppendsTheLowByteOfTheSum) {
  EXPECT_EQ(encodeFrame(Bytes{0xFF, 0xFF, 0x02, 0x03}), (Bytes{0xFF, 0xFF, 0x02, 0x03, 0x03}));
  EXPECT_EQ(checkByte(Bytes{0xFF, 0xFF, 0x02}), 0x00);
}

TEST(EncodeFrame, RefusesRequestsShorterThanFourOrLongerThan254Bytes) {
  EXPECT_TRUE(encodeFrame(Bytes{0xFF, 0xFF, 0x02}).empty());
  EXPECT_TRUE(encodeFrame(Bytes(255, 0)).empty());
  EXPECT_EQ(encodeFrame(Bytes(254, 1)).size(), 255u);
}

// Every request exactly as it goes out on the line.
TEST(Requests, GoOutByteForByte) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  auto& c = rig.model.editConfig;
  const Bytes block0{0x00, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x30, 0x39, 0x0A};
  std::copy(block0.begin(), block0.end(), c.bytes.begin());
  c[16] = 0x1E;
  for (int b = 1; b <= 8; ++b) c[BarrierConfig::autoBlockCount(b)] = 0x03;
  c[12] = 0x77;  // reserved bytes never go out
  c[25] = 0x77;

  rig.link.askVersion();
  rig.link.askData();
  rig.link.askStatus();
  rig.link.askData2();
  rig.link.askReset();
  rig.link.askWrite();
  rig.link.askWrite2();
  const std::vector<Bytes> expected{
      {0xFF, 0xFF, 0x02, 0x00, 0x00},
      {0xFF, 0xFF, 0x02, 0x01, 0x01},
      {0xFF, 0xFF, 0x02, 0x03, 0x03},
      {0xFF, 0xFF, 0x02, 0x05, 0x05},
      {0xFF, 0xFF, 0x02, 0x06, 0x06},
      {0xFF, 0xFF, 0x0E, 0x02, 0x00, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x30, 0x39, 0x0A, 0xA9},
      {0xFF, 0xFF, 0x0B, 0x04, 0x1E, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x43},
  };
  EXPECT_EQ(rig.line.written, expected);
  EXPECT_EQ(rig.logLines(), (QStringList{uiText(UiTexts::txtLogAskVer), uiText(UiTexts::txtLogAskData),
                                         uiText(UiTexts::txtLogAskData2), uiText(UiTexts::txtLogAskRes),
                                         uiText(UiTexts::txtLogAskWrite), uiText(UiTexts::txtLogAskWrite2)}));
  // Every request restarts the cycle timer.
  EXPECT_EQ(rig.view.restarts, 7);
}

TEST(Requests, Write2SendsAllEightCountsWhateverTheBeamCount) {
  LinkRig rig;
  rig.line.isOpenNow = true;
  rig.model.beamCount = 4;
  for (int b = 1; b <= 8; ++b) rig.model.editConfig[BarrierConfig::autoBlockCount(b)] = std::uint8_t(b);
  rig.link.askWrite2();
  const Bytes& sent = rig.line.written.back();
  EXPECT_EQ(Bytes(sent.begin() + 5, sent.begin() + 13), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
}
