#include "memory_ledger.h"

#include "card/number_text.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {

using commands::LedgerError;
using util::Unexpected;

LedgerError offline() {
    return {LedgerError::Kind::Offline, "共享数据库连不上"};
}
LedgerError refusal(std::string words) {
    return {LedgerError::Kind::Refused, std::move(words)};
}
bool hasControlCharacter(const std::string& name) {
    return std::any_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

}  // namespace

std::int64_t SharedDatabase::createBatch(const commands::BatchOrder& order) {
    const std::lock_guard lock(mutex_);
    batches_.push_back({*commands::Batch::create(order), 0, {}});
    return static_cast<std::int64_t>(batches_.size());
}

void SharedDatabase::setReachable(bool reachable) {
    const std::lock_guard lock(mutex_);
    reachable_ = reachable;
}

bool SharedDatabase::reachable() const {
    const std::lock_guard lock(mutex_);
    return reachable_;
}

std::string SharedDatabase::key(const std::string& name, const std::string& identity) const {
    // A text parameter travels as a C string: what follows a NUL never arrives.
    return stations_ == Stations::ByName ? name.substr(0, name.find('\0')) : identity;
}

std::optional<std::string> SharedDatabase::connect(const std::string& name,
                                                   const std::string& identity) {
    const std::lock_guard lock(mutex_);
    if (stations_ == Stations::ByIdentity) {
        if (hasControlCharacter(name)) {
            return "站名不能含控制字符";
        }
        if (liveIdentities_.contains(identity)) {
            return "本站的标识已在另一台电脑上使用";
        }
        // The stations table keeps a name for its station, live or not.
        if (const auto named = namedBy_.find(name);
            named != namedBy_.end() && named->second != identity) {
            return "已有另一台电脑用站名 " + name;
        }
        namedBy_[name] = identity;
    }
    liveNames_.insert(name);
    liveIdentities_.insert(identity);
    return std::nullopt;
}

void SharedDatabase::disconnect(const std::string& name, const std::string& identity) {
    const std::lock_guard lock(mutex_);
    liveNames_.erase(liveNames_.find(name));
    liveIdentities_.erase(liveIdentities_.find(identity));
}

std::optional<std::string> SharedDatabase::leasesAddUp() const {
    const std::lock_guard lock(mutex_);
    std::map<std::int64_t, std::set<std::uint64_t>> verifiedIn;
    for (const auto& [sent, row] : outcomes_) {
        if (row.outcome.verified && !row.repeated) {
            verifiedIn[row.outcome.lease].insert(row.outcome.position);
        }
    }
    for (const LeaseRow& row : leases_) {
        if (row.voided) {
            continue;
        }
        const std::uint64_t end = row.returnedFrom.value_or(row.lease.first + row.lease.count);
        const auto& verified = verifiedIn[row.lease.id];
        for (std::uint64_t position = row.lease.first; position < end; ++position) {
            if (!verified.contains(position)) {
                return "号段 " + std::to_string(row.lease.id) + " 的位置 " +
                       std::to_string(position) + " 既未写好、也未退回或作废";
            }
        }
    }
    return std::nullopt;
}

bool SharedDatabase::holds(std::uint64_t number) const {
    const std::lock_guard lock(mutex_);
    return written_.contains(number);
}

std::size_t SharedDatabase::outcomes() const {
    const std::lock_guard lock(mutex_);
    return outcomes_.size();
}

MemoryLedger::MemoryLedger(SharedDatabase& database, std::string name, std::string identity)
    : db_(database),
      name_(std::move(name)),
      identity_(std::move(identity)),
      key_(db_.key(name_, identity_)),
      refused_(db_.connect(name_, identity_)) {}

MemoryLedger::~MemoryLedger() {
    if (!refused_) {
        db_.disconnect(name_, identity_);
    }
}

std::optional<LedgerError> MemoryLedger::barred() const {
    if (!db_.reachable_) {
        return offline();
    }
    if (refused_) {
        return refusal(*refused_);
    }
    return std::nullopt;
}

