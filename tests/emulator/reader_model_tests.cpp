// The reader's behaviour over the field: reads, writes, control codes, every failure cause.
#include "emulator/radio_timing.h"
#include "emulator/reader_model.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <ostream>

namespace {

using emulator::CardNumber;
using emulator::Chip;
using emulator::FieldState;
using emulator::Status;
using emulator::Tag;
using emulator::TagKind;

emulator::WriteBlock writeBlock(std::uint8_t chipCode, const CardNumber& n) {
    return {chipCode, n.b4, n.number.b3, n.number.b2, n.number.b1, n.number.b0};
}

std::uint8_t chipCodeOf(Chip chip) {
    return chip == Chip::T5577 ? 0 : 2;
}
std::uint8_t selectCodeOf(Chip chip) {
    return chip == Chip::T5577 ? 4 : 5;
}
std::uint8_t lockCodeOf(Chip chip) {
    return chip == Chip::T5577 ? 6 : 7;
}

Tag blank(Chip chip) {
    return chip == Chip::T5577 ? Tag{emulator::blankT5577()} : Tag{emulator::blankEm4305()};
}

// The call sequence of a write command: select the chip, write.
Status writeAsTheProgramDoes(FieldState& field, Chip chip, const CardNumber& number) {
    EXPECT_EQ(emulator::control(field, selectCodeOf(chip)).status, Status::Ok);
    return emulator::writeNumber(field, writeBlock(chipCodeOf(chip), number)).status;
}

const CardNumber kExtremes[] = {
    {0x00, 0x00, 0x00, 0x00, 0x00}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {0x00, 0x00, 0x00, 0x00, 0x01},
    {0x80, 0x00, 0x00, 0x00, 0x00}, {0x7F, 0xFF, 0xFF, 0xFF, 0xFF}, {0x00, 0xFF, 0xFF, 0xFF, 0xFF},
    {0xFF, 0x00, 0x00, 0x00, 0x00}, {0xAA, 0x55, 0xAA, 0x55, 0xAA}, {0x11, 0x22, 0x33, 0x44, 0x55},
    {0x58, 0x00, 0x85, 0x64, 0x02},
};

class WriteThenRead : public ::testing::TestWithParam<Chip> {};

TEST_P(WriteThenRead, ReadsBackEveryExtremeNumberFromABlankTag) {
    for (const auto& number : kExtremes) {
        FieldState field{blank(GetParam()), std::nullopt, 0};
        ASSERT_EQ(emulator::readTag(field).status, Status::NoValidFrame);
        ASSERT_EQ(writeAsTheProgramDoes(field, GetParam(), number), Status::Ok);
        const auto read = emulator::readTag(field);
        ASSERT_EQ(read.status, Status::Ok);
        EXPECT_EQ(read.number, number);
    }
}

TEST_P(WriteThenRead, OverwritesTheNumberOfAWrittenTag) {
    FieldState field{blank(GetParam()), std::nullopt, 0};
    for (const auto& number : kExtremes) {
        ASSERT_EQ(writeAsTheProgramDoes(field, GetParam(), number), Status::Ok);
        EXPECT_EQ(emulator::readTag(field).number, number);
    }
}

TEST_P(WriteThenRead, StoresTheSameMemoryAsATagHoldingTheNumber) {
    const CardNumber number{0x12, 0x34, 0x56, 0x78, 0x9A};
    FieldState field{blank(GetParam()), std::nullopt, 0};
    ASSERT_EQ(writeAsTheProgramDoes(field, GetParam(), number), Status::Ok);
    const auto kind = GetParam() == Chip::T5577 ? TagKind::T5577 : TagKind::EM4305;
    EXPECT_EQ(field.tag, emulator::tagHolding(kind, number));
}

INSTANTIATE_TEST_SUITE_P(BothChips, WriteThenRead, ::testing::Values(Chip::T5577, Chip::EM4305));

TEST(Read, FailsWithNoTagOrNoValidFrame) {
    EXPECT_EQ(emulator::readTag(FieldState{}).status, Status::NoTag);

    auto damaged = emulator::em4100Holding({1, 2, 3, 4, 5});
    damaged.frame ^= 1U << 10U;
    EXPECT_EQ(emulator::readTag(FieldState{damaged, std::nullopt, 0}).status, Status::NoValidFrame);
    EXPECT_EQ(emulator::readTag(FieldState{emulator::blankT5577(), std::nullopt, 0}).status,
              Status::NoValidFrame);
}

TEST(Read, ReadsAReadOnlyTagAndAPasswordLockedOne) {
    const CardNumber number{0x01, 0x02, 0x03, 0x04, 0x05};
    for (const Tag& tag :
         {Tag{emulator::em4100Holding(number)}, Tag{emulator::passwordLockedT5577(number)}}) {
        const auto read = emulator::readTag(FieldState{tag, std::nullopt, 0});
        EXPECT_EQ(read.status, Status::Ok);
        EXPECT_EQ(read.number, number);
    }
}

struct WriteFailure {
    const char* name;
    std::optional<Tag> tag;
    std::optional<Chip> selected;
    std::uint8_t chipCode;
    Status expected;

