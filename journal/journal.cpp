#include "journal/journal.h"

#include "commands/shared_batch_name.h"

#include "journal/journal_line.h"
#include "journal/line_pieces.h"
#include "journal/row_reading.h"
#include "platform/durable_append.h"
#include "platform/local_time.h"
#include "platform/owned_file.h"
#include "platform/system_reason.h"
#include "platform/user_folders.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace journal {

namespace {

// The local batches not ended, the most recently opened first. A new batch may be begun while an
// older one waits to be continued. A shared batch's stays open while others write it, and is
// offered from the database.
std::vector<std::string> localOpen(const BatchSpans& batches) {
    std::vector<std::string> open;
    for (std::string& name : batches.names()) {  // newest first
        if (commands::isSharedBatchName(name)) {
            continue;
        }
        if (const auto lines = batches.newest(name); lines && !lines->endedAt) {
            open.push_back(std::move(name));
        }
    }
    return open;
}

std::optional<std::string> localLeftOpen(const BatchSpans& batches) {
    auto open = localOpen(batches);
    if (open.empty()) {
        return std::nullopt;
    }
    return std::move(open.front());
}

// From this many bytes on, the next piece is read while the last one is taken in.
constexpr std::uint64_t kReadInTwoFrom = 4 * LinePieces::kPieceBytes;
// Records looked up this far ahead of being taken in, so that the index's memory is fetched
// meanwhile.
constexpr std::size_t kAhead = 16;
// A journal this short is looked through for a filter at once, on the window's thread.
constexpr std::uint64_t kScanAtOnceBelow = std::uint64_t{4} << 20U;
std::filesystem::path beside(const std::filesystem::path& file, const char* suffix) {
    std::filesystem::path name = file;
    name += suffix;
    return name;
}

void takeRow(RowMap& rows, std::uint64_t offset, const LineRecord& record,
             const CompactTime& time) {
    if (record.settles) {
        rows.settle(record.key, record.state);
    } else if (isShown(record, time)) {
        rows.take(offset, record.key, record.state);
    } else {
        rows.passOver(1);
    }
}

void takeBatchLines(BatchSpans& batches, const LinePiece& piece) {
    for (const std::uint32_t at : piece.batchLines) {
        batches.take(piece.begin + at, lineAt(piece, at));
    }
}

// Times the user reads (the questions, the start-up line) are in the present zone, as the table's.
RecordedWrite recorded(const KeyedWrite& write) {
    return {card::tagNumberFromValue(write.key), formatIsoTime(inPresentZone(write.time))};
}

// A refused append, as the commands tell one kind from another.
commands::JournalTrouble troubleOf(platform::FileFailure failure) {
    using Kind = commands::JournalTrouble::Kind;
    Kind kind = Kind::Other;
    switch (failure.kind) {
        case platform::FileTrouble::DiskFull:
            kind = Kind::DiskFull;
            break;
        case platform::FileTrouble::NoRights:
            kind = Kind::NoRights;
            break;
        case platform::FileTrouble::ReadOnly:
            kind = Kind::ReadOnly;
            break;
        case platform::FileTrouble::Other:
            break;
    }
    return {kind, std::move(failure.reason)};
}

// The user's data folder, or why there is none, in words for the status line.
util::Expected<std::filesystem::path, std::string> dataFolder() {
    auto folder = platform::dataFolder();
    if (folder) {
        return std::move(*folder);
    }
    const auto& unset = folder.error().unsetVariables;
    std::string names;
    for (const auto& name : unset) {
        names += (names.empty() ? "" : " 和 ") + name;
    }
    return util::Unexpected{"找不到用户数据目录（" + names +
                            (unset.size() > 1 ? " 均未设置）" : " 未设置）")};
}

}  // namespace

std::string isoLocalTime(std::chrono::system_clock::time_point time) {
    const auto local = platform::localTime(std::chrono::system_clock::to_time_t(time));
    const std::tm& t = local.fields;
    const auto offsetMinutes = static_cast<int>(std::labs(local.offsetSeconds) / 60 % (24L * 60));
    std::array<char, 64> text{};
    // NOLINTBEGIN(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    static_cast<void>(
        std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                      t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                      local.offsetSeconds < 0 ? '-' : '+', offsetMinutes / 60, offsetMinutes % 60));
    // NOLINTEND(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    return text.data();
}

