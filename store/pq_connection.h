#pragma once

#include "store/pq_library.h"
#include "store/socket_wait.h"
#include "store/wait_limit.h"
#include "util/expected.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// One connection to a PostgreSQL server through libpq, with statements' values and results as
// text.
namespace store {

// Why a statement or a connection failed.
struct PqFailure {
    bool offline = false;        // the connection is gone (or never came up): try a new one later
    std::string sqlState;        // the server's five-character code, when it answered
    std::string constraint;      // the constraint a statement broke, when one did
    std::string message;         // libpq's or the server's own words
    bool needsPassword = false;  // the server asked for a password and none was at hand
};

using PqValue = std::optional<std::string>;  // NULL as nothing
using PqRow = std::vector<PqValue>;

class PqConnection {
public:
    // Connects with libpq's connection string or URL; the password comes from libpq's own
    // places (its password file, PGPASSWORD), or else `password`, which the operator typed. Unless
    // the URL says otherwise, an unreachable server is given up after 10 s and a silent one noticed
    // within a minute. No wait, connecting or for an answer, goes past `limit` when one is given:
    // the connection is given up then, as one lost.
    [[nodiscard]] static util::Expected<PqConnection, PqFailure> open(
        const PqLibrary& pq, const std::string& url, const std::string& applicationName = "zeld",
        const std::optional<std::string>& password = std::nullopt, SharedWaitLimit limit = nullptr);

    // Whether the URL or connection string holds a password; why it cannot be read otherwise.
    [[nodiscard]] static util::Expected<bool, std::string> holdsPassword(const PqLibrary& pq,
                                                                         const std::string& url);

    // One statement with $1, $2, ... bound to `values`; its rows.
    [[nodiscard]] util::Expected<std::vector<PqRow>, PqFailure> run(
        const std::string& sql, const std::vector<PqValue>& values = {});
    // Statements separated by semicolons, none with values (a schema's steps).
    [[nodiscard]] util::Expected<std::vector<PqRow>, PqFailure> runScript(const std::string& sql);

    // The server's version as libpq gives it: 150004 for 15.4.
    [[nodiscard]] int serverVersion() const;

private:
    struct Closer {
        const PqLibrary* pq = nullptr;
        void operator()(PGconn* connection) const { pq->finish(connection); }
    };
    PqConnection(const PqLibrary& pq, PGconn* connection, SharedWaitLimit limit)
        : pq_(&pq), connection_(connection, Closer{&pq}), limit_(std::move(limit)) {}
    [[nodiscard]] util::Expected<std::vector<PqRow>, PqFailure> take(PGresult* result);
    // The answers to what was sent, waited for within the limit; the first error, else the last.
    [[nodiscard]] util::Expected<std::vector<PqRow>, PqFailure> answer();
    // Waits for the socket until `until` or the limit; false when the time came first.
    [[nodiscard]] bool waitOn(SocketWaitFor what, WaitLimit::Clock::time_point until) const;
    [[nodiscard]] PqFailure givenUp(const char* why);

    const PqLibrary* pq_;
    std::unique_ptr<PGconn, Closer> connection_;
    SharedWaitLimit limit_;
};

}  // namespace store
