// The field file's text: what it says for each field, and every way it can be damaged.
#include "emulator/field_file_format.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using emulator::Chip;
using emulator::FieldState;

const std::string kT5577Text =
    "zeld-emulated-field 1\n"
    "beeps 3\n"
    "selected-chip t5577\n"
    "tag t5577\n"
    "block 0 00148040 locked\n"
    "block 1 FF8C6529 locked\n"
    "block 2 8C94A940 locked\n"
    "block 3 00000000 open\n"
    "block 4 00000000 open\n"
    "block 5 00000000 open\n"
    "block 6 00000000 open\n"
    "block 7 00000000 open\n";

TEST(FieldFile, ReadsAHandWrittenT5577Field) {
    const auto state = emulator::parseFieldFile(kT5577Text);
    ASSERT_TRUE(state) << state.error();
    EXPECT_EQ(state->beeps, 3U);
    EXPECT_EQ(state->selectedChip, Chip::T5577);
    auto expected = emulator::t5577Holding({0x11, 0x22, 0x33, 0x44, 0x55});
    for (std::size_t b = 0; b <= 2; ++b)
        expected.blocks[b].locked = true;
    EXPECT_EQ(state->tag, emulator::Tag{expected});
}

TEST(FieldFile, AcceptsCommentsBlankLinesCrLfAndLowerCaseHex) {
    std::string text = "# my field\n\n";
    for (const char c : kT5577Text) {
        text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    text.replace(text.find("FF8C6529"), 8, "ff8c6529");
    const auto state = emulator::parseFieldFile(text);
    ASSERT_TRUE(state) << state.error();
    EXPECT_EQ(*state, *emulator::parseFieldFile(kT5577Text));
}

TEST(FieldFile, StartsWithTheVersionLine) {
    const auto text = emulator::formatFieldFile(FieldState{});
    EXPECT_EQ(text.substr(0, text.find('\n')), "zeld-emulated-field 1");
}

class FieldFileRoundTrip : public ::testing::TestWithParam<FieldState> {};

TEST_P(FieldFileRoundTrip, ReadsBackTheFieldItWrote) {
    const auto text = emulator::formatFieldFile(GetParam());
    const auto state = emulator::parseFieldFile(text);
    ASSERT_TRUE(state) << state.error() << "\n" << text;
    EXPECT_EQ(*state, GetParam()) << text;
}

FieldState lockedEverything() {
    emulator::T5577Tag tag;
    for (std::size_t i = 0; i < tag.blocks.size(); ++i) {
        tag.blocks[i] = {0xFFFFFFFFU - static_cast<std::uint32_t>(i), true};
    }
    return FieldState{tag, Chip::EM4305, 4294967295U};
}

FieldState em4305Words() {
    emulator::Em4305Tag tag;
    for (std::size_t i = 0; i < tag.words.size(); ++i) {
        tag.words[i] = 0x01010101U * static_cast<std::uint32_t>(i);
    }
    return FieldState{tag, Chip::T5577, 1};
}

INSTANTIATE_TEST_SUITE_P(
    EachKindOfField, FieldFileRoundTrip,
    ::testing::Values(
        FieldState{}, FieldState{std::nullopt, Chip::T5577, 7},
        FieldState{emulator::blankT5577(), std::nullopt, 0},
        FieldState{emulator::passwordLockedT5577(std::nullopt), Chip::T5577, 2},
        FieldState{emulator::blankEm4305(), Chip::EM4305, 0},
        FieldState{emulator::em4305Holding({0xFF, 0, 0xFF, 0, 0xFF}), std::nullopt, 9},
        FieldState{emulator::em4100Holding({0x58, 0x00, 0x85, 0x64, 0x02}), std::nullopt, 0},
        FieldState{emulator::Em4100Tag{0x0123456789ABCDEFULL}, std::nullopt, 0}, lockedEverything(),
        em4305Words()));

struct Damage {
    const char* name;
    std::string text;
    std::string mentions;  // a part of the message that says where or what

    friend void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }
};

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

