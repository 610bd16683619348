// A station's side of a batch shared through the tests' own PostgreSQL server: what the fault run
// of three stations (shared_fault_run.sh) cannot tell — which positions a station gets after
// another gave its rest back, a collision with another station's number asked about before the
// write, and a write the program was killed in sent as such.
#include "card/number_text.h"
#include "commands/shared_batch_name.h"
#include "commands/shared_batch_session.h"
#include "journal/journal.h"
#include "journal/journal_history.h"
#include "reader/reader_source.h"
#include "store/shared_store.h"
#include "store/store_ledger.h"
#include "support/emulator_control.h"
#include "support/scratch_folder.h"
#include "support/test_database.h"
#include "support/test_station.h"
#include "words/shared_text.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using card::CardNumber;
using commands::BatchPress;
using commands::SharedBatchSession;

template <class T>
T ok(store::StoreResult<T> result) {
    if (!result) {
        throw std::runtime_error(result.error().words);
    }
    return std::move(*result);
}

CardNumber numberOf(std::uint64_t value) {
    return card::tagNumberFromValue(value);
}

commands::BatchOrder order(std::uint64_t count, std::uint64_t first = 1000) {
    return {"客户甲", numberOf(first), card::Notation::WG34, count};
}

class SharedBatchSessionTest : public ::testing::Test {
protected:
    struct Station {
        std::string name;
        testing_support::ScratchFolder& scratch;
        std::filesystem::path file = scratch.path() / (name + ".csv");
        std::unique_ptr<journal::Journal> journal = std::make_unique<journal::Journal>(file);
        std::unique_ptr<journal::JournalHistory> history =
            std::make_unique<journal::JournalHistory>(*journal);
    };

    std::unique_ptr<SharedBatchSession> join(
        Station& station, std::int64_t batch, std::uint64_t leaseSize = 10,
        std::chrono::milliseconds refresh = std::chrono::milliseconds(1000)) {
        auto ledger = std::make_unique<store::StoreLedger>(
            ok(store::SharedStore::connect(database.url(),
                                           testing_support::namedStation(station.name))),
            station.name);
        SharedBatchSession::Options options;
        options.leaseSize = leaseSize;
        options.refresh = refresh;
        auto session = SharedBatchSession::join(batch, *station.journal, *station.history,
                                                std::move(ledger), options);
        if (!session) {
            throw std::runtime_error(session.error());
        }
        return std::move(*session);
    }
    BatchPress pressOnBlank(SharedBatchSession& session, const commands::Confirm& confirm) {
        field.placeEmptyTag(emulator::TagKind::T5577);
        return session.press(source, confirm);
    }

    testing_support::TestDatabase database;
    store::SharedStore store =
        ok(store::SharedStore::connect(database.url(), testing_support::namedStation("管理")));
    testing_support::ScratchFolder scratch;
    testing_support::EmulatorControl field;
    reader::LazyReaderLibrary source;
};

bool sayYes(const commands::WriteQuestion& /*unused*/) {
    return true;
}

TEST_F(SharedBatchSessionTest, ARestGivenBackIsTheNextStationsFirstAndTheAccountsAgree) {
    const std::int64_t batch = ok(store.createBatch(order(30)));
    Station a{"A", scratch};
    auto first = join(a, batch);
    for (int press = 0; press < 3; ++press) {
        const auto pressed = pressOnBlank(*first, sayYes);
        ASSERT_TRUE(pressed.write && pressed.write->verified());
    }
    EXPECT_EQ(first->close(std::chrono::seconds(10)), std::nullopt);

    const auto accounts = ok(store.accounting(batch));
    ASSERT_EQ(accounts.size(), 1U);
    EXPECT_EQ(accounts[0].written, 3U);
    EXPECT_EQ(accounts[0].returned, 7U);
    EXPECT_EQ(accounts[0].outstanding, 0U);

    Station b{"B", scratch};
    auto second = join(b, batch);
    EXPECT_EQ(second->nextNumber(), numberOf(1003));
    EXPECT_EQ(second->progress().verifiedAll, 3U);
}

TEST_F(SharedBatchSessionTest, AnotherStationsNumberOfTheSameViewIsAskedAboutBeforeTheWrite) {
    // Another batch's verified number that reads as this batch's first in the eight-digit view.
    const std::uint64_t other = 1000 + (std::uint64_t{1} << 24U);
    const std::int64_t earlier = ok(store.createBatch(order(1, other)));
    const auto lease = ok(store.lease(earlier, "X"));
    ASSERT_TRUE(lease);
    ASSERT_TRUE(store.recordOutcome({"X", 1, lease->id, 0, numberOf(other), true, "已写卡"}));

    const std::int64_t batch = ok(store.createBatch(order(5)));
    Station a{"A", scratch};
    auto session = join(a, batch);
    std::optional<commands::WriteQuestion> asked;
    const auto pressed = pressOnBlank(*session, [&asked](const commands::WriteQuestion& question) {
        asked = question;
        return false;
    });
    EXPECT_EQ(pressed.result, BatchPress::Result::Declined);
    EXPECT_TRUE(asked);
    EXPECT_EQ(session->nextNumber(), numberOf(1000));
}

