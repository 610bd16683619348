#include "platform/owned_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

OpenFailure systemFailure(int code) {
    return {code == ENOENT ? Refusal::Missing : Refusal::System,
            std::error_code(code, std::generic_category())};
}

OpenFailure refused(Refusal refusal) {
    return {refusal, {}};
}

// Links the user or the administrator made are theirs to point anywhere; others' are not.
bool madeByUs(const struct stat& link) {
    return link.st_uid == ::geteuid() || link.st_uid == 0;
}

// A folder above the file that is another user's link would let that user choose which file
// the name reaches, whatever the last component is.
bool foldersAreOurs(const std::filesystem::path& file) {
    std::filesystem::path prefix;
    const std::filesystem::path folder = file.parent_path();
    for (const auto& part : folder) {
        prefix /= part;
        struct stat status {};
        if (::lstat(prefix.c_str(), &status) == 0 && S_ISLNK(status.st_mode) && !madeByUs(status)) {
            return false;
        }
    }
    return true;
}

int openNoFollow(const std::filesystem::path& file, int flags) {
    for (;;) {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
        const int fd = ::open(file.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
        if (fd >= 0 || errno != EINTR) {
            return fd;
        }
    }
}

}  // namespace

void OwnedFile::close() noexcept {
    if (handle_ != kNone) {
        ::close(static_cast<int>(handle_));
        handle_ = kNone;
    }
}

util::Expected<std::filesystem::path, OpenFailure> followOwnLink(
    const std::filesystem::path& file) {
    struct stat link {};
    if (::lstat(file.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
        if (!foldersAreOurs(file)) {
            return util::Unexpected{refused(Refusal::ForeignLink)};
        }
        return file;  // not a link; whatever else is wrong shows when the file is opened
    }
    // A link planted by whoever else can write the folder would point this user's (perhaps
    // root's) writes at a file of the planter's choosing.
    if (!madeByUs(link)) {
        return util::Unexpected{refused(Refusal::ForeignLink)};
    }
    std::error_code error;
    std::filesystem::path target = std::filesystem::read_symlink(file, error);
    if (error) {
        return util::Unexpected{OpenFailure{Refusal::System, error}};
    }
    if (target.is_relative()) {
        target = file.parent_path() / target;
    }
    struct stat status {};
    if (::lstat(target.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        return util::Unexpected{refused(Refusal::LinkToLink)};
    }
    if (!foldersAreOurs(target)) {
        return util::Unexpected{refused(Refusal::ForeignLink)};
    }
    return target;
}

util::Expected<OwnedFile, OpenFailure> openOwnFile(const std::filesystem::path& file, Access access,
                                                   Owner owner, Links links) {
    auto target = links == Links::FollowOwn
                      ? followOwnLink(file)
                      : util::Expected<std::filesystem::path, OpenFailure>(file);
    if (!target) {
        return util::Unexpected{target.error()};
    }
    int flags = O_RDONLY;
    if (access == Access::Append) {
        flags = O_RDWR | O_APPEND | O_CREAT;
    } else if (access == Access::Lock) {
        flags = O_RDWR | O_CREAT;
    }
    // Non-blocking: a FIFO put in the file's place would otherwise hold the open for good.
    OwnedFile opened(openNoFollow(*target, flags));
    if (!opened.isOpen()) {
        // O_NOFOLLOW refuses a link that appeared after followOwnLink looked.
        if (errno == ELOOP) {
            return util::Unexpected{refused(Refusal::ForeignLink)};
        }
        return util::Unexpected{errno == EISDIR ? refused(Refusal::NotRegular)
                                                : systemFailure(errno)};
    }
    const int fd = static_cast<int>(opened.native());
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        return util::Unexpected{systemFailure(errno)};
    }
    if (!S_ISREG(status.st_mode)) {
        return util::Unexpected{refused(Refusal::NotRegular)};
    }
    if (owner == Owner::Mine && (status.st_uid != ::geteuid() || status.st_nlink > 1)) {
        return util::Unexpected{refused(Refusal::ForeignOwner)};
    }
    // A regular file never blocks; later reads and writes need not see EAGAIN.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    static_cast<void>(::fcntl(fd, F_SETFL, flags & O_APPEND));
    return opened;
}

util::Expected<std::size_t, std::error_code> readAt(NativeFile file, std::uint64_t offset,
                                                    char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t count =
            ::pread(static_cast<int>(file), buffer, size, static_cast<off_t>(offset));
        if (count >= 0) {
            return static_cast<std::size_t>(count);
        }
        if (errno != EINTR) {
            return util::Unexpected{std::error_code(errno, std::generic_category())};
        }
    }
}

util::Expected<std::uint64_t, std::error_code> fileSize(NativeFile file) {
    struct stat status {};
    if (::fstat(static_cast<int>(file), &status) != 0) {
        return util::Unexpected{std::error_code(errno, std::generic_category())};
    }
    return static_cast<std::uint64_t>(status.st_size);
}

void syncFolder(const std::filesystem::path& folder) noexcept {
    const std::filesystem::path name = folder.empty() ? std::filesystem::path(".") : folder;
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        static_cast<void>(::fsync(fd));
        ::close(fd);
    }
}

}  // namespace platform
