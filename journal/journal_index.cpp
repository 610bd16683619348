#include "journal/journal_index.h"

#include <cstring>

namespace journal {

namespace {

constexpr std::uint32_t kUsed = 1U << 20U;
constexpr std::uint32_t kVerified = 1U << 21U;
constexpr std::uint32_t kKnownTime = 1U << 22U;
constexpr std::uint32_t kSpellingShift = 23U;  // CompactTime::spelling, two bits
constexpr std::uint32_t kOffsetShift = 8U;
constexpr std::uint32_t kOffsetBias = 2048;
constexpr std::uint32_t kKeyHighMask = 0xFFU;

// MurmurHash3's finaliser: every key bit reaches the shard (top 8 bits) and the slot (low 32).
std::uint64_t mix(std::uint64_t key) noexcept {
    key ^= key >> 33U;
    key *= 0xFF51AFD7ED558CCDULL;
    key ^= key >> 33U;
    key *= 0xC4CEB9FE1A85EC53ULL;
    key ^= key >> 33U;
    return key;
}

// The slot a hash starts at among `size`, without a division.
std::size_t slotOf(std::uint64_t hash, std::size_t size) noexcept {
    return static_cast<std::size_t>(((hash & 0xFFFFFFFFULL) * size) >> 32U);
}

}  // namespace

template <class Index>
auto* JournalIndex::find(Index& index, std::uint64_t key) {
    const std::uint64_t hash = mix(key);
    auto& shard = index.shards_.at(static_cast<std::size_t>(hash >> 56U));
    using EntryPointer = decltype(&shard.slots[0]);
    if (shard.slots.empty()) {
        return EntryPointer{nullptr};
    }
    const auto low = static_cast<std::uint32_t>(key);
    const auto high = static_cast<std::uint32_t>(key >> 32U) & kKeyHighMask;
    std::size_t at = slotOf(hash, shard.slots.size());
    for (;;) {
        auto& entry = shard.slots[at];
        if ((entry.high & kUsed) == 0) {
            return EntryPointer{nullptr};
        }
        if (entry.low == low && (entry.high & kKeyHighMask) == high) {
            return &entry;
        }
        at = at + 1 == shard.slots.size() ? 0 : at + 1;
    }
}

void JournalIndex::grow(Shard& shard) {
    // Half as large again: right after growing, a shard is still more than half full, which keeps
    // the bytes a number costs near 12 / 0.66.
    const std::size_t size =
        shard.slots.empty() ? 16 : shard.slots.size() + (shard.slots.size() / 2);
    std::vector<Entry> slots(size);
    for (const Entry& entry : shard.slots) {
        if ((entry.high & kUsed) == 0) {
            continue;
        }
        const std::uint64_t key =
            entry.low | (static_cast<std::uint64_t>(entry.high & kKeyHighMask) << 32U);
        std::size_t at = slotOf(mix(key), size);
        while ((slots[at].high & kUsed) != 0) {
            at = at + 1 == size ? 0 : at + 1;
        }
        slots[at] = entry;
    }
    shard.slots = std::move(slots);
}

JournalIndex::Entry& JournalIndex::findOrAdd(std::uint64_t key) {
    const std::uint64_t hash = mix(key);
    Shard& shard = shards_.at(static_cast<std::size_t>(hash >> 56U));
    // At most four in five slots used, so that probes stay short.
    if ((std::size_t{shard.used} + 1) * 5 > shard.slots.size() * 4) {
        grow(shard);
    }
    const auto low = static_cast<std::uint32_t>(key);
    const auto high = static_cast<std::uint32_t>(key >> 32U) & kKeyHighMask;
    std::size_t at = slotOf(hash, shard.slots.size());
    for (;;) {
        Entry& entry = shard.slots[at];
        if ((entry.high & kUsed) == 0) {
            ++shard.used;
            entry.low = low;
            entry.high = high | kUsed;
            return entry;
        }
        if (entry.low == low && (entry.high & kKeyHighMask) == high) {
            return entry;
        }
        at = at + 1 == shard.slots.size() ? 0 : at + 1;
    }
}

void JournalIndex::prefetch(std::uint64_t key) const noexcept {
#if defined(__GNUC__)
    const std::uint64_t hash = mix(key);
    const Shard& shard =
        shards_[static_cast<std::size_t>(hash >> 56U)];  // NOLINT(*-constant-array-index)
    if (!shard.slots.empty()) {
        __builtin_prefetch(&shard.slots[slotOf(hash, shard.slots.size())]);
    }
#else
    static_cast<void>(key);
#endif
}

void JournalIndex::reserve(std::size_t numbers) {
    const std::size_t each = (numbers / kShards) + ((numbers / kShards) / 3) + 16;
    for (Shard& shard : shards_) {
        if (shard.slots.size() < each) {
            std::vector<Entry> old = std::move(shard.slots);
            shard.slots.assign(each, Entry{});
            shard.used = 0;
            for (const Entry& entry : old) {
                if ((entry.high & kUsed) != 0) {
                    const std::uint64_t key =
                        entry.low | (static_cast<std::uint64_t>(entry.high & kKeyHighMask) << 32U);
                    findOrAdd(key) = entry;
                }
            }
        }
    }
}

void JournalIndex::markVerified(std::uint64_t key, const CompactTime& time) {
    Entry& entry = findOrAdd(key);
    const std::uint32_t offset =
        time.known ? static_cast<std::uint32_t>(time.offsetMinutes + static_cast<int>(kOffsetBias))
                   : 0U;
    entry.high = (entry.high & (kKeyHighMask | kUsed)) | kVerified |
                 (time.known ? kKnownTime : 0U) | ((offset & 0xFFFU) << kOffsetShift) |
                 (time.known ? std::uint32_t{time.spelling} << kSpellingShift : 0U);
    entry.moment = time.known ? static_cast<std::uint32_t>(time.seconds) : 0U;
}

void JournalIndex::settle(const LineRecord& record, const CompactTime& time) {
    const auto open = open_.find(record.key);
    std::optional<Open> was;
    if (open != open_.end()) {
        was = open->second;
        open_.erase(open);
    }
    if (record.state != LineState::Verified) {
        return;  // written again: that write's own line counts
    }
    // A tag holds the number: it counts as written when it was, and is the newest write when
    // no later one was verified.
    markVerified(record.key, was ? was->time : time);
    if (was && (!newestVerified_ || was->line > newestVerifiedLine_)) {
        newestVerified_ = KeyedWrite{record.key, was->time};
        newestVerifiedLine_ = was->line;
    }
}

CompactTime JournalIndex::apply(const LineRecord& record) {
    const CompactTime time = times_.read(record.time);
    ++lines_;
    if (record.settles) {
        settle(record, time);
        return time;
    }
    lastWriteLine_ = lines_;
    if (record.state == LineState::Started) {
        open_.insert_or_assign(record.key, Open{time, lines_, true});
        return time;
    }
    // Any line of the number ends its start: the write's outcome is known. One that says it is
    // not keeps the number open as a start never ended would, but tells of no interruption.
    if (record.state == LineState::Unknown) {
        open_.insert_or_assign(record.key, Open{time, lines_, false});
        return time;
    }
    if (!open_.empty()) {
        open_.erase(record.key);
    }
    if (record.state != LineState::Verified) {
        return time;
    }
    if (record.previousKey && *record.previousKey != record.key) {
        // The tag that held that number holds this one now.
        if (Entry* overwritten = find(*this, *record.previousKey)) {
            overwritten->high &= ~kVerified;
        }
    }
    markVerified(record.key, time);
    newestVerified_ = KeyedWrite{record.key, time};
    newestVerifiedLine_ = lines_;
    return time;
}

std::optional<CompactTime> JournalIndex::lastWrite(std::uint64_t key) const {
    if (const auto open = open_.find(key); open != open_.end()) {
        return open->second.time;
    }
    const Entry* entry = find(*this, key);
    if (entry == nullptr || (entry->high & kVerified) == 0) {
        return std::nullopt;
    }
    CompactTime time;
    time.known = (entry->high & kKnownTime) != 0;
    time.seconds = entry->moment;
    time.offsetMinutes = static_cast<std::int16_t>(
        static_cast<int>((entry->high >> kOffsetShift) & 0xFFFU) - static_cast<int>(kOffsetBias));
    time.spelling = static_cast<std::uint8_t>((entry->high >> kSpellingShift) & 3U);
    return time;
}

std::optional<KeyedWrite> JournalIndex::interrupted() const {
    for (const auto& [key, open] : open_) {
        if (open.started && open.line == lastWriteLine_) {
            return KeyedWrite{key, open.time};
        }
    }
    return std::nullopt;
}

std::size_t JournalIndex::verifiedNumbers() const {
    std::size_t count = 0;
    for (const Shard& shard : shards_) {
        for (const Entry& entry : shard.slots) {
            count += (entry.high & kVerified) != 0 ? 1 : 0;
        }
    }
    return count;
}

std::size_t JournalIndex::bytesKept() const {
    std::size_t bytes = sizeof(*this);
    for (const Shard& shard : shards_) {
        bytes += shard.slots.capacity() * sizeof(Entry);
    }
    // A node and a bucket for each open start.
    return bytes + (open_.size() * (sizeof(void*) * 2 + sizeof(std::uint64_t) + sizeof(Open))) +
           (open_.bucket_count() * sizeof(void*));
}

}  // namespace journal
