#include "commands/shared_batch_session.h"

#include "card/number_text.h"
#include "commands/batch_journal_view.h"
#include "commands/shared_batch_name.h"

#include <algorithm>
#include <utility>

namespace commands {

namespace {

// Seqs of one batch: the batch's id above, the row of the station's journal below, so that a
// station's sends of two batches never share one.
constexpr int kRowBits = 32;
constexpr int kSendsPerRound = 8;

std::uint32_t tenDigits(std::uint64_t value) {
    return static_cast<std::uint32_t>(value & 0xFFFFFFFFU);
}
std::uint32_t eightDigits(std::uint64_t value) {
    return static_cast<std::uint32_t>(value & 0xFFFFFFU);
}

}  // namespace

std::int64_t sharedSeq(std::int64_t batch, std::int64_t row) noexcept {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(batch) << kRowBits) + row;
}

// The local journal as the batch's writes see it: its lines name the local batch, and its
// questions are answered by the journal and, for numbers other stations wrote, by the cache of the
// database's verified numbers. The database's constraint stays the last guard.
class SharedBatchSession::Writes final : public BatchJournalView {
public:
    Writes(BatchJournal& journal, std::string name, const Batch& batch,
           std::shared_ptr<const Cache> cache)
        : BatchJournalView(journal, std::move(name), batch), cache_(std::move(cache)) {}

    [[nodiscard]] std::optional<std::string> lastVerifiedWrite(
        const card::CardNumber& number) const override {
        if (auto local = BatchJournalView::lastVerifiedWrite(number)) {
            return local;
        }
        if (cache_) {
            if (const auto found = cache_->byNumber.find(card::numberValue(number));
                found != cache_->byNumber.end()) {
                return found->second.time;
            }
        }
        return std::nullopt;
    }
    [[nodiscard]] std::optional<SharedView> sharedView(const card::CardNumber& number,
                                                       card::Notation view) const override {
        if (auto local = BatchJournalView::sharedView(number, view)) {
            return local;
        }
        if (!cache_) {
            return std::nullopt;
        }
        const std::uint64_t value = card::numberValue(number);
        const auto& byView =
            view == card::Notation::WG34 ? cache_->byTenDigits : cache_->byEightDigits;
        const auto found =
            byView.find(view == card::Notation::WG34 ? tenDigits(value) : eightDigits(value));
        if (found == byView.end() || found->second.number == number) {
            return std::nullopt;
        }
        return SharedView{view, found->second.number, found->second.time};
    }
    [[nodiscard]] bool sharesView(const card::CardNumber& number) const override {
        return BatchJournalView::sharesView(number) ||
               sharedView(number, card::Notation::WG26).has_value();
    }
    [[nodiscard]] std::optional<JournalTrouble> append(const JournalEntry& entry) override {
        auto trouble = BatchJournalView::append(entry);
        if (!trouble) {
            appended = entry;
        }
        return trouble;
    }

    // The line the write left in the journal, once on disk.
    std::optional<JournalEntry> appended;

private:
    std::shared_ptr<const Cache> cache_;
};

