// The bag check of a batch over a real journal: what each read finds and says, and that a check
// goes on after a restart where it stood.
#include "commands/bag_check.h"
#include "journal/journal.h"
#include "support/scratch_folder.h"
#include "words/bag_check_text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace {

using card::CardNumber;
using card::Notation;
using commands::BagCheck;
using commands::BatchOrder;
using Kind = commands::CheckFinding::Kind;

CardNumber tenDigit(std::uint32_t value, std::uint8_t b4 = 0) {
    return card::withCountingValue(CardNumber{b4, {}}, Notation::WG34, value);
}

const BatchOrder kOrder{"客户甲", tenDigit(1000), Notation::WG34, 5, reader::TagChip::T5577, false};

commands::JournalEntry write(const CardNumber& number, bool verified) {
    return commands::JournalEntry{verified ? "已写卡" : "写卡失败", verified, number,
                                  reader::TagChip::T5577,           false,    std::nullopt};
}

// 客户甲 1000..1004: 1000, 1001 and 1003 written and verified, 1002 failed, 1004 void (作废).
void writeBatch(journal::Journal& journal) {
    ASSERT_EQ(journal.openBatch(kOrder), std::nullopt);
    for (const auto& [value, verified] : {std::pair{1000U, true}, std::pair{1001U, true},
                                          std::pair{1002U, false}, std::pair{1003U, true}}) {
        ASSERT_EQ(journal.appendInBatch(write(tenDigit(value), verified), kOrder.name),
                  std::nullopt);
    }
    ASSERT_EQ(journal.endBatch(kOrder, 4, 1), std::nullopt);
}

struct Read {
    CardNumber number;
    Kind kind = Kind::Foreign;
    const char* said = nullptr;
};

TEST(BagCheck, TellsEachTagApartOnceAndGoesOnAfterARestart) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    {
        journal::Journal journal(file);
        writeBatch(journal);
        auto check = BagCheck::open(journal, "客户甲");
        ASSERT_TRUE(check);
        EXPECT_EQ(words::unseenText(check->batch(), check->unseen()),
                  "未核对 3 张：第 1 张 000 0000001000、第 2 张 000 0000001001、第 4 张 000 "
                  "0000001003");
        const Read reads[] = {
            {tenDigit(1001), Kind::Belongs, "属于本批次：第 2 张 000 0000001001（已核对 1/3）"},
            {tenDigit(1001), Kind::Again, "已核对过：第 2 张 000 0000001001（已核对 1/3）"},
            {tenDigit(9999), Kind::Foreign,
             "不在本批次：000 0000009999（已核对 1/3，不在本批次 1 张）"},
            // Of the range, but failed, or void: no tag of the batch holds them.
            {tenDigit(1002), Kind::Foreign,
             "不在本批次：000 0000001002 是本批次未写的号码（已核对 1/3，不在本批次 2 张）"},
            {tenDigit(1004), Kind::Foreign,
             "不在本批次：000 0000001004 是本批次未写的号码（已核对 1/3，不在本批次 3 张）"},
            // The batch's ten digits under another version byte.
            {tenDigit(1000, 1), Kind::Foreign,
             "不在本批次：001 0000001000（已核对 1/3，不在本批次 4 张）"},
            {tenDigit(9999), Kind::Again,
             "已核对过：000 0000009999，不在本批次（已核对 1/3，不在本批次 4 张）"},
            {tenDigit(1000), Kind::Belongs,
             "属于本批次：第 1 张 000 0000001000（已核对 2/3，不在本批次 4 张）"},
        };
        for (const Read& read : reads) {
            SCOPED_TRACE(read.said);
            const auto finding = check->check(read.number);
            EXPECT_EQ(finding.kind, read.kind);
            EXPECT_EQ(finding.journalError, std::nullopt);
            EXPECT_EQ(words::checkText(finding, check->counts()), read.said);
        }
    }
    journal::Journal journal(file);
    // Its lines are no writes, and no lines the table could not read.
    ASSERT_TRUE(journal.waitLoaded(std::chrono::seconds(10)));
    EXPECT_EQ(journal.table().unreadable, 0U);
    EXPECT_EQ(journal.lastVerifiedWrite(tenDigit(9999)), std::nullopt);
    auto check = BagCheck::open(journal, "客户甲");
    ASSERT_TRUE(check);
    EXPECT_EQ(check->counts(), (commands::CheckCounts{2, 3, 4}));
    EXPECT_EQ(check->unseen(), std::vector<std::uint64_t>{3});
    EXPECT_EQ(words::unseenText(check->batch(), check->unseen()),
              "未核对 1 张：第 4 张 000 0000001003");
    EXPECT_EQ(check->check(tenDigit(1004)).kind, Kind::Again);
    EXPECT_EQ(check->check(tenDigit(1000)).kind, Kind::Again);
    const auto last = check->check(tenDigit(1003));
    EXPECT_EQ(words::checkText(last, check->counts()),
              "属于本批次：第 4 张 000 0000001003（已核对 3/3，不在本批次 4 张）");
    EXPECT_EQ(words::unseenText(check->batch(), check->unseen()), "已全部核对");
    EXPECT_FALSE(BagCheck::open(journal, "客户乙").has_value());
}

TEST(BagCheck, InTheEightDigitNotationShowsTheCountedViewToo) {
    const testing_support::ScratchFolder scratch;
    journal::Journal journal(scratch.path() / "written-tags.csv");
    const CardNumber first{3, {0, 5, 0xFF, 0xFE}};  // 005,65534
    const auto batch = commands::Batch::create(
        BatchOrder{"客户丙", first, Notation::WG26, 2, reader::TagChip::T5577, false});
    BagCheck check(*batch, {0, 1}, {}, {}, journal);
    const auto finding = check.check(card::withCountingValue(first, Notation::WG26, 65535));
    EXPECT_EQ(words::checkText(finding, check.counts()),
              "属于本批次：第 2 张 003 0000393215 / 005,65535（已核对 1/2）");
}

TEST(BagCheck, ASightingTheJournalCouldNotRecordIsNotCounted) {
    const testing_support::ScratchFolder scratch;
    std::ofstream(scratch.path() / "zeld") << "a file where the folder should be";
    journal::Journal journal(scratch.path() / "zeld" / "written-tags.csv");
    BagCheck check(*commands::Batch::create(kOrder), {0}, {}, {}, journal);
    for (int read = 0; read < 2; ++read) {
        const auto finding = check.check(tenDigit(1000));
        EXPECT_EQ(finding.kind, Kind::Belongs);
        EXPECT_EQ(words::checkText(finding, check.counts()),
                  "属于本批次：第 1 张 000 0000001000（已核对 0/1）；未能记入写卡记录，未计入核对："
                  "路径不是可写的文件");
    }
    EXPECT_EQ(check.unseen(), std::vector<std::uint64_t>{0});
}

}  // namespace
