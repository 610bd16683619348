// The journal of written tags: how long a journal of 10^5, 10^6 and 10^7 lines takes to be ready
// for the questions, what its index keeps a line and how far the heap rises above that while it
// is read; and what the line before each write (正在写卡, synced) adds to a press, beside the
// radio time of a T5577 write press on the real reader; and what a batch asks of a journal of
// 10^6 lines: the check of a 10,000-number range when it is made, the guard before one write.
#include "commands/bag_check.h"
#include "commands/batch.h"
#include "emulator/radio_timing.h"
#include "journal/batch_lines.h"
#include "journal/journal.h"
#include "journal/journal_line.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>

namespace {

// Every allocation of the process, so that a load's peak shows whichever thread made it.
std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};

}  // namespace

// GCC sees free() meet a block from this operator new once inlined: the pair is meant.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
// NOLINTBEGIN(cppcoreguidelines-no-malloc,hicpp-no-malloc,misc-new-delete-overloads)
void* operator new(std::size_t size) {
    void* block = std::malloc(size + sizeof(std::max_align_t));
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    *static_cast<std::size_t*>(block) = size;
    const std::size_t now = liveBytes += size;
    std::size_t peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(block) + sizeof(std::max_align_t);
}
void operator delete(void* pointer) noexcept {
    if (pointer == nullptr) {
        return;
    }
    void* block = static_cast<char*>(pointer) - sizeof(std::max_align_t);
    liveBytes -= *static_cast<std::size_t*>(block);
    std::free(block);
}
void operator delete(void* pointer, std::size_t /*size*/) noexcept {
    operator delete(pointer);
}
// NOLINTEND(cppcoreguidelines-no-malloc,hicpp-no-malloc,misc-new-delete-overloads)