Journal::Journal(std::filesystem::path file, Clock clock, Reading reading)
    : file_(std::move(file)), clock_(std::move(clock)) {
    markOpen();
    if (reading == Reading::Now) {
        startReading();
    }
}

Journal::Journal(Unknown /*unused*/, std::string reason)
    : clock_(std::chrono::system_clock::now), loaded_(true) {
    read_.error = std::move(reason);
    std::call_once(readingStarted_, [] {});  // nothing to read
}

void Journal::startReading() const {
    std::call_once(readingStarted_, [this] {
        // The reading fills in what the questions read: it is the journal's own state.
        auto* self = const_cast<Journal*>(this);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
        try {
            loader_ = std::thread([self] { self->serve(); });
        } catch (const std::system_error&) {
            self->load();  // no thread to be had: read it here and now
        }
    });
}

Journal::~Journal() {
    {
        const std::lock_guard guard(mutex_);
        stop_ = true;
    }
    jobsChanged_.notify_all();
    if (loader_.joinable()) {
        loader_.join();  // opening never blocks, and the reading stops between chunks
    }
}

std::unique_ptr<Journal> Journal::openDefault() {
    auto folder = dataFolder();
    if (!folder) {
        return std::unique_ptr<Journal>(new Journal(Unknown{}, folder.error()));
    }
    return std::make_unique<Journal>(*folder / kFileName, std::chrono::system_clock::now,
                                     Reading::WhenAsked);
}

void Journal::markOpen() {
    std::error_code ignored;
    std::filesystem::create_directories(file_.parent_path(), ignored);
    auto running = platform::openOwnFile(beside(file_, ".running"), platform::Access::Lock);
    if (!running) {
        return;  // nothing to tell then: the journal's own failures are told when it is used
    }
    platform::FileLock lock(std::move(*running));
    if (lock.tryLock(platform::FileLock::Mode::Exclusive)) {
        running_ = std::move(lock);
    } else {
        anotherCopyOpen_ = true;
    }
}

bool Journal::readLines(const platform::OwnedFile& file, std::uint64_t size, Read& read) const {
    LinePieces pieces(file, read.offset, size);
    const bool ended = forEachPiece(
        pieces, size - read.offset >= kReadInTwoFrom, stop_, [&read](const LinePiece& piece) {
            const auto& records = piece.records;
            for (std::size_t i = 0; i < records.size(); ++i) {
                if (i + kAhead < records.size()) {
                    read.index.prefetch(records[i + kAhead].key);
                }
                const LineRecord& record = records[i];
                takeRow(read.rows, piece.begin + record.at, record, read.index.apply(record));
            }
            takeBatchLines(read.batches, piece);
            read.rows.passOver(piece.unreadable);
            read.offset = piece.end;
        });
    if (pieces.error()) {
        read.error = readErrorText(platform::systemReason(*pieces.error()));
    }
    return ended;
}

