#pragma once

#include "card/card_number.h"
#include "commands/write_journal.h"

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
inline constexpr std::string_view kHeader =
    "时间,结果,十六进制,版本或客户号,前十位号,后八位号,芯片,保护";
inline constexpr std::string_view kLineEnd = "\r\n";
inline constexpr std::size_t kColumns = 8;
// Results of writes the tag was read back to hold start with this.
inline constexpr std::string_view kVerifiedPrefix = "已写卡";

// One field as CSV: quoted when it must be.
[[nodiscard]] std::string csvField(std::string_view text);

// The line of an entry written at `time` (ISO 8601 local time with offset), with its line end.
[[nodiscard]] std::string formatLine(std::string_view time, const commands::JournalEntry& entry);

// The 40-bit number B4..B0 as one integer, the key the journal keeps verified writes under.
[[nodiscard]] std::uint64_t numberKey(const card::TagNumber& number) noexcept;

// A verified write as a line records it: its time and number.
struct VerifiedWrite {
    std::string_view time;
    std::uint64_t key = 0;
};

// The verified write a line records, or nothing: for a line of another result, the header, and
// any line that is not whole (eight fields, quotes closed, ten hex digits, 是 or 否 at its end),
// such as one cut short when the power failed. `line` is without its line end.
[[nodiscard]] std::optional<VerifiedWrite> parseVerifiedWrite(std::string_view line) noexcept;

}  // namespace journal
