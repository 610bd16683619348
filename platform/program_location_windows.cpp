#include "platform/program_location.h"

#include "platform/windows_api.h"

#include <vector>

namespace platform {

util::Expected<std::filesystem::path, std::string> executableFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return util::Unexpected{std::string("GetModuleFileNameW failed")};
        }
        if (length < buffer.size()) {
            return std::filesystem::path(std::wstring(buffer.data(), length)).parent_path();
        }
        buffer.resize(buffer.size() * 2);
    }
}

// No "lib" before the name: the vendor's library is MF1.dll.
std::string sharedLibraryFileName(std::string_view name) {
    return std::string(name) + ".dll";
}

}  // namespace platform
