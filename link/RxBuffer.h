#pragma once
// The receive buffer: at most 255 bytes, kept across notifications until a
// reply handler or the parser removes bytes from its front.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

class RxBuffer {
 public:
  static constexpr std::size_t Capacity = 255;

  std::size_t size() const { return size_; }
  bool full() const { return size_ == Capacity; }
  std::uint8_t operator[](std::size_t i) const { return bytes_[i]; }
  std::span<const std::uint8_t> bytes() const { return {bytes_.data(), size_}; }
  // Appends while there is room; returns how many bytes were taken.
  std::size_t append(std::span<const std::uint8_t> data);
  // Removes up to `count` bytes from the front.
  void removeFront(std::size_t count);
  // Bytes ever taken in and ever removed: positions in the stream of
  // received bytes, so that the byte at the front is byte `removed()`.
  std::uint64_t appended() const { return appended_; }
  std::uint64_t removed() const { return removed_; }

 private:
  std::array<std::uint8_t, Capacity> bytes_{};
  std::size_t size_ = 0;
  std::uint64_t appended_ = 0;
  std::uint64_t removed_ = 0;
};
