#include "oracle.h"

#include "card/number_text.h"

#include <algorithm>

namespace sim {

namespace {

constexpr std::size_t kViolationsKept = 3;  // of each rule

std::uint32_t eightDigitView(std::uint64_t number) {
    return static_cast<std::uint32_t>(number & 0xFFFFFFU);
}

}  // namespace

Oracle::Oracle(TagField& field) : field_(field) {
    field_.watch([this](TagId id, std::optional<std::uint64_t> before, std::uint64_t now) {
        written(id, before, now);
    });
}

std::string Oracle::hex(std::uint64_t number) {
    return card::hexDigits(card::tagNumberFromValue(number));
}

void Oracle::fail(Rule rule, const std::string& what) {
    ++violations_;
    if (++byRule_.at(static_cast<std::size_t>(rule)) <= kViolationsKept) {
        first_.push_back({rule, where_ + ": " + what});
    }
}

void Oracle::written(TagId id, std::optional<std::uint64_t> before, std::uint64_t now) {
    if (before) {
        auto& holders = byView_[eightDigitView(*before)];
        std::erase(holders, id);
    }
    auto& holders = byView_[eightDigitView(now)];
    for (const TagId other : holders) {
        const std::uint64_t theirs = *field_.tag(other).number;
        if (namedByYes_.contains(theirs)) {
            continue;
        }
        fail(theirs == now ? Rule::OneTag : Rule::OneView,
             theirs == now ? hex(now) + " is now on tags " + std::to_string(other) + " and " +
                                 std::to_string(id) + ", and no yes named it"
                           : hex(now) + " on tag " + std::to_string(id) + " shows as " +
                                 hex(theirs) + " on tag " + std::to_string(other) +
                                 " does in the eight-digit view, and no yes named it");
    }
    holders.push_back(id);
}

void Oracle::toldVerified(std::size_t station, std::uint64_t number,
                          std::optional<TagId> onReader) {
    if (!onReader || field_.tag(*onReader).number != number) {
        fail(Rule::ToldVerified,
             "told verified " + hex(number) + " while the tag at the reader holds another");
    }
    knownOnTag_[station].insert(number);
}

void Oracle::settledOnTag(std::size_t station, std::uint64_t number) {
    knownOnTag_[station].insert(number);
}

void Oracle::offered(std::size_t station, std::optional<std::uint64_t> next) {
    if (next && knownOnTag_[station].contains(*next)) {
        fail(Rule::OfferedAgain, "offers " + hex(*next) + " again, known on a tag");
        knownOnTag_[station].erase(*next);  // told once
    }
}

}  // namespace sim