commands::LedgerResult<std::optional<commands::BatchOrder>> MemoryLedger::batch(std::int64_t id) {
    const std::lock_guard lock(db_.mutex_);
    if (auto error = barred()) {
        return Unexpected{*error};
    }
    if (id < 1 || static_cast<std::size_t>(id) > db_.batches_.size()) {
        return std::optional<commands::BatchOrder>{};
    }
    return std::optional(db_.batches_.at(id - 1).batch.order());
}

commands::LedgerResult<std::optional<commands::Lease>> MemoryLedger::lease(std::int64_t batch,
                                                                           std::uint64_t size) {
    const std::lock_guard lock(db_.mutex_);
    if (auto error = barred()) {
        return Unexpected{*error};
    }
    auto& row = db_.batches_.at(batch - 1);
    std::uint64_t first = 0;
    std::uint64_t taken = 0;
    if (!row.returned.empty()) {
        const auto returned = row.returned.begin();
        first = returned->first;
        taken = std::min(size, returned->second);
        const std::uint64_t rest = returned->second - taken;
        row.returned.erase(returned);
        if (rest > 0) {
            row.returned.emplace(first + taken, rest);
        }
    } else {
        if (row.nextPosition >= row.batch.count()) {
            return std::optional<commands::Lease>{};
        }
        first = row.nextPosition;
        taken = std::min(size, row.batch.count() - first);
        row.nextPosition += taken;
    }
    commands::Lease lease{static_cast<std::int64_t>(db_.leases_.size()) + 1, batch, key_, first,
                          taken};
    db_.leases_.push_back({lease, std::nullopt, false});
    return std::optional(lease);
}

commands::LedgerResult<std::vector<commands::Lease>> MemoryLedger::heldLeases(std::int64_t batch) {
    const std::lock_guard lock(db_.mutex_);
    if (auto error = barred()) {
        return Unexpected{*error};
    }
    std::vector<commands::Lease> held;
    for (const auto& row : db_.leases_) {
        if (row.lease.batch == batch && row.lease.station == key_ && !row.returnedFrom &&
            !row.voided) {
            held.push_back(row.lease);
        }
    }
    return held;
}

commands::LedgerResult<std::uint64_t> MemoryLedger::returnLease(std::int64_t lease,
                                                                std::uint64_t from) {
    const std::lock_guard lock(db_.mutex_);
    if (auto error = barred()) {
        return Unexpected{*error};
    }
    auto& row = db_.leases_.at(lease - 1);
    const std::uint64_t end = row.lease.first + row.lease.count;
    if (row.voided) {
        return Unexpected{refusal("号段已作废，不能退回")};
    }
    if (row.returnedFrom) {
        if (*row.returnedFrom == from) {
            return end - from;
        }
        return Unexpected{refusal("号段已从别处退回")};
    }
    if (from < row.lease.first || from > end) {
        return Unexpected{refusal("位置不在号段中")};
    }
    for (const auto& [sent, outcome] : db_.outcomes_) {
        if (outcome.outcome.lease == lease && outcome.outcome.position >= from &&
            outcome.outcome.verified) {
            return Unexpected{refusal("号段中已有写好的位置，不能从这里退回")};
        }
    }
    row.returnedFrom = from;
    if (from < end) {
        db_.batches_.at(row.lease.batch - 1).returned.emplace(from, end - from);
    }
    return end - from;
}

