#pragma once

#include "tag_field.h"

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace sim {

// What the shop promises, checked against the tags after every step and at the end:
// - no number, nor a door's eight-digit view of one, on two tags unless an operator answered yes
//   to a question that named the number on the other tag;
// - every outcome told as verified is a tag holding exactly the number named;
// - a number a station told as verified, or saw on a tag when a read settled its write, is never
//   offered by that station's batch again;
// - at the end: every tag holding a number is in a journal or the database, and every lease adds
//   up.
class Oracle {
public:
    // Which promise a violation breaks.
    enum class Rule { OneTag, OneView, ToldVerified, OfferedAgain, Recorded, LeaseAddsUp };
    static constexpr std::size_t kRules = 6;
    static constexpr std::array<const char*, kRules> kRuleNames{
        "one-tag", "one-view", "told-verified", "offered-again", "recorded", "lease-adds-up"};

    explicit Oracle(TagField& field);

    // A step begins: the numbers the operator's yes answers name are forgotten.
    void beginStep(std::string where) {
        where_ = std::move(where);
        namedByYes_.clear();
    }
    // The operator answered yes to a question naming `number` on another tag.
    void answeredYes(std::uint64_t number) { namedByYes_.insert(number); }

    void toldVerified(std::size_t station, std::uint64_t number, std::optional<TagId> onReader);
    // A read found `number` on a tag, settling its write's unknown outcome.
    void settledOnTag(std::size_t station, std::uint64_t number);
    void offered(std::size_t station, std::optional<std::uint64_t> next);
    // The end of the run: `recorded` says whether a journal or the database holds a number.
    template <class Recorded>
    void everyTagRecorded(const Recorded& recorded) {
        for (TagId id = 0; id < field_.size(); ++id) {
            const Tag& tag = field_.tag(id);
            if (!tag.foreign && tag.number && !recorded(*tag.number)) {
                fail(Rule::Recorded, "tag " + std::to_string(id) + " holds " + hex(*tag.number) +
                                         ", which no journal and no database holds");
            }
        }
    }
    void fail(Rule rule, const std::string& what);

    [[nodiscard]] std::size_t violations() const noexcept { return violations_; }
    [[nodiscard]] const std::array<std::size_t, kRules>& byRule() const noexcept { return byRule_; }
    struct Violation {
        Rule rule;
        std::string what;
    };
    [[nodiscard]] const std::vector<Violation>& firstViolations() const noexcept { return first_; }
    [[nodiscard]] static std::string hex(std::uint64_t number);

private:
    void written(TagId id, std::optional<std::uint64_t> before, std::uint64_t now);

    TagField& field_;
    std::string where_;
    std::unordered_set<std::uint64_t> namedByYes_;
    // Tags this shop wrote, by the eight-digit view of their number (B2 B1B0).
    std::unordered_map<std::uint32_t, std::vector<TagId>> byView_;
    std::unordered_map<std::size_t, std::unordered_set<std::uint64_t>> knownOnTag_;
    std::size_t violations_ = 0;
    std::vector<Violation> first_;  // the first few of each rule
    std::array<std::size_t, kRules> byRule_{};
};

}  // namespace sim
