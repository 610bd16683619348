#include "store/shared_store.h"

#include "card/number_text.h"
#include "journal/field_words.h"
#include "store/pq_connection.h"
#include "store/pq_library.h"
#include "store/shared_schema.h"
#include "store/station_claim.h"

#include <algorithm>
#include <charconv>
#include <type_traits>
#include <utility>

namespace store {

namespace {

// The oldest server whose SQL the tables rely on.
constexpr int kOldestServer = 130000;
// Held while the tables are created or migrated, so that stations starting together take turns.
constexpr const char* kMigrationLock = "SELECT pg_advisory_xact_lock(7036726570)";

// A call given up inside its transaction, with what to tell the caller.
struct Abort {
    StoreError error;
};
// A statement failed: the transaction holds why.
struct StatementFailed {};

[[noreturn]] void refuse(std::string words) {
    throw Abort{{StoreError::Kind::Refused, std::move(words), std::nullopt}};
}

// The database could not be used: the server's own text is kept for details only.
StoreError trouble(StoreError::Kind kind, std::string words, DatabaseProblem problem,
                   std::string details = {}) {
    StoreError error{kind, std::move(words), std::nullopt};
    error.problem = problem;
    error.details = std::move(details);
    return error;
}

StoreError errorOf(const PqFailure& failure) {
    if (failure.offline) {
        return trouble(StoreError::Kind::Offline, "与共享数据库的连接已断开",
                       statementProblem(failure.sqlState, true), failure.message);
    }
    if (failure.sqlState == "23505" && failure.constraint == "outcomes_verified_number") {
        return {StoreError::Kind::NumberTaken, "号码已写在另一张卡上", std::nullopt};
    }
    return trouble(StoreError::Kind::Failed, "共享数据库出错",
                   statementProblem(failure.sqlState, false), failure.message);
}

std::string text(std::int64_t value) {
    return std::to_string(value);
}
std::string text(std::uint64_t value) {
    return std::to_string(value);
}
std::string text(bool value) {
    return value ? "true" : "false";
}

const std::string& field(const PqRow& row, std::size_t index) {
    if (index >= row.size() || !row[index]) {
        throw Abort{trouble(StoreError::Kind::Failed, "共享数据库的回答缺少一项",
                            DatabaseProblem::NotOurs)};
    }
    return *row[index];
}

template <class Integer>
Integer integer(const PqRow& row, std::size_t index) {
    const std::string& value = field(row, index);
    Integer result{};
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), result);
    if (error != std::errc{} || end != value.data() + value.size()) {
        throw Abort{trouble(StoreError::Kind::Failed, "共享数据库的回答不是数",
                            DatabaseProblem::NotOurs, value)};
    }
    return result;
}
std::int64_t id(const PqRow& row, std::size_t index) {
    return integer<std::int64_t>(row, index);
}
std::uint64_t count(const PqRow& row, std::size_t index) {
    return integer<std::uint64_t>(row, index);
}
bool truth(const PqRow& row, std::size_t index) {
    return field(row, index) == "t";
}
std::optional<std::string> maybe(const PqRow& row, std::size_t index) {
    return index < row.size() ? row[index] : std::nullopt;
}

// The database's spelling of a batch's notation: the Wiegand format it is read in.
const char* storedNotation(card::Notation notation) {
    return notation == card::Notation::WG26 ? "WG26" : "WG34";
}

// The order from the columns name, first_number, notation, count, chip, lock from `start`.
commands::BatchOrder orderOf(const PqRow& row, std::size_t start) {
    commands::BatchOrder order;
    order.name = field(row, start);
    order.first = card::tagNumberFromValue(count(row, start + 1));
    order.notation = field(row, start + 2) == storedNotation(card::Notation::WG26)
                         ? card::Notation::WG26
                         : card::Notation::WG34;
    order.count = count(row, start + 3);
    order.chip = journal::chipOfWord(field(row, start + 4)).value_or(reader::TagChip::T5577);
    order.lock = truth(row, start + 5);
    return order;
}
// Whether batch b still has a number to write: one never leased, one given back, or one of a
// lease neither returned nor voided that is not verified yet. Once none is left, every number
// is written or voided and the batch is done at every station.
constexpr const char* kPositionsLeft =
    "b.next_position < b.count "
    "OR EXISTS (SELECT 1 FROM returned_positions r WHERE r.batch_id = b.id) "
    "OR EXISTS (SELECT 1 FROM leases l WHERE l.batch_id = b.id AND l.returned_from IS NULL "
    "AND l.voided_at IS NULL AND l.count > (SELECT count(DISTINCT o.position) FROM outcomes o "
    "WHERE o.lease_id = l.id AND o.verified))";
