#pragma once

#include "card/card_number.h"
#include "reader/reader_types.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// Where the reader library's buffers carry a tag's number: the only code that knows byte
// positions. The program fills and reads its buffers through it, and the emulated library reads
// and fills the same bytes through it, so the two sides cannot disagree.
namespace reader {

// A successful MF_Getsnr reply: B4 in ShortBuffer byte 0, B3..B0 in LongBuffer bytes 0..3.
inline constexpr std::size_t kReplyShortBytes = 1;
inline constexpr std::size_t kReplyLongBytes = 4;
// WriteBlock: ShortBuffer bytes 0..5, the chip code then B4 B3 B2 B1 B0.
inline constexpr std::size_t kWriteBlockSize = 6;

// The number a successful reply carries; no other byte of either buffer is looked at.
[[nodiscard]] card::CardNumber replyNumber(
    std::span<const std::uint8_t, kReplyShortBytes> shortPart,
    std::span<const std::uint8_t, kReplyLongBytes> longPart) noexcept;
// Puts a number where a successful reply carries it (the library's side).
void putReplyNumber(const card::CardNumber& number,
                    std::span<std::uint8_t, kReplyShortBytes> shortPart,
                    std::span<std::uint8_t, kReplyLongBytes> longPart) noexcept;

// The WriteBlock for this chip and number.
void putWriteBlock(TagChip chip, const card::CardNumber& number,
                   std::span<std::uint8_t, kWriteBlockSize> block) noexcept;

// What a WriteBlock asks for, as the library reads it: the chip code as sent (it may be one no
// chip has) and the number.
struct WriteBlockContents {
    std::uint8_t chipCode = 0;
    card::CardNumber number;
};
[[nodiscard]] WriteBlockContents readWriteBlock(
    std::span<const std::uint8_t, kWriteBlockSize> block) noexcept;

// The chip a WriteBlock's chip code names, if any.
[[nodiscard]] std::optional<TagChip> chipOfCode(std::uint8_t code) noexcept;

// The control code a ControlBuzzer call carries, if it is one the protocol has.
[[nodiscard]] std::optional<ControlCode> controlCodeOf(std::uint8_t code) noexcept;

}  // namespace reader
