#include "reader/shared_library.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <exception>

namespace reader {

namespace {

// The child's end of the pipe its terminate handler writes the exception's words to.
int wordsOut = -1;
constexpr int kThrewStatus = 86;

[[noreturn]] void tellThrownWords() {
    std::string words = "an exception of unknown type";
    try {
        if (const auto thrown = std::current_exception()) {
            std::rethrow_exception(thrown);
        }
    } catch (const std::exception& error) {
        words = error.what();
    } catch (...) {  // NOLINT(bugprone-empty-catch): the words above stand
    }
    for (std::size_t done = 0; done < words.size();) {
        const ssize_t written = ::write(wordsOut, words.data() + done, words.size() - done);
        if (written <= 0 && errno != EINTR) {
            break;
        }
        done += written > 0 ? static_cast<std::size_t>(written) : 0;
    }
    _exit(kThrewStatus);
}

}  // namespace

std::optional<std::string> SharedLibrary::initialisationThrows(const std::filesystem::path& path) {
    // The library is first loaded in a child, which either ends quietly or says what the
    // exception said; glibc's fork leaves the loader's and malloc's locks usable in the child.
    std::array<int, 2> pipeEnds{};
    if (!path.is_absolute() || ::pipe2(pipeEnds.data(), O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        wordsOut = pipeEnds[1];
        std::set_terminate(tellThrownWords);
        ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        _exit(0);
    }
    ::close(pipeEnds[1]);
    std::string words;
    if (child > 0) {
        std::array<char, 256> buffer{};
        for (;;) {
            const ssize_t got = ::read(pipeEnds[0], buffer.data(), buffer.size());
            if (got > 0) {
                words.append(buffer.data(), static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                break;
            }
        }
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (child <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != kThrewStatus) {
        return std::nullopt;
    }
    return words;
}

util::Expected<SharedLibrary, std::string> SharedLibrary::open(const std::filesystem::path& path) {
    // A path with a slash in it is opened as it stands: dlopen searches nothing.
    if (!path.is_absolute()) {
        return util::Unexpected{std::string("not an absolute path")};
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        // The library is only ever loaded from the window's one thread.
        const char* reason = dlerror();  // NOLINT(concurrency-mt-unsafe)
        return util::Unexpected{std::string(reason != nullptr ? reason : "unknown dlopen error")};
    }
    return SharedLibrary(handle);
}

void* SharedLibrary::symbol(const char* name) const {
    if (handle_ == nullptr) {
        return nullptr;
    }
    dlerror();  // NOLINT(concurrency-mt-unsafe): see open()
    return dlsym(handle_, name);
}

void SharedLibrary::close() noexcept {
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

}  // namespace reader
