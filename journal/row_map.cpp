#include "journal/row_map.h"

#include <stdexcept>

namespace journal {

void RowMap::take(std::uint64_t offset, std::uint64_t key, LineState state) {
    sequence_.take(Line{offset, state}, key, [this](Line&& row) {
        if (settled_ % kStride == 0) {
            marks_.push_back(row.offset);
        }
        ++settled_;
        counts_.add(row.state);
    });
}

RowCounts RowMap::counts() const noexcept {
    RowCounts counts = counts_;
    if (held()) {
        counts.add(LineState::Unknown);
    }
    return counts;
}

RowMap::Mark RowMap::markBefore(std::size_t row) const {
    if (row >= rows()) {
        throw std::out_of_range("no such row in the journal");
    }
    const std::size_t stride = row / kStride;
    if (stride < marks_.size()) {
        return {marks_[stride], stride * kStride};
    }
    // The start held back begins a stride of its own.
    return {sequence_.held()->offset, settled_};
}

std::size_t RowMap::bytesKept() const noexcept {
    return sizeof(*this) + (marks_.capacity() * sizeof(std::uint64_t));
}

}  // namespace journal
