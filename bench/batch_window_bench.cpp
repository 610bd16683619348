// Each batch action through the window's own path, offscreen, over a journal of writes made in
// batches of a thousand: how long from the press to what it shows (its dialog, the batch in the
// window, its check), the longest the window's thread was held meanwhile, and the memory the
// action adds at its peak above the window's steady size. One run is one sitting: 批次…, 以往批次
// -> 打开, 核对, 打印…, 导出…, 开始 of a 10,000-number batch none of whose numbers the journal has,
// then a new window over the same journal and its offer of that batch, left unfinished. The
// journal is cut back to its size afterwards.
#include "bench/bench_journals.h"
#include "journal/journal.h"
#include "reader/reader_source.h"
#include "ui/main_window.h"

#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Whether an action failed to show what it should: the run then fails too (ctest runs it small).
bool failed = false;

void fail(benchmark::State& state, const std::string& why) {
    failed = true;
    state.SkipWithError(why.c_str());
}

// What one action cost.
struct Cost {
    double ms = -1;  // from the press to what it shows; -1 when it never showed
    double heldMs = 0;
    double addedMiB = 0;
};

// Presses, then keeps the window's event loop (a modal dialog's own included) turning until
// `shown` holds, when `dismiss` closes what showed. A timer ticking every millisecond meanwhile
// says how long the window's thread was held at most.
Cost timeAction(
    const std::function<void()>& press, const std::function<bool()>& shown,
    const std::function<void()>& dismiss = [] {}) {
    Cost cost;
    bench::resetPeak();
    const double before = bench::statusMiB("VmRSS:");
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        cost.heldMs = std::max(cost.heldMs, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
        if (cost.ms < 0 && shown()) {
            cost.ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            dismiss();
        }
    });
    clock.start();
    sinceTick.start();
    tick.start();
    press();
    const QDeadlineTimer deadline(60000);
    while (cost.ms < 0 && !deadline.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    tick.stop();
    cost.addedMiB = bench::statusMiB("VmHWM:") - before;
    return cost;
}

template <class Widget>
Widget* modal() {
    return qobject_cast<Widget*>(QApplication::activeModalWidget());
}

template <class Widget>
Widget& child(QObject& parent, const char* name) {
    auto* found = parent.findChild<Widget*>(QString::fromUtf8(name));
    if (found == nullptr) {
        throw std::runtime_error(std::string("no control named ") + name);
    }
    return *found;
}

void click(QObject& parent, const char* name) {
    child<QAbstractButton>(parent, name).click();
}

// Opens 批次… and, from within its dialog's loop, does `what` with it; what it throws is thrown
// here, not through Qt.
void inDialog(ui::MainWindow& window, const std::function<void(QDialog&)>& what) {
    std::exception_ptr thrown;
    QTimer::singleShot(0, [&] {
        auto* dialog = modal<QDialog>();
        try {
            if (dialog == nullptr) {
                throw std::runtime_error("批次… showed no dialog");
            }
            what(*dialog);
        } catch (...) {
            thrown = std::current_exception();
        }
        if (dialog != nullptr && dialog->isVisible()) {
            dialog->reject();
        }
    });
    window.showBatchDialog();
    if (thrown) {
        std::rethrow_exception(thrown);
    }
}

enum Action : std::size_t { Dialog, OpenEarlier, Check, Print, Export, Begin, Offer, kActions };
constexpr std::array<const char*, kActions> kNames{"dialog", "open",  "check", "print",
                                                   "export", "begin", "offer"};

std::unique_ptr<journal::Journal> loaded(const std::filesystem::path& file) {
    auto journal = std::make_unique<journal::Journal>(file);
    if (!journal->waitLoaded(std::chrono::minutes(5))) {
        throw std::runtime_error("the journal was not read");
    }
    return journal;
}

std::unique_ptr<ui::MainWindow> windowOver(std::unique_ptr<journal::Journal> journal) {
    auto window = std::make_unique<ui::MainWindow>(
        std::make_unique<reader::LazyReaderLibrary>("/nonexistent/libMF1.so"), std::move(journal));
    window->show();
    return window;
}

