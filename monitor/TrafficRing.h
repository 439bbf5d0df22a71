#pragma once
// The newest `capacity` items, each known by its sequence number (0 for the
// first ever pushed), so a reader can tell which of the items it holds are
// gone. Grows to its capacity, then reuses the oldest slot.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

template <typename T>
class TrafficRing {
 public:
  explicit TrafficRing(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

  void push(T item) {
    if (slots_.size() < capacity_) {
      slots_.push_back(std::move(item));
    } else {
      slots_[std::size_t(end_ % capacity_)] = std::move(item);
      ++first_;
    }
    ++end_;
  }
  std::size_t capacity() const { return capacity_; }
  std::size_t size() const { return std::size_t(end_ - first_); }
  // Sequence numbers held: first() .. end() - 1.
  std::uint64_t first() const { return first_; }
  std::uint64_t end() const { return end_; }
  bool holds(std::uint64_t seq) const { return seq >= first_ && seq < end_; }
  // Only for a sequence number it holds.
  const T& at(std::uint64_t seq) const { return slots_[std::size_t(seq % capacity_)]; }

 private:
  std::size_t capacity_;
  std::vector<T> slots_;
  std::uint64_t first_ = 0, end_ = 0;
};
