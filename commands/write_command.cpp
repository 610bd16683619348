#include "commands/write_command.h"

#include "commands/outcome_text.h"

#include <algorithm>
#include <cstddef>

namespace commands {

namespace {

using card::Field;

// The WriteBlock in the short buffer: chip code, then B4 B3 B2 B1 B0; the rest stays zero.
void fillWriteBlock(reader::ShortBuffer& block, reader::TagChip chip,
                    const card::TagNumber& number) {
    block.bytes[0] = reader::chipCode(chip);
    block.bytes[1] = number.b4;
    block.bytes[2] = number.number.b3;
    block.bytes[3] = number.number.b2;
    block.bytes[4] = number.number.b1;
    block.bytes[5] = number.number.b0;
}

void showNext(Panel& panel, Field field, double next) {
    panel.setFieldText(field, card::formatPadded(next, card::fieldWidth(field)));
}

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

// The journal's line for a write that reached MF_Write.
void record(WriteJournal& journal, WriteOutcome& outcome) {
    JournalEntry entry;
    entry.result = journalResult(outcome);
    entry.verified = outcome.result == WriteOutcome::Result::Written ||
                     outcome.result == WriteOutcome::Result::WrittenNotLocked;
    entry.number = outcome.number;
    entry.chip = outcome.chip;
    entry.locked = outcome.result == WriteOutcome::Result::Written && outcome.lockRequested;
    outcome.journalError = journal.append(entry);
}

// The steps of a write, recording each in `outcome` as it goes; `recorded` tells whether the
// journal has the write's line.
WriteOutcome writeCard(Panel& panel, reader::ReaderSource& source, WriteJournal& journal,
                       WriteOutcome& outcome, bool& recorded) {
    auto acquired = source.acquire();
    if (!acquired) {
        outcome.result = WriteOutcome::Result::ReaderUnavailable;
        outcome.loadError = acquired.error();
        return outcome;
    }
    reader::Reader& device = **acquired;

    reader::ShortBuffer shortBuffer;
    reader::LongBuffer longBuffer;

    outcome.chip = panel.isEM4305Selected() ? reader::TagChip::EM4305 : reader::TagChip::T5577;
    // The announcement's status is not looked at: the write's own status tells whether the
    // tag took the number.
    static_cast<void>(device.ControlBuzzer(reader::selectCode(outcome.chip), longBuffer));

    const auto stopOutOfRange = [&outcome](Field field) {
        outcome.result = WriteOutcome::Result::OutOfRange;
        outcome.invalidField = field;
        return outcome;
    };

    const auto b4 = card::toByte(card::parseLenient(panel.fieldText(Field::B4)));
    if (!b4) {
        return stopOutOfRange(Field::B4);
    }
    outcome.number.b4 = *b4;

    outcome.notation = panel.isWG34Selected() ? card::Notation::WG34 : card::Notation::WG26;
    outcome.advanceRequested = panel.isAdd1Checked();
    outcome.lockRequested = panel.isLockChecked();
    std::int32_t b1b0 = 0;
    if (outcome.notation == card::Notation::WG34) {
        const auto bytes = card::splitTenDigit(card::parseLenient(panel.fieldText(Field::B3B0)));
        if (!bytes) {
            return stopOutOfRange(Field::B3B0);
        }
        outcome.number.number = *bytes;
    } else {
        const auto composed =
            card::composeEightDigit(panel.fieldText(Field::B2), panel.fieldText(Field::B1B0));
        if (!composed) {
            return stopOutOfRange(composed.error());
        }
        outcome.number.number = composed->bytes;
        b1b0 = composed->B1B0;
    }

    // A number written before is most likely a slip (a tag read back into the fields, a batch
    // restarted from the wrong number): the user says whether it is meant.
    outcome.earlierWrite = journal.lastVerifiedWrite(outcome.number);
    if (outcome.earlierWrite && !panel.confirm(duplicateQuestion(*outcome.earlierWrite))) {
        outcome.result = WriteOutcome::Result::Declined;
        return outcome;
    }

    // From here on every way out leaves its line in the journal.
    const auto finish = [&journal, &outcome, &recorded](WriteOutcome::Result result) {
        outcome.result = result;
        record(journal, outcome);
        recorded = true;
        return outcome;
    };

    fillWriteBlock(shortBuffer, outcome.chip, outcome.number);
    outcome.writeSent = true;
    outcome.writeStatus = device.MF_Write(shortBuffer, longBuffer);
    if (outcome.writeStatus != reader::kSuccess) {
        // Advancing, locking or beeping now would tell a batch operator a tag was numbered
        // when it was not, or lock a tag holding the wrong number.
        return finish(WriteOutcome::Result::NotWritten);
    }

    // Readers of this kind may report a write as done while the tag still sends its old number:
    // only the number the tag sends now counts. The reply area is cleared first, so that nothing
    // left there by the write can pass for the tag's answer; the rest of the long buffer travels
    // on as for every call.
    shortBuffer.bytes.fill(0);
    std::fill_n(longBuffer.bytes.begin() + reader::kReplyB3Index, 4, std::uint8_t{0});
    outcome.readBackStatus = device.MF_Getsnr(shortBuffer, longBuffer);
    if (outcome.readBackStatus != reader::kSuccess) {
        return finish(WriteOutcome::Result::NotReadBack);
    }
    const auto& reply = longBuffer.bytes;
    outcome.readBack = card::TagNumber{
        shortBuffer.bytes[reader::kReplyB4Index],
        card::NumberBytes{reply[reader::kReplyB3Index], reply[reader::kReplyB3Index + 1],
                          reply[reader::kReplyB3Index + 2], reply[reader::kReplyB3Index + 3]}};
    if (outcome.readBack != outcome.number) {
        return finish(WriteOutcome::Result::WrongReadBack);
    }

    if (outcome.advanceRequested) {
        if (outcome.notation == card::Notation::WG34) {
            // One more than the number the tag received, not than the text: a fractional text
            // would otherwise write the same number twice.
            showNext(
                panel, Field::B3B0,
                card::nextNumber(card::Notation::WG34, card::wholeNumber(outcome.number.number)));
        } else {
            showNext(panel, Field::B1B0, card::nextNumber(card::Notation::WG26, b1b0));
        }
        outcome.advanced = true;
    }

    if (outcome.lockRequested) {
        outcome.lockStatus = device.ControlBuzzer(reader::lockCode(outcome.chip), longBuffer);
        if (outcome.lockStatus != reader::kSuccess) {
            return finish(WriteOutcome::Result::WrittenNotLocked);
        }
    }

    // The line is on disk before the beep tells the user the tag is done.
    static_cast<void>(finish(WriteOutcome::Result::Written));
    static_cast<void>(device.ControlBuzzer(reader::ControlCode::Beep, longBuffer));
    return outcome;
}

}  // namespace

WriteOutcome cmdIDWrite_Click(Panel& panel, reader::ReaderSource& source) {
    NoJournal none;
    return cmdIDWrite_Click(panel, source, none);
}

WriteOutcome cmdIDWrite_Click(Panel& panel, reader::ReaderSource& source, WriteJournal& journal) {
    WriteOutcome outcome;
    bool recorded = false;
    try {
        return writeCard(panel, source, journal, outcome, recorded);
    } catch (const reader::ReaderFault& fault) {
        outcome.result = WriteOutcome::Result::ReaderFault;
        outcome.fault = fault.fault();
        // A write that reached MF_Write keeps its line, whatever came of it.
        if (outcome.writeSent && !recorded) {
            record(journal, outcome);
        }
        return outcome;
    }
}

}  // namespace commands
