// Batches numbered by several stations through one PostgreSQL database, against the tests' own
// server (support/pg_server.sh): leases, outcomes, the verified number's constraint, the schema's
// versions and the accounting of every lease.
#include "card/number_text.h"
#include "store/shared_schema.h"
#include "store/shared_store.h"
#include "support/silent_listener.h"
#include "support/test_database.h"
#include "support/test_station.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <barrier>
#include <functional>
#include <optional>
#include <random>
#include <regex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using commands::Lease;
using commands::Outcome;
using store::LeaseAccount;
using store::Recorded;
using store::SharedStore;
using store::StoreResult;
using Kind = store::StoreError::Kind;
using store::DatabaseProblem;
using store::NameFault;
using store::StationClash;
using store::StationIdentity;

// The value, or the test stops with the store's words.
template <class T>
T ok(StoreResult<T> result) {
    if (!result) {
        throw std::runtime_error(result.error().words);
    }
    return std::move(*result);
}

commands::BatchOrder order(std::uint64_t count, std::uint32_t first = 1000) {
    return {"客户甲", card::tagNumberFromValue(first), card::Notation::WG34, count};
}

class SharedStoreTest : public ::testing::Test {
protected:
    SharedStore store(const std::string& station) {
        return ok(SharedStore::connect(database.url(), testing_support::namedStation(station)));
    }
    // A write of the batch's position as `station` sends it; the batch starts at 1000.
    static Outcome write(const std::string& station, std::int64_t seq, const Lease& lease,
                         std::uint64_t position, bool verified = true) {
        return {station,
                seq,
                lease.id,
                position,
                card::tagNumberFromValue(1000 + position),
                verified,
                verified ? "已写卡" : "写卡失败"};
    }

    testing_support::TestDatabase database;
};

struct SchemaCase {
    const char* what;
    std::vector<std::string> before;  // statements run in the empty database first
    bool refused;
    DatabaseProblem problem = DatabaseProblem::None;
};

TEST_F(SharedStoreTest, SchemaIsCreatedInAnEmptyDatabaseAndANewerOneIsRefused) {
    const std::string newer = std::to_string(store::sharedSchemaVersion() + 1);
    const std::vector<SchemaCase> cases{
        {"an empty database gets every table", {}, false},
        {"a newer version is refused",
         {"CREATE TABLE zeld_schema (version integer NOT NULL)",
          "INSERT INTO zeld_schema (version) VALUES (" + newer + ")"},
         true,
         DatabaseProblem::NewerSchema},
        {"a version table without its row is refused",
         {"CREATE TABLE zeld_schema (version integer NOT NULL)"},
         true,
         DatabaseProblem::NotOurs},
        {"another program's version table",
         {"CREATE TABLE zeld_schema (release text NOT NULL)",
          "INSERT INTO zeld_schema (release) VALUES ('2.1')"},
         true,
         DatabaseProblem::NotOurs},
        {"a version that is not a number",
         {"CREATE TABLE zeld_schema (version text NOT NULL)",
          "INSERT INTO zeld_schema (version) VALUES ('abc')"},
         true,
         DatabaseProblem::NotOurs},
        {"another program's table of our name",
         {"CREATE TABLE batches (id integer)"},
         true,
         DatabaseProblem::NotOurs},
        {"a database this user may only read",
         {"ALTER DATABASE current_database_name SET default_transaction_read_only = on"},
         true,
         DatabaseProblem::NoRights},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testing_support::TestDatabase fresh;
        for (const auto& statement : c.before) {
            fresh.run(
                std::regex_replace(statement, std::regex("current_database_name"), fresh.name()));
        }
        const auto first = SharedStore::connect(fresh.url(), testing_support::namedStation("甲"));
        const auto tables = fresh.run("SELECT to_regclass('outcomes') IS NOT NULL");
        if (c.refused) {
            ASSERT_FALSE(first);
            EXPECT_EQ(first.error().problem, c.problem) << first.error().details;
            EXPECT_EQ(tables[0][0], "f") << "nothing is created in a database refused";
            continue;
        }
        ASSERT_TRUE(first) << first.error().words;
        EXPECT_EQ(tables[0][0], "t");
        // A second station finds the tables made and changes nothing.
        ASSERT_TRUE(SharedStore::connect(fresh.url(), testing_support::namedStation("乙")));
        const auto versions = fresh.run("SELECT version FROM zeld_schema");
        ASSERT_EQ(versions.size(), 1U);
        EXPECT_EQ(versions[0][0], std::to_string(store::sharedSchemaVersion()));
    }
    // The refusal says which versions meet.
    testing_support::TestDatabase newerOne;
    newerOne.run("CREATE TABLE zeld_schema (version integer NOT NULL)");
    newerOne.run("INSERT INTO zeld_schema (version) VALUES (" + newer + ")");
    const auto refused = SharedStore::connect(newerOne.url(), testing_support::namedStation("甲"));
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().words.find("第 " + newer + " 版"), std::string::npos)
        << refused.error().words;
}

