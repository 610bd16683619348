// The emulated reader's pace: button presses at MF1_EMULATOR_TIMING=real against the radio time
// the emulator models for them, and single calls with the timing off, with the field file on
// the disk beside this program (not in a memory file system).
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "emulator/field_location.h"
#include "emulator/field_store.h"
#include "emulator/radio_timing.h"
#include "emulator/tags.h"
#include "reader/library_location.h"
#include "reader/reader_library.h"
#include "reader/reader_source.h"

#include "platform/program_location.h"
#include "support/fake_panel.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A field file of this run's own beside the executable, named in MF1_EMULATOR_FIELD.
class BenchField {
public:
    explicit BenchField(const char* timing)
        : folder_(*platform::executableFolder() / ("emulator-bench-" + std::to_string(getpid()))),
          store_(folder_ / "field") {
        fs::create_directories(folder_);
        // NOLINTNEXTLINE(concurrency-mt-unsafe): before any benchmark thread runs
        setenv(emulator::kFieldVariable, store_.file().c_str(), 1);
        setenv("MF1_EMULATOR_TIMING", timing, 1);  // NOLINT(concurrency-mt-unsafe)
    }
    ~BenchField() {
        unsetenv("MF1_EMULATOR_TIMING");  // NOLINT(concurrency-mt-unsafe)
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    BenchField(const BenchField&) = delete;
    BenchField& operator=(const BenchField&) = delete;
    BenchField(BenchField&&) = delete;
    BenchField& operator=(BenchField&&) = delete;

    void place(const emulator::Tag& tag) const {
        if (!store_.update([&](emulator::FieldState& field) {
                field.tag = tag;
                return true;
            })) {
            throw std::runtime_error("cannot place the tag");
        }
    }

private:
    fs::path folder_;
    emulator::FieldStore store_;
};

reader::LazyReaderLibrary emulatedReader() {
    return reader::LazyReaderLibrary(*reader::defaultReaderLibraryPath());
}

// Runs `press` once an iteration and reports how long a press took against `modelled`.
template <class Press>
void timePresses(benchmark::State& state, std::chrono::microseconds modelled, const Press& press) {
    Clock::duration total{};
    for ([[maybe_unused]] auto _ : state) {
        const auto start = Clock::now();
        press();
        total += Clock::now() - start;
    }
    const double perPress =
        std::chrono::duration<double>(total).count() / static_cast<double>(state.iterations());
    state.counters["modelled_ms"] = std::chrono::duration<double, std::milli>(modelled).count();
    state.counters["x_modelled"] = perPress / std::chrono::duration<double>(modelled).count();
}

// A read press: MF_Getsnr listens for two frames, the beep takes no radio time.
void BM_ReadPressRealTiming(benchmark::State& state) {
    const BenchField field("real");
    field.place(emulator::t5577Holding({0x00, 0x12, 0xD6, 0x87, 0xAB}));
    auto source = emulatedReader();
    testing_support::FakePanel panel;
    const auto modelled = emulator::radioTime(emulator::RadioWork{2, 0, 0});
    timePresses(state, modelled, [&] {
        if (commands::cmdIDRead_Click(panel, source).result !=
            commands::ReadOutcome::Result::Read) {
            state.SkipWithError("the read failed");
        }
    });
}
BENCHMARK(BM_ReadPressRealTiming)
    ->Iterations(15)
    ->Repetitions(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// A T5577 write press, advancing the number so that every press changes the tag's memory:
// the chip selection and the beep take no radio time; the command reads the tag before the
// write (two frames), the write sends three blocks and reads the tag back (two frames), and the
// command then reads the tag to verify it (two more).
void BM_WritePressRealTiming(benchmark::State& state) {
    const BenchField field("real");
    field.place(emulator::blankT5577());
    auto source = emulatedReader();
    testing_support::FakePanel panel;
    panel.add1 = true;
    const auto modelled = emulator::radioTime(emulator::RadioWork{6, 3, 0});
    timePresses(state, modelled, [&] {
        if (commands::cmdIDWrite_Click(panel, source).result !=
            commands::WriteOutcome::Result::Written) {
            state.SkipWithError("the write failed");
        }
    });
}
BENCHMARK(BM_WritePressRealTiming)
    ->Iterations(15)
    ->Repetitions(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// One MF_Write call with the timing off, a new number each time.
void BM_WriteCallTimingOff(benchmark::State& state) {
    const BenchField field("off");
    field.place(emulator::blankT5577());
    auto library = reader::ReaderLibrary::load(*reader::defaultReaderLibraryPath());
    if (!library) {
        state.SkipWithError("cannot load the emulated reader");
        return;
    }
    reader::LongBuffer longBuffer;
    static_cast<void>(library->ControlBuzzer(reader::ControlCode::SelectT5577, longBuffer));
    reader::ShortBuffer block;
    for ([[maybe_unused]] auto _ : state) {
        ++block.bytes[5];
        if (library->MF_Write(block, longBuffer) != reader::kSuccess) {
            state.SkipWithError("the write failed");
        }
    }
}
BENCHMARK(BM_WriteCallTimingOff)->Repetitions(5)->UseRealTime()->Unit(benchmark::kMicrosecond);

// One beep with the timing off: the field changes, the tag's memory does not.
void BM_BeepCallTimingOff(benchmark::State& state) {
    const BenchField field("off");
    auto library = reader::ReaderLibrary::load(*reader::defaultReaderLibraryPath());
    if (!library) {
        state.SkipWithError("cannot load the emulated reader");
        return;
    }
    reader::LongBuffer longBuffer;
    for ([[maybe_unused]] auto _ : state) {
        benchmark::DoNotOptimize(library->ControlBuzzer(reader::ControlCode::Beep, longBuffer));
    }
}
BENCHMARK(BM_BeepCallTimingOff)->Repetitions(5)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
