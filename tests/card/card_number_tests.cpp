#include "card/card_number.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace card {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string fieldName(Field field) {
    switch (field) {
        case Field::B4:
            return "B4";
        case Field::B3B0:
            return "B3B0";
        case Field::B2:
            return "B2";
        case Field::B1B0:
            return "B1B0";
    }
    return "?";
}

// --- Fields --------------------------------------------------------------------------------

TEST(FieldTest, WidthMaximumAndLabel) {
    struct Case {
        Field field;
        int width;
        double maximum;
        std::string_view label;
    };
    const Case cases[] = {
        {Field::B4, 3, 255.0, "0~255"},
        {Field::B3B0, 10, 4294967295.0, "0~4294967295"},
        {Field::B2, 3, 255.0, "0~255"},
        {Field::B1B0, 5, 65535.0, "0~65535"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fieldName(c.field));
        EXPECT_EQ(fieldWidth(c.field), c.width);
        EXPECT_EQ(fieldMaximum(c.field), c.maximum);
        EXPECT_EQ(fieldRangeLabel(c.field), c.label);
        // The largest value of a field fills its width exactly.
        EXPECT_EQ(formatPadded(fieldMaximum(c.field), fieldWidth(c.field)).size(),
                  static_cast<std::size_t>(c.width));
    }
}

TEST(FieldTest, StartTextsAreTheStartValuesPadded) {
    EXPECT_EQ(formatPadded(0, fieldWidth(Field::B4)), "000");
    EXPECT_EQ(formatPadded(1, fieldWidth(Field::B3B0)), "0000000001");
    EXPECT_EQ(formatPadded(0, fieldWidth(Field::B2)), "000");
    EXPECT_EQ(formatPadded(1, fieldWidth(Field::B1B0)), "00001");
}

// --- decodeTagNumber and wholeNumber -------------------------------------------------------

TEST(DecodeTagNumberTest, Values) {
    struct Case {
        std::uint8_t b4{}, b3{}, b2{}, b1{}, b0{};
        struct {
            std::uint8_t B4{};
            double B3B0{};
            std::uint8_t B2{};
            std::int32_t B1B0{};
        } expected;
    };
    const Case cases[] = {
        {0x00, 0x00, 0x00, 0x00, 0x00, {0, 0.0, 0, 0}},
        {0x00, 0x01, 0x00, 0x00, 0x00, {0, 16777216.0, 0, 0}},
        {0x00, 0x00, 0x01, 0x00, 0x00, {0, 65536.0, 1, 0}},
        {0x00, 0x00, 0x00, 0x01, 0x00, {0, 256.0, 0, 256}},
        {0x00, 0x00, 0x00, 0x00, 0x01, {0, 1.0, 0, 1}},
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, {255, 4294967295.0, 255, 65535}},
        // 0x3456789A = 878082202, 0x789A = 30874, 0x56 = 86.
        {0x12, 0x34, 0x56, 0x78, 0x9A, {0x12, 878082202.0, 86, 30874}},
        // B4 stands apart: it never reaches B3B0.
        {0xAB, 0x00, 0x00, 0x00, 0x00, {0xAB, 0.0, 0, 0}},
        {0x00, 0x80, 0x00, 0x00, 0x00, {0, 2147483648.0, 0, 0}},
        {0x00, 0x00, 0x00, 0xFF, 0x00, {0, 65280.0, 0, 65280}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "bytes " << int{c.b4} << ' ' << int{c.b3} << ' '
                                        << int{c.b2} << ' ' << int{c.b1} << ' ' << int{c.b0});
        const CardNumber got = decodeTagNumber(c.b4, c.b3, c.b2, c.b1, c.b0);
        EXPECT_EQ(got.B4(), c.expected.B4);
        EXPECT_EQ(got.B3B0(), c.expected.B3B0);
        EXPECT_EQ(got.B2(), c.expected.B2);
        EXPECT_EQ(got.B1B0(), c.expected.B1B0);
    }
}