struct ConnectCase {
    const char* what;
    std::string url;
    Kind refusal;
    DatabaseProblem problem;
    std::optional<std::string> password = std::nullopt;
};

TEST_F(SharedStoreTest, ConnectingRefusesAPasswordInTheUrlAndSaysWhenNoServerAnswers) {
    const std::string url = database.url();
    const std::string hostAndPort =
        url.substr(url.find('@') + 1, url.rfind('/') - url.find('@') - 1);
    const testing_support::SilentListener hanging;
    const std::vector<ConnectCase> cases{
        {"a password in the URL",
         "postgresql://zeld:secret@" + hostAndPort + url.substr(url.rfind('/')), Kind::Refused,
         DatabaseProblem::PasswordInUrl},
        {"a password in a connection string", "host=127.0.0.1 password=secret dbname=zeld",
         Kind::Refused, DatabaseProblem::PasswordInUrl},
        {"a URL libpq cannot read", "postgresql://zeld@127.0.0.1/zeld?colour=red", Kind::Refused,
         DatabaseProblem::BadUrl},
        {"a word that is no URL", "nonsense", Kind::Refused, DatabaseProblem::BadUrl},
        // Port 1 on this machine: nothing listens there.
        {"no server", "postgresql://zeld@127.0.0.1:1/zeld", Kind::Offline,
         DatabaseProblem::Refused},
        {"a host that does not exist", "postgresql://zeld@no-such-host.invalid/zeld", Kind::Offline,
         DatabaseProblem::NoServer},
        {"a server that never answers",
         "postgresql://zeld@127.0.0.1:" + std::to_string(hanging.port()) +
             "/zeld?connect_timeout=2",
         Kind::Offline, DatabaseProblem::Timeout},
        {"a wrong password", url, Kind::NeedsPassword, DatabaseProblem::WrongPassword, "wrong"},
        {"a database the server does not have", testing_support::withDatabase(url, "no_such_db"),
         Kind::Offline, DatabaseProblem::NoDatabase},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto store =
            SharedStore::connect(c.url, testing_support::namedStation("甲"), c.password);
        ASSERT_FALSE(store);
        EXPECT_EQ(store.error().kind, c.refusal) << store.error().words;
        EXPECT_EQ(store.error().problem, c.problem) << store.error().details;
    }
}

TEST(SharedStoreLimit, AServerThatNeverAnswersIsGivenUpAtTheLimitNotAtTheConnectTimeout) {
    // A port that takes connections into its backlog and never answers, as a server paused does.
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(silent, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), size), 0);  // NOLINT
    ASSERT_EQ(listen(silent, 4), 0);
    ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&address), &size), 0);  // NOLINT
    const std::string url =
        "postgresql://zeld@127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/zeld";
    auto limit = std::make_shared<store::WaitLimit>();
    limit->endWaitsAt(store::WaitLimit::Clock::now() + std::chrono::milliseconds(300));
    const auto store =
        SharedStore::connect(url, testing_support::namedStation("甲"), std::nullopt, limit);
    close(silent);
    ASSERT_FALSE(store);
    EXPECT_EQ(store.error().kind, Kind::Offline);
    EXPECT_EQ(store.error().problem, store::DatabaseProblem::Timeout) << store.error().details;
    EXPECT_NE(store.error().details.find("no answer before the program had to go on"),
              std::string::npos)
        << store.error().details;
}