void Journal::serve() noexcept {
    load();
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock guard(mutex_);
            jobsChanged_.wait(guard, [this] { return stop_ || !jobs_.empty(); });
            if (stop_) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

void Journal::load() noexcept {
    Read read;
    try {
        auto opened = platform::openOwnFile(file_, platform::Access::Read);
        if (!opened) {
            if (opened.error().refusal != platform::Refusal::Missing) {
                read.error = platform::whyNotOpened("无法读取写卡记录", opened.error());
            }
        } else if (const auto size = platform::fileSize(opened->native()); !size) {
            read.error = readErrorText(platform::systemReason(size.error()));
        } else if (*size > kLargestFile) {
            read.error = readErrorText("文件有 " + std::to_string(*size >> 20U) + " MB，超过 " +
                                       std::to_string(kLargestFile >> 20U) + " MB，不再读它");
        } else {
            read.index.reserve(static_cast<std::size_t>(*size / kShortestLine));
            read.rows.reserve(static_cast<std::size_t>(*size / kShortestLine));
            if (!readLines(*opened, *size, read)) {
                return;  // told to stop
            }
            // A journal that holds batches is one that begins them: what their range check asks
            // of every number is made here, beside the window, not as 开始 is pressed.
            if (read.batches.openings() > 0) {
                read.index.prepareViews();
            }
        }
    } catch (const std::bad_alloc&) {
        read = Read{};
        read.error = readErrorText("内存不足");
    } catch (const std::exception&) {
        read = Read{};
        read.error = readErrorText("读取时出错");
    }
    const std::lock_guard guard(mutex_);
    read_ = std::move(read);
    interrupted_ = read_.index.interrupted();
    for (const std::string& own : ownLines_) {
        if (const auto record = parseLine(own)) {
            static_cast<void>(read_.index.apply(*record));
        }
    }
    ownLines_.clear();
    ownLines_.shrink_to_fit();
    loaded_ = true;
    loadedChanged_.notify_all();
}

bool Journal::isLoaded() const {
    startReading();
    const std::lock_guard guard(mutex_);
    return loaded_;
}

bool Journal::waitLoaded(std::chrono::milliseconds limit) const {
    startReading();
    std::unique_lock guard(mutex_);
    return loadedChanged_.wait_for(guard, limit, [this] { return loaded_; });
}

void Journal::awaitLoad() const {
    startReading();
    std::unique_lock guard(mutex_);
    loadedChanged_.wait(guard, [this] { return loaded_; });
}

const std::optional<std::string>& Journal::loadError() const {
    awaitLoad();
    return read_.error;
}

std::size_t Journal::verifiedNumbers() const {
    awaitLoad();
    const std::lock_guard guard(mutex_);
    return read_.index.verifiedNumbers();
}

std::size_t Journal::bytesKept() const {
    awaitLoad();
    const std::lock_guard guard(mutex_);
    return read_.index.bytesKept() + read_.rows.bytesKept();
}

std::optional<RecordedWrite> Journal::interruptedWrite() const {
    awaitLoad();
    const std::lock_guard guard(mutex_);
    if (!interrupted_) {
        return std::nullopt;
    }
    return recorded(*interrupted_);
}

std::optional<RecordedWrite> Journal::lastWrite() const {
    awaitLoad();
    const std::lock_guard guard(mutex_);
    const auto newest = read_.index.newestVerified();
    if (!newest) {
        return std::nullopt;
    }
    return recorded(*newest);
}

void Journal::hold() {
    holdProblem_.reset();
    if (!file_.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(file_.parent_path(), ignored);
        auto lock = platform::openOwnFile(beside(file_, ".lock"), platform::Access::Lock);
        if (!lock) {
            holdProblem_ = platform::whyNotOpened("无法打开写卡记录的锁文件", lock.error());
        } else {
            const auto until = std::chrono::steady_clock::now() + kLockWait;
            platform::FileLock held(std::move(*lock));
            bool locked = held.tryLock(platform::FileLock::Mode::Exclusive);
            while (!locked && std::chrono::steady_clock::now() < until) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                locked = held.tryLock(platform::FileLock::Mode::Exclusive);
            }
            if (locked) {
                lock_ = std::move(held);
            } else {
                holdProblem_ =
                    "另一个窗口正在写卡，等了 1 秒仍未轮到：这次按已读到的写卡记录提醒重复的号码";
            }
        }
    }
    if (waitLoaded(kLoadWait)) {
        refresh();
    }
}

void Journal::release() {
    lock_ = platform::FileLock();
}

void Journal::refresh() {
    auto opened = platform::openOwnFile(file_, platform::Access::Read);
    if (!opened) {
        return;  // what was read stands; an append says what is wrong with the file
    }
    const auto size = platform::fileSize(opened->native());
    const std::lock_guard guard(mutex_);
    if (!size || read_.error) {
        return;
    }
    if (*size < read_.offset) {
        // Cut short or replaced: what the index read stands; the table shows the file as it is.
        read_.offset = *size;
        mapRowsAnew(*opened, *size);
        return;
    }
    try {
        static_cast<void>(readLines(*opened, *size, read_));
    } catch (const std::exception&) {
        read_.error = readErrorText("读取时出错");
    }
}

