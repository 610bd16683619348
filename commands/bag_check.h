#pragma once

#include "card/card_number.h"
#include "commands/batch.h"
#include "commands/batch_journal.h"
#include "commands/journal_trouble.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The bag check (核对) of a batch: once its tags are written, each tag in the bag is read and
// told apart as one of the batch's, one that is not, or one read before. Every first sighting is
// on disk before it counts, so a check goes on where it stood after a restart.
namespace commands {

// What one read found.
struct CheckFinding {
    enum class Kind {
        Belongs,  // 属于本批次: a number the batch wrote and verified, seen for the first time
        Foreign,  // 不在本批次: any other number, the batch's range's unwritten ones included
        Again,    // 已核对过: seen before in this check, whichever it was then
    };
    Kind kind = Kind::Foreign;
    card::CardNumber number;
    card::Notation notation = card::Notation::WG34;  // the batch's, which the number is shown in
    // Where it stands in the batch's range (0 the first), when it is of the range.
    std::optional<std::uint64_t> position;
    bool written = false;  // one of the numbers the batch wrote and verified
    // Why the sighting is not in the journal: then it is not counted either, and a read again
    // tries again.
    std::optional<JournalTrouble> journalError;

    friend bool operator==(const CheckFinding&, const CheckFinding&) = default;
};

// Where the check stands.
struct CheckCounts {
    std::uint64_t checked = 0;  // the batch's verified tags seen
    std::uint64_t written = 0;  // the batch's verified tags
    std::uint64_t foreign = 0;  // the other numbers seen

    friend bool operator==(const CheckCounts&, const CheckCounts&) = default;
};

class BagCheck {
public:
    // The check of `batch`, whose `verified` positions (ascending) are what it wrote, going on
    // from what the journal holds of it; each new sighting is recorded in `journal`, which
    // outlives the check.
    BagCheck(Batch batch, std::vector<std::uint64_t> verified, std::vector<std::uint64_t> checked,
             std::vector<card::CardNumber> foreign, BatchJournal& journal);
    // The check of the newest batch named `name`, done or not, where the journal says it stands;
    // nothing when the journal holds no such batch.
    [[nodiscard]] static std::optional<BagCheck> open(BatchJournal& journal,
                                                      const std::string& name);

    [[nodiscard]] const Batch& batch() const noexcept { return batch_; }
    // Tells what the tag holding `number` is to the batch, and records a first sighting.
    [[nodiscard]] CheckFinding check(const card::CardNumber& number);
    [[nodiscard]] CheckCounts counts() const noexcept;
    // The verified positions not seen yet, in order: the tags missing from the bag.
    [[nodiscard]] std::vector<std::uint64_t> unseen() const;

private:
    Batch batch_;
    std::vector<std::uint64_t> verified_;
    std::vector<std::uint64_t> checked_;  // ascending, each one of verified_
    std::vector<card::CardNumber> foreign_;
    BatchJournal* journal_;
};

}  // namespace commands
