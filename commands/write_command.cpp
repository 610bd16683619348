#include "commands/write_command.h"

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

// The steps of a write, recording each in `outcome` as it goes.
WriteOutcome writeCard(Panel& panel, reader::ReaderSource& source, WriteOutcome& outcome) {
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

    fillWriteBlock(shortBuffer, outcome.chip, outcome.number);
    outcome.writeStatus = device.MF_Write(shortBuffer, longBuffer);
    if (outcome.writeStatus != reader::kSuccess) {
        // Advancing, locking or beeping now would tell a batch operator a tag was numbered
        // when it was not, or lock a tag holding the wrong number.
        outcome.result = WriteOutcome::Result::NotWritten;
        return outcome;
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

    outcome.lockRequested = panel.isLockChecked();
    if (outcome.lockRequested) {
        outcome.lockStatus = device.ControlBuzzer(reader::lockCode(outcome.chip), longBuffer);
        if (outcome.lockStatus != reader::kSuccess) {
            outcome.result = WriteOutcome::Result::WrittenNotLocked;
            return outcome;
        }
    }

    static_cast<void>(device.ControlBuzzer(reader::ControlCode::Beep, longBuffer));
    outcome.result = WriteOutcome::Result::Written;
    return outcome;
}

}  // namespace

WriteOutcome cmdIDWrite_Click(Panel& panel, reader::ReaderSource& source) {
    WriteOutcome outcome;
    try {
        return writeCard(panel, source, outcome);
    } catch (const reader::ReaderFault& fault) {
        outcome.result = WriteOutcome::Result::ReaderFault;
        outcome.fault = fault.fault();
        return outcome;
    }
}

}  // namespace commands