util::Expected<std::unique_ptr<SharedBatchSession>, std::string> SharedBatchSession::join(
    std::int64_t batchId, BatchJournal& journal, const BatchHistory& history,
    std::unique_ptr<SharedLedger> ledger, Options options) {
    const auto order = ledger->batch(batchId);
    if (!order) {
        return util::Unexpected{order.error().words};
    }
    if (!*order) {
        return util::Unexpected{"共享数据库中没有编号为 " + std::to_string(batchId) + " 的批次"};
    }
    auto batch = Batch::create(**order);
    if (!batch) {
        return util::Unexpected{std::string("共享批次的号码超出范围")};
    }
    BatchOrder localOrder = **order;
    localOrder.name = sharedBatchName(localOrder.name, batchId);
    const auto held = ledger->heldLeases(batchId);
    if (!held) {
        return util::Unexpected{held.error().words};
    }
    const auto last = ledger->lastSeq(sharedSeq(batchId, 1), sharedSeq(batchId + 1, 0) - 1);
    if (!last) {
        return util::Unexpected{last.error().words};
    }

    std::unique_ptr<SharedBatchSession> session(new SharedBatchSession(
        batchId, std::move(*batch), localOrder, journal, std::move(ledger), options));
    // Its journal's record of the batch, or a new one.
    const auto record = journal.batchToCheck(localOrder.name);
    if (record) {
        session->verified_ = record->batch.verified;
    } else if (auto trouble = journal.openBatch(localOrder)) {
        return util::Unexpected{std::move(trouble->systemReason)};
    }
    for (const auto& lease : *held) {
        session->adopt(lease);
    }
    // A write of its numbers that a read settled while the station was outside the batch (the
    // server away when it started again): a tag holds the number, so it counts here, under a
    // line of the batch that is sent as the others are.
    if (auto trouble = session->takeSettledOutside(journal)) {
        return util::Unexpected{std::move(trouble->systemReason)};
    }
    // A write the program was killed in, which nothing settled since: its outcome is not known,
    // and it is said so.
    if (const auto interrupted = history.interruptedWrite()) {
        const auto position = session->batch_.positionOf(*interrupted);
        if (position && session->leaseOf(*position) != 0 && journal.unsettled(*interrupted) &&
            !std::binary_search(session->verified_.begin(), session->verified_.end(), *position)) {
            JournalEntry entry;
            entry.result = std::string(kUnsettledResult) + "：写卡时程序中断";
            entry.number = *interrupted;
            entry.chip = localOrder.chip;
            if (auto trouble = journal.appendInBatch(entry, localOrder.name)) {
                return util::Unexpected{std::move(trouble->systemReason)};
            }
        }
    }
    // What the journal holds and the database lacks, in the order it was written.
    const auto writes = history.batchWrites(localOrder.name);
    const std::int64_t sentRows = *last ? **last - sharedSeq(batchId, 0) : 0;
    for (std::size_t row = 0; row < writes.size(); ++row) {
        const auto seq = sharedSeq(batchId, static_cast<std::int64_t>(row) + 1);
        const auto position = session->batch_.positionOf(writes[row].number);
        if (static_cast<std::int64_t>(row) < sentRows || !position) {
            continue;
        }
        const std::int64_t lease = session->leaseOf(*position);
        if (lease == 0) {
            continue;  // its lease was given back: nothing of it was verified there
        }
        // The ledger names the station.
        session->queue_.push_back({std::string(), seq, lease, *position, writes[row].number,
                                   writes[row].verified, writes[row].result});
    }
    session->nextSeq_ = sharedSeq(batchId, static_cast<std::int64_t>(writes.size()) + 1);
    // The first press has a number and the questions their cache: the only waits on the server.
    session->leaseAhead();
    session->refresh();
    session->worker_ = std::thread([raw = session.get()] { raw->work(); });
    return session;
}

SharedBatchSession::SharedBatchSession(std::int64_t id, Batch batch, BatchOrder localOrder,
                                       BatchJournal& journal, std::unique_ptr<SharedLedger> ledger,
                                       Options options)
    : id_(id),
      batch_(std::move(batch)),
      localOrder_(std::move(localOrder)),
      journal_(&journal),
      ledger_(std::move(ledger)),
      options_(options) {
    heard_.count = batch_.count();
}

SharedBatchSession::~SharedBatchSession() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

void SharedBatchSession::adopt(const Lease& lease) {
    if (leaseOf(lease.first) != 0 || lease.count == 0) {
        return;
    }
    Held held{lease, lease.first};
    leases_.insert(std::upper_bound(
                       leases_.begin(), leases_.end(), held,
                       [](const Held& a, const Held& b) { return a.lease.first < b.lease.first; }),
                   held);
    advance(lease.first);
}

std::int64_t SharedBatchSession::leaseOf(std::uint64_t position) const {
    for (const auto& held : leases_) {
        if (position >= held.lease.first && position < held.lease.first + held.lease.count) {
            return held.lease.id;
        }
    }
    return 0;
}

