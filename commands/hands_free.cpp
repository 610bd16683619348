#include "commands/hands_free.h"

#include "commands/read_command.h"

#include <chrono>
#include <utility>

namespace commands {

namespace {

using Kind = HandsFreeStep::Kind;

HandsFreeStep step(Kind kind) {
    HandsFreeStep result;
    result.kind = kind;
    return result;
}

// A step after a read that saw a tag, which may have settled a write the journal held open.
HandsFreeStep afterRead(Kind kind, const ReadOutcome& read) {
    HandsFreeStep seen = step(kind);
    seen.journalError = read.journalError;
    return seen;
}

// A tag is at the reader: it sent a number, or the library says a tag is there sending none.
bool tagSeen(const ReadOutcome& read, const reader::ReaderInUse& inUse) {
    return read.result == ReadOutcome::Result::Read ||
           (read.result == ReadOutcome::Result::NoTag && tagAtTheReader(read.status, inUse));
}

bool readerLost(const ReadOutcome& read) {
    return read.result == ReadOutcome::Result::ReaderUnavailable ||
           read.result == ReadOutcome::Result::ReaderFault;
}

}  // namespace

std::optional<ReadOutcome> HandsFreeWriter::teachBlank() {
    const ReadOutcome read = session_.read(source_, BatchWriting::Sound::Quiet);
    if (readerLost(read)) {
        return read;
    }
    // No tag at the reader teaches the default: a blank sends nothing.
    blank_ = read.result == ReadOutcome::Result::Read ? std::optional(read.tag) : std::nullopt;
    return std::nullopt;
}

HandsFreeStep HandsFreeWriter::tick() {
    if (phase_ != Phase::Stopped && phase_ != Phase::Done && session_.finished()) {
        phase_ = Phase::Done;
    }
    switch (phase_) {
        case Phase::Watching:
            return watch();
        case Phase::Writing:
            return write();
        case Phase::WaitingForLeave:
            return waitForLeave();
        case Phase::Stopped: {
            HandsFreeStep stopped = step(Kind::Stopped);
            stopped.stop = stopped_;
            return stopped;
        }
        case Phase::Done:
            break;
    }
    return step(Kind::Done);
}

HandsFreeStep HandsFreeWriter::watch() {
    const ReadOutcome read = session_.read(source_, BatchWriting::Sound::Quiet);
    const reader::ReaderInUse inUse = source_.readerInUse();
    if (readerLost(read)) {
        return stop({HandsFreeStop::Why::ReadFailed, read, std::nullopt, std::nullopt, inUse});
    }
    if (!tagSeen(read, inUse)) {
        return step(Kind::NoTag);
    }
    const std::optional<card::CardNumber> sent =
        read.result == ReadOutcome::Result::Read ? std::optional(read.tag) : std::nullopt;
    // A number this program wrote is never a blank, even one that looks like the bag's.
    const std::optional<std::string> writtenAt =
        sent ? journal_.lastVerifiedWrite(*sent) : std::nullopt;
    if (sent == blank_ && !writtenAt) {
        phase_ = Phase::Writing;
        blankSeen_ = TagSighting{read.status, sent, std::chrono::steady_clock::now()};
        HandsFreeStep blank = afterRead(Kind::Blank, read);
        blank.nextTickIn = std::chrono::milliseconds{0};
        return blank;
    }
    phase_ = Phase::WaitingForLeave;
    emptyReads_ = 0;
    HandsFreeStep skipped = afterRead(Kind::Skipped, read);
    skipped.number = sent;
    skipped.writtenAt = writtenAt;
    return skipped;
}

HandsFreeStep HandsFreeWriter::write() {
    std::optional<WriteQuestion> asked;
    const Confirm sayNo = [&asked](const WriteQuestion& question) {
        asked = question;
        return false;
    };
    // Written at once after the read that saw the blank (nextTickIn 0), the tag is the one seen.
    BatchPress press = session_.press(source_, sayNo, std::exchange(blankSeen_, std::nullopt));
    if (press.result == BatchPress::Result::Finished) {
        if (session_.finished()) {
            phase_ = Phase::Done;
            return step(Kind::Done);
        }
        // A shared batch's station whose leases are used up while the server is away.
        return stop({HandsFreeStop::Why::NoNumber, std::nullopt, std::nullopt, std::nullopt,
                     source_.readerInUse()});
    }
    // Whatever the write did, the tag on the reader has had its turn.
    phase_ = Phase::WaitingForLeave;
    emptyReads_ = 0;
    if (asked) {
        // The same question would come again for every tag: the operator must decide at the
        // window, in a press of their own.
        return stop({HandsFreeStop::Why::Question, std::nullopt, std::nullopt, asked,
                     source_.readerInUse()});
    }
    const reader::ReaderInUse inUse = source_.readerInUse();
    if (press.write->result == WriteOutcome::Result::ReaderUnavailable ||
        press.write->result == WriteOutcome::Result::NotStarted) {
        return stop(
            {HandsFreeStop::Why::WriteFailed, std::nullopt, press.write, std::nullopt, inUse});
    }
    if (press.write->verified() && press.write->journalError) {
        // Counted and never offered again while the program runs, but no journal holds it.
        return stop(
            {HandsFreeStop::Why::NotRecorded, std::nullopt, press.write, std::nullopt, inUse});
    }
    HandsFreeStep wrote = step(press.write->verified() ? Kind::Wrote : Kind::Failed);
    if (press.write->verified()) {
        failures_ = 0;
        if (session_.finished()) {
            phase_ = Phase::Done;
        }
    } else if (++failures_ >= kFailuresToStop) {
        wrote = stop(
            {HandsFreeStop::Why::FailuresInARow, std::nullopt, press.write, std::nullopt, inUse});
    }
    wrote.journalError = press.journalError;
    wrote.write = std::move(press.write);
    return wrote;
}

HandsFreeStep HandsFreeWriter::waitForLeave() {
    const ReadOutcome read = session_.read(source_, BatchWriting::Sound::Quiet);
    const reader::ReaderInUse inUse = source_.readerInUse();
    if (readerLost(read)) {
        return stop({HandsFreeStop::Why::ReadFailed, read, std::nullopt, std::nullopt, inUse});
    }
    if (tagSeen(read, inUse)) {
        emptyReads_ = 0;
        return afterRead(Kind::WaitingForLeave, read);
    }
    if (++emptyReads_ < kEmptyReadsToLeave) {
        return step(Kind::WaitingForLeave);
    }
    phase_ = Phase::Watching;
    return step(Kind::NoTag);
}

HandsFreeStep HandsFreeWriter::stop(HandsFreeStop why) {
    phase_ = Phase::Stopped;
    stopped_ = std::move(why);
    HandsFreeStep stopped = step(Kind::Stopped);
    stopped.stop = stopped_;
    return stopped;
}

}  // namespace commands
