#pragma once

#include "card/card_number.h"
#include "card/number_text.h"
#include "commands/write_journal.h"
#include "journal/journal_time.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The lines of written-tags.csv (pure: no I/O). A line is CSV as spreadsheets read it: fields
// separated by commas, a field holding a comma, quote or line break in double quotes, a quote in
// such a field doubled; lines end with CR LF. The file starts with a UTF-8 byte-order mark and the
// header row.
namespace journal {

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// 核对 says whether the tag was read back holding the number written; 原卡号 is what the tag sent
// before the write (ten hex digits), empty when it sent nothing.
inline constexpr std::string_view kHeader =
    "时间,结果,十六进制,版本或客户号,前十位号,后八位号,芯片,保护,核对,原卡号";
inline constexpr std::string_view kLineEnd = "\r\n";
// How the header row starts: such a line is no line cut short.
inline constexpr std::string_view kHeaderStart = "时间,";
inline constexpr std::size_t kColumns = 10;
// Journals written before 核对 and 原卡号 have only the first eight columns; there a write the
// tag was read back to hold is one whose result starts with this.
inline constexpr std::size_t kOldColumns = 8;
inline constexpr std::string_view kOldVerifiedPrefix = "已写卡";
// The shortest line the program writes (a write without 原卡号): room for a line every this many
// bytes is made before a journal is read.
inline constexpr std::size_t kShortestLine = 90;

// One field of a line as it stands: between its quotes when quoted, a doubled quote still
// doubled.
struct CsvField {
    std::string_view text;
    bool quoted = false;
};
// Splits a line (without its line end) into its fields. False when it has more than kColumns
// fields, a quote left open (a line cut short) or a quote inside an unquoted field.
[[nodiscard]] bool splitFields(std::string_view line, std::array<CsvField, kColumns>& fields,
                               std::size_t& count) noexcept;
// The field's text with its quoting undone.
[[nodiscard]] std::string unquoted(const CsvField& field);

// One field as CSV: quoted when it must be.
[[nodiscard]] std::string csvField(std::string_view text);

// How a write made in a batch names it, after its result in the 结果 column: "已写卡；批次 <名称>".
// Not a column of its own: an older copy refuses a line of more than ten fields, and would then
// neither show the write nor ask before writing its number again.
inline constexpr std::string_view kBatchMark = "；批次 ";
// A write's result split at kBatchMark: the words the write was told in, and the batch it was
// made in (nothing for a write made in none, whose words are the whole result).
struct MarkedResult {
    std::string_view words;
    std::optional<std::string_view> batch;
};
[[nodiscard]] MarkedResult splitBatchMark(std::string_view result) noexcept;

// The line of an entry written at `time` (ISO 8601 local time with offset), with its line end;
// made in the batch named `batch` when that is not empty.
[[nodiscard]] std::string formatLine(std::string_view time, const commands::JournalEntry& entry,
                                     std::string_view batch = {});

// The 40-bit number B4..B0 as one integer, the key the journal keeps verified writes under.
[[nodiscard]] inline std::uint64_t numberKey(const card::CardNumber& number) noexcept {
    return card::numberValue(number);
}
// A number's (numberKey's) low 24 bits, B2 B1 B0: what its eight-digit view shows, and what a
// search for any of its views names.
[[nodiscard]] constexpr std::uint32_t lowBytes(std::uint64_t key) noexcept {
    return static_cast<std::uint32_t>(key & 0xFFFFFFU);
}

// The result of the line written just before MF_Write, so that a crash during the write leaves a
// trace; the write's own line after it, for the same number, closes it.
inline constexpr std::string_view kStartResult = "正在写卡";

// A line that settles the number's earlier writes whose outcome was unknown: a tag was later seen
// holding the number (核对 是: they reached a tag), or the number was written and verified again
// onto a tag that did not hold it (核对 否: they did not reach that one). Its 芯片 column is
// empty: an older reader leaves it out of its table, and its questions take it as a verified
// write of the number (是) or as a failed one (否), which is what it is to them.
inline constexpr std::string_view kSettledResult = "核对：";
inline constexpr std::string_view kSeenOnTagResult = commands::kSeenOnTagResult;
inline constexpr std::string_view kWrittenAgainResult = "核对：此号码已重写";
// The settlement's line written at `time`, with its line end; a tag seen holding the number of a
// batch's write names the batch (kBatchMark), whose verified write it is from then on.
[[nodiscard]] std::string formatSettlement(std::string_view time, const card::CardNumber& number,
                                           bool seenOnTag, std::string_view batch = {});

// What a line says became of its write: decided here, from its columns; the words of its result
// are only how it was told. A start that no later line of its number ended is unknown: the
// program ended during the write, and the tag may or may not hold the number.
enum class LineState : std::uint8_t {
    Verified,  // written, and the tag read back holding the number
    Failed,    // anything else that reached the tag
    Started,   // the line before MF_Write (kStartResult); its outcome is on a later line
    Unknown,   // a start that no line ended, or a write's line that says the tag may hold the
               // number or not (commands::kUnsettledResult)
};

// What a line records, as reading the whole journal needs it: in few bytes, since a piece of
// the journal holds thousands. `time` points into the line.
struct LineRecord {
    std::string_view time;
    std::uint64_t key = 0;                     // numberKey of the number written
    std::optional<std::uint64_t> previousKey;  // what the tag held before, when it was read
    std::uint32_t at = 0;                      // where the line starts in the text it was read from
    LineState state = LineState::Failed;
    bool locked = false;
    bool hasChip = false;  // its 芯片 column is not empty
    // A settlement (formatSettlement), no write: `state` says what the number's unsettled writes
    // before it turned out to be.
    bool settles = false;
};
// A line's record with the texts only showing it needs, which point into the line.
struct WholeLine : LineRecord {
    CsvField result;
    CsvField chip;
};

// What a line records, or nothing: for the header, and any line that is not whole (ten fields,
// or eight in an older journal; quotes closed, ten hex digits, 是 or 否 where they belong), such
// as one cut short when the power failed. `line` is without its line end.
[[nodiscard]] std::optional<WholeLine> parseLine(std::string_view line) noexcept;

// A line in exactly the shape this program writes (ten fields, its time, digits and 是/否 where
// they belong, CR LF), read from the start of `text` in one pass without first looking for its
// end: what parseLine makes of it, and its length with the line end. Nothing for any other line
// (an older journal's, one with a quoted result, one cut short), which parseLine then reads.
struct ReadLine {
    LineRecord record;
    std::size_t length = 0;
};
[[nodiscard]] std::optional<ReadLine> readProgramLine(std::string_view text) noexcept;

}  // namespace journal
