#pragma once

#include "card/card_number.h"
#include "commands/batch.h"
#include "commands/write_journal.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace commands {

// A batch as the journal holds it: its order and which of its numbers were written and verified
// in it.
struct BatchRecord {
    BatchOrder order;
    std::vector<std::uint64_t> verified;  // the positions verified, ascending, each once
    bool ended = false;                   // done, or ended early

    [[nodiscard]] std::uint64_t verifiedCount() const noexcept;
    // The first position not verified, in order; order.count when all are.
    [[nodiscard]] std::uint64_t nextPosition() const noexcept;
};

// A batch as the journal holds it for its bag check (核对): the batch, and its tags seen so far.
struct CheckRecord {
    BatchRecord batch;
    std::vector<std::uint64_t> checked;     // the positions seen, ascending, each once
    std::vector<card::CardNumber> foreign;  // the numbers seen that are not the batch's, each once
};

// What a batch needs of the journal besides the writes: its opening and its end, on disk as the
// writes' lines are, so that a batch not done survives closing, kill -9 and power loss.
class BatchJournal : public WriteJournal {
public:
    // Records that the batch begins; the reason when it could not be recorded.
    [[nodiscard]] virtual std::optional<JournalTrouble> openBatch(const BatchOrder& order) = 0;
    // Records that it ends: `voided` numbers from position `firstVoid` on were never used (作废),
    // none when it is done. The reason when it could not be recorded.
    [[nodiscard]] virtual std::optional<JournalTrouble> endBatch(const BatchOrder& order,
                                                                 std::uint64_t firstVoid,
                                                                 std::uint64_t voided) = 0;
    // As append, for a write made in the batch named `name`: the line names it.
    [[nodiscard]] virtual std::optional<JournalTrouble> appendInBatch(const JournalEntry& entry,
                                                                      const std::string& name) = 0;
    // As settle, for a tag seen holding `number`, one of the numbers of the batch named `name`:
    // the line names the batch, whose verified write it is from then on.
    [[nodiscard]] virtual std::optional<JournalTrouble> settleInBatch(
        const card::CardNumber& number, const std::string& name) {
        static_cast<void>(name);
        return settle(number, true);
    }
    // The most recently opened batch not ended, with what was verified in it; nothing when none.
    [[nodiscard]] virtual std::optional<BatchRecord> unfinishedBatch() const = 0;

    // Records that a tag holding `number` was seen in the bag check of the batch: one of its
    // verified tags (`belongs`), or not. The reason when it could not be recorded.
    [[nodiscard]] virtual std::optional<JournalTrouble> recordCheck(const BatchOrder& order,
                                                                    const card::CardNumber& number,
                                                                    bool belongs) = 0;
    // The newest batch named `name`, ended or not, with its bag check so far; nothing when there
    // is none or the journal cannot be read.
    [[nodiscard]] virtual std::optional<CheckRecord> batchToCheck(
        const std::string& name) const = 0;
};

}  // namespace commands
