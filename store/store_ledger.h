#pragma once

#include "commands/shared_ledger.h"
#include "store/shared_store.h"

#include <string>

namespace store {

// The shared database as one station's session of a shared batch asks it; `station` is the
// station's id.
class StoreLedger final : public commands::SharedLedger {
public:
    StoreLedger(SharedStore store, std::string station)
        : store_(std::move(store)), station_(std::move(station)) {}

    [[nodiscard]] commands::LedgerResult<std::optional<commands::BatchOrder>> batch(
        std::int64_t id) override;
    [[nodiscard]] commands::LedgerResult<std::optional<commands::Lease>> lease(
        std::int64_t batch, std::uint64_t size) override;
    [[nodiscard]] commands::LedgerResult<std::vector<commands::Lease>> heldLeases(
        std::int64_t batch) override;
    [[nodiscard]] commands::LedgerResult<std::uint64_t> returnLease(std::int64_t lease,
                                                                    std::uint64_t from) override;
    [[nodiscard]] commands::LedgerResult<bool> send(const commands::Outcome& outcome) override;
    [[nodiscard]] commands::LedgerResult<std::optional<std::int64_t>> lastSeq(
        std::int64_t from, std::int64_t to) override;
    [[nodiscard]] commands::LedgerResult<commands::LedgerProgress> progress(
        std::int64_t batch) override;
    [[nodiscard]] commands::LedgerResult<std::vector<commands::LedgerNumber>> verifiedNumbers()
        override;

private:
    SharedStore store_;
    std::string station_;
};

}  // namespace store
