#include "card/card_number.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

namespace card {

namespace {

// 2^53: from here on every double is a whole number, and not every whole number is a double.
constexpr double kExactIntegerLimit = 9007199254740992.0;

// Rounds a finite value to the nearest whole number, a half going to the even neighbour.
// Uses only floor, exact subtractions and comparisons, so the floating-point rounding mode in
// force cannot change the answer: for a >= 0, a - floor(a) is exact (floor(a) lies within a
// factor of two of a when a >= 1, and is 0 otherwise), and f + 1 is exact while f < 2^53, which
// is the only case with a nonzero fraction.
double roundHalfEven(double value) noexcept {
    const double magnitude = std::fabs(value);
    const double whole = std::floor(magnitude);
    const double fraction = magnitude - whole;
    const bool up = fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0);
    const double rounded = up ? whole + 1.0 : whole;
    return std::signbit(value) ? -rounded : rounded;
}

}  // namespace

std::uint32_t wholeNumber(NumberBytes bytes) noexcept {
    return (std::uint32_t{bytes.b3} << 24U) | (std::uint32_t{bytes.b2} << 16U) |
           (std::uint32_t{bytes.b1} << 8U) | std::uint32_t{bytes.b0};
}

double CardNumber::B3B0() const noexcept {
    double tenDigit = number.b3;
    tenDigit = tenDigit * 256.0 + number.b2;
    tenDigit = tenDigit * 256.0 + number.b1;
    tenDigit = tenDigit * 256.0 + number.b0;
    return tenDigit;
}

CardNumber decodeTagNumber(std::uint8_t b4, std::uint8_t b3, std::uint8_t b2, std::uint8_t b1,
                           std::uint8_t b0) noexcept {
    return CardNumber{b4, NumberBytes{b3, b2, b1, b0}};
}

std::string formatPadded(double value, int width) {
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }

    // The magnitude is written on its own and the sign put in front of the padding, so that -5 in
    // a field three wide reads "-05". Zero of either sign is written "0".
    const bool negative = value < 0;
    const double magnitude = std::fabs(value);

    // Fixed notation throughout: whole values below 2^53 as their digits; larger ones (all whole)
    // as their exact digits; others with the fewest fraction digits that read back as the same
    // double. Never an exponent, so parseLenient reads every finite text back exactly. No text is
    // longer than about 340 characters: 309 digits for the largest values, "0.", up to 323 zeros
    // and a few digits for the smallest.
    std::array<char, 512> digits{};
    std::to_chars_result written{};
    if (magnitude < kExactIntegerLimit && magnitude == std::floor(magnitude)) {
        written = std::to_chars(digits.data(), digits.data() + digits.size(),
                                static_cast<std::int64_t>(magnitude));
    } else if (magnitude >= kExactIntegerLimit) {
        written = std::to_chars(digits.data(), digits.data() + digits.size(), magnitude,
                                std::chars_format::fixed, 0);
    } else {
        written = std::to_chars(digits.data(), digits.data() + digits.size(), magnitude,
                                std::chars_format::fixed);
    }
    if (written.ec != std::errc{}) {
        return negative ? "-inf" : "inf";  // not reached: the buffer holds every finite double
    }
    const auto length = static_cast<std::size_t>(written.ptr - digits.data());

    std::string text;
    const std::size_t signLength = negative ? 1 : 0;
    const std::size_t wanted = width > 0 ? static_cast<std::size_t>(width) : 0;
    const std::size_t zeros =
        wanted > signLength + length ? wanted - signLength - length : std::size_t{0};
    text.reserve(signLength + zeros + length);
    if (negative) {
        text.push_back('-');
    }
    text.append(zeros, '0');
    text.append(digits.data(), length);
    return text;
}