// One sitting, as described above.
std::array<Cost, kActions> sitting(const std::filesystem::path& file, int lines,
                                   const std::string& newName, double& steadyMiB) {
    std::array<Cost, kActions> costs{};
    auto window = windowOver(loaded(file));
    while (!window->isVisible()) {
        QApplication::processEvents();
    }
    QApplication::processEvents();
    ui::MainWindow& shown = *window;
    steadyMiB = bench::statusMiB("VmRSS:");

    costs[Dialog] =
        timeAction([&] { shown.showBatchDialog(); }, [] { return modal<QDialog>() != nullptr; },
                   [] { modal<QDialog>()->reject(); });

    // 以往批次 -> 打开: a batch in the middle of the journal.
    const QString earlier = QString::fromStdString(
        bench::batchName(lines / bench::kBatchTags / 2, bench::Newest::Ended));
    inDialog(shown, [&](QDialog& dialog) {
        auto& names = child<QComboBox>(dialog, "以往批次");
        names.setCurrentIndex(names.findText(earlier));
        costs[OpenEarlier] = timeAction([&] { click(dialog, "打开批次"); },
                                        [&] { return shown.batch() != nullptr; });
    });

    costs[Check] = timeAction([&] { click(shown, "核对"); },
                              [&] { return child<QWidget>(shown, "batchCheck").isVisible(); });
    click(shown, "核对");
    costs[Print] = timeAction([&] { click(shown, "打印批次"); },
                              [] { return modal<QPrintDialog>() != nullptr; },
                              [] { modal<QPrintDialog>()->reject(); });
    costs[Export] = timeAction([&] { click(shown, "导出批次"); },
                               [] { return modal<QFileDialog>() != nullptr; },
                               [] { modal<QFileDialog>()->reject(); });
    click(shown, "关闭批次");

    // 开始: numbers far above any the journal has, so that no question is asked.
    inDialog(shown, [&](QDialog& dialog) {
        child<QLineEdit>(dialog, "名称").setText(QString::fromStdString(newName));
        child<QLineEdit>(dialog, "版本或客户号").setText(QStringLiteral("0"));
        child<QLineEdit>(dialog, "起始号码").setText(QStringLiteral("3000000000"));
        child<QLineEdit>(dialog, "张数").setText(QStringLiteral("10000"));
        costs[Begin] =
            timeAction([&] { click(dialog, "开始"); }, [&] { return shown.batch() != nullptr; });
    });
    window.reset();

    // The batch just begun, left unfinished, offered by a new window once it has read the journal.
    auto journal = loaded(file);
    costs[Offer] = timeAction([&] { window = windowOver(std::move(journal)); },
                              [] { return modal<QMessageBox>() != nullptr; },
                              [] { modal<QMessageBox>()->reject(); });
    window.reset();
    return costs;
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return -1;
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Per action: the median time from press to sight, and the worst hold and memory of the runs.
void BM_BatchActions(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    const auto file = bench::batchJournalOf(lines, bench::Newest::Ended);
    const auto size = std::filesystem::file_size(file);
    ::sync();  // a journal just made is not left for the first synced append to write out
    std::array<Cost, kActions> worst{};
    std::array<std::vector<double>, kActions> times;
    int run = 0;
    double steadyMiB = 0;  // the window over the journal read, before any action
    for (auto _ : state) {
        std::array<Cost, kActions> costs{};
        try {
            costs = sitting(file, lines, "新批次" + std::to_string(++run), steadyMiB);
        } catch (const std::exception& e) {
            std::filesystem::resize_file(file, size);
            fail(state, e.what());
            return;
        }
        std::filesystem::resize_file(file, size);
        for (std::size_t a = 0; a < kActions; ++a) {
            if (costs[a].ms < 0) {
                fail(state, std::string(kNames[a]) + " showed nothing");
                return;
            }
            times[a].push_back(costs[a].ms);
            worst[a].ms = std::max(worst[a].ms, costs[a].ms);
            worst[a].heldMs = std::max(worst[a].heldMs, costs[a].heldMs);
            worst[a].addedMiB = std::max(worst[a].addedMiB, costs[a].addedMiB);
        }
        state.SetIterationTime(costs[Dialog].ms / 1e3);
    }
    state.counters["steady_MiB"] = steadyMiB;
    for (std::size_t a = 0; a < kActions; ++a) {
        const std::string name = kNames[a];
        state.counters[name + "_ms"] = median(times[a]);
        state.counters[name + "_held_ms"] = worst[a].heldMs;
        state.counters[name + "_adds_MiB"] = worst[a].addedMiB;
    }
}
// The ctest run keeps to the small journal (batch_window_bench_small).
BENCHMARK(BM_BatchActions)
    ->Arg(20000)
    ->Arg(1000000)
    ->Arg(10000000)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return failed ? 1 : 0;
}