void SharedBatchSession::advance(std::uint64_t position) {
    for (auto& held : leases_) {
        if (position < held.lease.first || position >= held.lease.first + held.lease.count) {
            continue;
        }
        const std::uint64_t end = held.lease.first + held.lease.count;
        while (held.next < end &&
               (std::binary_search(verified_.begin(), verified_.end(), held.next) ||
                std::binary_search(passed_.begin(), passed_.end(), held.next))) {
            ++held.next;
        }
    }
}

std::uint64_t SharedBatchSession::writableLocked() const {
    std::uint64_t writable = 0;
    for (const auto& held : leases_) {
        writable += held.lease.first + held.lease.count - held.next;
    }
    return writable;
}

std::optional<std::uint64_t> SharedBatchSession::offeredIn(const Held& held) const {
    const std::uint64_t end = held.lease.first + held.lease.count;
    if (held.next < end) {
        return held.next;
    }
    // Once the rest of its lease is used up, a number passed over as unknown and not found on a
    // tag since: its tag has been back for a check, and the write asks about it.
    for (auto passed = std::lower_bound(passed_.begin(), passed_.end(), held.lease.first);
         passed != passed_.end() && *passed < end; ++passed) {
        if (!std::binary_search(verified_.begin(), verified_.end(), *passed)) {
            return *passed;
        }
    }
    return std::nullopt;
}

const SharedBatchSession::Held* SharedBatchSession::currentLocked() const {
    for (const auto& held : leases_) {
        if (offeredIn(held)) {
            return &held;
        }
    }
    return nullptr;
}

std::optional<card::CardNumber> SharedBatchSession::nextNumber() const {
    const std::lock_guard lock(mutex_);
    const Held* held = currentLocked();
    if (!held) {
        return std::nullopt;
    }
    return batch_.number(*offeredIn(*held));
}

BatchPress SharedBatchSession::press(reader::ReaderSource& source, const Confirm& confirm,
                                     const std::optional<TagSighting>& seen) {
    BatchPress press;
    std::uint64_t position = 0;
    std::int64_t lease = 0;
    std::shared_ptr<const Cache> cache;
    {
        const std::lock_guard lock(mutex_);
        const Held* held = currentLocked();
        if (!held) {
            return press;
        }
        position = *offeredIn(*held);
        lease = held->lease.id;
        cache = cache_;
    }
    const card::CardNumber number = batch_.number(position);
    Writes writes(*journal_, localOrder_.name, batch_, std::move(cache));
    press.write = writeTag(batch_.request(position), source, writes, confirm, seen);
    press.result =
        declinedForView(*press.write) ? BatchPress::Result::Declined : BatchPress::Result::Wrote;
    {
        const std::lock_guard lock(mutex_);
        // In the journal's order: a settlement by the read before the write comes first.
        takeSettled(writes.settledHere);
        // Only a line on disk is sent: seqs follow the journal's rows of the batch. A verified
        // write the journal refused is still this station's: never offered again.
        if (writes.appended) {
            queue_.push_back({std::string(), nextSeq_++, lease, position, number,
                              writes.appended->verified, writes.appended->result});
        }
        if (press.write->verified()) {
            markVerified(position);
        } else if (press.write->result == WriteOutcome::Result::Swapped) {
            // The tag taken away may hold it: the database keeps it unknown, and this station
            // goes on with its next number.
            passed_.insert(std::lower_bound(passed_.begin(), passed_.end(), position), position);
            advance(position);
        }
    }
    wake_.notify_all();
    return press;
}

ReadOutcome SharedBatchSession::read(reader::ReaderSource& source, Sound sound) {
    Writes writes(*journal_, localOrder_.name, batch_, nullptr);
    ReadOutcome outcome =
        sound == Sound::Beep ? readTag(source, writes) : readTagQuietly(source, writes);
    if (!writes.settledHere.empty()) {
        const std::lock_guard lock(mutex_);
        takeSettled(writes.settledHere);
    }
    wake_.notify_all();
    return outcome;
}

