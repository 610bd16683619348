#pragma once

#include "card/card_number.h"
#include "commands/panel.h"
#include "reader/load_error.h"
#include "reader/reader_fault.h"
#include "reader/reader_source.h"
#include "reader/reader_types.h"

#include <optional>

namespace commands {

struct WriteOutcome {
    enum class Result {
        Written,            // written (and locked, when asked); the reader beeped
        WrittenNotLocked,   // written, but the lock request failed: the tag is not protected
        NotWritten,         // the reader refused the write: nothing advanced, nothing locked
        OutOfRange,         // a field's number is out of range: nothing was written
        ReaderUnavailable,  // the reader library could not be used: nothing was sent
        ReaderFault,        // a library call failed without a status (it threw): see `fault`
    };
    Result result = Result::NotWritten;
    reader::TagChip chip = reader::TagChip::T5577;
    card::Notation notation = card::Notation::WG34;
    card::TagNumber number;                   // what the WriteBlock carried
    std::optional<card::Field> invalidField;  // when Result::OutOfRange
    reader::Status writeStatus = reader::kSuccess;
    bool lockRequested = false;
    reader::Status lockStatus = reader::kSuccess;  // when lockRequested
    bool advanceRequested = false;                 // chkIDADD1 was checked
    bool advanced = false;                         // the number field moved on by one
    std::optional<reader::LoadError> loadError;    // when Result::ReaderUnavailable
    std::optional<reader::CallFault> fault;        // when Result::ReaderFault
};

// The write button: announces the chip, writes the number of the selected notation onto the tag,
// advances the number by one when chkIDADD1 is checked, asks for the lock when chkIDLOCK is
// checked, and beeps. A field out of range stops it before the write; a write or lock the reader
// refuses stops it without the success beep, and a refused write advances nothing. A library
// call that throws stops it with Result::ReaderFault, the steps done until then recorded.
WriteOutcome cmdIDWrite_Click(Panel& panel, reader::ReaderSource& source);

}  // namespace commands
