#include "BarrierModel.h"

#include <gtest/gtest.h>

#include <vector>

TEST(SupplyFilter, ApproachesAStepChangeOverManyReplies) {
  SupplyFilter filter;
  std::vector<int> values;
  for (int reply = 1; reply <= 70; ++reply) {
    filter.Update(200);
    values.push_back(filter.Value());
  }
  const std::vector<int> first12{25, 62, 100, 131, 154, 171, 182, 189, 193, 196, 197, 198};
  EXPECT_EQ(std::vector<int>(values.begin(), values.begin() + 12), first12);
  for (int reply = 13; reply <= 62; ++reply) EXPECT_EQ(values[reply - 1], 199) << "reply " << reply;
  for (int reply = 63; reply <= 70; ++reply) EXPECT_EQ(values[reply - 1], 200) << "reply " << reply;
}

TEST(SupplyFilter, ShowsVoltsWithOneDecimalInAtLeastThreeCharacters) {
  SupplyFilter filter;
  EXPECT_EQ(filter.Text(), "0.0");
  for (int i = 0; i < 80; ++i) filter.Update(128);
  EXPECT_EQ(filter.Text(), "7.8");
  for (int i = 0; i < 80; ++i) filter.Update(200);
  EXPECT_EQ(filter.Text(), "12.2");
  for (int i = 0; i < 80; ++i) filter.Update(255);
  EXPECT_EQ(filter.Text(), "15.6");
}

TEST(BarrierModel, UpdateSupplyRenewsTheTextAndTheRawReading) {
  BarrierModel model;
  EXPECT_EQ(model.supplyText, "0.0");
  model.UpdateSupply(200);
  EXPECT_EQ(model.status.supplyRaw, 200);
  EXPECT_EQ(model.supplyText, QString::asprintf("%3.1f", 25 * 735.0 / 47 / 256));
}

TEST(BarrierModel, NeverShowsMoreThanEightBeams) {
  BarrierModel model;
  model.beamCount = 200;
  EXPECT_EQ(model.ShownBeams(), 8);
  model.beamCount = 4;
  EXPECT_EQ(model.ShownBeams(), 4);
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
  EXPECT_EQ(BarrierConfig::ResponseTime(3), 3u);
  EXPECT_EQ(BarrierConfig::AutoBlockCount(8), 24u);
}

TEST(EditorRules, RoundResponseTimesUpToFortyMillisecondsUpToOneSecond) {
  EXPECT_EQ(editrule::ResponseTimeFromMs(0), 0);
  EXPECT_EQ(editrule::ResponseTimeFromMs(1), 1);
  EXPECT_EQ(editrule::ResponseTimeFromMs(40), 1);
  EXPECT_EQ(editrule::ResponseTimeFromMs(41), 2);
  EXPECT_EQ(editrule::ResponseTimeFromMs(100), 3);
  EXPECT_EQ(editrule::ResponseTimeFromMs(130), 4);
  EXPECT_EQ(editrule::ResponseTimeFromMs(961), 25);
  EXPECT_EQ(editrule::ResponseTimeFromMs(5000), 25);
  EXPECT_EQ(editrule::ResponseTimeFromMs(4294967295u), 25);
  EXPECT_EQ(editrule::NormalisedResponseMs(100), 120u);
}

TEST(EditorRules, ClampBytesAndTheSerialNumber) {
  EXPECT_EQ(editrule::ByteFromEntry(300), 255);
  EXPECT_EQ(editrule::ByteFromEntry(17), 17);
  EXPECT_EQ(editrule::SerialFromEntry(70000), 0xFFFF);
  EXPECT_EQ(editrule::SerialFromEntry(12345), 12345);
}