std::optional<JournalTrouble> SharedBatchSession::takeSettledOutside(BatchJournal& journal) {
    for (const auto& held : leases_) {
        for (std::uint64_t position = held.lease.first;
             position < held.lease.first + held.lease.count; ++position) {
            if (std::binary_search(verified_.begin(), verified_.end(), position)) {
                continue;
            }
            const card::CardNumber number = batch_.number(position);
            if (journal.unsettled(number) || !journal.lastVerifiedWrite(number)) {
                continue;
            }
            if (auto trouble = journal.settleInBatch(number, localOrder_.name)) {
                return trouble;
            }
            markVerified(position);
        }
    }
    return std::nullopt;
}

void SharedBatchSession::markVerified(std::uint64_t position) {
    const auto at = std::lower_bound(verified_.begin(), verified_.end(), position);
    if (at == verified_.end() || *at != position) {
        verified_.insert(at, position);
    }
    advance(position);
}

void SharedBatchSession::takeSettled(const std::vector<BatchJournalView::Settled>& settled) {
    for (const auto& seen : settled) {
        markVerified(seen.position);
        // Sent as the journal's row of it will be after a restart: a line not on disk has no
        // row, and so no seq of its own.
        const std::int64_t lease = leaseOf(seen.position);
        if (seen.recorded) {
            const std::int64_t seq = nextSeq_++;
            if (lease != 0) {
                queue_.push_back({std::string(), seq, lease, seen.position, seen.number, true,
                                  std::string(kSeenOnTagResult)});
            }
        }
    }
}

bool SharedBatchSession::done() const {
    const std::lock_guard lock(mutex_);
    return exhausted_ && currentLocked() == nullptr && queue_.empty();
}

SharedProgress SharedBatchSession::progress() const {
    const std::lock_guard lock(mutex_);
    SharedProgress progress;
    progress.count = batch_.count();
    progress.verifiedAll = heard_.verified;
    progress.verifiedHere = verified_.size() - std::min(verified_.size(), refused_.size());
    progress.writable = writableLocked();
    progress.unsent = queue_.size();
    progress.offline = offline_;
    return progress;
}

std::optional<std::uint64_t> SharedBatchSession::offlineWritable() const {
    const std::lock_guard lock(mutex_);
    if (!offline_) {
        return std::nullopt;
    }
    return writableLocked();
}

BatchStanding SharedBatchSession::standing() const {
    const SharedProgress now = progress();
    BatchStanding standing;
    standing.verified = now.verifiedHere;
    standing.next = nextNumber();
    standing.verifiedAll = now.verifiedAll;
    if (now.offline) {
        standing.offlineWritable = now.writable;
    }
    return standing;
}

std::vector<RefusedWrite> SharedBatchSession::refusals() const {
    const std::lock_guard lock(mutex_);
    return refused_;
}

void SharedBatchSession::work() {
    auto refreshed = std::chrono::steady_clock::time_point{};
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        lock.unlock();
        // Leasing first: a long queue to send must not leave the presses without a number.
        leaseAhead();
        const bool reached = sendQueued();
        if (reached && std::chrono::steady_clock::now() - refreshed >= options_.refresh) {
            refresh();
            refreshed = std::chrono::steady_clock::now();
        }
        lock.lock();
        if (stopping_) {
            break;
        }
        // Woken by a press; at once again while there is more to send and the server answers.
        if (!(reached && !queue_.empty())) {
            wake_.wait_for(lock, reached ? options_.refresh : options_.retry);
        }
    }
}

