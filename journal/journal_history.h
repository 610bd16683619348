#pragma once

#include "commands/shared_ledger.h"
#include "journal/journal.h"

namespace journal {

// The journal's writes of a batch and the write it was left in, for a shared batch's session.
class JournalHistory final : public commands::BatchHistory {
public:
    explicit JournalHistory(const Journal& journal) : journal_(journal) {}

    [[nodiscard]] std::vector<commands::JournalWrite> batchWrites(
        const std::string& name) const override;
    [[nodiscard]] std::optional<card::CardNumber> interruptedWrite() const override;

private:
    const Journal& journal_;
};

}  // namespace journal
