#pragma once

#include "commands/batch_journal.h"
#include "commands/write_journal.h"
#include "journal/batch_lines.h"
#include "journal/batch_spans.h"
#include "journal/journal_index.h"
#include "journal/journal_rows.h"
#include "journal/row_map.h"
#include "journal/table_queries.h"
#include "platform/durable_append.h"
#include "platform/file_lock.h"
#include "platform/owned_file.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace journal {

// A write the journal recorded: its number and its time, in the present zone (ISO 8601).
struct RecordedWrite {
    card::CardNumber number;
    std::string time;

    friend bool operator==(const RecordedWrite&, const RecordedWrite&) = default;
};

// written-tags.csv in the user's data folder: a line before each MF_Write (正在写卡) and one for
// every write that reached it, each appended and synced before the write goes on, never
// rewritten. Read from the moment the journal is made (or first asked about), on a thread of its
// own and in chunks, into a compact index (journal_index.h), so that a long journal neither holds
// up the window nor costs its size in memory; asking about a number then costs no file access. The
// same reading keeps a sparse map of the 写卡记录 table's rows (row_map.h): the table asks for the
// rows it shows, which are read from the file again, and for the rows a filter shows, found on the
// reading thread. Other copies of the program may append to it too: hold() takes in what they
// appended, under a lock file beside it (written-tags.csv.lock) that they take as well. Each copy
// holds written-tags.csv.running for its lifetime, so that a second one can tell it is not alone.
// Files are opened only as platform::openOwnFile allows (no link of another user, no FIFO or
// device), and never block.
class Journal final : public commands::BatchJournal {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // How long the questions wait for the reading before they go on without the journal.
    static constexpr std::chrono::milliseconds kLoadWait{100};
    // How long hold() waits for another copy to release the journal before it goes on.
    static constexpr std::chrono::milliseconds kLockWait{1000};
    // A larger journal is not read (it is still appended to): that is decades of writing.
    static constexpr std::uint64_t kLargestFile = std::uint64_t{1} << 30U;

    // When the reading starts: at once, or when the journal is first asked about or told to
    // (startReading), so that a program's start need not share the machine with it.
    enum class Reading { Now, WhenAsked };

    // The journal at `file`; a missing file is an empty journal, created by the first append.
    explicit Journal(std::filesystem::path file, Clock clock = std::chrono::system_clock::now,
                     Reading reading = Reading::Now);
    ~Journal() override;
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;
    Journal(Journal&&) = delete;
    Journal& operator=(Journal&&) = delete;
    // The journal in the user's data folder (platform::dataFolder), read when asked.
    [[nodiscard]] static std::unique_ptr<Journal> openDefault();
    // Starts the reading, unless it has started.
    void startReading() const;

    void hold() override;
    void release() override;
    [[nodiscard]] std::optional<std::string> unavailable() const override;
    [[nodiscard]] std::optional<std::string> lastVerifiedWrite(
        const card::CardNumber& number) const override;
    [[nodiscard]] std::optional<commands::SharedView> sharedView(
        const card::CardNumber& number, card::Notation view) const override;
    [[nodiscard]] bool sharesView(const card::CardNumber& number) const override;
    // Has the reading thread make, once the journal is read, what the questions about shared
    // views need (tens of milliseconds for 10^6 numbers), so that the first of them, e.g. a
    // batch's range check, need not: for whoever sets up a batch to ask for as it begins.
    void prepareViews();
    [[nodiscard]] std::optional<commands::JournalTrouble> beginWrite(
        const commands::JournalEntry& entry) override;
    [[nodiscard]] std::optional<commands::JournalTrouble> append(
        const commands::JournalEntry& entry) override;
    // Only once the reading has ended: before, no write of the number is known unsettled.
    [[nodiscard]] bool unsettled(const card::CardNumber& number) const override;
    [[nodiscard]] std::optional<commands::JournalTrouble> settle(const card::CardNumber& number,
                                                                 bool seenOnTag) override;
    [[nodiscard]] std::optional<commands::JournalTrouble> settleInBatch(
        const card::CardNumber& number, const std::string& name) override;

