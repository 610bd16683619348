#pragma once

#include "card/card_number.h"
#include "commands/batch_journal.h"
#include "commands/batch_writing.h"
#include "commands/journal_trouble.h"
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "reader/reader_source.h"

#include <chrono>
#include <optional>
#include <string>

// Hands-free writing in a batch (自动写卡): the reader is read at a steady pace; a blank tag put
// on it gets the batch's next number as a press would give it, any other tag is left as it is.
namespace commands {

// The pause between reads while watching for a tag or for one to leave. A read listens for two
// EM4100 frames (64 bits of 64 carrier cycles at 125 kHz: 32.8 ms each) and hears a tag that
// arrives meanwhile one frame and a phase after it came; one laid in the pause waits for the next
// read's two frames instead. The pause is the window's moment between reads to handle what the
// operator does (a key or a click stops hands-free writing), a few ms; at 3 ms the reader
// listens 95 % of the time and a tag is seen at most about 70 ms after it arrives.
inline constexpr std::chrono::milliseconds kHandsFreeInterval{3};
// Failed writes in a row that stop hands-free writing: tags that fail one after another point to
// the reader or the batch's chip, not to one bad tag.
inline constexpr int kFailuresToStop = 3;
// Reads in a row without a tag that count as the tag having left: one can miss a tag still there.
inline constexpr int kEmptyReadsToLeave = 2;

// Why hands-free writing stopped for good.
struct HandsFreeStop {
    enum class Why {
        ReadFailed,      // a read could not use the reader (`read`)
        WriteFailed,     // a write could not use the reader (`write`)
        FailuresInARow,  // kFailuresToStop writes failed in a row (`write`, the last of them)
        Question,        // the write would ask `question`, which hands-free answers no
        NoNumber,        // a shared batch's station holds no number until the server is back
        NotRecorded,     // a verified write's line could not be recorded (`write`): the next
                         // would be lost alike
    };
    Why why = Why::ReadFailed;
    std::optional<ReadOutcome> read;
    std::optional<WriteOutcome> write;
    std::optional<WriteQuestion> question;
    reader::ReaderInUse inUse;  // the reader library as the failed call found it
};

// What one tick did, for the window to show and sound.
struct HandsFreeStep {
    enum class Kind {
        NoTag,            // read: nothing at the reader
        Blank,            // read: a blank tag; the next tick writes it (tick again at once)
        Wrote,            // the batch's press ran and the tag holds its number (`write`)
        Failed,           // the press ran and the tag does not hold its number (`write`)
        Skipped,          // read: not a blank tag; not written (`number` if it sends one, and
                          // `writtenAt` when the journal holds that number as written)
        WaitingForLeave,  // read: the last tag is still there
        Stopped,  // stopped, and stays so (`stop`; `write` when a write's failure stopped it):
                  // nothing more is read or written
        Done,     // the batch has all its numbers (or was ended): nothing more is done
    };
    Kind kind = Kind::NoTag;
    std::optional<WriteOutcome> write;       // Wrote, Failed
    std::optional<card::CardNumber> number;  // Skipped: what the tag sends
    std::optional<std::string> writtenAt;    // Skipped: the journal's time of its verified write
    std::optional<HandsFreeStop> stop;       // Stopped
    // How long the caller waits, from this tick's return, before the next tick.
    std::chrono::milliseconds nextTickIn = kHandsFreeInterval;
    // Why the batch's end, or the settling of a write a read found on the tag, is not in the
    // journal.
    std::optional<JournalTrouble> journalError;
};

// The state machine of hands-free writing. It owns no timer and no window: whoever owns the
// timer calls tick() again after the pause each step asks for (nextTickIn). Each tick makes at most
// one read of the reader (quiet: the reader beeps only for a written tag) or one press of the
// batch. Every question the write would ask is answered no: hands-free never writes over a number.
class HandsFreeWriter {
public:
    HandsFreeWriter(BatchWriting& session, BatchJournal& journal, reader::ReaderSource& source)
        : session_(session), journal_(journal), source_(source) {}

    // Reads the tag on the reader now and takes what it sends as this bag's blank: its number,
    // or no number (a tag that sends none, or no tag at all). Nothing is taught, and the failed
    // read returned, when the reader cannot be used. Only a library known to tell a tag
    // sending nothing from an empty field (the emulated one) lets blanks that send nothing be
    // seen at all: with any other, blanks must be taught by their number.
    [[nodiscard]] std::optional<ReadOutcome> teachBlank();
    // The number a blank sends; nothing for blanks that send none.
    [[nodiscard]] const std::optional<card::CardNumber>& blankNumber() const noexcept {
        return blank_;
    }

    [[nodiscard]] HandsFreeStep tick();
    // Neither stopped nor done: ticks still read and write.
    [[nodiscard]] bool running() const noexcept {
        return phase_ != Phase::Stopped && phase_ != Phase::Done;
    }

private:
    enum class Phase { Watching, Writing, WaitingForLeave, Stopped, Done };

    HandsFreeStep watch();
    HandsFreeStep write();
    HandsFreeStep waitForLeave();
    HandsFreeStep stop(HandsFreeStop why);

    BatchWriting& session_;
    BatchJournal& journal_;
    reader::ReaderSource& source_;
    std::optional<card::CardNumber> blank_;
    Phase phase_ = Phase::Watching;
    int failures_ = 0;    // failed writes in a row
    int emptyReads_ = 0;  // reads in a row without a tag, while waiting for one to leave
    std::optional<HandsFreeStop> stopped_;
    std::optional<TagSighting> blankSeen_;  // the read that saw the blank the next tick writes
};

}  // namespace commands
