#pragma once

// Journals made in the documented format for the benchmarks, kept between runs (a journal of ten
// million lines takes a while to write), and the process's memory figures (Linux).
#include "journal/batch_lines.h"
#include "journal/journal_line.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace bench {

inline constexpr int kBatchTags = 1000;

inline std::filesystem::path scratch() {
    const char* base = std::getenv("ZELD_BENCH_DIR");  // NOLINT(concurrency-mt-unsafe)
    return std::filesystem::path(base != nullptr ? base : "/var/tmp") / "zeld-journal-window-bench";
}

// A journal file with its header only, in the scratch folder.
inline std::ofstream newJournal(const std::filesystem::path& file) {
    std::filesystem::create_directories(scratch());
    std::ofstream out(file, std::ios::binary);
    out << journal::kByteOrderMark << journal::kHeader << journal::kLineEnd;
    return out;
}

// A journal of `lines` writes of ten-column lines, every fifth one failed, each of another number.
inline std::filesystem::path journalOf(int lines) {
    const auto file = scratch() / ("journal-" + std::to_string(lines) + ".csv");
    if (std::filesystem::exists(file)) {
        return file;
    }
    std::ofstream out = newJournal(file);
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

// Whether the newest batch of a batch journal is left open, as a program ended during it leaves it.
enum class Newest { LeftOpen, Ended };

// The name of the batch `index` (from 0) of such a journal: 批次0000 on, or, where every batch
// ended, B0000 on, short enough that ten million lines stay under the largest journal read.
inline std::string batchName(int index, Newest newest) {
    char name[32];
    std::snprintf(name, sizeof name, newest == Newest::Ended ? "B%04d" : "批次%04d", index);
    return name;
}

// A journal of `lines` writes made in batches of a thousand, each opened and ended (but the
// newest, when left open), named by batchName; where every batch ended, each with a bag check of
// its first ten tags after its end.
inline std::filesystem::path batchJournalOf(int lines, Newest newest = Newest::LeftOpen) {
    const auto file = scratch() / ("journal-batches-" + std::to_string(lines) +
                                   (newest == Newest::Ended ? "-ended" : "") + ".csv");
    if (std::filesystem::exists(file)) {
        return file;
    }
    std::ofstream out = newJournal(file);
    const std::string time = "2024-05-01T14:00:00+08:00";
    commands::BatchOrder order{"",         card::CardNumber{},     card::Notation::WG34,
                               kBatchTags, reader::TagChip::T5577, false};
    const auto end = [&] {
        out << journal::formatBatchEnd(time, order, 0, 0);
        if (newest == Newest::Ended) {
            for (std::uint32_t n = 0; n < 10; ++n) {
                out << journal::formatBatchCheck(
                    time, order, card::tagNumberFromValue(card::numberValue(order.first) + n),
                    true);
            }
        }
    };
    for (int i = 0; i < lines; ++i) {
        const auto n = static_cast<std::uint32_t>(i);
        if (i % kBatchTags == 0) {
            if (i > 0) {
                end();
            }
            order.name = batchName(i / kBatchTags, newest);
            order.first = card::tagNumberFromValue(n);
            out << journal::formatBatchOpen(time, order);
        }
        char line[200];
        std::snprintf(
            line, sizeof line,
            "2024-05-01T14:%02d:%02d+08:00,已写卡；批次 %s,00%08X,000,%010u,\"%03u,%05u\","
            "T5577,否,是,\r\n",
            i / 60 % 60, i % 60, order.name.c_str(), n, n, (n >> 16U) & 0xFFU, n & 0xFFFFU);
        out << line;
    }
    if (newest == Newest::Ended) {
        end();
    }
    return file;
}

// A figure of /proc/self/status, in MiB (Linux).
inline double statusMiB(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == name) {
            double kib = 0;
            status >> kib;
            return kib / 1024.0;
        }
    }
    return 0;
}

// Starts the peak resident memory afresh from what is resident now (Linux).
inline void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace bench
