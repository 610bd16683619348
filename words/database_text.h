#pragma once

#include "store/database_problem.h"

#include <cstddef>
#include <string>
#include <string_view>

// The words of the shared database's troubles (UTF-8): what went wrong and what to do, never
// the server's own text, which is only shown cleaned, as details.
namespace words {

// What to do about it; empty for DatabaseProblem::None (the request's own refusal says why).
[[nodiscard]] std::string databaseProblemText(store::DatabaseProblem problem);

// The server's or libpq's text, fit to be shown as details: control and direction characters
// and broken UTF-8 taken out, runs of blanks made one space, and cut after `limit` characters
// with "…".
[[nodiscard]] std::string cleanServerText(std::string_view text, std::size_t limit = 200);

}  // namespace words
