#pragma once

#include "commands/batch.h"
#include "commands/shared_ledger.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sim {

// The shared database as the stations' ledgers see it, in memory, keeping the constraints the
// real store keeps: a lease is one station's, an outcome belongs to its station's lease and is
// recorded once per (station, seq), and a verified number is on one tag only. The server can be
// away (restarted, paused, cut off): every call then fails as offline.
class SharedDatabase {
public:
    // How the database tells stations apart.
    enum class Stations {
        ByName,      // by 站名, sent as a C string: a name is cut at a NUL, and two stations
                     // with one name are one
        ByIdentity,  // by a station id made once per installation: a second live station with
                     // the same id is refused, as is a name another id has or one holding a
                     // control character
    };
    explicit SharedDatabase(Stations stations) : stations_(stations) {}

    [[nodiscard]] std::int64_t createBatch(const commands::BatchOrder& order);
    void setReachable(bool reachable);
    [[nodiscard]] bool reachable() const;

    // Every lease's positions, each verified, returned or voided; the words of the first that is
    // none of them (nothing when all add up). Only once no station holds a lease.
    [[nodiscard]] std::optional<std::string> leasesAddUp() const;
    // Whether the database holds a verified write, or any write, of this number.
    [[nodiscard]] bool holds(std::uint64_t number) const;
    [[nodiscard]] std::size_t outcomes() const;

private:
    friend class MemoryLedger;
    struct BatchRow {
        commands::Batch batch;
        std::uint64_t nextPosition = 0;
        std::map<std::uint64_t, std::uint64_t> returned;  // first position -> count
    };
    struct LeaseRow {
        commands::Lease lease;
        std::optional<std::uint64_t> returnedFrom;
        bool voided = false;
    };
    struct OutcomeRow {
        commands::Outcome outcome;
        bool repeated = false;
    };

    using Result = commands::LedgerError;
    // The station's key as the database records it.
    [[nodiscard]] std::string key(const std::string& name, const std::string& identity) const;
    // Takes a station's connection; the refusal when it may not connect.
    [[nodiscard]] std::optional<std::string> connect(const std::string& name,
                                                     const std::string& identity);
    void disconnect(const std::string& name, const std::string& identity);

    Stations stations_;
    mutable std::mutex mutex_;
    bool reachable_ = true;
    std::vector<BatchRow> batches_;
    std::vector<LeaseRow> leases_;
    std::map<std::pair<std::string, std::int64_t>, OutcomeRow> outcomes_;
    std::unordered_map<std::uint64_t, std::pair<std::int64_t, std::uint64_t>> verified_;
    std::set<std::uint64_t> written_;
    std::multiset<std::string> liveNames_;
    std::multiset<std::string> liveIdentities_;
    std::map<std::string, std::string> namedBy_;  // a station's name -> its identity
    std::uint64_t clock_ = 0;
};

// One station's ledger over the database: its connection lives as long as it does (a killed
// station's goes with it).
class MemoryLedger final : public commands::SharedLedger {
public:
    MemoryLedger(SharedDatabase& database, std::string name, std::string identity);
    ~MemoryLedger() override;
    MemoryLedger(const MemoryLedger&) = delete;
    MemoryLedger& operator=(const MemoryLedger&) = delete;
    MemoryLedger(MemoryLedger&&) = delete;
    MemoryLedger& operator=(MemoryLedger&&) = delete;

    // Why the station may not use the database; nothing when it may.
    [[nodiscard]] const std::optional<std::string>& refused() const noexcept { return refused_; }

    commands::LedgerResult<std::optional<commands::BatchOrder>> batch(std::int64_t id) override;
    commands::LedgerResult<std::optional<commands::Lease>> lease(std::int64_t batch,
                                                                 std::uint64_t size) override;
    commands::LedgerResult<std::vector<commands::Lease>> heldLeases(std::int64_t batch) override;
    commands::LedgerResult<std::uint64_t> returnLease(std::int64_t lease,
                                                      std::uint64_t from) override;
    commands::LedgerResult<bool> send(const commands::Outcome& outcome) override;
    commands::LedgerResult<std::optional<std::int64_t>> lastSeq(std::int64_t from,
                                                                std::int64_t to) override;
    commands::LedgerResult<commands::LedgerProgress> progress(std::int64_t batch) override;
    commands::LedgerResult<std::vector<commands::LedgerNumber>> verifiedNumbers() override;

private:
    // Nothing when the call may go on; the error otherwise. Under the database's mutex.
    [[nodiscard]] std::optional<commands::LedgerError> barred() const;

    SharedDatabase& db_;
    std::string name_;
    std::string identity_;
    std::string key_;
    std::optional<std::string> refused_;
};

}  // namespace sim
