#include "card/card_number.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// A full ten-digit field, as a read leaves it.
void BM_ParseLenientTenDigit(benchmark::State& state) {
    const std::string text = "4294967295";
    for ([[maybe_unused]] auto _ : state) {
        benchmark::DoNotOptimize(card::parseLenient(text));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseLenientTenDigit);

// A paste of `state.range(0)` bytes of digits: time per byte stays flat if parsing is linear.
void BM_ParseLenientDigitPaste(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    std::string text;
    text.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        text.push_back(static_cast<char>('0' + (i * 7U + 3U) % 10U));
    }
    for ([[maybe_unused]] auto _ : state) {
        benchmark::DoNotOptimize(card::parseLenient(text));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseLenientDigitPaste)->RangeMultiplier(4)->Range(1 << 10, 1 << 20);

// A paste of blanks and full-width digits, as an input method produces them.
void BM_ParseLenientFullWidthPaste(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    const std::string unit = "\xEF\xBC\x91\xE3\x80\x80\xEF\xBC\x92 \xEF\xBC\x93\t";  // 1 2 3
    std::string text;
    text.reserve(size + unit.size());
    while (text.size() < size) {
        text += unit;
    }
    for ([[maybe_unused]] auto _ : state) {
        benchmark::DoNotOptimize(card::parseLenient(text));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseLenientFullWidthPaste)->RangeMultiplier(4)->Range(1 << 10, 1 << 20);

void BM_FormatPaddedWhole(benchmark::State& state) {
    double value = 4294967295.0;
    for ([[maybe_unused]] auto _ : state) {
        benchmark::DoNotOptimize(value);
        benchmark::DoNotOptimize(card::formatPadded(value, 10));
    }
}
BENCHMARK(BM_FormatPaddedWhole);

void BM_FormatPaddedFraction(benchmark::State& state) {
    double value = 123456789.123;
    for ([[maybe_unused]] auto _ : state) {
        benchmark::DoNotOptimize(value);
        benchmark::DoNotOptimize(card::formatPadded(value, 10));
    }
}
BENCHMARK(BM_FormatPaddedFraction);

void BM_SplitTenDigit(benchmark::State& state) {
    double value = 305419896.0;
    for ([[maybe_unused]] auto _ : state) {
        benchmark::DoNotOptimize(value);
        benchmark::DoNotOptimize(card::splitTenDigit(value));
    }
}
BENCHMARK(BM_SplitTenDigit);

}  // namespace
