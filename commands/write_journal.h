#pragma once

#include "card/card_number.h"
#include "commands/journal_trouble.h"
#include "reader/reader_types.h"

#include <optional>
#include <string>
#include <string_view>

namespace commands {

// How the result of a write starts when no one can tell whether the tag took the number (it could
// not be read back, or the library failed mid-way): the tag must be read again or set aside, and
// the number counts as written until a later line of it says otherwise.
inline constexpr std::string_view kUnsettledResult = "结果不明";

// How a settlement's result starts when a tag was read holding the number: the earlier writes of
// unknown outcome reached a tag.
inline constexpr std::string_view kSeenOnTagResult = "核对：读卡时卡上是此号码";

// One write that reached MF_Write, as the journal of written tags keeps it.
struct JournalEntry {
    std::string result;       // UTF-8, in words
    bool verified = false;    // the tag was read back holding the number written
    card::CardNumber number;  // what the WriteBlock carried
    reader::TagChip chip = reader::TagChip::T5577;
    bool locked = false;  // the lock was requested and the reader took it
    std::optional<card::CardNumber> previousNumber;  // what the tag sent before the write, if read
};

// A verified write of another 40-bit number that shows as a number does in one view: a door
// controller that reads only that view takes the two tags for one.
struct SharedView {
    card::Notation view = card::Notation::WG34;  // ten-digit B3..B0, or eight-digit B2 B1B0
    card::CardNumber number;                     // the other tag's
    std::string time;                            // ISO 8601, in the present zone

    friend bool operator==(const SharedView&, const SharedView&) = default;
};

// What the write command sees of the journal of written tags. One write goes: hold(), the
// questions (lastVerifiedWrite), beginWrite() just before MF_Write, append() with the outcome,
// release().
class WriteJournal {
public:
    virtual ~WriteJournal() = default;

    // Keeps other copies of the program from checking or recording a write until release(), and
    // takes in what they appended since the journal was read, so that two copies cannot both
    // miss each other's write of one number. Never waits without a bound.
    virtual void hold() {}
    virtual void release() {}

    // Why the journal cannot answer questions now (UTF-8), e.g. it is not read yet or cannot be
    // read; nothing when it can. Then no number is asked about, and the write goes on.
    [[nodiscard]] virtual std::optional<std::string> unavailable() const { return std::nullopt; }

    // When the journal last recorded a verified write of this number that no later write
    // overwrote (or a write of it that started and never ended, or ended kUnsettledResult), in
    // ISO 8601 in the present zone; nothing when it did not.
    [[nodiscard]] virtual std::optional<std::string> lastVerifiedWrite(
        const card::CardNumber& number) const = 0;

    // A verified write that still counts, of another number with the same view of the given
    // notation (the ten-digit view's equal has the same eight-digit view too).
    [[nodiscard]] virtual std::optional<SharedView> sharedView(const card::CardNumber& number,
                                                               card::Notation view) const {
        static_cast<void>(number);
        static_cast<void>(view);
        return std::nullopt;
    }
    // Whether there is one in either view; may be cheaper than asking sharedView.
    [[nodiscard]] virtual bool sharesView(const card::CardNumber& number) const {
        return sharedView(number, card::Notation::WG26).has_value();
    }

    // Records, on disk, that this write is about to be sent (`entry.result` unused), so that a
    // crash during it leaves a trace; the reason when it could not be recorded.
    [[nodiscard]] virtual std::optional<JournalTrouble> beginWrite(const JournalEntry& entry) {
        static_cast<void>(entry);
        return std::nullopt;
    }
    // Appends the entry, stamped with the current time, and returns once it is on disk; the
    // reason when it could not be written.
    [[nodiscard]] virtual std::optional<JournalTrouble> append(const JournalEntry& entry) = 0;

    // Whether the journal holds a write of this number whose outcome is unknown (cut off, or not
    // read back) and that nothing has settled since.
    [[nodiscard]] virtual bool unsettled(const card::CardNumber& number) const {
        static_cast<void>(number);
        return false;
    }
    // Records how such writes of the number settled, on disk: a tag was seen holding it
    // (`seenOnTag`: they reached a tag), or it was written again and verified onto a tag that
    // held another number (they did not reach that one). The reason when it could not be
    // recorded.
    [[nodiscard]] virtual std::optional<JournalTrouble> settle(const card::CardNumber& number,
                                                               bool seenOnTag) {
        static_cast<void>(number);
        static_cast<void>(seenOnTag);
        return std::nullopt;
    }

protected:
    WriteJournal() = default;
    WriteJournal(const WriteJournal&) = default;
    WriteJournal(WriteJournal&&) = default;
    WriteJournal& operator=(const WriteJournal&) = default;
    WriteJournal& operator=(WriteJournal&&) = default;
};

}  // namespace commands