namespace {

// One character of a field's text as parseLenient sees it.
enum class Symbol { Blank, Digit, Plus, Minus, Point, Other };

struct Scanned {
    Symbol symbol = Symbol::Other;
    int digit = 0;
    std::size_t length = 1;  // bytes the character takes
};

// Classifies the character at `at`, reading full-width forms as their ASCII counterparts.
Scanned scan(std::string_view text, std::size_t at) noexcept {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte >= '0' && byte <= '9') {
        return {Symbol::Digit, byte - '0', 1};
    }
    switch (byte) {
        case ' ':
        case '\t':
        case '\n':
            return {Symbol::Blank, 0, 1};
        case '+':
            return {Symbol::Plus, 0, 1};
        case '-':
            return {Symbol::Minus, 0, 1};
        case '.':
            return {Symbol::Point, 0, 1};
        default:
            break;
    }
    if (text.size() - at < 3) {
        return {};
    }
    const auto second = static_cast<unsigned char>(text[at + 1]);
    const auto third = static_cast<unsigned char>(text[at + 2]);
    if (byte == 0xE3 && second == 0x80 && third == 0x80) {  // U+3000 ideographic space
        return {Symbol::Blank, 0, 3};
    }
    if (byte == 0xEF && second == 0xBC) {  // U+FF00..U+FF3F
        if (third >= 0x90 && third <= 0x99) {
            return {Symbol::Digit, third - 0x90, 3};
        }
        switch (third) {
            case 0x8B:
                return {Symbol::Plus, 0, 3};
            case 0x8D:
                return {Symbol::Minus, 0, 3};
            case 0x8E:
                return {Symbol::Point, 0, 3};
            default:
                break;
        }
    }
    return {};
}

// The significant digits of a decimal number, kept to a fixed number so that any text costs the
// same small conversion at the end. Every midpoint between two adjacent doubles has at most 767
// significant decimal digits, so 800 digits and one sticky digit standing for all the nonzero
// digits after them round exactly as the whole text would.
class DecimalDigits {
public:
    void addIntegerDigit(int digit) noexcept {
        if (count_ == 0 && digit == 0) {
            return;  // leading zero
        }
        if (count_ < kKept) {
            push(digit);
        } else {
            ++exponent_;
            sticky_ = sticky_ || digit != 0;
        }
    }

    void addFractionDigit(int digit) noexcept {
        if (count_ == 0 && digit == 0) {
            --exponent_;  // leading zero after the point
            return;
        }
        if (count_ < kKept) {
            push(digit);
            --exponent_;
        } else {
            sticky_ = sticky_ || digit != 0;
        }
    }

    // The magnitude of the number, correctly rounded; infinity when it is too large for a double.
    // Ends the number: no digit may be added after it.
    [[nodiscard]] double finish() noexcept {
        if (count_ == 0) {
            return 0.0;
        }
        if (sticky_) {
            push(1);
            --exponent_;
        }
        // The number lies in [10^(magnitude - 1), 10^magnitude).
        const std::int64_t magnitude = static_cast<std::int64_t>(count_) + exponent_;
        if (magnitude > kBeyondLargest) {
            return std::numeric_limits<double>::infinity();
        }
        if (magnitude < kBelowSmallest) {
            return 0.0;
        }
        char* end = digits_.data() + count_;
        *end++ = 'e';
        end = std::to_chars(end, digits_.data() + digits_.size(), exponent_).ptr;
        double result = 0.0;
        const auto parsed = std::from_chars(digits_.data(), end, result);
        if (parsed.ec == std::errc::result_out_of_range) {
            return magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        }
        return result;
    }

private:
    static constexpr std::size_t kKept = 800;
    // Past 10^400 every value is infinite; below 10^-400 every value rounds to zero.
    static constexpr std::int64_t kBeyondLargest = 400;
    static constexpr std::int64_t kBelowSmallest = -400;

    void push(int digit) noexcept { digits_[count_++] = static_cast<char>('0' + digit); }

    // The kept digits, the sticky digit, and room for "e" and the exponent.
    std::array<char, kKept + 1 + 32> digits_{};
    std::size_t count_ = 0;
    std::int64_t exponent_ = 0;  // the number is digits_ x 10^exponent_
    bool sticky_ = false;
};

}  // namespace