TEST_F(SharedStoreTest, StationsLeasingAtOnceNeverHoldThePositionOfAnother) {
    constexpr std::uint64_t kCount = 1500;
    const std::int64_t batch = ok(store("甲").createBatch(order(kCount)));

    // Each station leases blocks of random sizes until none is left, and gives back the end of
    // one block in four, which the stations lease again.
    const auto station = [&](const std::string& name, unsigned seed,
                             std::vector<std::pair<std::uint64_t, std::uint64_t>>& held) {
        SharedStore own = store(name);
        std::mt19937 random(seed);
        for (;;) {
            const auto lease = ok(own.lease(batch, name, 1 + random() % 20));
            if (!lease) {
                return;
            }
            std::uint64_t end = lease->first + lease->count;
            if (random() % 4 == 0) {
                end = lease->first + random() % (lease->count + 1);
                ok(own.returnLease(lease->id, end));
            }
            held.emplace_back(lease->first, end);
        }
    };
    std::vector<std::pair<std::uint64_t, std::uint64_t>> heldA;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> heldB;
    std::thread a([&] { station("A", 1, heldA); });
    std::thread b([&] { station("B", 2, heldB); });
    a.join();
    b.join();

    std::vector<int> holders(kCount, 0);
    for (const auto* held : {&heldA, &heldB}) {
        for (const auto& [first, end] : *held) {
            for (std::uint64_t position = first; position < end; ++position) {
                ++holders.at(position);
            }
        }
    }
    EXPECT_FALSE(heldA.empty());
    EXPECT_FALSE(heldB.empty());
    for (std::uint64_t position = 0; position < kCount; ++position) {
        ASSERT_EQ(holders[position], 1) << "position " << position;
    }
}

TEST_F(SharedStoreTest, ReturnedPositionsGoOutFirstAndVoidedOnesNever) {
    SharedStore a = store("A");
    const std::int64_t batch = ok(a.createBatch(order(30)));
    const auto span = [](const std::optional<Lease>& lease) {
        return lease ? std::make_pair(lease->first, lease->count)
                     : std::make_pair(std::uint64_t{0}, std::uint64_t{0});
    };
    const auto first = ok(a.lease(batch, "A", 10));
    const auto second = ok(a.lease(batch, "B", 10));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(span(first), std::make_pair(std::uint64_t{0}, std::uint64_t{10}));
    EXPECT_EQ(span(second), std::make_pair(std::uint64_t{10}, std::uint64_t{10}));
    EXPECT_EQ(ok(a.returnLease(first->id, 4)), 6U);
    EXPECT_EQ(ok(a.returnLease(first->id, 4)), 6U) << "the same return sent again";
    EXPECT_EQ(ok(a.voidLease(second->id, "王工")), 10U);

    // 4..9 again, in pieces as asked; then new positions; the voided 10..19 never.
    EXPECT_EQ(span(ok(a.lease(batch, "B", 4))), std::make_pair(std::uint64_t{4}, std::uint64_t{4}));
    EXPECT_EQ(span(ok(a.lease(batch, "B", 4))), std::make_pair(std::uint64_t{8}, std::uint64_t{2}));
    EXPECT_EQ(span(ok(a.lease(batch, "B", 4))),
              std::make_pair(std::uint64_t{20}, std::uint64_t{4}));
    EXPECT_EQ(span(ok(a.lease(batch, "B", 20))),
              std::make_pair(std::uint64_t{24}, std::uint64_t{6}));
    EXPECT_FALSE(ok(a.lease(batch, "B", 1))) << "nothing left";

    // Nothing gives voided or returned positions back twice.
    const auto refused = a.returnLease(second->id, 15);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, Kind::Refused);
    EXPECT_FALSE(a.returnLease(first->id, 6)) << "returned already from another position";
    EXPECT_FALSE(a.voidLease(first->id, "王工")) << "a returned lease";
}

struct OutcomeCase {
    const char* what;
    Outcome sent;
    std::optional<Recorded> recorded;  // nothing: refused with this kind
    Kind refusal = Kind::Refused;
};

