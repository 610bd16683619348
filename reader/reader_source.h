#pragma once

#include "reader/load_error.h"
#include "reader/reader.h"
#include "reader/reader_library.h"
#include "util/expected.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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
    // Called, on the loading thread, as soon as the library has been loaded, so that what is in
    // use can be shown while the command that loaded it still runs.
    void whenLoaded(std::function<void()> tell) { whenLoaded_ = std::move(tell); }

protected:
    ReaderSource() = default;
    ReaderSource(const ReaderSource&) = default;
    ReaderSource(ReaderSource&&) = default;
    ReaderSource& operator=(const ReaderSource&) = default;
    ReaderSource& operator=(ReaderSource&&) = default;
    void tellLoaded() const {
        if (whenLoaded_) {
            whenLoaded_();
        }
    }

private:
    std::function<void()> whenLoaded_;
};

// The reader library, loaded when a command first needs it and kept loaded. It is taken from
// the first of its places that holds a file; a failure is not remembered.
class LazyReaderLibrary final : public ReaderSource {
public:
    // Beside the executable, then ../lib/zeld/ (readerLibraryPlaces).
    LazyReaderLibrary();
    // Exactly this file.
    explicit LazyReaderLibrary(std::filesystem::path libraryPath);
    // The first of these files that exists.
    explicit LazyReaderLibrary(std::vector<std::filesystem::path> places);

    util::Expected<Reader*, LoadError> acquire() override;
    [[nodiscard]] ReaderInUse readerInUse() const override;

    // Where the library is loaded from, or would be now; empty if the program's folder is
    // unknown.
    [[nodiscard]] std::filesystem::path libraryPath() const;
    // The loaded library, or nullptr before the first successful load.
    [[nodiscard]] const ReaderLibrary* loaded() const noexcept {
        return library_ ? &*library_ : nullptr;
    }

private:
    std::vector<std::filesystem::path> places_;
    std::string locationError_;
    std::optional<ReaderLibrary> library_;
};

}  // namespace reader