TEST(DecodeTagNumberTest, FieldTexts) {
    struct Case {
        std::uint8_t b4{}, b3{}, b2{}, b1{}, b0{};
        std::string_view textB4, textB3B0, textB2, textB1B0;
    };
    const Case cases[] = {
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, "255", "4294967295", "255", "65535"},
        {0x00, 0x00, 0x00, 0x00, 0x00, "000", "0000000000", "000", "00000"},
        {0x00, 0x00, 0x00, 0x01, 0x00, "000", "0000000256", "000", "00256"},
        {0x00, 0x01, 0x00, 0x00, 0x00, "000", "0016777216", "000", "00000"},
        {0x00, 0x00, 0x01, 0x00, 0x00, "000", "0000065536", "001", "00000"},
        {0x07, 0x00, 0x00, 0x00, 0x2A, "007", "0000000042", "000", "00042"},
    };
    for (const Case& c : cases) {
        const CardNumber n = decodeTagNumber(c.b4, c.b3, c.b2, c.b1, c.b0);
        EXPECT_EQ(formatPadded(n.B4(), fieldWidth(Field::B4)), c.textB4);
        EXPECT_EQ(formatPadded(n.B3B0(), fieldWidth(Field::B3B0)), c.textB3B0);
        EXPECT_EQ(formatPadded(n.B2(), fieldWidth(Field::B2)), c.textB2);
        EXPECT_EQ(formatPadded(n.B1B0(), fieldWidth(Field::B1B0)), c.textB1B0);
    }
}

TEST(WholeNumberTest, MostSignificantByteFirst) {
    struct Case {
        NumberBytes bytes;
        std::uint32_t expected{};
    };
    const Case cases[] = {
        {{0x00, 0x00, 0x00, 0x00}, 0U},          {{0x00, 0x00, 0x00, 0x01}, 1U},
        {{0x01, 0x00, 0x00, 0x00}, 16777216U},   {{0x00, 0x01, 0x00, 0x00}, 65536U},
        {{0x00, 0x00, 0x01, 0x00}, 256U},        {{0x12, 0x34, 0x56, 0x78}, 0x12345678U},
        {{0xFF, 0xFF, 0xFF, 0xFF}, 4294967295U}, {{0x80, 0x00, 0x00, 0x00}, 2147483648U},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wholeNumber(c.bytes), c.expected) << c.expected;
    }
}

// --- formatPadded ----------------------------------------------------------------------------

TEST(FormatPaddedTest, Texts) {
    struct Case {
        double value;
        int width;
        std::string_view expected;
    };
    const Case cases[] = {
        // Whole values: digits, zeros in front up to the width.
        {0.0, 3, "000"},
        {-0.0, 3, "000"},
        {0.0, 1, "0"},
        {0.0, 0, "0"},
        {0.0, -4, "0"},
        {7.0, 3, "007"},
        {42.0, 5, "00042"},
        {255.0, 3, "255"},
        {65535.0, 5, "65535"},
        {4294967295.0, 10, "4294967295"},
        {16777216.0, 10, "0016777216"},
        {1.0, 10, "0000000001"},
        // Longer than the width: never cut.
        {1234.0, 3, "1234"},
        {4294967296.0, 10, "4294967296"},
        {99999999999.0, 10, "99999999999"},
        // Negative whole values: the sign first, the zeros after it, the sign counted in the width.
        {-5.0, 3, "-05"},
        {-1.0, 5, "-0001"},
        {-255.0, 3, "-255"},
        {-1234.0, 3, "-1234"},
        // The largest whole values are written out in full, never with an exponent.
        {9007199254740991.0, 10, "9007199254740991"},
        {9007199254740992.0, 10, "9007199254740992"},
        {18014398509481988.0, 10, "18014398509481988"},
        {1e21, 3, "1000000000000000000000"},
        {-1e21, 3, "-1000000000000000000000"},
        {1e22, 3, "10000000000000000000000"},
        // Non-whole values: the fewest digits that read back the same, padded the same way.
        {0.5, 3, "0.5"},
        {0.5, 5, "000.5"},
        {-0.5, 5, "-00.5"},
        {1.5, 1, "1.5"},
        {0.1, 1, "0.1"},
        {0.30000000000000004, 1, "0.30000000000000004"},
        {255.5, 3, "255.5"},
        {4294967295.5, 10, "4294967295.5"},
        {1234.25, 10, "0001234.25"},
        {1e-6, 1, "0.000001"},
        {1.5e-7, 1, "0.00000015"},
        {4503599627370495.5, 1, "4503599627370495.5"},
        // Not numbers: as they are, unpadded.
        {kInf, 10, "inf"},
        {-kInf, 10, "-inf"},
        {kNaN, 10, "nan"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatPadded(c.value, c.width), c.expected)
            << "value " << c.value << " width " << c.width;
    }
}

