#pragma once

#include "journal/batch_spans.h"
#include "journal/journal_rows.h"
#include "journal/row_map.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace journal {

// The table's rows a filter shows, found by reading the journal through.
struct RowScan {
    std::vector<std::uint32_t> rows;  // the rows shown, oldest first
    RowCounts counts;                 // of the rows shown
    std::size_t looked = 0;           // the rows looked at: all the table had when asked
    std::size_t settled = 0;          // of the table's rows then, those no line to come changes
    std::uint64_t generation = 0;     // Journal::Table::generation when asked
    std::optional<std::string> error;
    std::atomic<bool> done{false};
    std::atomic<bool> cancelled{false};  // set by the asker: the answer is no longer wanted
};

// Rows of the table, read from the file: a stride of them (RowMap::kStride).
struct RowBlock {
    std::size_t first = 0;
    std::vector<JournalRow> rows;
};

// Settlements by the offset of the line they settle (RowMap::settled).
using Settlements = std::unordered_map<std::uint64_t, LineState>;

// Why the journal could not be read, in words (UTF-8).
[[nodiscard]] std::string readErrorText(const std::string& why);

// The 写卡记录 table's questions, answered from the journal's file: the rows a filter shows and
// the strides of rows the table paints. It reads the file only; what it reads up to, and what
// the lines read so far hold, the journal gives with each question, taken under its own lock.
class TableQueries {
public:
    // Which rows a filter's scan reads: the strides given, or the rows from a mark on up to an
    // offset (every row of the table, counted as looked at, when `whole`).
    struct Reach {
        std::optional<std::vector<RowMap::Mark>> strides;
        RowMap::Mark from;
        std::uint64_t until = 0;
        bool whole = true;
    };
    // Where the rows `filter` shows may be, of the lines read up to `limit`.
    [[nodiscard]] static Reach reachOf(const RowMap& rows, const BatchSpans& batches,
                                       const RowFilter& filter, std::uint64_t limit);

    explicit TableQueries(std::filesystem::path file) : file_(std::move(file)) {}

    // Finds the rows `filter` shows within `reach`; stops early once `stop` or the scan's
    // `cancelled` is set.
    void scan(RowScan& scan, const RowFilter& filter, const Reach& reach,
              const Settlements& settled, const std::atomic<bool>& stop) const;
    // The stride of rows from `mark` on, of the lines up to `limit` of the file read as
    // `generation`; kept for the next paint. Nothing when it cannot be read.
    [[nodiscard]] std::shared_ptr<const RowBlock> rowBlock(RowMap::Mark mark, std::uint64_t limit,
                                                           std::uint64_t generation,
                                                           const Settlements& settled) const;

private:
    struct CachedBlock {
        std::size_t first = 0;
        std::uint64_t limit = 0;
        std::uint64_t generation = 0;
        std::shared_ptr<const RowBlock> block;
    };

    std::filesystem::path file_;
    // The strides of rows read last, for the table's next paint.
    mutable std::mutex blocksMutex_;
    mutable std::deque<CachedBlock> blocks_;
};

}  // namespace journal
