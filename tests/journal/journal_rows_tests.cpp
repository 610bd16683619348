// The journal's lines read back whole for the table: both line formats, lines cut short, a file
// read through the journal and again after appends, and the numbers looked for.
#include "journal/journal.h"
#include "journal/journal_line.h"
#include "journal/journal_rows.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <thread>

namespace {

using journal::LineState;

void writeFile(const std::filesystem::path& file, const std::string& text,
               std::ios::openmode mode = std::ios::trunc) {
    std::ofstream(file, std::ios::binary | std::ios::out | mode) << text;
}

const std::string kOld =
    "2024-05-01T14:03:22+08:00,已写卡并保护,00000003E8,000,0000001000,\"000,01000\",EM4305,是";

std::string settlementLine() {
    std::string line = journal::formatSettlement("2024-05-01T14:03:22+08:00",
                                                 card::CardNumber{0, {0, 0, 0, 1}}, true);
    line.resize(line.size() - journal::kLineEnd.size());
    return line;
}

struct LineCase {
    const char* what;
    std::string line;
    bool whole;
    LineState state = LineState::Failed;
    const char* hex = "";
    const char* previous = "";     // 原卡号 as cellText gives it
    const char* result = nullptr;  // 结果, where it matters
    const char* batch = "";
};

class ParseRow : public ::testing::TestWithParam<LineCase> {};

TEST_P(ParseRow, ReadsWholeLinesAndSkipsTheRest) {
    const LineCase& c = GetParam();
    const auto row = journal::parseRow(c.line);
    ASSERT_EQ(row.has_value(), c.whole) << c.what;
    if (!row) {
        return;
    }
    EXPECT_EQ(row->state, c.state) << c.what;
    EXPECT_EQ(journal::cellText(*row, journal::Column::Hex), c.hex) << c.what;
    EXPECT_EQ(journal::cellText(*row, journal::Column::Previous), c.previous) << c.what;
    if (c.result != nullptr) {
        EXPECT_EQ(journal::cellText(*row, journal::Column::Result), c.result) << c.what;
    }
    EXPECT_EQ(journal::cellText(*row, journal::Column::Batch), c.batch) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseRow,
    ::testing::Values(
        LineCase{"old, verified", kOld, true, LineState::Verified, "00000003E8"},
        LineCase{"old, failed",
                 "2024-05-01T14:03:23+08:00,写卡失败（状态 7）,FFFFFFFFFF,255,4294967295,"
                 "\"255,65535\",T5577,否",
                 true, LineState::Failed, "FFFFFFFFFF"},
        LineCase{
            "new, read back, with what it held",
            "2024-05-01T14:03:22+08:00,已写卡,00000003E9,000,0000001001,\"000,01001\",T5577,否,"
            "是,0000000141",
            true, LineState::Verified, "00000003E9", "0000000321"},
        LineCase{
            "what it held, with a version or customer byte",
            "2024-05-01T14:03:22+08:00,已写卡,00000003E9,000,0000001001,\"000,01001\",T5577,否,"
            "是,0700000141",
            true, LineState::Verified, "00000003E9", "0000000321（版本或客户号 007）"},
        LineCase{"made in a batch: its name in a column of its own",
                 "2024-05-01T14:03:22+08:00,已写卡；批次 客户甲,00000003E9,000,0000001001,"
                 "\"000,01001\",T5577,否,是,",
                 true, LineState::Verified, "00000003E9", "", "已写卡", "客户甲"},
        LineCase{
            "a batch named with a comma and quotes, the result quoted",
            "2024-05-01T14:03:22+08:00,\"写卡失败（状态 7）；批次 甲,\"\"乙\"\"\",00000003E9,000,"
            "0000001001,\"000,01001\",T5577,否,否,",
            true, LineState::Failed, "00000003E9", "", "写卡失败（状态 7）", "甲,\"乙\""},
        LineCase{"a settlement is no row of its own", settlementLine(), false},
        LineCase{
            "new: 核对 decides, not the words",
            "2024-05-01T14:03:22+08:00,已写卡,0000000001,000,0000000001,\"000,00001\",T5577,否,"
            "否,",
            true, LineState::Failed, "0000000001"},
        LineCase{"a write that started",
                 "2024-05-01T14:03:22-03:30,正在写卡,0000000001,000,0000000001,\"000,00001\",T5577,"
                 "否,否,",
                 true, LineState::Started, "0000000001"},
        LineCase{"a result with quotes and a comma",
                 "2024-05-01T14:03:22Z,\"写后读回不符，卡上为 \"\"x\"\",y\",0000000001,000,"
                 "0000000001,\"000,00001\",T5577,否",
                 true, LineState::Failed, "0000000001"},
        LineCase{"the header", std::string(journal::kHeader), false},
        LineCase{"cut short inside a quote", kOld.substr(0, 72), false},
        LineCase{"cut short between fields", kOld.substr(0, kOld.rfind(',')), false},
        LineCase{"nine fields", kOld + ",是", false},
        LineCase{"eleven fields", kOld + ",是,,", false},
        LineCase{"hex too short",
                 "2024-05-01T14:03:22+08:00,已写卡,3E8,000,0000001000,\"000,01000\",T5577,否",
                 false},
        LineCase{"原卡号 not hex", kOld + ",是,00000003EG", false},
        LineCase{"核对 neither 是 nor 否", kOld + ",对,", false},
        LineCase{"保护 neither 是 nor 否",
                 "2024-05-01T14:03:22+08:00,已写卡,00000003E8,000,0000001000,\"000,01000\",T5577,",
                 false},
        LineCase{"no offset",
                 "2024-05-01T14:03:22,已写卡,00000003E8,000,0000001000,\"000,01000\",T5577,否",
                 false},
        LineCase{
            "month 13",
            "2024-13-01T14:03:22+08:00,已写卡,00000003E8,000,0000001000,\"000,01000\",T5577,否",
            false},
        LineCase{
            "stray quote",
            "2024-05-01T14:03:22+08:00,已\"写卡,00000003E8,000,0000001000,\"000,01000\",T5577,否",
            false}));

TEST(ParseRow, TimeIsTheWallClockWithoutOffsetAndTheMomentIsUtc) {
    const auto row = journal::parseRow(kOld);
    ASSERT_TRUE(row);
    EXPECT_EQ(journal::localTimeText(row->time), "2024-05-01 14:03:22");
    EXPECT_EQ(row->time.seconds, 1714543402);  // 2024-05-01T06:03:22Z
    EXPECT_EQ(journal::cellText(*row, journal::Column::TenDigit), "0000001000");
    EXPECT_EQ(journal::cellText(*row, journal::Column::EightDigit), "000,01000");
    EXPECT_EQ(journal::cellText(*row, journal::Column::Version), "000");
    EXPECT_EQ(journal::cellText(*row, journal::Column::Locked), "是");
    EXPECT_EQ(journal::cellText(*row, journal::Column::Chip), "EM4305");
}

TEST(ParseRow, ReadsWhatTheJournalWrites) {
    const commands::JournalEntry entry{"已写卡",
                                       true,
                                       card::CardNumber{0x07, {0x12, 0xD6, 0x87, 0xAB}},
                                       reader::TagChip::T5577,
                                       false,
                                       card::CardNumber{0, {0, 0, 0x03, 0xE8}}};
    std::string line = journal::formatLine("2024-05-01T14:03:22+08:00", entry);
    line.resize(line.size() - journal::kLineEnd.size());
    const auto row = journal::parseRow(line);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->number, entry.number);
    EXPECT_EQ(row->state, LineState::Verified);
    EXPECT_EQ(journal::cellText(*row, journal::Column::TenDigit), "0316049323");
    EXPECT_EQ(journal::cellText(*row, journal::Column::EightDigit), "214,34731");
    EXPECT_EQ(row->previous, entry.previousNumber);
}