TEST(FormatPaddedTest, TinyValuesAreWrittenInFullAndReadBack) {
    const double cases[] = {
        std::numeric_limits<double>::denorm_min(),
        std::numeric_limits<double>::min(),
        -std::numeric_limits<double>::min(),
        1e-300,
        2.5e-10,
    };
    for (const double value : cases) {
        const std::string text = formatPadded(value, 3);
        EXPECT_EQ(text.find_first_of("eE"), std::string::npos) << text;
        EXPECT_EQ(parseLenient(text), value) << text;
    }
    // The smallest subnormal is 4.94e-324: "0.", 323 zeros and its digits.
    const std::string smallest = formatPadded(std::numeric_limits<double>::denorm_min(), 1);
    EXPECT_EQ(smallest.rfind("0.", 0), 0U) << smallest;
    EXPECT_EQ(smallest.find_first_not_of('0', 2), 2U + 323U) << smallest;
}

TEST(FormatPaddedTest, LargestValueIsWrittenExactly) {
    const std::string text = formatPadded(std::numeric_limits<double>::max(), 10);
    EXPECT_EQ(text.size(), 309U);
    EXPECT_EQ(text.rfind("17976931348623157", 0), 0U) << text;
    EXPECT_EQ(parseLenient(text), std::numeric_limits<double>::max());
}

// --- toByte and toInt32 ----------------------------------------------------------------------

struct ByteCase {
    double value{};
    std::optional<std::uint8_t> expected;
};

// Half-to-even rounding and the 0..255 range.
const std::vector<ByteCase>& byteCases() {
    static const std::vector<ByteCase> cases = {
        {0.0, 0},
        {-0.0, 0},
        {0.5, 0},
        {1.5, 2},
        {2.5, 2},
        {3.5, 4},
        {-0.5, 0},
        {-0.4, 0},
        {-0.5000000000000001, std::nullopt},
        {-0.6, std::nullopt},
        {-1.0, std::nullopt},
        {0.49999999999999994, 0},  // floor(x + 0.5) would give 1
        {0.5000000000000001, 1},
        {1.4999999999999998, 1},
        {2.4, 2},
        {2.6, 3},
        {127.5, 128},
        {128.5, 128},
        {254.5, 254},
        {254.50000000000003, 255},
        {255.0, 255},
        {255.4, 255},
        {255.49999999999997, 255},
        {255.5, std::nullopt},
        {256.0, std::nullopt},
        {1e300, std::nullopt},
        {-1e300, std::nullopt},
        {std::numeric_limits<double>::denorm_min(), 0},
        {-std::numeric_limits<double>::denorm_min(), 0},
        {kInf, std::nullopt},
        {-kInf, std::nullopt},
        {kNaN, std::nullopt},
    };
    return cases;
}

void expectByteCases() {
    for (const ByteCase& c : byteCases()) {
        const auto got = toByte(c.value);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.value;
        if (got) {
            EXPECT_EQ(int{*got}, int{*c.expected}) << c.value;
        }
    }
}