    friend void PrintTo(const WriteFailure& c, std::ostream* os) { *os << c.name; }
};

Tag lockedT5577() {
    FieldState field{emulator::t5577Holding({0, 0, 0, 0, 7}), std::nullopt, 0};
    EXPECT_EQ(emulator::control(field, 6).status, Status::Ok);
    return *field.tag;
}

Tag protectedEm4305() {
    FieldState field{emulator::em4305Holding({0, 0, 0, 0, 7}), std::nullopt, 0};
    EXPECT_EQ(emulator::control(field, 7).status, Status::Ok);
    return *field.tag;
}

class WriteFails : public ::testing::TestWithParam<WriteFailure> {};

TEST_P(WriteFails, WithItsOwnStatusAndLeavesTheTagAsItWas) {
    const auto& c = GetParam();
    FieldState field{c.tag, c.selected, 5};
    const FieldState before = field;
    const auto result = emulator::writeNumber(field, writeBlock(c.chipCode, {9, 9, 9, 9, 9}));
    EXPECT_EQ(result.status, c.expected) << emulator::describe(result.status);
    EXPECT_FALSE(result.changed);
    EXPECT_EQ(field, before);
}

INSTANTIATE_TEST_SUITE_P(
    EachCause, WriteFails,
    ::testing::Values(
        WriteFailure{"NoTag", std::nullopt, Chip::T5577, 0, Status::NoTag},
        WriteFailure{"NoChipSelected", emulator::blankT5577(), std::nullopt, 0,
                     Status::ChipNotSelected},
        WriteFailure{"BlockSaysEm4305AfterSelectingT5577", emulator::blankT5577(), Chip::T5577, 2,
                     Status::ChipCodeMismatch},
        WriteFailure{"BlockSaysT5577AfterSelectingEm4305", emulator::blankEm4305(), Chip::EM4305, 0,
                     Status::ChipCodeMismatch},
        WriteFailure{"ChipCode1", emulator::blankT5577(), Chip::T5577, 1, Status::UnknownChipCode},
        WriteFailure{"ChipCode255", emulator::blankT5577(), Chip::T5577, 255,
                     Status::UnknownChipCode},
        WriteFailure{"Em4305TagInT5577Mode", emulator::blankEm4305(), Chip::T5577, 0,
                     Status::WrongChip},
        WriteFailure{"T5577TagInEm4305Mode", emulator::blankT5577(), Chip::EM4305, 2,
                     Status::WrongChip},
        WriteFailure{"ReadOnlyTagInT5577Mode", emulator::em4100Holding({1, 2, 3, 4, 5}),
                     Chip::T5577, 0, Status::ReadOnlyTag},
        WriteFailure{"ReadOnlyTagInEm4305Mode", emulator::em4100Holding({1, 2, 3, 4, 5}),
                     Chip::EM4305, 2, Status::ReadOnlyTag},
        WriteFailure{"PasswordLockedT5577",
                     emulator::passwordLockedT5577(CardNumber{1, 2, 3, 4, 5}), Chip::T5577, 0,
                     Status::PasswordProtected},
        WriteFailure{"LockedT5577", lockedT5577(), Chip::T5577, 0, Status::TargetLocked},
        WriteFailure{"ProtectedEm4305", protectedEm4305(), Chip::EM4305, 2, Status::TargetLocked}));

struct LockFailure {
    const char* name;
    std::optional<Tag> tag;
    std::uint8_t code;
    Status expected;

