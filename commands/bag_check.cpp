#include "commands/bag_check.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace commands {

namespace {

bool holds(const std::vector<std::uint64_t>& ascending, std::uint64_t position) {
    return std::binary_search(ascending.begin(), ascending.end(), position);
}

}  // namespace

BagCheck::BagCheck(Batch batch, std::vector<std::uint64_t> verified,
                   std::vector<std::uint64_t> checked, std::vector<card::CardNumber> foreign,
                   BatchJournal& journal)
    : batch_(std::move(batch)),
      verified_(std::move(verified)),
      foreign_(std::move(foreign)),
      journal_(&journal) {
    // Only a verified tag is counted as seen, whatever a line of the journal says.
    std::ranges::set_intersection(checked, verified_, std::back_inserter(checked_));
}

std::optional<BagCheck> BagCheck::open(BatchJournal& journal, const std::string& name) {
    auto record = journal.batchToCheck(name);
    if (!record) {
        return std::nullopt;
    }
    auto batch = Batch::create(record->batch.order);
    if (!batch) {
        return std::nullopt;  // the journal reads only batches that can be made
    }
    return BagCheck(std::move(*batch), std::move(record->batch.verified),
                    std::move(record->checked), std::move(record->foreign), journal);
}

CheckFinding BagCheck::check(const card::CardNumber& number) {
    CheckFinding finding;
    finding.number = number;
    finding.notation = batch_.order().notation;
    finding.position = batch_.positionOf(number);
    finding.written = finding.position && holds(verified_, *finding.position);
    const bool seen = finding.written ? holds(checked_, *finding.position)
                                      : std::ranges::find(foreign_, number) != foreign_.end();
    if (seen) {
        finding.kind = CheckFinding::Kind::Again;
        return finding;
    }
    finding.kind = finding.written ? CheckFinding::Kind::Belongs : CheckFinding::Kind::Foreign;
    finding.journalError = journal_->recordCheck(batch_.order(), number, finding.written);
    if (finding.journalError) {
        return finding;
    }
    if (finding.written) {
        checked_.insert(std::ranges::lower_bound(checked_, *finding.position), *finding.position);
    } else {
        foreign_.push_back(number);
    }
    return finding;
}

CheckCounts BagCheck::counts() const noexcept {
    return CheckCounts{checked_.size(), verified_.size(), foreign_.size()};
}

std::vector<std::uint64_t> BagCheck::unseen() const {
    std::vector<std::uint64_t> missing;
    std::ranges::set_difference(verified_, checked_, std::back_inserter(missing));
    return missing;
}

}  // namespace commands
