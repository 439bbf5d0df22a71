// Arbitrary bytes in arbitrary notifications: the receive path must never
// read or write outside its buffers, and the buffer never exceeds 255 bytes.
#include <cstdlib>

#include "tests/link/LinkRig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static LinkRig* rig = [] {
    auto* r = new LinkRig;
    r->line.isOpenNow = true;
    r->line.sim.setSilent(true);
    return r;
  }();
  std::size_t at = 0;
  while (at < size) {
    // The first byte of each chunk gives the chunk's length.
    const std::size_t n = std::min<std::size_t>(1 + data[at] % 40, size - at);
    for (std::size_t i = 1; i < n && at + i < size; ++i) rig->line.input.push_back(data[at + i]);
    rig->link.onBytesReceived(std::int32_t(rig->line.input.size()));
    if (rig->state.rxBuffer.size() > RxBuffer::Capacity) std::abort();
    at += n;
  }
  return 0;
}