    // A batch's lines (batch_lines.h), appended as a write's are. The reading keeps where each
    // batch's lines lie and what its bag check saw (batch_spans.h): its questions read only its
    // own lines, once the reading has ended.
    [[nodiscard]] std::optional<commands::JournalTrouble> openBatch(
        const commands::BatchOrder& order) override;
    [[nodiscard]] std::optional<commands::JournalTrouble> appendInBatch(
        const commands::JournalEntry& entry, const std::string& name) override;
    [[nodiscard]] std::optional<commands::JournalTrouble> endBatch(
        const commands::BatchOrder& order, std::uint64_t firstVoid, std::uint64_t voided) override;
    [[nodiscard]] std::optional<commands::BatchRecord> unfinishedBatch() const override;
    [[nodiscard]] std::optional<commands::JournalTrouble> recordCheck(
        const commands::BatchOrder& order, const card::CardNumber& number, bool belongs) override;
    [[nodiscard]] std::optional<commands::CheckRecord> batchToCheck(
        const std::string& name) const override;
    // The newest batch named `name` and its rows, for its list; empty when the file cannot be
    // read.
    [[nodiscard]] BatchLog batchLog(std::string_view name) const;

    // The newest write, when the journal found it started and never ended when it was read: the
    // program ended during it, and the tag may or may not hold its number; nothing once a later
    // write or a settlement (settle) was recorded. Waits for the reading.
    [[nodiscard]] std::optional<RecordedWrite> interruptedWrite() const;
    // The newest verified write, this session's included, or a write whose tag was later seen
    // holding its number (settle). Waits for the reading.
    [[nodiscard]] std::optional<RecordedWrite> lastWrite() const;
    // Whether another copy of the program had the journal open when this one was made.
    [[nodiscard]] bool anotherCopyOpen() const noexcept { return anotherCopyOpen_; }
    // Why the last hold() went on without the lock (another copy kept it too long), or nothing.
    [[nodiscard]] const std::optional<std::string>& holdProblem() const noexcept {
        return holdProblem_;
    }

    // Where the journal is; empty when the data folder is unknown.
    [[nodiscard]] const std::filesystem::path& file() const noexcept { return file_; }
    // Whether the reading has ended; never waits.
    [[nodiscard]] bool isLoaded() const;
    // Whether the reading ends within `limit`.
    [[nodiscard]] bool waitLoaded(std::chrono::milliseconds limit) const;
    // Why the journal could not be read (UTF-8), or nothing. Waits for the reading.
    [[nodiscard]] const std::optional<std::string>& loadError() const;
    // How many different numbers it holds as verified writes. Waits for the reading.
    [[nodiscard]] std::size_t verifiedNumbers() const;
    // The bytes its index and its map of the table's rows keep. Waits for the reading.
    [[nodiscard]] std::size_t bytesKept() const;

    // --- The 写卡记录 table ---------------------------------------------------------------------
    struct Table {
        bool loaded = false;
        std::size_t rows = 0;
        std::size_t settledRows = 0;  // rows no line to come can change (RowMap)
        RowCounts counts;
        std::size_t unreadable = 0;     // lines not shown, the header not counted
        std::size_t settlements = 0;    // rows a settlement changed: a row shown may have changed
        std::uint64_t generation = 0;   // changes when the file was replaced and read anew
        std::size_t batchOpenings = 0;  // changes when a batch was opened (batchNames)
        std::optional<std::string> error;
    };
    // The table as far as it was read; never waits.
    [[nodiscard]] Table table() const;
    // The stride of rows that holds `row` (0 is the oldest); nothing when it cannot be read.
    [[nodiscard]] std::shared_ptr<const RowBlock> rowBlock(std::size_t row) const;
    // Takes in what was appended since the journal was last read.
    void readAppended();
    // The rows `filter` shows: found on the reading thread, or at once when the journal is short.
    [[nodiscard]] std::shared_ptr<RowScan> scanRows(const RowFilter& filter);
    // The names of the batches opened in the journal as far as it was read, the most recently
    // opened first; never waits.
    [[nodiscard]] std::vector<std::string> batchNames() const;
    // The names of the local batches opened and not ended, the most recently opened first: those
    // a station may go on with. Waits for the reading, as unfinishedBatch.
    [[nodiscard]] std::vector<std::string> unfinishedBatchNames() const;
    // Whether the journal, as far as it was read, holds a local batch opened and not ended: only
    // then need unfinishedBatch read its lines. Never waits.
    [[nodiscard]] bool batchLeftOpen() const;

private:
    struct Unknown {};
    Journal(Unknown, std::string reason);

