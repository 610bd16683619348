// A station of a shared batch without a window, for the fault run (tests/shared_fault_run.sh):
//   shared_station create URL COUNT FIRST      makes a batch, prints its id
//   shared_station run URL BATCH STATION       joins it as STATION and writes until the batch has
//                                              nothing left for it (exit 0), or SIGTERM (then it
//                                              closes, its leases' rest going back: exit 4; 3
//                                              when the server did not take it all). The reader is
//                                              the emulated one (MF1_EMULATOR_FIELD), the journal
//                                              the one in XDG_DATA_HOME; a blank tag is laid before
//                                              each press, at full speed
//   shared_station check URL BATCH DATA_HOME... what the stations did, against the database:
//                                              no number verified twice, every verified tag of
//                                              every journal in the database, every lease
//                                              accounted for, the batch done
#include "card/number_text.h"
#include "commands/shared_batch_name.h"
#include "commands/shared_batch_session.h"
#include "emulator/field_store.h"
#include "emulator/tags.h"
#include "journal/journal.h"
#include "journal/journal_history.h"
#include "reader/reader_source.h"
#include "store/shared_store.h"
#include "store/store_ledger.h"
#include "support/test_station.h"
#include "words/shared_text.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <thread>

namespace {

std::atomic<bool> stopAsked{false};

void askStop(int /*signal*/) {
    stopAsked = true;
}

int fail(const std::string& words) {
    std::cerr << "shared_station: " << words << '\n';
    return 1;
}

std::optional<store::SharedStore> connected(const std::string& url, const std::string& station) {
    auto store = store::SharedStore::connect(url, testing_support::namedStation(station));
    if (!store) {
        std::cerr << "shared_station: " << store.error().words << '\n';
        return std::nullopt;
    }
    return std::move(*store);
}

int create(const std::string& url, std::uint64_t count, std::uint64_t first) {
    auto store = connected(url, "create");
    if (!store) {
        return 1;
    }
    const auto id = store->createBatch(
        {"共享测试", card::tagNumberFromValue(first), card::Notation::WG34, count});
    if (!id) {
        return fail(id.error().words);
    }
    std::cout << *id << '\n';
    return 0;
}

int run(const std::string& url, std::int64_t batch, const std::string& station) {
    if (std::signal(SIGTERM, askStop) == SIG_ERR) {
        return fail("cannot take SIGTERM");
    }
    const char* fieldFile = std::getenv("MF1_EMULATOR_FIELD");  // NOLINT(concurrency-mt-unsafe)
    if (fieldFile == nullptr) {
        return fail("MF1_EMULATOR_FIELD is not set");
    }
    const emulator::FieldStore field(fieldFile, emulator::FieldStore::Sync::Never);
    auto journal = journal::Journal::openDefault();
    const journal::JournalHistory history(*journal);
    reader::LazyReaderLibrary source;

    std::unique_ptr<commands::SharedBatchSession> session;
    // The server may be away while the station starts: it tries again, as a person would.
    while (!session) {
        auto store = store::SharedStore::connect(url, testing_support::namedStation(station));
        auto joined =
            store ? commands::SharedBatchSession::join(
                        batch, *journal, history,
                        std::make_unique<store::StoreLedger>(std::move(*store), station))
                  : util::Expected<std::unique_ptr<commands::SharedBatchSession>, std::string>(
                        util::Unexpected{store.error().words});
        if (joined) {
            session = std::move(*joined);
        } else if (stopAsked) {
            return fail(joined.error());
        } else {
            std::cerr << station << ": " << joined.error() << '\n';
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
    }
    const auto sayYes = [](const commands::WriteQuestion&) { return true; };
    bool wasOffline = false;
    while (!stopAsked && !session->done()) {
        if (const auto writable = session->offlineWritable(); writable.has_value() != wasOffline) {
            wasOffline = writable.has_value();
            std::cerr << station << ": " << (writable ? words::offlineWords(*writable) : "在线")
                      << '\n';
        }
        auto laid = field.update([](emulator::FieldState& state) {
            state.tag = emulator::Tag{emulator::blankT5577()};
            return true;
        });
        if (!laid) {
            return fail(laid.error().message);
        }
        const auto press = session->press(source, sayYes);
        if (press.result == commands::BatchPress::Result::Finished) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } else if (press.write && press.write->journalError) {
            return fail(press.write->journalError->systemReason);
        }
    }
    const auto progress = session->progress();
    std::cerr << station << ": 本站已写 " << progress.verifiedHere << " 张\n";
    for (const auto& refused : session->refusals()) {
        std::cerr << station << ": 数据库拒收 "
                  << card::hexWord(card::numberValue(refused.number), 10) << "：" << refused.words
                  << '\n';
    }
    // What the server did not get stays in the journal: the next start sends it.
    if (auto trouble = session->close(std::chrono::seconds(30))) {
        std::cerr << station << ": " << *trouble << '\n';
        return 3;
    }
    return stopAsked ? 4 : 0;
}

int check(const std::string& url, std::int64_t batch, int count, char** homes) {
    auto store = connected(url, "check");
    if (!store) {
        return 1;
    }
    int faults = 0;
    const auto fault = [&faults](const std::string& words) {
        std::cerr << "FAULT: " << words << '\n';
        ++faults;
    };
    const auto found = store->batch(batch);
    if (!found || !*found) {
        return fail("no batch " + std::to_string(batch));
    }
    const std::string name = commands::sharedBatchName((*found)->order.name, batch);
    std::map<std::uint64_t, int> verifiedTags;
    for (int home = 0; home < count; ++home) {
        const journal::Journal journal(std::filesystem::path(homes[home]) / "zeld" /
                                       journal::kFileName);
        for (const auto& write : journal::JournalHistory(journal).batchWrites(name)) {
            if (write.verified) {
                ++verifiedTags[card::numberValue(write.number)];
            }
        }
    }
    std::set<std::uint64_t> inDatabase;
    const auto writes = store->verifiedWrites();
    if (!writes) {
        return fail(writes.error().words);
    }
    for (const auto& write : *writes) {
        if (write.batch == batch && !inDatabase.insert(card::numberValue(write.number)).second) {
            fault("verified twice in the database: " +
                  card::hexWord(card::numberValue(write.number), 10));
        }
    }
    for (const auto& [number, tags] : verifiedTags) {
        if (tags > 1) {
            fault("verified on " + std::to_string(tags) + " tags: " + card::hexWord(number, 10));
        }
        if (!inDatabase.contains(number)) {
            fault("verified on a tag, not in the database: " + card::hexWord(number, 10));
        }
    }
    const auto accounts = store->accounting(batch);
    if (!accounts) {
        return fail(accounts.error().words);
    }
    std::uint64_t returned = 0;
    for (const auto& account : *accounts) {
        returned += account.returned;
        if (account.issued != account.written + account.returned + account.voided ||
            account.outstanding != 0) {
            fault("lease " + std::to_string(account.lease) + " of " + account.station +
                  ": issued " + std::to_string(account.issued) + ", written " +
                  std::to_string(account.written) + ", returned " +
                  std::to_string(account.returned) + ", void " + std::to_string(account.voided) +
                  ", outstanding " + std::to_string(account.outstanding));
        }
    }
    const auto progress = store->progress(batch);
    if (!progress) {
        return fail(progress.error().words);
    }
    if (progress->verified != progress->count) {
        fault("batch not done: " + std::to_string(progress->verified) + " of " +
              std::to_string(progress->count));
    }
    std::cout << "verified " << progress->verified << " of " << progress->count << " (";
    for (const auto& station : progress->byStation) {
        std::cout << ' ' << station.station << ' ' << station.verified;
    }
    std::cout << " ), tags in journals " << verifiedTags.size() << ", leases " << accounts->size()
              << ", positions returned " << returned << ", faults " << faults << '\n';
    return faults == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "create" && argc == 5) {
        return create(argv[2], std::stoull(argv[3]), std::stoull(argv[4]));
    }
    if (command == "run" && argc == 5) {
        return run(argv[2], std::stoll(argv[3]), argv[4]);
    }
    if (command == "check" && argc >= 5) {
        return check(argv[2], std::stoll(argv[3]), argc - 4, argv + 4);
    }
    std::cerr << "usage: shared_station create URL COUNT FIRST | run URL BATCH STATION | "
                 "check URL BATCH DATA_HOME...\n";
    return 2;
}
