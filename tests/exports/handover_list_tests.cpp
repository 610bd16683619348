// A batch's hand-over list from its log: the summary, one row per number of the range with what
// became of it, and the tags the bag check found that are not of the batch.
#include "card/number_text.h"
#include "exports/handover_list.h"
#include "journal/journal_time.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Row = std::vector<std::string>;

constexpr const char* kEarly = "2024-05-01T14:03:22+08:00";
constexpr const char* kLater = "2024-05-01T14:05:40+08:00";

std::string shown(const char* time) {
    return journal::presentLocalTimeText(journal::parseIsoTime(time));
}

card::CardNumber tenDigit(std::uint32_t value) {
    return card::tagNumberFromValue(value);
}

journal::BatchRow write(const char* time, card::CardNumber number, bool verified,
                        std::string result) {
    return {time, number, verified, false, std::move(result)};
}

struct ListCase {
    const char* what;
    journal::BatchLog log;
    std::vector<std::pair<std::string, std::string>> summary;
    std::vector<Row> rows;
};

journal::BatchLog logOf(commands::BatchOrder order, std::vector<std::uint64_t> verified,
                        std::vector<journal::BatchRow> rows) {
    journal::BatchLog log;
    log.newest = commands::BatchRecord{std::move(order), std::move(verified), true};
    log.rows = std::move(rows);
    return log;
}

std::vector<ListCase> listCases() {
    std::vector<ListCase> cases;

    // Done: the third number failed once and was written again; its written time tells.
    commands::BatchOrder done{"客户甲", tenDigit(1000), card::Notation::WG34, 3};
    cases.push_back(
        {"done, a number written again after a failure",
         logOf(done, {0, 1, 2},
               {write(kEarly, tenDigit(1000), true, "已写卡"),
                write(kEarly, tenDigit(1001), true, "已写卡并保护"),
                write(kEarly, tenDigit(1002), false, "写卡失败（状态 7）"),
                write(kLater, tenDigit(1002), true, "已写卡"),
                // A later failed write onto the same number does not undo the written tag.
                write(kLater, tenDigit(1002), false, "写后读回不符")}),
         {{"名称", "客户甲"},
          {"范围", "0000001000 – 0000001002"},
          {"张数", "3"},
          {"已写", "3"},
          {"作废", "0"},
          {"已核对", "0"}},
         {{"1", "0000001000", "000,01000", "00000003E8", "已写卡", "", shown(kEarly)},
          {"2", "0000001001", "000,01001", "00000003E9", "已写卡并保护", "", shown(kEarly)},
          {"3", "0000001002", "000,01002", "00000003EA", "已写卡", "", shown(kLater)}}});

    // Ended early: one write of unknown outcome stays as the journal tells it; a number that
    // failed and then was given up on is void, as are the ones never reached.
    commands::BatchOrder early{"乙", tenDigit(4294967291U), card::Notation::WG34, 5};
    journal::BatchLog ended =
        logOf(early, {0},
              {write(kEarly, tenDigit(4294967291U), true, "已写卡"),
               write(kEarly, tenDigit(4294967292U), false, "结果不明"),
               write(kLater, tenDigit(4294967293U), false, "写卡失败（状态 7）")});
    ended.voidFrom = 2;
    ended.voided = 3;
    cases.push_back({"ended early with void numbers",
                     ended,
                     {{"名称", "乙"},
                      {"范围", "4294967291 – 4294967295"},
                      {"张数", "5"},
                      {"已写", "1"},
                      {"作废", "3"},
                      {"已核对", "0"}},
                     {{"1", "4294967291", "255,65531", "00FFFFFFFB", "已写卡", "", shown(kEarly)},
                      {"2", "4294967292", "255,65532", "00FFFFFFFC", "结果不明", "", shown(kEarly)},
                      {"3", "4294967293", "255,65533", "00FFFFFFFD", "作废", "", ""},
                      {"4", "4294967294", "255,65534", "00FFFFFFFE", "作废", "", ""},
                      {"5", "4294967295", "255,65535", "00FFFFFFFF", "作废", "", ""}}});

    // The bag check: two of three seen, one not yet written but found in the bag (told on its
    // own row, not again after the range), and a tag of another batch.
    commands::BatchOrder bag{"丙", tenDigit(7), card::Notation::WG34, 3};
    journal::BatchLog checked = logOf(
        bag, {0, 1},
        {write(kEarly, tenDigit(7), true, "已写卡"), write(kEarly, tenDigit(8), true, "已写卡")});
    checked.checked = {0, 1};
    checked.foreign = {card::CardNumber{0x12, {0, 0, 0x27, 0x0F}}, tenDigit(9)};
    checked.newest->ended = false;
    cases.push_back(
        {"checked, with a foreign tag after the range",
         checked,
         {{"名称", "丙"},
          {"范围", "0000000007 – 0000000009"},
          {"张数", "3"},
          {"已写", "2"},
          {"作废", "0"},
          {"已核对", "2"}},
         {{"1", "0000000007", "000,00007", "0000000007", "已写卡", "已核对", shown(kEarly)},
          {"2", "0000000008", "000,00008", "0000000008", "已写卡", "已核对", shown(kEarly)},
          {"3", "0000000009", "000,00009", "0000000009", "未写", "不在本批次", ""},
          {"", "0000009999", "000,09999", "120000270F", "不在本批次", "", ""}}});

    // Eight-digit: it counts in B1B0 alone, B3 and B2 stay; the range is said in its notation.
    // A write of a number with the same B1B0 but another B3 is no write of the batch.
    const card::CardNumber first{0, {1, 3, 0xFF, 0xFD}};
    commands::BatchOrder eight{"丁", first, card::Notation::WG26, 3};
    cases.push_back(
        {"eight-digit notation",
         logOf(eight, {2},
               {write(kEarly, card::CardNumber{0, {2, 3, 0xFF, 0xFE}}, true, "已写卡"),
                write(kLater, card::CardNumber{0, {1, 3, 0xFF, 0xFF}}, true, "已写卡")}),
         {{"名称", "丁"},
          {"范围", "003,65533 – 003,65535"},
          {"张数", "3"},
          {"已写", "1"},
          {"作废", "0"},
          {"已核对", "0"}},
         {{"1", "0017039357", "003,65533", "000103FFFD", "未写", "", ""},
          {"2", "0017039358", "003,65534", "000103FFFE", "未写", "", ""},
          {"3", "0017039359", "003,65535", "000103FFFF", "已写卡", "", shown(kLater)}}});
    return cases;
}

TEST(HandoverList, SummaryAndRowsOfABatch) {
    for (const ListCase& c : listCases()) {
        const exports::HandoverList list(c.log);
        EXPECT_EQ(list.summary(), c.summary) << c.what;
        ASSERT_EQ(list.rows(), c.rows.size()) << c.what;
        for (std::size_t r = 0; r < c.rows.size(); ++r) {
            const exports::HandoverRow row = list.row(r);
            EXPECT_EQ(Row(row.begin(), row.end()), c.rows[r]) << c.what << ", row " << r + 1;
        }
    }
}

TEST(HandoverList, IsEmptyWithoutABatch) {
    journal::BatchLog none;
    none.foreign = {tenDigit(5)};
    const exports::HandoverList list(none);
    EXPECT_EQ(list.rows(), 0U);
    EXPECT_TRUE(list.summary().empty());
}

}  // namespace
