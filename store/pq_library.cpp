#include "store/pq_library.h"

#include "platform/libpq_location.h"

#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

namespace store {

namespace {

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

template <class Function>
bool resolve(const platform::SharedLibrary& library, const char* name, Function& function) {
    // The system hands a void*; the type is libpq's own declaration of the function.
    function = reinterpret_cast<Function>(library.symbol(name));  // NOLINT
    return function != nullptr;
}

// Every function, or the name of the first one the library lacks.
std::optional<std::string> resolveAll(const platform::SharedLibrary& library, PqLibrary& pq) {
    const std::pair<const char*, bool> found[] = {
        {"PQlibVersion", resolve(library, "PQlibVersion", pq.libVersion)},
        {"PQconnectdbParams", resolve(library, "PQconnectdbParams", pq.connectdbParams)},
        {"PQconnectionNeedsPassword",
         resolve(library, "PQconnectionNeedsPassword", pq.connectionNeedsPassword)},
        {"PQconninfoParse", resolve(library, "PQconninfoParse", pq.conninfoParse)},
        {"PQconninfoFree", resolve(library, "PQconninfoFree", pq.conninfoFree)},
        {"PQfreemem", resolve(library, "PQfreemem", pq.freemem)},
        {"PQstatus", resolve(library, "PQstatus", pq.status)},
        {"PQerrorMessage", resolve(library, "PQerrorMessage", pq.errorMessage)},
        {"PQfinish", resolve(library, "PQfinish", pq.finish)},
        {"PQserverVersion", resolve(library, "PQserverVersion", pq.serverVersion)},
        {"PQexec", resolve(library, "PQexec", pq.exec)},
        {"PQexecParams", resolve(library, "PQexecParams", pq.execParams)},
        {"PQresultStatus", resolve(library, "PQresultStatus", pq.resultStatus)},
        {"PQresultErrorMessage", resolve(library, "PQresultErrorMessage", pq.resultErrorMessage)},
        {"PQresultErrorField", resolve(library, "PQresultErrorField", pq.resultErrorField)},
        {"PQntuples", resolve(library, "PQntuples", pq.ntuples)},
        {"PQnfields", resolve(library, "PQnfields", pq.nfields)},
        {"PQgetvalue", resolve(library, "PQgetvalue", pq.getvalue)},
        {"PQgetisnull", resolve(library, "PQgetisnull", pq.getisnull)},
        {"PQclear", resolve(library, "PQclear", pq.clear)},
        {"PQconnectStartParams", resolve(library, "PQconnectStartParams", pq.connectStartParams)},
        {"PQconnectPoll", resolve(library, "PQconnectPoll", pq.connectPoll)},
        {"PQsocket", resolve(library, "PQsocket", pq.socket)},
        {"PQsetnonblocking", resolve(library, "PQsetnonblocking", pq.setnonblocking)},
        {"PQsendQuery", resolve(library, "PQsendQuery", pq.sendQuery)},
        {"PQsendQueryParams", resolve(library, "PQsendQueryParams", pq.sendQueryParams)},
        {"PQflush", resolve(library, "PQflush", pq.flush)},
        {"PQconsumeInput", resolve(library, "PQconsumeInput", pq.consumeInput)},
        {"PQisBusy", resolve(library, "PQisBusy", pq.isBusy)},
        {"PQgetResult", resolve(library, "PQgetResult", pq.getResult)},
    };
    for (const auto& [name, ok] : found) {
        if (!ok) {
            return name;
        }
    }
    return std::nullopt;
}

}  // namespace

util::Expected<LoadedPq, std::string> loadPqLibrary(
    const std::vector<std::filesystem::path>& places) {
    for (const auto& place : places) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(place, error)) {
            continue;
        }
        auto library = platform::SharedLibrary::open(place);
        if (!library) {
            return util::Unexpected{"无法加载数据库组件 " + utf8(place) + "：" + library.error()};
        }
        PqLibrary functions;
        if (const auto missing = resolveAll(*library, functions)) {
            return util::Unexpected{"数据库组件 " + utf8(place) + " 缺少 " + *missing +
                                    "，版本不符"};
        }
        return LoadedPq{std::move(*library), functions};
    }
    std::string tried;
    for (const auto& place : places) {
        tried += (tried.empty() ? "" : "、") + utf8(place);
    }
    return util::Unexpected{"找不到数据库组件 libpq（找过 " + tried +
                            "），无法连接共享数据库；单机写卡不受影响"};
}

util::Expected<const PqLibrary*, std::string> pqLibrary() {
    static std::mutex mutex;
    // Never unloaded, not even at exit: libpq's TLS libraries keep thread-local state that
    // outlives any one connection.
    static LoadedPq* loaded = nullptr;
    const std::lock_guard guard(mutex);
    if (loaded == nullptr) {
        auto found = loadPqLibrary(platform::libpqPlaces());
        if (!found) {
            return util::Unexpected{found.error()};
        }
        loaded = new LoadedPq(std::move(*found));  // NOLINT(cppcoreguidelines-owning-memory)
    }
    return &loaded->functions;
}

}  // namespace store
