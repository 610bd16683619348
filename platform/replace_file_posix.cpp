#include "platform/replace_file.h"

#include "platform/file_io.h"
#include "platform/owned_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>

namespace platform {

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

// Creates a new file, never through a link, retrying when a signal interrupts.
int createNew(const std::filesystem::path& file) {
    for (;;) {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
        const int fd =
            ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EINTR) {
            return fd;
        }
    }
}

}  // namespace

std::optional<ReplaceFailure> replaceFileAtomically(const std::filesystem::path& file,
                                                    const std::string& content,
                                                    Durability durability) {
    // A fresh, unguessable name, created exclusively: nothing planted under it is ever opened.
    std::random_device random;
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        const auto bits = (std::uint64_t{random()} << 32U) | random();
        temporary = temporaryName(file, bits);
        fd = createNew(temporary);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        return ReplaceFailure{ReplaceFailure::Step::Create, temporary, lastError()};
    }
    std::error_code error = writeAll(fd, content);
    if (!error && durability == Durability::Synced) {
        error = flushToDisk(fd);
    }
    if (::close(fd) != 0 && !error) {
        error = lastError();
    }
    if (error) {
        ::unlink(temporary.c_str());
        return ReplaceFailure{ReplaceFailure::Step::Write, temporary, error};
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        error = lastError();
        ::unlink(temporary.c_str());
        return ReplaceFailure{ReplaceFailure::Step::Rename, file, error};
    }
    if (durability == Durability::Synced) {
        // The rename itself is an entry of the folder: without this a power cut may undo it.
        syncFolder(file.parent_path());
    }
    return std::nullopt;
}

}  // namespace platform