constexpr const char* kOrderColumns = "b.name, b.first_number, b.notation, b.count, b.chip, b.lock";

std::string positionWords(std::uint64_t position) {
    return "第 " + std::to_string(position + 1) + " 个号码";
}

// A statement that fails ends the call: its transaction is rolled back by the caller.
class Transaction {
public:
    explicit Transaction(PqConnection& connection) : connection_(connection) {}

    std::vector<PqRow> run(const std::string& sql, const std::vector<PqValue>& values = {}) {
        auto rows = connection_.run(sql, values);
        if (!rows) {
            failure_ = rows.error();
            throw StatementFailed{};
        }
        return std::move(*rows);
    }
    std::optional<PqRow> first(const std::string& sql, const std::vector<PqValue>& values = {}) {
        auto rows = run(sql, values);
        if (rows.empty()) {
            return std::nullopt;
        }
        return std::move(rows.front());
    }
    void script(const std::string& sql) {
        auto rows = connection_.runScript(sql);
        if (!rows) {
            failure_ = rows.error();
            throw StatementFailed{};
        }
    }

    // Why the statement that threw StatementFailed failed.
    [[nodiscard]] const PqFailure& failure() const noexcept { return failure_; }

private:
    PqConnection& connection_;
    PqFailure failure_;
};

// Creates the tables in an empty database, or brings older ones up to this program's version.
void migrate(Transaction& tx) {
    tx.run(kMigrationLock);
    const auto table = tx.first("SELECT to_regclass('zeld_schema') IS NOT NULL");
    if (!truth(*table, 0)) {
        tx.run("CREATE TABLE zeld_schema (version integer NOT NULL)");
        tx.run("INSERT INTO zeld_schema (version) VALUES (0)");
    }
    const auto row = tx.first("SELECT version FROM zeld_schema");
    if (!row) {
        throw Abort{trouble(StoreError::Kind::Schema, "共享数据库的版本表是空的",
                            DatabaseProblem::NotOurs)};
    }
    const int version = integer<int>(*row, 0);
    const int known = sharedSchemaVersion();
    if (version > known) {
        throw Abort{trouble(StoreError::Kind::Schema,
                            "共享数据库的结构是第 " + std::to_string(version) +
                                " 版，本程序只认识到第 " + std::to_string(known) +
                                " 版：请先把本站的程序升级",
                            DatabaseProblem::NewerSchema)};
    }
    if (version < 0) {
        throw Abort{
            trouble(StoreError::Kind::Schema, "共享数据库的版本表有误", DatabaseProblem::NotOurs)};
    }
    const auto steps = sharedSchemaSteps();
    for (auto step = static_cast<std::size_t>(version); step < steps.size(); ++step) {
        tx.script(std::string(steps[step]));
    }
    if (version != known) {
        tx.run("UPDATE zeld_schema SET version = $1", {std::to_string(known)});
    }
}

VerifiedWrite verifiedWriteOf(const PqRow& row) {
    return {field(row, 0),
            id(row, 1),
            id(row, 2),
            count(row, 3),
            card::tagNumberFromValue(count(row, 4)),
            field(row, 5)};
}
constexpr const char* kVerifiedWriteQuery =
    "SELECT coalesce(s.name, o.station_id), l.batch_id, o.lease_id, o.position, o.number, "
    "to_char(o.recorded_at AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"') "
    "FROM outcomes o JOIN leases l ON l.id = o.lease_id LEFT JOIN stations s ON s.id = "
    "o.station_id "
    "WHERE o.number = $1 AND o.verified AND NOT o.repeated";

}  // namespace

struct SharedStore::State {
    const PqLibrary* pq = nullptr;
    std::string url;
    StationIdentity station;
    std::optional<std::string> password;
    SharedWaitLimit limit;
    std::optional<PqConnection> connection;

