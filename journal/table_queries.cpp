#include "journal/table_queries.h"

#include "journal/line_pieces.h"
#include "journal/row_reading.h"
#include "platform/owned_file.h"
#include "platform/system_reason.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <utility>

namespace journal {

namespace {

// Strides of rows kept read: a screen of the table, and a little scrolling around it.
constexpr std::size_t kBlocksKept = 4;

}  // namespace

std::string readErrorText(const std::string& why) {
    return "无法读取写卡记录（" + why + "）";
}

TableQueries::Reach TableQueries::reachOf(const RowMap& rows, const BatchSpans& batches,
                                          const RowFilter& filter, std::uint64_t limit) {
    Reach reach;
    reach.until = limit;
    if (filter.query) {
        // Only the strides that may hold the number are read: a search of a long journal
        // reads a few of them rather than the whole file.
        reach.strides = rows.stridesHolding(lowBytesSought(*filter.query));
        reach.whole = false;
    } else if (const auto span = filter.batch ? batches.span(*filter.batch) : std::nullopt) {
        // Only the part of the file from the batch's opening to its end: a batch is a short
        // stretch of a long journal. A batch no opening was read of is looked for everywhere.
        reach.from = rows.markAt(span->from);
        reach.until = std::min(limit, span->until.value_or(limit));
        reach.whole = false;
    }
    return reach;
}

std::shared_ptr<const RowBlock> TableQueries::rowBlock(RowMap::Mark mark, std::uint64_t limit,
                                                       std::uint64_t generation,
                                                       const Settlements& settled) const {
    const std::lock_guard guard(blocksMutex_);
    for (const CachedBlock& cached : blocks_) {
        if (cached.first == mark.row && cached.limit == limit && cached.generation == generation) {
            return cached.block;
        }
    }
    auto opened = platform::openOwnFile(file_, platform::Access::Read);
    if (!opened) {
        return nullptr;
    }
    auto block = std::make_shared<RowBlock>();
    block->first = mark.row;
    block->rows.reserve(RowMap::kStride);
    const auto failed = readRows(*opened, mark, limit, [&](std::size_t /*row*/, JournalRow&& line) {
        if (const auto found = settled.find(line.offset); found != settled.end()) {
            line.state = found->second;
            line.settled = true;
        }
        block->rows.push_back(std::move(line));
        return block->rows.size() < RowMap::kStride;
    });
    if (failed) {
        return nullptr;
    }
    if (blocks_.size() == kBlocksKept) {
        blocks_.pop_back();
    }
    blocks_.push_front(CachedBlock{mark.row, limit, generation, block});
    return block;
}

void TableQueries::scan(RowScan& scan, const RowFilter& filter, const Reach& reach,
                        const Settlements& settled, const std::atomic<bool>& stop) const {
    try {
        auto opened = platform::openOwnFile(file_, platform::Access::Read);
        if (!opened) {
            if (opened.error().refusal != platform::Refusal::Missing) {
                scan.error = platform::whyNotOpened("无法读取写卡记录", opened.error());
            }
        } else {
            // From `from` on, every row up to reach.until, or (`stride`) the rows of one stride.
            const auto look = [&](RowMap::Mark from, bool stride) {
                std::size_t taken = 0;
                const std::size_t readBytes = stride ? kStrideBytes : LinePieces::kPieceBytes;
                return readRowFacts(
                    *opened, from, reach.until, readBytes, filter.batch.has_value(),
                    [&](std::size_t row, RowFacts&& line) {
                        if (scan.cancelled || stop) {
                            return false;
                        }
                        if (reach.whole) {
                            ++scan.looked;
                        }
                        if (filter.accepts(line.time, line.key, line.batch)) {
                            scan.rows.push_back(static_cast<std::uint32_t>(row));
                            const auto found = settled.find(line.offset);
                            scan.counts.add(found != settled.end() ? found->second : line.state);
                        }
                        return !stride || ++taken < RowMap::kStride;
                    });
            };
            std::optional<std::error_code> failed;
            if (reach.strides) {
                for (const RowMap::Mark& from : *reach.strides) {
                    if ((failed = look(from, true))) {
                        break;
                    }
                }
            } else {
                failed = look(reach.from, false);
            }
            if (failed) {
                scan.error = readErrorText(platform::systemReason(*failed));
            }
        }
    } catch (const std::exception&) {
        scan.error = readErrorText("读取时出错");
    }
    scan.done = true;
}

}  // namespace journal
