// The write command through the real loader and the emulated reader library: what is written
// reads back the same.
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "journal/journal.h"
#include "journal/journal_line.h"
#include "reader/reader_source.h"
#include "support/emulator_control.h"
#include "support/fake_window.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace {

using card::Field;
using commands::WriteOutcome;

struct ReadBack {
    std::string b4, b3b0, b2, b1b0;
    friend bool operator==(const ReadBack&, const ReadBack&) = default;
    friend std::ostream& operator<<(std::ostream& os, const ReadBack& r) {
        return os << r.b4 << " " << r.b3b0 << " " << r.b2 << "," << r.b1b0;
    }
};

ReadBack readTag(reader::ReaderSource& source) {
    testing_support::FakeWindow window;
    const auto outcome = testing_support::pressRead(window, source);
    EXPECT_EQ(outcome.result, commands::ReadOutcome::Result::Read);
    return {window.texts[Field::B4], window.texts[Field::B3B0], window.texts[Field::B2],
            window.texts[Field::B1B0]};
}

struct RoundTrip {
    const char* name;
    bool wg34;
    std::array<const char*, 4> typed;  // B4, B3B0, B2, B1B0
    ReadBack expected;
    friend void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.name; }
};

class WriteThenRead : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(WriteThenRead, GivesBackTheNumberInEveryNotation) {
    const auto& param = GetParam();
    const testing_support::EmulatorControl field;
    field.placeTag({0, 0, 0, 0, 0});
    reader::LazyReaderLibrary source;
    testing_support::FakeWindow window;
    window.wg34 = param.wg34;
    window.texts = {{Field::B4, param.typed[0]},
                    {Field::B3B0, param.typed[1]},
                    {Field::B2, param.typed[2]},
                    {Field::B1B0, param.typed[3]}};

    const auto outcome = testing_support::pressWrite(window, source);

    ASSERT_EQ(outcome.result, WriteOutcome::Result::Written) << outcome.writeStatus;
    EXPECT_EQ(readTag(source), param.expected);
}

INSTANTIATE_TEST_SUITE_P(Numbers, WriteThenRead,
                         ::testing::Values(RoundTrip{"TenDigitOne",
                                                     true,
                                                     {"000", "0000000001", "x", "x"},
                                                     {"000", "0000000001", "000", "00001"}},
                                           RoundTrip{"TenDigitTop",
                                                     true,
                                                     {"255", "4294967295", "x", "x"},
                                                     {"255", "4294967295", "255", "65535"}},
                                           RoundTrip{"TenDigitMixed",
                                                     true,
                                                     {"18", "878082202", "", ""},
                                                     {"018", "0878082202", "086", "30874"}},
                                           RoundTrip{"EightDigitTop",
                                                     false,
                                                     {"007", "ignored", "255", "65535"},
                                                     {"007", "0016777215", "255", "65535"}},
                                           RoundTrip{"EightDigitZero",
                                                     false,
                                                     {"0", "", "0", "0"},
                                                     {"000", "0000000000", "000", "00000"}}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(WriteEndToEnd, ABatchWithTheAdvanceNumbersTagsConsecutively) {
    const testing_support::EmulatorControl field;
    reader::LazyReaderLibrary source;
    testing_support::FakeWindow window;
    window.add1 = true;
    window.texts[Field::B3B0] = "4294967294";

    std::vector<std::string> numbers;
    for (int tag = 0; tag < 3; ++tag) {
        field.placeTag({0, 0, 0, 0, 0});  // a fresh tag for each press
        ASSERT_EQ(testing_support::pressWrite(window, source).result,
                  WriteOutcome::Result::Written);
        numbers.push_back(readTag(source).b3b0);
    }
    EXPECT_EQ(numbers, (std::vector<std::string>{"4294967294", "4294967295", "0000000001"}));
    EXPECT_EQ(window.texts[Field::B3B0], "0000000002");
}

TEST(WriteEndToEnd, WithNoTagTheNumberDoesNotAdvanceAndNothingBeeps) {
    const testing_support::EmulatorControl field;
    field.removeTag();
    const auto beeps = field.beepCount();
    reader::LazyReaderLibrary source;
    testing_support::FakeWindow window;
    window.add1 = true;
    window.lock = true;

    const auto outcome = testing_support::pressWrite(window, source);

    EXPECT_EQ(outcome.result, WriteOutcome::Result::NotWritten);
    EXPECT_NE(outcome.writeStatus, reader::kSuccess);
    EXPECT_EQ(window.texts[Field::B3B0], "0000000001");
    EXPECT_EQ(field.beepCount(), beeps);
}

// What the reader does with a tag it cannot write: each ends without advance, lock or beep.
struct Refusal {
    const char* name;
    bool em4305Selected;
    std::function<void(const testing_support::EmulatorControl&)> place;
    friend void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }
};

class RefusedWrite : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedWrite, LeavesTheTagTheNumberAndTheBuzzerAlone) {
    const auto& param = GetParam();
    const testing_support::EmulatorControl field;
    param.place(field);
    const auto tagBefore = field.tag();
    const auto beeps = field.beepCount();
    reader::LazyReaderLibrary source;
    testing_support::FakeWindow window;
    window.em4305 = param.em4305Selected;
    window.add1 = true;
    window.lock = true;
    window.texts[Field::B3B0] = "0000000777";

