// Hands-free writing at the emulated reader's real pace, ticked after the pause each step asks
// for, as the window does: how long from a blank laid on the reader to its number written and
// verified, against the least the radio needs for it (one frame to notice the tag, the write, the
// verifying read); and how many tags a minute an operator feeding it gets numbered.
#include "commands/batch_session.h"
#include "commands/hands_free.h"
#include "emulator/radio_timing.h"
#include "emulator/tags.h"
#include "journal/journal.h"
#include "reader/library_location.h"
#include "reader/reader_source.h"
#include "words/hands_free_text.h"

#include "support/emulator_control.h"
#include "support/field_feeder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The batch's journal and the reader's field in a folder of this run's own.
class Scratch {
public:
    Scratch()
        : folder_(fs::temp_directory_path() /
                  ("zeld-hands-free-bench-" + std::to_string(getpid()))) {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    Scratch(Scratch&&) = delete;
    Scratch& operator=(Scratch&&) = delete;

    [[nodiscard]] const fs::path& folder() const { return folder_; }

private:
    fs::path folder_;
};

using Kind = commands::HandsFreeStep::Kind;

// The least time from a blank laid to its number verified: the radio hears a tag no sooner than
// one whole frame after it came; MF_Write's three blocks and its own read-back (two frames); the
// write use case's verifying read (two frames).
Clock::duration leastCycle() {
    return emulator::kFrameTime + emulator::radioTime(emulator::RadioWork{2, 3, 0}) +
           emulator::radioTime(emulator::RadioWork{2, 0, 0});
}

double milliseconds(Clock::duration time) {
    return std::chrono::duration<double, std::milli>(time).count();
}

// A batch of blanks written hands-free at the real pace, its field fed by an operator's hand.
class Station {
public:
    Station(int tags, testing_support::FieldFeeder::Pace pace)
        : journal_(scratch_.folder() / "written-tags.csv") {
        setenv("MF1_EMULATOR_TIMING", "real", 1);  // NOLINT(concurrency-mt-unsafe): one thread yet
        const commands::BatchOrder order{"基准",
                                         card::CardNumber{0, {0, 0, 0x10, 0}},
                                         card::Notation::WG34,
                                         static_cast<std::uint64_t>(tags),
                                         reader::TagChip::T5577,
                                         false};
        auto started = commands::BatchSession::start(*commands::Batch::create(order), journal_);
        if (!started) {
            trouble_ = started.error();
            return;
        }
        session_.emplace(std::move(*started));
        writer_.emplace(*session_, journal_, source_);
        hand_.emplace(field_.fieldFile(), emulator::blankT5577(), tags, pace);
    }
    ~Station() {
        hand_.reset();
        unsetenv("MF1_EMULATOR_TIMING");  // NOLINT(concurrency-mt-unsafe)
    }
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;
    Station(Station&&) = delete;
    Station& operator=(Station&&) = delete;

    // Ticks, each after the pause the one before asked for, until a tag is written and verified:
    // when that tick returned. Nothing, and `trouble()` says why, when the writer stopped.
    std::optional<Clock::time_point> untilWritten() {
        while (trouble_.empty()) {
            std::this_thread::sleep_until(nextTick_);
            const commands::HandsFreeStep step = writer_->tick();
            const auto now = Clock::now();
            nextTick_ = now + step.nextTickIn;
            if (step.kind == Kind::Wrote) {
                return now;
            }
            if (step.kind != Kind::NoTag && step.kind != Kind::WaitingForLeave &&
                step.kind != Kind::Blank) {
                const std::string said = words::stepWords(step, card::Notation::WG34);
                trouble_ = said.empty() ? "hands-free writing ended" : said;
            }
        }
        return std::nullopt;
    }
    [[nodiscard]] const std::string& trouble() const { return trouble_; }
    [[nodiscard]] Clock::time_point laid(std::size_t tag) const { return hand_->laid().at(tag); }

private:
    Scratch scratch_;
    // In the run's own folder: every change of the field tidies its folder of stale temporary
    // files, and the system's temporary folder may hold thousands of entries.
    testing_support::EmulatorControl field_{scratch_.folder() / "field"};
    reader::LazyReaderLibrary source_{*reader::defaultReaderLibraryPath()};
    journal::Journal journal_;
    std::optional<commands::BatchSession> session_;
    std::optional<commands::HandsFreeWriter> writer_;
    std::optional<testing_support::FieldFeeder> hand_;
    Clock::time_point nextTick_ = Clock::now();
    std::string trouble_;
};

// One iteration: one blank T5577, timed from the moment it was laid to the tick that wrote and
// verified it. Each is laid 0.4 s, and up to 0.1 s more at random, after the one before was
// taken away (0.1 s after its beep), so that tags arrive at any moment of the reader's reads.
void BM_HandsFreeCycleRealTiming(benchmark::State& state) {
    Station station(static_cast<int>(state.max_iterations),
                    {.spread = std::chrono::milliseconds(100)});
    std::size_t written = 0;
    Clock::duration total{};
    for ([[maybe_unused]] auto _ : state) {
        const auto wrote = station.untilWritten();
        if (!wrote) {
            state.SkipWithError(station.trouble().c_str());
            return;
        }
        const auto cycle = *wrote - station.laid(written++);
        total += cycle;
        state.SetIterationTime(std::chrono::duration<double>(cycle).count());
    }
    state.counters["least_ms"] = milliseconds(leastCycle());
    state.counters["x_least"] =
        milliseconds(total) / static_cast<double>(written) / milliseconds(leastCycle());
    state.counters["pause_ms"] = milliseconds(commands::kHandsFreeInterval);
}
BENCHMARK(BM_HandsFreeCycleRealTiming)
    ->Iterations(40)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// An operator feeding the reader 30 blanks: each laid 0.4 s after the one before was taken away,
// taken away 0.1 s after its beep. One iteration is the whole run; its rate counts the tags laid
// after the first over the time from the first laid to the last: each such span holds one tag's
// cycle, the hand's 0.1 s and the gap of 0.4 s. The ceiling is the rate were every cycle the least
// the radio needs and the hand exact: one tag per (0.4 s + the least cycle + 0.1 s). The hand looks
// at the field every 2 ms, so its late noticing of the beep counts against the rate, not the
// ceiling.
void BM_HandsFreeFedRunRealTiming(benchmark::State& state) {
    constexpr int kTags = 30;
    const testing_support::FieldFeeder::Pace pace{};
    double rate = 0;
    for ([[maybe_unused]] auto _ : state) {
        Station station(kTags, pace);
        for (int tag = 0; tag < kTags; ++tag) {
            if (!station.untilWritten()) {
                state.SkipWithError(station.trouble().c_str());
                return;
            }
        }
        const auto span = station.laid(kTags - 1) - station.laid(0);
        state.SetIterationTime(std::chrono::duration<double>(span).count());
        rate = (kTags - 1) * 60'000.0 / milliseconds(span);
    }
    const double ceiling = 60'000.0 / milliseconds(pace.gap + leastCycle() + pace.hand);
    state.counters["tags_per_min"] = rate;
    state.counters["ceiling_per_min"] = ceiling;
    state.counters["of_ceiling"] = rate / ceiling;
}
BENCHMARK(BM_HandsFreeFedRunRealTiming)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
