#pragma once

#include "commands/write_journal.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace journal {

// written-tags.csv in the user's data folder: one line for every write that reached MF_Write,
// appended and synced before the write's beep, never rewritten. Read once, on a thread of its own
// so that a long journal does not hold up the window; the verified writes are then kept in
// memory, so asking about a number costs no file access. Whatever needs what was read starts the
// reading if it has not started, and waits for it to end.
class Journal final : public commands::WriteJournal {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // The journal at `file`, not read yet; a missing file is an empty journal, created by the
    // first append.
    explicit Journal(std::filesystem::path file, Clock clock = std::chrono::system_clock::now);
    ~Journal() override;
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;
    Journal(Journal&&) = delete;
    Journal& operator=(Journal&&) = delete;
    // The journal in the user's data folder (platform::dataFolder).
    [[nodiscard]] static std::unique_ptr<Journal> openDefault();

    [[nodiscard]] std::optional<std::string> lastVerifiedWrite(
        const card::TagNumber& number) const override;
    [[nodiscard]] std::optional<std::string> append(const commands::JournalEntry& entry) override;

    // Where the journal is; empty when the data folder is unknown.
    [[nodiscard]] const std::filesystem::path& file() const noexcept { return file_; }
    // Starts reading the file, unless it has started; returns at once.
    void startLoading() const;
    // Whether the reading has ended; never waits.
    [[nodiscard]] bool isLoaded() const;
    // Why the journal could not be read (UTF-8), or nothing.
    [[nodiscard]] const std::optional<std::string>& loadError() const;
    // How many different numbers it holds as verified writes.
    [[nodiscard]] std::size_t verifiedNumbers() const;

    // A time as the journal keeps it, in place: no allocation for each of many lines.
    struct Stamp {
        std::array<char, 32> text{};
        std::uint8_t size = 0;
    };
    // Number key (journal_line.h) to the time of its last verified write.
    using Verified = std::unordered_map<std::uint64_t, Stamp>;

private:
    struct Loaded {
        Verified verified;
        std::optional<std::string> error;
    };
    struct Unknown {};
    Journal(Unknown, std::string reason);
    // What the file holds; never throws (a failure becomes the error).
    [[nodiscard]] static Loaded load(const std::filesystem::path& file) noexcept;
    [[nodiscard]] static Loaded read(const std::filesystem::path& file);
    // Waits for the reading to end and takes what it read.
    void awaitLoad() const;

    std::filesystem::path file_;
    Clock clock_;
    mutable bool started_ = false;
    mutable std::future<Loaded> loading_;
    mutable Loaded loaded_;
};

// ISO 8601 local time with its offset from UTC, e.g. 2024-05-01T14:03:22+08:00.
[[nodiscard]] std::string isoLocalTime(std::chrono::system_clock::time_point time);

// The journal's file name in the data folder.
inline constexpr const char* kFileName = "written-tags.csv";

}  // namespace journal
