#pragma once

#include "card/card_number.h"
#include "commands/field_texts.h"
#include "commands/journal_trouble.h"
#include "commands/write_journal.h"
#include "reader/load_error.h"
#include "reader/reader_fault.h"
#include "reader/reader_source.h"
#include "reader/reader_types.h"

#include <optional>

namespace commands {

struct ReadOutcome {
    enum class Result {
        Read,               // a tag was read and the reader beeped (unless read quietly)
        NoTag,              // the reader answered with a non-zero status
        ReaderUnavailable,  // the reader library could not be used; nothing was sent
        ReaderFault,        // a library call failed without a status (it threw): see `fault`
    };
    Result result = Result::NoTag;
    bool replied = false;                      // MF_Getsnr returned (a later call may have thrown)
    reader::Status status = reader::kSuccess;  // MF_Getsnr's status, when it returned
    card::CardNumber tag;                      // the number read; all zero when none was
    std::optional<reader::LoadError> loadError;  // when Result::ReaderUnavailable
    std::optional<reader::CallFault> fault;      // when Result::ReaderFault
    // The tag held a number whose write's outcome the journal did not know: now it does.
    bool settledWrite = false;
    std::optional<JournalTrouble> journalError;  // why that could not be recorded
};

// Asks the reader for the tag's number; beeps once after a successful read.
[[nodiscard]] ReadOutcome readTag(reader::ReaderSource& source);
// As readTag, and a tag holding a number whose write the journal holds as unsettled (cut off, or
// not read back) settles it: that write reached a tag.
[[nodiscard]] ReadOutcome readTag(reader::ReaderSource& source, WriteJournal& journal);
// As readTag with the journal, without the beep: for reads the program makes on its own at a
// steady pace (hands-free writing), where a beep would tell the operator nothing.
[[nodiscard]] ReadOutcome readTagQuietly(reader::ReaderSource& source, WriteJournal& journal);

// What the four fields show after the read: the number read, or zeros when no tag was, each
// padded to its field's width; nothing when the reader did not reply, and the fields stay.
[[nodiscard]] std::optional<FieldTexts> fieldTextsAfter(const ReadOutcome& outcome);

// Whether a failed read's status says a tag is at the reader but sends no number (a blank or
// unknown tag), as far as the library in use is known to say so.
[[nodiscard]] bool tagAtTheReader(reader::Status status, const reader::ReaderInUse& inUse);

}  // namespace commands
