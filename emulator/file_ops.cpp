#include "emulator/file_ops.h"

#include <cerrno>
#include <fstream>
#include <system_error>
#include <utility>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // MinGW's C++ headers may have defined it already
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace emulator {

namespace {

#if defined(_WIN32)
std::string windowsError(const std::string& what) {
    return what + ": " + std::system_category().message(static_cast<int>(GetLastError()));
}
#else
std::string systemError(const std::string& what, int code) {
    return what + ": " + std::generic_category().message(code);
}
#endif

// A name for the temporary file that no other process uses at the same time.
std::filesystem::path temporaryBeside(const std::filesystem::path& file) {
#if defined(_WIN32)
    const auto id = static_cast<unsigned long>(GetCurrentProcessId());
#else
    const auto id = static_cast<long>(getpid());
#endif
    std::filesystem::path temporary = file;
    temporary += ".tmp-" + std::to_string(id);
    return temporary;
}

}  // namespace

FileLock::FileLock(FileLock&& other) noexcept {
#if defined(_WIN32)
    handle_ = std::exchange(other.handle_, nullptr);
#else
    fd_ = std::exchange(other.fd_, -1);
#endif
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
#if defined(_WIN32)
        handle_ = std::exchange(other.handle_, nullptr);
#else
        fd_ = std::exchange(other.fd_, -1);
#endif
    }
    return *this;
}

FileLock::~FileLock() {
    release();
}

#if defined(_WIN32)

util::Expected<FileLock, std::string> FileLock::acquire(const std::filesystem::path& lockFile,
                                                        Mode mode) {
    HANDLE handle = CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return util::Unexpected{windowsError("cannot open the lock file " + lockFile.string())};
    }
    OVERLAPPED whole{};
    const DWORD flags = mode == Mode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
    if (!LockFileEx(handle, flags, 0, MAXDWORD, MAXDWORD, &whole)) {
        std::string error = windowsError("cannot lock " + lockFile.string());
        CloseHandle(handle);
        return util::Unexpected{std::move(error)};
    }
    FileLock lock;
    lock.handle_ = handle;
    return lock;
}

void FileLock::release() noexcept {
    if (handle_ != nullptr) {
        OVERLAPPED whole{};
        UnlockFileEx(static_cast<HANDLE>(handle_), 0, MAXDWORD, MAXDWORD, &whole);
        CloseHandle(static_cast<HANDLE>(handle_));
        handle_ = nullptr;
    }
}

std::optional<std::string> replaceFileAtomically(const std::filesystem::path& file,
                                                 const std::string& content) {
    const std::filesystem::path temporary = temporaryBeside(file);
    HANDLE handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return windowsError("cannot create " + temporary.string());
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(handle, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
        written == content.size() && FlushFileBuffers(handle);
    std::string error = ok ? std::string() : windowsError("cannot write " + temporary.string());
    CloseHandle(handle);
    if (ok && !MoveFileExW(temporary.c_str(), file.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = windowsError("cannot replace " + file.string());
    }
    if (!error.empty()) {
        DeleteFileW(temporary.c_str());
        return error;
    }
    return std::nullopt;
}

#else

util::Expected<FileLock, std::string> FileLock::acquire(const std::filesystem::path& lockFile,
                                                        Mode mode) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return util::Unexpected{
            systemError("cannot open the lock file " + lockFile.string(), errno)};
    }
    const int operation = mode == Mode::Exclusive ? LOCK_EX : LOCK_SH;
    while (::flock(fd, operation) != 0) {
        if (errno != EINTR) {
            const int code = errno;
            ::close(fd);
            return util::Unexpected{systemError("cannot lock " + lockFile.string(), code)};
        }
    }
    FileLock lock;
    lock.fd_ = fd;
    return lock;
}

void FileLock::release() noexcept {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

std::optional<std::string> replaceFileAtomically(const std::filesystem::path& file,
                                                 const std::string& content) {
    const std::filesystem::path temporary = temporaryBeside(file);
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return systemError("cannot create " + temporary.string(), errno);
    }
    std::size_t done = 0;
    int error = 0;
    while (done < content.size()) {
        const ssize_t count = ::write(fd, content.data() + done, content.size() - done);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            break;
        }
        done += static_cast<std::size_t>(count);
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return systemError("cannot write " + temporary.string(), error);
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        error = errno;
        ::unlink(temporary.c_str());
        return systemError("cannot replace " + file.string(), error);
    }
    return std::nullopt;
}

#endif

util::Expected<std::optional<std::string>, std::string> readFileStart(
    const std::filesystem::path& file, std::size_t limit) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return std::optional<std::string>{};
    }
    if (error) {
        return util::Unexpected{"cannot examine " + file.string() + ": " + error.message()};
    }
    if (status.type() != std::filesystem::file_type::regular) {
        return util::Unexpected{file.string() + " is not a regular file"};
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return util::Unexpected{"cannot open " + file.string() + ": " +
                                std::generic_category().message(errno)};
    }
    std::string content(limit, '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    if (in.bad()) {
        return util::Unexpected{"cannot read " + file.string()};
    }
    content.resize(static_cast<std::size_t>(in.gcount()));
    return std::optional<std::string>{std::move(content)};
}

}  // namespace emulator
