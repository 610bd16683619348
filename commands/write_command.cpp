#include "commands/write_command.h"

#include "commands/outcome_text.h"
#include "reader/command_session.h"

#include <utility>

namespace commands {

namespace {

using card::Field;
using Result = WriteOutcome::Result;
using Stage = WriteOutcome::Stage;

// Nothing asked, nothing recorded.
class NoJournal final : public WriteJournal {
public:
    [[nodiscard]] std::optional<std::string> lastVerifiedWrite(
        const card::TagNumber& /*number*/) const override {
        return std::nullopt;
    }
    [[nodiscard]] std::optional<std::string> append(const JournalEntry& /*entry*/) override {
        return std::nullopt;
    }
};

// The write the panel asks for, or the first field whose number is out of range.
util::Expected<WriteRequest, Field> readRequest(const Panel& panel, reader::TagChip chip) {
    WriteRequest request;
    request.chip = chip;
    const auto b4 = card::toByte(card::parseLenient(panel.fieldText(Field::B4)));
    if (!b4) {
        return util::Unexpected{Field::B4};
    }
    request.number.b4 = *b4;
    request.notation = panel.isWG34Selected() ? card::Notation::WG34 : card::Notation::WG26;
    request.advanceRequested = panel.isAdd1Checked();
    request.lockRequested = panel.isLockChecked();
    if (request.notation == card::Notation::WG34) {
        const auto bytes = card::splitTenDigit(card::parseLenient(panel.fieldText(Field::B3B0)));
        if (!bytes) {
            return util::Unexpected{Field::B3B0};
        }
        request.number.number = *bytes;
    } else {
        const auto composed =
            card::composeEightDigit(panel.fieldText(Field::B2), panel.fieldText(Field::B1B0));
        if (!composed) {
            return util::Unexpected{composed.error()};
        }
        request.number.number = composed->bytes;
    }
    return request;
}

WriteOutcome outcomeFor(const WriteRequest& request) {
    WriteOutcome outcome;
    outcome.chip = request.chip;
    outcome.notation = request.notation;
    outcome.number = request.number;
    outcome.lockRequested = request.lockRequested;
    outcome.advanceRequested = request.advanceRequested;
    return outcome;
}

// Shows the number after the one the tag received (not after the text: a fractional text would
// otherwise write the same number twice). The eight-digit number advances its B1B0 part only.
void showNext(Panel& panel, const WriteOutcome& outcome) {
    const bool tenDigit = outcome.notation == card::Notation::WG34;
    const Field field = tenDigit ? Field::B3B0 : Field::B1B0;
    const auto& n = outcome.number.number;
    const double written = tenDigit ? card::wholeNumber(n) : (n.b1 * 256.0) + n.b0;
    panel.setFieldText(field, card::formatPadded(card::nextNumber(outcome.notation, written),
                                                 card::fieldWidth(field)));
}

// The write on the reader, up to the lock; `outcome.reached` says how far it went, also when a
// call throws.
void perform(reader::CommandSession& session, Panel& panel, WriteOutcome& outcome) {
    outcome.reached = Stage::Sent;  // from here on the journal takes the write's line
    outcome.writeStatus = session.write(outcome.chip, outcome.number);
    if (outcome.writeStatus != reader::kSuccess) {
        // Advancing, locking or beeping now would tell a batch operator a tag was numbered
        // when it was not, or lock a tag holding the wrong number.
        outcome.result = Result::NotWritten;
        return;
    }

    // Readers of this kind may report a write as done while the tag still sends its old number:
    // only the number the tag sends now counts.
    const auto reply = session.readTag();
    outcome.readBackStatus = reply.status;
    if (!reply.number) {
        outcome.result = Result::NotReadBack;
        return;
    }
    outcome.readBack = *reply.number;
    if (outcome.readBack != outcome.number) {
        outcome.result = Result::WrongReadBack;
        return;
    }
    outcome.reached = Stage::Verified;

    if (outcome.advanceRequested) {
        showNext(panel, outcome);
    }
    outcome.reached = Stage::Advanced;

    if (outcome.lockRequested) {
        outcome.lockStatus = session.lock(outcome.chip);
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
    entry.number = outcome.number;
    entry.chip = outcome.chip;
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
bool ask(Panel& panel, const WriteJournal& journal, WriteOutcome& outcome) {
    outcome.journalUnavailable = journal.unavailable();
    if (outcome.journalUnavailable) {
        return true;
    }
    outcome.earlierWrite = journal.lastVerifiedWrite(outcome.number);
    if (outcome.previousNumber && *outcome.previousNumber != outcome.number) {
        outcome.previousWrite = journal.lastVerifiedWrite(*outcome.previousNumber);
    }
    if (!outcome.earlierWrite && !outcome.previousWrite) {
        return true;
    }
    const WriteQuestion question = writeQuestion(outcome);
    return panel.confirm(question.text, question.yes, question.no);
}

WriteOutcome faulted(WriteOutcome outcome, const reader::ReaderFault& fault) {
    outcome.fault = fault.fault();
    // A tag read back holding the number stays written, whatever a later call does: only the
    // lock (when asked for) is then unknown.
    if (outcome.verified()) {
        const bool lockUnknown = outcome.lockRequested && outcome.result != Result::Written;
        outcome.result = lockUnknown ? Result::WrittenNotLocked : Result::Written;
        return outcome;
    }
    outcome.result = Result::ReaderFault;
    return outcome;
}

}  // namespace

WriteOutcome cmdIDWrite_Click(Panel& panel, reader::ReaderSource& source) {
    NoJournal none;
    return cmdIDWrite_Click(panel, source, none);
}

WriteOutcome cmdIDWrite_Click(Panel& panel, reader::ReaderSource& source, WriteJournal& journal) {
    auto acquired = source.acquire();
    if (!acquired) {
        WriteOutcome outcome;
        outcome.result = Result::ReaderUnavailable;
        outcome.loadError = acquired.error();
        return outcome;
    }
    reader::CommandSession session(**acquired);

    // The chip is announced before anything else, also when a field then stops the write. Its
    // status is not looked at: the write's own status tells whether the tag took the number.
    const reader::TagChip chip =
        panel.isEM4305Selected() ? reader::TagChip::EM4305 : reader::TagChip::T5577;
    try {
        static_cast<void>(session.announceChip(chip));
    } catch (const reader::ReaderFault& fault) {
        WriteOutcome outcome;
        outcome.chip = chip;
        return faulted(outcome, fault);
    }

    // 1. The request, or the field that stops it.
    const auto request = readRequest(panel, chip);
    if (!request) {
        WriteOutcome outcome;
        outcome.chip = chip;
        outcome.result = Result::OutOfRange;
        outcome.invalidField = request.error();
        return outcome;
    }
    WriteOutcome outcome = outcomeFor(*request);

    // 2. What the tag holds now, and whether the journal knows either number.
    JournalHold hold(journal);
    reader::CommandSession::TagReply before;
    try {
        before = session.readTag();
    } catch (const reader::ReaderFault& fault) {
        return faulted(std::move(outcome), fault);
    }
    outcome.previousStatus = before.status;
    outcome.previousNumber = before.number;
    if (!ask(panel, journal, outcome)) {
        outcome.result = Result::Declined;
        return outcome;
    }

    // 3. On the reader, announced in the journal first so that a crash during it leaves a trace.
    {
        JournalEntry starting = entryFor(outcome);
        if (auto trouble = journal.beginWrite(starting)) {
            outcome.journalError = std::move(trouble);
        }
    }
    try {
        perform(session, panel, outcome);
    } catch (const reader::ReaderFault& fault) {
        outcome = faulted(std::move(outcome), fault);
    }

    // 4. Every write that reached MF_Write leaves its line, on disk before the beep tells the
    // user the tag is done.
    if (outcome.writeSent()) {
        record(journal, outcome);
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

}  // namespace commands
