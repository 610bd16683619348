#include "commands/batch_session.h"

#include "commands/batch_journal_view.h"
#include "commands/shared_batch_name.h"

#include <algorithm>
#include <utility>

namespace commands {

util::Expected<BatchSession, std::string> BatchSession::start(const Batch& batch,
                                                              BatchJournal& journal) {
    // Each line of the journal names the batch, and a line break would split the line in two.
    const std::string& name = batch.order().name;
    if (name.empty() || name.find_first_of("\r\n") != std::string::npos) {
        return util::Unexpected{std::string("批次的名称不能为空，也不能分行")};
    }
    // Batches left open wait to be continued beside a new one; but a batch begun anew under the
    // name of one left open would hide that one's lines for good.
    if (const auto same = journal.batchToCheck(name);
        same && !same->batch.ended && same->batch.verifiedCount() < same->batch.order.count) {
        return util::Unexpected{"批次 " + name + " 还没有写完：先继续它，或提前结束它"};
    }
    if (auto trouble = journal.openBatch(batch.order())) {
        return util::Unexpected{std::move(trouble->systemReason)};
    }
    return BatchSession(batch, journal, BatchRecord{batch.order(), {}, false});
}

std::optional<BatchSession> BatchSession::resume(BatchJournal& journal) {
    auto record = journal.unfinishedBatch();
    if (!record || isSharedBatchName(record->order.name)) {
        return std::nullopt;
    }
    return fromRecord(std::move(*record), journal);
}

std::optional<BatchSession> BatchSession::reopen(BatchJournal& journal, const std::string& name) {
    auto held = journal.batchToCheck(name);
    if (!held) {
        return std::nullopt;
    }
    return fromRecord(std::move(held->batch), journal);
}

std::optional<BatchSession> BatchSession::fromRecord(BatchRecord record, BatchJournal& journal) {
    auto batch = Batch::create(record.order);
    if (!batch) {
        return std::nullopt;  // the journal reads only batches that can be made
    }
    BatchSession session(std::move(*batch), journal, std::move(record));
    if (!session.ended() && session.done()) {
        // Its last tag was verified and the program ended before the batch's end was recorded.
        session.record_.ended =
            !journal.endBatch(session.batch_.order(), session.batch_.count(), 0);
    }
    return session;
}

std::uint64_t BatchSession::nextPosition() const noexcept {
    if (next_ < batch_.count()) {
        return next_;
    }
    const auto& verified = record_.verified;
    for (const std::uint64_t position : passed_) {
        if (!std::binary_search(verified.begin(), verified.end(), position)) {
            return position;
        }
    }
    return batch_.count();
}

std::optional<card::CardNumber> BatchSession::nextNumber() const {
    if (ended() || done()) {
        return std::nullopt;
    }
    return batch_.number(nextPosition());
}

void BatchSession::moveOn() {
    const auto& verified = record_.verified;
    while (next_ < batch_.count() && (std::binary_search(verified.begin(), verified.end(), next_) ||
                                      std::binary_search(passed_.begin(), passed_.end(), next_))) {
        ++next_;
    }
}

BatchPress BatchSession::press(reader::ReaderSource& source, const Confirm& confirm,
                               const std::optional<TagSighting>& seen) {
    BatchPress press;
    if (ended() || done()) {
        return press;
    }
    const std::uint64_t position = nextPosition();
    BatchJournalView writes(*journal_, batch_.order().name, batch_);
    press.write = writeTag(batch_.request(position), source, writes, confirm, seen);
    press.result =
        declinedForView(*press.write) ? BatchPress::Result::Declined : BatchPress::Result::Wrote;
    // The tag read before the write may have held another of its numbers of unknown outcome.
    for (const auto& settled : writes.settledHere) {
        if (auto trouble = count(settled.position)) {
            press.journalError = std::move(trouble);
        }
    }
    if (press.write->result == WriteOutcome::Result::Swapped) {
        // The tag taken away may hold the number: the next tag gets the next number, and this
        // one waits for that tag, put back and read, or for the operator's answer at the end.
        const auto at = std::lower_bound(passed_.begin(), passed_.end(), position);
        if (at == passed_.end() || *at != position) {
            passed_.insert(at, position);
        }
        moveOn();
        return press;
    }
    if (!press.write->verified()) {
        return press;  // the same number again next time
    }
    if (auto trouble = count(position)) {
        press.journalError = std::move(trouble);
    }
    return press;
}

ReadOutcome BatchSession::read(reader::ReaderSource& source, Sound sound) {
    BatchJournalView writes(*journal_, batch_.order().name, batch_);
    ReadOutcome outcome =
        sound == Sound::Beep ? readTag(source, writes) : readTagQuietly(source, writes);
    for (const auto& settled : writes.settledHere) {
        if (auto trouble = count(settled.position); trouble && !outcome.journalError) {
            outcome.journalError = std::move(trouble);
        }
    }
    return outcome;
}

std::optional<JournalTrouble> BatchSession::count(std::uint64_t position) {
    auto& verified = record_.verified;
    const auto at = std::lower_bound(verified.begin(), verified.end(), position);
    if (ended() || (at != verified.end() && *at == position)) {
        return std::nullopt;
    }
    verified.insert(at, position);
    moveOn();
    if (!done()) {
        return std::nullopt;
    }
    record_.ended = true;
    return journal_->endBatch(batch_.order(), batch_.count(), 0);
}

std::optional<JournalTrouble> BatchSession::endEarly() {
    if (ended()) {
        return std::nullopt;
    }
    const std::uint64_t next = nextPosition();
    auto trouble = journal_->endBatch(batch_.order(), next, batch_.count() - verified());
    if (!trouble) {
        record_.ended = true;
    }
    return trouble;
}

BatchStanding BatchSession::standing() const {
    BatchStanding now;
    now.verified = verified();
    now.next = nextNumber();
    now.ended = ended();
    return now;
}

}  // namespace commands
