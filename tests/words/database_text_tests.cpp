// The shared database's troubles in words: one sentence of its own for each kind, and the
// server's text cleaned before it is shown as details.
#include "words/database_text.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using store::DatabaseProblem;

TEST(DatabaseText, EachKindHasWordsOfItsOwnInChinese) {
    const DatabaseProblem kinds[] = {
        DatabaseProblem::NoLibrary,     DatabaseProblem::BadUrl,
        DatabaseProblem::PasswordInUrl, DatabaseProblem::NoServer,
        DatabaseProblem::Refused,       DatabaseProblem::Timeout,
        DatabaseProblem::NeedsPassword, DatabaseProblem::WrongPassword,
        DatabaseProblem::NoRights,      DatabaseProblem::NoDatabase,
        DatabaseProblem::NotOurs,       DatabaseProblem::NewerSchema,
        DatabaseProblem::OlderServer,   DatabaseProblem::Lost,
        DatabaseProblem::Other,
    };
    std::set<std::string> seen;
    for (const DatabaseProblem kind : kinds) {
        const std::string text = words::databaseProblemText(kind);
        SCOPED_TRACE(text);
        // Every sentence says what to do after what went wrong.
        EXPECT_NE(text.find("："), std::string::npos);
        EXPECT_TRUE(seen.insert(text).second) << "two kinds share their words";
    }
    EXPECT_EQ(words::databaseProblemText(DatabaseProblem::None), "");
}

struct CleanCase {
    const char* what;
    std::string text;
    std::size_t limit;
    std::string shown;
};

TEST(DatabaseText, ServerTextLosesControlAndDirectionCharactersAndIsCut) {
    const std::string rlo = "\u202E";
    const CleanCase cases[] = {
        {"plain text stays", "ERROR: permission denied for schema public", 200,
         "ERROR: permission denied for schema public"},
        {"lines and tabs become one space", "FATAL:  no\n\tentry\r\n", 200, "FATAL: no entry"},
        {"a right-to-left override", "abc" + rlo + "fed", 200, "abcfed"},
        {"embeddings, isolates and marks",
         "a\u202Ab\u202Bc\u202Cd\u202De\u2066f\u2067g\u2068h\u2069i\u200Ej\u200Fk\u061Cl", 200,
         "abcdefghijkl"},
        {"C0 controls",
         std::string("a\x07"
                     "b\x1B[31mc\x7F"
                     "d"),
         200, "ab[31mcd"},
        {"C1 controls", "a\u0085b\u009Bc", 200, "abc"},
        {"a NUL inside", std::string("a\0b", 3), 200, "ab"},
        {"broken UTF-8",
         "a\xFF"
         "b\xC0\xAF"
         "c\xED\xA0\x80"
         "d\xE4\xB8",
         200, "abcd"},
        {"Chinese counts as characters", "密码验证失败", 4, "密码验证…"},
        {"cut with a mark", std::string(5000, 'x'), 200, std::string(200, 'x') + "…"},
        {"exactly the limit is whole", "abcd", 4, "abcd"},
        {"a space at the cut is not kept", "abcd efgh", 4, "abcd…"},
        {"nothing but controls", "\u202E\n\t", 200, ""},
    };
    for (const CleanCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(words::cleanServerText(c.text, c.limit), c.shown);
    }
}

}  // namespace
