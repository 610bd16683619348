#pragma once

#include "card/card_number.h"
#include "commands/field_texts.h"
#include "reader/reader_types.h"
#include "util/expected.h"

namespace commands {

// What to write onto one tag. Whoever asks for a write (the window's button, a batch, a timer)
// fills one in; the write itself never looks anywhere else.
struct WriteRequest {
    card::CardNumber number;  // what the WriteBlock carries
    reader::TagChip chip = reader::TagChip::T5577;
    card::Notation notation = card::Notation::WG34;  // how the number is said and counted on
    bool lock = false;                               // protect the tag once it holds the number
    bool advance = false;  // move on to the next number once the tag holds this one

    friend bool operator==(const WriteRequest&, const WriteRequest&) = default;
};

// What the window's fields and options hold when a write is asked for, as they stand.
struct WriteForm {
    FieldTexts texts;
    reader::TagChip chip = reader::TagChip::T5577;
    card::Notation notation = card::Notation::WG34;
    bool lock = false;
    bool advance = false;
};

// The write the form asks for, or the first field whose number is out of range: B4, then the
// fields of the form's notation (the other notation's fields are not read).
[[nodiscard]] util::Expected<WriteRequest, card::Field> requestFrom(const WriteForm& form);

}  // namespace commands
