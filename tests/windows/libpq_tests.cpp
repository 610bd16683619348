// libpq.dll as the program will use it: loaded at run time from beside the executable by its
// absolute path, its dependencies from its own folder and System32 only. The connection is tried
// when ZELD_TEST_POSTGRES_URL names a server (a libpq connection string or URL), else skipped.
#include "platform/environment.h"
#include "platform/program_location.h"
#include "platform/shared_library.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <memory>
#include <string>

namespace {

// The functions the tests call, looked up by name as the program will; the declarations in
// libpq-fe.h give their types.
struct Libpq {
    platform::SharedLibrary library;
    decltype(&PQlibVersion) libVersion = nullptr;
    decltype(&PQconnectdb) connectdb = nullptr;
    decltype(&PQstatus) status = nullptr;
    decltype(&PQerrorMessage) errorMessage = nullptr;
    decltype(&PQexec) exec = nullptr;
    decltype(&PQresultStatus) resultStatus = nullptr;
    decltype(&PQntuples) ntuples = nullptr;
    decltype(&PQgetvalue) getvalue = nullptr;
    decltype(&PQclear) clear = nullptr;
    decltype(&PQfinish) finish = nullptr;
};

template <class Function>
void lookUp(const platform::SharedLibrary& library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(library.symbol(name));  // NOLINT(*-reinterpret-cast)
    ASSERT_NE(function, nullptr) << "libpq.dll exports no " << name;
}

void load(Libpq& pq) {
    const auto folder = platform::executableFolder();
    ASSERT_TRUE(folder) << folder.error();
    auto library = platform::SharedLibrary::open(folder.value() / "libpq.dll");
    ASSERT_TRUE(library) << "libpq.dll beside the tests: " << library.error();
    pq.library = std::move(library).value();
    lookUp(pq.library, "PQlibVersion", pq.libVersion);
    lookUp(pq.library, "PQconnectdb", pq.connectdb);
    lookUp(pq.library, "PQstatus", pq.status);
    lookUp(pq.library, "PQerrorMessage", pq.errorMessage);
    lookUp(pq.library, "PQexec", pq.exec);
    lookUp(pq.library, "PQresultStatus", pq.resultStatus);
    lookUp(pq.library, "PQntuples", pq.ntuples);
    lookUp(pq.library, "PQgetvalue", pq.getvalue);
    lookUp(pq.library, "PQclear", pq.clear);
    lookUp(pq.library, "PQfinish", pq.finish);
}

TEST(Libpq, LoadsFromBesideTheProgramAndIsPostgreSql15) {
    Libpq pq;
    ASSERT_NO_FATAL_FAILURE(load(pq));
    // 150018 for 15.18: the major version times 10000 plus the minor one.
    EXPECT_EQ(pq.libVersion() / 10000, 15) << pq.libVersion();
}

TEST(Libpq, ConnectsAndRunsAQuery) {
    const auto url = platform::environmentVariable("ZELD_TEST_POSTGRES_URL");
    if (!url) {
        GTEST_SKIP() << "ZELD_TEST_POSTGRES_URL is unset: no server to connect to";
    }
    Libpq pq;
    ASSERT_NO_FATAL_FAILURE(load(pq));
    const std::unique_ptr<PGconn, decltype(pq.finish)> connection(pq.connectdb(url->c_str()),
                                                                  pq.finish);
    ASSERT_NE(connection, nullptr);
    ASSERT_EQ(pq.status(connection.get()), CONNECTION_OK) << pq.errorMessage(connection.get());
    const std::unique_ptr<PGresult, decltype(pq.clear)> result(
        pq.exec(connection.get(), "select 1"), pq.clear);
    ASSERT_NE(result, nullptr) << pq.errorMessage(connection.get());
    ASSERT_EQ(pq.resultStatus(result.get()), PGRES_TUPLES_OK) << pq.errorMessage(connection.get());
    ASSERT_EQ(pq.ntuples(result.get()), 1);
    EXPECT_EQ(std::string(pq.getvalue(result.get(), 0, 0)), "1");
}

}  // namespace
