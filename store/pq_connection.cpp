#include "store/pq_connection.h"

#include <array>
#include <string_view>

namespace store {

namespace {

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
    const std::optional<std::string>& password) {
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
    PqConnection connection(pq, pq.connectdbParams(keywords.data(), values.data(), 1));
    if (connection.connection_ == nullptr) {
        return util::Unexpected{PqFailure{true, {}, {}, "libpq could not allocate a connection"}};
    }
    if (pq.status(connection.connection_.get()) != CONNECTION_OK) {
        PqFailure failure{true, {}, {}, trimmed(pq.errorMessage(connection.connection_.get()))};
        failure.needsPassword = pq.connectionNeedsPassword(connection.connection_.get()) != 0;
        return util::Unexpected{std::move(failure)};
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
    return take(pq_->execParams(connection_.get(), sql.c_str(), static_cast<int>(values.size()),
                                nullptr, pointers.data(), nullptr, nullptr, 0));
}

util::Expected<std::vector<PqRow>, PqFailure> PqConnection::runScript(const std::string& sql) {
    return take(pq_->exec(connection_.get(), sql.c_str()));
}

int PqConnection::serverVersion() const {
    return pq_->serverVersion(connection_.get());
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
