#include "store/store_ledger.h"

#include <functional>
#include <type_traits>
#include <utility>

namespace store {

namespace {

commands::LedgerError ledgerError(const StoreError& error) {
    using Kind = commands::LedgerError::Kind;
    switch (error.kind) {
        case StoreError::Kind::Offline:
        case StoreError::Kind::NeedsPassword:  // the password file changed: as unreachable
        // Another station came under this one's id or name while it was away: it sends nothing
        // until that one is gone, and its outcomes wait in its queue and journal.
        case StoreError::Kind::StationRefused:
            return {Kind::Offline, error.words};
        case StoreError::Kind::Refused:
        case StoreError::Kind::Schema:
            return {Kind::Refused, error.words};
        case StoreError::Kind::NumberTaken:
            return {Kind::NumberTaken, error.earlier
                                           ? error.words + "（" + error.earlier->station + " 写的）"
                                           : error.words};
        case StoreError::Kind::Failed:
            break;
    }
    return {Kind::Failed, error.words};
}

// The store's answer as the ledger gives it.
template <class T, class Convert>
auto converted(StoreResult<T> result, Convert convert)
    -> commands::LedgerResult<std::decay_t<decltype(convert(std::move(*result)))>> {
    if (!result) {
        return util::Unexpected{ledgerError(result.error())};
    }
    return convert(std::move(*result));
}

}  // namespace

commands::LedgerResult<std::optional<commands::BatchOrder>> StoreLedger::batch(std::int64_t id) {
    auto found = store_.batch(id);
    if (found && *found && (*found)->endedBy) {
        return util::Unexpected{commands::LedgerError{
            commands::LedgerError::Kind::Refused,
            "共享批次 " + std::to_string(id) + " 已由 " + *(*found)->endedBy + " 结束"}};
    }
    return converted(std::move(found), [](std::optional<SharedBatch> batch) {
        return batch ? std::optional(batch->order) : std::nullopt;
    });
}

commands::LedgerResult<std::optional<commands::Lease>> StoreLedger::lease(std::int64_t batch,
                                                                          std::uint64_t size) {
    return converted(store_.lease(batch, station_, size), std::identity{});
}

commands::LedgerResult<std::vector<commands::Lease>> StoreLedger::heldLeases(std::int64_t batch) {
    return converted(store_.heldLeases(batch, station_), std::identity{});
}

commands::LedgerResult<std::uint64_t> StoreLedger::returnLease(std::int64_t lease,
                                                               std::uint64_t from) {
    return converted(store_.returnLease(lease, from), std::identity{});
}

commands::LedgerResult<bool> StoreLedger::send(const commands::Outcome& outcome) {
    commands::Outcome mine = outcome;
    mine.station = station_;
    return converted(store_.recordOutcome(mine),
                     [](Recorded recorded) { return recorded == Recorded::New; });
}

commands::LedgerResult<std::optional<std::int64_t>> StoreLedger::lastSeq(std::int64_t from,
                                                                         std::int64_t to) {
    return converted(store_.lastSeq(station_, from, to), std::identity{});
}

commands::LedgerResult<commands::LedgerProgress> StoreLedger::progress(std::int64_t batch) {
    return converted(store_.progress(batch), [this](const Progress& progress) {
        commands::LedgerProgress heard{progress.count, progress.verified, 0};
        for (const auto& station : progress.byStation) {
            if (station.stationId == station_) {
                heard.mine = station.verified;
            }
        }
        return heard;
    });
}

commands::LedgerResult<std::vector<commands::LedgerNumber>> StoreLedger::verifiedNumbers() {
    return converted(store_.verifiedWrites(), [](std::vector<VerifiedWrite> writes) {
        std::vector<commands::LedgerNumber> numbers;
        numbers.reserve(writes.size());
        for (auto& write : writes) {
            numbers.push_back({write.number, std::move(write.time)});
        }
        return numbers;
    });
}

}  // namespace store
