#pragma once

#include "card/card_number.h"
#include "commands/batch.h"
#include "commands/shared_ledger.h"
#include "store/database_problem.h"
#include "store/station_identity.h"
#include "store/wait_limit.h"
#include "util/expected.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Batches numbered by several stations together through one PostgreSQL database: each station
// leases a block of a batch's positions, writes them in order and sends each write's outcome.
// Every call is one short transaction. Nothing here runs unless a station is told to join a
// database; the local journal stays each station's own record.
namespace store {

// A verified write the database holds: who wrote the number, where in which batch, and when.
struct VerifiedWrite {
    std::string station;  // its name
    std::int64_t batch = 0;
    std::int64_t lease = 0;
    std::uint64_t position = 0;
    card::CardNumber number;
    std::string time;  // ISO 8601, UTC

    friend bool operator==(const VerifiedWrite&, const VerifiedWrite&) = default;
};

// Why a call did not do what was asked.
struct StoreError {
    enum class Kind {
        Offline,         // no connection now: keep writing the lease, send later; the next call
                         // connects again
        Schema,          // the database's tables are of a version this program does not know
        Refused,         // the request does not fit what the database holds (the words say why)
        NumberTaken,     // the number is verified on another tag (`earlier`)
        NeedsPassword,   // the server wants a password that libpq's password file does not hold
        Failed,          // the server failed otherwise
        StationRefused,  // this station may not join as it is (`clash` or `nameFault` says why)
    };
    StoreError() = default;
    StoreError(Kind kind_, std::string words_, std::optional<VerifiedWrite> earlier_ = std::nullopt)
        : kind(kind_), words(std::move(words_)), earlier(std::move(earlier_)) {}

    Kind kind = Kind::Failed;
    std::string words;  // UTF-8, Chinese; for StationRefused, the words layer's to make
    std::optional<VerifiedWrite> earlier;
    std::optional<StationClash> clash;
    std::optional<NameFault> nameFault;
    // When the database could not be used: what kind of trouble, and the server's or libpq's
    // own text, for details only.
    DatabaseProblem problem = DatabaseProblem::None;
    std::string details;
};

template <class T>
using StoreResult = util::Expected<T, StoreError>;

struct SharedBatch {
    std::int64_t id = 0;
    commands::BatchOrder order;
    std::optional<std::string> endedBy;  // once ended
};

enum class Recorded {
    New,
    AlreadyRecorded,  // the same (station, seq) came before, with the same write
};

struct StationProgress {
    std::string stationId;
    std::string station;  // its name
    std::uint64_t verified = 0;

    friend bool operator==(const StationProgress&, const StationProgress&) = default;
};
struct Progress {
    std::uint64_t count = 0;                 // the batch's numbers
    std::uint64_t verified = 0;              // of them written and verified, by any station
    std::vector<StationProgress> byStation;  // by station name
};

// What became of one lease's positions: issued = written + returned + voided + outstanding, the
// last 0 once the lease is returned or voided. Voided are the positions given up unwritten:
// those of a voided lease, and of a returned one those before where it was returned from.
struct LeaseAccount {
    std::int64_t lease = 0;
    std::string stationId;
    std::string station;  // its name
    std::uint64_t issued = 0;
    std::uint64_t written = 0;
    std::uint64_t returned = 0;
    std::uint64_t voided = 0;
    std::uint64_t outstanding = 0;
    std::optional<std::string> voidedBy;
    std::uint64_t firstPosition = 0;  // of the batch's numbers, 0 the first: the block's first

    friend bool operator==(const LeaseAccount&, const LeaseAccount&) = default;
};

class SharedStore {
public:
    // Connects to the database at `url` (libpq's URL or connection string; the password from
    // libpq's password file or PGPASSWORD, else `password` as the operator typed it, kept in
    // memory only, for connecting again) as `station`, and creates or brings up to date the
    // tables. A database of a newer version than this program knows is refused, and so is a
    // station whose id another live station holds or whose name another station has. Every
    // connection made holds the station's id; none waits past `limit`.
    [[nodiscard]] static StoreResult<SharedStore> connect(
        const std::string& url, const StationIdentity& station,
        const std::optional<std::string>& password = std::nullopt, SharedWaitLimit limit = nullptr);
    ~SharedStore();
    SharedStore(SharedStore&&) noexcept;
    SharedStore& operator=(SharedStore&&) noexcept;
    SharedStore(const SharedStore&) = delete;
    SharedStore& operator=(const SharedStore&) = delete;

    // What the store's waits obey: setting it ends them, here and on the worker using the store.
    [[nodiscard]] SharedWaitLimit waitLimit() const;

    // The calls below name stations by their ids; what they give back names them also by name.
    [[nodiscard]] StoreResult<std::int64_t> createBatch(const commands::BatchOrder& order);
    // Those not ended with a number left to write (one neither written nor voided), oldest first.
    [[nodiscard]] StoreResult<std::vector<SharedBatch>> openBatches();
    [[nodiscard]] StoreResult<std::optional<SharedBatch>> batch(std::int64_t id);
    [[nodiscard]] StoreResult<bool> endBatch(std::int64_t id, const std::string& by);

    // Up to `size` positions for `station`: returned ones first, then the batch's next. Nothing
    // when no position is left to lease.
    [[nodiscard]] StoreResult<std::optional<commands::Lease>> lease(
        std::int64_t batch, const std::string& station, std::uint64_t size = commands::kLeaseSize);
    // Gives the lease's positions from `fromPosition` to its end back to the batch (none when it
    // is the lease's end: the lease is done). How many went back.
    [[nodiscard]] StoreResult<std::uint64_t> returnLease(std::int64_t lease,
                                                         std::uint64_t fromPosition);
    // Gives up the lease's unwritten positions for good, in `by`'s name. How many.
    [[nodiscard]] StoreResult<std::uint64_t> voidLease(std::int64_t lease, const std::string& by);

    [[nodiscard]] StoreResult<Recorded> recordOutcome(const commands::Outcome& outcome);

    // The station's leases of the batch neither returned nor voided, oldest first.
    [[nodiscard]] StoreResult<std::vector<commands::Lease>> heldLeases(std::int64_t batch,
                                                                       const std::string& station);
    // The highest seq the station sent within [from, to]; nothing when none.
    [[nodiscard]] StoreResult<std::optional<std::int64_t>> lastSeq(const std::string& station,
                                                                   std::int64_t from,
                                                                   std::int64_t to);
    // Every verified number, of all batches, with when it was recorded.
    [[nodiscard]] StoreResult<std::vector<VerifiedWrite>> verifiedWrites();

    [[nodiscard]] StoreResult<std::optional<VerifiedWrite>> lastVerifiedWrite(
        const card::CardNumber& number);
    [[nodiscard]] StoreResult<Progress> progress(std::int64_t batch);
    [[nodiscard]] StoreResult<std::vector<LeaseAccount>> accounting(std::int64_t batch);

private:
    struct State;
    explicit SharedStore(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace store
