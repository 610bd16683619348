#include "store/database_problem.h"

#include <array>
#include <utility>

namespace store {

namespace {

// libpq's and the server's messages for a connection, English as built; the first that matches
// wins, so the more particular come first.
constexpr std::array<std::pair<std::string_view, DatabaseProblem>, 15> kConnectionMessages{{
    {"password authentication failed", DatabaseProblem::WrongPassword},
    {"no password supplied", DatabaseProblem::NeedsPassword},
    {"no pg_hba.conf entry", DatabaseProblem::NoRights},
    {"not permitted to log in", DatabaseProblem::NoRights},
    {"permission denied", DatabaseProblem::NoRights},
    {"role \"", DatabaseProblem::NoRights},  // role "x" does not exist
    {"database \"", DatabaseProblem::NoDatabase},
    {"timeout expired", DatabaseProblem::Timeout},
    {"no answer before the program had to go on", DatabaseProblem::Timeout},  // our own limit
    {"could not translate host name", DatabaseProblem::NoServer},
    {"No route to host", DatabaseProblem::NoServer},
    {"Network is unreachable", DatabaseProblem::NoServer},
    {"Connection refused", DatabaseProblem::Refused},
    {"No such file or directory", DatabaseProblem::Refused},  // no server's socket there
    {"server closed the connection unexpectedly", DatabaseProblem::Lost},
}};

}  // namespace

DatabaseProblem connectionProblem(std::string_view message, bool needsPassword) {
    if (needsPassword) {
        return DatabaseProblem::NeedsPassword;
    }
    for (const auto& [part, problem] : kConnectionMessages) {
        if (message.find(part) != std::string_view::npos) {
            return problem;
        }
    }
    return DatabaseProblem::Other;
}

DatabaseProblem statementProblem(std::string_view sqlState, bool offline) {
    if (offline) {
        return DatabaseProblem::Lost;
    }
    // 42P01 no such table, 42703 no such column, 42P07 a table already there, 42883 no such
    // function, 42804 a column of another type: tables that are not (or no longer) ours.
    if (sqlState == "42P01" || sqlState == "42703" || sqlState == "42P07" || sqlState == "42883" ||
        sqlState == "42804" || sqlState == "22P02") {
        return DatabaseProblem::NotOurs;
    }
    // 42501 insufficient privilege, 25006 a read-only transaction, class 28 authorization.
    if (sqlState == "42501" || sqlState == "25006" || sqlState == "28000") {
        return DatabaseProblem::NoRights;
    }
    if (sqlState == "28P01") {
        return DatabaseProblem::WrongPassword;
    }
    if (sqlState == "3D000") {
        return DatabaseProblem::NoDatabase;
    }
    // 57014 a statement cancelled (statement_timeout), 55P03 a lock not had in time.
    if (sqlState == "57014" || sqlState == "55P03") {
        return DatabaseProblem::Timeout;
    }
    return DatabaseProblem::Other;
}

}  // namespace store
