#include <gtest/gtest.h>

#include <climits>

#include "files/WindowPlacement.h"

namespace {

const QRect desktop(0, 0, 1920, 1080);

// What the store gave: the record of `place`, of which `bytes` were read.
struct Stored {
  PlacementRecord record{};
  std::int32_t bytes = 0;
};
Stored saved(const WindowPlace& place) { return {encodePlacement(place), PlacementRecordSize}; }
const Stored nothing{};

WindowPlace decide(const Stored& stored, const WindowPlace& current, const QRect& desk = desktop,
                   std::optional<int> mainLeft = std::nullopt) {
  return decidePlacement(stored.bytes, stored.record, current, desk, mainLeft);
}

TEST(PlacementRecord, IsFourLittleEndianInt32LeftTopWidthHeight) {
  const PlacementRecord record = encodePlacement({648, 100, 0x01020304, -2});
  const PlacementRecord expected = {0x88, 0x02, 0, 0, 100, 0, 0, 0, 0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(record, expected);
  EXPECT_EQ(decodePlacement(record), (WindowPlace{648, 100, 0x01020304, -2}));
}

TEST(PlacementValueName, IsTheHintWhenTheCaptionContainsItIgnoringCase) {
  EXPECT_EQ(placementValueName("Orvita - brama", "Orvita"), "Orvita");
  EXPECT_EQ(placementValueName("ORVITA - brama", "Orvita"), "Orvita");
  EXPECT_EQ(placementValueName("Orvita", "Orvita"), "Orvita");
}

TEST(PlacementValueName, IsTheCaptionWhenTheHintIsEmptyOrNotInIt) {
  EXPECT_EQ(placementValueName("Orvita - brama", ""), "Orvita - brama");
  EXPECT_EQ(placementValueName("Port Settings", "Orvita"), "Port Settings");
}

TEST(DecidePlacement, StoredPlaceInViewIsTakenWhole) {
  EXPECT_EQ(decide(saved({100, 50, 700, 500}), {648, 100, 610, 520}), (WindowPlace{100, 50, 700, 500}));
}

TEST(DecidePlacement, NothingStoredOrAllZeroKeepsTheCurrentPlace) {
  const WindowPlace current{648, 100, 610, 520};
  EXPECT_EQ(decide(nothing, current), current);
  EXPECT_EQ(decide(saved({0, 0, 0, 0}), current), current);
  // Numbers cancelling out to 0 count as nothing, too.
  EXPECT_EQ(decide(saved({10, -10, 5, -5}), current), current);
}

TEST(DecidePlacement, ShortRecordIsReadWithZerosBehindIt) {
  Stored stored = saved({300, 200, 0, 0});
  stored.bytes = 8;
  EXPECT_EQ(decide(stored, {648, 100, 610, 520}), (WindowPlace{300, 200, 0, 0}));
}

TEST(DecidePlacement, StoredTopAboveTheDesktopCentresTheCurrentSize) {
  EXPECT_EQ(decide(saved({100, -10, 700, 500}), {648, 100, 610, 520}),
            (WindowPlace{(1920 - 610) / 2, (1080 - 520) / 2, 610, 520}));
}

TEST(DecidePlacement, PlaceLeavingFewerThan25PixelsInViewIsInvalid) {
  const WindowPlace current{648, 100, 610, 520};
  const WindowPlace centred{655, 280, 610, 520};
  EXPECT_EQ(decide(saved({100, 1080 - 25, 10, 10}), current), (WindowPlace{100, 1055, 10, 10}));
  EXPECT_EQ(decide(saved({100, 1080 - 24, 10, 10}), current), centred);
  EXPECT_EQ(decide(saved({1920 - 25, 10, 10, 10}), current), (WindowPlace{1895, 10, 10, 10}));
  EXPECT_EQ(decide(saved({1920 - 24, 10, 10, 10}), current), centred);
}

TEST(DecidePlacement, DesktopReachingLeftOfZeroIsHonoured) {
  const QRect wide(-1280, 0, 3200, 1080);
  const WindowPlace current{0, 0, 600, 480};
  EXPECT_EQ(decide(saved({-1000, 10, 600, 480}), current, wide), (WindowPlace{-1000, 10, 600, 480}));
  // Left of the desktop: centred, shifted by the desktop's left edge.
  EXPECT_EQ(decide(saved({-1300, 10, 600, 480}), current, wide), (WindowPlace{(3200 - 600) / 2 - 1280, 300, 600, 480}));
}

TEST(DecidePlacement, WindowLeftOfTheMainWindowIsInvalid) {
  const WindowPlace current{400, 100, 267, 302};
  EXPECT_EQ(decide(saved({500, 100, 267, 302}), current, desktop, 500), (WindowPlace{500, 100, 267, 302}));
  EXPECT_EQ(decide(saved({499, 100, 267, 302}), current, desktop, 500), (WindowPlace{826, 389, 267, 302}));
}

TEST(DecidePlacement, WindowLargerThanTheDesktopIsPutAtItsCorner) {
  const QRect small(100, 0, 400, 300);
  EXPECT_EQ(decide(saved({100, -1, 10, 10}), {0, 0, 610, 520}, small), (WindowPlace{100, 0, 610, 520}));
}

TEST(DecidePlacement, ExtremeStoredNumbersAreJudgedWithoutOverflow) {
  const WindowPlace current{648, 100, 610, 520};
  const WindowPlace centred{655, 280, 610, 520};
  EXPECT_EQ(decide(saved({INT_MAX, INT_MAX, INT_MAX, INT_MAX}), current), centred);
  EXPECT_EQ(decide(saved({INT_MIN, 10, INT_MAX, 1}), current), centred);
}

}  // namespace
