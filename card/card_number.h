#pragma once

#include "util/expected.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The tag number B4 B3 B2 B1 B0 (B4 most significant, the version or customer byte) and its two
// decimal notations: the ten-digit number B3..B0, and the eight-digit number "B2,B1B0".
// Everything here is pure: no state, no I/O.
namespace card {

// The four decimal fields of the window, named after the bytes each covers.
enum class Field { B4, B3B0, B2, B1B0 };

namespace detail {
// What the window shows of each field: its width, its largest value (the smallest is 0) and the
// caption of its range. Indexed by Field.
struct FieldSpec {
    int width;
    double maximum;
    std::string_view rangeLabel;
};
inline constexpr std::array<FieldSpec, 4> kFieldSpecs{{
    {3, 255.0, "0~255"},                 // B4
    {10, 4294967295.0, "0~4294967295"},  // B3B0
    {3, 255.0, "0~255"},                 // B2
    {5, 65535.0, "0~65535"},             // B1B0
}};
static_assert(static_cast<std::size_t>(Field::B1B0) + 1 == kFieldSpecs.size());
}  // namespace detail

// Text width of a field: its texts are zero-padded to this many characters.
[[nodiscard]] constexpr int fieldWidth(Field field) noexcept {
    return detail::kFieldSpecs[static_cast<std::size_t>(field)].width;
}
// Largest value a field takes; the smallest is 0 for every field.
[[nodiscard]] constexpr double fieldMaximum(Field field) noexcept {
    return detail::kFieldSpecs[static_cast<std::size_t>(field)].maximum;
}
// The range label shown above the field, e.g. "0~65535" (a literal: data() ends in a NUL).
[[nodiscard]] constexpr std::string_view fieldRangeLabel(Field field) noexcept {
    return detail::kFieldSpecs[static_cast<std::size_t>(field)].rangeLabel;
}

// Which fields a write takes its number from.
enum class Notation {
    WG34,  // the ten-digit number, B3..B0
    WG26,  // the eight-digit number, B2 and B1B0
};

// The four number bytes below B4, most significant first.
struct NumberBytes {
    std::uint8_t b3 = 0;
    std::uint8_t b2 = 0;
    std::uint8_t b1 = 0;
    std::uint8_t b0 = 0;

    friend bool operator==(const NumberBytes&, const NumberBytes&) = default;
};

// B3..B0 as one 32-bit number.
[[nodiscard]] std::uint32_t wholeNumber(NumberBytes bytes) noexcept;

// The whole tag number: B4 and the four number bytes, and the four decimal values the window
// shows of it.
struct CardNumber {
    std::uint8_t b4 = 0;
    NumberBytes number;

    [[nodiscard]] std::uint8_t B4() const noexcept { return b4; }
    // B3*16777216 + B2*65536 + B1*256 + B0, built byte by byte in double precision.
    [[nodiscard]] double B3B0() const noexcept;
    [[nodiscard]] std::uint8_t B2() const noexcept { return number.b2; }
    // B1*256 + B0.
    [[nodiscard]] std::int32_t B1B0() const noexcept {
        return (std::int32_t{number.b1} * 256) + std::int32_t{number.b0};
    }

    friend bool operator==(const CardNumber&, const CardNumber&) = default;
};

// A successful eight-digit composition: the bytes (b3 always 0) and the B1B0 value they came from.
struct EightDigit {
    NumberBytes bytes;
    std::int32_t B1B0 = 0;

    friend bool operator==(const EightDigit&, const EightDigit&) = default;
};

[[nodiscard]] CardNumber decodeTagNumber(std::uint8_t b4, std::uint8_t b3, std::uint8_t b2,
                                         std::uint8_t b1, std::uint8_t b0) noexcept;

// Decimal text of a value, zero-padded at the front to `width` characters. Whole values have no
// decimal point; a non-whole value is written with the fewest fraction digits that read back as
// the same double; a text longer than `width` is never cut.
[[nodiscard]] std::string formatPadded(double value, int width);

// The number at the start of a field's UTF-8 text, read leniently: blanks (space, tab, line feed,
// ideographic space) are skipped wherever they stand, then an optional sign and digits with at
// most one decimal point; reading stops at the first character that cannot continue the number.
// Full-width digits, signs and point count as their ASCII forms. No number at the start gives 0.
// Runs in time linear in the text's length.
[[nodiscard]] double parseLenient(std::string_view text);

// Round half to even, then range-check; std::nullopt when the result is outside the type's range
// (or the value is not finite). Independent of the floating-point environment.
[[nodiscard]] std::optional<std::uint8_t> toByte(double value) noexcept;
[[nodiscard]] std::optional<std::int32_t> toInt32(double value) noexcept;

// B3..B0 of a ten-digit number N, taken as parsed; only B0 is rounded. Fails for a whole N above
// 4294967295 and for any N below 0; a fractional N may fail inside the range (255.5 rounds B0 to
// 256) or pass just above it.
[[nodiscard]] std::optional<NumberBytes> splitTenDigit(double n) noexcept;

// B3 (0), B2, B1, B0 and the B1B0 value from the two eight-digit texts. On failure, names the
// field whose value is out of range.
[[nodiscard]] util::Expected<EightDigit, Field> composeEightDigit(std::string_view textB2,
                                                                  std::string_view textB1B0);

// The number after `value` in that notation: the ten-digit number, or the B1B0 value of the
// eight-digit number (B2 takes no carry). Past the top of its range it wraps to 1, not 0.
[[nodiscard]] double nextNumber(Notation notation, double value) noexcept;

// The field a batch is numbered in: the ten-digit number, or the eight-digit number's B1B0 part.
[[nodiscard]] constexpr Field countingField(Notation notation) noexcept {
    return notation == Notation::WG34 ? Field::B3B0 : Field::B1B0;
}

// The part of the number a batch counts in: B3..B0 in the ten-digit notation, B1B0 in the
// eight-digit one; its largest value, past which nextNumber wraps.
[[nodiscard]] std::uint32_t countingValue(const CardNumber& number, Notation notation) noexcept;
[[nodiscard]] constexpr std::uint32_t countingTop(Notation notation) noexcept {
    return static_cast<std::uint32_t>(fieldMaximum(countingField(notation)));
}
// The number with its counting part set to `value` (cut to the part's bits), the rest as it was.
[[nodiscard]] CardNumber withCountingValue(const CardNumber& number, Notation notation,
                                           std::uint32_t value) noexcept;

// The tag number after `number` in that notation: its counting part moved on by nextNumber, the
// rest of it as it was.
[[nodiscard]] CardNumber nextTagNumber(const CardNumber& number, Notation notation) noexcept;

}  // namespace card
