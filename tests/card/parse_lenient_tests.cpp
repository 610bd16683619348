#include "card/card_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace card {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// The full-width form of an ASCII text, as a Chinese input method types it: digits U+FF10..U+FF19,
// plus U+FF0B, minus U+FF0D, point U+FF0E, and the ideographic space U+3000 for a space.
std::string fullWidth(std::string_view ascii) {
    std::string text;
    for (const char c : ascii) {
        if (c >= '0' && c <= '9') {
            text += "\xEF\xBC";
            text += static_cast<char>(0x90 + (c - '0'));
        } else if (c == '+') {
            text += "\xEF\xBC\x8B";
        } else if (c == '-') {
            text += "\xEF\xBC\x8D";
        } else if (c == '.') {
            text += "\xEF\xBC\x8E";
        } else if (c == ' ') {
            text += "\xE3\x80\x80";
        } else {
            text += c;
        }
    }
    return text;
}

const std::string kIdeographicSpace = "\xE3\x80\x80";

struct Case {
    std::string text;
    double expected;
};

void expectCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const double got = parseLenient(c.text);
        EXPECT_EQ(got, c.expected) << '"' << (c.text.size() > 80 ? c.text.substr(0, 80) : c.text)
                                   << "\" (" << c.text.size() << " bytes)";
    }
}

TEST(ParseLenientTest, StatedCases) {
    expectCases({
        {"007", 7.0},
        {"12abc", 12.0},
        {"-1", -1.0},
        {"abc", 0.0},
        {"", 0.0},
    });
}

TEST(ParseLenientTest, SignsDigitsAndPoint) {
    expectCases({
        {"0", 0.0},
        {"5", 5.0},
        {"+5", 5.0},
        {"-5", -5.0},
        {"255", 255.0},
        {"000255", 255.0},
        {"4294967295", 4294967295.0},
        {"0000000001", 1.0},
        {"1.5", 1.5},
        {"0.1", 0.1},
        {"-0.5", -0.5},
        {".5", 0.5},
        {"-.5", -0.5},
        {"+.25", 0.25},
        {"5.", 5.0},
        {"007.500", 7.5},
        {"4294967295.5", 4294967295.5},
    });
}

TEST(ParseLenientTest, BlanksAreSkippedAnywhere) {
    expectCases({
        {"  42", 42.0},
        {"42  ", 42.0},
        {"\t7", 7.0},
        {"\n7\n", 7.0},
        {"4 2", 42.0},
        {"1 2 3", 123.0},
        {"- 1", -1.0},
        {" - 1 ", -1.0},
        {"+ 7", 7.0},
        {"1 . 5", 1.5},
        {"1\t2\n3", 123.0},
        {kIdeographicSpace + "8", 8.0},
        {"1" + kIdeographicSpace + "2", 12.0},
        {"-" + kIdeographicSpace + "3", -3.0},
        {" \t\n" + kIdeographicSpace + " 9", 9.0},
    });
}

TEST(ParseLenientTest, FullWidthFormsCountAsAscii) {
    expectCases({
        // U+FF11 U+FF12 U+FF13, spelt out.
        {"\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x93", 123.0},
        {fullWidth("0123456789"), 123456789.0},
        {fullWidth("009"), 9.0},
        {fullWidth("-5"), -5.0},
        {fullWidth("+5"), 5.0},
        {fullWidth("1.5"), 1.5},
        {fullWidth(".5"), 0.5},
        {fullWidth("- 4 2"), -42.0},
        {"1" + fullWidth("2") + "3", 123.0},
        {fullWidth("-") + "1" + fullWidth(".") + "5", -1.5},
        {fullWidth("5.5.5"), 5.5},  // a second full-width point stops
        {fullWidth("+-1"), 0.0},    // a second sign stops
        {fullWidth("4294967295"), 4294967295.0},
        // Neighbours of the full-width forms are not numbers.
        {std::string("\xEF\xBC\x8F") + "5", 0.0},        // U+FF0F full-width solidus
        {std::string("\xEF\xBC\x9A") + "5", 0.0},        // U+FF1A full-width colon
        {std::string("\xEF\xBC\x8C") + "5", 0.0},        // U+FF0C full-width comma
        {"5" + std::string("\xEF\xBC\x8C") + "5", 5.0},  // stops the number
        {std::string("\xE3\x80\x81") + "5", 0.0},        // U+3001 ideographic comma
        {"\xE3\x80\x80", 0.0},
        // A cut-off sequence at the end of the text ends the number.
        {"5\xEF\xBC", 5.0},
        {"5\xEF", 5.0},
        {"5\xE3\x80", 5.0},
    });
}

TEST(ParseLenientTest, ReadingStopsAtTheFirstCharacterThatCannotContinue) {
    expectCases({
        {"1.2.3", 1.2},   {"1..2", 1.0},     {"..5", 0.0},     {"1-2", 1.0},
        {"1+2", 1.0},     {"-1-2", -1.0},    {"5-", 5.0},      {"5+", 5.0},
        {"1e5", 1.0},     {"1E5", 1.0},      {"2.5e-3", 2.5},  {"0x1A", 0.0},
        {"0b11", 0.0},    {"1,234", 1.0},    {"12,345", 12.0}, {"inf", 0.0},
        {"nan", 0.0},     {"12abc34", 12.0}, {"3\r4", 3.0},    {std::string{'7', '\0', '8'}, 7.0},
        {"--1", 0.0},     {"+-1", 0.0},      {"-+1", 0.0},     {".-1", 0.0},
        {"1 .2. 3", 1.2},
    });
}

