#pragma once
// What the program knows about the one barrier it looks after: its
// configuration (as edited and as the barrier holds it), live status,
// identity and the filtered supply voltage. Plain data; the main window owns
// one instance for the run and everything runs on the main thread.
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Highest beam count anything draws, edits or indexes, whatever a file says.
inline constexpr int MaxBeams = 8;

// Beam n (1..8) is bit n-1 of every per-beam byte.
constexpr std::uint8_t beamBit(int beam) {
  return (beam >= 1 && beam <= MaxBeams) ? std::uint8_t(1u << (beam - 1)) : std::uint8_t(0);
}

// The 32-byte configuration block. The byte index is also the layout of the
// write requests, the data replies and the configuration file.
struct BarrierConfig {
  static constexpr std::size_t Size = 32;

  static constexpr std::size_t AlarmMode = 0;   // 0 one beam, 1 two beams
  static constexpr std::size_t SerialHigh = 9;  // transmitter serial, high byte first
  static constexpr std::size_t SerialLow = 10;
  static constexpr std::size_t MaxCoveredTime = 11;  // minutes
  static constexpr std::size_t AutoBlockTime = 16;   // seconds
  static constexpr std::size_t BeamCount = 31;
  // Response time of beam b (1..8), 40 ms steps; 0 = beam switched off.
  static constexpr std::size_t responseTime(int beam) { return std::size_t(beam); }
  // Auto-block count of beam b (1..8); 0 = no auto-block.
  static constexpr std::size_t autoBlockCount(int beam) { return std::size_t(16 + beam); }

  std::array<std::uint8_t, Size> bytes{};

  std::uint8_t& operator[](std::size_t i) { return bytes[i]; }
  std::uint8_t operator[](std::size_t i) const { return bytes[i]; }
  unsigned transmitterSerial() const { return bytes[SerialHigh] * 256u + bytes[SerialLow]; }
  bool operator==(const BarrierConfig&) const = default;
};

namespace statusflag {
constexpr std::uint8_t AlarmOutput = 0x01;  // NC output active
constexpr std::uint8_t TamperOutput = 0x02;
constexpr std::uint8_t BusTamper = 0x04;
constexpr std::uint8_t ReceiverTamper = 0x08;
constexpr std::uint8_t TransmitterTamper = 0x10;
constexpr std::uint8_t LowSupply = 0x20;
constexpr std::uint8_t Registration = 0x40;  // transmitter registration mode
constexpr std::uint8_t Led = 0x80;
}  // namespace statusflag

// The live state, filled from every status reply. Per-beam bytes use beamBit,
// except beamsDiag as the picture reads it (beam b is bit 8 - b).
struct BarrierStatus {
  std::uint8_t beamsAlarm = 0;        // payload 0
  std::uint8_t supplyRaw = 0;         // payload 1
  std::uint8_t statusFlags = 0;       // payload 2, see statusflag
  std::uint8_t beamsAlert = 0;        // payload 3
  std::uint8_t beams50 = 0;           // payload 4
  std::uint8_t beamsNar = 0;          // payload 5
  std::uint8_t beamsBlocked = 0;      // payload 6
  std::uint8_t beamsBlockMemory = 0;  // payload 7
  std::uint8_t sabotageFlags = 0;     // payload 8, bit 0: all beams covered too long
  std::uint8_t beamsDiag = 0;         // payloads 9..16 of a 17-byte status, one bit each
};

// Volts of a supply reading (the raw byte, or the filtered value).
double supplyVolts(int reading);

// Three cascaded halving averages over the raw supply byte; kept for the run.
class SupplyFilter {
 public:
  void update(std::uint8_t raw);
  // The filtered reading truncated to an integer, 0..255.
  int value() const { return int(a3_); }
  // Volts with one decimal, at least three characters ("0.0", "12.2").
  QString uiText() const;
  // A reading 0..255 in volts, written as uiText writes the filtered one.
  static QString voltsText(int reading);

 private:
  double a1_ = 0, a2_ = 0, a3_ = 0;
};

// Volts with one decimal, at least three characters, as the supply box shows them.
QString supplyVoltsText(double volts);

struct BarrierModel {
  BarrierConfig editConfig;    // what the user sees, edits, sends and saves
  BarrierConfig deviceConfig;  // as last read from or confirmed by the barrier
  BarrierStatus status;
  std::vector<std::uint8_t> versionInfo;  // 0..8 bytes of the version reply; empty = not connected
  std::uint8_t beamCount = 0;             // 2..8 once known; 0 at start
  SupplyFilter supply;
  QString supplyText = SupplyFilter{}.uiText();

  bool connected() const { return !versionInfo.empty(); }
  // Beams anything may show or index: beamCount, but never more than 8.
  int shownBeams() const { return beamCount > MaxBeams ? MaxBeams : int(beamCount); }
  // A field counts as changed while its edited byte differs from the barrier's.
  bool changed(std::size_t index) const { return editConfig[index] != deviceConfig[index]; }
  void updateSupply(std::uint8_t raw) {
    status.supplyRaw = raw;
    const int before = supply.value();
    supply.update(raw);
    // The text shows the whole reading, which most replies leave where it was.
    if (supply.value() != before) supplyText = supply.uiText();
  }
};

// Stored forms of what the editors accept (the entries themselves live in ui/).
namespace editrule {
// Milliseconds to 40 ms steps, rounded up, at most 1000 ms (25 steps).
std::uint8_t responseTimeFromMs(std::uint32_t ms);
// Shown milliseconds for an entered value: clamp to 1000, round up to 40 ms.
std::uint32_t normalisedResponseMs(std::uint32_t ms);
// Counts, seconds and minutes: at most 255.
std::uint8_t byteFromEntry(std::uint32_t value);
// The transmitter serial number: at most 65535.
std::uint16_t serialFromEntry(std::uint32_t value);
}  // namespace editrule