std::vector<std::string> hexesOf(const journal::Journal& journal) {
    std::vector<std::string> hexes;
    const std::size_t rows = journal.table().rows;
    for (std::size_t row = 0; row < rows; ++row) {
        const auto block = journal.rowBlock(row);
        EXPECT_TRUE(block && row - block->first < block->rows.size()) << row;
        if (block && row - block->first < block->rows.size()) {
            hexes.push_back(
                journal::cellText(block->rows[row - block->first], journal::Column::Hex));
        }
    }
    return hexes;
}

// The rows the table is given are the lines the journal read: the byte-order mark and the header
// are no rows, a line cut short is passed over and counted, and the lines after it are read.
TEST(JournalRows, AreTheWholeLinesInTheirOrder) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    std::string text =
        std::string(journal::kByteOrderMark) + std::string(journal::kHeader) + "\r\n";
    for (int i = 0; i < 7; ++i) {
        text += "2024-05-01T14:03:2" + std::to_string(i) + "+08:00,已写卡,000000000" +
                std::to_string(i) + ",000,000000000" + std::to_string(i) + ",\"000,0000" +
                std::to_string(i) + "\",T5577,否\r\n";
        if (i == 3) {
            text += "2024-05-01T14:03:22+08:00,\"已写卡\r\n";  // cut short, then a new line begins
        }
    }
    writeFile(file, text);
    const journal::Journal journal(file);
    ASSERT_TRUE(journal.waitLoaded(std::chrono::seconds(10)));
    EXPECT_EQ(hexesOf(journal),
              (std::vector<std::string>{"0000000000", "0000000001", "0000000002", "0000000003",
                                        "0000000004", "0000000005", "0000000006"}));
    const auto table = journal.table();
    EXPECT_EQ(table.unreadable, 1U);
    EXPECT_EQ(table.counts, (journal::RowCounts{7, 0, 0}));
    EXPECT_FALSE(table.error);
}

