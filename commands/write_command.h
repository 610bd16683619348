#pragma once

#include "card/card_number.h"
#include "commands/journal_trouble.h"
#include "commands/write_journal.h"
#include "commands/write_question.h"
#include "commands/write_request.h"
#include "reader/load_error.h"
#include "reader/reader_fault.h"
#include "reader/reader_source.h"
#include "reader/reader_types.h"

#include <chrono>
#include <optional>
#include <string>

namespace commands {

struct WriteOutcome {
    enum class Result {
        Written,           // written and read back (and locked, when asked); the reader beeped,
                           // also when it reported the write as failed (writeStatus)
        WrittenNotLocked,  // written and read back, but the lock request failed: not protected
        NotWritten,        // the reader refused the write and the tag sends another number
        NotReadBack,       // the tag could not be read back after the write: it may hold it
        WrongReadBack,     // the tag sends another number than the one written, as before it
        Swapped,     // the tag read back sends another number than the one written and than the
                     // tag sent before: another tag was laid, and the one taken away may hold it
        Declined,    // the number or the tag's was written before; the user said no
        OutOfRange,  // a field's number is out of range: nothing was written
        ReaderUnavailable,  // the reader library could not be used: nothing was sent
        ReaderFault,        // a library call failed without a status (it threw): see `fault`
        NotStarted,         // the journal could not take the write's start line (`journalError`): a
                            // write that could leave no trace was not sent
    };
    // How far the write went on the reader; a fault stops it where it stands.
    enum class Stage {
        None,      // MF_Write not called
        Sent,      // MF_Write called
        Verified,  // the tag was read back holding the number written
        LockSent,  // ... and the lock was asked for (when the request asks for it)
    };
    // What was asked; when Result::OutOfRange, all of it but the number, which the fields did
    // not give.
    WriteRequest request;
    Result result = Result::NotWritten;
    Stage reached = Stage::None;
    std::optional<card::Field> invalidField;  // when Result::OutOfRange
    reader::Status writeStatus = reader::kSuccess;
    reader::Status readBackStatus = reader::kSuccess;  // MF_Getsnr's after the write, when called
    card::CardNumber readBack;                         // what the tag sent, when read back
    reader::Status lockStatus = reader::kSuccess;      // when the lock was sent
    std::optional<reader::LoadError> loadError;        // when Result::ReaderUnavailable
    // What the tag sent when read just before the write (nothing: blank, absent, unreadable).
    std::optional<card::CardNumber> previousNumber;
    reader::Status previousStatus = reader::kSuccess;
    // The journal's times of earlier verified writes of the number to write and of the number
    // the tag held, when it has them.
    std::optional<std::string> earlierWrite;
    std::optional<std::string> previousWrite;
    // The question the user said no to (Result::Declined).
    std::optional<WriteQuestion> declined;
    std::optional<std::string> journalUnavailable;  // why no question could be asked
    std::optional<JournalTrouble> journalError;     // why the write's line is not in the journal
    std::optional<reader::CallFault> fault;         // when Result::ReaderFault

    // MF_Write was called, so the journal has (or tried to take) the write's line.
    [[nodiscard]] bool writeSent() const noexcept { return reached >= Stage::Sent; }
    // The tag was read back holding exactly the number written.
    [[nodiscard]] bool verified() const noexcept { return reached >= Stage::Verified; }
    // The number moves on by one: asked for, and the tag holds the number written.
    [[nodiscard]] bool advanced() const noexcept { return request.advance && verified(); }
    // The tag holds the number and the reader took the lock.
    [[nodiscard]] bool locked() const noexcept {
        return request.lock && reached >= Stage::LockSent && lockStatus == reader::kSuccess &&
               result == Result::Written;
    }
};

// A read of the tag the caller made just before asking for the write (hands-free writing's read
// that saw the blank): what the tag sent, and when the read returned.
struct TagSighting {
    reader::Status status = reader::kSuccess;
    std::optional<card::CardNumber> number;  // when the tag sent one
    std::chrono::steady_clock::time_point when;
};
// How old a sighting may be for the write to take it as what the tag holds now, sparing the read
// of its own (two EM4100 frames, 66 ms). A tag is swapped by hand by lifting it and laying
// another, which takes a few tenths of a second: within 30 ms the tag seen is the tag at the
// reader. An older sighting (the window busy in between) is read again.
inline constexpr std::chrono::milliseconds kSightingFreshFor{30};

// Writes the request's number onto the tag at the reader: reads what the tag holds (on buffers of
// its own; a fresh `seen` stands for that read), announces the chip, writes, reads the tag back,
// and only when it sends the number written asks for the lock (when requested) and beeps. A write
// the reader refuses is read back all the same: such a reader may have written the tag. A read-back
// that fails or differs stops it with nothing locked or beeped; a refused lock stops it without the
// beep.
//
// A number that shows in one view as another tag's verified write, then a number the journal holds
// as written (or of unknown outcome), or a tag holding one, is put to `confirm` first (the
// default: not written): in a batch or not, every write asks the same. Every write that reached
// MF_Write appends its line, on disk before the beep. A write whose start line the journal
// cannot take is not sent (Result::NotStarted); a journal that cannot take a later line stops
// nothing. The outcome says why. A library call that throws stops it with Result::ReaderFault, the
// steps done until then recorded.
[[nodiscard]] WriteOutcome writeTag(const WriteRequest& request, reader::ReaderSource& source,
                                    WriteJournal& journal, const Confirm& confirm,
                                    const std::optional<TagSighting>& seen = std::nullopt);
// The write the form asks for (requestFrom). A form with a field out of range writes nothing, but
// its chip is announced all the same, as for every write.
[[nodiscard]] WriteOutcome writeTag(const WriteForm& form, reader::ReaderSource& source,
                                    WriteJournal& journal, const Confirm& confirm);

// The number to write after this outcome: the one after the number the tag received (not after
// a field's text: a fractional text would otherwise be written twice), counted in the request's
// notation; nothing unless the request asked to advance and the tag holds the number.
[[nodiscard]] std::optional<card::CardNumber> numberAfter(const WriteOutcome& outcome);

}  // namespace commands
