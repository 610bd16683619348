#pragma once

#include "support/unique_path.h"

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>

namespace testing_support {

// A user data folder of the test's own: a fresh folder under the system's temporary folder,
// named in XDG_DATA_HOME, XDG_CONFIG_HOME and LOCALAPPDATA for as long as the instance lives, so
// the journal of written tags and the settings (and anything else kept there) are this test's
// alone. The destructor restores the variables and removes the folder. Usable from GoogleTest and
// QtTest alike.
class DataFolder {
public:
    DataFolder() : path_(uniqueFolder()) {
        std::filesystem::create_directories(path_);
        for (const char* name : kVariables) {
            const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe)
            previous_[index(name)] =
                value != nullptr ? std::optional<std::string>(value) : std::nullopt;
            set(name, path_.string());
        }
    }
    ~DataFolder() {
        for (const char* name : kVariables) {
            const auto& before = previous_[index(name)];
            if (before) {
                set(name, *before);
            } else {
                unset(name);
            }
        }
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;
    DataFolder(DataFolder&&) = delete;
    DataFolder& operator=(DataFolder&&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const noexcept { return path_; }
    // Where the program keeps its journal of written tags with this folder in place.
    [[nodiscard]] std::filesystem::path journalFile() const {
        return path_ / "zeld" / "written-tags.csv";
    }

private:
    static constexpr const char* kVariables[] = {"XDG_DATA_HOME", "XDG_CONFIG_HOME",
                                                 "LOCALAPPDATA"};
    static std::size_t index(const char* name) {
        std::size_t i = 0;
        while (kVariables[i] != name) {
            ++i;
        }
        return i;
    }

    static std::filesystem::path uniqueFolder() { return uniqueTemporaryPath("zeld-data-"); }
    static void set(const char* name, const std::string& value) {
#if defined(_WIN32)
        _putenv_s(name, value.c_str());
#else
        setenv(name, value.c_str(), 1);  // NOLINT(concurrency-mt-unsafe)
#endif
    }
    static void unset(const char* name) {
#if defined(_WIN32)
        _putenv_s(name, "");
#else
        unsetenv(name);                  // NOLINT(concurrency-mt-unsafe)
#endif
    }

    std::filesystem::path path_;
    std::optional<std::string> previous_[std::size(kVariables)];
};

}  // namespace testing_support
