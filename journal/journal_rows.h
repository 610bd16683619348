#pragma once

#include "card/card_number.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The lines of written-tags.csv read back whole, for showing and handing on (pure: no Qt). Reads
// both line formats the journal has had: eight columns (时间 … 保护; a write was verified when its
// result starts with 已写卡) and ten (… 保护,核对,原卡号). A line that is not whole (a quote left
// open, a wrong number of fields, a field that cannot be what its column holds) is skipped, and
// the lines after it are read as usual.
namespace journal {

// How a write ended, as far as its line tells.
enum class Outcome : std::uint8_t {
    Verified,  // written, and the tag read back holding the number
    Failed,    // anything else that reached the tag
    Started,   // the write began; its outcome is on a later line, if any
};

// Wall-clock time where the line was written.
struct CivilTime {
    std::int16_t year = 0;
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;

    friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

struct JournalRow {
    CivilTime local;
    std::int64_t utcSeconds = 0;  // the same moment, seconds since 1970 UTC
    std::string result;
    Outcome outcome = Outcome::Failed;
    card::TagNumber number;
    std::string chip;
    bool locked = false;
    std::optional<card::TagNumber> previous;  // what the tag held before, where the line says
};

// One line, without its line end; nothing for the header and any line that is not whole.
[[nodiscard]] std::optional<JournalRow> parseRow(std::string_view line);

// What a read of the file from some offset on came to.
struct ReadResult {
    std::uint64_t offset = 0;  // just past the last whole line read: where the next read starts
    std::size_t skipped = 0;   // lines that were not whole (the header not counted)
    std::optional<std::string> error;  // why the file could not be read (UTF-8, Chinese)
};

struct ReadOptions {
    std::size_t chunkBytes = std::size_t{1} << 20U;
    std::size_t batchRows = 20000;
};

// Reads the lines of `file` from byte `offset` on, a chunk at a time, and hands the rows to
// `onBatch`, in file order, a batch at a time; `onBatch` returns false to stop early. A last line
// without its line end is left unread: it may be one being appended right now. A missing file
// holds no lines.
[[nodiscard]] ReadResult readRows(const std::filesystem::path& file, std::uint64_t offset,
                                  const std::function<bool(std::vector<JournalRow>&&)>& onBatch,
                                  ReadOptions options = {});

// The size of `file` in bytes; 0 when it is missing.
[[nodiscard]] std::uint64_t fileSize(const std::filesystem::path& file);

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
};
inline constexpr std::size_t kTableColumns = 9;
inline constexpr std::array<std::string_view, kTableColumns> kTableHeader{
    "时间", "结果", "版本或客户号", "前十位号", "后八位号", "十六进制", "芯片", "保护", "原卡号"};

// A number as the window writes it: hex (B4 first), the version or customer byte, the ten-digit
// and the eight-digit notation, each zero-padded to its width.
struct Notations {
    std::string hex;
    std::string version;
    std::string tenDigit;
    std::string eightDigit;
};
[[nodiscard]] Notations notations(const card::TagNumber& number);

// "2024-05-01 14:03:22": the time where it was written, without its offset.
[[nodiscard]] std::string timeText(const CivilTime& time);

// The text of one cell; 原卡号 is empty where the line has none.
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
[[nodiscard]] bool matches(const NumberQuery& query, const card::TagNumber& number) noexcept;

}  // namespace journal
