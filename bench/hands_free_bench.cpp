// Hands-free writing at the emulated reader's real pace: how long from a blank laid on the reader
// to its number written and verified, ticking at the recommended interval, against the least
// the radio needs for it (one frame to notice the tag, the write, the verifying read).
#include "commands/batch_session.h"
#include "commands/hands_free.h"
#include "emulator/radio_timing.h"
#include "emulator/tags.h"
#include "journal/journal.h"
#include "reader/library_location.h"
#include "reader/reader_source.h"

#include "support/emulator_control.h"
#include "support/field_feeder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The batch's journal in a folder of this run's own.
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

// A blank T5577 laid 0.4 s (and up to one tick's interval more, at random) after the one before
// is taken away, 0.1 s after its beep; the
// writer ticks again after the pause each tick asks for, as the window does. One iteration: one
// tag, timed from the moment it was laid to the tick that wrote and verified it.
void BM_HandsFreeCycleRealTiming(benchmark::State& state) {
    const Scratch scratch;
    const testing_support::EmulatorControl field;
    setenv("MF1_EMULATOR_TIMING", "real", 1);  // NOLINT(concurrency-mt-unsafe): one thread yet
    reader::LazyReaderLibrary source(*reader::defaultReaderLibraryPath());
    journal::Journal journal(scratch.folder() / "written-tags.csv");
    const commands::BatchOrder order{"基准",
                                     card::CardNumber{0, {0, 0, 0x10, 0}},
                                     card::Notation::WG34,
                                     static_cast<std::uint64_t>(state.max_iterations) + 1,
                                     reader::TagChip::T5577,
                                     false};
    auto session = commands::BatchSession::start(*commands::Batch::create(order), journal);
    if (!session) {
        state.SkipWithError(session.error().c_str());
        return;
    }
    commands::HandsFreeWriter writer(*session, journal, source);
    const testing_support::FieldFeeder hand(field.fieldFile(), emulator::blankT5577(),
                                            static_cast<int>(state.max_iterations) + 1,
                                            {.spread = commands::kHandsFreeInterval});
    auto nextTick = Clock::now();
    std::size_t written = 0;
    Clock::duration total{};
    for ([[maybe_unused]] auto _ : state) {
        while (true) {
            std::this_thread::sleep_until(nextTick);
            const commands::HandsFreeStep step = writer.tick();
            const auto now = Clock::now();
            nextTick = now + step.nextTickIn;
            if (step.kind == commands::HandsFreeStep::Kind::Wrote) {
                const auto cycle = now - hand.laid().at(written++);
                total += cycle;
                state.SetIterationTime(std::chrono::duration<double>(cycle).count());
                break;
            }
            if (step.kind != commands::HandsFreeStep::Kind::NoTag &&
                step.kind != commands::HandsFreeStep::Kind::WaitingForLeave &&
                step.kind != commands::HandsFreeStep::Kind::Blank) {
                state.SkipWithError(step.words.c_str());
                unsetenv("MF1_EMULATOR_TIMING");  // NOLINT(concurrency-mt-unsafe)
                return;
            }
        }
    }
    unsetenv("MF1_EMULATOR_TIMING");  // NOLINT(concurrency-mt-unsafe)
    // MF_Write's own radio work reads the tag back (two frames) after its three blocks.
    const auto least = emulator::kFrameTime + emulator::radioTime(emulator::RadioWork{2, 3, 0}) +
                       emulator::radioTime(emulator::RadioWork{2, 0, 0});
    state.counters["least_ms"] = std::chrono::duration<double, std::milli>(least).count();
    state.counters["x_least"] = std::chrono::duration<double>(total).count() /
                                static_cast<double>(written) /
                                std::chrono::duration<double>(least).count();
    state.counters["interval_ms"] =
        std::chrono::duration<double, std::milli>(commands::kHandsFreeInterval).count();
}
BENCHMARK(BM_HandsFreeCycleRealTiming)
    ->Iterations(10)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
