// A batch's bag check as its lines in the journal's text say it stands, and the newest batches;
// the journal, from what its reading kept and the batch's own lines, answers as the whole text
// does.
#include "journal/batch_lines.h"
#include "journal/journal.h"
#include "journal/journal_line.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

using card::CardNumber;
using card::Notation;

constexpr std::string_view kTime = "2024-05-01T14:03:22+08:00";

CardNumber tenDigit(std::uint32_t value) {
    return card::withCountingValue(CardNumber{}, Notation::WG34, value);
}

commands::BatchOrder order(const char* name) {
    return commands::BatchOrder{name, tenDigit(1000),         Notation::WG34,
                                3,    reader::TagChip::T5577, false};
}

std::string opened(const char* name = "客户甲") {
    return journal::formatBatchOpen(kTime, order(name));
}
std::string written(std::uint32_t value, const char* name = "客户甲") {
    return journal::formatLine(kTime,
                               commands::JournalEntry{"已写卡", true, tenDigit(value),
                                                      reader::TagChip::T5577, false, std::nullopt},
                               name);
}
std::string ended(std::uint64_t voided = 0, const char* name = "客户甲") {
    return journal::formatBatchEnd(kTime, order(name), 3 - voided, voided);
}
std::string checked(std::uint32_t value, bool belongs, const char* name = "客户甲") {
    return journal::formatBatchCheck(kTime, order(name), tenDigit(value), belongs);
}
std::string cutShort(const std::string& line, std::size_t keep) {
    return line.substr(0, keep);
}

struct CheckLines {
    const char* name;
    std::string text;
    std::vector<std::uint64_t> checked;
    std::vector<std::uint32_t> foreign;
    std::uint64_t voided = 0;
    friend void PrintTo(const CheckLines& c, std::ostream* os) { *os << c.name; }
};

class BatchCheckLines : public ::testing::TestWithParam<CheckLines> {};

TEST_P(BatchCheckLines, SayWhatWasSeen) {
    const auto log = journal::readBatchLog(GetParam().text, "客户甲");
    ASSERT_TRUE(log.newest.has_value());
    EXPECT_EQ(log.checked, GetParam().checked);
    std::vector<CardNumber> foreign;
    for (const std::uint32_t value : GetParam().foreign) {
        foreign.push_back(tenDigit(value));
    }
    EXPECT_EQ(log.foreign, foreign);
    EXPECT_EQ(log.voided, GetParam().voided);
}

// The batch as the journal holds it, to compare.
struct Held {
    commands::BatchOrder order;
    std::vector<std::uint64_t> verified;
    bool ended = false;
    friend bool operator==(const Held&, const Held&) = default;
};
std::optional<Held> held(const std::optional<commands::BatchRecord>& record) {
    if (!record) {
        return std::nullopt;
    }
    return Held{record->order, record->verified, record->ended};
}

TEST_P(BatchCheckLines, TheJournalReadsOnlyTheBatchsLinesToTheSameLog) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    std::ofstream(file, std::ios::binary)
        << journal::kByteOrderMark << journal::kHeader << journal::kLineEnd << GetParam().text;
    const journal::Journal journal(file);

    const auto whole = journal::readBatchLog(GetParam().text, "客户甲");
    const auto log = journal.batchLog("客户甲");
    EXPECT_EQ(held(log.newest), held(whole.newest));
    EXPECT_EQ(log.rows, whole.rows);
    EXPECT_EQ(log.checked, whole.checked);
    EXPECT_EQ(log.foreign, whole.foreign);
    EXPECT_EQ(log.voidFrom, whole.voidFrom);
    EXPECT_EQ(log.voided, whole.voided);

    const auto newest = journal::readBatchLog(GetParam().text);
    const bool open = newest.newest && !newest.newest->ended;
    EXPECT_EQ(journal.batchLeftOpen(), open);
    EXPECT_EQ(held(journal.unfinishedBatch()), open ? held(newest.newest) : std::nullopt);
    const auto check = journal.batchToCheck("客户甲");
    ASSERT_TRUE(check.has_value());
    EXPECT_EQ(held(check->batch), held(whole.newest));
    EXPECT_EQ(check->checked, whole.checked);
}

const std::string kWritten = opened() + written(1000) + written(1001) + written(1002) + ended();

INSTANTIATE_TEST_SUITE_P(
    Journals, BatchCheckLines,
    ::testing::Values(
        CheckLines{"AfterTheEndEachOnceInOrder",
                   kWritten + checked(1002, true) + checked(9999, false) + checked(1000, true) +
                       checked(1002, true) + checked(8888, false) + checked(9999, false),
                   {0, 2},
                   {9999, 8888}},
        CheckLines{"WhileStillWriting",
                   opened() + written(1000) + checked(1000, true) + written(1001),
                   {0},
                   {}},
        // Another batch's checks, and a line saying a number out of the range belongs.
        CheckLines{"OnlyItsOwn",
                   kWritten + checked(1001, true, "客户乙") + checked(9999, false, "客户乙") +
                       checked(5000, true),
                   {},
                   {}},
        // Another batch's lines and its check between this one's check lines.
        CheckLines{"OthersBetween",
                   kWritten + checked(1001, true) + opened("客户乙") + written(1000, "客户乙") +
                       checked(1000, true, "客户乙") + checked(7777, false) +
                       written(1001, "客户乙"),
                   {1},
                   {7777}},
        CheckLines{"EndedEarly",
                   opened() + written(1000) + written(1001) + ended(1) + checked(1001, true) +
                       written(1002),
                   {1},
                   {},
                   1},
        // The power failed while the last line was written; the next append ends the line first.
        CheckLines{"LastLineCutShort",
                   kWritten + checked(1000, true) +
                       cutShort(checked(1001, true), checked(1001, true).size() - 2),
                   {0},
                   {}},
        CheckLines{"CutLineEndedByTheNextAppend",
                   kWritten + cutShort(checked(1001, true), 60) + "\r\n" + checked(9999, false),
                   {},
                   {9999}},
        // Read from the start: the newest opening's bytes are a line cut short.
        CheckLines{"ReopenedUnderItsNameStartsOver",
                   opened() + written(1000) + ended(2) + checked(1000, true) +
                       checked(9999, false) + opened() + written(1001) + cutShort(opened(), 60),
                   {},
                   {},
                   0}),
    [](const ::testing::TestParamInfo<CheckLines>& lines) {
        return std::string(lines.param.name);
    });

}  // namespace