TEST(ParseLenientTest, NoNumberGivesPositiveZero) {
    for (const std::string_view text : {"", "-", "+", ".", "-.", "+.", "abc", "+-1", " - ", "e5",
                                        "\xEF\xBC\x8D", "\xE3\x80\x80\xEF\xBC\x8E"}) {
        const double got = parseLenient(text);
        EXPECT_EQ(got, 0.0) << '"' << text << '"';
        EXPECT_FALSE(std::signbit(got)) << '"' << text << '"';
    }
}

TEST(ParseLenientTest, CorrectlyRounded) {
    // Each expected value is the compiler's reading of the same decimal text.
    expectCases({
        {"0.30000000000000004", 0.30000000000000004},
        {"0.3", 0.3},
        {"123456789.123456789", 123456789.123456789},
        {"9007199254740991", 9007199254740991.0},
        {"9007199254740992", 9007199254740992.0},
        // 2^53 + 1 lies halfway between two doubles: it goes to the even one.
        {"9007199254740993", 9007199254740992.0},
        {"9007199254740995", 9007199254740996.0},
        {"9007199254740993.000001", 9007199254740994.0},
        {"18446744073709551616", 18446744073709551616.0},
        {"18446744073709551615", 18446744073709551616.0},
        {"2.2250738585072014e-308", 2.2250738585072014},  // the exponent is not read
        {"0.000001", 1e-6},
        {"0.0000000000000000000001", 1e-22},
    });
}

std::string zeros(std::size_t count) {
    std::string text(count, '0');
    return text;
}

TEST(ParseLenientTest, LongNumbersAreCorrectlyRounded) {
    // 1 + 2^-53 is the midpoint between 1 and the next double, exactly.
    const std::string midpoint = "1.00000000000000011102230246251565404236316680908203125";
    const std::string belowMidpoint = "1.00000000000000011102230246251565404236316680908203124";
    const double nextAfterOne = 1.0000000000000002;
    expectCases({
        {midpoint, 1.0},  // a tie goes to the even neighbour
        {midpoint + zeros(2000), 1.0},
        {midpoint + zeros(2000) + "1", nextAfterOne},  // far past the midpoint, still above it
        {belowMidpoint + std::string(2000, '9'), 1.0},
        {"9007199254740993." + zeros(2000), 9007199254740992.0},
        {"9007199254740993." + zeros(2000) + "1", 9007199254740994.0},
        {"-9007199254740993." + zeros(2000) + "1", -9007199254740994.0},
        {"0." + std::string(1000, '3'), 1.0 / 3.0},
        {"1." + std::string(5000, '9'), 2.0},
        {zeros(5000) + "42", 42.0},
        {zeros(5000) + "." + zeros(299) + "1", 1e-300},
        {"0." + zeros(299) + "1", 1e-300},
        {"0." + zeros(323) + "5", 5e-324},  // the smallest subnormal
        {"0." + zeros(323) + "2", 0.0},     // below half of it
        {"0." + zeros(5000) + "1", 0.0},
        {"-0." + zeros(5000) + "1", -0.0},
        {"1" + zeros(308), 1e308},
        {"1" + zeros(22), 1e22},
        {"17976931348623157" + zeros(292), std::numeric_limits<double>::max()},
        {"17976931348623158" + zeros(292), std::numeric_limits<double>::max()},
        {"17976931348623159" + zeros(292), kInf},
        {"1" + zeros(309), kInf},
        {"-1" + zeros(309), -kInf},
        {"1" + zeros(1000), kInf},
        {"1" + zeros(1000) + "." + std::string(1000, '7'), kInf},
    });
}

// Pastes of several megabytes finish, and give the value of their text.
TEST(ParseLenientTest, HugeTexts) {
    constexpr std::size_t kSize = std::size_t{4} << 20U;
    std::string spacesThenFive(kSize, ' ');
    spacesThenFive += "5";
    std::string ideographicSpacesThenFive;
    ideographicSpacesThenFive.reserve(kSize + 3);
    while (ideographicSpacesThenFive.size() < kSize) {
        ideographicSpacesThenFive += kIdeographicSpace;
    }
    ideographicSpacesThenFive += fullWidth("5");
    std::string digitsWithBlanks;
    digitsWithBlanks.reserve(kSize);
    digitsWithBlanks += "1";
    digitsWithBlanks.append(kSize, ' ');
    digitsWithBlanks += "2";

    expectCases({
        {std::string(kSize, '9'), kInf},
        {"-" + std::string(kSize, '1'), -kInf},
        {spacesThenFive, 5.0},
        {ideographicSpacesThenFive, 5.0},
        {digitsWithBlanks, 12.0},
        {zeros(kSize) + "7", 7.0},
        {"0." + zeros(kSize) + "1", 0.0},
        {"1." + std::string(kSize, '9'), 2.0},
        {"1." + zeros(kSize) + "1", 1.0},
        {std::string(kSize, '.'), 0.0},
        {std::string(kSize, '-'), 0.0},
        {"12" + std::string(kSize, 'x'), 12.0},
    });
}

}  // namespace
}  // namespace card
