#pragma once

#include <string>

namespace commands {

// Why the journal of written tags could not record a line. The kind decides what the operator is
// asked to do (a full disk wants space freed); the system's reason says what happened.
struct JournalTrouble {
    enum class Kind {
        DiskFull,  // no space left, or the user's quota is used up
        NoRights,  // the file or its folder may not be written
        ReadOnly,  // the disk takes no writes
        Other,
    };
    Kind kind = Kind::Other;
    std::string systemReason;  // UTF-8, short, for the status line

    friend bool operator==(const JournalTrouble&, const JournalTrouble&) = default;
};

}  // namespace commands
