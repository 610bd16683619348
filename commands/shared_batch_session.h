#pragma once

#include "commands/batch.h"
#include "commands/batch_journal.h"
#include "commands/batch_journal_view.h"
#include "commands/batch_session.h"
#include "commands/batch_writing.h"
#include "commands/shared_ledger.h"
#include "commands/write_command.h"
#include "reader/reader_source.h"
#include "util/expected.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace commands {

// Where a shared batch stands, as this station last heard and knows it.
struct SharedProgress {
    std::uint64_t count = 0;         // the batch's numbers
    std::uint64_t verifiedAll = 0;   // verified by all stations, as the server last said
    std::uint64_t verifiedHere = 0;  // verified by this station (its journal)
    std::uint64_t writable = 0;      // positions this station's leases still hold unwritten
    std::uint64_t unsent = 0;        // outcomes not yet in the database
    bool offline = false;            // the server could not be reached on the last try
};

// A write the database refused although the tag took it: it is not counted.
struct RefusedWrite {
    std::uint64_t position = 0;
    card::CardNumber number;
    std::string words;  // UTF-8
};

// This station's part of a batch numbered by several stations together through a shared
// database. Presses write the positions of the station's leases in order, as a local batch does,
// through the same write use case and the same local journal, which stays the station's
// write-ahead record; the database hears of each write afterwards. All of the network goes on a
// thread of the session's own (sending outcomes, leasing ahead, progress and the cache of verified
// numbers, connecting again), so that no press waits for it; the reader is used only on the
// caller's thread.
class SharedBatchSession final : public BatchWriting {
public:
    struct Options {
        std::uint64_t leaseSize = kLeaseSize;
        // How often the worker asks again after a failure, and refreshes progress and the cache.
        std::chrono::milliseconds retry{200};
        std::chrono::milliseconds refresh{1000};
    };

    // Joins shared batch `batch`: its order from the ledger, its first lease taken (or this
    // station's held ones adopted after a restart), what the local journal holds and the database
    // lacks queued to be sent. The reason (UTF-8) when it cannot be joined now.
    [[nodiscard]] static util::Expected<std::unique_ptr<SharedBatchSession>, std::string> join(
        std::int64_t batch, BatchJournal& journal, const BatchHistory& history,
        std::unique_ptr<SharedLedger> ledger, Options options);
    [[nodiscard]] static util::Expected<std::unique_ptr<SharedBatchSession>, std::string> join(
        std::int64_t batch, BatchJournal& journal, const BatchHistory& history,
        std::unique_ptr<SharedLedger> ledger) {
        return join(batch, journal, history, std::move(ledger), Options{});
    }
    ~SharedBatchSession() override;
    SharedBatchSession(const SharedBatchSession&) = delete;
    SharedBatchSession& operator=(const SharedBatchSession&) = delete;
    SharedBatchSession(SharedBatchSession&&) = delete;
    SharedBatchSession& operator=(SharedBatchSession&&) = delete;

    [[nodiscard]] const Batch& batch() const noexcept override { return batch_; }
    [[nodiscard]] std::int64_t id() const noexcept { return id_; }
    // The local journal's name of the batch (sharedBatchName).
    [[nodiscard]] const std::string& localName() const noexcept { return localOrder_.name; }

    // The number the next press writes; nothing when this station's leases hold none now.
    [[nodiscard]] std::optional<card::CardNumber> nextNumber() const override;
    // Writes the next position of the station's leases as BatchSession::press does. Finished when
    // the leases hold none now: done() tells whether more may come.
    [[nodiscard]] BatchPress press(reader::ReaderSource& source, const Confirm& confirm,
                                   const std::optional<TagSighting>& seen = std::nullopt) override;
    // A tag seen holding one of this station's numbers of unknown outcome is a verified write of
    // the batch here, and the database hears of it.
    [[nodiscard]] ReadOutcome read(reader::ReaderSource& source, Sound sound) override;
    // No position is left for this station: the batch has none to lease and every position of its
    // leases is verified, and every outcome is in the database.
    [[nodiscard]] bool done() const;
    [[nodiscard]] bool finished() const override { return done(); }
    // Where the batch stands over all stations and here, and offline while the server is away.
    [[nodiscard]] BatchStanding standing() const override;
    [[nodiscard]] SharedProgress progress() const;
    // While the server cannot be reached, how many tags this station's leases still allow;
    // nothing otherwise.
    [[nodiscard]] std::optional<std::uint64_t> offlineWritable() const;
    // Writes the database refused since joining.
    [[nodiscard]] std::vector<RefusedWrite> refusals() const;

    // Sends what is unsent, waiting at most `limit`, then gives the leases' unwritten rest back to
    // the batch. The reason (UTF-8) when not all of it reached the server: the journal keeps what
    // was written and the next join sends it.
    [[nodiscard]] std::optional<std::string> close(std::chrono::milliseconds limit);

private:
    SharedBatchSession(std::int64_t id, Batch batch, BatchOrder localOrder, BatchJournal& journal,
                       std::unique_ptr<SharedLedger> ledger, Options options);

    struct Held {
        Lease lease;
        std::uint64_t next = 0;  // the first position not verified here
    };
    struct Cache {
        std::unordered_map<std::uint64_t, LedgerNumber> byNumber;
        std::unordered_map<std::uint32_t, LedgerNumber> byTenDigits;
        std::unordered_map<std::uint32_t, LedgerNumber> byEightDigits;
    };
    class Writes;

    // Under mutex_.
    void adopt(const Lease& lease);
    [[nodiscard]] std::uint64_t writableLocked() const;
    // The position a lease offers next, if any.
    [[nodiscard]] std::optional<std::uint64_t> offeredIn(const Held& held) const;
    // The first lease that offers one.
    [[nodiscard]] const Held* currentLocked() const;
    [[nodiscard]] std::int64_t leaseOf(std::uint64_t position) const;
    void advance(std::uint64_t position);
    void markVerified(std::uint64_t position);
    void takeSettled(const std::vector<BatchJournalView::Settled>& settled);
    // Counts, with a line of the batch, each of its held numbers the journal knows on a tag
    // without a line of the batch; the journal's trouble, if any.
    [[nodiscard]] std::optional<JournalTrouble> takeSettledOutside(BatchJournal& journal);

    void work();
    // One round of the worker's; false when nothing could be sent for the server's absence.
    bool sendQueued();
    void leaseAhead();
    void refresh();

    std::int64_t id_;
    Batch batch_;
    BatchOrder localOrder_;
    BatchJournal* journal_;
    std::unique_ptr<SharedLedger> ledger_;  // the worker's alone once it runs
    Options options_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable sent_;
    std::vector<Held> leases_;             // by first position
    std::vector<std::uint64_t> verified_;  // positions verified here, ascending
    std::vector<std::uint64_t> passed_;    // positions of unknown outcome passed over, ascending
    std::deque<Outcome> queue_;
    std::int64_t nextSeq_ = 1;
    bool exhausted_ = false;  // the batch had nothing more to lease
    bool offline_ = false;
    bool stopping_ = false;
    bool leasing_ = true;
    std::vector<RefusedWrite> refused_;
    LedgerProgress heard_;
    std::shared_ptr<const Cache> cache_;
    std::thread worker_;
};

// The seq of the `row`-th write (1 the first) of shared batch `batch` among a station's sends.
[[nodiscard]] std::int64_t sharedSeq(std::int64_t batch, std::int64_t row) noexcept;

}  // namespace commands
