#include "store/pq_connection.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <string_view>

namespace store {

namespace {

// How long a server is waited for when connecting, unless the limit comes first.
constexpr std::chrono::seconds kConnectWait{10};

std::string trimmed(const char* text) {
    std::string_view view = text != nullptr ? text : "";
    while (!view.empty() && (view.back() == '\n' || view.back() == ' ')) {
        view.remove_suffix(1);
    }
    return std::string(view);
}

// Class 08 is the connection's own failures; 57P01..57P03 a server shutting down or starting.
bool connectionLost(const std::string& sqlState) {
    return sqlState.starts_with("08") || sqlState == "57P01" || sqlState == "57P02" ||
           sqlState == "57P03";
}

}  // namespace

util::Expected<PqConnection, PqFailure> PqConnection::open(
    const PqLibrary& pq, const std::string& url, const std::string& applicationName,
    const std::optional<std::string>& password, SharedWaitLimit limit) {
    // Ours first: the URL, expanded from dbname after them, overrides any of them. Without a
    // password given, the list ends before it, and libpq looks in its own places.
    const std::array<const char*, 8> keywords{
        "connect_timeout",  "keepalives_idle", "keepalives_interval",           "keepalives_count",
        "application_name", "dbname",          password ? "password" : nullptr, nullptr};
    const std::array<const char*, 8> values{"10",
                                            "30",
                                            "10",
                                            "3",
                                            applicationName.c_str(),
                                            url.c_str(),
                                            password ? password->c_str() : nullptr,
                                            nullptr};
    PqConnection connection(pq, pq.connectStartParams(keywords.data(), values.data(), 1),
                            std::move(limit));
    if (connection.connection_ == nullptr) {
        return util::Unexpected{PqFailure{true, {}, {}, "libpq could not allocate a connection"}};
    }
    PGconn* raw = connection.connection_.get();
    // libpq leaves connect_timeout to whoever polls: this loop keeps it.
    const auto until = WaitLimit::Clock::now() + kConnectWait;
    PostgresPollingStatusType polled = PGRES_POLLING_WRITING;
    while (pq.status(raw) != CONNECTION_BAD && polled != PGRES_POLLING_OK &&
           polled != PGRES_POLLING_FAILED) {
        const SocketWaitFor what =
            polled == PGRES_POLLING_READING ? SocketWaitFor::Reading : SocketWaitFor::Writing;
        if (!connection.waitOn(what, until)) {
            const bool limited = connection.limit_ && connection.limit_->passed();
            return util::Unexpected{PqFailure{
                true,
                {},
                {},
                limited ? "no answer before the program had to go on" : "timeout expired"}};
        }
        polled = pq.connectPoll(raw);
    }
    if (pq.status(raw) != CONNECTION_OK) {
        PqFailure failure{true, {}, {}, trimmed(pq.errorMessage(raw))};
        failure.needsPassword = pq.connectionNeedsPassword(raw) != 0;
        return util::Unexpected{std::move(failure)};
    }
    if (pq.setnonblocking(raw, 1) != 0) {
        return util::Unexpected{PqFailure{true, {}, {}, trimmed(pq.errorMessage(raw))}};
    }
    return connection;
}

util::Expected<bool, std::string> PqConnection::holdsPassword(const PqLibrary& pq,
                                                              const std::string& url) {
    char* error = nullptr;
    PQconninfoOption* options = pq.conninfoParse(url.c_str(), &error);
    if (options == nullptr) {
        std::string words = error != nullptr ? trimmed(error) : "libpq could not read it";
        if (error != nullptr) {
            pq.freemem(error);
        }
        return util::Unexpected{std::move(words)};
    }
    bool password = false;
    for (const PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
        if (std::string_view(option->keyword) == "password" && option->val != nullptr &&
            *option->val != '\0') {
            password = true;
        }
    }
    pq.conninfoFree(options);
    return password;
}

util::Expected<std::vector<PqRow>, PqFailure> PqConnection::run(
    const std::string& sql, const std::vector<PqValue>& values) {
    std::vector<const char*> pointers;
    pointers.reserve(values.size());
    for (const auto& value : values) {
        pointers.push_back(value ? value->c_str() : nullptr);
    }
    if (!connection_) {
        return util::Unexpected{PqFailure{true, {}, {}, "the connection was given up"}};
    }
    if (pq_->sendQueryParams(connection_.get(), sql.c_str(), static_cast<int>(values.size()),
                             nullptr, pointers.data(), nullptr, nullptr, 0) == 0) {
        return take(nullptr);
    }
    return answer();
}

util::Expected<std::vector<PqRow>, PqFailure> PqConnection::runScript(const std::string& sql) {
    if (!connection_) {
        return util::Unexpected{PqFailure{true, {}, {}, "the connection was given up"}};
    }
    if (pq_->sendQuery(connection_.get(), sql.c_str()) == 0) {
        return take(nullptr);
    }
    return answer();
}

int PqConnection::serverVersion() const {
    return connection_ ? pq_->serverVersion(connection_.get()) : 0;
}

bool PqConnection::waitOn(SocketWaitFor what, WaitLimit::Clock::time_point until) const {
    // In slices, so that a limit set meanwhile from another thread is heeded soon.
    constexpr std::chrono::milliseconds kSlice{100};
    while (true) {
        const auto end = limit_ ? std::min(until, limit_->end()) : until;
        const auto now = WaitLimit::Clock::now();
        if (now >= end) {
            return false;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now);
        const SocketWaited waited =
            waitForSocket(pq_->socket(connection_.get()), what, std::min(left, kSlice));
        if (waited != SocketWaited::TimeUp) {
            return true;  // ready, or failed: libpq tells what became of the socket
        }
    }
}

PqFailure PqConnection::givenUp(const char* why) {
    // A connection left in the middle of a statement is of no further use.
    connection_.reset();
    return PqFailure{true, {}, {}, why};
}

util::Expected<std::vector<PqRow>, PqFailure> PqConnection::answer() {
    constexpr auto kNever = WaitLimit::Clock::time_point::max();
    PGconn* raw = connection_.get();
    for (int flushed = pq_->flush(raw); flushed != 0; flushed = pq_->flush(raw)) {
        if (flushed < 0) {
            return take(nullptr);
        }
        if (!waitOn(SocketWaitFor::Writing, kNever)) {
            return util::Unexpected{givenUp("no answer before the program had to go on")};
        }
    }
    PGresult* kept = nullptr;
    while (true) {
        while (pq_->isBusy(raw) != 0) {
            if (!waitOn(SocketWaitFor::Reading, kNever)) {
                pq_->clear(kept);
                return util::Unexpected{givenUp("no answer before the program had to go on")};
            }
            if (pq_->consumeInput(raw) == 0) {
                pq_->clear(kept);
                return take(nullptr);
            }
        }
        PGresult* result = pq_->getResult(raw);
        if (result == nullptr) {
            break;
        }
        const ExecStatusType status = pq_->resultStatus(kept);
        if (kept != nullptr && status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            pq_->clear(result);  // the first failure tells why
        } else {
            pq_->clear(kept);
            kept = result;
        }
    }
    return take(kept);
}

util::Expected<std::vector<PqRow>, PqFailure> PqConnection::take(PGresult* result) {
    const auto cleared = [this](PGresult* r) { pq_->clear(r); };
    const std::unique_ptr<PGresult, decltype(cleared)> owned(result, cleared);
    const bool alive = pq_->status(connection_.get()) == CONNECTION_OK;
    if (result == nullptr) {
        return util::Unexpected{
            PqFailure{!alive, {}, {}, trimmed(pq_->errorMessage(connection_.get()))}};
    }
    const ExecStatusType status = pq_->resultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const char* state = pq_->resultErrorField(result, PG_DIAG_SQLSTATE);
        const char* constraint = pq_->resultErrorField(result, PG_DIAG_CONSTRAINT_NAME);
        PqFailure failure{false, state != nullptr ? state : "",
                          constraint != nullptr ? constraint : "",
                          trimmed(pq_->resultErrorMessage(result))};
        failure.offline = !alive || connectionLost(failure.sqlState);
        return util::Unexpected{std::move(failure)};
    }
    std::vector<PqRow> rows(static_cast<std::size_t>(pq_->ntuples(result)));
    const int fields = pq_->nfields(result);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const int r = static_cast<int>(row);
        rows[row].reserve(static_cast<std::size_t>(fields));
        for (int field = 0; field < fields; ++field) {
            if (pq_->getisnull(result, r, field) != 0) {
                rows[row].emplace_back(std::nullopt);
            } else {
                rows[row].emplace_back(pq_->getvalue(result, r, field));
            }
        }
    }
    return rows;
}

}  // namespace store
