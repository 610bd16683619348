#include "exports/xlsx_module_loader.h"

#include "platform/program_location.h"
#include "platform/shared_library.h"

#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

namespace exports {

namespace {

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

}  // namespace

XlsxModule loadXlsxModule() {
    static std::mutex mutex;
    static std::optional<platform::SharedLibrary> loaded;
    static ZeldXlsxWrite write = nullptr;
    const std::lock_guard guard(mutex);
    if (write != nullptr) {
        return {write, {}};
    }
    const std::string name = platform::sharedLibraryFileName(kZeldXlsxModule);
    const auto folder = platform::executableFolder();
    if (!folder) {
        return {nullptr, "找不到导出组件 " + name + "：" + folder.error()};
    }
    for (const auto& place : xlsxModulePlaces(*folder)) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(place, error)) {
            continue;
        }
        auto library = platform::SharedLibrary::open(place);
        if (!library) {
            return {nullptr, "无法加载导出组件 " + utf8(place) + "：" + library.error()};
        }
        auto* entry = reinterpret_cast<ZeldXlsxWrite>(  // NOLINT: the system hands a void*
            library->symbol(kZeldXlsxWriteSymbol));
        if (entry == nullptr) {
            return {nullptr, "导出组件 " + utf8(place) + " 与本程序的版本不符"};
        }
        loaded = std::move(*library);
        write = entry;
        return {write, {}};
    }
    return {nullptr, "找不到导出组件 " + name + "（应在程序所在的文件夹 " + utf8(*folder) +
                         " 中），无法导出；读卡、写卡不受影响，请重新安装本程序"};
}

std::array<std::filesystem::path, 2> xlsxModulePlaces(
    const std::filesystem::path& executableFolder) {
    const std::string name = platform::sharedLibraryFileName(kZeldXlsxModule);
    return {executableFolder / name,
            (executableFolder / ".." / "lib" / "zeld" / name).lexically_normal()};
}

}  // namespace exports
