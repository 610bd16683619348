#pragma once

#include "card/card_number.h"
#include "commands/batch.h"
#include "commands/batch_journal.h"
#include "commands/batch_writing.h"
#include "commands/journal_trouble.h"
#include "commands/write_command.h"
#include "reader/reader_source.h"
#include "util/expected.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace commands {

// A batch being written: its place is its own, kept in the journal, never in a window's fields,
// so that reads in between, a restart or another driver than the window (hands-free writing)
// continue it where it stands. Each press writes the first of its numbers not yet verified; a
// failed write leaves that number the next one.
class BatchSession final : public BatchWriting {
public:
    // Begins the batch, made and range-checked by the caller: its opening is on disk when this
    // returns; the reason (UTF-8) when it could not be recorded or another batch is not ended
    // (resume it, or end it early, first), and then there is no batch.
    [[nodiscard]] static util::Expected<BatchSession, std::string> start(const Batch& batch,
                                                                         BatchJournal& journal);
    // The journal's unfinished batch, where it stands; nothing when there is none. One whose
    // numbers are all verified (the program ended before it recorded the end) is ended now.
    [[nodiscard]] static std::optional<BatchSession> resume(BatchJournal& journal);
    // The newest batch named `name`, done, ended early or not, where it stands: for its bag check
    // and hand-over after a restart. Nothing when the journal holds none.
    [[nodiscard]] static std::optional<BatchSession> reopen(BatchJournal& journal,
                                                            const std::string& name);

    [[nodiscard]] const Batch& batch() const noexcept override { return batch_; }
    [[nodiscard]] std::uint64_t verified() const noexcept { return record_.verifiedCount(); }
    // The position of the number the next press writes (0 the first): the first neither verified
    // nor passed over, then the first passed over; count() when done.
    [[nodiscard]] std::uint64_t nextPosition() const noexcept;
    // The positions passed over because their write's outcome is unknown (their tag was taken
    // away before the read-back), ascending: for the bag check and the hand-over to look for.
    [[nodiscard]] const std::vector<std::uint64_t>& unknownPositions() const noexcept {
        return passed_;
    }
    // The number the next press writes; nothing once done or ended.
    [[nodiscard]] std::optional<card::CardNumber> nextNumber() const override;
    // All its numbers are verified.
    [[nodiscard]] bool done() const noexcept { return verified() == batch_.count(); }
    // Done, or ended early.
    [[nodiscard]] bool ended() const noexcept { return record_.ended; }
    [[nodiscard]] bool finished() const noexcept override { return ended() || done(); }
    [[nodiscard]] BatchStanding standing() const override;

    // Writes the next number through the write use case, after the question of a number shared
    // with another tag's view (`confirm`, as the write's own questions); `seen`, the caller's
    // read of the tag moments ago, as writeTag takes it.
    [[nodiscard]] BatchPress press(reader::ReaderSource& source, const Confirm& confirm,
                                   const std::optional<TagSighting>& seen = std::nullopt) override;
    [[nodiscard]] ReadOutcome read(reader::ReaderSource& source, Sound sound) override;
    // Ends the batch now: its numbers not verified from the next one on are recorded void (作废).
    // The reason (UTF-8) when that could not be recorded; the batch stays open then.
    [[nodiscard]] std::optional<JournalTrouble> endEarly();

private:
    // The session of a batch as the journal holds it; one whose numbers are all verified (the
    // program ended before it recorded the end) is ended now.
    static std::optional<BatchSession> fromRecord(BatchRecord record, BatchJournal& journal);
    // Counts the position as verified and moves on; the reason (UTF-8) when the batch's end,
    // reached by it, could not be recorded.
    std::optional<JournalTrouble> count(std::uint64_t position);
    // Moves the next position past those verified or passed over.
    void moveOn();
    BatchSession(Batch batch, BatchJournal& journal, BatchRecord record)
        : batch_(std::move(batch)),
          journal_(&journal),
          record_(std::move(record)),
          next_(record_.nextPosition()) {}

    Batch batch_;
    BatchJournal* journal_;
    BatchRecord record_;
    std::uint64_t next_ = 0;  // kept, not looked for: a press costs what one outside a batch does
    std::vector<std::uint64_t> passed_;
};

}  // namespace commands
