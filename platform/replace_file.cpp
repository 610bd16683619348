#include "platform/replace_file.h"

#include <algorithm>

namespace platform {

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

namespace {

// Only the names writers make, the prefix and up to 16 hexadecimal digits (older writers used
// their process number): another file may be named "<file>.tmp-<anything else>".
bool isTemporaryOf(const std::string& name, const std::string& prefix) {
    constexpr std::size_t kDigits = 16;
    if (name.size() <= prefix.size() || name.size() > prefix.size() + kDigits ||
        !name.starts_with(prefix)) {
        return false;
    }
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace

void removeStaleTemporaries(const std::filesystem::path& file) {
    const auto folder =
        file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    const std::string prefix = temporaryPrefix(file);
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (isTemporaryOf(entry->path().filename().string(), prefix)) {
            // remove() takes a link itself away, never its target.
            std::error_code ignored;
            std::filesystem::remove(entry->path(), ignored);
        }
    }
}

}  // namespace platform
