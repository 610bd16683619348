// What a long paste costs in the real window: the field's own text layout, then reading the text
// back and parsing it as a write would.
#include "commands/write_request.h"
#include "reader/reader_source.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

// Owned by main, so that it goes before the application object does.
ui::MainWindow* theWindow = nullptr;

ui::MainWindow& window() {
    return *theWindow;
}

void pasteTenDigitText(const std::string& text) {
    auto* field = window().findChild<QLineEdit*>(QStringLiteral("txtIDB3B0"));
    field->setText(QString::fromStdString(text));
}

void BM_ShowPastedText(benchmark::State& state) {
    const std::string text(static_cast<std::size_t>(state.range(0)), '7');
    for (auto _ : state) {
        pasteTenDigitText(text);
        QApplication::processEvents();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ShowPastedText)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 22)
    ->Unit(benchmark::kMillisecond);

void BM_ReadAndParsePastedText(benchmark::State& state) {
    pasteTenDigitText(std::string(static_cast<std::size_t>(state.range(0)), '7'));
    for (auto _ : state) {
        benchmark::DoNotOptimize(commands::requestFrom(window().writeForm()));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadAndParsePastedText)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 22)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::MainWindow instance(std::make_unique<reader::LazyReaderLibrary>("/nonexistent/libMF1.so"));
    theWindow = &instance;
    instance.show();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theWindow = nullptr;
    return 0;
}
