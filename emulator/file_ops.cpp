#include "emulator/file_ops.h"

#include <system_error>
#include <utility>

// What the platforms share; the platform's own calls are in file_ops_posix.cpp and
// file_ops_windows.cpp.
namespace emulator {

FileLock::FileLock(FileLock&& other) noexcept : handle_(std::exchange(other.handle_, kNoHandle)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        handle_ = std::exchange(other.handle_, kNoHandle);
    }
    return *this;
}

FileLock::~FileLock() {
    release();
}

std::string temporaryPrefix(const std::filesystem::path& file) {
    return file.filename().string() + ".tmp-";
}

std::filesystem::path temporaryName(const std::filesystem::path& file, std::uint64_t randomBits) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string suffix(16, '0');
    for (std::size_t i = suffix.size(); i > 0; --i) {
        suffix[i - 1] = kDigits[randomBits & 0xFU];
        randomBits >>= 4U;
    }
    return file.parent_path() / (temporaryPrefix(file) + suffix);
}

void removeStaleTemporaries(const std::filesystem::path& file) {
    const auto folder =
        file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    const std::string prefix = temporaryPrefix(file);
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (entry->path().filename().string().starts_with(prefix)) {
            // remove() takes a link itself away, never its target.
            std::error_code ignored;
            std::filesystem::remove(entry->path(), ignored);
        }
    }
}

}  // namespace emulator