TEST_F(SharedStoreTest, OutcomesAreRecordedOnceAndAVerifiedNumberOnlyOnOneTag) {
    SharedStore s = store("A");
    const std::int64_t batch = ok(s.createBatch(order(20)));
    // A second batch over the same numbers: its first number is the first batch's.
    const std::int64_t overlapping = ok(s.createBatch(order(5)));
    const Lease a = *ok(s.lease(batch, "A", 10));
    const Lease b = *ok(s.lease(batch, "B", 10));
    const Lease bOverlapping = *ok(s.lease(overlapping, "B", 5));
    ok(s.returnLease(a.id, 8));

    Outcome otherWords = write("A", 1, a, 0);
    otherWords.result = "已写卡并保护";
    Outcome wrongNumber = write("A", 6, a, 2);
    wrongNumber.number = card::tagNumberFromValue(1003);
    Outcome noLease = write("A", 7, a, 1);
    noLease.lease = 999999;
    const std::vector<OutcomeCase> cases{
        {"a verified write", write("A", 1, a, 0), Recorded::New},
        {"the same send again", write("A", 1, a, 0), Recorded::AlreadyRecorded},
        {"its sequence with other words", otherWords, std::nullopt},
        {"a failed write", write("A", 2, a, 1, false), Recorded::New},
        {"the same tag written and verified again", write("A", 3, a, 0), Recorded::New},
        {"the number verified on another batch's tag", write("B", 1, bOverlapping, 0), std::nullopt,
         Kind::NumberTaken},
        {"a failed write of that number elsewhere", write("B", 2, bOverlapping, 0, false),
         Recorded::New},
        {"a position past the lease", write("A", 4, a, 10), std::nullopt},
        {"a position the lease gave back", write("A", 5, a, 8), std::nullopt},
        {"another station's lease", write("B", 3, a, 2), std::nullopt},
        {"not the batch's number at that position", wrongNumber, std::nullopt},
        {"no such lease", noLease, std::nullopt},
        {"the other station's own lease", write("B", 4, b, 10), Recorded::New},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto result = s.recordOutcome(c.sent);
        if (c.recorded) {
            ASSERT_TRUE(result) << result.error().words;
            EXPECT_EQ(*result, *c.recorded);
        } else {
            ASSERT_FALSE(result);
            EXPECT_EQ(result.error().kind, c.refusal) << result.error().words;
        }
    }

    const store::VerifiedWrite first{"A", batch, a.id, 0, card::tagNumberFromValue(1000), {}};
    auto holder = ok(s.lastVerifiedWrite(card::tagNumberFromValue(1000)));
    ASSERT_TRUE(holder);
    holder->time.clear();
    EXPECT_EQ(*holder, first);
    EXPECT_FALSE(ok(s.lastVerifiedWrite(card::tagNumberFromValue(1001)))) << "failed only";
    const auto taken = s.recordOutcome(write("B", 1, bOverlapping, 0));
    ASSERT_FALSE(taken);
    ASSERT_TRUE(taken.error().earlier);
    EXPECT_EQ(taken.error().earlier->station, "A");
    EXPECT_EQ(taken.error().earlier->lease, a.id);
    EXPECT_EQ(ok(s.progress(batch)).verified, 2U) << "the tag verified twice counts once";

    // The database itself holds the rule, whoever writes to it.
    const auto bypass = database.tryRun(
        "INSERT INTO outcomes (station_id, seq, lease_id, position, number, verified, result) "
        "VALUES ('C', 1, " +
        std::to_string(bOverlapping.id) + ", 0, 1000, true, 'x')");
    ASSERT_FALSE(bypass);
    EXPECT_EQ(bypass.error().sqlState, "23505");
}

TEST_F(SharedStoreTest, TwoStationsVerifyingOneNumberAtOnceOneIsTold) {
    constexpr std::uint64_t kCount = 150;
    SharedStore setup = store("A");
    const std::int64_t first = ok(setup.createBatch(order(kCount)));
    const std::int64_t second = ok(setup.createBatch(order(kCount)));
    const Lease a = *ok(setup.lease(first, "A", kCount));
    const Lease b = *ok(setup.lease(second, "B", kCount));

    // Per position: "" when the station's write stands, else the station it was told has it.
    struct Told {
        std::vector<std::optional<std::string>> by =
            std::vector<std::optional<std::string>>(kCount);
    };
    Told toldA;
    Told toldB;
    // Both send each number at the same moment, so that some meet only at the constraint.
    std::barrier together(2);
    const auto station = [&](const std::string& name, const Lease& lease, Told& told) {
        SharedStore own = store(name);
        for (std::uint64_t position = 0; position < kCount; ++position) {
            together.arrive_and_wait();
            const auto result = own.recordOutcome(
                write(name, static_cast<std::int64_t>(position), lease, position));
            if (result) {
                told.by[position] = "";
            } else if (result.error().kind == Kind::NumberTaken && result.error().earlier) {
                told.by[position] = result.error().earlier->station;
            }
        }
    };
    std::thread ta([&] { station("A", a, toldA); });
    std::thread tb([&] { station("B", b, toldB); });
    ta.join();
    tb.join();
    for (std::uint64_t position = 0; position < kCount; ++position) {
        SCOPED_TRACE(position);
        const bool aStands = toldA.by[position] == "";
        EXPECT_EQ(toldA.by[position], aStands ? "" : "B");
        EXPECT_EQ(toldB.by[position], aStands ? "A" : "")
            << "exactly one stands, the other is told";
    }
}

