#pragma once

#include "card/card_number.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace emulator {

// A tag number B4 B3 B2 B1 B0, B4 (the version or customer byte) first.
using card::CardNumber;

// An EM4100 frame: 64 bits, bit 63 sent first. Nine 1s; ten rows of four data bits (the high
// nibble of B4 first, the low nibble of B0 last), each followed by its even parity bit; four even
// column parity bits; a 0 stop bit.
using Frame = std::uint64_t;

inline constexpr int kFrameBits = 64;

[[nodiscard]] Frame encodeFrame(const CardNumber& number) noexcept;

// The number a frame carries, or nothing when the header, any row parity, any column parity or
// the stop bit is wrong.
[[nodiscard]] std::optional<CardNumber> decodeFrame(Frame frame) noexcept;

// Bits as a tag sends them over and over, first bit first.
using BitStream = std::vector<bool>;

// The first valid frame found at any position of a stream that the tag repeats without a gap
// (a frame may wrap around the stream's end). Nothing for an empty stream or one without a
// valid frame.
[[nodiscard]] std::optional<CardNumber> findFrame(const BitStream& repeatedStream);

// Appends `count` bits of `value`, most significant of them first.
void appendBits(BitStream& stream, std::uint64_t value, int count);

}  // namespace emulator
