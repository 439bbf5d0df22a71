#pragma once
// Frame layout on the line, both directions:
//   FF FF L cmd payload[L-2] check
// L counts the bytes after itself (command, payload, check byte); the check
// byte is the low 8 bits of the sum of every byte before it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace frame {
constexpr std::uint8_t Start = 0xFF;
constexpr std::size_t HeaderSize = 4;           // FF FF L cmd
constexpr std::uint8_t MaxLength = 19;          // largest L accepted on receive
constexpr std::size_t MaxSize = MaxLength + 3;  // 22 bytes, 17 payload bytes
constexpr std::size_t MaxRequestSize = 254;     // what encodeFrame accepts

// Command bytes; a reply carries the command of the request it answers.
enum Command : std::uint8_t {
  CmdVersion = 0,
  CmdData = 1,
  CmdWrite = 2,
  CmdStatus = 3,
  CmdWrite2 = 4,
  CmdData2 = 5,
  CmdReset = 6,
};
constexpr std::uint8_t LastCommand = CmdReset;

constexpr std::size_t LengthOffset = 2;
constexpr std::size_t PayloadOffset = 4;
// Total size of a frame whose length byte is `length`.
constexpr std::size_t frameSize(std::uint8_t length) { return std::size_t(length) + 3; }
}  // namespace frame

// Low 8 bits of the sum of `bytes`.
std::uint8_t checkByte(std::span<const std::uint8_t> bytes);

// `request` (FF FF L cmd payload, 4..254 bytes) with its check byte
// appended; empty for a request shorter than 4 or longer than 254 bytes.
std::vector<std::uint8_t> encodeFrame(std::span<const std::uint8_t> request);

// A whole request frame for `command` with `payload`: FF FF L cmd payload check.
std::vector<std::uint8_t> buildFrame(std::uint8_t command, std::span<const std::uint8_t> payload);
