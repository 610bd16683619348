#pragma once

#include "card/card_number.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A tag number as text, in each of the forms the program shows or keeps it in. Every room that
// says a number (the status line, the journal, the window, the field tool) says it through here,
// so the forms cannot drift apart.
namespace card {

// A number's hexadecimal digits: two for each of its five bytes.
inline constexpr std::size_t kHexDigits = 10;

// `value`'s lowest `digits` hexadecimal digits, upper case, zero-padded: hexWord(0x3E8, 4) is
// "03E8".
[[nodiscard]] std::string hexWord(std::uint64_t value, int digits);
// The value of one hexadecimal digit (either case), or -1. Inline: a long journal's reading
// spends much of its time here.
[[nodiscard]] constexpr int hexDigitValue(char c) noexcept {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// The 40-bit number B4..B0 as one integer, B4 the most significant byte, and back (bits above
// the 40th are ignored).
[[nodiscard]] std::uint64_t numberValue(const CardNumber& number) noexcept;
[[nodiscard]] CardNumber tagNumberFromValue(std::uint64_t value) noexcept;

// "00000003E8": ten hexadecimal digits, B4 first, in one piece.
[[nodiscard]] std::string hexDigits(const CardNumber& number);
// The number written as ten hexadecimal digits (either case); nothing for any other text.
[[nodiscard]] std::optional<CardNumber> parseHexDigits(std::string_view text) noexcept;
// The same as its 40-bit value (numberValue), for whoever keys by it. Inline, with a table and
// no branch a digit: a long journal's reading parses a number or two a line.
[[nodiscard]] inline std::optional<std::uint64_t> parseHexValue(std::string_view text) noexcept {
    static constexpr auto kValues = [] {
        std::array<std::uint8_t, 256> values{};
        for (std::size_t c = 0; c < values.size(); ++c) {
            const int value = hexDigitValue(static_cast<char>(c));
            values.at(c) = value < 0 ? 0x80U : static_cast<std::uint8_t>(value);
        }
        return values;
    }();
    if (text.size() != kHexDigits) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    unsigned invalid = 0;
    for (const char c : text) {
        const std::uint8_t digit = kValues[static_cast<unsigned char>(c)];
        invalid |= digit;
        value = (value << 4U) | (digit & 0x0FU);
    }
    if ((invalid & 0x80U) != 0) {
        return std::nullopt;
    }
    return value;
}
// "00 00 00 03 E8": the five bytes, B4 first, with `separator` between them.
[[nodiscard]] std::string hexBytes(const CardNumber& number, std::string_view separator = " ");

// Each field's text for this number, zero-padded to the field's width: "000", "0000001000",
// "000", "01000".
[[nodiscard]] std::string fieldText(const CardNumber& number, Field field);
// "0000001000": the ten-digit notation.
[[nodiscard]] std::string tenDigitText(const CardNumber& number);
// "000,01000": the eight-digit notation.
[[nodiscard]] std::string eightDigitText(const CardNumber& number);
// The number in the given notation.
[[nodiscard]] std::string notationText(const CardNumber& number, Notation notation);
// "0000001000 / 000,01000": both notations, as the status line and the field tool give them.
[[nodiscard]] std::string bothNotations(const CardNumber& number);

}  // namespace card