TEST(ToByteTest, RoundsHalfToEvenAndChecksRange) {
    expectByteCases();
}

// Restores the rounding mode in force when it was created.
class RoundingModeGuard {
public:
    RoundingModeGuard() : saved_(std::fegetround()) {}
    RoundingModeGuard(const RoundingModeGuard&) = delete;
    RoundingModeGuard& operator=(const RoundingModeGuard&) = delete;
    RoundingModeGuard(RoundingModeGuard&&) = delete;
    RoundingModeGuard& operator=(RoundingModeGuard&&) = delete;
    ~RoundingModeGuard() { std::fesetround(saved_); }

private:
    int saved_;
};

TEST(ToByteTest, IndependentOfTheRoundingMode) {
    struct Mode {
        int mode;
        const char* name;
    };
    const Mode modes[] = {
        {FE_UPWARD, "FE_UPWARD"},
        {FE_DOWNWARD, "FE_DOWNWARD"},
        {FE_TOWARDZERO, "FE_TOWARDZERO"},
        {FE_TONEAREST, "FE_TONEAREST"},
    };
    const int before = std::fegetround();
    for (const Mode& m : modes) {
        SCOPED_TRACE(m.name);
        {
            const RoundingModeGuard guard;
            ASSERT_EQ(std::fesetround(m.mode), 0);
            expectByteCases();
            // splitTenDigit rounds B0 with the same rule.
            const auto split = splitTenDigit(254.5);
            ASSERT_TRUE(split.has_value());
            EXPECT_EQ(int{split->b0}, 254);
            EXPECT_FALSE(splitTenDigit(255.5).has_value());
            const auto i32 = toInt32(-2.5);
            ASSERT_TRUE(i32.has_value());
            EXPECT_EQ(*i32, -2);
        }
        EXPECT_EQ(std::fegetround(), before);
    }
}

// Every value k + q/4 for k in -3..260: below a half goes down, above goes up, a half goes to the
// even neighbour; the answer is computed in integers.
TEST(ToByteTest, QuarterStepsAgreeWithIntegerRounding) {
    for (int k = -3; k <= 260; ++k) {
        for (int q = 0; q < 4; ++q) {
            const double value = k + q / 4.0;
            int nearest = k;
            if (q == 3 || (q == 2 && k % 2 != 0)) {
                nearest = k + 1;
            }
            const auto got = toByte(value);
            if (nearest < 0 || nearest > 255) {
                EXPECT_FALSE(got.has_value()) << value;
            } else {
                ASSERT_TRUE(got.has_value()) << value;
                EXPECT_EQ(int{*got}, nearest) << value;
            }
        }
    }
}

