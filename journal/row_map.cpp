#include "journal/row_map.h"

#include <algorithm>
#include <stdexcept>

namespace journal {

namespace {

constexpr unsigned kProbes = 4;
constexpr unsigned kProbeBits = 11;  // 2048 bits

// The probes' bit positions from the high bits of a multiplicative hash, whose low bits would
// depend on the number's low bits alone.
template <class Each>
void forEachProbe(std::uint32_t low, Each&& each) noexcept {
    const std::uint64_t hash = (std::uint64_t{low} + 1U) * 0x9E3779B97F4A7C15ULL;
    for (unsigned probe = 0; probe < kProbes; ++probe) {
        each(static_cast<std::size_t>((hash >> (20U + (probe * kProbeBits))) &
                                      ((1U << kProbeBits) - 1U)));
    }
}

}  // namespace

void StrideNumbers::add(std::uint32_t low) noexcept {
    forEachProbe(low,
                 [this](std::size_t bit) { bits_[bit / 64] |= std::uint64_t{1} << (bit % 64); });
}

bool StrideNumbers::mayHold(std::uint32_t low) const noexcept {
    bool all = true;
    forEachProbe(low, [this, &all](std::size_t bit) {
        all = all && (bits_[bit / 64] & (std::uint64_t{1} << (bit % 64))) != 0;
    });
    return all;
}

void RowMap::reserve(std::size_t rows) {
    const std::size_t strides = (rows / kStride) + 1;
    marks_.reserve(strides);
    numbers_.reserve(strides);
}

void RowMap::emit(const Line& row) {
    if (settled_ % kStride == 0) {
        marks_.push_back(row.offset);
        numbers_.emplace_back();
    }
    numbers_.back().add(lowBytes(row.key));
    ++settled_;
    counts_.add(row.state);
    if (row.state == LineState::Unknown) {
        unsettled_[row.key].push_back(row.offset);
    }
}

void RowMap::take(std::uint64_t offset, std::uint64_t key, LineState state) {
    sequence_.take(Line{offset, key, state}, key, [this](Line&& row) { emit(row); });
}

void RowMap::settle(std::uint64_t key, LineState state) {
    sequence_.settle(key, [this](Line&& row) { emit(row); });
    const auto open = unsettled_.find(key);
    if (open == unsettled_.end()) {
        return;
    }
    for (const std::uint64_t offset : open->second) {
        settledRows_[offset] = state;
        counts_.add(LineState::Unknown, -1);
        counts_.add(state);
    }
    unsettled_.erase(open);
}

bool RowMap::unsettled(std::uint64_t key) const {
    const Line* start = sequence_.held();
    return unsettled_.contains(key) || (start != nullptr && start->key == key);
}

std::vector<RowMap::Mark> RowMap::stridesHolding(std::span<const std::uint32_t> lows) const {
    std::vector<Mark> strides;
    for (std::size_t stride = 0; stride < marks_.size(); ++stride) {
        const bool last = stride + 1 == marks_.size();
        const bool may = std::any_of(lows.begin(), lows.end(), [&](std::uint32_t low) {
            return numbers_[stride].mayHold(low);
        });
        if (may || (last && held())) {
            strides.push_back({marks_[stride], stride * kStride});
        }
    }
    if (held() && settled_ % kStride == 0) {
        strides.push_back({sequence_.held()->offset, settled_});
    }
    return strides;
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

RowMap::Mark RowMap::markAt(std::uint64_t offset) const {
    const auto after = std::upper_bound(marks_.begin(), marks_.end(), offset);
    if (after == marks_.begin()) {
        return {};
    }
    const auto stride = static_cast<std::size_t>(after - marks_.begin() - 1);
    return {marks_[stride], stride * kStride};
}

std::size_t RowMap::bytesKept() const noexcept {
    return sizeof(*this) + (marks_.capacity() * sizeof(std::uint64_t)) +
           (numbers_.capacity() * sizeof(StrideNumbers)) +
           ((unsettled_.size() + settledRows_.size()) * 4 * sizeof(std::uint64_t));
}

}  // namespace journal
