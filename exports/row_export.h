#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace journal {
class Journal;
}  // namespace journal

namespace exports {

// Rows of the 写卡记录 table to export as an .xlsx workbook.
struct ExportRequest {
    std::filesystem::path target;
    std::string sheetName;            // UTF-8
    std::vector<std::uint32_t> rows;  // the journal's rows (0 the oldest), in the sheet's order
};

struct ExportResult {
    enum class Kind { Written, Cancelled, Failed };
    Kind kind = Kind::Failed;
    std::string reason;  // when Failed (UTF-8, Chinese)
};

// Writes the rows, read through `journal`, to the request's target with the zeld-xlsx module,
// loaded on the first export. `done` counts the rows handed over; `cancel` stops the export
// between two rows, or discards a workbook already written. Whatever was at the target stays as
// it was unless the result is Written, and no other file is left.
[[nodiscard]] ExportResult exportRows(const journal::Journal& journal, const ExportRequest& request,
                                      std::atomic<std::size_t>& done,
                                      const std::atomic<bool>& cancel);

// exportRows on a thread of its own, so that whoever started it goes on meanwhile.
class ExportJob {
public:
    // `journal` outlives the job.
    ExportJob(const journal::Journal& journal, ExportRequest request);
    // Cancels the export and waits for its thread.
    ~ExportJob();
    ExportJob(const ExportJob&) = delete;
    ExportJob& operator=(const ExportJob&) = delete;
    ExportJob(ExportJob&&) = delete;
    ExportJob& operator=(ExportJob&&) = delete;

    [[nodiscard]] std::size_t total() const noexcept { return total_; }
    [[nodiscard]] std::size_t done() const noexcept { return done_.load(); }
    [[nodiscard]] bool finished() const noexcept { return finished_.load(); }
    void cancel() noexcept { cancel_.store(true); }
    // How it ended; only once finished().
    [[nodiscard]] const ExportResult& result() const noexcept { return result_; }

private:
    std::size_t total_;
    std::atomic<std::size_t> done_{0};
    std::atomic<bool> cancel_{false};
    std::atomic<bool> finished_{false};
    ExportResult result_;
    std::thread thread_;
};

}  // namespace exports