TEST(ToInt32Test, RoundsHalfToEvenAndChecksRange) {
    struct Case {
        double value{};
        std::optional<std::int32_t> expected;
    };
    const Case cases[] = {
        {0.0, 0},
        {0.5, 0},
        {1.5, 2},
        {2.5, 2},
        {3.5, 4},
        {-0.5, 0},
        {-1.5, -2},
        {-2.5, -2},
        {-3.5, -4},
        {-1.0, -1},
        {65535.0, 65535},
        {65535.5, 65536},
        {65536.0, 65536},
        {2147483647.0, 2147483647},
        {2147483647.4, 2147483647},
        {2147483646.5, 2147483646},
        {2147483647.5, std::nullopt},
        {2147483648.0, std::nullopt},
        {-2147483648.0, std::numeric_limits<std::int32_t>::min()},
        {-2147483648.5, std::numeric_limits<std::int32_t>::min()},
        {-2147483648.6, std::nullopt},
        {-2147483649.0, std::nullopt},
        {4294967295.0, std::nullopt},
        {1e300, std::nullopt},
        {-1e300, std::nullopt},
        {9007199254740993.0, std::nullopt},
        {kInf, std::nullopt},
        {-kInf, std::nullopt},
        {kNaN, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto got = toInt32(c.value);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.value;
        if (got) {
            EXPECT_EQ(*got, *c.expected) << c.value;
        }
    }
}

// --- splitTenDigit ---------------------------------------------------------------------------

TEST(SplitTenDigitTest, Bytes) {
    struct Case {
        double n{};
        std::optional<NumberBytes> expected;
    };
    const Case cases[] = {
        {0.0, NumberBytes{0x00, 0x00, 0x00, 0x00}},
        {-0.0, NumberBytes{0x00, 0x00, 0x00, 0x00}},
        {1.0, NumberBytes{0x00, 0x00, 0x00, 0x01}},
        {255.0, NumberBytes{0x00, 0x00, 0x00, 0xFF}},
        {256.0, NumberBytes{0x00, 0x00, 0x01, 0x00}},
        {65535.0, NumberBytes{0x00, 0x00, 0xFF, 0xFF}},
        {65536.0, NumberBytes{0x00, 0x01, 0x00, 0x00}},
        {16777215.0, NumberBytes{0x00, 0xFF, 0xFF, 0xFF}},
        {16777216.0, NumberBytes{0x01, 0x00, 0x00, 0x00}},
        {305419896.0, NumberBytes{0x12, 0x34, 0x56, 0x78}},
        {2147483648.0, NumberBytes{0x80, 0x00, 0x00, 0x00}},
        {4294967295.0, NumberBytes{0xFF, 0xFF, 0xFF, 0xFF}},
        // Whole numbers outside 0..4294967295 fail.
        {4294967296.0, std::nullopt},
        {4294967300.0, std::nullopt},
        {9999999999.0, std::nullopt},
        {1e15, std::nullopt},
        {-1.0, std::nullopt},
        {-4294967295.0, std::nullopt},
        // Any N below 0 fails, however close.
        {-0.25, std::nullopt},
        {-std::numeric_limits<double>::denorm_min(), std::nullopt},
        // Only B0 is rounded.
        {0.5, NumberBytes{0x00, 0x00, 0x00, 0x00}},
        {1.5, NumberBytes{0x00, 0x00, 0x00, 0x02}},
        {254.5, NumberBytes{0x00, 0x00, 0x00, 0xFE}},
        {255.4, NumberBytes{0x00, 0x00, 0x00, 0xFF}},
        {255.5, std::nullopt},    // in range, but B0 rounds to 256
        {511.5, std::nullopt},    // B1 = 1, then B0 rounds to 256
        {65535.5, std::nullopt},  // B1 = 255, then B0 rounds to 256
        {256.5, NumberBytes{0x00, 0x00, 0x01, 0x00}},
        {257.5, NumberBytes{0x00, 0x00, 0x01, 0x02}},
        {65791.3, NumberBytes{0x00, 0x01, 0x00, 0xFF}},       // 65536 + 255.3
        {65791.7, std::nullopt},                              // 65536 + 255.7: B0 rounds to 256
        {4294967295.4, NumberBytes{0xFF, 0xFF, 0xFF, 0xFF}},  // above the range, yet passes
        {4294967295.5, std::nullopt},
        {kInf, std::nullopt},
        {-kInf, std::nullopt},
        {kNaN, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto got = splitTenDigit(c.n);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << std::to_string(c.n);
        if (got) {
            EXPECT_EQ(got->b3, c.expected->b3) << std::to_string(c.n);
            EXPECT_EQ(got->b2, c.expected->b2) << std::to_string(c.n);
            EXPECT_EQ(got->b1, c.expected->b1) << std::to_string(c.n);
            EXPECT_EQ(got->b0, c.expected->b0) << std::to_string(c.n);
        }
    }
}

// --- composeEightDigit -----------------------------------------------------------------------

TEST(ComposeEightDigitTest, Bytes) {
    struct Case {
        std::string_view textB2;
        std::string_view textB1B0;
        NumberBytes bytes;
        std::int32_t lowValue;
    };
    const Case cases[] = {
        {"255", "65535", {0x00, 0xFF, 0xFF, 0xFF}, 65535},
        {"000", "00001", {0x00, 0x00, 0x00, 0x01}, 1},
        {"000", "00000", {0x00, 0x00, 0x00, 0x00}, 0},
        {"", "", {0x00, 0x00, 0x00, 0x00}, 0},
        {"001", "00256", {0x00, 0x01, 0x01, 0x00}, 256},
        {"012", "34567", {0x00, 0x0C, 0x87, 0x07}, 34567},  // 34567 = 135 * 256 + 7
        {"128", "32768", {0x00, 0x80, 0x80, 0x00}, 32768},
        {"  7 ", "1 0", {0x00, 0x07, 0x00, 0x0A}, 10},
        {"２５５", "６５５３５", {0x00, 0xFF, 0xFF, 0xFF}, 65535},  // full-width digits
        {"12abc", "300xyz", {0x00, 0x0C, 0x01, 0x2C}, 300},
        // Both values are rounded half to even first.
        {"254.5", "255.5", {0x00, 0xFE, 0x01, 0x00}, 256},
        {"1.5", "2.5", {0x00, 0x02, 0x00, 0x02}, 2},
        {"-0.4", "-0.5", {0x00, 0x00, 0x00, 0x00}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.textB2 << "\", \"" << c.textB1B0 << '"');
        const auto got = composeEightDigit(c.textB2, c.textB1B0);
        ASSERT_TRUE(got.has_value()) << "fails at " << fieldName(got.error());
        EXPECT_EQ(got->bytes.b3, 0);
        EXPECT_EQ(got->bytes.b2, c.bytes.b2);
        EXPECT_EQ(got->bytes.b1, c.bytes.b1);
        EXPECT_EQ(got->bytes.b0, c.bytes.b0);
        EXPECT_EQ(got->B1B0, c.lowValue);
    }
}

TEST(ComposeEightDigitTest, FailuresNameTheField) {
    const std::string tooLargeForADouble = "1" + std::string(400, '0');
    struct Case {
        std::string_view textB2;
        std::string_view textB1B0;
        Field field;
    };
    const Case cases[] = {
        {"256", "0", Field::B2},
        {"-1", "0", Field::B2},
        {"255.5", "0", Field::B2},
        {"-0.6", "0", Field::B2},
        {"99999999999999999999", "0", Field::B2},
        {"0", "65536", Field::B1B0},
        {"0", "65535.5", Field::B1B0},  // rounds to 65536
        {"0", "-1", Field::B1B0},
        {"0", "-0.6", Field::B1B0},
        {"0", "2147483648", Field::B1B0},  // not a signed 32-bit value
        {"0", "-2147483649", Field::B1B0},
        {"0", "99999999999", Field::B1B0},
        {"0", tooLargeForADouble, Field::B1B0},  // infinite
        // Both out of range: B2 is looked at first.
        {"256", "65536", Field::B2},
        {"-1", "-1", Field::B2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.textB2 << "\", \"" << c.textB1B0 << '"');
        const auto got = composeEightDigit(c.textB2, c.textB1B0);
        ASSERT_FALSE(got.has_value());
        EXPECT_EQ(fieldName(got.error()), fieldName(c.field));
    }
}

// --- nextNumber ------------------------------------------------------------------------------

TEST(NextNumberTest, AddsOneAndWrapsToOne) {
    struct Case {
        Notation notation;
        double value;
        double expected;
    };
    const Case cases[] = {
        {Notation::WG34, 0.0, 1.0},
        {Notation::WG34, 1.0, 2.0},
        {Notation::WG34, 41.0, 42.0},
        {Notation::WG34, 65535.0, 65536.0},  // no 16-bit wrap in the ten-digit notation
        {Notation::WG34, 4294967294.0, 4294967295.0},
        {Notation::WG34, 4294967295.0, 1.0},
        {Notation::WG34, 4294967295.4, 1.0},
        {Notation::WG34, 1.5, 2.5},
        {Notation::WG26, 0.0, 1.0},
        {Notation::WG26, 255.0, 256.0},  // no carry out of B1B0 except at its top
        {Notation::WG26, 65534.0, 65535.0},
        {Notation::WG26, 65535.0, 1.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(nextNumber(c.notation, c.value), c.expected)
            << (c.notation == Notation::WG34 ? "WG34 " : "WG26 ") << std::to_string(c.value);
    }
}

TEST(NextNumberTest, WrappedNumbersAreShownAsOne) {
    EXPECT_EQ(formatPadded(nextNumber(Notation::WG34, 4294967295.0), fieldWidth(Field::B3B0)),
              "0000000001");
    EXPECT_EQ(formatPadded(nextNumber(Notation::WG26, 65535.0), fieldWidth(Field::B1B0)), "00001");
    EXPECT_EQ(formatPadded(nextNumber(Notation::WG34, 0.0), fieldWidth(Field::B3B0)), "0000000001");
    EXPECT_EQ(formatPadded(nextNumber(Notation::WG26, 0.0), fieldWidth(Field::B1B0)), "00001");
}

// --- The edge cases of the window's fields ---------------------------------------------------

TEST(FieldTextsTest, StartTextsGiveTheTagNumberOne) {
    // Ten-digit notation: "000" and "0000000001".
    const auto b4 = toByte(parseLenient("000"));
    ASSERT_TRUE(b4.has_value());
    EXPECT_EQ(*b4, 0);
    const auto ten = splitTenDigit(parseLenient("0000000001"));
    ASSERT_TRUE(ten.has_value());
    EXPECT_EQ(*ten, (NumberBytes{0x00, 0x00, 0x00, 0x01}));

    // Eight-digit notation: "000", "000" and "00001".
    const auto eight = composeEightDigit("000", "00001");
    ASSERT_TRUE(eight.has_value());
    EXPECT_EQ(eight->bytes, (NumberBytes{0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(eight->B1B0, 1);
}

TEST(FieldTextsTest, OutOfRangeTextsFail) {
    // 256 and -1 in a byte field.
    for (const std::string_view text : {"256", "-1", "-001", "1000", "２５６"}) {
        EXPECT_FALSE(toByte(parseLenient(text)).has_value()) << text;
        const auto eight = composeEightDigit(text, "0");
        ASSERT_FALSE(eight.has_value()) << text;
        EXPECT_EQ(eight.error(), Field::B2) << text;
    }
    // Whole numbers above 4294967295 and -1 in the ten-digit field.
    for (const std::string_view text :
         {"4294967296", "4294967297", "5000000000", "9999999999", "10000000000", "-1",
          "-0000000001", "18446744073709551616"}) {
        EXPECT_FALSE(splitTenDigit(parseLenient(text)).has_value()) << text;
    }
    // 65536 and -1 in the 16-bit field.
    for (const std::string_view text : {"65536", "65537", "99999", "-1", "-00001"}) {
        const auto eight = composeEightDigit("000", text);
        ASSERT_FALSE(eight.has_value()) << text;
        EXPECT_EQ(eight.error(), Field::B1B0) << text;
    }
}

TEST(FieldTextsTest, BlankFieldsParseAsZero) {
    for (const std::string_view text : {"", " ", "   ", "\t", "\n", "\xE3\x80\x80", " \t\n "}) {
        const double value = parseLenient(text);
        EXPECT_EQ(value, 0.0);
        EXPECT_FALSE(std::signbit(value));
    }
    const auto ten = splitTenDigit(parseLenient(""));
    ASSERT_TRUE(ten.has_value());
    EXPECT_EQ(*ten, (NumberBytes{0x00, 0x00, 0x00, 0x00}));
}

}  // namespace
}  // namespace card