// A last line without its end is left for the next read, which starts where this one ended.
TEST(JournalRows, AreReadOnFromWhereTheReadingEnded) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    const std::string first = std::string(journal::kByteOrderMark) + kOld + "\r\n";
    writeFile(file, first + kOld.substr(0, 30));
    journal::Journal journal(file);
    ASSERT_TRUE(journal.waitLoaded(std::chrono::seconds(10)));
    EXPECT_EQ(journal.table().rows, 1U);

    writeFile(file, kOld.substr(30) + "\r\n" + kOld + "\r\n", std::ios::app);
    journal.readAppended();
    EXPECT_EQ(hexesOf(journal), (std::vector<std::string>(3, "00000003E8")));
    EXPECT_EQ(journal.table().unreadable, 0U);

    const journal::Journal missing(scratch.path() / "none.csv");
    ASSERT_TRUE(missing.waitLoaded(std::chrono::seconds(10)));
    EXPECT_EQ(missing.table().rows, 0U);
    EXPECT_FALSE(missing.table().error);
}

// Over many strides of rows, in a journal long enough to be looked through on the reading
// thread: every row is the line the table shows there (a start and its outcome one row, a start
// nothing of its number follows unknown), and a filter finds exactly the rows it shows. Two
// batches among the writes: one opened just after a start held back and ended, one left open.
TEST(JournalRows, EveryRowAndEveryFilteredRowIsFoundInALongJournal) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    constexpr std::uint64_t kNumbers = 50000;
    std::string text =
        std::string(journal::kByteOrderMark) + std::string(journal::kHeader) + "\r\n";
    std::vector<LineState> expected;
    const std::string time = "2024-05-01T14:03:22+08:00";
    struct InBatch {
        commands::BatchOrder order;
        std::uint64_t from;
        std::uint64_t to;  // past its last number
        bool ends;
        std::vector<std::uint32_t> rows{};
        journal::RowCounts counts{};
    };
    std::array<InBatch, 2> batches{
        InBatch{{"甲", card::tagNumberFromValue(9998), card::Notation::WG34, 302,
                 reader::TagChip::T5577, false},
                9998,
                10300,
                true},
        InBatch{{"乙", card::tagNumberFromValue(20000), card::Notation::WG34, 1000,
                 reader::TagChip::T5577, false},
                20000,
                20100,
                false}};
    for (std::uint64_t key = 0; key < kNumbers; ++key) {
        InBatch* in = nullptr;
        for (InBatch& batch : batches) {
            if (key == batch.from) {
                text += journal::formatBatchOpen(time, batch.order);
            }
            if (key == batch.to && batch.ends) {
                text += journal::formatBatchEnd(time, batch.order, 0, 0);
            }
            if (key >= batch.from && key < batch.to) {
                in = &batch;
            }
        }
        commands::JournalEntry entry{std::string(journal::kStartResult),
                                     false,
                                     card::tagNumberFromValue(key),
                                     reader::TagChip::T5577,
                                     false,
                                     std::nullopt};
        if (key % 3 != 2) {
            text += journal::formatLine(time, entry);
        }
        entry.result = key % 3 == 0 ? "已写卡" : "写卡失败（状态 7）";
        entry.verified = key % 3 == 0;
        if (key % 3 != 1) {
            text += journal::formatLine(time, entry, in != nullptr ? in->order.name : "");
            if (in != nullptr) {
                in->rows.push_back(static_cast<std::uint32_t>(key));
                in->counts.add(key % 3 == 0 ? LineState::Verified : LineState::Failed);
            }
        }
        expected.push_back(key % 3 == 0   ? LineState::Verified
                           : key % 3 == 1 ? LineState::Unknown
                                          : LineState::Failed);
    }
    writeFile(file, text);
    journal::Journal journal(file);
    ASSERT_TRUE(journal.waitLoaded(std::chrono::seconds(30)));
    ASSERT_EQ(journal.table().rows, kNumbers);
    EXPECT_EQ(journal.batchNames(), (std::vector<std::string>{"乙", "甲"}));
    for (std::size_t row = 0; row < kNumbers; ++row) {
        const auto block = journal.rowBlock(row);
        ASSERT_TRUE(block && row - block->first < block->rows.size()) << row;
        const journal::JournalRow& line = block->rows[row - block->first];
        ASSERT_EQ(card::numberValue(line.number), row);
        ASSERT_EQ(line.state, expected[row]) << row;
    }

    // Numbers in strides far apart, and the last row: a start still held back, which no stride
    // has taken in yet.
    const struct {
        const char* query;
        const char* batch;
        std::vector<std::uint32_t> rows;
        journal::RowCounts counts;
    } searches[] = {
        {"1000", nullptr, {1000, 0x1000}, {0, 0, 2}},  // ten digits 1000, or hex 0x1000
        {"49999", nullptr, {49999}, {0, 0, 1}},
        {"000,49998", nullptr, {49998}, {1, 0, 0}},
        {"", "甲", batches[0].rows, batches[0].counts},
        {"", "乙", batches[1].rows, batches[1].counts},
        {"10001", "甲", {10001}, {0, 1, 0}},
        {"10001", "乙", {}, {}},
        {"", "丙", {}, {}},  // no opening of it: looked for through the whole journal
    };
    for (const auto& search : searches) {
        journal::RowFilter filter;
        filter.query = journal::parseNumberQuery(search.query);
        if (search.batch != nullptr) {
            filter.batch = search.batch;
        }
        const auto scan = journal.scanRows(filter);
        for (int wait = 0; wait < 3000 && !scan->done; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(scan->done) << search.query;
        EXPECT_EQ(scan->rows, search.rows) << search.query;
        EXPECT_EQ(scan->counts, search.counts) << search.query;
        EXPECT_EQ(scan->looked, kNumbers) << search.query;
    }
}

