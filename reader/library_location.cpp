#include "reader/library_location.h"

#include "platform/program_location.h"

#include <string>

namespace reader {

const char* readerLibraryFileName() noexcept {
    // Short enough that making it allocates nothing, so it cannot throw.
    static const std::string name = platform::sharedLibraryFileName("MF1");
    return name.c_str();
}

std::array<std::filesystem::path, 2> readerLibraryPlaces(
    const std::filesystem::path& executableFolder) {
    return {
        executableFolder / readerLibraryFileName(),
        (executableFolder / ".." / "lib" / "zeld" / readerLibraryFileName()).lexically_normal()};
}

util::Expected<std::filesystem::path, std::string> defaultReaderLibraryPath() {
    auto directory = platform::executableFolder();
    if (!directory) {
        return util::Unexpected{directory.error()};
    }
    return *directory / readerLibraryFileName();
}

}  // namespace reader
