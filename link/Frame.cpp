#include "link/Frame.h"

std::uint8_t checkByte(std::span<const std::uint8_t> bytes) {
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return std::uint8_t(sum);
}

std::vector<std::uint8_t> encodeFrame(std::span<const std::uint8_t> request) {
  if (request.size() < frame::HeaderSize || request.size() > frame::MaxRequestSize) return {};
  std::vector<std::uint8_t> out(request.begin(), request.end());
  out.push_back(checkByte(request));
  return out;
}

std::vector<std::uint8_t> buildFrame(std::uint8_t command, std::span<const std::uint8_t> payload) {
  std::vector<std::uint8_t> request{frame::Start, frame::Start, std::uint8_t(payload.size() + 2), command};
  request.insert(request.end(), payload.begin(), payload.end());
  return encodeFrame(request);
}
