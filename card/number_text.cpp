#include "card/number_text.h"

#include <array>
#include <cstddef>

namespace card {

namespace {

std::array<std::uint8_t, 5> bytesOf(const CardNumber& number) noexcept {
    return {number.b4, number.number.b3, number.number.b2, number.number.b1, number.number.b0};
}

}  // namespace

std::string hexWord(std::uint64_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits > 0 ? digits : 0), '0');
    for (std::size_t i = text.size(); i > 0; --i) {
        text[i - 1] = kDigits[value & 0xFU];
        value >>= 4U;
    }
    return text;
}

std::uint64_t numberValue(const CardNumber& number) noexcept {
    return (std::uint64_t{number.b4} << 32U) | wholeNumber(number.number);
}

CardNumber tagNumberFromValue(std::uint64_t value) noexcept {
    const auto byte = [value](unsigned shift) {
        return static_cast<std::uint8_t>((value >> shift) & 0xFFU);
    };
    return CardNumber{byte(32), NumberBytes{byte(24), byte(16), byte(8), byte(0)}};
}

std::string hexDigits(const CardNumber& number) {
    return hexWord(numberValue(number), kHexDigits);
}

std::optional<CardNumber> parseHexDigits(std::string_view text) noexcept {
    const auto value = parseHexValue(text);
    return value ? std::optional(tagNumberFromValue(*value)) : std::nullopt;
}

std::string hexBytes(const CardNumber& number, std::string_view separator) {
    std::string text;
    for (const std::uint8_t byte : bytesOf(number)) {
        if (!text.empty()) {
            text += separator;
        }
        text += hexWord(byte, 2);
    }
    return text;
}

std::string fieldText(const CardNumber& number, Field field) {
    double value = 0;
    switch (field) {
        case Field::B4:
            value = number.B4();
            break;
        case Field::B3B0:
            value = number.B3B0();
            break;
        case Field::B2:
            value = number.B2();
            break;
        case Field::B1B0:
            value = number.B1B0();
            break;
    }
    return formatPadded(value, fieldWidth(field));
}

std::string tenDigitText(const CardNumber& number) {
    return fieldText(number, Field::B3B0);
}

std::string eightDigitText(const CardNumber& number) {
    return fieldText(number, Field::B2) + "," + fieldText(number, Field::B1B0);
}

std::string notationText(const CardNumber& number, Notation notation) {
    return notation == Notation::WG34 ? tenDigitText(number) : eightDigitText(number);
}

std::string bothNotations(const CardNumber& number) {
    return tenDigitText(number) + " / " + eightDigitText(number);
}

}  // namespace card
