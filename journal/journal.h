#pragma once

#include "commands/write_journal.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

namespace journal {

// written-tags.csv in the user's data folder: one line for every write that reached MF_Write,
// appended and synced before the write's beep, never rewritten. Read once when opened; the
// verified writes are then kept in memory, so asking about a number costs no file access.
class Journal final : public commands::WriteJournal {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // The journal at `file`; a missing file is an empty journal, created by the first append.
    explicit Journal(std::filesystem::path file, Clock clock = std::chrono::system_clock::now);
    // The journal in the user's data folder (platform::dataFolder).
    [[nodiscard]] static Journal openDefault();

    [[nodiscard]] std::optional<std::string> lastVerifiedWrite(
        const card::TagNumber& number) const override;
    [[nodiscard]] std::optional<std::string> append(const commands::JournalEntry& entry) override;

    // Where the journal is; empty when the data folder is unknown.
    [[nodiscard]] const std::filesystem::path& file() const noexcept { return file_; }
    // Why the journal could not be read when opened (UTF-8), or nothing.
    [[nodiscard]] const std::optional<std::string>& loadError() const noexcept {
        return loadError_;
    }
    // How many different numbers it holds as verified writes.
    [[nodiscard]] std::size_t verifiedNumbers() const noexcept { return verified_.size(); }

private:
    struct Unknown {};
    Journal(Unknown, std::string reason);
    void load();

    std::filesystem::path file_;
    Clock clock_;
    std::optional<std::string> loadError_;
    // Number key (journal_line.h) to the time of its last verified write.
    std::unordered_map<std::uint64_t, std::string> verified_;
};

// ISO 8601 local time with its offset from UTC, e.g. 2024-05-01T14:03:22+08:00.
[[nodiscard]] std::string isoLocalTime(std::chrono::system_clock::time_point time);

// The journal's file name in the data folder.
inline constexpr const char* kFileName = "written-tags.csv";

}  // namespace journal