    // Connects and brings the tables up to date; on failure there is no connection.
    std::optional<StoreError> open() {
        connection.reset();
        if (limit->passed()) {
            return StoreError{StoreError::Kind::Offline, "无法连接共享数据库：程序正在结束",
                              std::nullopt};
        }
        auto opened =
            PqConnection::open(*pq, url, stationApplicationName(station), password, limit);
        if (!opened) {
            const DatabaseProblem problem =
                connectionProblem(opened.error().message, opened.error().needsPassword);
            // A password wanted or refused is asked for again; the rest is tried again later.
            if (problem == DatabaseProblem::NeedsPassword ||
                problem == DatabaseProblem::WrongPassword) {
                return trouble(StoreError::Kind::NeedsPassword,
                               problem == DatabaseProblem::WrongPassword ? "共享数据库的密码不对"
                                                                         : "共享数据库要密码",
                               problem, opened.error().message);
            }
            return trouble(StoreError::Kind::Offline, "无法连接共享数据库", problem,
                           opened.error().message);
        }
        connection = std::move(*opened);
        if (connection->serverVersion() < kOldestServer) {
            connection.reset();
            return trouble(StoreError::Kind::Schema,
                           "共享数据库的服务器版本太旧：需要 PostgreSQL 13 或更新的版本",
                           DatabaseProblem::OlderServer);
        }
        auto ready = transaction([](Transaction& tx) {
            // The server's notices (a table already there) are not for the user.
            tx.run("SET client_min_messages = warning");
            migrate(tx);
            return true;
        });
        if (!ready) {
            connection.reset();
            return ready.error();
        }
        if (auto refused = claimStation(*connection, station)) {
            connection.reset();
            if (refused->failure) {
                return errorOf(*refused->failure);
            }
            StoreError error{StoreError::Kind::StationRefused, {}, std::nullopt};
            error.clash = refused->clash;
            error.nameFault = refused->nameFault;
            return error;
        }
        return std::nullopt;
    }

    // Runs `body` in one transaction: committed when it returns, rolled back when it throws.
    template <class Body>
    auto transaction(Body&& body) -> StoreResult<std::invoke_result_t<Body&, Transaction&>> {
        if (!connection) {
            if (auto failed = open()) {
                return util::Unexpected{std::move(*failed)};
            }
        }
        Transaction tx(*connection);
        try {
            tx.run("BEGIN");
            auto value = body(tx);
            tx.run("COMMIT");
            return value;
        } catch (const Abort& abort) {
            rollback();
            return util::Unexpected{abort.error};
        } catch (const StatementFailed&) {
            const PqFailure& failure = tx.failure();
            if (failure.offline) {
                // A connection that dropped is opened again on the next call.
                connection.reset();
            } else {
                rollback();
            }
            return util::Unexpected{errorOf(failure)};
        }
    }

    void rollback() {
        if (connection && !connection->run("ROLLBACK")) {
            connection.reset();
        }
    }
};

StoreResult<SharedStore> SharedStore::connect(const std::string& url,
                                              const StationIdentity& station,
                                              const std::optional<std::string>& password,
                                              SharedWaitLimit limit) {
    const auto pq = pqLibrary();
    if (!pq) {
        return util::Unexpected{
            trouble(StoreError::Kind::Failed, pq.error(), DatabaseProblem::NoLibrary, pq.error())};
    }
    // A password in the URL would end up wherever the URL is kept.
    const auto inUrl = PqConnection::holdsPassword(**pq, url);
    if (!inUrl) {
        return util::Unexpected{trouble(StoreError::Kind::Refused, "共享数据库的地址有误",
                                        DatabaseProblem::BadUrl, inUrl.error())};
    }
    if (*inUrl) {
        return util::Unexpected{trouble(
            StoreError::Kind::Refused,
            "共享数据库的地址中不能含密码：请把密码写进 libpq 的密码文件（pgpass），或由环境变量 "
            "PGPASSWORD 给出",
            DatabaseProblem::PasswordInUrl)};
    }
    auto state = std::make_unique<State>();
    state->pq = *pq;
    state->url = url;
    state->station = station;
    state->password = password;
    state->limit = limit ? std::move(limit) : std::make_shared<WaitLimit>();
    if (auto failed = state->open()) {
        return util::Unexpected{std::move(*failed)};
    }
    return SharedStore(std::move(state));
}

