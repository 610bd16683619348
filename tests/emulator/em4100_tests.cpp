// EM4100 framing against the published test vectors.
#include "card/number_text.h"
#include "emulator/em4100.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

namespace {

using emulator::CardNumber;
using emulator::Frame;

struct FrameVector {
    CardNumber number;
    Frame frame;

    friend void PrintTo(const FrameVector& v, std::ostream* os) { *os << std::hex << v.frame; }
};

// Public EM4100 test vectors: ID (B4 first) and the 64-bit frame it is sent as.
const FrameVector kVectors[] = {
    {{0x11, 0x22, 0x33, 0x44, 0x55}, 0xFF8C65298C94A940ULL},
    {{0x58, 0x00, 0x85, 0x64, 0x02}, 0xFFAA200454C480A0ULL},
    {{0x00, 0x00, 0x00, 0x00, 0x00}, 0xFF80000000000000ULL},
    {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFBDEF7BDEF7BC0ULL},
};

class Em4100Vector : public ::testing::TestWithParam<FrameVector> {};

TEST_P(Em4100Vector, EncodesToThePublishedFrame) {
    EXPECT_EQ(emulator::encodeFrame(GetParam().number), GetParam().frame);
}

TEST_P(Em4100Vector, DecodesThePublishedFrame) {
    const auto number = emulator::decodeFrame(GetParam().frame);
    ASSERT_TRUE(number.has_value());
    EXPECT_EQ(*number, GetParam().number);
}

TEST_P(Em4100Vector, RejectsTheFrameWithAnySingleBitFlipped) {
    for (unsigned bit = 0; bit < 64; ++bit) {
        const Frame damaged = GetParam().frame ^ (Frame{1} << bit);
        EXPECT_FALSE(emulator::decodeFrame(damaged).has_value()) << "bit " << bit;
    }
}

TEST_P(Em4100Vector, IsFoundInARepeatedStreamAtAnyPhase) {
    emulator::BitStream frame;
    emulator::appendBits(frame, GetParam().frame, 64);
    for (std::size_t shift = 0; shift < frame.size(); ++shift) {
        emulator::BitStream rotated(frame.begin() + static_cast<std::ptrdiff_t>(shift),
                                    frame.end());
        rotated.insert(rotated.end(), frame.begin(),
                       frame.begin() + static_cast<std::ptrdiff_t>(shift));
        const auto found = emulator::findFrame(rotated);
        ASSERT_TRUE(found.has_value()) << "shift " << shift;
        EXPECT_EQ(*found, GetParam().number) << "shift " << shift;
    }
}

INSTANTIATE_TEST_SUITE_P(Published, Em4100Vector, ::testing::ValuesIn(kVectors));

TEST(Em4100, EveryNibbleValueRoundTripsInEveryRow) {
    for (unsigned byte = 0; byte < 5; ++byte) {
        for (std::uint64_t value = 0; value < 256; ++value) {
            const unsigned shift = 8 * (4 - byte);
            const CardNumber number = card::tagNumberFromValue(
                (0x123456789AULL & ~(0xFFULL << shift)) | (value << shift));
            const auto decoded = emulator::decodeFrame(emulator::encodeFrame(number));
            ASSERT_TRUE(decoded.has_value()) << byte << ' ' << value;
            EXPECT_EQ(*decoded, number);
        }
    }
}

TEST(Em4100, StreamsWithoutAValidFrameGiveNoNumber) {
    EXPECT_FALSE(emulator::findFrame({}).has_value());
    EXPECT_FALSE(emulator::findFrame(emulator::BitStream(64, false)).has_value());
    EXPECT_FALSE(emulator::findFrame(emulator::BitStream(224, true)).has_value());

    emulator::BitStream damaged;
    emulator::appendBits(damaged, 0xFF8C65298C94A940ULL ^ (Frame{1} << 20U), 64);
    EXPECT_FALSE(emulator::findFrame(damaged).has_value());
}

TEST(Em4100, AppendBitsSendsTheMostSignificantFirst) {
    emulator::BitStream stream;
    emulator::appendBits(stream, 0b1011, 4);
    emulator::appendBits(stream, 0x1, 2);
    EXPECT_EQ(stream, (emulator::BitStream{true, false, true, true, false, true}));
}

}  // namespace
