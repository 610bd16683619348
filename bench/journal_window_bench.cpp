// 写卡记录 over a long journal, offscreen: how soon the first rows show, how long the window's
// thread is held at most while the rest comes in (the main window shares that thread), how long
// the whole read takes and the memory it costs.
#include "ui/journal_model.h"
#include "ui/journal_window.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::filesystem::path scratch() {
    return std::filesystem::temp_directory_path() / "zeld-journal-window-bench";
}

// A journal of `lines` writes of ten-column lines, every fifth one failed, each of another number.
std::filesystem::path journalOf(int lines) {
    const auto file = scratch() / ("journal-" + std::to_string(lines) + ".csv");
    if (std::filesystem::exists(file)) {
        return file;
    }
    std::filesystem::create_directories(scratch());
    std::ofstream out(file, std::ios::binary);
    out << "\xEF\xBB\xBF时间,结果,十六进制,版本或客户号,前十位号,后八位号,芯片,保护,核对,"
           "原卡号\r\n";
    for (int i = 0; i < lines; ++i) {
        const auto n = static_cast<std::uint32_t>(i) * 2654435761U;  // spread over the range
        const bool failed = i % 5 == 4;
        char line[200];
        std::snprintf(line, sizeof line,
                      "2024-05-01T14:%02d:%02d+08:00,%s,00%08X,000,%010u,\"%03u,%05u\",T5577,否,%s,"
                      "00%08X\r\n",
                      i / 60 % 60, i % 60, failed ? "写卡失败（状态 7）" : "已写卡", n, n,
                      (n >> 16U) & 0xFFU, n & 0xFFFFU, failed ? "否" : "是", n + 1);
        out << line;
    }
    return file;
}

// Peak resident memory of the process so far, in MiB (Linux).
double peakMiB() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == "VmHWM:") {
            double kib = 0;
            status >> kib;
            return kib / 1024.0;
        }
    }
    return 0;
}

void BM_JournalWindowOpen(benchmark::State& state) {
    const auto file = journalOf(static_cast<int>(state.range(0)));
    double longestStall = 0;
    double allRows = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        auto window = std::make_unique<ui::JournalWindow>(file, std::chrono::system_clock::now());
        window->show();
        const ui::JournalModel& model = window->model();
        while (model.rowCount() == 0 && model.isReading()) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        // The rest, one turn of the event loop at a time: the longest turn is how long a click
        // on the main window could wait.
        while (model.isReading()) {
            QElapsedTimer turn;
            turn.start();
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            longestStall = std::max(longestStall, static_cast<double>(turn.nsecsElapsed()) / 1e6);
        }
        allRows = std::max(allRows, static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (model.totalRows() != static_cast<std::size_t>(state.range(0))) {
            state.SkipWithError("not every line was read");
        }
        window.reset();
    }
    state.counters["longest_stall_ms"] = longestStall;
    state.counters["all_rows_ms"] = allRows;
    state.counters["peak_rss_MiB"] = peakMiB();
}
BENCHMARK(BM_JournalWindowOpen)
    ->Arg(1000000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// Changing the filter over a million rows: a search by number, then back to all.
void BM_JournalSearch(benchmark::State& state) {
    const auto file = journalOf(static_cast<int>(state.range(0)));
    ui::JournalWindow window(file, std::chrono::system_clock::now());
    while (window.model().isReading()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(window.model().setSearch(QStringLiteral("0000001000")));
        benchmark::DoNotOptimize(window.model().setSearch(QString()));
    }
}
BENCHMARK(BM_JournalSearch)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(scratch());
    return 0;
}
