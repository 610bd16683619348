#pragma once

#include "platform/shared_library.h"
#include "reader/entry_points.h"
#include "reader/load_error.h"
#include "reader/reader.h"
#include "util/expected.h"

#include <filesystem>

namespace reader {

// The loaded reader library: owns the loaded file and calls its three entry points with the
// fixed arguments the commands need.
class ReaderLibrary final : public Reader {
public:
    // Loads the library at this absolute path and resolves all three entry points; a library
    // missing any one of them is not used at all. An exception thrown while loading is a
    // LoadError too (one that a library's static initialisers let out through the system's
    // loader cannot be caught on every system: the C++ runtime ends the program there).
    static util::Expected<ReaderLibrary, LoadError> load(const std::filesystem::path& path);

    // Over entry points resolved elsewhere; `owner` keeps their library loaded.
    explicit ReaderLibrary(EntryPoints entryPoints, platform::SharedLibrary owner = {},
                           std::filesystem::path path = {}, bool emulated = false);

    Status MF_Getsnr(ShortBuffer& shortBuffer, LongBuffer& longBuffer) override;
    Status MF_Write(ShortBuffer& writeBlock, LongBuffer& longBuffer) override;
    Status ControlBuzzer(ControlCode code, LongBuffer& longBuffer) override;

    [[nodiscard]] const std::filesystem::path& path() const noexcept { return path_; }
    // True for the project's own emulated reader, which marks itself with an extra export.
    [[nodiscard]] bool isEmulated() const noexcept { return emulated_; }

private:
    static util::Expected<ReaderLibrary, LoadError> loadUnguarded(
        const std::filesystem::path& path);

    platform::SharedLibrary library_;
    EntryPoints entryPoints_;
    std::filesystem::path path_;
    bool emulated_ = false;
};

// Name of the export by which the emulated reader library identifies itself.
inline constexpr const char* kEmulatorMarkerName = "MF1_Emulator";

}  // namespace reader
