// The card number model's invariants over any bytes, values and texts.
#include "card/card_number.h"
#include "check.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using card::Field;

// A whole tag number splits and decodes into the bytes and values that make it again, and its
// field texts, at their widths, read back to the same values.
void wholeNumbers(FuzzedDataProvider& in) {
    const auto b4 = in.ConsumeIntegral<std::uint8_t>();
    const card::NumberBytes bytes{
        in.ConsumeIntegral<std::uint8_t>(), in.ConsumeIntegral<std::uint8_t>(),
        in.ConsumeIntegral<std::uint8_t>(), in.ConsumeIntegral<std::uint8_t>()};
    const std::uint32_t whole = card::wholeNumber(bytes);
    FUZZ_CHECK(whole == ((std::uint32_t{bytes.b3} << 24U) | (std::uint32_t{bytes.b2} << 16U) |
                         (std::uint32_t{bytes.b1} << 8U) | bytes.b0));
    const auto split = card::splitTenDigit(static_cast<double>(whole));
    FUZZ_CHECK(split && *split == bytes);

    const card::CardNumber values =
        card::decodeTagNumber(b4, bytes.b3, bytes.b2, bytes.b1, bytes.b0);
    FUZZ_CHECK(values.B4() == b4 && values.B3B0() == static_cast<double>(whole) &&
               values.B2() == bytes.b2 && values.B1B0() == bytes.b1 * 256 + bytes.b0);

    const std::pair<Field, double> fields[] = {{Field::B4, values.B4()},
                                               {Field::B3B0, values.B3B0()},
                                               {Field::B2, values.B2()},
                                               {Field::B1B0, values.B1B0()}};
    for (const auto& [field, value] : fields) {
        FUZZ_CHECK(value >= 0 && value <= card::fieldMaximum(field));
        const std::string text = card::formatPadded(value, card::fieldWidth(field));
        FUZZ_CHECK(text.size() == static_cast<std::size_t>(card::fieldWidth(field)));
        FUZZ_CHECK(card::parseLenient(text) == value);
    }

    const auto composed = card::composeEightDigit(card::formatPadded(values.B2(), 3),
                                                  card::formatPadded(values.B1B0(), 5));
    FUZZ_CHECK(composed &&
               composed->bytes == (card::NumberBytes{0, bytes.b2, bytes.b1, bytes.b0}) &&
               composed->B1B0 == values.B1B0());

    const double next = card::nextNumber(card::Notation::WG34, values.B3B0());
    FUZZ_CHECK(next == (whole == 4294967295U ? 1.0 : values.B3B0() + 1));
    const double nextLow = card::nextNumber(card::Notation::WG26, values.B1B0());
    FUZZ_CHECK(nextLow == (values.B1B0() == 65535 ? 1.0 : values.B1B0() + 1.0));
}

// Any double, NaN and infinities included: a finite one's text reads back exactly.
void anyValue(FuzzedDataProvider& in) {
    const auto value = std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>());
    const int width = in.ConsumeIntegralInRange(0, 12);
    const std::string text = card::formatPadded(value, width);
    FUZZ_CHECK(text.size() >= static_cast<std::size_t>(width) || !std::isfinite(value));
    if (std::isfinite(value)) {
        FUZZ_CHECK(card::parseLenient(text) == value);
    }
}

// Any text: what passes a range check lies in that range, within half a unit of the text.
void anyText(FuzzedDataProvider& in) {
    const std::string first = in.ConsumeRandomLengthString(64);
    const std::string second = in.ConsumeRandomLengthString(64);
    const double parsed = card::parseLenient(first);

    if (const auto byte = card::toByte(parsed)) {
        FUZZ_CHECK(std::fabs(parsed - *byte) <= 0.5);
    }
    if (const auto number = card::toInt32(parsed)) {
        FUZZ_CHECK(std::fabs(parsed - *number) <= 0.5);
    }
    if (const auto bytes = card::splitTenDigit(parsed)) {
        FUZZ_CHECK(parsed >= 0 && std::fabs(parsed - card::wholeNumber(*bytes)) <= 0.5);
    }

    const auto composed = card::composeEightDigit(first, second);
    if (composed) {
        const auto& bytes = composed->bytes;
        FUZZ_CHECK(bytes.b3 == 0 && composed->B1B0 >= 0 && composed->B1B0 <= 65535 &&
                   bytes.b1 * 256 + bytes.b0 == composed->B1B0);
        FUZZ_CHECK(card::toByte(parsed) == bytes.b2);
    } else {
        FUZZ_CHECK(composed.error() == Field::B2 || composed.error() == Field::B1B0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    wholeNumbers(in);
    anyValue(in);
    anyText(in);
    return 0;
}