std::optional<std::string> Journal::unavailable() const {
    if (!waitLoaded(kLoadWait)) {
        return "写卡记录还没有读完";
    }
    const std::lock_guard guard(mutex_);
    return read_.error;
}

std::optional<std::string> Journal::lastVerifiedWrite(const card::CardNumber& number) const {
    awaitLoad();
    const std::lock_guard guard(mutex_);
    const auto time = read_.index.lastWrite(numberKey(number));
    if (!time) {
        return std::nullopt;
    }
    return formatIsoTime(inPresentZone(*time));
}

std::optional<commands::SharedView> Journal::sharedView(const card::CardNumber& number,
                                                        card::Notation view) const {
    awaitLoad();
    const std::lock_guard guard(mutex_);
    const auto shared = read_.index.sharedView(numberKey(number), view);
    if (!shared) {
        return std::nullopt;
    }
    const RecordedWrite write = recorded(*shared);
    return commands::SharedView{view, write.number, write.time};
}

void Journal::prepareViews() {
    startReading();
    const std::lock_guard guard(mutex_);
    if (!loader_.joinable() || stop_) {
        return;
    }
    jobs_.emplace_back([this] {
        const std::lock_guard held(mutex_);
        read_.index.prepareViews();
    });
    jobsChanged_.notify_one();
}

bool Journal::sharesView(const card::CardNumber& number) const {
    awaitLoad();
    const std::lock_guard guard(mutex_);
    return read_.index.sharesView(numberKey(number));
}

std::optional<commands::JournalTrouble> Journal::beginWrite(const commands::JournalEntry& entry) {
    commands::JournalEntry start = entry;
    start.result = std::string(kStartResult);
    start.verified = false;
    start.locked = false;
    return record(start);
}

std::optional<commands::JournalTrouble> Journal::append(const commands::JournalEntry& entry) {
    return record(entry);
}

bool Journal::unsettled(const card::CardNumber& number) const {
    startReading();
    const std::lock_guard guard(mutex_);
    return loaded_ && read_.rows.unsettled(numberKey(number));
}

std::optional<commands::JournalTrouble> Journal::settle(const card::CardNumber& number,
                                                        bool seenOnTag) {
    return recordLine(formatSettlement(isoLocalTime(clock_()), number, seenOnTag));
}

std::optional<commands::JournalTrouble> Journal::settleInBatch(const card::CardNumber& number,
                                                               const std::string& name) {
    return recordLine(formatSettlement(isoLocalTime(clock_()), number, true, name));
}

std::optional<commands::JournalTrouble> Journal::record(const commands::JournalEntry& entry) {
    return recordLine(formatLine(isoLocalTime(clock_()), entry));
}

std::optional<commands::JournalTrouble> Journal::recordLine(const std::string& line) {
    const std::string_view whole(line.data(), line.size() - kLineEnd.size());
    // Remembered whatever becomes of the line: the tag holds the number all the same.
    const auto record = parseLine(whole);
    if (!record) {
        throw std::logic_error("the journal cannot read the line it writes: " + line);
    }
    CompactTime time;
    bool taken = false;  // into what was read, rather than kept for when the reading ends
    {
        const std::lock_guard guard(mutex_);
        if (loaded_) {
            time = read_.index.apply(*record);
            taken = true;
        } else {
            ownLines_.emplace_back(whole);
        }
    }
    const auto appended = appendToFile(line);
    if (!appended) {
        return appended.error();
    }
    const std::lock_guard guard(mutex_);
    if (taken && appended->at == read_.offset && !read_.error) {
        // Nothing unread before it: no need to read it back.
        read_.offset += appended->bytes;
        takeRow(read_.rows, read_.offset - line.size(), *record, time);
    }
    return std::nullopt;
}

