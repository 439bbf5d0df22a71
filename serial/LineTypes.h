#pragma once
// Line parameter enumerations. Their ordinals are what the settings store
// keeps and what the port settings dialog's item indexes mean.
#include <cstdint>

enum BaudRate : std::uint8_t {
  cbr110,
  cbr300,
  cbr1200,
  cbr2400,
  cbr4800,
  cbr9600,
  cbr19200,
  cbr38400,
  cbr57600,
  cbr115200,
  cbr230400,
  cbr460800,
  cbr921600
};
enum Parity : std::uint8_t { paNone, paOdd, paEven, paMark, paSpace };
enum StopBits : std::uint8_t { sb1_0, sb1_5, sb2_0 };
enum DataBits : std::uint8_t { da4, da5, da6, da7, da8 };

// Line events a port can wait for; each maps to one bit of the event mask.
enum PortEvent : std::uint8_t { evBreak, evCTS, evDSR, evError, evRing, evRlsd, evRxChar, evRxFlag, evTxEmpty };
using PortEventSet = std::uint16_t;  // set of PortEvent, bit = 1 << ordinal
constexpr PortEventSet eventSet(PortEvent e) { return PortEventSet(1u << e); }
constexpr PortEventSet AllEvents = 0x01FF;

// Event mask bits as the dispatcher sees them.
namespace evmask {
constexpr std::uint32_t RxChar = 0x0001;
constexpr std::uint32_t RxFlag = 0x0002;
constexpr std::uint32_t TxEmpty = 0x0004;
constexpr std::uint32_t Cts = 0x0008;
constexpr std::uint32_t Dsr = 0x0010;
constexpr std::uint32_t Rlsd = 0x0020;
constexpr std::uint32_t Break = 0x0040;
constexpr std::uint32_t Err = 0x0080;
constexpr std::uint32_t Ring = 0x0100;
}  // namespace evmask

// Bit/s of each BaudRate.
constexpr std::uint32_t baudRateValue(BaudRate rate) {
  constexpr std::uint32_t table[] = {110,   300,   1200,   2400,   4800,   9600,  19200,
                                     38400, 57600, 115200, 230400, 460800, 921600};
  return rate <= cbr921600 ? table[rate] : 0;
}
