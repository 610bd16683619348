#pragma once

#include <filesystem>
#include <string>

namespace reader {

// Why the reader library could not be used. Carries what the window needs to say it in words.
struct LoadError {
    enum class Kind {
        LocationUnknown,    // the program's own folder could not be determined
        FileNotLoaded,      // the file is missing or the system refused to load it
        EntryPointMissing,  // the file loaded but lacks one of the three entry points
    };
    Kind kind = Kind::FileNotLoaded;
    std::filesystem::path path;  // where the library was looked for
    std::string detail;          // the system's reason, or the missing entry point's name
};

}  // namespace reader
