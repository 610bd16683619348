#pragma once

#include "card/card_number.h"
#include "reader/reader_types.h"

#include <optional>
#include <string>

namespace commands {

// One write that reached MF_Write, as the journal of written tags keeps it.
struct JournalEntry {
    std::string result;      // UTF-8, in words
    bool verified = false;   // the tag was read back holding the number written
    card::TagNumber number;  // what the WriteBlock carried
    reader::TagChip chip = reader::TagChip::T5577;
    bool locked = false;                            // the lock was requested and the reader took it
    std::optional<card::TagNumber> previousNumber;  // what the tag sent before the write, if read
};

// What the write command sees of the journal of written tags.
class WriteJournal {
public:
    virtual ~WriteJournal() = default;

    // When the journal last recorded a verified write of this number, as its time column says;
    // nothing when it never did.
    [[nodiscard]] virtual std::optional<std::string> lastVerifiedWrite(
        const card::TagNumber& number) const = 0;
    // Appends the entry, stamped with the current time, and returns once it is on disk; the
    // reason (UTF-8) when it could not be written.
    [[nodiscard]] virtual std::optional<std::string> append(const JournalEntry& entry) = 0;

protected:
    WriteJournal() = default;
    WriteJournal(const WriteJournal&) = default;
    WriteJournal(WriteJournal&&) = default;
    WriteJournal& operator=(const WriteJournal&) = default;
    WriteJournal& operator=(WriteJournal&&) = default;
};

}  // namespace commands
