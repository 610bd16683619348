#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace sim {

// The kinds of trouble a run may meet; each can be left out on the command line.
enum class FaultKind {
    Kill,    // the program killed at any step: a library call, during a journal line
    Disk,    // the journal's disk full, its line torn
    Lies,    // the library refuses, lies about a write, or throws
    Swap,    // a tag swapped between its write and its read-back
    Server,  // the shared database restarted, paused or cut off
    Names,   // two stations with one name, a name holding a NUL, two with one identity
    Views,   // a plain write whose eight-digit view a verified tag has
};

inline constexpr std::array<std::pair<FaultKind, std::string_view>, 7> kFaultNames{{
    {FaultKind::Kill, "kill"},
    {FaultKind::Disk, "disk"},
    {FaultKind::Lies, "lies"},
    {FaultKind::Swap, "swap"},
    {FaultKind::Server, "server"},
    {FaultKind::Names, "names"},
    {FaultKind::Views, "views"},
}};

using FaultKinds = std::set<FaultKind>;

// "kill,disk": the kinds named; nothing when a name is not one of them.
[[nodiscard]] inline std::optional<FaultKinds> parseFaultKinds(std::string_view text) {
    FaultKinds kinds;
    while (!text.empty()) {
        const auto comma = text.find(',');
        const auto name = text.substr(0, comma);
        bool known = false;
        for (const auto& [kind, kindName] : kFaultNames) {
            if (name == kindName) {
                kinds.insert(kind);
                known = true;
            }
        }
        if (!known) {
            return std::nullopt;
        }
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    return kinds;
}

}  // namespace sim
