// What sharing a batch costs a press: a press of a shared batch (its station's session, whose
// worker sends the outcome to the database on a thread of its own) against a press of a local
// batch, interleaved in one run so that both see the same machine, each onto a new blank tag of a
// reader that answers at once, each journal on a RAM disk where there is one. Against a running
// server, e.g. the tests' own:
//   bash tests/support/pg_server.sh start /tmp/zeld-pg
//   PGPASSFILE=/tmp/zeld-pg/pgpass ZELD_PG_URL=$(cat /tmp/zeld-pg/url)
//   build/default/bin/shared_bench
// The counter `ratio` is the shared press's time over the local one's.
#include "commands/batch_session.h"
#include "commands/shared_batch_session.h"
#include "journal/journal.h"
#include "journal/journal_history.h"
#include "reader/reader_source.h"
#include "store/pq_connection.h"
#include "store/pq_library.h"
#include "store/shared_store.h"
#include "store/store_ledger.h"

#include "instant_reader.h"

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using bench_support::InstantSource;

std::filesystem::path folder() {
    const std::filesystem::path ramDisk = "/dev/shm";
    const std::string name = "zeld-shared-bench-" + std::to_string(getpid());
    return std::filesystem::is_directory(ramDisk) ? ramDisk / name
                                                  : std::filesystem::temp_directory_path() / name;
}

using Clock = std::chrono::steady_clock;

void BM_SharedAgainstLocalPress(benchmark::State& state) {
    const char* server = std::getenv("ZELD_PG_URL");  // NOLINT(concurrency-mt-unsafe)
    const auto pq = store::pqLibrary();
    if (server == nullptr || !pq) {
        state.SkipWithError("ZELD_PG_URL names no server, or there is no libpq");
        return;
    }
    // A database of the run's own: an earlier run's numbers would be asked about.
    auto admin = store::PqConnection::open(**pq, server);
    const std::string database = "zeld_bench_" + std::to_string(getpid());
    if (!admin || !admin->run("CREATE DATABASE " + database)) {
        state.SkipWithError("cannot make a database on the server");
        return;
    }
    const std::string serverUrl = server;
    const std::string url = serverUrl.substr(0, serverUrl.rfind('/') + 1) + database;
    const auto scratch = folder();
    std::filesystem::remove_all(scratch);
    journal::Journal localJournal(scratch / "local" / "written-tags.csv");
    journal::Journal sharedJournal(scratch / "shared" / "written-tags.csv");
    static_cast<void>(localJournal.waitLoaded(std::chrono::seconds(10)));
    static_cast<void>(sharedJournal.waitLoaded(std::chrono::seconds(10)));
    const journal::JournalHistory history(sharedJournal);

    // Far apart: the local batch's numbers never share a view with the shared one's.
    const commands::BatchOrder local{"bench", card::tagNumberFromValue(0), card::Notation::WG34,
                                     1000000, reader::TagChip::T5577,      false};
    auto localSession =
        commands::BatchSession::start(*commands::Batch::create(local), localJournal);
    auto setup = store::SharedStore::connect(url, {"bench", "bench", "bench", {}});
    if (!localSession || !setup) {
        state.SkipWithError("no local batch, or no server");
        return;
    }
    const commands::BatchOrder shared{"bench",
                                      card::tagNumberFromValue(0x1000000000),
                                      card::Notation::WG34,
                                      1000000,
                                      reader::TagChip::T5577,
                                      false};
    const auto batch = setup->createBatch(shared);
    const std::string station = "bench-" + std::to_string(getpid());
    auto store = store::SharedStore::connect(url, {station, station, "bench", {}});
    if (!batch || !store) {
        state.SkipWithError("the server refused the batch");
        return;
    }
    // Presses of an instant reader come faster than a lease's round trip: the leases are large
    // enough that a press never finds none, which a reader's radio makes sure of otherwise.
    commands::SharedBatchSession::Options options;
    options.leaseSize = 4000;
    auto sharedSession = commands::SharedBatchSession::join(
        *batch, sharedJournal, history,
        std::make_unique<store::StoreLedger>(std::move(*store), station), options);
    if (!sharedSession) {
        state.SkipWithError(sharedSession.error().c_str());
        return;
    }
    InstantSource localSource;
    InstantSource sharedSource;
    const commands::Confirm no;
    Clock::duration localTime{};
    Clock::duration sharedTime{};
    bool verified = true;
    std::int64_t presses = 0;
    for (auto _ : state) {
        // Which goes first alternates, so that neither always follows the other's cache misses.
        for (int turn = 0; turn < 2; ++turn) {
            const bool sharedTurn = (turn == 0) == (presses % 2 == 0);
            const auto start = Clock::now();
            const auto press = sharedTurn ? (*sharedSession)->press(sharedSource, no)
                                          : localSession->press(localSource, no);
            (sharedTurn ? sharedTime : localTime) += Clock::now() - start;
            verified = verified && press.write && press.write->verified();
        }
        ++presses;
    }
    if (!verified) {
        state.SkipWithError("a press was not verified");
    }
    const auto micros = [presses](Clock::duration total) {
        return std::chrono::duration<double, std::micro>(total).count() /
               static_cast<double>(std::max<std::int64_t>(presses, 1));
    };
    state.counters["local_us"] = micros(localTime);
    state.counters["shared_us"] = micros(sharedTime);
    state.counters["ratio"] = micros(sharedTime) / micros(localTime);
    state.counters["unsent"] = static_cast<double>((*sharedSession)->progress().unsent);
    static_cast<void>((*sharedSession)->close(std::chrono::seconds(30)));
    sharedSession->reset();
    static_cast<void>(admin->run("DROP DATABASE IF EXISTS " + database + " WITH (FORCE)"));
    std::filesystem::remove_all(scratch);
}
BENCHMARK(BM_SharedAgainstLocalPress)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
