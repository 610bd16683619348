// The server restarted under a connected station (pg_server.sh restart): the call that finds the
// connection gone says so, the next one connects again, and nothing committed is lost.
#include "card/number_text.h"
#include "store/shared_store.h"
#include "support/test_database.h"
#include "support/test_station.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

namespace {

using commands::Outcome;
using store::Recorded;
using Kind = store::StoreError::Kind;

template <class T>
T ok(store::StoreResult<T> result) {
    if (!result) {
        throw std::runtime_error(result.error().words);
    }
    return std::move(*result);
}

TEST(SharedStoreRestart, CommittedWritesSurviveAndTheStoreConnectsAgain) {
    testing_support::TestDatabase database;
    auto store =
        ok(store::SharedStore::connect(database.url(), testing_support::namedStation("A")));
    const std::int64_t batch =
        ok(store.createBatch({"客户甲", card::tagNumberFromValue(1000), card::Notation::WG34, 10}));
    const auto lease = *ok(store.lease(batch, "A", 10));
    const auto sent = [&](std::int64_t seq, std::uint64_t position) {
        return Outcome{"A",  seq,     lease.id, position, card::tagNumberFromValue(1000 + position),
                       true, "已写卡"};
    };
    for (std::uint64_t position = 0; position < 3; ++position) {
        ok(store.recordOutcome(sent(static_cast<std::int64_t>(position) + 1, position)));
    }

    const std::string restart =
        std::string("bash ") + ZELD_PG_SERVER_SCRIPT + " restart " + ZELD_PG_SERVER_DIR;
    // The script, as ctest runs it: one command line, no input.
    ASSERT_EQ(std::system(restart.c_str()), 0);  // NOLINT(cert-env33-c,concurrency-mt-unsafe)

    const auto lost = store.progress(batch);
    ASSERT_FALSE(lost);
    EXPECT_EQ(lost.error().kind, Kind::Offline) << lost.error().words;

    const auto progress = store.progress(batch);
    ASSERT_TRUE(progress) << progress.error().words;
    EXPECT_EQ(progress->verified, 3U);
    EXPECT_EQ(ok(store.recordOutcome(sent(3, 2))), Recorded::AlreadyRecorded);
    EXPECT_EQ(ok(store.recordOutcome(sent(4, 3))), Recorded::New);
    EXPECT_EQ(ok(store.lease(batch, "B", 5)), std::nullopt) << "the lease of 10 still holds all";
}

}  // namespace