TEST_F(SharedStoreTest, EveryLeaseAccountsForItsPositions) {
    SharedStore s = store("A");
    const std::int64_t batch = ok(s.createBatch(order(40)));
    const Lease open = *ok(s.lease(batch, "A", 10));      // 0..9
    const Lease returned = *ok(s.lease(batch, "B", 10));  // 10..19
    const Lease voided = *ok(s.lease(batch, "C", 10));    // 20..29
    std::int64_t seq = 0;
    for (std::uint64_t position : {0, 1, 2, 3}) {
        ok(s.recordOutcome(write("A", ++seq, open, position)));
    }
    ok(s.recordOutcome(write("A", ++seq, open, 4, false)));
    for (std::uint64_t position : {10, 11}) {
        ok(s.recordOutcome(write("B", ++seq, returned, position)));
    }
    EXPECT_EQ(ok(s.returnLease(returned.id, 15)), 5U);
    ok(s.recordOutcome(write("C", ++seq, voided, 20)));
    EXPECT_EQ(ok(s.voidLease(voided.id, "王工")), 9U);
    // The station was out of touch: its later write comes in after all.
    ok(s.recordOutcome(write("C", ++seq, voided, 21)));
    const Lease again = *ok(s.lease(batch, "A", 10));  // 15..19, returned by B
    ok(s.recordOutcome(write("A", ++seq, again, 15)));

    const std::vector<LeaseAccount> expected{
        {open.id, "A", "A", 10, 4, 0, 0, 6, std::nullopt, 0},
        {returned.id, "B", "B", 10, 2, 5, 3, 0, std::nullopt, 10},
        {voided.id, "C", "C", 10, 2, 0, 8, 0, "王工", 20},
        {again.id, "A", "A", 5, 1, 0, 0, 4, std::nullopt, 15},
    };
    const auto accounts = ok(s.accounting(batch));
    EXPECT_EQ(accounts, expected);
    for (const auto& account : accounts) {
        EXPECT_EQ(account.issued,
                  account.written + account.returned + account.voided + account.outstanding);
    }

    const auto progress = ok(s.progress(batch));
    EXPECT_EQ(progress.count, 40U);
    EXPECT_EQ(progress.verified, 9U);
    const std::vector<store::StationProgress> byStation{
        {"A", "A", 5}, {"B", "B", 2}, {"C", "C", 2}};
    EXPECT_EQ(progress.byStation, byStation);
}

TEST_F(SharedStoreTest, EndedBatchesLeaseNothingAndLeaveTheOpenList) {
    SharedStore s = store("A");
    const std::int64_t ended = ok(s.createBatch(order(10)));
    const std::int64_t open = ok(s.createBatch(order(10, 5000)));
    EXPECT_TRUE(ok(s.endBatch(ended, "王工")));
    EXPECT_FALSE(ok(s.endBatch(ended, "李工"))) << "ended once, by the first";

    const auto batches = ok(s.openBatches());
    ASSERT_EQ(batches.size(), 1U);
    EXPECT_EQ(batches[0].id, open);
    EXPECT_EQ(batches[0].order, order(10, 5000));
    const auto endedOne = ok(s.batch(ended));
    ASSERT_TRUE(endedOne);
    EXPECT_EQ(endedOne->endedBy, "王工");
    EXPECT_FALSE(ok(s.batch(open + 100)));

    const auto lease = s.lease(ended, "A", 5);
    ASSERT_FALSE(lease);
    EXPECT_EQ(lease.error().kind, Kind::Refused);
    const auto empty = s.createBatch(order(0));
    ASSERT_FALSE(empty);
    EXPECT_EQ(empty.error().kind, Kind::Refused);
}

