// 写卡记录 over a long journal the program has read, offscreen: how soon the window shows its
// newest rows on top and has painted them, beside the same over an empty journal; how long the
// window's thread is held at most meanwhile (the main window shares that thread); and the memory
// the window adds to the journal's. Then an export of a million rows from it.
#include "bench/bench_journals.h"
#include "journal/journal.h"
#include "ui/journal_model.h"
#include "ui/journal_window.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using bench::batchJournalOf;
using bench::journalOf;
using bench::kBatchTags;
using bench::resetPeak;
using bench::scratch;
using bench::statusMiB;

struct Opened {
    double firstPaintMs = 0;   // made, shown and painted once, whatever it had by then
    double newestOnTopMs = 0;  // the newest row on top and painted
    double longestStallMs = 0;
    double addedMiB = 0;  // the peak above what was resident before
};

// Opens the window over `journal`, waits until its newest row is on top and painted.
Opened open(journal::Journal& journal, std::size_t rows) {
    Opened opened;
    resetPeak();
    const double before = statusMiB("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    auto window = std::make_unique<ui::JournalWindow>(journal, std::chrono::system_clock::now());
    window->show();
    benchmark::DoNotOptimize(window->grab());
    opened.firstPaintMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    const ui::JournalModel& model = window->model();
    while (model.isReading() || static_cast<std::size_t>(model.shownRows()) != rows) {
        QElapsedTimer turn;
        turn.start();
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        opened.longestStallMs =
            std::max(opened.longestStallMs, static_cast<double>(turn.nsecsElapsed()) / 1e6);
    }
    benchmark::DoNotOptimize(window->grab());  // painted, the newest rows' texts made
    opened.newestOnTopMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    opened.addedMiB = statusMiB("VmHWM:") - before;
    if (rows > 0 && model.index(0, 5).data().toString().isEmpty()) {
        opened.newestOnTopMs = -1;
    }
    return opened;
}

void BM_JournalWindowOpen(benchmark::State& state) {
    const auto rows = static_cast<std::size_t>(state.range(0));
    journal::Journal empty(scratch() / "empty.csv");
    journal::Journal journal(journalOf(static_cast<int>(rows)));
    if (!empty.waitLoaded(std::chrono::minutes(1)) ||
        !journal.waitLoaded(std::chrono::minutes(5))) {
        state.SkipWithError("the journal was not read");
        return;
    }
    Opened worst;
    double emptyMs = 0;
    double firstPaintMs = 0;
    for (auto _ : state) {
        const Opened none = open(empty, 0);
        const Opened opened = open(journal, rows);
        if (opened.newestOnTopMs < 0) {
            state.SkipWithError("the newest row was not shown");
            return;
        }
        state.SetIterationTime(opened.newestOnTopMs / 1e3);
        emptyMs += none.firstPaintMs;
        firstPaintMs += opened.firstPaintMs;
        worst.longestStallMs = std::max(worst.longestStallMs, opened.longestStallMs);
        worst.addedMiB = std::max(worst.addedMiB, opened.addedMiB);
    }
    state.counters["first_paint_ms"] =
        benchmark::Counter(firstPaintMs, benchmark::Counter::kAvgIterations);
    state.counters["empty_first_paint_ms"] =
        benchmark::Counter(emptyMs, benchmark::Counter::kAvgIterations);
    state.counters["longest_stall_ms"] = worst.longestStallMs;
    state.counters["window_adds_MiB"] = worst.addedMiB;
    state.counters["journal_kept_MiB"] =
        static_cast<double>(journal.bytesKept()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_JournalWindowOpen)
    ->Arg(1000)
    ->Arg(1000000)
    ->Arg(10000000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// Changing the filter over a million rows: a search by number, then back to all.
void BM_JournalSearch(benchmark::State& state) {
    journal::Journal journal(journalOf(static_cast<int>(state.range(0))));
    ui::JournalWindow window(journal, std::chrono::system_clock::now());
    const auto settle = [&window] {
        while (window.model().isReading()) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    };
    settle();
    for (auto _ : state) {
        benchmark::DoNotOptimize(window.model().setSearch(QStringLiteral("0000001000")));
        settle();
        benchmark::DoNotOptimize(window.model().setSearch(QString()));
        settle();
    }
}
BENCHMARK(BM_JournalSearch)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Choosing a batch under 批次 over a journal of a million writes made in batches, until the
// table shows its rows: an ended one in the middle of the journal (0), the newest, still open
// (1), and a name no opening has, looked for through the whole journal (2).
void BM_JournalBatchFilter(benchmark::State& state) {
    journal::Journal journal(batchJournalOf(1000000));
    ui::JournalWindow window(journal, std::chrono::system_clock::now());
    const auto settle = [&window] {
        while (window.model().isReading()) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    };
    settle();
    const std::array<QString, 3> names{QStringLiteral("批次0500"), QStringLiteral("批次0999"),
                                       QStringLiteral("无此批次")};
    const QString& name = names.at(static_cast<std::size_t>(state.range(0)));
    const int expected = state.range(0) == 2 ? 0 : kBatchTags;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        window.showBatch(name);
        settle();
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        if (window.model().shownRows() != expected) {
            state.SkipWithError("the batch's rows were not shown");
            return;
        }
        window.showBatch(QString());
        settle();
    }
}
BENCHMARK(BM_JournalBatchFilter)
    ->DenseRange(0, 2)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// Exporting every row of a journal of a million lines as .xlsx from the open window, as 导出… does:
// the whole export's time, the longest the window's thread is held meanwhile (it must repaint and
// answer throughout) and the memory the export adds at its peak.
void BM_Export(benchmark::State& state) {
    const auto rows = static_cast<std::size_t>(state.range(0));
    journal::Journal journal(journalOf(static_cast<int>(rows)));
    ui::JournalWindow window(journal, std::chrono::system_clock::now());
    window.show();
    while (window.model().isReading()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const QString target =
        QString::fromStdString((scratch() / ("export-" + std::to_string(rows) + ".xlsx")).string());
    // A timer of 10 ms on the window's thread, as a repaint would be: the longest gap between two
    // of its ticks is the longest the thread was held.
    constexpr double kTickMs = 10;
    QTimer tick;
    tick.setInterval(static_cast<int>(kTickMs));
    QElapsedTimer sinceTick;
    double longestGapMs = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGapMs = std::max(longestGapMs, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
    });
    double addedMiB = 0;
    for (auto _ : state) {
        resetPeak();
        const double before = statusMiB("VmRSS:");
        QEventLoop loop;
        QObject::connect(&window, &ui::JournalWindow::exportEnded, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        if (!window.startExport(target, ui::JournalWindow::Rows::Shown)) {
            state.SkipWithError("the export did not start");
            return;
        }
        sinceTick.start();
        tick.start();
        loop.exec();
        tick.stop();
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        addedMiB = std::max(addedMiB, statusMiB("VmHWM:") - before);
    }
    state.counters["longest_tick_gap_ms"] = longestGapMs;
    state.counters["export_adds_MiB"] = addedMiB;
    state.counters["file_MiB"] =
        static_cast<double>(std::filesystem::file_size(target.toStdString())) / (1024.0 * 1024.0);
}
BENCHMARK(BM_Export)->Arg(1000000)->Iterations(2)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
