#include "journal/journal_history.h"

namespace journal {

std::vector<commands::JournalWrite> JournalHistory::batchWrites(const std::string& name) const {
    std::vector<commands::JournalWrite> writes;
    for (auto& row : journal_.batchLog(name).rows) {
        if (!row.voided) {
            writes.push_back({row.number, row.verified, std::move(row.result)});
        }
    }
    return writes;
}

std::optional<card::CardNumber> JournalHistory::interruptedWrite() const {
    const auto write = journal_.interruptedWrite();
    return write ? std::optional(write->number) : std::nullopt;
}

}  // namespace journal
