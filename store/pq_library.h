#pragma once

#include "platform/shared_library.h"
#include "util/expected.h"

#include <libpq-fe.h>

#include <filesystem>
#include <string>
#include <vector>

// libpq, the PostgreSQL client library, loaded at run time: the program starts and runs without
// it, and only a station told to join a shared database needs it.
namespace store {

// The few libpq functions the shared store calls, resolved from the loaded library.
struct PqLibrary {
    decltype(&PQlibVersion) libVersion = nullptr;
    decltype(&PQconnectdbParams) connectdbParams = nullptr;
    decltype(&PQconninfoParse) conninfoParse = nullptr;
    decltype(&PQconninfoFree) conninfoFree = nullptr;
    decltype(&PQfreemem) freemem = nullptr;
    decltype(&PQstatus) status = nullptr;
    decltype(&PQerrorMessage) errorMessage = nullptr;
    decltype(&PQconnectionNeedsPassword) connectionNeedsPassword = nullptr;
    decltype(&PQfinish) finish = nullptr;
    decltype(&PQserverVersion) serverVersion = nullptr;
    decltype(&PQexec) exec = nullptr;
    decltype(&PQexecParams) execParams = nullptr;
    decltype(&PQresultStatus) resultStatus = nullptr;
    decltype(&PQresultErrorMessage) resultErrorMessage = nullptr;
    decltype(&PQresultErrorField) resultErrorField = nullptr;
    decltype(&PQntuples) ntuples = nullptr;
    decltype(&PQnfields) nfields = nullptr;
    decltype(&PQgetvalue) getvalue = nullptr;
    decltype(&PQgetisnull) getisnull = nullptr;
    decltype(&PQclear) clear = nullptr;
    // Connecting and waiting for answers without blocking, so that every wait has a limit.
    decltype(&PQconnectStartParams) connectStartParams = nullptr;
    decltype(&PQconnectPoll) connectPoll = nullptr;
    decltype(&PQsocket) socket = nullptr;
    decltype(&PQsetnonblocking) setnonblocking = nullptr;
    decltype(&PQsendQuery) sendQuery = nullptr;
    decltype(&PQsendQueryParams) sendQueryParams = nullptr;
    decltype(&PQflush) flush = nullptr;
    decltype(&PQconsumeInput) consumeInput = nullptr;
    decltype(&PQisBusy) isBusy = nullptr;
    decltype(&PQgetResult) getResult = nullptr;
};

// A loaded libpq and its functions, which live as long as it does.
struct LoadedPq {
    platform::SharedLibrary library;
    PqLibrary functions;
};

// libpq from the first of `places` that is a file; otherwise why not, in words (UTF-8, Chinese).
[[nodiscard]] util::Expected<LoadedPq, std::string> loadPqLibrary(
    const std::vector<std::filesystem::path>& places);

// libpq, loaded on the first call from the places platform::libpqPlaces() names and kept for the
// program's life; otherwise why not, in words (UTF-8, Chinese). A library not found is looked for
// again on the next call.
[[nodiscard]] util::Expected<const PqLibrary*, std::string> pqLibrary();

}  // namespace store