struct DoneCase {
    const char* what;
    // Run on a batch of 4 numbers whose two blocks of 2 are leased (the second only when told).
    std::function<void(SharedStore&, const Lease& first, const std::optional<Lease>& second)> steps;
    bool leaseBoth;
    bool open;
};

TEST_F(SharedStoreTest, ABatchWhoseNumbersAreAllWrittenOrVoidedIsNoLongerOpen) {
    const auto record = [](SharedStore& s, const Lease& lease, std::uint64_t position) {
        ok(s.recordOutcome(write("A", static_cast<std::int64_t>(position) + 1, lease, position)));
    };
    const std::vector<DoneCase> cases{
        {"every number written",
         [&](SharedStore& s, const Lease& a, const std::optional<Lease>& b) {
             for (std::uint64_t p = 0; p < 4; ++p) {
                 record(s, p < 2 ? a : *b, p);
             }
         },
         true, false},
        {"written but for a voided block",
         [&](SharedStore& s, const Lease& a, const std::optional<Lease>& b) {
             record(s, a, 0);
             record(s, a, 1);
             ok(s.voidLease(b->id, "B"));
         },
         true, false},
        {"a block returned after a number skipped: that one is voided",
         [&](SharedStore& s, const Lease& a, const std::optional<Lease>& b) {
             record(s, a, 0);
             record(s, a, 1);
             record(s, *b, 3);
             ok(s.returnLease(b->id, 4));
         },
         true, false},
        {"a block held with a number unwritten",
         [&](SharedStore& s, const Lease& a, const std::optional<Lease>& b) {
             record(s, a, 0);
             record(s, a, 1);
             record(s, *b, 2);
         },
         true, true},
        {"a block given back",
         [&](SharedStore& s, const Lease& a, const std::optional<Lease>& b) {
             record(s, a, 0);
             record(s, a, 1);
             ok(s.returnLease(b->id, 2));
         },
         true, true},
        {"numbers never leased",
         [&](SharedStore& s, const Lease& a, const std::optional<Lease>&) {
             record(s, a, 0);
             record(s, a, 1);
         },
         false, true},
    };
    for (const DoneCase& c : cases) {
        SCOPED_TRACE(c.what);
        testing_support::TestDatabase fresh;
        SharedStore s = ok(SharedStore::connect(fresh.url(), testing_support::namedStation("A")));
        const std::int64_t batch = ok(s.createBatch(order(4)));
        const auto first = ok(s.lease(batch, "A", 2));
        ASSERT_TRUE(first);
        std::optional<Lease> second;
        if (c.leaseBoth) {
            second = ok(s.lease(batch, "A", 2));
            ASSERT_TRUE(second);
        }
        c.steps(s, *first, second);
        EXPECT_EQ(ok(s.openBatches()).size(), c.open ? 1U : 0U);
    }
}

struct NameCase {
    const char* what;
    std::string name;
    std::optional<NameFault> fault;
};

