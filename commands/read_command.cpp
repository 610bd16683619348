#include "commands/read_command.h"

#include "reader/command_session.h"
#include "reader/emulated_status.h"

namespace commands {

namespace {

enum class Sound { Beep, Quiet };

ReadOutcome read(reader::ReaderSource& source, Sound sound) {
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
        if (reply.number && sound == Sound::Beep) {
            // The beep's own status tells nothing the user can act on.
            static_cast<void>(session.beep());
        }
    } catch (const reader::ReaderFault& fault) {
        outcome.result = ReadOutcome::Result::ReaderFault;
        outcome.fault = fault.fault();
    }
    return outcome;
}

ReadOutcome settled(ReadOutcome outcome, WriteJournal& journal) {
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

}  // namespace

ReadOutcome readTag(reader::ReaderSource& source) {
    return read(source, Sound::Beep);
}

ReadOutcome readTag(reader::ReaderSource& source, WriteJournal& journal) {
    return settled(read(source, Sound::Beep), journal);
}

ReadOutcome readTagQuietly(reader::ReaderSource& source, WriteJournal& journal) {
    return settled(read(source, Sound::Quiet), journal);
}

std::optional<FieldTexts> fieldTextsAfter(const ReadOutcome& outcome) {
    if (!outcome.replied) {
        return std::nullopt;
    }
    return fieldTexts(outcome.tag);
}

bool tagAtTheReader(reader::Status status, const reader::ReaderInUse& inUse) {
    return inUse.emulated &&
           static_cast<reader::EmulatedStatus>(status) == reader::EmulatedStatus::NoValidFrame;
}

}  // namespace commands