bool SharedBatchSession::sendQueued() {
    // A few at a time, so that the lease ahead is looked after between them.
    for (int round = 0; round < kSendsPerRound; ++round) {
        Outcome outcome;
        {
            const std::lock_guard lock(mutex_);
            if (queue_.empty() || stopping_) {
                return true;
            }
            outcome = queue_.front();
        }
        const auto sent = ledger_->send(outcome);
        const std::lock_guard lock(mutex_);
        if (!sent && (sent.error().kind == LedgerError::Kind::Offline ||
                      sent.error().kind == LedgerError::Kind::Failed)) {
            offline_ = sent.error().kind == LedgerError::Kind::Offline;
            return false;
        }
        offline_ = false;
        if (!sent && outcome.verified) {
            // The tag holds it, yet the database names it another tag's: not counted.
            refused_.push_back({outcome.position, outcome.number, sent.error().words});
        }
        queue_.pop_front();
        if (queue_.empty()) {
            sent_.notify_all();
        }
    }
    return true;
}

void SharedBatchSession::leaseAhead() {
    bool wanted = false;
    {
        const std::lock_guard lock(mutex_);
        wanted = leasing_ && writableLocked() <= options_.leaseSize / 4;
    }
    if (!wanted) {
        return;
    }
    // A lease granted while its answer was lost on the way is this station's all the same.
    if (const auto held = ledger_->heldLeases(id_)) {
        const std::lock_guard lock(mutex_);
        for (const auto& lease : *held) {
            adopt(lease);
        }
        if (writableLocked() > options_.leaseSize / 4) {
            return;
        }
    }
    const auto leased = ledger_->lease(id_, options_.leaseSize);
    const std::lock_guard lock(mutex_);
    if (!leased) {
        offline_ = leased.error().kind == LedgerError::Kind::Offline;
        return;
    }
    offline_ = false;
    if (*leased && leasing_) {
        adopt(**leased);
        exhausted_ = false;
    } else if (!*leased) {
        exhausted_ = true;
    }
}

void SharedBatchSession::refresh() {
    // A lease an operator voided is written no more: only the leases the database still gives
    // this station are.
    if (const auto held = ledger_->heldLeases(id_)) {
        const std::lock_guard lock(mutex_);
        std::erase_if(leases_, [&held](const Held& mine) {
            return std::none_of(held->begin(), held->end(),
                                [&mine](const Lease& lease) { return lease.id == mine.lease.id; });
        });
    }
    const auto heard = ledger_->progress(id_);
    const auto numbers = ledger_->verifiedNumbers();
    auto cache = std::make_shared<Cache>();
    if (numbers) {
        for (const auto& known : *numbers) {
            const std::uint64_t value = card::numberValue(known.number);
            cache->byNumber.emplace(value, known);
            cache->byTenDigits.emplace(tenDigits(value), known);
            cache->byEightDigits.emplace(eightDigits(value), known);
        }
    }
    const std::lock_guard lock(mutex_);
    if (heard) {
        heard_ = *heard;
    }
    if (numbers) {
        cache_ = std::move(cache);
    }
}

std::optional<std::string> SharedBatchSession::close(std::chrono::milliseconds limit) {
    {
        std::unique_lock lock(mutex_);
        leasing_ = false;
        wake_.notify_all();
        sent_.wait_for(lock, limit, [this] { return queue_.empty(); });
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
    const std::lock_guard lock(mutex_);
    if (!queue_.empty()) {
        return "共享数据库还缺本站的 " + std::to_string(queue_.size()) +
               " 条写卡结果：下次加入批次时补发";
    }
    std::optional<std::string> trouble;
    bool gaveBack = false;  // numbers given back are the batch's to write still: it has not ended
    for (auto held = leases_.begin(); held != leases_.end();) {
        if (held->next < held->lease.first + held->lease.count) {
            if (const auto returned = ledger_->returnLease(held->lease.id, held->next); !returned) {
                trouble = returned.error().words;
                ++held;
                continue;
            }
            held = leases_.erase(held);
            gaveBack = true;
            continue;
        }
        ++held;
    }
    if (!trouble && !gaveBack && exhausted_ && currentLocked() == nullptr) {
        if (auto ended = journal_->endBatch(localOrder_, batch_.count(), 0)) {
            trouble = std::move(ended->systemReason);
        }
    }
    return trouble;
}

}  // namespace commands
