#include "journal/row_reading.h"

#include "journal/line_pieces.h"

#include <utility>

namespace journal {

namespace {

// The batch a write's line names, read from the line again: a record keeps no result.
std::string batchNamed(std::string_view line) {
    const auto whole = parseLine(line);
    if (!whole) {
        return {};
    }
    const auto named = [](std::string_view result) {
        return std::string(splitBatchMark(result).batch.value_or(std::string_view()));
    };
    return whole->result.quoted ? named(unquoted(whole->result)) : named(whole->result.text);
}

// The rows from `from` on, each made by `make` from the line's record in its piece (nothing for a
// line the table does not show).
template <class Row, class Make>
std::optional<std::error_code> walk(const platform::OwnedFile& file, RowMap::Mark from,
                                    std::uint64_t limit, std::size_t readBytes, const Make& make,
                                    const std::function<bool(std::size_t, Row&&)>& take) {
    LinePieces pieces(file, from.offset, limit, readBytes);
    RowSequence<Row> sequence;
    std::size_t row = from.row;
    bool more = true;
    const auto emit = [&](Row&& line) {
        if (more) {
            more = take(row++, std::move(line));
        }
    };
    LinePiece piece;
    while (more && pieces.next(piece)) {
        for (const LineRecord& record : piece.records) {
            if (record.settles) {
                sequence.settle(record.key, emit);  // as the map did
            } else if (auto line = make(piece, record)) {
                sequence.take(std::move(*line), record.key, emit);
                if (!more) {
                    break;
                }
            }
        }
    }
    if (more && !pieces.error()) {
        sequence.end(emit);
    }
    return pieces.error();
}

}  // namespace

std::optional<std::error_code> readRows(
    const platform::OwnedFile& file, RowMap::Mark from, std::uint64_t limit,
    const std::function<bool(std::size_t row, JournalRow&& line)>& take) {
    return walk<JournalRow>(
        file, from, limit, kStrideBytes,
        [](const LinePiece& piece, const LineRecord& record) -> std::optional<JournalRow> {
            // The texts a row shows, from the line again: a piece keeps only a line's record.
            const auto whole = parseLine(lineAt(piece, record.at));
            auto row = whole ? rowOf(*whole) : std::nullopt;
            if (row) {
                row->offset = piece.begin + record.at;
            }
            return row;
        },
        take);
}

std::optional<std::error_code> readRowFacts(
    const platform::OwnedFile& file, RowMap::Mark from, std::uint64_t limit, std::size_t readBytes,
    bool withBatches, const std::function<bool(std::size_t row, RowFacts&& facts)>& take) {
    TimeReader times;
    return walk<RowFacts>(
        file, from, limit, readBytes,
        [&times, withBatches](const LinePiece& piece,
                              const LineRecord& record) -> std::optional<RowFacts> {
            const CompactTime time = times.read(record.time);
            if (!isShown(record, time)) {
                return std::nullopt;
            }
            RowFacts facts{time, record.key, record.state, piece.begin + record.at, {}};
            if (withBatches) {
                facts.batch = batchNamed(lineAt(piece, record.at));
            }
            return facts;
        },
        take);
}

}  // namespace journal
