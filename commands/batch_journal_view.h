#pragma once

#include "commands/batch_journal.h"
#include "commands/write_journal.h"

#include <optional>
#include <string>
#include <utility>

namespace commands {

// A batch's view of the journal's lines, as its writes see them: every line they append names
// the batch.
class BatchJournalView : public WriteJournal {
public:
    BatchJournalView(BatchJournal& journal, std::string name)
        : journal_(journal), name_(std::move(name)) {}

    void hold() override { journal_.hold(); }
    void release() override { journal_.release(); }
    [[nodiscard]] std::optional<std::string> unavailable() const override {
        return journal_.unavailable();
    }
    [[nodiscard]] std::optional<std::string> lastVerifiedWrite(
        const card::CardNumber& number) const override {
        return journal_.lastVerifiedWrite(number);
    }
    [[nodiscard]] std::optional<SharedView> sharedView(const card::CardNumber& number,
                                                       card::Notation view) const override {
        return journal_.sharedView(number, view);
    }
    [[nodiscard]] bool sharesView(const card::CardNumber& number) const override {
        return journal_.sharesView(number);
    }
    [[nodiscard]] std::optional<std::string> beginWrite(const JournalEntry& entry) override {
        return journal_.beginWrite(entry);
    }
    [[nodiscard]] std::optional<std::string> append(const JournalEntry& entry) override {
        return journal_.appendInBatch(entry, name_);
    }
    [[nodiscard]] bool unsettled(const card::CardNumber& number) const override {
        return journal_.unsettled(number);
    }
    [[nodiscard]] std::optional<std::string> settle(const card::CardNumber& number,
                                                    bool seenOnTag) override {
        return journal_.settle(number, seenOnTag);
    }

private:
    BatchJournal& journal_;
    std::string name_;
};

}  // namespace commands