    struct Read {
        JournalIndex index;
        RowMap rows;
        BatchSpans batches;
        std::uint64_t offset = 0;  // bytes of whole lines read
        std::optional<std::string> error;
    };

    void serve() noexcept;
    void load() noexcept;
    // Reads the whole lines from `offset` on into `read`; false when told to stop.
    bool readLines(const platform::OwnedFile& file, std::uint64_t size, Read& read) const;
    // Maps the rows of a file that replaced the one read, up to `size`.
    void mapRowsAnew(const platform::OwnedFile& file, std::uint64_t size);
    void refresh();
    void awaitLoad() const;
    [[nodiscard]] std::optional<commands::JournalTrouble> record(
        const commands::JournalEntry& entry);
    // Appends a line no write's: the index passes over it as the reading does.
    [[nodiscard]] std::optional<commands::JournalTrouble> appendLine(const std::string& line);
    // Appends a line to the file on disk, the file's header first when it is new.
    [[nodiscard]] util::Expected<platform::Appended, commands::JournalTrouble> appendToFile(
        const std::string& line);
    // The file's bytes from `from` up to `until`, or why they could not be read.
    [[nodiscard]] std::optional<std::string> readRange(std::uint64_t from, std::uint64_t until,
                                                       std::string& text) const;
    // Where the newest batch named `name` lies, as far as the file goes now; waits for the
    // reading.
    [[nodiscard]] std::optional<BatchSpans::Newest> newestLines(std::string_view name) const;
    // That batch's log, from its own lines alone.
    [[nodiscard]] BatchLog readNewest(std::string_view name, const BatchSpans::Newest& lines) const;
    // Appends a line this program wrote (with its line end), taken in at once.
    [[nodiscard]] std::optional<commands::JournalTrouble> recordLine(const std::string& line);
    void markOpen();

    std::filesystem::path file_;
    Clock clock_;
    bool anotherCopyOpen_ = false;
    platform::FileLock running_;  // written-tags.csv.running, locked while this copy lives
    platform::FileLock lock_;     // written-tags.csv.lock, locked between hold and release
    std::optional<std::string> holdProblem_;

    mutable std::mutex mutex_;
    mutable std::condition_variable loadedChanged_;
    bool loaded_ = false;
    Read read_;
    std::optional<KeyedWrite> interrupted_;
    std::vector<std::string> ownLines_;  // recorded before the reading ended, without line ends
    std::uint64_t generation_ = 0;
    TableQueries queries_{file_};          // after file_, which it reads
    std::condition_variable jobsChanged_;  // under mutex_
    std::deque<std::function<void()>> jobs_;
    std::atomic<bool> stop_{false};
    // Started by the first question asked, whichever: asking is const.
    mutable std::once_flag readingStarted_;
    mutable std::thread loader_;
};

// ISO 8601 local time with its offset from UTC, e.g. 2024-05-01T14:03:22+08:00.
[[nodiscard]] std::string isoLocalTime(std::chrono::system_clock::time_point time);

// The journal's file name in the data folder.
inline constexpr const char* kFileName = "written-tags.csv";

}  // namespace journal
