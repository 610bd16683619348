#include "emulator/file_ops.h"

#include "platform/owned_file.h"

#include <system_error>
#include <utility>

namespace emulator {

namespace {

std::string lockFileRefused(const std::filesystem::path& lockFile,
                            const platform::OpenFailure& failure) {
    switch (failure.refusal) {
        case platform::Refusal::ForeignLink:
        case platform::Refusal::LinkToLink:
            return "cannot open the lock file: " + lockFile.string() +
                   " is a symbolic link, which the emulator never opens";
        case platform::Refusal::NotRegular:
        case platform::Refusal::ForeignOwner:
            return "cannot open the lock file: " + lockFile.string() + " is not a regular file";
        case platform::Refusal::Missing:
        case platform::Refusal::System:
            break;
    }
    return "cannot open the lock file " + lockFile.string() + ": " + failure.error.message();
}

util::Expected<platform::FileLock, std::string> lockOpened(platform::OwnedFile file,
                                                           platform::FileLock::Mode mode,
                                                           const std::filesystem::path& lockFile) {
    platform::FileLock lock(std::move(file));
    if (const std::error_code error = lock.lock(mode)) {
        return util::Unexpected{"cannot lock " + lockFile.string() + ": " + error.message()};
    }
    return lock;
}

}  // namespace

util::Expected<platform::FileLock, std::string> lockExclusively(
    const std::filesystem::path& lockFile) {
    // Anyone's lock file serves: the field is shared by whoever holds the tag.
    auto opened = platform::openOwnFile(lockFile, platform::Access::Lock, platform::Owner::Anyone,
                                        platform::Links::Never);
    if (!opened) {
        return util::Unexpected{lockFileRefused(lockFile, opened.error())};
    }
    return lockOpened(std::move(*opened), platform::FileLock::Mode::Exclusive, lockFile);
}

util::Expected<std::optional<platform::FileLock>, std::string> lockForReading(
    const std::filesystem::path& lockFile) {
    auto opened =
        platform::openLockFileToRead(lockFile, platform::Owner::Anyone, platform::Links::Never);
    if (!opened) {
        return util::Unexpected{lockFileRefused(lockFile, opened.error())};
    }
    if (!opened->has_value()) {
        return std::optional<platform::FileLock>{};
    }
    auto locked = lockOpened(std::move(**opened), platform::FileLock::Mode::Shared, lockFile);
    if (!locked) {
        return util::Unexpected{locked.error()};
    }
    return std::optional<platform::FileLock>{std::move(*locked)};
}

std::optional<std::string> replaceFieldFile(const std::filesystem::path& file,
                                            const std::string& content,
                                            platform::Durability durability) {
    const auto failure = platform::replaceFileAtomically(file, content, durability);
    if (!failure) {
        return std::nullopt;
    }
    const std::string why = failure->error.message();
    switch (failure->step) {
        case platform::ReplaceFailure::Step::Name:
            return std::string("cannot draw a random name for the temporary file");
        case platform::ReplaceFailure::Step::Create:
            // O_NOFOLLOW fails so on a link: say so rather than "too many levels of links".
            if (failure->error == std::errc::too_many_symbolic_link_levels) {
                return "cannot create: " + failure->file.string() +
                       " is a symbolic link, which the emulator never opens";
            }
            return "cannot create " + failure->file.string() + ": " + why;
        case platform::ReplaceFailure::Step::Write:
            return "cannot write " + failure->file.string() + ": " + why;
        case platform::ReplaceFailure::Step::Rename:
            break;
    }
    return "cannot replace " + failure->file.string() + ": " + why;
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
