#include "card/card_number.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace card {
namespace {

// The four number bytes of a 32-bit number, computed with shifts: the tests' own reference.
NumberBytes bytesOf(std::uint32_t n) {
    return {static_cast<std::uint8_t>(n >> 24U), static_cast<std::uint8_t>(n >> 16U),
            static_cast<std::uint8_t>(n >> 8U), static_cast<std::uint8_t>(n)};
}

// Decimal digits of n, zero-padded to `width`, computed without the code under test.
std::string paddedDigits(std::uint64_t n, std::size_t width) {
    std::string digits = std::to_string(n);
    if (digits.size() < width) {
        digits.insert(0, width - digits.size(), '0');
    }
    return digits;
}

// A generator with a fixed seed, on purpose: every run draws the same sample, so that a failure
// repeats.
template <class Engine>
Engine fixedSeed(typename Engine::result_type seed) {
    return Engine(seed);
}

// The extremes of every byte boundary, and a fixed pseudo-random sample.
std::vector<std::uint32_t> sampleNumbers() {
    std::vector<std::uint32_t> numbers = {
        0U,          1U,          2U,          254U,        255U,        256U,
        257U,        65279U,      65280U,      65535U,      65536U,      65537U,
        16711680U,   16777215U,   16777216U,   16777217U,   0x00FF00FFU, 0x7FFFFFFFU,
        0x80000000U, 0xFF000000U, 0xFFFF0000U, 0xFFFFFF00U, 4294967294U, 4294967295U,
    };
    auto random = fixedSeed<std::mt19937>(20240611U);
    std::uniform_int_distribution<std::uint32_t> any(0U, 0xFFFFFFFFU);
    for (int i = 0; i < 4000; ++i) {
        numbers.push_back(any(random));
    }
    return numbers;
}

// A read's bytes shown in the four fields, then written back from either notation, give the same
// bytes: decode, format, parse, then split or compose.
TEST(RoundTripTest, FieldTextsGiveBackTheBytes) {
    auto random = fixedSeed<std::mt19937>(7U);
    std::uniform_int_distribution<int> anyByte(0, 255);
    for (const std::uint32_t n : sampleNumbers()) {
        SCOPED_TRACE(n);
        const NumberBytes bytes = bytesOf(n);
        const auto b4 = static_cast<std::uint8_t>(anyByte(random));
        const CardNumber number = decodeTagNumber(b4, bytes.b3, bytes.b2, bytes.b1, bytes.b0);

        ASSERT_EQ(number.B3B0(), static_cast<double>(n));
        ASSERT_EQ(number.B2(), bytes.b2);
        ASSERT_EQ(number.B1B0(), static_cast<std::int32_t>(n & 0xFFFFU));

        const std::string textB4 = formatPadded(number.B4(), fieldWidth(Field::B4));
        const std::string textB3B0 = formatPadded(number.B3B0(), fieldWidth(Field::B3B0));
        const std::string textB2 = formatPadded(number.B2(), fieldWidth(Field::B2));
        const std::string textB1B0 = formatPadded(number.B1B0(), fieldWidth(Field::B1B0));
        ASSERT_EQ(textB4, paddedDigits(b4, 3));
        ASSERT_EQ(textB3B0, paddedDigits(n, 10));
        ASSERT_EQ(textB2, paddedDigits(bytes.b2, 3));
        ASSERT_EQ(textB1B0, paddedDigits(n & 0xFFFFU, 5));

        const auto backB4 = toByte(parseLenient(textB4));
        ASSERT_TRUE(backB4.has_value());
        EXPECT_EQ(*backB4, b4);

        const auto ten = splitTenDigit(parseLenient(textB3B0));
        ASSERT_TRUE(ten.has_value());
        EXPECT_EQ(*ten, bytes);
        EXPECT_EQ(wholeNumber(*ten), n);

        const auto eight = composeEightDigit(textB2, textB1B0);
        ASSERT_TRUE(eight.has_value());
        EXPECT_EQ(eight->bytes, (NumberBytes{0, bytes.b2, bytes.b1, bytes.b0}));
        EXPECT_EQ(eight->B1B0, number.B1B0());
    }
}

// The advanced number, shown and read back, is the one after n, wrapping to 1.
TEST(RoundTripTest, NextNumberShownAndWrittenAgain) {
    for (const std::uint32_t n : sampleNumbers()) {
        SCOPED_TRACE(n);
        const std::uint32_t expectedTen = n == 0xFFFFFFFFU ? 1U : n + 1U;
        const std::string textB3B0 = formatPadded(
            nextNumber(Notation::WG34, parseLenient(paddedDigits(n, 10))), fieldWidth(Field::B3B0));
        ASSERT_EQ(textB3B0, paddedDigits(expectedTen, 10));
        const auto ten = splitTenDigit(parseLenient(textB3B0));
        ASSERT_TRUE(ten.has_value());
        EXPECT_EQ(wholeNumber(*ten), expectedTen);

        const std::uint32_t low = n & 0xFFFFU;
        const std::uint32_t b2 = (n >> 16U) & 0xFFU;
        const std::uint32_t expectedLow = low == 0xFFFFU ? 1U : low + 1U;
        const std::string textB2 = paddedDigits(b2, 3);
        const auto before = composeEightDigit(textB2, paddedDigits(low, 5));
        ASSERT_TRUE(before.has_value());
        const std::string textB1B0 =
            formatPadded(nextNumber(Notation::WG26, before->B1B0), fieldWidth(Field::B1B0));
        ASSERT_EQ(textB1B0, paddedDigits(expectedLow, 5));
        const auto after = composeEightDigit(textB2, textB1B0);
        ASSERT_TRUE(after.has_value());
        EXPECT_EQ(after->bytes.b2, b2);  // no carry into B2
        EXPECT_EQ(static_cast<std::uint32_t>(after->B1B0), expectedLow);
        EXPECT_EQ(after->bytes.b1, expectedLow >> 8U);
        EXPECT_EQ(after->bytes.b0, expectedLow & 0xFFU);
    }
}

// Every finite double, written by formatPadded at any width, reads back as itself (zero of
// either sign as 0): the text is exact and carries no exponent.
TEST(RoundTripTest, FormattedDoublesReadBackExactly) {
    auto random = fixedSeed<std::mt19937_64>(0x5EEDU);
    std::uniform_int_distribution<int> anyWidth(0, 12);
    std::uniform_real_distribution<double> field(0.0, 4294967296.0);
    std::vector<double> values = {0.0,  -0.0,         0.5,           -0.5,
                                  1e-7, 1e21,         1e22,          9007199254740993.0,
                                  0.1,  4294967295.5, 123456789.125, -65535.75};
    for (int i = 0; i < 3000; ++i) {
        values.push_back(std::bit_cast<double>(random()));  // any bit pattern: all magnitudes
        values.push_back(field(random));                    // fractional ten-digit entries
    }
    for (const double value : values) {
        if (!std::isfinite(value)) {
            continue;
        }
        const int width = anyWidth(random);
        const std::string text = formatPadded(value, width);
        SCOPED_TRACE(text);
        ASSERT_GE(text.size(), static_cast<std::size_t>(width));
        ASSERT_EQ(text.find_first_not_of("-0123456789."), std::string::npos);
        ASSERT_EQ(text.find('-') == 0, value < 0);
        const double back = parseLenient(text);
        ASSERT_EQ(back, value);
        if (value == 0) {
            EXPECT_FALSE(std::signbit(back));
        }
    }
}

// A fractional ten-digit entry takes the same steps as a whole one: the bytes are those of the
// whole number below it, with B0 rounded half to even from its fraction.
TEST(RoundTripTest, FractionalTenDigitEntriesRoundOnlyB0) {
    auto random = fixedSeed<std::mt19937>(99U);
    std::uniform_int_distribution<std::uint32_t> any(0U, 0xFFFFFFFFU);
    const double fractions[] = {0.25, 0.5, 0.75};
    for (int i = 0; i < 3000; ++i) {
        const std::uint32_t n = any(random);
        for (const double fraction : fractions) {
            const double entry = static_cast<double>(n) + fraction;
            const std::string text = formatPadded(entry, fieldWidth(Field::B3B0));
            SCOPED_TRACE(text);
            const auto got = splitTenDigit(parseLenient(text));
            const NumberBytes below = bytesOf(n);
            const bool up = fraction > 0.5 || (fraction == 0.5 && (below.b0 % 2U) != 0U);
            if (up && below.b0 == 0xFFU) {
                EXPECT_FALSE(got.has_value());
                continue;
            }
            ASSERT_TRUE(got.has_value());
            NumberBytes expected = below;
            if (up) {
                ++expected.b0;
            }
            EXPECT_EQ(*got, expected);
        }
    }
}

}  // namespace
}  // namespace card
