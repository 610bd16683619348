// The kinds of a database's failure, told apart from libpq's messages (as libpq 13 to 17 word
// them) and from SQLSTATEs, without a server.
#include "store/database_problem.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

using store::DatabaseProblem;

struct MessageCase {
    std::string_view message;
    bool needsPassword;
    DatabaseProblem problem;
};

TEST(DatabaseProblem, ConnectionMessagesNameTheirKind) {
    const MessageCase cases[] = {
        {"connection to server at \"127.0.0.1\", port 1 failed: Connection refused\n\tIs the "
         "server running on that host and accepting TCP/IP connections?",
         false, DatabaseProblem::Refused},
        {"connection to server on socket \"/tmp/.s.PGSQL.5432\" failed: No such file or "
         "directory",
         false, DatabaseProblem::Refused},
        {"could not translate host name \"db.example\" to address: Temporary failure in name "
         "resolution",
         false, DatabaseProblem::NoServer},
        {"connection to server at \"10.0.0.9\", port 5432 failed: No route to host", false,
         DatabaseProblem::NoServer},
        {"connection to server at \"10.0.0.9\", port 5432 failed: timeout expired", false,
         DatabaseProblem::Timeout},
        {"connection to server at \"127.0.0.1\", port 5432 failed: FATAL:  password "
         "authentication failed for user \"zeld\"",
         false, DatabaseProblem::WrongPassword},
        {"connection to server at \"127.0.0.1\", port 5432 failed: fe_sendauth: no password "
         "supplied",
         true, DatabaseProblem::NeedsPassword},
        // The server's words name a database: who may not enter it is the point.
        {"FATAL:  no pg_hba.conf entry for host \"10.0.0.5\", user \"zeld\", database \"zeld\", "
         "no encryption",
         false, DatabaseProblem::NoRights},
        {"FATAL:  permission denied for database \"zeld\"\nDETAIL:  User does not have CONNECT "
         "privilege.",
         false, DatabaseProblem::NoRights},
        {"FATAL:  role \"zeld\" is not permitted to log in", false, DatabaseProblem::NoRights},
        {"FATAL:  database \"zeld2\" does not exist", false, DatabaseProblem::NoDatabase},
        {"server closed the connection unexpectedly\n\tThis probably means the server terminated "
         "abnormally",
         false, DatabaseProblem::Lost},
        {"SSL error: certificate verify failed", false, DatabaseProblem::Other},
        {"", false, DatabaseProblem::Other},
    };
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(store::connectionProblem(c.message, c.needsPassword), c.problem);
    }
}

struct StateCase {
    std::string_view sqlState;
    bool offline;
    DatabaseProblem problem;
};

TEST(DatabaseProblem, SqlStatesNameTheirKind) {
    const StateCase cases[] = {
        {"42P01", false, DatabaseProblem::NotOurs},   // no such table
        {"42703", false, DatabaseProblem::NotOurs},   // no such column
        {"42P07", false, DatabaseProblem::NotOurs},   // a table of ours already there
        {"22P02", false, DatabaseProblem::NotOurs},   // a value not of the column's kind
        {"42501", false, DatabaseProblem::NoRights},  // permission denied
        {"25006", false, DatabaseProblem::NoRights},  // a read-only transaction
        {"57014", false, DatabaseProblem::Timeout},   // statement_timeout
        {"3D000", false, DatabaseProblem::NoDatabase},
        {"08006", true, DatabaseProblem::Lost},
        {"", true, DatabaseProblem::Lost},
        {"42501", true, DatabaseProblem::Lost},  // gone is gone, whatever the last answer was
        {"40001", false, DatabaseProblem::Other},
        {"", false, DatabaseProblem::Other},
    };
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.sqlState);
        EXPECT_EQ(store::statementProblem(c.sqlState, c.offline), c.problem);
    }
}

}  // namespace
