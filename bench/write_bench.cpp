// What the program itself costs around the radio: one press of the write button through the real
// window with a reader library that answers at once (the journal's line synced to disk included),
// and the window's start-up with a journal of 100,000 lines beside one with none.
#include "commands/batch_session.h"
#include "commands/write_command.h"
#include "journal/journal.h"
#include "reader/reader_source.h"

#include "instant_reader.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyleHints>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

using bench_support::InstantSource;

std::filesystem::path scratch() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("zeld-write-bench-" + std::to_string(QCoreApplication::applicationPid()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

void press(QWidget* button) {
    const QPoint centre = button->rect().center();
    const QPoint global = button->mapToGlobal(centre);
    QMouseEvent down(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QMouseEvent up(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(button, &down);
    QApplication::sendEvent(button, &up);
}

// One press of 写卡号 with + 1 ticked, each onto a new blank tag and a new number: select, read,
// write, read back, journal (synced), beep, advance. Arg 0: the journal on a RAM disk (no disk
// sync); 1: on the disk.
void BM_WritePress(benchmark::State& state) {
    const bool onDisk = state.range(0) == 1;
    const std::filesystem::path ramDisk = "/dev/shm";
    const std::filesystem::path folder = onDisk || !std::filesystem::is_directory(ramDisk)
                                             ? scratch() / "disk"
                                             : ramDisk / scratch().filename();
    std::filesystem::remove_all(folder);
    ui::MainWindow window(std::make_unique<InstantSource>(),
                          std::make_unique<journal::Journal>(folder / "written-tags.csv"));
    window.show();
    QApplication::processEvents();
    window.findChild<QCheckBox*>(QStringLiteral("chkIDADD1"))->setChecked(true);
    auto* write = window.findChild<QPushButton*>(QStringLiteral("cmdIDWrite"));
    for (auto _ : state) {
        press(write);
    }
    if (!window.statusMessage().startsWith(QStringLiteral("已写卡 "))) {
        state.SkipWithError(window.statusMessage().toStdString().c_str());
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_WritePress)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

// One press of the write use case, without the window, onto a new blank tag: arg 0 the +1's
// write outside a batch, arg 1 the press of a batch (its view question and its named line
// besides). Their ratio is what a batch costs a press. The journal on a RAM disk where there is
// one, so that the disk's sync does not drown the difference.
void BM_UseCasePress(benchmark::State& state) {
    const bool inBatch = state.range(0) == 1;
    const std::filesystem::path ramDisk = "/dev/shm";
    const std::filesystem::path folder =
        (std::filesystem::is_directory(ramDisk) ? ramDisk / scratch().filename() : scratch()) /
        (inBatch ? "batch" : "single");
    std::filesystem::remove_all(folder);
    InstantSource source;
    journal::Journal journal(folder / "written-tags.csv");
    static_cast<void>(journal.waitLoaded(std::chrono::seconds(10)));
    const commands::BatchOrder order{"bench",   card::CardNumber{},     card::Notation::WG34,
                                     100000000, reader::TagChip::T5577, false};
    const commands::Batch batch = *commands::Batch::create(order);
    auto session = commands::BatchSession::start(batch, journal);
    commands::WriteRequest single = batch.request(0);
    single.advance = true;
    const commands::Confirm no;
    bool verified = true;
    for (auto _ : state) {
        if (inBatch) {
            const auto press = session->press(source, no);
            verified = verified && press.write && press.write->verified();
        } else {
            const auto outcome = commands::writeTag(single, source, journal, no);
            verified = verified && outcome.verified();
            single.number = *commands::numberAfter(outcome);
        }
    }
    if (!verified) {
        state.SkipWithError("a press was not verified");
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_UseCasePress)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A journal of `lines` verified writes, each of another number.
std::filesystem::path journalOf(int lines) {
    const auto file = scratch() / ("journal-" + std::to_string(lines) + ".csv");
    if (std::filesystem::exists(file)) {
        return file;
    }
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out << "\xEF\xBB\xBF时间,结果,十六进制,版本或客户号,前十位号,后八位号,芯片,保护\r\n";
    for (int i = 0; i < lines; ++i) {
        const auto n = static_cast<std::uint32_t>(i) * 2654435761U;  // spread over the range
        char line[160];
        std::snprintf(
            line, sizeof line,
            "2024-05-01T14:03:22+08:00,已写卡,00%08X,000,%010u,\"%03u,%05u\",T5577,否\r\n", n, n,
            (n >> 16U) & 0xFFU, n & 0xFFFFU);
        out << line;
    }
    return file;
}

// The window's start-up: the window built with its journal opened, shown, its first paint. The
// journal is read after that (BM_JournalLoad).
void BM_StartUp(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    const auto file = lines > 0 ? journalOf(lines) : scratch() / "none" / "written-tags.csv";
    for (auto _ : state) {
        // Read when asked, as the program opens it: the window starts the reading once painted.
        auto window = std::make_unique<ui::MainWindow>(
            std::make_unique<InstantSource>(),
            std::make_unique<journal::Journal>(file, std::chrono::system_clock::now,
                                               journal::Journal::Reading::WhenAsked));
        window->show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window->statusMessage());
        // Closing it (which waits for the journal's reading to end) is not start-up.
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUp)->Arg(0)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The journal's reading, which starts beside the window once it has been painted: a write pressed
// before it ends waits for it.
void BM_JournalLoad(benchmark::State& state) {
    const auto file = journalOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const journal::Journal loaded(file);
        benchmark::DoNotOptimize(loaded.verifiedNumbers());
    }
}
BENCHMARK(BM_JournalLoad)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Every press in the benchmark counts: none falls within a double-click interval.
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(scratch());
    return 0;
}
