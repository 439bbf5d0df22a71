#pragma once
// Summaries of a growing sequence over blocks of 16, 256, 4096, ... entries,
// so that the summary of any run of entries takes a few dozen steps however
// long the run is. `Combine` must be associative and idempotent (bitwise or,
// minimum and maximum are), which lets an append fold itself into the last
// block of every level.
#include <cstddef>
#include <vector>

template <typename T, typename Combine>
class BlockSummary {
 public:
  static constexpr std::size_t Fan = 16;

  explicit BlockSummary(T identity = T{}) : identity_(identity) {
    levels_.reserve(16);  // 16^16 entries: a level's address never moves while the one above is built
  }

  void append(const T& value) {
    entries_.push_back(value);
    std::size_t index = entries_.size() - 1;
    const std::vector<T>* below = &entries_;
    // A level comes into being when the one below it holds its second entry.
    for (std::size_t level = 0; below->size() > 1; ++level) {
      index /= Fan;
      if (level == levels_.size())
        levels_.push_back({combine_((*below)[0], (*below)[1])});
      else if (index == levels_[level].size())
        levels_[level].push_back(value);
      else
        levels_[level][index] = combine_(levels_[level][index], value);
      below = &levels_[level];
    }
  }

  void clear() {
    entries_.clear();
    levels_.clear();
  }

  std::size_t size() const { return entries_.size(); }
  const T& operator[](std::size_t i) const { return entries_[i]; }

  // The combination of entries [first, last); the identity for an empty run.
  T summary(std::size_t first, std::size_t last) const {
    T result = identity_;
    const std::vector<T>* row = &entries_;
    for (std::size_t level = 0;; ++level) {
      if (last - first < 2 * Fan || level == levels_.size()) {
        for (; first < last; ++first) result = combine_(result, (*row)[first]);
        return result;
      }
      for (; first % Fan != 0; ++first) result = combine_(result, (*row)[first]);
      for (; last % Fan != 0; --last) result = combine_(result, (*row)[last - 1]);
      first /= Fan;
      last /= Fan;
      row = &levels_[level];
    }
  }

 private:
  T identity_;
  Combine combine_{};
  std::vector<T> entries_;
  std::vector<std::vector<T>> levels_;  // levels_[k][i] combines entries [i * 16^(k+1), (i + 1) * 16^(k+1))
};