SharedStore::SharedStore(std::unique_ptr<State> state) : state_(std::move(state)) {}

SharedWaitLimit SharedStore::waitLimit() const {
    return state_->limit;
}
SharedStore::~SharedStore() = default;
SharedStore::SharedStore(SharedStore&&) noexcept = default;
SharedStore& SharedStore::operator=(SharedStore&&) noexcept = default;

StoreResult<std::int64_t> SharedStore::createBatch(const commands::BatchOrder& order) {
    return state_->transaction([&](Transaction& tx) {
        if (const auto made = commands::Batch::create(order); !made) {
            refuse(made.error().reason == commands::BatchRefusal::Reason::NoTags
                       ? "批次的张数是 0"
                       : "批次的号码超出范围：从首号起只有 " + std::to_string(made.error().room) +
                             " 个号码");
        }
        const auto row = tx.first(
            "INSERT INTO batches (name, first_number, notation, count, chip, lock) "
            "VALUES ($1, $2, $3, $4, $5, $6) RETURNING id",
            {order.name, text(card::numberValue(order.first)), storedNotation(order.notation),
             text(order.count), std::string(journal::chipWord(order.chip)), text(order.lock)});
        return id(*row, 0);
    });
}

StoreResult<std::vector<SharedBatch>> SharedStore::openBatches() {
    return state_->transaction([&](Transaction& tx) {
        std::vector<SharedBatch> batches;
        for (const auto& row : tx.run(std::string("SELECT id, ") + kOrderColumns +
                                      " FROM batches b WHERE ended_at IS NULL AND (" +
                                      kPositionsLeft + ") ORDER BY id")) {
            batches.push_back({id(row, 0), orderOf(row, 1), std::nullopt});
        }
        return batches;
    });
}

StoreResult<std::optional<SharedBatch>> SharedStore::batch(std::int64_t batchId) {
    return state_->transaction([&](Transaction& tx) -> std::optional<SharedBatch> {
        const auto row = tx.first(
            std::string("SELECT id, ") + kOrderColumns + ", ended_by FROM batches b WHERE id = $1",
            {text(batchId)});
        if (!row) {
            return std::nullopt;
        }
        return SharedBatch{id(*row, 0), orderOf(*row, 1), maybe(*row, 7)};
    });
}

StoreResult<bool> SharedStore::endBatch(std::int64_t batchId, const std::string& by) {
    return state_->transaction([&](Transaction& tx) {
        if (by.empty()) {
            refuse("结束批次须写明操作人");
        }
        const auto row = tx.first(
            "SELECT ended_at IS NOT NULL FROM batches WHERE id = $1 FOR UPDATE", {text(batchId)});
        if (!row) {
            refuse("没有编号为 " + text(batchId) + " 的批次");
        }
        if (truth(*row, 0)) {
            return false;
        }
        tx.run("UPDATE batches SET ended_at = now(), ended_by = $2 WHERE id = $1",
               {text(batchId), by});
        return true;
    });
}

StoreResult<std::optional<commands::Lease>> SharedStore::lease(std::int64_t batchId,
                                                               const std::string& station,
                                                               std::uint64_t size) {
    return state_->transaction([&](Transaction& tx) -> std::optional<commands::Lease> {
        if (size == 0 || station.empty()) {
            refuse("领号须写明站名，且至少领一个");
        }
        // The batch's row is the lock every lease of it takes in turn.
        const auto batchRow = tx.first(
            "SELECT count, next_position, ended_at IS NOT NULL FROM batches WHERE id = $1 "
            "FOR UPDATE",
            {text(batchId)});
        if (!batchRow) {
            refuse("没有编号为 " + text(batchId) + " 的批次");
        }
        if (truth(*batchRow, 2)) {
            refuse("批次 " + text(batchId) + " 已结束");
        }
        std::uint64_t first = 0;
        std::uint64_t taken = 0;
        if (const auto returned =
                tx.first("SELECT first_position, count FROM returned_positions WHERE batch_id = $1 "
                         "ORDER BY first_position LIMIT 1",
                         {text(batchId)})) {
            first = count(*returned, 0);
            const std::uint64_t available = count(*returned, 1);
            taken = std::min(size, available);
            if (taken == available) {
                tx.run("DELETE FROM returned_positions WHERE batch_id = $1 AND first_position = $2",
                       {text(batchId), text(first)});
            } else {
                tx.run(
                    "UPDATE returned_positions SET first_position = $3, count = $4 "
                    "WHERE batch_id = $1 AND first_position = $2",
                    {text(batchId), text(first), text(first + taken), text(available - taken)});
            }
        } else {
            const std::uint64_t total = count(*batchRow, 0);
            first = count(*batchRow, 1);
            if (first >= total) {
                return std::nullopt;
            }
            taken = std::min(size, total - first);
            tx.run("UPDATE batches SET next_position = $2 WHERE id = $1",
                   {text(batchId), text(first + taken)});
        }
        const auto row = tx.first(
            "INSERT INTO leases (batch_id, station_id, first_position, count) "
            "VALUES ($1, $2, $3, $4) RETURNING id",
            {text(batchId), station, text(first), text(taken)});
        return commands::Lease{id(*row, 0), batchId, station, first, taken};
    });
}

