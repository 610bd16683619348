#include "journal/journal_index.h"

#include <algorithm>
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

// A slot of the table of views.
constexpr std::uint64_t kViewUsed = 1ULL << 63U;
constexpr std::uint64_t kViewMask = 0xFFFFFFULL;
constexpr unsigned kXorShift = 24U;
constexpr std::uint64_t kXorMask = 0xFFFFULL;
constexpr unsigned kCountShift = 40U;
constexpr std::uint64_t kCountMask = (1ULL << 23U) - 1;
constexpr std::uint64_t kTenDigitMask = 0xFFFFFFFFULL;

std::uint64_t viewCount(std::uint64_t slot) noexcept {
    return (slot >> kCountShift) & kCountMask;
}
std::uint64_t viewXor(std::uint64_t slot) noexcept {
    return (slot >> kXorShift) & kXorMask;
}
// B4 B3 of a key: what the eight-digit view leaves out.
std::uint64_t aboveView(std::uint64_t key) noexcept {
    return (key >> kXorShift) & kXorMask;
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
    if (views_.made && (entry.high & kVerified) == 0) {
        countView(key, true);
    }
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
        Entry* overwritten = find(*this, *record.previousKey);
        if (overwritten != nullptr && (overwritten->high & kVerified) != 0) {
            overwritten->high &= ~kVerified;
            if (views_.made) {
                countView(*record.previousKey, false);
            }
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
    const Entry* entry = verifiedEntry(key);
    if (entry == nullptr) {
        return std::nullopt;
    }
    return timeOf(*entry);
}

CompactTime JournalIndex::timeOf(const Entry& entry) {
    CompactTime time;
    time.known = (entry.high & kKnownTime) != 0;
    time.seconds = entry.moment;
    time.offsetMinutes = static_cast<std::int16_t>(
        static_cast<int>((entry.high >> kOffsetShift) & 0xFFFU) - static_cast<int>(kOffsetBias));
    time.spelling = static_cast<std::uint8_t>((entry.high >> kSpellingShift) & 3U);
    return time;
}

const JournalIndex::Entry* JournalIndex::verifiedEntry(std::uint64_t key) const {
    const Entry* entry = find(*this, key);
    return entry != nullptr && (entry->high & kVerified) != 0 ? entry : nullptr;
}

void JournalIndex::makeViews() const {
    if (views_.made) {
        return;
    }
    views_.made = true;
    views_.slots.assign((verifiedNumbers() * 3 / 2) + 16, 0);
    // Each number's slot is asked of the memory a few numbers ahead of its counting: made from a
    // million numbers, the table is otherwise mostly waiting.
    constexpr std::size_t kAhead = 8;
    std::array<std::uint64_t, kAhead> pending{};
    std::size_t taken = 0;
    for (const Shard& shard : shards_) {
        for (const Entry& entry : shard.slots) {
            if ((entry.high & kVerified) == 0) {
                continue;
            }
            const std::uint64_t key =
                entry.low | (static_cast<std::uint64_t>(entry.high & kKeyHighMask) << 32U);
#if defined(__GNUC__)
            __builtin_prefetch(&views_.slots[slotOf(mix(lowBytes(key)), views_.slots.size())]);
#endif
            std::uint64_t& slot = pending.at(taken % kAhead);
            if (taken >= kAhead) {
                countView(slot, true);
            }
            slot = key;
            ++taken;
        }
    }
    for (std::size_t at = taken - std::min(taken, kAhead); at < taken; ++at) {
        countView(pending.at(at % kAhead), true);
    }
}

void JournalIndex::countView(std::uint64_t key, bool added) const {
    auto& slots = views_.slots;
    if ((views_.used + 1) * 5 > slots.size() * 4) {
        // Half as large again, as the shards grow.
        std::vector<std::uint64_t> grown(slots.size() + (slots.size() / 2) + 16, 0);
        for (const std::uint64_t slot : slots) {
            if ((slot & kViewUsed) == 0) {
                continue;
            }
            std::size_t at = slotOf(mix(slot & kViewMask), grown.size());
            while ((grown[at] & kViewUsed) != 0) {
                at = at + 1 == grown.size() ? 0 : at + 1;
            }
            grown[at] = slot;
        }
        slots = std::move(grown);
    }
    const std::uint64_t view = lowBytes(key);
    std::size_t at = slotOf(mix(view), slots.size());
    for (;;) {
        std::uint64_t& slot = slots[at];
        if ((slot & kViewUsed) == 0) {
            if (added) {
                slot = kViewUsed | view | (aboveView(key) << kXorShift) | (1ULL << kCountShift);
                ++views_.used;
            }
            return;
        }
        if ((slot & kViewMask) == view) {
            const std::uint64_t count = added ? viewCount(slot) + 1 : viewCount(slot) - 1;
            slot = kViewUsed | view | ((viewXor(slot) ^ aboveView(key)) << kXorShift) |
                   (count << kCountShift);
            return;
        }
        at = at + 1 == slots.size() ? 0 : at + 1;
    }
}

const std::uint64_t* JournalIndex::viewSlot(std::uint32_t view) const {
    const auto& slots = views_.slots;
    if (slots.empty()) {
        return nullptr;
    }
    std::size_t at = slotOf(mix(view), slots.size());
    for (;;) {
        const std::uint64_t& slot = slots[at];
        if ((slot & kViewUsed) == 0) {
            return nullptr;
        }
        if ((slot & kViewMask) == view) {
            return &slot;
        }
        at = at + 1 == slots.size() ? 0 : at + 1;
    }
}

bool JournalIndex::sharesView(std::uint64_t key) const {
    makeViews();
    const std::uint64_t* slot = viewSlot(lowBytes(key));
    if (slot == nullptr) {
        return false;
    }
    const std::uint64_t own = verifiedEntry(key) != nullptr ? 1 : 0;
    return viewCount(*slot) > own;
}

std::optional<KeyedWrite> JournalIndex::sharedView(std::uint64_t key, card::Notation view) const {
    makeViews();
    const std::uint64_t* slot = viewSlot(lowBytes(key));
    if (slot == nullptr) {
        return std::nullopt;
    }
    std::uint64_t count = viewCount(*slot);
    std::uint64_t others = viewXor(*slot);
    if (verifiedEntry(key) != nullptr) {
        --count;
        others ^= aboveView(key);
    }
    const std::uint64_t shown = view == card::Notation::WG34 ? kTenDigitMask : kViewMask;
    const auto written = [this](std::uint64_t other) -> std::optional<KeyedWrite> {
        if (const Entry* entry = verifiedEntry(other)) {
            return KeyedWrite{other, timeOf(*entry)};
        }
        return std::nullopt;
    };
    if (count == 0) {
        return std::nullopt;
    }
    if (count == 1) {
        // The XOR of one number's B4 B3 is that number's.
        const std::uint64_t other = (others << kXorShift) | lowBytes(key);
        return (other & shown) == (key & shown) ? written(other) : std::nullopt;
    }
    // Several: looked for one B4 at a time, those that show the ten-digit view too first.
    const std::uint64_t ownB3 = (key >> kXorShift) & 0xFFU;
    for (std::uint64_t b3 = 0; b3 <= 0xFFU; ++b3) {
        const std::uint64_t tried = b3 == 0 ? ownB3 : (b3 == ownB3 ? 0 : b3);
        if (tried != ownB3 && view == card::Notation::WG34) {
            break;
        }
        for (std::uint64_t b4 = 0; b4 <= 0xFFU; ++b4) {
            const std::uint64_t other = (b4 << 32U) | (tried << kXorShift) | lowBytes(key);
            if (other == key) {
                continue;
            }
            if (auto found = written(other)) {
                return found;
            }
        }
    }
    return std::nullopt;
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
    bytes += views_.slots.capacity() * sizeof(std::uint64_t);
    // A node and a bucket for each open start.
    return bytes + (open_.size() * (sizeof(void*) * 2 + sizeof(std::uint64_t) + sizeof(Open))) +
           (open_.bucket_count() * sizeof(void*));
}

}  // namespace journal
