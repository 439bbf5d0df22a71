#include "model/BarrierModel.h"

#include <algorithm>

void SupplyFilter::update(std::uint8_t raw) {
  a1_ = (raw + a1_) / 2;
  a2_ = (a1_ + a2_) / 2;
  a3_ = (a2_ + a3_) / 2;
}

double supplyVolts(int reading) { return reading * 735.0 / 47.0 / 256.0; }

QString SupplyFilter::uiText() const { return supplyVoltsText(supplyVolts(value())); }

QString supplyVoltsText(double volts) { return QString::asprintf("%3.1f", volts); }

QString SupplyFilter::voltsText(int reading) { return supplyVoltsText(supplyVolts(reading)); }

namespace editrule {

std::uint8_t responseTimeFromMs(std::uint32_t ms) {
  return std::uint8_t((std::min<std::uint32_t>(ms, 1000) + 39) / 40);
}

std::uint32_t normalisedResponseMs(std::uint32_t ms) { return responseTimeFromMs(ms) * 40u; }

std::uint8_t byteFromEntry(std::uint32_t value) { return std::uint8_t(std::min<std::uint32_t>(value, 255)); }

std::uint16_t serialFromEntry(std::uint32_t value) { return std::uint16_t(std::min<std::uint32_t>(value, 65535)); }

}  // namespace editrule
