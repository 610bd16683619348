#pragma once

#include <optional>
#include <string>
#include <string_view>

// Who a station is among those sharing a database: an id made once by each installation, and the
// name people know it by. The database knows a station by its id alone.
namespace store {

struct StationIdentity {
    std::string id;    // made once per installation, kept with its settings
    std::string name;  // 站名, shown to people
    std::string host;  // the computer's own name, to say where a station runs
    // This running station's own mark: the connections of one run hold the id together, and a
    // hold of another run is another station's. Empty: the running program's.
    std::string run;

    friend bool operator==(const StationIdentity&, const StationIdentity&) = default;
};

// Why a name cannot be a station's: it would be stored, shown or compared as other than typed.
enum class NameFault {
    Empty,
    NotUtf8,
    ControlCharacter,  // NUL, another C0 or C1 control, DEL or a bidirectional control
};

[[nodiscard]] std::optional<NameFault> stationNameFault(std::string_view utf8);

// Another station stands where this one would: the database refuses it with this.
struct StationClash {
    enum class Kind {
        IdInUse,    // a live station holds this station's id (a copied settings file, a cloned PC)
        NameTaken,  // another station, with an id of its own, is called by this name
    };
    Kind kind = Kind::IdInUse;
    std::string name;     // the other's 站名
    std::string host;     // the computer it runs on, as it last said
    std::string address;  // its network address as the server sees it, when known

    friend bool operator==(const StationClash&, const StationClash&) = default;
};

}  // namespace store
