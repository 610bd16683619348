#pragma once

#include "store/pq_connection.h"
#include "store/pq_library.h"
#include "support/unique_path.h"

#include <atomic>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// The tests' PostgreSQL server (tests/support/pg_server.sh, started by ctest's pg_server
// fixture in the folder the build names) and a database of each test's own on it.
namespace testing_support {

inline std::string pgServerFile(const char* name) {
    const std::string path = std::string(ZELD_PG_SERVER_DIR) + "/" + name;
    std::ifstream file(path);
    std::string line;
    if (!std::getline(file, line) || line.empty()) {
        throw std::runtime_error("no test server: " + path +
                                 " is missing (ctest starts it; by hand: bash "
                                 "tests/support/pg_server.sh start " ZELD_PG_SERVER_DIR ")");
    }
    return line;
}

// The URL of the server's database `zeld`.
inline std::string pgServerUrl() {
    return pgServerFile("url");
}

// The URL with another database's name in place of the last path part.
inline std::string withDatabase(const std::string& url, const std::string& database) {
    return url.substr(0, url.rfind('/') + 1) + database;
}

inline store::PqConnection openOrThrow(const std::string& url) {
    const auto pq = store::pqLibrary();
    if (!pq) {
        throw std::runtime_error(pq.error());
    }
    auto connection = store::PqConnection::open(**pq, url);
    if (!connection) {
        throw std::runtime_error("cannot connect to " + url + ": " + connection.error().message);
    }
    return std::move(*connection);
}

// An empty database of the running test's own, dropped afterwards; statements run in it as its
// owner, past the store.
class TestDatabase {
public:
    TestDatabase()
        : name_("zeld_t" + std::to_string(processId()) + "_" + std::to_string(count()++)),
          url_(withDatabase(pgServerUrl(), name_)) {
        auto server = openOrThrow(pgServerUrl());
        run("CREATE DATABASE " + name_, server);
    }
    // Through a connection of its own: a test may have restarted the server meanwhile.
    ~TestDatabase() {
        connection_.reset();
        const auto pq = store::pqLibrary();
        if (!pq) {
            return;
        }
        try {
            if (auto server = store::PqConnection::open(**pq, pgServerUrl())) {
                (void)server->run("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
            }
        } catch (const std::exception&) {
            // The server is gone: so is the database.
        }
    }
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;
    TestDatabase(TestDatabase&&) = delete;
    TestDatabase& operator=(TestDatabase&&) = delete;

    [[nodiscard]] const std::string& url() const { return url_; }
    [[nodiscard]] const std::string& name() const { return name_; }

    // A statement's rows, or its failure.
    util::Expected<std::vector<store::PqRow>, store::PqFailure> tryRun(const std::string& sql) {
        if (!connection_) {
            connection_.emplace(openOrThrow(url_));
        }
        return connection_->run(sql);
    }
    std::vector<store::PqRow> run(const std::string& sql) {
        auto rows = tryRun(sql);
        if (!rows) {
            throw std::runtime_error(sql + ": " + rows.error().message);
        }
        return std::move(*rows);
    }

private:
    static std::atomic<int>& count() {
        static std::atomic<int> instances{0};
        return instances;
    }
    static void run(const std::string& sql, store::PqConnection& connection) {
        if (auto rows = connection.run(sql); !rows) {
            throw std::runtime_error(sql + ": " + rows.error().message);
        }
    }

    std::string name_;
    std::string url_;
    std::optional<store::PqConnection> connection_;
};

}  // namespace testing_support
