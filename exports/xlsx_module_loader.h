#pragma once

#include "exports/xlsx_module.h"

#include <array>
#include <filesystem>
#include <string>

// Finding and loading the zeld-xlsx module (xlsx_module.h), for whatever the program exports.
namespace exports {

struct XlsxModule {
    ZeldXlsxWrite write = nullptr;
    std::string problem;  // why there is none (UTF-8, Chinese)
};

// The module's entry point, loaded on the first call and kept for the program's life; a module
// not found is looked for again next time (it may have been put in place meanwhile).
[[nodiscard]] XlsxModule loadXlsxModule();

// The places the zeld-xlsx module is taken from, in this order: beside the executable, then
// ../lib/zeld/ relative to it, as the reader library.
[[nodiscard]] std::array<std::filesystem::path, 2> xlsxModulePlaces(
    const std::filesystem::path& executableFolder);

}  // namespace exports
