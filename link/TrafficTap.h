#pragma once
// The device link's side of a TrafficObserver: it keeps when each run of
// received bytes came in, so that a frame found later in the buffer still
// gets the times of its own first and last bytes. Costs nothing but a
// pointer test while nobody observes.
#include <array>
#include <cstdint>
#include <deque>
#include <span>

#include "link/RxBuffer.h"
#include "link/TrafficObserver.h"

class TrafficTap {
 public:
  using Clock = TrafficObserver::Clock;

  void setObserver(TrafficObserver* observer);
  bool active() const { return observer_ != nullptr; }

  void sent(std::span<const std::uint8_t> frame);
  // After a read: the buffer took what it had room for; `dropped` found it full.
  void arrived(const RxBuffer& rx, std::span<const std::uint8_t> dropped);
  // The frame of `size` bytes at the buffer's front passed its check.
  void accepted(const RxBuffer& rx, std::span<const std::uint8_t> frame);
  // `bytes` begin at the buffer's front; skipping later will not tell them
  // again, nor the rest of a frame too long as far as its length byte says.
  void damaged(const RxBuffer& rx, TrafficObserver::Damage damage, std::span<const std::uint8_t> bytes,
               std::uint8_t expectedCheck);
  // Around the parser's skipping to a frame start: what the buffer held
  // before, and then whatever of it has gone.
  struct Front {
    std::array<std::uint8_t, RxBuffer::Capacity> bytes{};
    std::size_t size = 0;
    std::uint64_t position = 0;
  };
  void beforeSkipping(const RxBuffer& rx, Front& front) const;
  void afterSkipping(const RxBuffer& rx, const Front& front);
  void opened(const QString& deviceName);
  void closed();

 private:
  // When the received byte at stream position `position` came in.
  Clock::time_point arrivalOf(std::uint64_t position) const;

  TrafficObserver* observer_ = nullptr;
  struct Arrival {
    std::uint64_t end;  // stream position just past the run
    Clock::time_point at;
  };
  std::deque<Arrival> arrivals_;  // runs still (partly) in the buffer
  std::uint64_t toldUpTo_ = 0;    // stream position past the last damaged frame told
};
