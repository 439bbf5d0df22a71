#pragma once
// How much of a send the barrier holds, judged from the configuration read
// back after it: the only evidence that counts, since a confirmation may be
// one left over from an earlier request, and a lost one may hide a block the
// barrier did take.
#include <QStringList>
#include <cstddef>
#include <cstdint>

#include "model/BarrierModel.h"

namespace writecheck {

// The blocks of the two write requests, as bits of one byte.
constexpr std::uint8_t From16 = 1;  // indices 16..24, written first
constexpr std::uint8_t From0 = 2;   // indices 0..11
constexpr std::uint8_t Both = From16 | From0;

// The indices a block's request carries.
std::size_t firstIndex(std::uint8_t block);
std::size_t indexCount(std::uint8_t block);
// Whether either write request carries index i.
bool carries(std::size_t i);

// Bit i set: index i came back in the read. Only such bytes count as held.
using ReturnedMask = std::uint32_t;

// The editors' names of the fields that did not come back as `expected`
// holds them, in the editors' order, each once; a per-beam field once for
// all its beams ("Czułość wiązek 1, 3–5").
QStringList differingFields(const BarrierConfig& expected, const BarrierConfig& read, ReturnedMask returned);

}  // namespace writecheck
