#include "commands/write_command.h"

#include "commands/batch.h"
#include "commands/journal_result.h"
#include "reader/command_session.h"

#include <chrono>
#include <optional>
#include <utility>

namespace commands {

namespace {

using card::Field;
using Result = WriteOutcome::Result;
using Stage = WriteOutcome::Stage;

// The write on the reader, up to the lock; `outcome.reached` says how far it went, also when a
// call throws.
void perform(reader::CommandSession& session, WriteOutcome& outcome) {
    const WriteRequest& request = outcome.request;
    outcome.reached = Stage::Sent;  // from here on the journal takes the write's line
    outcome.writeStatus = session.write(request.chip, request.number);

    // Readers of this kind may report a write as done while the tag still sends its old number,
    // and as failed while the tag took it: only the number the tag sends now counts.
    const auto reply = session.readTag();
    outcome.readBackStatus = reply.status;
    if (!reply.number) {
        // A refused write onto a tag that sent no number before it either: nothing shows that
        // the tag took anything (a blank of the other chip refuses every write). Otherwise the tag
        // may hold the number or not: the operator must look.
        const bool noTagSeen = outcome.writeStatus != reader::kSuccess && !outcome.previousNumber;
        outcome.result = noTagSeen ? Result::NotWritten : Result::NotReadBack;
        return;
    }
    outcome.readBack = *reply.number;
    if (outcome.readBack != request.number) {
        // Advancing, locking or beeping now would tell a batch operator a tag was numbered
        // when it was not, or lock a tag holding the wrong number. A tag that sends what it did
        // not send before is another one: the tag taken away may have taken the number.
        if (outcome.readBack != outcome.previousNumber) {
            outcome.result = Result::Swapped;
            return;
        }
        outcome.result =
            outcome.writeStatus != reader::kSuccess ? Result::NotWritten : Result::WrongReadBack;
        return;
    }
    outcome.reached = Stage::Verified;

    if (request.lock) {
        outcome.lockStatus = session.lock(request.chip);
        outcome.reached = Stage::LockSent;
        if (outcome.lockStatus != reader::kSuccess) {
            outcome.result = Result::WrittenNotLocked;
            return;
        }
    }
    outcome.result = Result::Written;
}

JournalEntry entryFor(const WriteOutcome& outcome) {
    JournalEntry entry;
    entry.verified = outcome.verified();
    entry.number = outcome.request.number;
    entry.chip = outcome.request.chip;
    entry.locked = outcome.locked();
    entry.previousNumber = outcome.previousNumber;
    return entry;
}

// The journal's line for a write that reached MF_Write. A line that could not be written wins
// over a start line that could not: that is the one the user must know about.
void record(WriteJournal& journal, WriteOutcome& outcome) {
    JournalEntry entry = entryFor(outcome);
    entry.result = journalResult(outcome);
    if (auto trouble = journal.append(entry)) {
        outcome.journalError = std::move(trouble);
    }
}

// Holds the journal from the questions to the write's line, whatever way the command leaves.
class JournalHold {
public:
    explicit JournalHold(WriteJournal& journal) : journal_(journal) { journal_.hold(); }
    ~JournalHold() { release(); }
    JournalHold(const JournalHold&) = delete;
    JournalHold& operator=(const JournalHold&) = delete;
    JournalHold(JournalHold&&) = delete;
    JournalHold& operator=(JournalHold&&) = delete;
    void release() {
        if (held_) {
            held_ = false;
            journal_.release();
        }
    }

private:
    WriteJournal& journal_;
    bool held_ = true;
};

// A number written before is most likely a slip (a tag read back into the fields, a batch
// restarted from the wrong number), and so is a tag this program numbered and verified: the
// user says, in one question, whether the write is meant. True to go on.
bool ask(const Confirm& confirm, WriteJournal& journal, WriteOutcome& outcome) {
    outcome.journalUnavailable = journal.unavailable();
    if (outcome.journalUnavailable) {
        return true;
    }
    const card::CardNumber& number = outcome.request.number;
    // A tag holding a number whose write's outcome was unknown settles it, whatever is written
    // next: that write reached a tag, and the question names it.
    if (outcome.previousNumber && journal.unsettled(*outcome.previousNumber)) {
        outcome.journalError = journal.settle(*outcome.previousNumber, true);
    }
    // A tag that holds the number already is the tag it was written on: writing it again makes
    // no second tag of it (as after a write cut off whose tag took the number), so its earlier
    // write is not asked about.
    if (outcome.previousNumber == number) {
        return true;
    }
    const auto answer = [&confirm, &outcome](const WriteQuestion& question) {
        if (confirm && confirm(question)) {
            return true;
        }
        outcome.declined = question;
        return false;
    };
    // A door controller reading one view would take this tag for another: asked first, as the
    // more lasting harm.
    if (const auto earlier = viewCollision(number, journal);
        earlier && !answer(sharedViewQuestion(number, *earlier))) {
        return false;
    }
    outcome.earlierWrite = journal.lastVerifiedWrite(number);
    if (outcome.previousNumber) {
        outcome.previousWrite = journal.lastVerifiedWrite(*outcome.previousNumber);
    }
    auto question = overwriteQuestion(number, outcome.request.notation, outcome.earlierWrite,
                                      outcome.previousNumber, outcome.previousWrite);
    if (!question) {
        return true;
    }
    question->earlierUnknown = outcome.earlierWrite && journal.unsettled(number);
    return answer(*question);
}

WriteOutcome faulted(WriteOutcome outcome, const reader::ReaderFault& fault) {
    outcome.fault = fault.fault();
    // A tag read back holding the number stays written, whatever a later call does: only the
    // lock (when asked for) is then unknown.
    if (outcome.verified()) {
        const bool lockUnknown = outcome.request.lock && outcome.result != Result::Written;
        outcome.result = lockUnknown ? Result::WrittenNotLocked : Result::Written;
        return outcome;
    }
    outcome.result = Result::ReaderFault;
    return outcome;
}

bool fresh(const std::optional<TagSighting>& seen) {
    return seen && std::chrono::steady_clock::now() - seen->when < kSightingFreshFor;
}

// The write: what the tag holds, the question, then the chip's announcement and the write;
// `outOfRange`, the field that stops it once the chip is announced.
WriteOutcome write(const WriteRequest& request, std::optional<Field> outOfRange,
                   reader::ReaderSource& source, WriteJournal& journal, const Confirm& confirm,
                   const std::optional<TagSighting>& seen) {
    WriteOutcome outcome;
    outcome.request = request;
    auto acquired = source.acquire();
    if (!acquired) {
        outcome.result = Result::ReaderUnavailable;
        outcome.loadError = acquired.error();
        return outcome;
    }

    // A field that stops the write: the chip is announced all the same, as for every write.
    if (outOfRange) {
        reader::CommandSession session(**acquired);
        try {
            static_cast<void>(session.announceChip(outcome.request.chip));
        } catch (const reader::ReaderFault& fault) {
            return faulted(std::move(outcome), fault);
        }
        outcome.result = Result::OutOfRange;
        outcome.invalidField = outOfRange;
        return outcome;
    }

    // 1. What the tag holds now, read on buffers of its own so that the write's calls, from the
    // announcement on, get theirs fresh (or as a read moments ago saw it); and whether the
    // journal knows either number.
    JournalHold hold(journal);
    reader::CommandSession::TagReply before;
    if (fresh(seen)) {
        before = {seen->status, seen->number};
    } else {
        try {
            reader::CommandSession look(**acquired);
            before = look.readTag();
        } catch (const reader::ReaderFault& fault) {
            return faulted(std::move(outcome), fault);
        }
    }
    outcome.previousStatus = before.status;
    outcome.previousNumber = before.number;
    if (!ask(confirm, journal, outcome)) {
        outcome.result = Result::Declined;
        return outcome;
    }
    // The number's earlier write whose outcome was unknown did not reach this tag, which held
    // another number: once this write is verified, that one is settled as not written here.
    const bool writtenAgain = !outcome.journalUnavailable && journal.unsettled(request.number);

    // 2. The chip's announcement opens the write. Its status is not looked at: the tag read back
    // after the write tells whether it took the number.
    reader::CommandSession session(**acquired);
    try {
        static_cast<void>(session.announceChip(outcome.request.chip));
    } catch (const reader::ReaderFault& fault) {
        return faulted(std::move(outcome), fault);
    }

    // 3. On the reader, announced in the journal first so that a crash during it leaves a trace.
    {
        JournalEntry starting = entryFor(outcome);
        if (auto trouble = journal.beginWrite(starting)) {
            // Were the program to end during the write, no journal would name the number the
            // tag may hold.
            outcome.journalError = std::move(trouble);
            outcome.result = Result::NotStarted;
            return outcome;
        }
    }
    try {
        perform(session, outcome);
    } catch (const reader::ReaderFault& fault) {
        outcome = faulted(std::move(outcome), fault);
    }

    // 4. Every write that reached MF_Write leaves its line, on disk before the beep tells the
    // user the tag is done.
    if (outcome.writeSent()) {
        record(journal, outcome);
        if (writtenAgain && outcome.verified()) {
            auto trouble = journal.settle(request.number, false);
            if (trouble && !outcome.journalError) {
                outcome.journalError = std::move(trouble);
            }
        }
    }
    hold.release();
    if (outcome.result == Result::Written) {
        try {
            static_cast<void>(session.beep());
        } catch (const reader::ReaderFault& fault) {
            outcome = faulted(std::move(outcome), fault);
        }
    }
    return outcome;
}

}  // namespace

WriteOutcome writeTag(const WriteRequest& request, reader::ReaderSource& source,
                      WriteJournal& journal, const Confirm& confirm,
                      const std::optional<TagSighting>& seen) {
    return write(request, std::nullopt, source, journal, confirm, seen);
}

WriteOutcome writeTag(const WriteForm& form, reader::ReaderSource& source, WriteJournal& journal,
                      const Confirm& confirm) {
    const auto request = requestFrom(form);
    if (!request) {
        // All that was asked but the number.
        const WriteRequest asked{{}, form.chip, form.notation, form.lock, form.advance};
        return write(asked, request.error(), source, journal, confirm, std::nullopt);
    }
    return write(*request, std::nullopt, source, journal, confirm, std::nullopt);
}

std::optional<card::CardNumber> numberAfter(const WriteOutcome& outcome) {
    if (!outcome.advanced()) {
        return std::nullopt;
    }
    return card::nextTagNumber(outcome.request.number, outcome.request.notation);
}

}  // namespace commands