    const auto outcome = testing_support::pressWrite(window, source);

    EXPECT_EQ(outcome.result, WriteOutcome::Result::NotWritten);
    EXPECT_NE(outcome.writeStatus, reader::kSuccess);
    EXPECT_EQ(window.texts[Field::B3B0], "0000000777");
    EXPECT_EQ(field.beepCount(), beeps);
    EXPECT_EQ(field.tag(), tagBefore);
    EXPECT_FALSE(field.isLocked());
}

using emulator::TagKind;

INSTANTIATE_TEST_SUITE_P(Causes, RefusedWrite,
                         ::testing::Values(Refusal{"EM4305SelectedForAT5577", true,
                                                   [](const auto& f) {
                                                       f.placeTag(TagKind::T5577, {0, 0, 0, 0, 1});
                                                   }},
                                           Refusal{"T5577SelectedForAnEM4305", false,
                                                   [](const auto& f) {
                                                       f.placeTag(TagKind::EM4305, {0, 0, 0, 0, 1});
                                                   }},
                                           Refusal{"ReadOnlyTag", false,
                                                   [](const auto& f) {
                                                       f.placeTag(TagKind::EM4100, {0, 0, 0, 0, 1});
                                                   }},
                                           Refusal{"PasswordLockedT5577", false,
                                                   [](const auto& f) {
                                                       f.placePasswordLockedT5577({0, 0, 0, 0, 1});
                                                   }}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(WriteEndToEnd, ALockedTagKeepsItsNumberForGood) {
    for (const bool em4305 : {false, true}) {
        const testing_support::EmulatorControl field;
        field.placeEmptyTag(em4305 ? TagKind::EM4305 : TagKind::T5577);
        reader::LazyReaderLibrary source;
        testing_support::FakeWindow window;
        window.em4305 = em4305;
        window.lock = true;
        window.texts[Field::B3B0] = "123";

        const auto locked = testing_support::pressWrite(window, source);
        ASSERT_EQ(locked.result, WriteOutcome::Result::Written) << locked.lockStatus;
        EXPECT_TRUE(field.isLocked());

        window.lock = false;
        window.texts[Field::B3B0] = "456";
        const auto again = testing_support::pressWrite(window, source);
        EXPECT_EQ(again.result, WriteOutcome::Result::NotWritten);
        EXPECT_EQ(readTag(source).b3b0, "0000000123");
    }
}

TEST(WriteEndToEnd, EM4305TagsAreWrittenWithTheirOwnChipSelected) {
    const testing_support::EmulatorControl field;
    field.placeEmptyTag(TagKind::EM4305);
    reader::LazyReaderLibrary source;
    testing_support::FakeWindow window;
    window.em4305 = true;
    window.wg34 = false;
    window.texts = {
        {Field::B4, "255"}, {Field::B3B0, ""}, {Field::B2, "255"}, {Field::B1B0, "65535"}};

    ASSERT_EQ(testing_support::pressWrite(window, source).result, WriteOutcome::Result::Written);
    EXPECT_EQ(readTag(source), (ReadBack{"255", "0016777215", "255", "65535"}));
}

// The program was killed during the write of 950. What the next run does with tags settles that
// write, or leaves it unknown, in the journal: the row of 950 shows it, and the next start says
// the cut-off write only while it is still the newest.
struct Settling {
    const char* name;
    card::CardNumber tag;
    bool readOnly;        // the tag takes no write
    const char* written;  // the ten-digit number then written, or nullptr for a read
    bool answer;          // to the question before the write
    journal::LineState row;
    bool stillInterrupted;
    friend void PrintTo(const Settling& c, std::ostream* os) { *os << c.name; }
};

class CutOffWrite : public ::testing::TestWithParam<Settling> {};

TEST_P(CutOffWrite, IsSettledOnlyByATagSeenOrTheNumberWrittenAgain) {
    const Settling& param = GetParam();
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    const card::CardNumber cutOff{0, {0, 0, 0x03, 0xB6}};  // 950
    {
        journal::Journal killed(file);
        commands::JournalEntry entry;
        entry.number = cutOff;
        ASSERT_EQ(killed.beginWrite(entry), std::nullopt);
    }
    const testing_support::EmulatorControl field;
    field.placeTag(param.readOnly ? TagKind::EM4100 : TagKind::T5577, param.tag);
    reader::LazyReaderLibrary source;
    {
        journal::Journal journal(file);
        ASSERT_TRUE(journal.waitLoaded(std::chrono::seconds(10)));
        EXPECT_TRUE(journal.interruptedWrite().has_value());
        if (param.written == nullptr) {
            const auto read = commands::readTag(source, journal);
            EXPECT_EQ(read.settledWrite, param.row != journal::LineState::Unknown);
        } else {
            testing_support::FakeWindow window;
            window.texts[Field::B3B0] = param.written;
            window.answer = param.answer;
            static_cast<void>(testing_support::pressWrite(window, source, journal));
            EXPECT_FALSE(window.questions.empty());  // 950 is a write that may have been
        }
    }
    const journal::Journal next(file);
    ASSERT_TRUE(next.waitLoaded(std::chrono::seconds(10)));
    EXPECT_EQ(next.interruptedWrite().has_value(), param.stillInterrupted);
    const auto rows = next.rowBlock(0);
    ASSERT_TRUE(rows && !rows->rows.empty());
    EXPECT_EQ(rows->rows.front().number, cutOff);
    EXPECT_EQ(rows->rows.front().state, param.row);
    EXPECT_EQ(next.unsettled(cutOff), param.row == journal::LineState::Unknown);
}

using State = journal::LineState;

INSTANTIATE_TEST_SUITE_P(
    Next, CutOffWrite,
    ::testing::Values(Settling{"AReadOfTheTagHoldingItCountsItWritten",
                               {0, {0, 0, 0x03, 0xB6}},
                               false,
                               nullptr,
                               false,
                               State::Verified,
                               false},
                      Settling{"AReadOfAnotherTagLeavesItUnknown",
                               {0, {0, 0, 0x03, 0xB7}},
                               false,
                               nullptr,
                               false,
                               State::Unknown,
                               true},
                      Settling{"ATagHoldingItBeforeAWriteCountsItEvenWhenTheWriteIsDeclined",
                               {0, {0, 0, 0x03, 0xB6}},
                               false,
                               "0000000951",
                               false,
                               State::Verified,
                               false},
                      Settling{"WrittenAgainOntoATagOfAnotherNumberItCountsNotThere",
                               {0, {0, 0, 0x03, 0xB7}},
                               false,
                               "0000000950",
                               true,
                               State::Failed,
                               false},
                      Settling{"WrittenAgainButNotTakenItStaysUnknown",
                               {0, {0, 0, 0, 1}},
                               true,
                               "0000000950",
                               true,
                               State::Unknown,
                               false}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