std::vector<journal::JournalRow> rowsOf(const journal::Journal& journal) {
    std::vector<journal::JournalRow> rows;
    const std::size_t count = journal.table().rows;
    for (std::size_t row = 0; row < count; ++row) {
        const auto block = journal.rowBlock(row);
        if (!block || row - block->first >= block->rows.size()) {
            ADD_FAILURE() << row;
            return rows;
        }
        rows.push_back(block->rows[row - block->first]);
    }
    return rows;
}

std::vector<LineState> statesOf(const journal::Journal& journal) {
    std::vector<LineState> states;
    for (const auto& row : rowsOf(journal)) {
        states.push_back(row.state);
    }
    return states;
}

// A write cut off, or not read back, stays unknown until a tag is seen holding its number or the
// number is written again; the line that says so is no row, but shows on the rows it settles,
// as read at once and as read again from the file.
TEST(JournalRows, ASettlementShowsOnTheRowsItSettles) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    const auto numberOf = [](std::uint8_t n) { return card::CardNumber{0, {0, 0, 0, n}}; };
    const std::string time = "2024-05-01T14:03:22+08:00";
    commands::JournalEntry entry{std::string(journal::kStartResult),
                                 false,
                                 numberOf(1),
                                 reader::TagChip::T5577,
                                 false,
                                 std::nullopt};
    std::string text =
        std::string(journal::kByteOrderMark) + std::string(journal::kHeader) + "\r\n";
    text += journal::formatLine(time, entry);  // cut off
    entry.number = numberOf(2);
    text += journal::formatLine(time, entry);
    entry.result = "已写卡";
    entry.verified = true;
    text += journal::formatLine(time, entry);
    entry.number = numberOf(3);
    entry.result = "结果不明：未读回（状态 1），请重读或搁置";
    entry.verified = false;
    text += journal::formatLine(time, entry);
    writeFile(file, text);

    journal::Journal journal(file);
    ASSERT_TRUE(journal.waitLoaded(std::chrono::seconds(10)));
    EXPECT_EQ(statesOf(journal),
              (std::vector{LineState::Unknown, LineState::Verified, LineState::Unknown}));
    EXPECT_EQ(journal::cellText(rowsOf(journal).at(0), journal::Column::Result),
              journal::kInterruptedResult);
    EXPECT_TRUE(journal.unsettled(numberOf(1)));
    EXPECT_FALSE(journal.unsettled(numberOf(2)));
    EXPECT_TRUE(journal.unsettled(numberOf(3)));

    ASSERT_EQ(journal.settle(numberOf(1), true), std::nullopt);
    ASSERT_EQ(journal.settle(numberOf(3), false), std::nullopt);
    // A start the settlement follows at once is a row, settled.
    entry.number = numberOf(4);
    ASSERT_EQ(journal.beginWrite(entry), std::nullopt);
    EXPECT_TRUE(journal.unsettled(numberOf(4)));
    ASSERT_EQ(journal.settle(numberOf(4), true), std::nullopt);

    const std::vector expected{LineState::Verified, LineState::Verified, LineState::Failed,
                               LineState::Verified};
    journal::Journal reread(file);
    ASSERT_TRUE(reread.waitLoaded(std::chrono::seconds(10)));
    for (journal::Journal* read : {&journal, &reread}) {
        EXPECT_EQ(statesOf(*read), expected);
        const auto table = read->table();
        EXPECT_EQ(table.counts, (journal::RowCounts{3, 1, 0}));
        EXPECT_EQ(table.unreadable, 0U);
        EXPECT_EQ(table.settlements, 3U);
        const auto rows = rowsOf(*read);
        ASSERT_EQ(rows.size(), expected.size());
        EXPECT_EQ(journal::cellText(rows[0], journal::Column::Result),
                  "已写卡（结果不明，后读卡核对为此号码）");
        EXPECT_EQ(journal::cellText(rows[1], journal::Column::Result), "已写卡");
        EXPECT_EQ(journal::cellText(rows[2], journal::Column::Result),
                  "未写成（结果不明，此号码后已重写）");
        for (const std::uint8_t n : {std::uint8_t{1}, std::uint8_t{3}, std::uint8_t{4}}) {
            EXPECT_FALSE(read->unsettled(numberOf(n))) << int{n};
        }
        journal::RowFilter filter;
        filter.query = journal::parseNumberQuery("000,00003");
        const auto scan = read->scanRows(filter);
        for (int wait = 0; wait < 1000 && !scan->done; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_EQ(scan->rows, (std::vector<std::uint32_t>{2}));
        EXPECT_EQ(scan->counts, (journal::RowCounts{0, 1, 0}));
    }
}