TEST_F(SharedBatchSessionTest, AWriteTheProgramWasKilledInIsSentAsUnknownAndWrittenAgain) {
    const std::int64_t batch = ok(store.createBatch(order(5)));
    Station a{"A", scratch};
    {
        auto session = join(a, batch);
        commands::JournalEntry cut;
        cut.number = numberOf(1000);
        ASSERT_EQ(a.journal->beginWrite(cut), std::nullopt);
        // Killed here: neither the write's line nor its outcome.
    }
    a.history.reset();
    a.journal = std::make_unique<journal::Journal>(a.file);
    a.history = std::make_unique<journal::JournalHistory>(*a.journal);
    auto session = join(a, batch);
    EXPECT_EQ(session->nextNumber(), numberOf(1000));
    const auto pressed = pressOnBlank(*session, sayYes);
    ASSERT_TRUE(pressed.write && pressed.write->verified());
    EXPECT_EQ(session->close(std::chrono::seconds(10)), std::nullopt);

    const auto rows = database.run("SELECT verified, result FROM outcomes ORDER BY seq");
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0][0], "f");
    EXPECT_TRUE(rows[0][1]->starts_with(commands::kUnsettledResult)) << *rows[0][1];
    EXPECT_EQ(rows[1][0], "t");
}

TEST_F(SharedBatchSessionTest, AWriteTheProgramWasKilledInThatAReadFindsOnItsTagCountsEverywhere) {
    const std::int64_t batch = ok(store.createBatch(order(5)));
    Station a{"A", scratch};
    {
        auto session = join(a, batch);
        commands::JournalEntry cut;
        cut.number = numberOf(1000);
        ASSERT_EQ(a.journal->beginWrite(cut), std::nullopt);
    }
    const auto restart = [&a] {
        a.history.reset();
        a.journal = std::make_unique<journal::Journal>(a.file);
        a.history = std::make_unique<journal::JournalHistory>(*a.journal);
    };
    restart();
    {
        auto session = join(a, batch);
        // The tag put back on the reader, and read.
        field.placeTag(numberOf(1000));
        const auto read = session->read(source, commands::BatchWriting::Sound::Beep);
        EXPECT_TRUE(read.settledWrite);
        EXPECT_EQ(session->nextNumber(), numberOf(1001));
        EXPECT_EQ(session->close(std::chrono::seconds(10)), std::nullopt);
    }
    const auto rows = database.run("SELECT verified, result FROM outcomes ORDER BY seq");
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0][0], "f");
    EXPECT_EQ(rows[1][0], "t");
    // Its journal's row counts after a restart too, and nothing is sent twice.
    restart();
    auto session = join(a, batch);
    EXPECT_EQ(session->nextNumber(), numberOf(1001));
    EXPECT_EQ(session->close(std::chrono::seconds(10)), std::nullopt);
    EXPECT_EQ(database.run("SELECT seq FROM outcomes").size(), 2U);
}

TEST_F(SharedBatchSessionTest, AJoinedBatchIsNoLocalBatchToResumeNorInTheWayOfOne) {
    const std::int64_t batch = ok(store.createBatch(order(5)));
    Station a{"A", scratch};
    auto session = join(a, batch);
    EXPECT_FALSE(commands::BatchSession::resume(*a.journal));
    const auto local = commands::Batch::create(order(3, 5000));
    ASSERT_TRUE(local);
    EXPECT_TRUE(commands::BatchSession::start(*local, *a.journal));
}

TEST_F(SharedBatchSessionTest, AStationThatGivesNumbersBackHasNotEndedTheBatch) {
    // Two numbers, both leased at the join: the lease ahead finds the batch has no more.
    const std::int64_t batch = ok(store.createBatch(order(2)));
    Station a{"A", scratch};
    auto session = join(a, batch);
    const auto pressed = pressOnBlank(*session, sayYes);
    ASSERT_TRUE(pressed.write && pressed.write->verified());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (session->progress().unsent > 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::string name = session->localName();
    EXPECT_EQ(session->close(std::chrono::seconds(10)), std::nullopt);

    EXPECT_EQ(ok(store.accounting(batch))[0].returned, 1U);
    const auto log = a.journal->batchLog(name);
    ASSERT_TRUE(log.newest);
    EXPECT_FALSE(log.newest->ended);
}

TEST_F(SharedBatchSessionTest, ALeaseVoidedByAnOperatorIsWrittenNoMore) {
    const std::int64_t batch = ok(store.createBatch(order(20)));
    Station a{"A", scratch};
    auto session = join(a, batch, 5, std::chrono::milliseconds(20));
    ASSERT_EQ(session->nextNumber(), numberOf(1000));
    const auto accounts = ok(store.accounting(batch));
    ASSERT_EQ(accounts.size(), 1U);
    ASSERT_EQ(ok(store.voidLease(accounts[0].lease, "王工")), 5U);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    // Between the two leases there is none: no number at all.
    while ((!session->nextNumber() || session->nextNumber() == numberOf(1000)) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The next lease's first, never one of the voided lease's.
    EXPECT_EQ(session->nextNumber(), numberOf(1005));
}

struct NameCase {
    std::string name;
    bool shared;
};

TEST(SharedText, SharedBatchesAreToldApartByTheirLocalName) {
    EXPECT_EQ(words::offlineWords(7), "离线：本站还可写 7 张");
    EXPECT_NE(commands::sharedBatchName("客户甲", 1), commands::sharedBatchName("客户甲", 2));
    const std::vector<NameCase> cases{
        {commands::sharedBatchName("客户甲", 12), true},
        {commands::sharedBatchName("", 3), true},
        {"客户甲", false},
        {"客户甲（共享批次 ）", false},
        {"客户甲（共享批次 1x）", false},
        {"客户甲（共享批次 12", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(commands::isSharedBatchName(c.name), c.shared) << c.name;
    }
}

}  // namespace
