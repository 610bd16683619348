#pragma once

#include "card/card_number.h"
#include "commands/write_command.h"
#include "commands/write_journal.h"
#include "commands/write_request.h"
#include "reader/reader_types.h"
#include "util/expected.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// An order of tags as one piece of work: a consecutive range of numbers, counted in one notation
// exactly as the +1 of a single write counts, written with one chip and one lock setting.
namespace commands {

// What the operator asks for: the batch's 名称, its first number as entered (and the notation it
// was entered in, which is the one it counts in), its 张数, chip and 保护号.
struct BatchOrder {
    std::string name;  // UTF-8
    card::CardNumber first;
    card::Notation notation = card::Notation::WG34;
    std::uint64_t count = 0;
    reader::TagChip chip = reader::TagChip::T5577;
    bool lock = false;

    friend bool operator==(const BatchOrder&, const BatchOrder&) = default;
};

// Why a batch cannot be made as asked.
struct BatchRefusal {
    enum class Reason {
        NoTags,   // 张数 0
        PastTop,  // the range would run past the top of its counting part and wrap
    };
    Reason reason = Reason::NoTags;
    BatchOrder asked;
    std::uint64_t room = 0;  // how many numbers there are from the first to the top

    friend bool operator==(const BatchRefusal&, const BatchRefusal&) = default;
};

// How many numbers a range starting at `first` can hold before the +1 would wrap.
[[nodiscard]] std::uint64_t roomFrom(const card::CardNumber& first, card::Notation notation);

class Batch {
public:
    // The batch, once its whole range is known to fit: no number of it wraps.
    [[nodiscard]] static util::Expected<Batch, BatchRefusal> create(BatchOrder order);

    [[nodiscard]] const BatchOrder& order() const noexcept { return order_; }
    [[nodiscard]] std::uint64_t count() const noexcept { return order_.count; }
    // The n-th number of the batch, 0 the first; n below count(). The n-th +1 of the first.
    [[nodiscard]] card::CardNumber number(std::uint64_t n) const noexcept;
    // Where `number` stands in the batch (0 the first), when it is one of its numbers.
    [[nodiscard]] std::optional<std::uint64_t> positionOf(
        const card::CardNumber& number) const noexcept;
    // The write of the n-th number: it moves on by itself, so the request never advances.
    [[nodiscard]] WriteRequest request(std::uint64_t n) const noexcept;

private:
    explicit Batch(BatchOrder order) : order_(std::move(order)) {}
    BatchOrder order_;
};

// A number of the range the journal holds as written and verified before.
struct WrittenBefore {
    std::uint64_t position = 0;  // in the batch, 0 the first
    card::CardNumber number;
    std::string time;  // ISO 8601, in the present zone

    friend bool operator==(const WrittenBefore&, const WrittenBefore&) = default;
};
// A number of the range that shows as another tag's verified number does in one view.
struct Collision {
    std::uint64_t position = 0;
    card::CardNumber number;
    SharedView earlier;

    friend bool operator==(const Collision&, const Collision&) = default;
};

// What the journal says of a batch's range before it is written, for the operator to decide on.
struct RangeCheck {
    static constexpr std::size_t kListed = 5;  // findings named one by one, the first of each kind

    std::uint64_t written = 0;  // numbers of the range written before (the same 40-bit number)
    std::vector<WrittenBefore> firstWritten;
    std::uint64_t colliding = 0;  // numbers sharing a view with another number's verified write
    std::vector<Collision> firstColliding;
    // Numbers of the range sharing their eight-digit view with an earlier number of the range:
    // only a ten-digit range longer than 2^24 has them (B4 and, in the eight-digit notation, B3
    // and B2 stay fixed while the counting part never repeats).
    std::uint64_t withinRange = 0;
    std::optional<std::string> unavailable;  // why the journal could not be asked (UTF-8)

    [[nodiscard]] bool clear() const noexcept {
        return written == 0 && colliding == 0 && withinRange == 0 && !unavailable;
    }
};

// Asks the journal about every number of the range.
[[nodiscard]] RangeCheck rangeCheck(const Batch& batch, const WriteJournal& journal);
// The same, told how many numbers are checked now and then (a long range takes minutes); it
// stops, the check unfinished, once `goOn` says false.
using CheckProgress = std::function<bool(std::uint64_t checked)>;
[[nodiscard]] RangeCheck rangeCheck(const Batch& batch, const WriteJournal& journal,
                                    const CheckProgress& goOn);

// The verified write of another number that a write of `number` would be taken for by a door
// controller: the ten-digit view's first, as it misleads controllers of both views. Nothing when
// there is none, or the journal cannot answer. For the write use case to ask before a write.
[[nodiscard]] std::optional<SharedView> viewCollision(const card::CardNumber& number,
                                                      const WriteJournal& journal);

// Before a write of `number`: when it shares a view with another tag's verified write, the
// operator is asked (sharedViewQuestion; no answer means no). True to go on with the write.
[[nodiscard]] bool viewsAllowWrite(const card::CardNumber& number, const WriteJournal& journal,
                                   const Confirm& confirm);

}  // namespace commands