double parseLenient(std::string_view text) {
    bool negative = false;
    bool signSeen = false;
    bool pointSeen = false;
    bool digitSeen = false;
    DecimalDigits digits;

    std::size_t at = 0;
    while (at < text.size()) {
        const Scanned next = scan(text, at);
        bool continues = true;
        switch (next.symbol) {
            case Symbol::Blank:
                break;
            case Symbol::Digit:
                digitSeen = true;
                if (pointSeen) {
                    digits.addFractionDigit(next.digit);
                } else {
                    digits.addIntegerDigit(next.digit);
                }
                break;
            case Symbol::Plus:
            case Symbol::Minus:
                continues = !signSeen && !digitSeen && !pointSeen;
                if (continues) {
                    signSeen = true;
                    negative = next.symbol == Symbol::Minus;
                }
                break;
            case Symbol::Point:
                continues = !pointSeen;
                pointSeen = true;
                break;
            case Symbol::Other:
                continues = false;
                break;
        }
        if (!continues) {
            break;
        }
        at += next.length;
    }

    if (!digitSeen) {
        return 0.0;
    }
    const double magnitude = digits.finish();
    return negative ? -magnitude : magnitude;
}

std::optional<std::uint8_t> toByte(double value) noexcept {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = roundHalfEven(value);
    if (rounded < 0.0 || rounded > 255.0) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(rounded);
}

std::optional<std::int32_t> toInt32(double value) noexcept {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = roundHalfEven(value);
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rounded);
}

std::optional<NumberBytes> splitTenDigit(double n) noexcept {
    // Only B0 is rounded: the upper bytes are floors, and R carries any fraction down to B0.
    // Every step below is exact except that n / 16777216 underflows to -0 for the tiniest negative
    // n, whose floor would then pass as 0 instead of failing as -1; so negatives fail up front.
    if (n < 0.0) {
        return std::nullopt;
    }
    const auto b3 = toByte(std::floor(n / 16777216.0));
    if (!b3) {
        return std::nullopt;
    }
    double rest = n - *b3 * 16777216.0;
    const auto b2 = toByte(std::floor(rest / 65536.0));
    if (!b2) {
        return std::nullopt;
    }
    rest -= *b2 * 65536.0;
    const auto b1 = toByte(std::floor(rest / 256.0));
    if (!b1) {
        return std::nullopt;
    }
    rest -= *b1 * 256.0;
    const auto b0 = toByte(rest);
    if (!b0) {
        return std::nullopt;
    }
    return NumberBytes{*b3, *b2, *b1, *b0};
}

util::Expected<EightDigit, Field> composeEightDigit(std::string_view textB2,
                                                    std::string_view textB1B0) {
    const auto b2 = toByte(parseLenient(textB2));
    if (!b2) {
        return util::Unexpected{Field::B2};
    }
    const auto lowValue = toInt32(parseLenient(textB1B0));
    if (!lowValue) {
        return util::Unexpected{Field::B1B0};
    }
    const auto b1 = toByte(std::floor(static_cast<double>(*lowValue) / 256.0));
    if (!b1) {
        return util::Unexpected{Field::B1B0};
    }
    // B1 passed, so the value lies in 0..65535 and its low byte is B0.
    const auto b0 = static_cast<std::uint8_t>(static_cast<std::uint32_t>(*lowValue) & 0xFFU);
    return EightDigit{NumberBytes{0, *b2, *b1, b0}, *lowValue};
}

double nextNumber(Notation notation, double value) noexcept {
    const double next = value + 1.0;
    const double top = fieldMaximum(notation == Notation::WG34 ? Field::B3B0 : Field::B1B0);
    return next > top ? 1.0 : next;
}

std::uint32_t countingValue(const CardNumber& number, Notation notation) noexcept {
    const NumberBytes& n = number.number;
    return notation == Notation::WG34 ? wholeNumber(n)
                                      : (std::uint32_t{n.b1} << 8U) | std::uint32_t{n.b0};
}

CardNumber withCountingValue(const CardNumber& number, Notation notation,
                             std::uint32_t value) noexcept {
    CardNumber changed = number;
    auto& n = changed.number;
    if (notation == Notation::WG34) {
        n.b3 = static_cast<std::uint8_t>(value >> 24U);
        n.b2 = static_cast<std::uint8_t>(value >> 16U);
    }
    n.b1 = static_cast<std::uint8_t>(value >> 8U);
    n.b0 = static_cast<std::uint8_t>(value);
    return changed;
}

CardNumber nextTagNumber(const CardNumber& number, Notation notation) noexcept {
    // Both counting parts stay within 32 bits, and nextNumber keeps them in their range.
    const auto next =
        static_cast<std::uint32_t>(nextNumber(notation, countingValue(number, notation)));
    return withCountingValue(number, notation, next);
}

}  // namespace card
