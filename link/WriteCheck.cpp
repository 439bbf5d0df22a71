#include "link/WriteCheck.h"

#include <algorithm>
#include <iterator>

#include "texts/UiTexts.h"

namespace writecheck {

namespace {

constexpr std::uint8_t Blocks[] = {From0, From16};

bool held(const BarrierConfig& expected, const BarrierConfig& read, ReturnedMask returned, std::size_t i) {
  return (returned & (ReturnedMask(1) << i)) && read[i] == expected[i];
}

QString fieldName(std::size_t i) {
  if (i == BarrierConfig::AlarmMode) return uiText(UiTexts::txtAlarming);
  if (i >= BarrierConfig::responseTime(1) && i <= BarrierConfig::responseTime(MaxBeams))
    return uiText(UiTexts::txtFieldResponseTime).arg(i);
  if (i == BarrierConfig::SerialHigh || i == BarrierConfig::SerialLow) return uiText(UiTexts::txtTransmitterSerial);
  if (i == BarrierConfig::MaxCoveredTime) return uiText(UiTexts::txtMaxCoveredTime);
  if (i == BarrierConfig::AutoBlockTime) return uiText(UiTexts::txtAutoBlockTime);
  return uiText(UiTexts::txtFieldAutoBlockCount).arg(i - BarrierConfig::AutoBlockTime);
}

}  // namespace

std::size_t firstIndex(std::uint8_t block) { return block == From16 ? BarrierConfig::AutoBlockTime : 0; }
std::size_t indexCount(std::uint8_t block) { return block == From16 ? 9 : 12; }

bool carries(std::size_t i) {
  return std::any_of(std::begin(Blocks), std::end(Blocks), [i](std::uint8_t block) {
    return i >= firstIndex(block) && i < firstIndex(block) + indexCount(block);
  });
}

std::uint8_t blocksHeld(const BarrierConfig& expected, const BarrierConfig& read, ReturnedMask returned) {
  std::uint8_t blocks = 0;
  for (std::uint8_t block : Blocks) {
    bool all = true;
    for (std::size_t i = firstIndex(block); i < firstIndex(block) + indexCount(block); ++i)
      all = all && held(expected, read, returned, i);
    if (all) blocks |= block;
  }
  return blocks;
}

QStringList differingFields(const BarrierConfig& expected, const BarrierConfig& read, ReturnedMask returned) {
  QStringList fields;
  for (std::uint8_t block : Blocks)
    for (std::size_t i = firstIndex(block); i < firstIndex(block) + indexCount(block); ++i)
      if (!held(expected, read, returned, i) && !fields.contains(fieldName(i))) fields << fieldName(i);
  return fields;
}

}  // namespace writecheck
