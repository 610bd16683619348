#include "commands/read_command.h"

#include "reader/command_session.h"

namespace commands {

ReadOutcome readTag(reader::ReaderSource& source) {
    ReadOutcome outcome;
    try {
        auto acquired = source.acquire();
        if (!acquired) {
            outcome.result = ReadOutcome::Result::ReaderUnavailable;
            outcome.loadError = acquired.error();
            return outcome;
        }
        reader::CommandSession session(**acquired);
        const auto reply = session.readTag();
        outcome.replied = true;
        outcome.status = reply.status;
        outcome.result = reply.number ? ReadOutcome::Result::Read : ReadOutcome::Result::NoTag;
        outcome.tag = reply.number.value_or(card::CardNumber{});
        if (reply.number) {
            // The beep's own status tells nothing the user can act on.
            static_cast<void>(session.beep());
        }
    } catch (const reader::ReaderFault& fault) {
        outcome.result = ReadOutcome::Result::ReaderFault;
        outcome.fault = fault.fault();
    }
    return outcome;
}

ReadOutcome readTag(reader::ReaderSource& source, WriteJournal& journal) {
    ReadOutcome outcome = readTag(source);
    if (!outcome.replied || outcome.result != ReadOutcome::Result::Read ||
        !journal.unsettled(outcome.tag)) {
        return outcome;
    }
    // Asked again under the hold: another copy may have settled it meanwhile.
    journal.hold();
    if (!journal.unavailable() && journal.unsettled(outcome.tag)) {
        outcome.journalError = journal.settle(outcome.tag, true);
        outcome.settledWrite = !outcome.journalError;
    }
    journal.release();
    return outcome;
}

std::optional<FieldTexts> fieldTextsAfter(const ReadOutcome& outcome) {
    if (!outcome.replied) {
        return std::nullopt;
    }
    return fieldTexts(outcome.tag);
}

}  // namespace commands