struct QueryCase {
    const char* text;
    bool valid;
    std::vector<const char*> found;  // of 00000003E8, 0000001000, 07000003E8, 0001020304
};

class NumberQuery : public ::testing::TestWithParam<QueryCase> {};

TEST_P(NumberQuery, FindsTheNumberInEitherNotationOrHex) {
    const QueryCase& c = GetParam();
    const auto query = journal::parseNumberQuery(c.text);
    ASSERT_EQ(query.has_value(), c.valid) << c.text;
    if (!query) {
        return;
    }
    std::vector<const char*> found;
    for (const auto& [hex, number] : std::vector<std::pair<const char*, card::CardNumber>>{
             {"00000003E8", {0x00, {0x00, 0x00, 0x03, 0xE8}}},
             {"0000001000", {0x00, {0x00, 0x00, 0x10, 0x00}}},
             {"07000003E8", {0x07, {0x00, 0x00, 0x03, 0xE8}}},
             {"0001020304", {0x00, {0x01, 0x02, 0x03, 0x04}}}}) {
        if (journal::matches(*query, number)) {
            found.push_back(hex);
        }
    }
    ASSERT_EQ(found.size(), c.found.size()) << c.text;
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_STREQ(found[i], c.found[i]) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Queries, NumberQuery,
    ::testing::Values(
        // Digits alone: the ten-digit number 1000 (B3..B0, any B4) or the hex 0x1000.
        QueryCase{"0000001000", true, {"00000003E8", "0000001000", "07000003E8"}},
        QueryCase{" 1000 ", true, {"00000003E8", "0000001000", "07000003E8"}},
        QueryCase{"3e8", true, {"00000003E8"}}, QueryCase{"07000003E8", true, {"07000003E8"}},
        QueryCase{"000,01000", true, {"00000003E8", "07000003E8"}},
        QueryCase{"2，772", true, {"0001020304"}}, QueryCase{"256,1", false, {}},
        QueryCase{"1,65536", false, {}},
        QueryCase{"4294967296", true, {}},  // too big for ten digits, still hex
        QueryCase{"12345678901", false, {}}, QueryCase{"xyz", false, {}},
        QueryCase{"", false, {}}));

}  // namespace
