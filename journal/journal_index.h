#pragma once

#include "journal/journal_line.h"
#include "journal/journal_time.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// What the questions before a write need of the journal's lines, in little memory: for each
// number, the time of its last write that still counts, in 12 bytes, in hash tables split into
// many small ones so that growing one never doubles the whole.
namespace journal {

// A write the journal recorded: its number (numberKey) and time.
struct KeyedWrite {
    std::uint64_t key = 0;
    CompactTime time;
};

class JournalIndex {
public:
    // Makes room for about `numbers` numbers at once, rather than growing step by step.
    void reserve(std::size_t numbers);
    // Asks the processor for where `key` lives, ahead of apply: reading a long journal is
    // otherwise mostly waiting for memory.
    void prefetch(std::uint64_t key) const noexcept;
    // Takes in the next line of the journal, in the file's order; its time as read.
    CompactTime apply(const LineRecord& record);

    // The time of the last write of `key` that counts: verified and not overwritten since (a
    // verified write whose tag held another number before overwrote that one), or started and
    // never ended.
    [[nodiscard]] std::optional<CompactTime> lastWrite(std::uint64_t key) const;
    // The start line of the newest write, when no line of its number has ended or settled it
    // (the program ended during it); nothing once a later write was recorded.
    [[nodiscard]] std::optional<KeyedWrite> interrupted() const;
    // The newest verified write.
    [[nodiscard]] std::optional<KeyedWrite> newestVerified() const { return newestVerified_; }
    // A verified write that counts, of another number that shows as `key` does in `view`
    // (ten-digit: B3..B0; eight-digit: B2 B1 B0): a door controller reading only that view takes
    // the two tags for one. The first of several by B4, then B3.
    [[nodiscard]] std::optional<KeyedWrite> sharedView(std::uint64_t key,
                                                       card::Notation view) const;
    // Whether any such write shares either view with `key`: cheaper than asking sharedView.
    [[nodiscard]] bool sharesView(std::uint64_t key) const;
    // Makes now what those two questions need, which the first of them makes otherwise.
    void prepareViews() const { makeViews(); }
    // How many numbers have a verified write that counts.
    [[nodiscard]] std::size_t verifiedNumbers() const;
    // The bytes the index holds on the heap, as near as it can tell.
    [[nodiscard]] std::size_t bytesKept() const;

private:
    // 40-bit key, offset, flags and seconds packed into 12 bytes (4-byte alignment).
    struct Entry {
        std::uint32_t low = 0;     // key bits 0..31
        std::uint32_t high = 0;    // key bits 32..39, offset + 2048 (12 bits), flags
        std::uint32_t moment = 0;  // seconds since 1970, unsigned (to 2106)
    };
    struct Shard {
        std::vector<Entry> slots;
        std::uint32_t used = 0;
    };
    static constexpr std::size_t kShards = 256;

    template <class Index>
    [[nodiscard]] static auto* find(Index& index, std::uint64_t key);
    Entry& findOrAdd(std::uint64_t key);
    void markVerified(std::uint64_t key, const CompactTime& time);
    void settle(const LineRecord& record, const CompactTime& time);
    static void grow(Shard& shard);
    [[nodiscard]] static CompactTime timeOf(const Entry& entry);
    [[nodiscard]] const Entry* verifiedEntry(std::uint64_t key) const;

    // The verified numbers by their eight-digit view (B2 B1 B0, which the ten-digit one
    // contains): for each, how many there are and the XOR of their B4 B3, which names the other
    // number outright when one shares a view with the number asked about. Made when first asked,
    // so that a journal no batch asks about costs nothing more.
    struct Views {
        std::vector<std::uint64_t> slots;  // used (bit 63), count (40..62), XOR (24..39), view
        std::size_t used = 0;
        bool made = false;
    };
    void makeViews() const;
    void countView(std::uint64_t key, bool added) const;  // once made
    [[nodiscard]] const std::uint64_t* viewSlot(std::uint32_t view) const;

    std::array<Shard, kShards> shards_{};
    // Starts no later line has ended, by key: few, unless writes keep being cut off.
    struct Open {
        CompactTime time;
        std::uint64_t line = 0;  // lines taken in before it
        bool started = true;     // a start line; else a write's line that left its outcome open
    };
    std::unordered_map<std::uint64_t, Open> open_;
    std::uint64_t lines_ = 0;
    std::uint64_t lastWriteLine_ = 0;  // the newest line of a write (not a settlement)
    std::uint64_t newestVerifiedLine_ = 0;
    TimeReader times_;
    std::optional<KeyedWrite> newestVerified_;
    mutable Views views_;
};

}  // namespace journal
