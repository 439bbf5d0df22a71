#include <gtest/gtest.h>

#include <vector>

#include "model/BarrierModel.h"

TEST(SupplyFilter, ApproachesAStepChangeOverManyReplies) {
  SupplyFilter filter;
  std::vector<int> values;
  for (int reply = 1; reply <= 70; ++reply) {
    filter.update(200);
    values.push_back(filter.value());
  }
  const std::vector<int> first12{25, 62, 100, 131, 154, 171, 182, 189, 193, 196, 197, 198};
  EXPECT_EQ(std::vector<int>(values.begin(), values.begin() + 12), first12);
  for (int reply = 13; reply <= 62; ++reply) EXPECT_EQ(values[reply - 1], 199) << "reply " << reply;
  for (int reply = 63; reply <= 70; ++reply) EXPECT_EQ(values[reply - 1], 200) << "reply " << reply;
}

TEST(SupplyFilter, ShowsVoltsWithOneDecimalInAtLeastThreeCharacters) {
  SupplyFilter filter;
  EXPECT_EQ(filter.uiText(), "0.0");
  for (int i = 0; i < 80; ++i) filter.update(128);
  EXPECT_EQ(filter.uiText(), "7.8");
  for (int i = 0; i < 80; ++i) filter.update(200);
  EXPECT_EQ(filter.uiText(), "12.2");
  for (int i = 0; i < 80; ++i) filter.update(255);
  EXPECT_EQ(filter.uiText(), "15.6");
}

TEST(BarrierModel, UpdateSupplyRenewsTheTextAndTheRawReading) {
  BarrierModel model;
  EXPECT_EQ(model.supplyText, "0.0");
  model.updateSupply(200);
  EXPECT_EQ(model.status.supplyRaw, 200);
  EXPECT_EQ(model.supplyText, QString::asprintf("%3.1f", 25 * 735.0 / 47 / 256));
}

TEST(BarrierModel, NeverShowsMoreThanEightBeams) {
  BarrierModel model;
  model.beamCount = 200;
  EXPECT_EQ(model.shownBeams(), 8);
  model.beamCount = 4;
  EXPECT_EQ(model.shownBeams(), 4);
  EXPECT_EQ(beamBit(1), 0x01);
  EXPECT_EQ(beamBit(8), 0x80);
  EXPECT_EQ(beamBit(199), 0);
  EXPECT_EQ(beamBit(0), 0);
}

TEST(BarrierConfig, KeepsTheSerialNumberHighByteFirst) {
  BarrierConfig config;
  config[BarrierConfig::SerialHigh] = 0x30;
  config[BarrierConfig::SerialLow] = 0x39;
  EXPECT_EQ(config.transmitterSerial(), 12345u);
  EXPECT_EQ(BarrierConfig::responseTime(3), 3u);
  EXPECT_EQ(BarrierConfig::autoBlockCount(8), 24u);
}

TEST(EditorRules, RoundResponseTimesUpToFortyMillisecondsUpToOneSecond) {
  EXPECT_EQ(editrule::responseTimeFromMs(0), 0);
  EXPECT_EQ(editrule::responseTimeFromMs(1), 1);
  EXPECT_EQ(editrule::responseTimeFromMs(40), 1);
  EXPECT_EQ(editrule::responseTimeFromMs(41), 2);
  EXPECT_EQ(editrule::responseTimeFromMs(100), 3);
  EXPECT_EQ(editrule::responseTimeFromMs(130), 4);
  EXPECT_EQ(editrule::responseTimeFromMs(961), 25);
  EXPECT_EQ(editrule::responseTimeFromMs(5000), 25);
  EXPECT_EQ(editrule::responseTimeFromMs(4294967295u), 25);
  EXPECT_EQ(editrule::normalisedResponseMs(100), 120u);
}

TEST(EditorRules, ClampBytesAndTheSerialNumber) {
  EXPECT_EQ(editrule::byteFromEntry(300), 255);
  EXPECT_EQ(editrule::byteFromEntry(17), 17);
  EXPECT_EQ(editrule::serialFromEntry(70000), 0xFFFF);
  EXPECT_EQ(editrule::serialFromEntry(12345), 12345);
}
