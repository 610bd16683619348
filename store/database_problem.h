#pragma once

#include <string>
#include <string_view>

// Why the shared database could not be used, as a kind the window has words for. The server's
// and libpq's own text only serve to tell the kinds apart; it is shown, if at all, as details.
namespace store {

enum class DatabaseProblem {
    None,           // the database answered: the request itself was refused
    NoLibrary,      // libpq is not installed beside the program
    BadUrl,         // libpq cannot read the URL
    PasswordInUrl,  // the URL holds a password, which would be kept with it
    NoServer,       // the host name is unknown or the host cannot be reached
    Refused,        // the host answers, but no database server listens at the port
    Timeout,        // the server did not answer in time
    NeedsPassword,  // the server wants a password and none was at hand
    WrongPassword,  // the server refused the password
    NoRights,       // the user may not log in, or not use the tables
    NoDatabase,     // the server has no database of that name
    NotOurs,        // the database holds tables of another program, or broken ones of ours
    NewerSchema,    // the tables are of a newer version of this program
    OlderServer,    // the server is older than the SQL the tables rely on
    Lost,           // the connection broke off
    Other,
};

// A connection that did not come up, from libpq's message and whether it found a password
// wanting (PQconnectionNeedsPassword).
[[nodiscard]] DatabaseProblem connectionProblem(std::string_view message, bool needsPassword);

// A statement that failed, from its SQLSTATE; `offline` when the connection is gone.
[[nodiscard]] DatabaseProblem statementProblem(std::string_view sqlState, bool offline);

}  // namespace store
