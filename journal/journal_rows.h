#pragma once

#include "card/card_number.h"
#include "journal/journal_line.h"
#include "journal/journal_time.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The journal's lines as the 写卡记录 table shows them (pure: no Qt, no I/O). A line the table
// shows is one journal/journal_line.h reads as whole and whose time is known; of a write's start
// line and its outcome's line only the outcome is shown, and a start no line ended as unknown.
namespace journal {

// One row of the table: a line of the journal, read whole.
struct JournalRow {
    CompactTime time;
    std::string result;  // without the batch it was made in (kBatchMark)
    std::string batch;   // the batch's name; empty for a write made in none
    LineState state = LineState::Failed;
    card::CardNumber number;
    std::string chip;
    bool locked = false;
    std::optional<card::CardNumber> previous;  // what the tag held before, where the line says
    std::uint64_t offset = 0;                  // where its line starts in the file
    bool settled = false;  // its outcome was unknown until a later line settled it (`state`)
};

// Whether the row is a write the program ended during: its start line, with no outcome.
[[nodiscard]] bool interrupted(const JournalRow& row) noexcept;
// The words for an interrupted write, wherever the table is shown, copied or exported.
inline constexpr std::string_view kInterruptedResult = "结果不明（写卡被中断）";

// Whether the table shows a line that parseLine read, whose time reads as `time`.
[[nodiscard]] inline bool isShown(const LineRecord& record, const CompactTime& time) noexcept {
    return time.known && record.hasChip;
}
// The row of a line that parseLine read; nothing for a line the table does not show (a time
// that is not one, no chip).
[[nodiscard]] std::optional<JournalRow> rowOf(const WholeLine& line);
// The row of one line, without its line end; nothing for the header and any line not shown.
[[nodiscard]] std::optional<JournalRow> parseRow(std::string_view line);

// How many rows of each state.
struct RowCounts {
    std::size_t verified = 0;
    std::size_t failed = 0;
    std::size_t unknown = 0;

    void add(LineState state, std::ptrdiff_t step = 1) noexcept;
    friend bool operator==(const RowCounts&, const RowCounts&) = default;
};

// --- The table that the window shows, copies and exports --------------------------------------

enum class Column : std::uint8_t {
    Time,
    Result,
    Version,
    TenDigit,
    EightDigit,
    Hex,
    Chip,
    Locked,
    Previous,
    Batch,  // last: the columns of spreadsheets exported before it keep their places
};
inline constexpr std::size_t kTableColumns = 10;
inline constexpr std::array<std::string_view, kTableColumns> kTableHeader{
    "时间",     "结果", "版本或客户号", "前十位号", "后八位号",
    "十六进制", "芯片", "保护",         "原卡号",   "批次"};

// A number as the window writes it: hex (B4 first), the version or customer byte, the ten-digit
// and the eight-digit notation, each zero-padded to its width.
struct Notations {
    std::string hex;
    std::string version;
    std::string tenDigit;
    std::string eightDigit;
};
[[nodiscard]] Notations notations(const card::CardNumber& number);

// The text of one cell: the time in the present local time; 原卡号 is empty where the line has
// none.
[[nodiscard]] std::string cellText(const JournalRow& row, Column column);

// --- Finding a number -------------------------------------------------------------------------

// A number typed to look for: in the ten-digit notation ("1000", "0000001000"), the eight-digit
// one ("0,1000", "000,01000") or hex ("3E8", "00000003E8"). Digits alone may be either a
// ten-digit number or hex: both are looked for.
struct NumberQuery {
    std::optional<std::uint64_t> hex;
    std::optional<std::uint32_t> tenDigit;
    std::optional<std::array<std::uint32_t, 2>> eightDigit;  // B2, B1B0
};

// Nothing for a text that is none of these (blanks around it are ignored).
[[nodiscard]] std::optional<NumberQuery> parseNumberQuery(std::string_view text);
[[nodiscard]] bool matches(const NumberQuery& query, const card::CardNumber& number) noexcept;
// The low 24 bits (B2 B1 B0) of every number the query matches: one for each of its views, none
// for a view no number has (an eight-digit number past 255,65535).
[[nodiscard]] std::vector<std::uint32_t> lowBytesSought(const NumberQuery& query);

// --- Which rows are shown --------------------------------------------------------------------

struct RowFilter {
    std::optional<std::int64_t> fromSeconds;   // only rows of this moment on (seconds since 1970)
    std::optional<std::int64_t> untilSeconds;  // only rows before this moment
    std::optional<NumberQuery> query;
    std::optional<std::string> batch;  // only the writes made in the batch of this name

    // Whether it shows every row.
    [[nodiscard]] bool all() const noexcept {
        return !fromSeconds && !untilSeconds && !query && !batch;
    }
    // Whether it shows a row written at `time`, of the number `key` (numberKey), made in the
    // batch named `madeIn` (empty: in none).
    [[nodiscard]] bool accepts(const CompactTime& time, std::uint64_t key,
                               std::string_view madeIn) const noexcept;
};

}  // namespace journal
