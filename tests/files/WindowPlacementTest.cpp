#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "files/WindowPlacement.h"

namespace {

const std::vector<QRect> oneScreen{QRect(0, 0, 1920, 1080)};

// What the store gave: the record of `place`, of which `bytes` were read.
struct Stored {
  PlacementRecord record{};
  std::int32_t bytes = 0;
};
Stored saved(const WindowPlace& place) { return {encodePlacement(place), PlacementRecordSize}; }
const Stored nothing{};

// For a window that may be resized; fixed() for one that keeps its size.
WindowPlace decide(const Stored& stored, const WindowPlace& current, const std::vector<QRect>& screens = oneScreen,
                   std::optional<int> mainLeft = std::nullopt) {
  return decidePlacement(stored.bytes, stored.record, current, screens, mainLeft, false);
}
WindowPlace fixed(const Stored& stored, const WindowPlace& current, const std::vector<QRect>& screens = oneScreen) {
  return decidePlacement(stored.bytes, stored.record, current, screens, std::nullopt, true);
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
  EXPECT_EQ(decide(stored, {648, 100, 610, 520}), (WindowPlace{300, 200, 610, 520}));  // no size: the current one
}

TEST(DecidePlacement, APlaceOffTheScreenIsMovedOntoItWhole) {
  const WindowPlace current{648, 100, 610, 520};
  EXPECT_EQ(decide(saved({100, -10, 700, 500}), current), (WindowPlace{100, 0, 700, 500}));
  EXPECT_EQ(decide(saved({1500, 900, 700, 500}), current), (WindowPlace{1220, 580, 700, 500}));
  EXPECT_EQ(decide(saved({-5000, -5000, 700, 500}), current), (WindowPlace{0, 0, 700, 500}));
}

TEST(DecidePlacement, TheDesignedPlaceIsMovedOntoASmallerScreen) {
  const std::vector<QRect> small{QRect(0, 0, 1024, 600)};
  EXPECT_EQ(decide(nothing, {648, 100, 604, 521}, small), (WindowPlace{420, 79, 604, 521}));
}

TEST(DecidePlacement, APlaceOnAnUnpluggedMonitorGoesToTheNearestScreen) {
  // Two screens side by side, then the right one gone.
  const std::vector<QRect> both{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
  const std::vector<QRect> left{QRect(0, 0, 1920, 1080)};
  const Stored onRight = saved({2500, 300, 604, 521});
  EXPECT_EQ(fixed(onRight, {648, 100, 604, 521}, both), (WindowPlace{2500, 300, 604, 521}));
  EXPECT_EQ(fixed(onRight, {648, 100, 604, 521}, left), (WindowPlace{1920 - 604, 300, 604, 521}));
  // Straddling two screens: onto the one it covers most.
  EXPECT_EQ(decide(saved({1800, 300, 604, 521}), {0, 0, 1, 1}, both), (WindowPlace{1920, 300, 604, 521}));
  // Of several screens left, the nearest: not the first listed, not the last.
  const std::vector<QRect> three{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1920, 1080), QRect(3840, 0, 1920, 1080)};
  EXPECT_EQ(fixed(saved({2500, 1200, 604, 521}), {648, 100, 604, 521}, three),
            (WindowPlace{2500, 1080 - 521, 604, 521}));
  // A screen left of the primary one.
  const std::vector<QRect> leftOfZero{QRect(-1280, 0, 1280, 1024), QRect(0, 0, 1920, 1080)};
  EXPECT_EQ(decide(saved({-1300, 10, 600, 480}), {0, 0, 1, 1}, leftOfZero), (WindowPlace{-1280, 10, 600, 480}));
}

TEST(DecidePlacement, AWindowThatKeepsItsSizeIsJudgedByItsOwnSize) {
  // Stored bigger than the window now is: the window's own size counts.
  EXPECT_EQ(fixed(saved({1300, 100, 999, 777}), {0, 0, 604, 521}), (WindowPlace{1300, 100, 604, 521}));
  EXPECT_EQ(fixed(saved({1318, 100, 604, 521}), {0, 0, 604, 521}), (WindowPlace{1316, 100, 604, 521}));
  // A resizable window takes the stored size, and is judged by it; a stored size that is no size gives way.
  EXPECT_EQ(decide(saved({1300, 100, 999, 777}), {0, 0, 604, 521}), (WindowPlace{921, 100, 999, 777}));
  EXPECT_EQ(decide(saved({1318, 100, 0, -5}), {0, 0, 604, 521}), (WindowPlace{1316, 100, 604, 521}));
}

TEST(DecidePlacement, WindowLeftOfTheMainWindowIsMovedToItsLeftEdge) {
  const WindowPlace current{400, 100, 267, 302};
  EXPECT_EQ(decide(saved({500, 100, 267, 302}), current, oneScreen, 500), (WindowPlace{500, 100, 267, 302}));
  EXPECT_EQ(decide(saved({499, 100, 267, 302}), current, oneScreen, 500), (WindowPlace{500, 100, 267, 302}));
}

TEST(DecidePlacement, WindowLargerThanTheScreenIsPutAtItsCorner) {
  const std::vector<QRect> small{QRect(100, 0, 400, 300)};
  EXPECT_EQ(decide(saved({100, -1, 610, 520}), {0, 0, 610, 520}, small), (WindowPlace{100, 0, 610, 520}));
}

TEST(DecidePlacement, ExtremeStoredNumbersAreJudgedWithoutOverflow) {
  const WindowPlace current{648, 100, 610, 520};
  EXPECT_EQ(decide(saved({INT_MAX, INT_MAX, INT_MAX, INT_MAX}), current), (WindowPlace{0, 0, INT_MAX, INT_MAX}));
  EXPECT_EQ(decide(saved({INT_MIN, 10, INT_MAX, 1}), current), (WindowPlace{0, 10, INT_MAX, 1}));
  EXPECT_EQ(decide(saved({INT_MAX, INT_MIN, 10, 10}), current), (WindowPlace{1910, 0, 10, 10}));
}

TEST(DecidePlacement, WithoutScreensTheStoredPlaceStands) {
  EXPECT_EQ(decide(saved({-10, -10, 5, 5}), {0, 0, 1, 1}, {}), (WindowPlace{-10, -10, 5, 5}));
}

}  // namespace
