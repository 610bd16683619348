#pragma once

#include "reader/load_error.h"
#include "reader/reader.h"
#include "reader/reader_library.h"
#include "util/expected.h"

#include <filesystem>
#include <optional>

namespace reader {

// Which reader library the program uses, for telling the user.
struct ReaderInUse {
    std::filesystem::path path;  // where it is loaded from
    bool loaded = false;         // false until a command first loads it
    bool emulated = false;       // the project's emulated reader rather than a real one
};

// Hands a command the reader to talk to, loading it on first use.
class ReaderSource {
public:
    virtual ~ReaderSource() = default;
    // The reader, or why it cannot be had. A failure is not remembered: the next call tries again.
    virtual util::Expected<Reader*, LoadError> acquire() = 0;
    [[nodiscard]] virtual ReaderInUse readerInUse() const = 0;

protected:
    ReaderSource() = default;
    ReaderSource(const ReaderSource&) = default;
    ReaderSource(ReaderSource&&) = default;
    ReaderSource& operator=(const ReaderSource&) = default;
    ReaderSource& operator=(ReaderSource&&) = default;
};

// The reader library at a fixed path, loaded when a command first needs it and kept loaded.
class LazyReaderLibrary final : public ReaderSource {
public:
    // The library beside the executable.
    LazyReaderLibrary();
    explicit LazyReaderLibrary(std::filesystem::path libraryPath);

    util::Expected<Reader*, LoadError> acquire() override;
    [[nodiscard]] ReaderInUse readerInUse() const override;

    // Where the library is (or will be) loaded from; empty if the program's folder is unknown.
    [[nodiscard]] const std::filesystem::path& libraryPath() const noexcept { return path_; }
    // The loaded library, or nullptr before the first successful load.
    [[nodiscard]] const ReaderLibrary* loaded() const noexcept {
        return library_ ? &*library_ : nullptr;
    }

private:
    std::filesystem::path path_;
    std::string locationError_;
    std::optional<ReaderLibrary> library_;
};

}  // namespace reader