StoreResult<std::uint64_t> SharedStore::returnLease(std::int64_t leaseId,
                                                    std::uint64_t fromPosition) {
    return state_->transaction([&](Transaction& tx) {
        const auto owner = tx.first("SELECT batch_id FROM leases WHERE id = $1", {text(leaseId)});
        if (!owner) {
            refuse("没有编号为 " + text(leaseId) + " 的号段");
        }
        // The batch first, as lease() takes it: returned positions are the batch's again.
        tx.run("SELECT 1 FROM batches WHERE id = $1 FOR UPDATE", {field(*owner, 0)});
        const auto row = tx.first(
            "SELECT first_position, count, returned_from, voided_at IS NOT NULL "
            "FROM leases WHERE id = $1 FOR UPDATE",
            {text(leaseId)});
        const std::uint64_t first = count(*row, 0);
        const std::uint64_t end = first + count(*row, 1);
        if (truth(*row, 3)) {
            refuse("号段 " + text(leaseId) + " 已作废，不能退回");
        }
        if (maybe(*row, 2)) {
            const std::uint64_t returnedFrom = count(*row, 2);
            if (returnedFrom == fromPosition) {
                return end - returnedFrom;  // the same return, sent again
            }
            refuse("号段 " + text(leaseId) + " 已从" + positionWords(returnedFrom) + "起退回");
        }
        if (fromPosition < first || fromPosition > end) {
            refuse(positionWords(fromPosition) + "不在号段 " + text(leaseId) + " 中");
        }
        const auto written = tx.first(
            "SELECT min(position) FROM outcomes WHERE lease_id = $1 AND position >= $2 AND "
            "verified",
            {text(leaseId), text(fromPosition)});
        if (maybe(*written, 0)) {
            refuse(positionWords(count(*written, 0)) + "已写好，号段 " + text(leaseId) + " 不能从" +
                   positionWords(fromPosition) + "起退回");
        }
        tx.run("UPDATE leases SET returned_from = $2, returned_at = now() WHERE id = $1",
               {text(leaseId), text(fromPosition)});
        if (fromPosition < end) {
            tx.run(
                "INSERT INTO returned_positions (batch_id, first_position, count) "
                "VALUES ($1, $2, $3)",
                {field(*owner, 0), text(fromPosition), text(end - fromPosition)});
        }
        return end - fromPosition;
    });
}

StoreResult<std::uint64_t> SharedStore::voidLease(std::int64_t leaseId, const std::string& by) {
    return state_->transaction([&](Transaction& tx) {
        if (by.empty()) {
            refuse("作废号段须写明操作人");
        }
        const auto row = tx.first(
            "SELECT count, returned_from IS NOT NULL, voided_at IS NOT NULL FROM leases "
            "WHERE id = $1 FOR UPDATE",
            {text(leaseId)});
        if (!row) {
            refuse("没有编号为 " + text(leaseId) + " 的号段");
        }
        if (truth(*row, 1)) {
            refuse("号段 " + text(leaseId) + " 已退回，不能作废");
        }
        if (!truth(*row, 2)) {
            tx.run("UPDATE leases SET voided_at = now(), voided_by = $2 WHERE id = $1",
                   {text(leaseId), by});
        }
        const auto written = tx.first(
            "SELECT count(*) FROM outcomes WHERE lease_id = $1 AND verified AND NOT repeated",
            {text(leaseId)});
        return count(*row, 0) - count(*written, 0);
    });
}