    friend void PrintTo(const LockFailure& c, std::ostream* os) { *os << c.name; }
};

class LockFails : public ::testing::TestWithParam<LockFailure> {};

TEST_P(LockFails, WithANonZeroStatusAndLocksNothing) {
    const auto& c = GetParam();
    FieldState field{c.tag, Chip::T5577, 0};
    const FieldState before = field;
    const auto result = emulator::control(field, c.code);
    EXPECT_EQ(result.status, c.expected) << emulator::describe(result.status);
    EXPECT_NE(result.status, Status::Ok);
    EXPECT_EQ(field, before);
}

INSTANTIATE_TEST_SUITE_P(
    EachCause, LockFails,
    ::testing::Values(LockFailure{"T5577LockWithNoTag", std::nullopt, 6, Status::NoTag},
                      LockFailure{"Em4305LockWithNoTag", std::nullopt, 7, Status::NoTag},
                      LockFailure{"T5577LockOnEm4305", emulator::em4305Holding({1, 2, 3, 4, 5}), 6,
                                  Status::WrongChip},
                      LockFailure{"Em4305LockOnT5577", emulator::t5577Holding({1, 2, 3, 4, 5}), 7,
                                  Status::WrongChip},
                      LockFailure{"T5577LockOnReadOnly", emulator::em4100Holding({1, 2, 3, 4, 5}),
                                  6, Status::ReadOnlyTag},
                      LockFailure{"Em4305LockOnReadOnly", emulator::em4100Holding({1, 2, 3, 4, 5}),
                                  7, Status::ReadOnlyTag},
                      LockFailure{"T5577LockOnPasswordLocked",
                                  emulator::passwordLockedT5577(CardNumber{1, 2, 3, 4, 5}), 6,
                                  Status::PasswordProtected}));

class Locking : public ::testing::TestWithParam<Chip> {};

TEST_P(Locking, IsPermanentAndKeepsTheNumberWrittenBeforeIt) {
    const Chip chip = GetParam();
    const CardNumber first{0x00, 0x00, 0x00, 0x00, 0x2A};
    FieldState field{blank(chip), std::nullopt, 0};
    ASSERT_EQ(writeAsTheProgramDoes(field, chip, first), Status::Ok);
    ASSERT_EQ(emulator::control(field, lockCodeOf(chip)).status, Status::Ok);
    const auto lockedTag = field.tag;

    for (const auto& number : kExtremes) {
        EXPECT_EQ(writeAsTheProgramDoes(field, chip, number), Status::TargetLocked);
        EXPECT_EQ(field.tag, lockedTag);
    }
    // Locking again changes nothing and is no failure; the number stays readable.
    EXPECT_EQ(emulator::control(field, lockCodeOf(chip)).status, Status::Ok);
    EXPECT_EQ(field.tag, lockedTag);
    EXPECT_EQ(emulator::readTag(field).number, first);
}

INSTANTIATE_TEST_SUITE_P(BothChips, Locking, ::testing::Values(Chip::T5577, Chip::EM4305));

TEST(Locking, T5577SetsTheLockBitsOfBlocks0To2Only) {
    FieldState field{emulator::t5577Holding({1, 2, 3, 4, 5}), std::nullopt, 0};
    ASSERT_EQ(emulator::control(field, 6).status, Status::Ok);
    const auto& tag = std::get<emulator::T5577Tag>(*field.tag);
    for (std::size_t block = 0; block < emulator::T5577Tag::kBlocks; ++block) {
        EXPECT_EQ(tag.blocks[block].locked, block <= 2) << block;
    }
    const auto unlocked = emulator::t5577Holding({1, 2, 3, 4, 5});
    for (std::size_t block = 0; block < emulator::T5577Tag::kBlocks; ++block) {
        EXPECT_EQ(tag.blocks[block].data, unlocked.blocks[block].data) << block;
    }
}

TEST(Locking, Em4305ProtectsWords4To6Only) {
    FieldState field{emulator::em4305Holding({1, 2, 3, 4, 5}), std::nullopt, 0};
    ASSERT_EQ(emulator::control(field, 7).status, Status::Ok);
    const auto& tag = std::get<emulator::Em4305Tag>(*field.tag);
    // Word 1, the serial number, is read-only from the factory.
    EXPECT_EQ(emulator::em4305ProtectedWords(tag),
              (1U << 1U) | (1U << 4U) | (1U << 5U) | (1U << 6U));
    EXPECT_EQ(tag.words[14], 0x70U);
    EXPECT_EQ(tag.words[15], 0x70U);
}

TEST(PartlyLocked, T5577WritesTheOpenBlocksAndReportsTheLockedOne) {
    // No acknowledgement: the reader sends every block and the chip ignores the locked one.
    auto tag = emulator::t5577Holding({0, 0, 0, 0, 1});
    tag.blocks[1].locked = true;
    FieldState field{tag, Chip::T5577, 0};
    const auto wanted = emulator::t5577Holding({0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    const auto result = emulator::writeNumber(field, writeBlock(0, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(result.status, Status::TargetLocked);
    EXPECT_TRUE(result.changed);
    const auto& after = std::get<emulator::T5577Tag>(*field.tag);
    EXPECT_EQ(after.blocks[1], tag.blocks[1]);
    EXPECT_EQ(after.blocks[2].data, wanted.blocks[2].data);
}

TEST(PartlyLocked, Em4305StopsAtTheRefusedWord) {
    auto tag = emulator::blankEm4305();
    emulator::protectEm4305Words(tag, 1U << 5U);
    FieldState field{tag, Chip::EM4305, 0};
    const auto wanted = emulator::em4305Holding({1, 2, 3, 4, 5});
    const auto result = emulator::writeNumber(field, writeBlock(2, {1, 2, 3, 4, 5}));
    EXPECT_EQ(result.status, Status::TargetLocked);
    const auto& after = std::get<emulator::Em4305Tag>(*field.tag);
    EXPECT_EQ(after.words[4], wanted.words[4]);  // written before the refusal
    EXPECT_EQ(after.words[5], tag.words[5]);
    EXPECT_EQ(after.words[6], tag.words[6]);  // never sent
}

TEST(Control, BeepCountsAndSucceeds) {
    FieldState field;
    for (std::uint32_t i = 1; i <= 3; ++i) {
        const auto result = emulator::control(field, 1);
        EXPECT_EQ(result.status, Status::Ok);
        EXPECT_TRUE(result.changed);
        EXPECT_EQ(field.beeps, i);
    }
}

TEST(Control, TheBeepCountStopsAtItsLargestValue) {
    FieldState field;
    field.beeps = std::numeric_limits<std::uint32_t>::max();
    EXPECT_EQ(emulator::control(field, 1).status, Status::Ok);
    EXPECT_EQ(field.beeps, std::numeric_limits<std::uint32_t>::max());
}

TEST(Control, SelectionLastsUntilTheNextSelection) {
    FieldState field{emulator::blankEm4305(), std::nullopt, 0};
    EXPECT_EQ(emulator::control(field, 5).status, Status::Ok);
    EXPECT_EQ(field.selectedChip, Chip::EM4305);
    EXPECT_EQ(emulator::writeNumber(field, writeBlock(2, {0, 0, 0, 0, 1})).status, Status::Ok);
    EXPECT_EQ(emulator::writeNumber(field, writeBlock(2, {0, 0, 0, 0, 2})).status, Status::Ok);
    EXPECT_EQ(field.selectedChip, Chip::EM4305);
    EXPECT_EQ(emulator::control(field, 4).status, Status::Ok);
    EXPECT_EQ(field.selectedChip, Chip::T5577);
    EXPECT_EQ(emulator::writeNumber(field, writeBlock(2, {0, 0, 0, 0, 3})).status,
              Status::ChipCodeMismatch);
}

TEST(Control, SelectionWorksWithoutATag) {
    FieldState field;
    EXPECT_EQ(emulator::control(field, 4).status, Status::Ok);
    EXPECT_EQ(field.selectedChip, Chip::T5577);
}

TEST(Control, UnknownCodesFailAndChangeNothing) {
    for (const int code : {0, 2, 3, 8, 9, 255}) {
        FieldState field{emulator::blankT5577(), Chip::T5577, 4};
        const FieldState before = field;
        const auto result = emulator::control(field, static_cast<std::uint8_t>(code));
        EXPECT_EQ(result.status, Status::UnknownControlCode) << code;
        EXPECT_EQ(field, before) << code;
    }
}

TEST(RadioWork, CountsWhatTheRadioDoes) {
    FieldState field{emulator::blankT5577(), std::nullopt, 0};
    EXPECT_EQ(emulator::readTag(field).work, (emulator::RadioWork{2, 0, 0}));
    EXPECT_EQ(emulator::control(field, 4).work, emulator::RadioWork{});
    EXPECT_EQ(emulator::writeNumber(field, writeBlock(0, {1, 2, 3, 4, 5})).work,
              (emulator::RadioWork{2, 3, 0}));
    EXPECT_EQ(emulator::control(field, 6).work, (emulator::RadioWork{0, 3, 0}));

    FieldState em{emulator::blankEm4305(), Chip::EM4305, 0};
    EXPECT_EQ(emulator::writeNumber(em, writeBlock(2, {1, 2, 3, 4, 5})).work,
              (emulator::RadioWork{0, 0, 3}));
}

TEST(RadioTiming, AFrameLastsSixtyFourBitsOfSixtyFourCarrierCycles) {
    // 64 * 64 cycles at 125 kHz.
    EXPECT_EQ(emulator::kFrameTime, std::chrono::microseconds(32768));
    EXPECT_EQ(emulator::radioTime({2, 0, 0}), std::chrono::microseconds(65536));
    EXPECT_EQ(emulator::radioTime({0, 3, 0}), std::chrono::milliseconds(60));
    EXPECT_EQ(emulator::radioTime({0, 0, 3}), std::chrono::milliseconds(84));
}

TEST(RadioTiming, IsRealOnlyWhenAskedForExactly) {
    EXPECT_TRUE(emulator::realTimingRequested("real"));
    for (const char* setting : {"", "off", "REAL", "real ", "fast", "1"}) {
        EXPECT_FALSE(emulator::realTimingRequested(setting)) << setting;
    }
    EXPECT_FALSE(emulator::realTimingRequested(nullptr));
}

TEST(Statuses, EveryFailureHasItsOwnNonZeroCode) {
    const Status all[] = {Status::NoTag,
                          Status::NoValidFrame,
                          Status::ChipNotSelected,
                          Status::ChipCodeMismatch,
                          Status::UnknownChipCode,
                          Status::WrongChip,
                          Status::ReadOnlyTag,
                          Status::PasswordProtected,
                          Status::TargetLocked,
                          Status::UnknownControlCode,
                          Status::NullBuffer,
                          Status::FieldFileDamaged,
                          Status::FieldFileUnavailable,
                          Status::EmulatorFault};
    for (std::size_t i = 0; i < std::size(all); ++i) {
        EXPECT_NE(emulator::toInt(all[i]), 0);
        EXPECT_NE(emulator::describe(all[i]), emulator::describe(Status::Ok));
        for (std::size_t j = i + 1; j < std::size(all); ++j) {
            EXPECT_NE(emulator::toInt(all[i]), emulator::toInt(all[j]));
            EXPECT_NE(emulator::describe(all[i]), emulator::describe(all[j]));
        }
    }
}

}  // namespace
