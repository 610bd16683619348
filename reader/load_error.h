#pragma once

#include <filesystem>
#include <string>

namespace reader {

// Why the reader library could not be used. Carries what the window needs to say it in words.
struct LoadError {
    enum class Kind {
        LocationUnknown,    // the program's own folder could not be determined
        FileMissing,        // there is no file at `path` (nor at `otherPlace`, when given)
        FileNotLoaded,      // the system refused to load the file
        EntryPointMissing,  // the file loaded but lacks one of the three entry points
        ThrewWhileLoading,  // an exception left the library's initialisation or our loading code
    };
    Kind kind = Kind::FileNotLoaded;
    std::filesystem::path path;        // where the library was looked for
    std::string detail;                // the system's reason, the missing entry point's name, or
                                       // the exception's words
    std::filesystem::path otherPlace;  // the second place looked at, when the file is missing
};

}  // namespace reader
