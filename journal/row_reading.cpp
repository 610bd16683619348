#include "journal/row_reading.h"

#include "journal/line_pieces.h"

#include <utility>

namespace journal {

namespace {

// About a stride of rows at a time: what one screen of the table needs.
constexpr std::size_t kReadBytes = std::size_t{32} << 10U;

}  // namespace

std::optional<std::error_code> readRows(
    const platform::OwnedFile& file, RowMap::Mark from, std::uint64_t limit,
    const std::function<bool(std::size_t row, JournalRow&& line)>& take) {
    LinePieces pieces(file, from.offset, limit, kReadBytes);
    RowSequence<JournalRow> sequence;
    std::size_t row = from.row;
    bool more = true;
    const auto emit = [&](JournalRow&& line) {
        if (more) {
            more = take(row++, std::move(line));
        }
    };
    LinePiece piece;
    while (more && pieces.next(piece)) {
        for (const LineRecord& record : piece.records) {
            if (auto line = rowOf(record)) {
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

}  // namespace journal