StoreResult<Recorded> SharedStore::recordOutcome(const commands::Outcome& outcome) {
    auto recorded = state_->transaction([&](Transaction& tx) {
        // Shared: a return of the lease waits until this write is in.
        const auto held = tx.first(
            std::string("SELECT l.station_id, l.first_position, l.count, l.returned_from, ") +
                kOrderColumns +
                ", coalesce(s.name, l.station_id) FROM leases l JOIN batches b ON "
                "b.id = l.batch_id LEFT JOIN stations s ON s.id = l.station_id "
                "WHERE l.id = $1 FOR SHARE OF l",
            {text(outcome.lease)});
        const std::string leaseWords = "号段 " + text(outcome.lease);
        if (!held) {
            refuse("没有编号为 " + text(outcome.lease) + " 的号段");
        }
        if (field(*held, 0) != outcome.station) {
            refuse(leaseWords + " 属于 " + field(*held, 10) + "，不属于本站");
        }
        const std::uint64_t first = count(*held, 1);
        const std::uint64_t end = maybe(*held, 3) ? count(*held, 3) : first + count(*held, 2);
        if (outcome.position < first || outcome.position >= end) {
            refuse(positionWords(outcome.position) + "不在" + leaseWords + "的号码中");
        }
        const auto batch = commands::Batch::create(orderOf(*held, 4));
        if (!batch || batch->number(outcome.position) != outcome.number) {
            refuse("号码 " + card::hexWord(card::numberValue(outcome.number), 10) + " 不是批次的" +
                   positionWords(outcome.position));
        }

        const auto sent = tx.first(
            "SELECT lease_id, position, number, verified, result FROM outcomes "
            "WHERE station_id = $1 AND seq = $2",
            {outcome.station, text(outcome.seq)});
        if (sent) {
            if (id(*sent, 0) == outcome.lease && count(*sent, 1) == outcome.position &&
                count(*sent, 2) == card::numberValue(outcome.number) &&
                truth(*sent, 3) == outcome.verified && field(*sent, 4) == outcome.result) {
                return Recorded::AlreadyRecorded;
            }
            refuse("本站的第 " + text(outcome.seq) + " 条结果已记为另一次写卡");
        }

        bool repeated = false;
        if (outcome.verified) {
            if (const auto holder =
                    tx.first(kVerifiedWriteQuery, {text(card::numberValue(outcome.number))})) {
                const VerifiedWrite earlier = verifiedWriteOf(*holder);
                if (earlier.lease != outcome.lease || earlier.position != outcome.position) {
                    throw Abort{{StoreError::Kind::NumberTaken, "号码已写在另一张卡上", earlier}};
                }
                repeated = true;
            }
        }
        tx.run(
            "INSERT INTO outcomes (station_id, seq, lease_id, position, number, verified, "
            "repeated, "
            "result) VALUES ($1, $2, $3, $4, $5, $6, $7, $8)",
            {outcome.station, text(outcome.seq), text(outcome.lease), text(outcome.position),
             text(card::numberValue(outcome.number)), text(outcome.verified), text(repeated),
             outcome.result});
        return Recorded::New;
    });
    if (!recorded && recorded.error().kind == StoreError::Kind::NumberTaken &&
        !recorded.error().earlier) {
        // Another station's write of the number came in between: name it.
        StoreError error = recorded.error();
        if (auto earlier = lastVerifiedWrite(outcome.number); earlier && *earlier) {
            error.earlier = **earlier;
        }
        return util::Unexpected{std::move(error)};
    }
    return recorded;
}

StoreResult<std::vector<commands::Lease>> SharedStore::heldLeases(std::int64_t batchId,
                                                                  const std::string& station) {
    return state_->transaction([&](Transaction& tx) {
        std::vector<commands::Lease> leases;
        for (const auto& row :
             tx.run("SELECT id, first_position, count FROM leases WHERE batch_id = $1 AND "
                    "station_id = $2 AND returned_from IS NULL AND voided_at IS NULL ORDER BY id",
                    {text(batchId), station})) {
            leases.push_back({id(row, 0), batchId, station, count(row, 1), count(row, 2)});
        }
        return leases;
    });
}