util::Expected<platform::Appended, commands::JournalTrouble> Journal::appendToFile(
    const std::string& line) {
    if (file_.empty()) {
        const std::lock_guard guard(mutex_);
        return util::Unexpected{commands::JournalTrouble{
            commands::JournalTrouble::Kind::Other, read_.error.value_or("找不到用户数据目录")}};
    }
    auto appended = platform::appendDurably(file_, [&line](const platform::FileEnd& end) {
        std::string bytes;
        if (end.size == 0) {
            bytes.append(kByteOrderMark).append(kHeader).append(kLineEnd);
        } else if (!end.endsWithNewline) {
            // The last line was cut short (the power failed while it was written): end it, so
            // that this one starts on a line of its own.
            bytes.append(kLineEnd);
        }
        bytes.append(line);
        return bytes;
    });
    if (!appended) {
        return util::Unexpected{troubleOf(std::move(appended.error()))};
    }
    return *appended;
}

std::optional<commands::JournalTrouble> Journal::appendLine(const std::string& line) {
    const auto appended = appendToFile(line);
    return appended ? std::nullopt : std::optional(appended.error());
}

std::optional<commands::JournalTrouble> Journal::openBatch(const commands::BatchOrder& order) {
    return appendLine(formatBatchOpen(isoLocalTime(clock_()), order));
}

std::optional<commands::JournalTrouble> Journal::appendInBatch(const commands::JournalEntry& entry,
                                                               const std::string& name) {
    return recordLine(formatLine(isoLocalTime(clock_()), entry, name));
}

std::optional<commands::JournalTrouble> Journal::endBatch(const commands::BatchOrder& order,
                                                          std::uint64_t firstVoid,
                                                          std::uint64_t voided) {
    return appendLine(formatBatchEnd(isoLocalTime(clock_()), order, firstVoid, voided));
}

std::optional<std::string> Journal::readRange(std::uint64_t from, std::uint64_t until,
                                              std::string& text) const {
    auto opened = platform::openOwnFile(file_, platform::Access::Read);
    if (!opened) {
        return platform::whyNotOpened("无法读取写卡记录", opened.error());
    }
    text.resize(static_cast<std::size_t>(until - from));
    std::size_t done = 0;
    while (done < text.size()) {
        const auto got =
            platform::readAt(opened->native(), from + done, text.data() + done, text.size() - done);
        if (!got) {
            return readErrorText(platform::systemReason(got.error()));
        }
        if (*got == 0) {
            break;
        }
        done += *got;
    }
    text.resize(done);
    return std::nullopt;
}

std::optional<BatchSpans::Newest> Journal::newestLines(std::string_view name) const {
    if (file_.empty() || name.empty()) {
        return std::nullopt;
    }
    awaitLoad();
    // Lines appended since the reading (this copy's batch lines, another copy's) are taken in
    // first: a few bytes, never the whole file.
    const_cast<Journal*>(this)->refresh();  // NOLINT(cppcoreguidelines-pro-type-const-cast)
    const std::lock_guard guard(mutex_);
    if (read_.error) {
        return std::nullopt;
    }
    auto lines = read_.batches.newest(name);
    if (lines && !lines->endedAt) {
        lines->endedAt = read_.offset;  // it goes on to the end of the journal
    }
    return lines;
}

BatchLog Journal::readNewest(std::string_view name, const BatchSpans::Newest& lines) const {
    std::string text;
    if (readRange(lines.opened, *lines.endedAt, text)) {
        return {};
    }
    if (!text.ends_with('\n')) {
        text += '\n';  // the ending line, read without its line end
    }
    BatchLog log = readBatchLog(text, name);
    if (log.newest) {
        // Its check may go on long after its lines: the reading kept what it saw.
        log.checked = lines.checked;
        log.foreign = lines.foreign;
    }
    return log;
}

std::optional<commands::BatchRecord> Journal::unfinishedBatch() const {
    std::optional<std::string> open;
    if (!file_.empty()) {
        awaitLoad();
        const_cast<Journal*>(this)->refresh();  // NOLINT(cppcoreguidelines-pro-type-const-cast)
        const std::lock_guard guard(mutex_);
        open = localLeftOpen(read_.batches);
    }
    if (!open) {
        return std::nullopt;
    }
    auto log = batchLog(*open);
    if (!log.newest || log.newest->ended) {
        return std::nullopt;
    }
    return std::move(log.newest);
}

BatchLog Journal::batchLog(std::string_view name) const {
    const auto lines = newestLines(name);
    if (!lines) {
        return {};
    }
    return readNewest(name, *lines);
}

