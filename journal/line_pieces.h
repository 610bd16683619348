#pragma once

#include "journal/journal_line.h"
#include "platform/owned_file.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace journal {

// A piece of the journal as read: its bytes, and the records of the whole lines in it, whose
// times point into those bytes.
struct LinePiece {
    std::vector<char> bytes;
    std::vector<LineRecord> records;  // each `at` counts from `begin`
    std::uint64_t begin = 0;          // the file's offset of the piece's first byte
    std::uint64_t end = 0;            // the file's offset just past the piece's last whole line
    std::size_t unreadable = 0;       // lines that are not whole, the header not counted
    std::vector<std::uint32_t> batchLines;  // where a batch's own lines start, as `at` does
};

// The line of a piece that starts at `at`, without its line end.
[[nodiscard]] std::string_view lineAt(const LinePiece& piece, std::size_t at);

// The journal's bytes from an offset up to a size, read as pieces of whole lines, one after
// another; the file is never held whole. A line begun at the end of a piece is carried into the
// next one. A piece's worth of bytes without a line end holds no line of the journal and is
// passed over, up to the next line end.
class LinePieces {
public:
    // A line is at most this long; the bytes read at a time may be fewer.
    static constexpr std::size_t kPieceBytes = std::size_t{1} << 20U;

    LinePieces(const platform::OwnedFile& file, std::uint64_t offset, std::uint64_t size,
               std::size_t readBytes = kPieceBytes);

    // Fills `piece` with the next lines read. False when there is nothing more to read, or the
    // reading failed (error()).
    bool next(LinePiece& piece);
    [[nodiscard]] const std::optional<std::error_code>& error() const { return error_; }

private:
    const platform::OwnedFile& file_;
    std::uint64_t at_;      // the next byte to read
    std::uint64_t parsed_;  // the offset of the carried bytes, just past the last whole line
    std::uint64_t size_;
    std::size_t readBytes_;
    std::string carried_;    // a line begun in the last piece
    bool skipping_ = false;  // inside a line longer than a piece
    std::optional<std::error_code> error_;
};

// Hands each piece of `pieces` to `takeIn`, in the file's order. With `inTwo`, the next piece is
// read and parsed on a thread of its own meanwhile (when a thread can be had). False when `stop`
// was set before the end; what `takeIn` throws, or the reading thread, is thrown here.
bool forEachPiece(LinePieces& pieces, bool inTwo, const std::atomic<bool>& stop,
                  const std::function<void(const LinePiece&)>& takeIn);

}  // namespace journal
