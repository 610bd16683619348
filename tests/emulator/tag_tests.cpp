// Tag memories: the layouts a number is stored in, what each tag sends, and the chips' rules.
#include "emulator/tags.h"

#include <gtest/gtest.h>

namespace {

using emulator::CardNumber;
using emulator::Status;

// 1122334455 is sent as the frame FF8C65298C94A940 (public EM4100 vector).
constexpr CardNumber kNumber{0x11, 0x22, 0x33, 0x44, 0x55};
constexpr std::uint32_t kFrameHigh = 0xFF8C6529;
constexpr std::uint32_t kFrameLow = 0x8C94A940;
// The same halves with their bit order reversed (EM4305 words send their lowest bit first).
constexpr std::uint32_t kFrameHighReversed = 0x94A631FF;
constexpr std::uint32_t kFrameLowReversed = 0x02952931;

TEST(T5577, ANumberIsStoredAsConfigurationAndTheFrameHalvesInBlocks0To2) {
    const auto tag = emulator::t5577Holding(kNumber);
    EXPECT_EQ(tag.blocks[0].data, 0x00148040U);
    EXPECT_EQ(tag.blocks[1].data, kFrameHigh);
    EXPECT_EQ(tag.blocks[2].data, kFrameLow);
    for (const auto& block : tag.blocks) {
        EXPECT_FALSE(block.locked);
    }
}

TEST(T5577, TheNumberConfigurationMeansRf64ManchesterTwoBlocks) {
    const auto config = emulator::decodeT5577Config(0x00148040);
    EXPECT_EQ(config.bitRate, 64U);
    EXPECT_EQ(config.modulation, emulator::kT5577Manchester);
    EXPECT_EQ(config.maxBlock, 2U);
    EXPECT_FALSE(config.password);

    const auto delivered = emulator::decodeT5577Config(0x000880E8);
    EXPECT_EQ(delivered.bitRate, 32U);
    EXPECT_EQ(delivered.maxBlock, 7U);
    EXPECT_TRUE(emulator::decodeT5577Config(0x00148050).password);
}

TEST(T5577, SendsBlocksOneToMaxBlockOverAndOver) {
    const auto stream = emulator::uplink(emulator::t5577Holding(kNumber));
    emulator::BitStream expected;
    emulator::appendBits(expected, 0xFF8C65298C94A940ULL, 64);
    EXPECT_EQ(stream, expected);
    EXPECT_EQ(emulator::readNumber(emulator::t5577Holding(kNumber)), kNumber);
}

TEST(T5577, ABlankTagSendsNoValidFrame) {
    EXPECT_FALSE(emulator::readNumber(emulator::blankT5577()).has_value());
}

TEST(T5577, AFrameInAnotherBitRateIsNotReadByTheEm4100Reader) {
    auto tag = emulator::t5577Holding(kNumber);
    tag.blocks[0].data = 0x00088040;  // RF/32, otherwise the same
    EXPECT_TRUE(emulator::uplink(tag).empty());
    EXPECT_FALSE(emulator::readNumber(tag).has_value());
}

TEST(T5577, APasswordLockedTagStillSendsItsNumber) {
    const auto tag = emulator::passwordLockedT5577(kNumber);
    EXPECT_NE(tag.blocks[0].data & 0x10U, 0U);
    EXPECT_EQ(emulator::readNumber(tag), kNumber);
}

TEST(T5577, ALockedBlockIsNeverWrittenAgain) {
    auto tag = emulator::blankT5577();
    ASSERT_EQ(emulator::writeT5577Block(tag, 3, 0xCAFEF00D, true), Status::Ok);
    EXPECT_EQ(emulator::writeT5577Block(tag, 3, 0x12345678, false), Status::TargetLocked);
    EXPECT_EQ(emulator::writeT5577Block(tag, 3, 0x12345678, true), Status::TargetLocked);
    EXPECT_EQ(tag.blocks[3].data, 0xCAFEF00DU);
    EXPECT_TRUE(tag.blocks[3].locked);
}

TEST(T5577, ThePasswordBitRefusesEveryWrite) {
    auto tag = emulator::passwordLockedT5577(kNumber);
    const auto before = tag;
    for (std::size_t block = 0; block < emulator::T5577Tag::kBlocks; ++block) {
        EXPECT_EQ(emulator::writeT5577Block(tag, block, 0, false), Status::PasswordProtected);
    }
    EXPECT_EQ(tag, before);
}

TEST(Em4305, ANumberIsStoredAsConfigurationAndTheReversedFrameHalvesInWords4To6) {
    const auto tag = emulator::em4305Holding(kNumber);
    EXPECT_EQ(tag.words[4], 0x0001805FU);
    EXPECT_EQ(tag.words[5], kFrameHighReversed);
    EXPECT_EQ(tag.words[6], kFrameLowReversed);
    EXPECT_EQ(tag.words[14], 0U);
    EXPECT_EQ(tag.words[15], 0U);
}

TEST(Em4305, TheNumberConfigurationMeansRf64ManchesterWords5And6) {
    const auto config = emulator::decodeEm4305Config(0x0001805F);
    EXPECT_EQ(config.bitRate, 64U);
    EXPECT_EQ(config.encoder, emulator::kEm4305Manchester);
    EXPECT_EQ(config.lastReadWord, 6U);
}

TEST(Em4305, SendsWordsLowestBitFirstSoTheFrameComesOutInOrder) {
    const auto tag = emulator::em4305Holding(kNumber);
    emulator::BitStream expected;
    emulator::appendBits(expected, 0xFF8C65298C94A940ULL, 64);
    EXPECT_EQ(emulator::uplink(tag), expected);
    EXPECT_EQ(emulator::readNumber(tag), kNumber);
}

TEST(Em4305, ABlankTagSendsNoValidFrame) {
    EXPECT_FALSE(emulator::readNumber(emulator::blankEm4305()).has_value());
}

TEST(Em4305, AProtectedWordIsNeverWrittenAgainAndProtectionIsNeverLifted) {
    auto tag = emulator::blankEm4305();
    ASSERT_EQ(emulator::writeEm4305Word(tag, 8, 0x11111111), Status::Ok);
    emulator::protectEm4305Words(tag, 1U << 8U);
    EXPECT_EQ(emulator::writeEm4305Word(tag, 8, 0x22222222), Status::TargetLocked);
    EXPECT_EQ(tag.words[8], 0x11111111U);

    emulator::protectEm4305Words(tag, 0);
    EXPECT_NE(emulator::em4305ProtectedWords(tag) & (1U << 8U), 0U);
    EXPECT_EQ(emulator::writeEm4305Word(tag, 9, 0x33333333), Status::Ok);
}

TEST(Em4305, TheSerialNumberWordIsReadOnly) {
    auto tag = emulator::blankEm4305();
    const auto serial = tag.words[1];
    EXPECT_EQ(emulator::writeEm4305Word(tag, 1, ~serial), Status::TargetLocked);
    EXPECT_EQ(tag.words[1], serial);
}

TEST(Em4100ReadOnly, SendsItsFactoryFrame) {
    const auto tag = emulator::em4100Holding(kNumber);
    EXPECT_EQ(tag.frame, 0xFF8C65298C94A940ULL);
    EXPECT_EQ(emulator::readNumber(tag), kNumber);
}

TEST(AnyTag, KindAndNamesFollowTheTagHeld) {
    using emulator::TagKind;
    for (const auto kind : {TagKind::T5577, TagKind::EM4305, TagKind::EM4100}) {
        const auto tag = emulator::tagHolding(kind, kNumber);
        EXPECT_EQ(emulator::kindOf(tag), kind);
        EXPECT_EQ(emulator::readNumber(tag), kNumber);
    }
    EXPECT_EQ(emulator::kindName(TagKind::T5577), "T5577");
    EXPECT_EQ(emulator::kindName(TagKind::EM4305), "EM4305");
    EXPECT_EQ(emulator::kindName(TagKind::EM4100), "EM4100");
}

}  // namespace
