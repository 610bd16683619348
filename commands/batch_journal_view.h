#pragma once

#include "commands/batch_journal.h"
#include "commands/write_journal.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace commands {

// A batch's view of the journal's lines, as its writes and reads see them: every line they append
// names the batch, and so does a tag seen holding one of its numbers whose write's outcome was
// unknown (settledHere): a verified write of the batch, for it to count.
class BatchJournalView : public WriteJournal {
public:
    BatchJournalView(BatchJournal& journal, std::string name, const Batch& batch)
        : journal_(journal), name_(std::move(name)), batch_(batch) {}

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
    [[nodiscard]] std::optional<JournalTrouble> beginWrite(const JournalEntry& entry) override {
        return journal_.beginWrite(entry);
    }
    [[nodiscard]] std::optional<JournalTrouble> append(const JournalEntry& entry) override {
        return journal_.appendInBatch(entry, name_);
    }
    [[nodiscard]] bool unsettled(const card::CardNumber& number) const override {
        return journal_.unsettled(number);
    }
    [[nodiscard]] std::optional<JournalTrouble> settle(const card::CardNumber& number,
                                                       bool seenOnTag) override {
        const auto position = batch_.positionOf(number);
        if (!seenOnTag || !position) {
            return journal_.settle(number, seenOnTag);
        }
        auto trouble = journal_.settleInBatch(number, name_);
        // Kept whether or not the line is on disk: the tag holds the number all the same.
        settledHere.push_back({*position, number, !trouble});
        return trouble;
    }

    // A position of the batch a tag was seen holding, settled through this view.
    struct Settled {
        std::uint64_t position = 0;
        card::CardNumber number;
        bool recorded = false;  // its line is on disk
    };
    std::vector<Settled> settledHere;

private:
    BatchJournal& journal_;
    std::string name_;
    const Batch& batch_;
};

}  // namespace commands
