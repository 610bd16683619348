#pragma once

#include "card/card_number.h"
#include "commands/panel.h"
#include "commands/write_journal.h"
#include "reader/load_error.h"
#include "reader/reader_fault.h"
#include "reader/reader_source.h"
#include "reader/reader_types.h"

#include <optional>
#include <string>

namespace commands {

// What the panel asks to be written.
struct WriteRequest {
    reader::TagChip chip = reader::TagChip::T5577;
    card::Notation notation = card::Notation::WG34;
    card::TagNumber number;         // what the WriteBlock carries
    bool lockRequested = false;     // chkIDLOCK was checked
    bool advanceRequested = false;  // chkIDADD1 was checked
};

struct WriteOutcome {
    enum class Result {
        Written,            // written and read back (and locked, when asked); the reader beeped
        WrittenNotLocked,   // written and read back, but the lock request failed: not protected
        NotWritten,         // the reader refused the write: nothing advanced, nothing locked
        NotReadBack,        // the write was taken but the tag could not be read back afterwards
        WrongReadBack,      // the tag sends another number than the one written
        Declined,           // the number or the tag's was written before; the user said no
        OutOfRange,         // a field's number is out of range: nothing was written
        ReaderUnavailable,  // the reader library could not be used: nothing was sent
        ReaderFault,        // a library call failed without a status (it threw): see `fault`
    };
    // How far the write went on the reader; a fault stops it where it stands.
    enum class Stage {
        None,      // MF_Write not called
        Sent,      // MF_Write called
        Verified,  // the tag was read back holding the number written
        Advanced,  // ... and the number field moved on (when chkIDADD1 is checked)
        LockSent,  // ... and the lock was asked for (when chkIDLOCK is checked)
    };
    Result result = Result::NotWritten;
    Stage reached = Stage::None;
    reader::TagChip chip = reader::TagChip::T5577;
    card::Notation notation = card::Notation::WG34;
    card::TagNumber number;                   // what the WriteBlock carried
    bool lockRequested = false;               // chkIDLOCK was checked
    bool advanceRequested = false;            // chkIDADD1 was checked
    std::optional<card::Field> invalidField;  // when Result::OutOfRange
    reader::Status writeStatus = reader::kSuccess;
    reader::Status readBackStatus = reader::kSuccess;  // MF_Getsnr's after the write, when called
    card::TagNumber readBack;                          // what the tag sent, when read back
    reader::Status lockStatus = reader::kSuccess;      // when the lock was sent
    std::optional<reader::LoadError> loadError;        // when Result::ReaderUnavailable
    // What the tag sent when read just before the write (nothing: blank, absent, unreadable).
    std::optional<card::TagNumber> previousNumber;
    reader::Status previousStatus = reader::kSuccess;
    // The journal's times of earlier verified writes of the number to write and of the number
    // the tag held, when it has them.
    std::optional<std::string> earlierWrite;
    std::optional<std::string> previousWrite;
    std::optional<std::string> journalUnavailable;  // why no question could be asked
    std::optional<std::string> journalError;        // why the write's line is not in the journal
    std::optional<reader::CallFault> fault;         // when Result::ReaderFault

    // MF_Write was called, so the journal has (or tried to take) the write's line.
    [[nodiscard]] bool writeSent() const noexcept { return reached >= Stage::Sent; }
    // The tag was read back holding exactly the number written.
    [[nodiscard]] bool verified() const noexcept { return reached >= Stage::Verified; }
    // The number field moved on by one.
    [[nodiscard]] bool advanced() const noexcept {
        return advanceRequested && reached >= Stage::Advanced;
    }
    // The tag holds the number and the reader took the lock.
    [[nodiscard]] bool locked() const noexcept {
        return lockRequested && reached >= Stage::LockSent && lockStatus == reader::kSuccess &&
               result == Result::Written;
    }
};

// The write button: announces the chip, writes the number of the selected notation onto the tag,
// reads the tag back, and only when it sends the number written advances the number by one
// (chkIDADD1), asks for the lock (chkIDLOCK) and beeps. A field out of range stops it before the
// write; a write the reader refuses, or a read-back that fails or differs, stops it with nothing
// advanced, locked or beeped; a refused lock stops it without the beep.
//
// With a journal: a number the journal holds as written asks the user first (default No), and
// every write that reached MF_Write appends its line, on disk before the beep. A journal that
// cannot be written stops nothing; the outcome says why. A library call that throws stops it
// with Result::ReaderFault, the steps done until then recorded.
WriteOutcome cmdIDWrite_Click(Panel& panel, reader::ReaderSource& source, WriteJournal& journal);
// The same with no journal: nothing asked, nothing recorded.
WriteOutcome cmdIDWrite_Click(Panel& panel, reader::ReaderSource& source);

}  // namespace commands
