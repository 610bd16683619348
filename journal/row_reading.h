#pragma once

#include "journal/journal_rows.h"
#include "journal/row_map.h"
#include "platform/owned_file.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

namespace journal {

// Reads the table's rows from `from` on, up to `limit` (the end of the lines the map took in),
// and hands each to `take` with its number, in order, until `take` returns false. The same rows
// as the map counted, read again with the one line parser; only the bytes the rows need are read.
// Why the reading failed, or nothing.
[[nodiscard]] std::optional<std::error_code> readRows(
    const platform::OwnedFile& file, RowMap::Mark from, std::uint64_t limit,
    const std::function<bool(std::size_t row, JournalRow&& line)>& take);

// What a filter asks of a row, read without the row's texts.
struct RowFacts {
    CompactTime time;
    std::uint64_t key = 0;  // numberKey
    LineState state = LineState::Failed;
    std::uint64_t offset = 0;  // where its line starts
    std::string batch;         // the batch it was made in, when asked for (readRowFacts)
};
// About a stride of rows: what a read of a stride takes at a time.
inline constexpr std::size_t kStrideBytes = std::size_t{32} << 10U;

// As readRows, the facts of each row, read `readBytes` at a time: a whole journal in large
// pieces, a stride in a stride's bytes. The batch of each row only `withBatches`: it is read from
// the row's line again.
[[nodiscard]] std::optional<std::error_code> readRowFacts(
    const platform::OwnedFile& file, RowMap::Mark from, std::uint64_t limit, std::size_t readBytes,
    bool withBatches, const std::function<bool(std::size_t row, RowFacts&& facts)>& take);

}  // namespace journal
