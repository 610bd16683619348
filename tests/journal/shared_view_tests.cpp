// Which verified write of another number shows as a number does to a door controller that reads
// only its ten-digit view (B3..B0) or only its eight-digit view (B2 B1B0).
#include "journal/journal.h"
#include "journal/journal_line.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using card::Notation;

// Three numbers of one eight-digit view, 000,01000: 0/0000001000 and 1/0000001000 share the
// ten-digit view too; 0/0016778216 (B3 = 1) shares only the eight-digit one.
const card::CardNumber kAsked{0, {0, 0, 0x03, 0xE8}};
const card::CardNumber kOtherVersion{1, {0, 0, 0x03, 0xE8}};
const card::CardNumber kOtherTopByte{0, {1, 0, 0x03, 0xE8}};
const card::CardNumber kAnotherTopByte{0, {2, 0, 0x03, 0xE8}};
const card::CardNumber kUnrelated{0, {0, 0, 0x13, 0x88}};

std::string at(int second) {
    return "2024-05-01T10:00:0" + std::to_string(second) + "+08:00";
}

std::string written(int second, const card::CardNumber& number, bool verified = true,
                    std::optional<card::CardNumber> previous = std::nullopt) {
    const commands::JournalEntry entry{verified ? "已写卡" : "写卡失败", verified, number,
                                       reader::TagChip::T5577,           false,    previous};
    return journal::formatLine(at(second), entry);
}

std::string started(int second, const card::CardNumber& number) {
    const commands::JournalEntry entry{std::string(journal::kStartResult),
                                       false,
                                       number,
                                       reader::TagChip::T5577,
                                       false,
                                       std::nullopt};
    return journal::formatLine(at(second), entry);
}

struct Found {
    card::CardNumber number;
    int second = 0;
};

struct ViewCase {
    const char* name;
    std::string lines;
    std::optional<Found> tenDigit;    // what sharedView names for kAsked's ten-digit view
    std::optional<Found> eightDigit;  // ... and for its eight-digit view
    friend void PrintTo(const ViewCase& c, std::ostream* os) { *os << c.name; }
};

class SharedViews : public ::testing::TestWithParam<ViewCase> {};

std::optional<commands::SharedView> expected(const std::optional<Found>& found, Notation view) {
    if (!found) {
        return std::nullopt;
    }
    return commands::SharedView{
        view, found->number,
        journal::formatIsoTime(journal::inPresentZone(journal::parseIsoTime(at(found->second))))};
}

void writeJournal(const std::filesystem::path& file, const std::string& lines) {
    std::ofstream(file, std::ios::binary)
        << journal::kByteOrderMark << journal::kHeader << journal::kLineEnd << lines;
}

TEST_P(SharedViews, NameTheOtherTagsVerifiedWrite) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    writeJournal(file, GetParam().lines);
    const journal::Journal journal(file);
    EXPECT_EQ(journal.sharedView(kAsked, Notation::WG34),
              expected(GetParam().tenDigit, Notation::WG34));
    EXPECT_EQ(journal.sharedView(kAsked, Notation::WG26),
              expected(GetParam().eightDigit, Notation::WG26));
    EXPECT_EQ(journal.sharesView(kAsked), GetParam().eightDigit.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SharedViews,
    ::testing::Values(
        ViewCase{"AnotherVersionByteSharesBothViews", written(1, kOtherVersion),
                 Found{kOtherVersion, 1}, Found{kOtherVersion, 1}},
        ViewCase{"AnotherTopByteSharesTheEightDigitViewOnly", written(1, kOtherTopByte),
                 std::nullopt, Found{kOtherTopByte, 1}},
        ViewCase{"TheSameNumberWrittenAgainIsNoCollision", written(1, kAsked) + written(2, kAsked),
                 std::nullopt, std::nullopt},
        ViewCase{"TheNumberItselfWrittenHidesNotTheOther",
                 written(1, kAsked) + written(2, kOtherTopByte), std::nullopt,
                 Found{kOtherTopByte, 2}},
        ViewCase{"AFailedWriteCountsNot", written(1, kOtherVersion, false), std::nullopt,
                 std::nullopt},
        ViewCase{"AStartNeverEndedCountsNot", started(1, kOtherVersion), std::nullopt,
                 std::nullopt},
        ViewCase{"ATagOverwrittenSinceCountsNot",
                 written(1, kOtherVersion) + written(2, kUnrelated, true, kOtherVersion),
                 std::nullopt, std::nullopt},
        ViewCase{"OfSeveralTheTenDigitViewsIsNamedFirst",
                 written(1, kOtherTopByte) + written(2, kOtherVersion), Found{kOtherVersion, 2},
                 Found{kOtherVersion, 2}},
        ViewCase{"OfSeveralOnlyInTheEightDigitViewTheLowerTopByte",
                 written(1, kAnotherTopByte) + written(2, kOtherTopByte) + written(3, kAsked),
                 std::nullopt, Found{kOtherTopByte, 2}},
        ViewCase{"AnOldEightColumnLineCounts",
                 "2024-05-01T10:00:01+08:00,已写卡,01000003E8,001,0000001000,\"000,01000\","
                 "T5577,否\r\n",
                 Found{kOtherVersion, 1}, Found{kOtherVersion, 1}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// The views are made when first asked about; what is recorded after counts as well.
TEST(SharedViewsAfterAsking, TakeInLaterWritesAndOverwrites) {
    const testing_support::ScratchFolder scratch;
    journal::Journal journal(scratch.path() / "written-tags.csv");
    journal.prepareViews();  // on the reading thread, before any question
    EXPECT_FALSE(journal.sharesView(kAsked));
    ASSERT_EQ(journal.append(commands::JournalEntry{"已写卡", true, kOtherTopByte,
                                                    reader::TagChip::T5577, false, std::nullopt}),
              std::nullopt);
    ASSERT_TRUE(journal.sharedView(kAsked, Notation::WG26).has_value());
    EXPECT_EQ(journal.sharedView(kAsked, Notation::WG26)->number, kOtherTopByte);
    EXPECT_FALSE(journal.sharedView(kAsked, Notation::WG34).has_value());
    // The tag that held it is numbered anew: no tag holds it now.
    ASSERT_EQ(journal.append(commands::JournalEntry{"已写卡", true, kUnrelated,
                                                    reader::TagChip::T5577, false, kOtherTopByte}),
              std::nullopt);
    EXPECT_FALSE(journal.sharesView(kAsked));
    EXPECT_FALSE(journal.sharedView(kAsked, Notation::WG26).has_value());
}

}  // namespace
