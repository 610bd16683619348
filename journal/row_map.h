#pragma once

#include "journal/journal_line.h"
#include "journal/journal_rows.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

namespace journal {

// Which of the lines the table shows are its rows, in the file's order: a write's start line is
// held back until the next line shows whether the write's outcome follows it (a line of the same
// number that is no start); then only the outcome is a row. A start that anything else follows,
// or nothing, is a row of its own, unknown.
template <class Line>
class RowSequence {
public:
    // Takes the next line; hands the rows it settles to `emit`, in order.
    template <class Emit>
    void take(Line&& line, std::uint64_t key, Emit&& emit) {
        const bool start = line.state == LineState::Started;
        if (holding_ && (start || key != heldKey_)) {
            held_.state = LineState::Unknown;
            emit(std::move(held_));
        }
        holding_ = start;
        if (start) {
            held_ = std::move(line);
            heldKey_ = key;
        } else {
            emit(std::move(line));
        }
    }
    // There are no more lines: a start held back is a row.
    template <class Emit>
    void end(Emit&& emit) {
        if (holding_) {
            holding_ = false;
            held_.state = LineState::Unknown;
            emit(std::move(held_));
        }
    }
    // A settlement of `key` came: a start of it held back is a row of its own, as its outcome's
    // line will not come.
    template <class Emit>
    void settle(std::uint64_t key, Emit&& emit) {
        if (holding_ && heldKey_ == key) {
            end(emit);
        }
    }
    // The start held back, or nothing.
    [[nodiscard]] const Line* held() const noexcept { return holding_ ? &held_ : nullptr; }

private:
    Line held_{};
    bool holding_ = false;
    std::uint64_t heldKey_ = 0;
};

// Which numbers a stride of rows may hold, by the low 24 bits of each (B2 B1 B0: the eight-digit
// view, which every number a search names fixes): a Bloom filter of 2048 bits and four probes,
// wrong about one stride in forty when the stride holds 256 different numbers, never about a
// number it holds.
class StrideNumbers {
public:
    void add(std::uint32_t low) noexcept;
    [[nodiscard]] bool mayHold(std::uint32_t low) const noexcept;

private:
    std::array<std::uint64_t, 32> bits_{};
};

// A sparse map of the table's rows in the file, kept as the journal is read: where every
// kStride-th row's line starts, so that any row is found by reading at most a stride of lines,
// which numbers each stride may hold, so that a search reads only the strides that may hold its
// number, and the counts of the rows by state. About a byte a row.
class RowMap {
public:
    static constexpr std::size_t kStride = 256;

    // Makes room for about `rows` rows at once, rather than growing step by step.
    void reserve(std::size_t rows);
    // Takes in the next line the table shows (rowOf), starting at `offset` of the file.
    void take(std::uint64_t offset, std::uint64_t key, LineState state);
    // Takes in a settlement of `key` (LineRecord::settles): its rows whose outcome was unknown
    // are `state` from now on.
    void settle(std::uint64_t key, LineState state);
    // Whether `key` has a row whose outcome is unknown and no settlement has come for.
    [[nodiscard]] bool unsettled(std::uint64_t key) const;
    // What became of the unknown rows that settlements settled, by where their lines start.
    [[nodiscard]] const std::unordered_map<std::uint64_t, LineState>& settled() const noexcept {
        return settledRows_;
    }
    // Counts lines the table does not show that are not the header.
    void passOver(std::size_t lines) noexcept { unreadable_ += lines; }

    // The rows, a start still held back (which the next line may yet hide) included.
    [[nodiscard]] std::size_t rows() const noexcept { return settled_ + (held() ? 1 : 0); }
    // The rows no line to come can change.
    [[nodiscard]] std::size_t settledRows() const noexcept { return settled_; }
    [[nodiscard]] RowCounts counts() const noexcept;
    [[nodiscard]] std::size_t unreadable() const noexcept { return unreadable_; }

    // Where reading starts for `row`: the line of the first row of its stride, and its number.
    struct Mark {
        std::uint64_t offset = 0;
        std::size_t row = 0;
    };
    [[nodiscard]] Mark markBefore(std::size_t row) const;
    // Where reading starts for the rows from the line at `offset` of the file on: the start of
    // the last stride begun before it.
    [[nodiscard]] Mark markAt(std::uint64_t offset) const;
    // Where the strides start whose rows may hold a number whose lowBytes are among `lows`, in
    // order; the last stride, whose start held back no stride knows yet, always.
    [[nodiscard]] std::vector<Mark> stridesHolding(std::span<const std::uint32_t> lows) const;
    [[nodiscard]] std::size_t bytesKept() const noexcept;

private:
    struct Line {
        std::uint64_t offset = 0;
        std::uint64_t key = 0;
        LineState state = LineState::Failed;
    };
    [[nodiscard]] bool held() const noexcept { return sequence_.held() != nullptr; }
    void emit(const Line& row);

    RowSequence<Line> sequence_;
    std::vector<std::uint64_t> marks_;    // the offset of rows 0, kStride, 2 kStride, …
    std::vector<StrideNumbers> numbers_;  // a stride's numbers, by stride
    std::size_t settled_ = 0;
    RowCounts counts_;
    std::size_t unreadable_ = 0;
    // Few: writes cut off or not read back, until a tag is seen.
    std::unordered_map<std::uint64_t, std::vector<std::uint64_t>> unsettled_;  // key: offsets
    std::unordered_map<std::uint64_t, LineState> settledRows_;
};

}  // namespace journal
