#pragma once

#include "card/card_number.h"
#include "commands/write_journal.h"

#include <functional>
#include <optional>
#include <string>

namespace commands {

// A question before a write, whose default answer is no: what it asks about and the numbers and
// times it names. The window puts it in words.
struct WriteQuestion {
    enum class Kind {
        WrittenBefore,  // the number to write was written and verified before (`earlierWrite`)
        TagNumbered,  // the tag holds a number written and verified here (`onTag`, `onTagWritten`)
        Both,         // both of these
        SharedView,   // the number shows in one view as another tag's verified write (`shared`)
    };
    Kind kind = Kind::WrittenBefore;
    card::CardNumber number;                         // the number to write
    card::Notation notation = card::Notation::WG34;  // the one it was entered in
    std::string earlierWrite;                        // ISO 8601 (WrittenBefore, Both)
    card::CardNumber onTag;                          // TagNumbered, Both
    std::string onTagWritten;                        // ISO 8601 (TagNumbered, Both)
    SharedView shared;                               // SharedView
    // The number's earlier write (WrittenBefore, Both) has no known outcome: cut off, not read
    // back, or its tag taken away before the read-back.
    bool earlierUnknown = false;

    friend bool operator==(const WriteQuestion&, const WriteQuestion&) = default;
};

// The question before writing `number` (entered in `notation`) when the journal holds it as
// written (`earlierWrite`), or holds the tag's present number `onTag` as written
// (`onTagWritten`); nothing to ask when it holds neither.
[[nodiscard]] std::optional<WriteQuestion> overwriteQuestion(
    const card::CardNumber& number, card::Notation notation,
    const std::optional<std::string>& earlierWrite, const std::optional<card::CardNumber>& onTag,
    const std::optional<std::string>& onTagWritten);

// The question before writing `number` over another tag's shared view.
[[nodiscard]] WriteQuestion sharedViewQuestion(const card::CardNumber& number,
                                               const SharedView& earlier);

// Asks the user; true for yes. An empty one stands for a user who cannot be asked: no.
using Confirm = std::function<bool(const WriteQuestion&)>;

}  // namespace commands