std::optional<commands::JournalTrouble> Journal::recordCheck(const commands::BatchOrder& order,
                                                             const card::CardNumber& number,
                                                             bool belongs) {
    return appendLine(formatBatchCheck(isoLocalTime(clock_()), order, number, belongs));
}

std::optional<commands::CheckRecord> Journal::batchToCheck(const std::string& name) const {
    auto log = batchLog(name);
    if (!log.newest) {
        return std::nullopt;
    }
    return commands::CheckRecord{std::move(*log.newest), std::move(log.checked),
                                 std::move(log.foreign)};
}

Journal::Table Journal::table() const {
    startReading();
    const std::lock_guard guard(mutex_);
    Table table;
    table.loaded = loaded_;
    if (!loaded_) {
        return table;
    }
    table.rows = read_.rows.rows();
    table.settledRows = read_.rows.settledRows();
    table.counts = read_.rows.counts();
    table.unreadable = read_.rows.unreadable();
    table.settlements = read_.rows.settled().size();
    table.generation = generation_;
    table.batchOpenings = read_.batches.openings();
    table.error = read_.error;
    return table;
}

void Journal::readAppended() {
    if (!file_.empty() && isLoaded()) {
        refresh();
    }
}

void Journal::mapRowsAnew(const platform::OwnedFile& file, std::uint64_t size) {
    read_.rows = RowMap();
    read_.batches = BatchSpans();
    ++generation_;
    LinePieces pieces(file, 0, size);
    LinePiece piece;
    while (pieces.next(piece)) {
        for (const LineRecord& record : piece.records) {
            takeRow(read_.rows, piece.begin + record.at, record, parseIsoTime(record.time));
        }
        takeBatchLines(read_.batches, piece);
        read_.rows.passOver(piece.unreadable);
    }
}

std::shared_ptr<const RowBlock> Journal::rowBlock(std::size_t row) const {
    RowMap::Mark mark;
    std::uint64_t limit = 0;
    std::uint64_t generation = 0;
    Settlements settled;
    startReading();
    {
        const std::lock_guard guard(mutex_);
        if (!loaded_ || read_.error || row >= read_.rows.rows()) {
            return nullptr;
        }
        mark = read_.rows.markBefore(row);
        limit = read_.offset;
        generation = generation_;
        settled = read_.rows.settled();
    }
    return queries_.rowBlock(mark, limit, generation, settled);
}

std::vector<std::string> Journal::batchNames() const {
    startReading();
    const std::lock_guard guard(mutex_);
    return read_.batches.names();
}

std::vector<std::string> Journal::unfinishedBatchNames() const {
    if (file_.empty()) {
        return {};
    }
    // As unfinishedBatch: the batches this run opened or ended count too.
    awaitLoad();
    const_cast<Journal*>(this)->refresh();  // NOLINT(cppcoreguidelines-pro-type-const-cast)
    const std::lock_guard guard(mutex_);
    return localOpen(read_.batches);
}

bool Journal::batchLeftOpen() const {
    startReading();
    const std::lock_guard guard(mutex_);
    return localLeftOpen(read_.batches).has_value();
}

std::shared_ptr<RowScan> Journal::scanRows(const RowFilter& filter) {
    startReading();
    auto asked = std::make_shared<RowScan>();
    TableQueries::Reach reach;
    {
        const std::lock_guard guard(mutex_);
        asked->generation = generation_;
        asked->settled = read_.rows.settledRows();
        reach = TableQueries::reachOf(read_.rows, read_.batches, filter, read_.offset);
        if (!reach.whole) {
            asked->looked = read_.rows.rows();
        }
        if (loaded_ && read_.offset >= kScanAtOnceBelow && loader_.joinable() && !stop_) {
            jobs_.emplace_back(
                [this, asked, filter, reach = std::move(reach), settled = read_.rows.settled()] {
                    queries_.scan(*asked, filter, reach, settled, stop_);
                });
            jobsChanged_.notify_one();
            return asked;
        }
    }
    Settlements settled;
    {
        const std::lock_guard guard(mutex_);
        settled = read_.rows.settled();
    }
    queries_.scan(*asked, filter, reach, settled, stop_);
    return asked;
}

}  // namespace journal