TEST(StationName, ControlCharactersAndBrokenTextAreRefused) {
    const std::vector<NameCase> cases{
        {"Chinese", "甲站", std::nullopt},
        {"Latin with a space", "Shop 2", std::nullopt},
        {"the last code point", "\xF4\x8F\xBF\xBF", std::nullopt},
        {"empty", "", NameFault::Empty},
        {"a NUL inside", std::string("站\0零", 7), NameFault::ControlCharacter},
        {"a tab", "甲\t站", NameFault::ControlCharacter},
        {"a line end at the end", "甲站\n", NameFault::ControlCharacter},
        {"DEL", "a\x7F", NameFault::ControlCharacter},
        {"a C1 control (U+0085)", "甲\xC2\x85", NameFault::ControlCharacter},
        // The bidirectional controls are what is tested here.
        // NOLINTNEXTLINE(misc-misleading-bidirectional)
        {"right-to-left override (U+202E)", "甲\xE2\x80\xAE站", NameFault::ControlCharacter},
        // NOLINTNEXTLINE(misc-misleading-bidirectional)
        {"first strong isolate (U+2068)", "\xE2\x81\xA8甲", NameFault::ControlCharacter},
        {"Arabic letter mark (U+061C)", "\xD8\x9C", NameFault::ControlCharacter},
        {"left-to-right mark (U+200E)", "\xE2\x80\x8E", NameFault::ControlCharacter},
        {"a lone continuation byte", "\x80", NameFault::NotUtf8},
        {"an overlong slash", "\xC0\xAF", NameFault::NotUtf8},
        {"a surrogate", "\xED\xA0\x80", NameFault::NotUtf8},
        {"cut short", "\xE7\x94", NameFault::NotUtf8},
        {"past the last code point", "\xF4\x90\x80\x80", NameFault::NotUtf8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(store::stationNameFault(c.name), c.fault);
    }
}

struct ClaimCase {
    const char* what;
    StationIdentity second;             // while the first, 甲站 on pc-1, is connected
    bool firstGone;                     // the first's connection ended before the second came
    std::optional<StationClash> clash;  // nothing: the second is let in
    std::optional<NameFault> fault;
};

TEST_F(SharedStoreTest, AStationIsItsIdOneLiveHolderAndOneNameEach) {
    const StationIdentity first{"id-1", "甲站", "pc-1", "run-1"};
    const StationClash heldByFirst{StationClash::Kind::IdInUse, "甲站", "pc-1", "127.0.0.1"};
    const StationClash nameOfFirst{StationClash::Kind::NameTaken, "甲站", "pc-1", ""};
    const std::vector<ClaimCase> cases{
        {"a copied settings file on another computer",
         {"id-1", "甲站", "pc-2", "run-2"},
         false,
         heldByFirst,
         std::nullopt},
        {"the copy under another name",
         {"id-1", "乙站", "pc-2", "run-2"},
         false,
         heldByFirst,
         std::nullopt},
        {"another connection of the same run",
         {"id-1", "甲站", "pc-1", "run-1"},
         false,
         std::nullopt,
         std::nullopt},
        {"the same station started again after its connection ended",
         {"id-1", "甲站", "pc-1", "run-2"},
         true,
         std::nullopt,
         std::nullopt},
        {"another station under the same name",
         {"id-2", "甲站", "pc-2", "run-2"},
         false,
         nameOfFirst,
         std::nullopt},
        {"the same name while the first is away: still its name",
         {"id-2", "甲站", "pc-2", "run-2"},
         true,
         nameOfFirst,
         std::nullopt},
        {"another station under another name",
         {"id-2", "乙站", "pc-2", "run-2"},
         false,
         std::nullopt,
         std::nullopt},
        {"a name that differs only after a NUL",
         {"id-2", std::string("甲站\0二", 10), "pc-2", "run-2"},
         false,
         std::nullopt,
         NameFault::ControlCharacter},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testing_support::TestDatabase fresh;
        std::optional<SharedStore> one = ok(SharedStore::connect(fresh.url(), first));
        if (c.firstGone) {
            one.reset();
        }
        const auto stationsBefore = fresh.run("SELECT id, name, host FROM stations ORDER BY id");
        const auto second = SharedStore::connect(fresh.url(), c.second);
        if (!c.clash && !c.fault) {
            ASSERT_TRUE(second) << second.error().words;
            const auto row =
                fresh.run("SELECT name, host FROM stations WHERE id = '" + c.second.id + "'");
            ASSERT_EQ(row.size(), 1U);
            EXPECT_EQ(row[0][0], c.second.name);
            EXPECT_EQ(row[0][1], c.second.host) << "the computer it last ran on";
            continue;
        }
        ASSERT_FALSE(second);
        EXPECT_EQ(second.error().kind, Kind::StationRefused);
        EXPECT_EQ(second.error().clash, c.clash);
        EXPECT_EQ(second.error().nameFault, c.fault);
        EXPECT_EQ(fresh.run("SELECT id, name, host FROM stations ORDER BY id"), stationsBefore)
            << "a station refused writes nothing";
    }
}

TEST_F(SharedStoreTest, OutcomesOfTwoStationsNeverMeetAsOneAndNamesShowForIds) {
    SharedStore a = ok(SharedStore::connect(database.url(), {"id-a", "甲站", "pc-1", {}}));
    SharedStore b = ok(SharedStore::connect(database.url(), {"id-b", "乙站", "pc-2", {}}));
    const std::int64_t batch = ok(a.createBatch(order(20)));
    const Lease leaseA = *ok(a.lease(batch, "id-a", 10));
    const Lease leaseB = *ok(b.lease(batch, "id-b", 10));
    EXPECT_EQ(leaseA.station, "id-a");
    // One seq from both: each station's own numbering, never taken as already recorded.
    EXPECT_EQ(ok(a.recordOutcome(write("id-a", 1, leaseA, 0))), Recorded::New);
    EXPECT_EQ(ok(b.recordOutcome(write("id-b", 1, leaseB, 10))), Recorded::New);
    const auto theirs = b.recordOutcome(write("id-b", 2, leaseA, 1));
    ASSERT_FALSE(theirs) << "a lease of another station";
    EXPECT_NE(theirs.error().words.find("甲站"), std::string::npos) << theirs.error().words;

    const auto taken = b.recordOutcome(write("id-b", 3, leaseB, 0));
    EXPECT_FALSE(taken) << "not the batch's number there";
    const auto progress = ok(a.progress(batch));
    // By name, as people look for them.
    const std::vector<store::StationProgress> byStation{{"id-b", "乙站", 1}, {"id-a", "甲站", 1}};
    EXPECT_EQ(progress.byStation, byStation);
    const auto accounts = ok(a.accounting(batch));
    ASSERT_EQ(accounts.size(), 2U);
    EXPECT_EQ(accounts[1].stationId, "id-b");
    EXPECT_EQ(accounts[1].station, "乙站");
    EXPECT_EQ(ok(a.lastVerifiedWrite(card::tagNumberFromValue(1010)))->station, "乙站");
    EXPECT_EQ(ok(b.lastSeq("id-a", 0, 10)), std::optional<std::int64_t>(1));
}

TEST_F(SharedStoreTest, AnOlderDatabaseIsUpgradedAndItsStationsKeepWhatTheyHeld) {
    // The tables as the first version left them, with a station known by its name alone.
    testing_support::TestDatabase fresh;
    fresh.run("CREATE TABLE zeld_schema (version integer NOT NULL)");
    fresh.run("INSERT INTO zeld_schema (version) VALUES (1)");
    {
        auto setup = testing_support::openOrThrow(fresh.url());
        ASSERT_TRUE(setup.runScript(std::string(store::sharedSchemaSteps()[0])));
    }
    fresh.run(
        "INSERT INTO batches (name, first_number, notation, count, chip, lock) "
        "VALUES ('客户甲', 1000, 'WG34', 20, 'T5577', false)");
    fresh.run(
        "INSERT INTO leases (batch_id, station, first_position, count) VALUES (1, '甲站', 0, 10)");
    fresh.run(
        "INSERT INTO outcomes (station, seq, lease_id, position, number, verified, result) "
        "VALUES ('甲站', 7, 1, 0, 1000, true, '已写卡')");

    // Another name comes first: what 甲站 held stays 甲站's.
    SharedStore other = ok(SharedStore::connect(fresh.url(), {"id-2", "乙站", "pc-2", {}}));
    EXPECT_TRUE(ok(other.heldLeases(1, "id-2")).empty());
    SharedStore back = ok(SharedStore::connect(fresh.url(), {"id-1", "甲站", "pc-1", {}}));
    const auto held = ok(back.heldLeases(1, "id-1"));
    ASSERT_EQ(held.size(), 1U);
    EXPECT_EQ(held[0].count, 10U);
    EXPECT_EQ(ok(back.lastSeq("id-1", 0, 10)), std::optional<std::int64_t>(7));
    EXPECT_EQ(ok(back.progress(1)).byStation,
              (std::vector<store::StationProgress>{{"id-1", "甲站", 1}}));
    // Taken over once: a third station under that name is told.
    const auto third = SharedStore::connect(fresh.url(), {"id-3", "甲站", "pc-3", {}});
    ASSERT_FALSE(third);
    ASSERT_TRUE(third.error().clash);
    EXPECT_EQ(third.error().clash->kind, StationClash::Kind::NameTaken);
    EXPECT_EQ(fresh.run("SELECT version FROM zeld_schema")[0][0],
              std::to_string(store::sharedSchemaVersion()));
}

}  // namespace