namespace {

std::filesystem::path benchFolder() {
    const char* base = std::getenv("ZELD_BENCH_DIR");  // NOLINT(concurrency-mt-unsafe)
    auto folder = std::filesystem::path(base != nullptr ? base : "/var/tmp") / "zeld-journal-bench";
    std::filesystem::create_directories(folder);
    return folder;
}

// A journal of `lines` verified writes, each of another number a second after the one before,
// as the program writes them.
std::filesystem::path journalOf(std::int64_t lines) {
    const auto file = benchFolder() / ("journal-v2-" + std::to_string(lines) + ".csv");
    if (std::filesystem::exists(file)) {
        return file;
    }
    std::ofstream out(file, std::ios::binary);
    out << journal::kByteOrderMark << journal::kHeader << journal::kLineEnd;
    commands::JournalEntry entry{"已写卡", true, {}, reader::TagChip::T5577, false, std::nullopt};
    std::string chunk;
    for (std::int64_t i = 0; i < lines; ++i) {
        entry.number = card::tagNumberFromValue(static_cast<std::uint64_t>(i) * 7919U);
        const journal::CompactTime time{1714543402 + i, 480, true};
        chunk += journal::formatLine(journal::formatIsoTime(time), entry);
        if (chunk.size() > (1U << 20U)) {
            out << chunk;
            chunk.clear();
        }
    }
    out << chunk;
    return file;
}

void JournalReady(benchmark::State& state) {
    const auto file = journalOf(state.range(0));
    std::size_t kept = 0;
    std::size_t peakAbove = 0;
    for (auto _ : state) {
        const std::size_t before = liveBytes;
        peakBytes = before;
        journal::Journal journal(file);
        static_cast<void>(journal.waitLoaded(std::chrono::minutes(5)));
        state.PauseTiming();
        kept = journal.bytesKept();
        peakAbove = peakBytes - before - kept;
        benchmark::DoNotOptimize(journal.lastVerifiedWrite(card::CardNumber{}));
        state.ResumeTiming();
    }
    state.counters["kept_bytes_a_line"] =
        static_cast<double>(kept) / static_cast<double>(state.range(0));
    state.counters["peak_above_kept_MB"] = static_cast<double>(peakAbove) / (1024.0 * 1024.0);
}
BENCHMARK(JournalReady)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Arg(10'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// One press's journal work on this machine's disk: the outcome's line alone (as before), or the
// start line and the outcome's line, each synced.
void PressJournalWork(benchmark::State& state) {
    const bool withStartLine = state.range(0) != 0;
    const auto file = benchFolder() / "press.csv";
    std::filesystem::remove(file);
    journal::Journal journal(file);
    static_cast<void>(journal.waitLoaded(std::chrono::seconds(5)));
    commands::JournalEntry entry{"已写卡", true, {}, reader::TagChip::T5577, false, std::nullopt};
    std::uint64_t number = 0;
    std::chrono::steady_clock::duration spent{};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        entry.number = card::tagNumberFromValue(++number);
        journal.hold();
        if (withStartLine) {
            benchmark::DoNotOptimize(journal.beginWrite(entry));
        }
        benchmark::DoNotOptimize(journal.append(entry));
        journal.release();
        spent += std::chrono::steady_clock::now() - start;
    }
    // The radio of a T5577 write press: the tag read before, three blocks written (the
    // configuration and two data blocks), the tag read back.
    const auto radio = (2 * emulator::kFrameTime) + (3 * emulator::kT5577BlockWriteTime);
    state.counters["radio_ms"] = static_cast<double>(radio.count()) / 1000.0;
    state.counters["share_of_radio"] = std::chrono::duration<double>(spent).count() /
                                       static_cast<double>(state.iterations()) /
                                       std::chrono::duration<double>(radio).count();
}
BENCHMARK(PressJournalWork)
    ->ArgName("start_line")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A 10,000-number ten-digit range in the midst of the 10^6-line journal's numbers: some of it
// written before, some hundreds of its numbers sharing the eight-digit view of a written one.
commands::Batch rangeOverMillion() {
    const auto batch = commands::Batch::create(
        commands::BatchOrder{"bench", card::tagNumberFromValue(std::uint64_t{7919} * 500'000U),
                             card::Notation::WG34, 10'000, reader::TagChip::T5577, false});
    return *batch;
}

// The range check as a batch is made: over a journal asked about before (views_made 1), or
// asked about first by this check (0), which makes the journal's table of views.
void RangeCheckOverMillion(benchmark::State& state) {
    const bool viewsMade = state.range(0) != 0;
    const auto file = journalOf(1'000'000);
    const commands::Batch batch = rangeOverMillion();
    std::unique_ptr<journal::Journal> kept;
    commands::RangeCheck check;
    for (auto _ : state) {
        state.PauseTiming();
        if (!kept || !viewsMade) {
            kept = std::make_unique<journal::Journal>(file);
            static_cast<void>(kept->waitLoaded(std::chrono::minutes(1)));
            if (viewsMade) {
                static_cast<void>(kept->sharesView(card::CardNumber{}));
            }
        }
        state.ResumeTiming();
        check = commands::rangeCheck(batch, *kept);
    }
    state.counters["written"] = static_cast<double>(check.written);
    state.counters["colliding"] = static_cast<double>(check.colliding);
    state.counters["kept_bytes_a_line"] =
        static_cast<double>(kept->bytesKept()) / static_cast<double>(1'000'000);
}
BENCHMARK(RangeCheckOverMillion)
    ->ArgName("views_made")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// The guard before one write of the range's numbers, views made: a small share of a press.
void ViewGuardOverMillion(benchmark::State& state) {
    journal::Journal journal(journalOf(1'000'000));
    static_cast<void>(journal.waitLoaded(std::chrono::minutes(1)));
    const commands::Batch batch = rangeOverMillion();
    const commands::Confirm no = [](const commands::WriteQuestion&) { return false; };
    std::uint64_t n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(commands::viewsAllowWrite(batch.number(n), journal, no));
        n = n + 1 == batch.count() ? 0 : n + 1;
    }
}
BENCHMARK(ViewGuardOverMillion)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A journal of 10^6 lines at `file` whose last 5,000 writes are a batch's of 10,000 (客户甲), or
// that holds none.
void journalWithBatch(const std::filesystem::path& file, bool withBatch) {
    std::filesystem::copy_file(journalOf(1'000'000), file,
                               std::filesystem::copy_options::overwrite_existing);
    if (!withBatch) {
        return;
    }
    const commands::BatchOrder order{"客户甲",
                                     card::tagNumberFromValue(0xFF00000000U),
                                     card::Notation::WG34,
                                     10'000,
                                     reader::TagChip::T5577,
                                     false};
    const commands::Batch batch = *commands::Batch::create(order);
    const std::string time = "2024-06-01T10:00:00+08:00";
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out << journal::formatBatchOpen(time, order);
    commands::JournalEntry entry{"已写卡", true, {}, reader::TagChip::T5577, false, {}};
    for (std::uint64_t n = 0; n < 5'000; ++n) {
        entry.number = batch.number(n);
        out << journal::formatLine(time, entry, order.name);
    }
}

// What a start-up asks when it offers the unfinished batch, once it has read the journal: a
// journal of 10^6 lines whose last 5,000 writes are a batch's (arg 1), or that holds none (arg 0).
void BatchResumeOverMillion(benchmark::State& state) {
    const bool withBatch = state.range(0) == 1;
    const auto file = benchFolder() / (withBatch ? "resume-batch.csv" : "resume-none.csv");
    journalWithBatch(file, withBatch);
    const journal::Journal journal(file, std::chrono::system_clock::now,
                                   journal::Journal::Reading::WhenAsked);
    // The offer comes once the journal is read, from what the reading kept.
    bool right = journal.waitLoaded(std::chrono::minutes(1));
    for (auto _ : state) {
        const auto batch = journal.unfinishedBatch();
        right =
            right && batch.has_value() == withBatch && (!batch || batch->nextPosition() == 5'000);
    }
    if (!right) {
        state.SkipWithError("the batch was not found where it stands");
    }
    std::filesystem::remove(file);
}
BENCHMARK(BatchResumeOverMillion)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the window asks when the operator turns to a bag check (核对): the newest batches, and the
// one picked where its check stands, over the same journal with its batch.
void BagCheckOpenOverMillion(benchmark::State& state) {
    const auto file = benchFolder() / "check-batch.csv";
    journalWithBatch(file, true);
    journal::Journal journal(file, std::chrono::system_clock::now,
                             journal::Journal::Reading::WhenAsked);
    journal.startReading();
    bool right = journal.waitLoaded(std::chrono::minutes(1));
    for (auto _ : state) {
        const auto names = journal.batchNames();
        const auto check = commands::BagCheck::open(journal, names.empty() ? "" : names.front());
        right = right && names == std::vector<std::string>{"客户甲"} && check &&
                check->counts().written == 5'000;
    }
    if (!right) {
        state.SkipWithError("the batch was not found for its check");
    }
    std::filesystem::remove(file);
}
BENCHMARK(BagCheckOpenOverMillion)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