class DamagedFieldFile : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedFieldFile, IsRejectedWithAMessageSayingWhere) {
    const auto state = emulator::parseFieldFile(GetParam().text);
    ASSERT_FALSE(state) << "accepted:\n" << GetParam().text;
    EXPECT_NE(state.error().find(GetParam().mentions), std::string::npos) << state.error();
}

INSTANTIATE_TEST_SUITE_P(
    EveryWay, DamagedFieldFile,
    ::testing::Values(
        Damage{"Empty", "", "empty"}, Damage{"OnlyComments", "# nothing\n\n", "empty"},
        Damage{"NotAFieldFile", "hello world\n", "line 1"},
        Damage{"Binary",
               std::string("\x7F"
                           "ELF\x02\x01\x01\0\0\0",
                           10),
               "line 1"},
        Damage{"OtherVersion", replaced(kT5577Text, "field 1", "field 2"), "version '2'"},
        Damage{"VersionNotANumber", replaced(kT5577Text, "field 1", "field one"), "version"},
        Damage{"VersionWithLeadingZero", replaced(kT5577Text, "field 1", "field 01"),
               "version '01'"},
        Damage{"BeepsNotANumber", replaced(kT5577Text, "beeps 3", "beeps three"), "line 2"},
        Damage{"BeepsNegative", replaced(kT5577Text, "beeps 3", "beeps -3"), "line 2"},
        Damage{"BeepsTooLarge", replaced(kT5577Text, "beeps 3", "beeps 4294967296"), "line 2"},
        Damage{"BeepsMissing", replaced(kT5577Text, "beeps 3\n", ""), "line 2"},
        Damage{"UnknownChip", replaced(kT5577Text, "chip t5577", "chip t5555"), "line 3"},
        Damage{"UnknownTagKind", replaced(kT5577Text, "tag t5577", "tag mifare"), "line 4"},
        Damage{"BlockMissing", replaced(kT5577Text, "block 3 00000000 open\n", ""), "line 8"},
        Damage{"BlocksOutOfOrder", replaced(kT5577Text, "block 1 FF8C6529", "block 2 FF8C6529"),
               "line 6"},
        Damage{"ShortHex", replaced(kT5577Text, "FF8C6529", "FF8C652"), "line 6"},
        Damage{"LongHex", replaced(kT5577Text, "FF8C6529", "FF8C65290"), "line 6"},
        Damage{"NotHex", replaced(kT5577Text, "FF8C6529", "FF8C652G"), "line 6"},
        Damage{"HexWithPrefix", replaced(kT5577Text, "FF8C6529", "0xFF8C65"), "line 6"},
        Damage{"UnknownLockState",
               replaced(kT5577Text, "block 3 00000000 open", "block 3 00000000 shut"), "line 8"},
        Damage{"LockStateMissing",
               replaced(kT5577Text, "block 3 00000000 open", "block 3 00000000"), "line 8"},
        Damage{"Truncated", kT5577Text.substr(0, kT5577Text.find("block 5")), "ends"},
        Damage{"TruncatedInsideALine", kT5577Text.substr(0, kT5577Text.find("block 5") + 9),
               "line 10"},
        Damage{"ExtraLine", kT5577Text + "block 8 00000000 open\n", "line 13"},
        Damage{"Em4305WordMissing",
               "zeld-emulated-field 1\nbeeps 0\nselected-chip none\ntag em4305\nword 0 00000000\n",
               "ends"},
        Damage{"Em4100FrameShort",
               "zeld-emulated-field 1\nbeeps 0\nselected-chip none\ntag em4100\nframe FF8C6529\n",
               "line 5"},
        Damage{"NothingAfterNone",
               "zeld-emulated-field 1\nbeeps 0\nselected-chip none\ntag none\nframe 00\n",
               "line 5"}));

}  // namespace
