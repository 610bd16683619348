#pragma once

#include "card/card_number.h"
#include "commands/batch.h"
#include "commands/journal_trouble.h"
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "reader/reader_source.h"

#include <cstdint>
#include <optional>
#include <string>

namespace commands {

// What one press in a batch did.
struct BatchPress {
    enum class Result {
        Wrote,     // the write use case ran: `write` says how it went
        Declined,  // the number shares a view with another tag's verified write; the user said no
        Finished,  // nothing to write now: the batch is done or was ended, or (shared) this
                   // station holds no number until the server leases it more
    };
    Result result = Result::Finished;
    std::optional<WriteOutcome> write;
    std::optional<JournalTrouble> journalError;  // why the batch's end is not in the journal
};

// Whether the write was declined at the question of a view shared with another tag's.
[[nodiscard]] inline bool declinedForView(const WriteOutcome& outcome) noexcept {
    return outcome.result == WriteOutcome::Result::Declined && outcome.declined &&
           outcome.declined->kind == WriteQuestion::Kind::SharedView;
}

// Where a batch being written stands, for the window to say.
struct BatchStanding {
    std::uint64_t verified = 0;            // tags verified (in a shared batch, at this station)
    std::optional<card::CardNumber> next;  // the number the next press writes
    bool ended = false;                    // ended before all its numbers were written
    // A shared batch's: the count over all stations as last heard, and, while the server cannot
    // be reached, how many tags this station's leases still allow.
    std::optional<std::uint64_t> verifiedAll;
    std::optional<std::uint64_t> offlineWritable;
};

// A batch whose next number a press writes: a local batch, or this station's part of a batch
// shared with other stations. Whoever presses (the window, hands-free writing) drives either alike.
class BatchWriting {
public:
    virtual ~BatchWriting() = default;

    [[nodiscard]] virtual const Batch& batch() const = 0;
    // The number the next press writes; nothing when none is to be written now.
    [[nodiscard]] virtual std::optional<card::CardNumber> nextNumber() const = 0;
    // Nothing more will be written in it: every number is written, or it was ended.
    [[nodiscard]] virtual bool finished() const = 0;
    [[nodiscard]] virtual BatchStanding standing() const = 0;
    // Writes the next number through the write use case; `seen`, the caller's read of the tag
    // moments ago, as writeTag takes it.
    [[nodiscard]] virtual BatchPress press(reader::ReaderSource& source, const Confirm& confirm,
                                           const std::optional<TagSighting>& seen) = 0;
    enum class Sound { Beep, Quiet };
    // Reads the tag at the reader as readTag does (readTagQuietly when Quiet): a tag holding one
    // of the batch's numbers whose write's outcome was unknown settles it as a verified write of
    // the batch, which counts it and moves on.
    [[nodiscard]] virtual ReadOutcome read(reader::ReaderSource& source, Sound sound) = 0;

protected:
    BatchWriting() = default;
    BatchWriting(const BatchWriting&) = default;
    BatchWriting(BatchWriting&&) = default;
    BatchWriting& operator=(const BatchWriting&) = default;
    BatchWriting& operator=(BatchWriting&&) = default;
};

}  // namespace commands
