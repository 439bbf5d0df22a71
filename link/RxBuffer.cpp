#include "link/RxBuffer.h"

#include <algorithm>
#include <cstring>

std::size_t RxBuffer::append(std::span<const std::uint8_t> data) {
  const std::size_t taken = std::min(data.size(), Capacity - size_);
  std::copy_n(data.begin(), taken, bytes_.begin() + std::ptrdiff_t(size_));
  size_ += taken;
  appended_ += taken;
  return taken;
}

void RxBuffer::removeFront(std::size_t count) {
  count = std::min(count, size_);
  std::memmove(bytes_.data(), bytes_.data() + count, size_ - count);
  size_ -= count;
  removed_ += count;
}