StoreResult<std::optional<std::int64_t>> SharedStore::lastSeq(const std::string& station,
                                                              std::int64_t from, std::int64_t to) {
    return state_->transaction([&](Transaction& tx) -> std::optional<std::int64_t> {
        const auto row = tx.first(
            "SELECT max(seq) FROM outcomes WHERE station_id = $1 AND seq BETWEEN $2 AND $3",
            {station, text(from), text(to)});
        if (!maybe(*row, 0)) {
            return std::nullopt;
        }
        return id(*row, 0);
    });
}

StoreResult<std::vector<VerifiedWrite>> SharedStore::verifiedWrites() {
    return state_->transaction([&](Transaction& tx) {
        std::vector<VerifiedWrite> writes;
        for (const auto& row :
             tx.run("SELECT coalesce(s.name, o.station_id), l.batch_id, o.lease_id, o.position, "
                    "o.number, "
                    "to_char(o.recorded_at AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"') "
                    "FROM outcomes o JOIN leases l ON l.id = o.lease_id "
                    "LEFT JOIN stations s ON s.id = o.station_id "
                    "WHERE o.verified AND NOT o.repeated")) {
            writes.push_back(verifiedWriteOf(row));
        }
        return writes;
    });
}

StoreResult<std::optional<VerifiedWrite>> SharedStore::lastVerifiedWrite(
    const card::CardNumber& number) {
    return state_->transaction([&](Transaction& tx) -> std::optional<VerifiedWrite> {
        const auto row = tx.first(kVerifiedWriteQuery, {text(card::numberValue(number))});
        if (!row) {
            return std::nullopt;
        }
        return verifiedWriteOf(*row);
    });
}

StoreResult<Progress> SharedStore::progress(std::int64_t batchId) {
    return state_->transaction([&](Transaction& tx) {
        const auto batchRow = tx.first("SELECT count FROM batches WHERE id = $1", {text(batchId)});
        if (!batchRow) {
            refuse("没有编号为 " + text(batchId) + " 的批次");
        }
        Progress progress;
        progress.count = count(*batchRow, 0);
        for (const auto& row :
             tx.run("SELECT l.station_id, coalesce(min(s.name), l.station_id), count(*) "
                    "FROM outcomes o JOIN leases l ON l.id = o.lease_id "
                    "LEFT JOIN stations s ON s.id = l.station_id "
                    "WHERE l.batch_id = $1 AND o.verified AND NOT o.repeated "
                    "GROUP BY l.station_id ORDER BY 2",
                    {text(batchId)})) {
            progress.byStation.push_back({field(row, 0), field(row, 1), count(row, 2)});
            progress.verified += count(row, 2);
        }
        return progress;
    });
}

StoreResult<std::vector<LeaseAccount>> SharedStore::accounting(std::int64_t batchId) {
    return state_->transaction([&](Transaction& tx) {
        std::vector<LeaseAccount> accounts;
        for (const auto& row :
             tx.run("SELECT l.id, l.station_id, l.count, "
                    "(SELECT count(*) FROM outcomes o "
                    " WHERE o.lease_id = l.id AND o.verified AND NOT o.repeated), "
                    "coalesce(l.first_position + l.count - l.returned_from, 0), "
                    "l.returned_from IS NOT NULL OR l.voided_at IS NOT NULL, l.voided_by, "
                    "coalesce(s.name, l.station_id), l.first_position "
                    "FROM leases l LEFT JOIN stations s ON s.id = l.station_id "
                    "WHERE l.batch_id = $1 ORDER BY l.id",
                    {text(batchId)})) {
            LeaseAccount account{id(row, 0),
                                 field(row, 1),
                                 field(row, 7),
                                 count(row, 2),
                                 count(row, 3),
                                 count(row, 4),
                                 0,
                                 0,
                                 maybe(row, 6),
                                 count(row, 8)};
            const std::uint64_t unwritten = account.issued - account.returned - account.written;
            (truth(row, 5) ? account.voided : account.outstanding) = unwritten;
            accounts.push_back(std::move(account));
        }
        return accounts;
    });
}

}  // namespace store
