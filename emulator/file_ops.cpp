#include "emulator/file_ops.h"

#include "platform/owned_file.h"

#include <algorithm>
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

namespace {

// Only the names writers make, the prefix and up to 16 hexadecimal digits (older writers used
// their process number): another field may be named "<field>.tmp-<anything else>".
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

util::Expected<std::filesystem::path, std::string> resolveFieldLink(
    const std::filesystem::path& file) {
    auto resolved = platform::followOwnLink(file);
    if (resolved) {
        return std::move(*resolved);
    }
    switch (resolved.error().refusal) {
        case platform::Refusal::ForeignLink:
            return util::Unexpected{file.string() +
                                    " is, or lies in a folder that is, a symbolic link (or "
                                    "junction) another user made; the emulator does not follow "
                                    "it (name the file itself in MF1_EMULATOR_FIELD)"};
        case platform::Refusal::LinkToLink:
            return util::Unexpected{file.string() +
                                    " is a symbolic link to another link; the emulator follows "
                                    "one link only (name the file itself in MF1_EMULATOR_FIELD)"};
        default:
            return util::Unexpected{"cannot read the symbolic link " + file.string() + ": " +
                                    resolved.error().error.message()};
    }
}

util::Expected<std::optional<std::string>, std::string> readFileStart(
    const std::filesystem::path& file, std::size_t limit) {
    // The field is for whoever holds the tag: read whoever owns it, but only a regular file.
    auto opened = platform::openOwnFile(file, platform::Access::Read, platform::Owner::Anyone);
    if (!opened) {
        switch (opened.error().refusal) {
            case platform::Refusal::Missing:
                return std::optional<std::string>{};
            case platform::Refusal::ForeignLink:
            case platform::Refusal::LinkToLink:
                return util::Unexpected{file.string() +
                                        " is a symbolic link, which the emulator never opens"};
            case platform::Refusal::NotRegular:
            case platform::Refusal::ForeignOwner:
                return util::Unexpected{file.string() + " is not a regular file"};
            case platform::Refusal::System:
                break;
        }
        return util::Unexpected{"cannot open " + file.string() + ": " +
                                opened.error().error.message()};
    }
    std::string content(limit, '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const auto count =
            platform::readAt(opened->native(), done, content.data() + done, content.size() - done);
        if (!count) {
            return util::Unexpected{"cannot read " + file.string() + ": " +
                                    count.error().message()};
        }
        if (*count == 0) {
            break;
        }
        done += *count;
    }
    content.resize(done);
    return std::optional<std::string>{std::move(content)};
}

}  // namespace emulator
