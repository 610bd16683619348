#pragma once

#include "card/card_number.h"
#include "commands/batch.h"
#include "util/expected.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a station's session of a shared batch needs of the database the stations share, in plain
// types: commands/ never sees how the database is reached. One ledger speaks for one station.
namespace commands {

struct LedgerError {
    enum class Kind {
        Offline,      // the server cannot be reached now: the call is to be made again later
        Refused,      // the request does not fit what the database holds (the words say why)
        NumberTaken,  // the number is verified on another tag
        Failed,       // the server failed otherwise: worth trying again later
    };
    Kind kind = Kind::Failed;
    std::string words;  // UTF-8
};

template <class T>
using LedgerResult = util::Expected<T, LedgerError>;

// How many positions a station leases at a time unless told otherwise.
inline constexpr std::uint64_t kLeaseSize = 20;

// Positions [first, first + count) of a batch, for one station alone.
struct Lease {
    std::int64_t id = 0;
    std::int64_t batch = 0;
    std::string station;
    std::uint64_t first = 0;
    std::uint64_t count = 0;

    friend bool operator==(const Lease&, const Lease&) = default;
};

// One write as its station sends it; (station, seq) names it, so that sending it again is
// harmless. A ledger speaks for one station: it names the station itself.
struct Outcome {
    std::string station;
    std::int64_t seq = 0;
    std::int64_t lease = 0;
    std::uint64_t position = 0;
    card::CardNumber number;
    bool verified = false;
    std::string result;  // the words the station showed (UTF-8)

    friend bool operator==(const Outcome&, const Outcome&) = default;
};

// A number some station holds as verified, and when (ISO 8601).
struct LedgerNumber {
    card::CardNumber number;
    std::string time;
};

struct LedgerProgress {
    std::uint64_t count = 0;     // the batch's numbers
    std::uint64_t verified = 0;  // verified by any station
    std::uint64_t mine = 0;      // of them, by this station
};

class SharedLedger {
public:
    virtual ~SharedLedger() = default;

    // The batch's order; nothing when there is no such batch. Refused once it was ended.
    [[nodiscard]] virtual LedgerResult<std::optional<BatchOrder>> batch(std::int64_t id) = 0;
    // Up to `size` more positions; nothing once no position is left to lease.
    [[nodiscard]] virtual LedgerResult<std::optional<Lease>> lease(std::int64_t batch,
                                                                   std::uint64_t size) = 0;
    // This station's leases of the batch neither returned nor voided, oldest first: a lease
    // granted while its answer was lost on the way is found here.
    [[nodiscard]] virtual LedgerResult<std::vector<Lease>> heldLeases(std::int64_t batch) = 0;
    // Gives the lease's positions from `from` on back to the batch; how many went back.
    [[nodiscard]] virtual LedgerResult<std::uint64_t> returnLease(std::int64_t lease,
                                                                  std::uint64_t from) = 0;
    // Records the write; sending one already recorded is harmless.
    [[nodiscard]] virtual LedgerResult<bool> send(const Outcome& outcome) = 0;
    // The highest seq this station sent in [from, to]; nothing when none.
    [[nodiscard]] virtual LedgerResult<std::optional<std::int64_t>> lastSeq(std::int64_t from,
                                                                            std::int64_t to) = 0;
    [[nodiscard]] virtual LedgerResult<LedgerProgress> progress(std::int64_t batch) = 0;
    // Every number verified in the database, over all batches and stations.
    [[nodiscard]] virtual LedgerResult<std::vector<LedgerNumber>> verifiedNumbers() = 0;

protected:
    SharedLedger() = default;
    SharedLedger(const SharedLedger&) = default;
    SharedLedger(SharedLedger&&) = default;
    SharedLedger& operator=(const SharedLedger&) = default;
    SharedLedger& operator=(SharedLedger&&) = default;
};

// What a shared batch needs of the local journal besides its lines: its writes, to send after a
// restart what was not sent, and the write the program was killed in.
struct JournalWrite {
    card::CardNumber number;
    bool verified = false;
    std::string result;
};
class BatchHistory {
public:
    virtual ~BatchHistory() = default;
    // The writes of the newest batch named `name`, oldest first.
    [[nodiscard]] virtual std::vector<JournalWrite> batchWrites(const std::string& name) const = 0;
    // The write the program ended during, when nothing has settled it since.
    [[nodiscard]] virtual std::optional<card::CardNumber> interruptedWrite() const = 0;

protected:
    BatchHistory() = default;
    BatchHistory(const BatchHistory&) = default;
    BatchHistory(BatchHistory&&) = default;
    BatchHistory& operator=(const BatchHistory&) = default;
    BatchHistory& operator=(BatchHistory&&) = default;
};

}  // namespace commands