commands::LedgerResult<bool> MemoryLedger::send(const commands::Outcome& outcome) {
    const std::lock_guard lock(db_.mutex_);
    if (auto error = barred()) {
        return Unexpected{*error};
    }
    if (outcome.lease < 1 || static_cast<std::size_t>(outcome.lease) > db_.leases_.size()) {
        return Unexpected{refusal("没有这个号段")};
    }
    const auto& held = db_.leases_.at(outcome.lease - 1);
    // The real store compares the lease's station, as recorded, with the name as the program
    // holds it.
    const std::string& owner = db_.stations_ == SharedDatabase::Stations::ByName ? name_ : key_;
    if (held.lease.station != owner) {
        return Unexpected{refusal("号段 " + std::to_string(outcome.lease) + " 属于 " +
                                  held.lease.station + "，不属于 " + owner)};
    }
    const std::uint64_t end = held.returnedFrom.value_or(held.lease.first + held.lease.count);
    if (outcome.position < held.lease.first || outcome.position >= end) {
        return Unexpected{refusal("位置不在号段的号码中")};
    }
    const auto& batch = db_.batches_.at(held.lease.batch - 1).batch;
    if (batch.number(outcome.position) != outcome.number) {
        return Unexpected{refusal("号码不是批次的这个位置")};
    }
    const auto where = std::make_pair(key_, outcome.seq);
    if (const auto found = db_.outcomes_.find(where); found != db_.outcomes_.end()) {
        const auto& before = found->second.outcome;
        if (before.lease == outcome.lease && before.position == outcome.position &&
            before.number == outcome.number && before.verified == outcome.verified &&
            before.result == outcome.result) {
            return false;  // already recorded
        }
        return Unexpected{refusal("本站的这条结果已记为另一次写卡")};
    }
    const std::uint64_t value = card::numberValue(outcome.number);
    bool repeated = false;
    if (outcome.verified) {
        if (const auto holder = db_.verified_.find(value); holder != db_.verified_.end()) {
            if (holder->second != std::make_pair(outcome.lease, outcome.position)) {
                return Unexpected{
                    LedgerError{LedgerError::Kind::NumberTaken, "号码已写在另一张卡上"}};
            }
            repeated = true;
        } else {
            db_.verified_.emplace(value, std::make_pair(outcome.lease, outcome.position));
        }
    }
    db_.written_.insert(value);
    commands::Outcome recorded = outcome;
    recorded.station = name_;
    db_.outcomes_.emplace(where, SharedDatabase::OutcomeRow{recorded, repeated});
    ++db_.clock_;
    return true;
}

commands::LedgerResult<std::optional<std::int64_t>> MemoryLedger::lastSeq(std::int64_t from,
                                                                          std::int64_t to) {
    const std::lock_guard lock(db_.mutex_);
    if (auto error = barred()) {
        return Unexpected{*error};
    }
    std::optional<std::int64_t> last;
    const auto begin = db_.outcomes_.lower_bound({key_, from});
    for (auto it = begin;
         it != db_.outcomes_.end() && it->first.first == key_ && it->first.second <= to; ++it) {
        last = it->first.second;
    }
    return last;
}

commands::LedgerResult<commands::LedgerProgress> MemoryLedger::progress(std::int64_t batch) {
    const std::lock_guard lock(db_.mutex_);
    if (auto error = barred()) {
        return Unexpected{*error};
    }
    commands::LedgerProgress progress;
    progress.count = db_.batches_.at(batch - 1).batch.count();
    for (const auto& [sent, row] : db_.outcomes_) {
        if (!row.outcome.verified || row.repeated ||
            db_.leases_.at(row.outcome.lease - 1).lease.batch != batch) {
            continue;
        }
        ++progress.verified;
        if (sent.first == key_) {
            ++progress.mine;
        }
    }
    return progress;
}

commands::LedgerResult<std::vector<commands::LedgerNumber>> MemoryLedger::verifiedNumbers() {
    const std::lock_guard lock(db_.mutex_);
    if (auto error = barred()) {
        return Unexpected{*error};
    }
    std::vector<commands::LedgerNumber> numbers;
    numbers.reserve(db_.verified_.size());
    for (const auto& [value, where] : db_.verified_) {
        numbers.push_back({card::tagNumberFromValue(value), "2026-01-01T00:00:00+00:00"});
    }
    return numbers;
}

}  // namespace sim
