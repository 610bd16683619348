#include "commands/batch.h"

#include <utility>

namespace commands {

namespace {

// Numbers of one ten-digit range that an eight-digit view (24 bits) tells apart.
constexpr std::uint64_t kEightDigitViews = std::uint64_t{1} << 24U;

// The ten-digit view's write first: a controller of either view takes it for the number.
std::optional<SharedView> firstShared(const card::CardNumber& number, const WriteJournal& journal) {
    if (auto tenDigit = journal.sharedView(number, card::Notation::WG34)) {
        return tenDigit;
    }
    return journal.sharedView(number, card::Notation::WG26);
}

}  // namespace

std::uint64_t roomFrom(const card::CardNumber& first, card::Notation notation) {
    return std::uint64_t{card::countingTop(notation)} - card::countingValue(first, notation) + 1;
}

util::Expected<Batch, BatchRefusal> Batch::create(BatchOrder order) {
    const std::uint64_t room = roomFrom(order.first, order.notation);
    if (order.count == 0) {
        return util::Unexpected{BatchRefusal{BatchRefusal::Reason::NoTags, std::move(order), room}};
    }
    if (order.count > room) {
        return util::Unexpected{
            BatchRefusal{BatchRefusal::Reason::PastTop, std::move(order), room}};
    }
    return Batch(std::move(order));
}

card::CardNumber Batch::number(std::uint64_t n) const noexcept {
    // Within the room create() checked, adding n is the n-th nextTagNumber: no wrap comes.
    const std::uint64_t value = card::countingValue(order_.first, order_.notation) + n;
    return card::withCountingValue(order_.first, order_.notation,
                                   static_cast<std::uint32_t>(value));
}

std::optional<std::uint64_t> Batch::positionOf(const card::CardNumber& number) const noexcept {
    const std::uint32_t at = card::countingValue(number, order_.notation);
    const std::uint32_t first = card::countingValue(order_.first, order_.notation);
    // The parts the notation does not count must be the first number's too.
    if (at < first || at - first >= order_.count ||
        card::withCountingValue(order_.first, order_.notation, at) != number) {
        return std::nullopt;
    }
    return at - first;
}

WriteRequest Batch::request(std::uint64_t n) const noexcept {
    return WriteRequest{number(n), order_.chip, order_.notation, order_.lock, false};
}

RangeCheck rangeCheck(const Batch& batch, const WriteJournal& journal) {
    return rangeCheck(batch, journal, {});
}

RangeCheck rangeCheck(const Batch& batch, const WriteJournal& journal, const CheckProgress& goOn) {
    constexpr std::uint64_t kToldEvery = 1U << 16U;
    RangeCheck check;
    if (batch.order().notation == card::Notation::WG34 && batch.count() > kEightDigitViews) {
        check.withinRange = batch.count() - kEightDigitViews;
    }
    check.unavailable = journal.unavailable();
    if (check.unavailable) {
        return check;
    }
    for (std::uint64_t n = 0; n < batch.count(); ++n) {
        if (goOn && n % kToldEvery == 0 && !goOn(n)) {
            break;
        }
        const card::CardNumber number = batch.number(n);
        if (auto time = journal.lastVerifiedWrite(number)) {
            if (check.firstWritten.size() < RangeCheck::kListed) {
                check.firstWritten.push_back(WrittenBefore{n, number, std::move(*time)});
            }
            ++check.written;
        }
        if (!journal.sharesView(number)) {
            continue;
        }
        ++check.colliding;
        if (check.firstColliding.size() < RangeCheck::kListed) {
            if (auto earlier = firstShared(number, journal)) {
                check.firstColliding.push_back(Collision{n, number, std::move(*earlier)});
            }
        }
    }
    return check;
}

std::optional<SharedView> viewCollision(const card::CardNumber& number,
                                        const WriteJournal& journal) {
    if (journal.unavailable() || !journal.sharesView(number)) {
        return std::nullopt;
    }
    return firstShared(number, journal);
}

bool viewsAllowWrite(const card::CardNumber& number, const WriteJournal& journal,
                     const Confirm& confirm) {
    const auto earlier = viewCollision(number, journal);
    return !earlier || (confirm && confirm(sharedViewQuestion(number, *earlier)));
}

}  // namespace commands
