#pragma once

#include "store/pq_connection.h"
#include "store/station_identity.h"

#include <optional>
#include <string>

// A connection speaks for one station: it holds the station's id for as long as it lives (a
// session-level advisory lock, gone with the connection, so a killed station leaves no hold
// behind), and the database's stations table knows the station's name and computer.
namespace store {

// Why a connection may not speak for the station.
struct ClaimRefusal {
    std::optional<StationClash> clash;
    std::optional<NameFault> nameFault;
    std::optional<PqFailure> failure;  // the server failed otherwise
};

// The station's name on its connections: one of its own per run, so that a hold on the station's
// id by another of its own connections is told from another run's.
[[nodiscard]] std::string stationApplicationName(const StationIdentity& station);

// Takes the station's id on `connection` and records its name and computer; why not.
[[nodiscard]] std::optional<ClaimRefusal> claimStation(PqConnection& connection,
                                                       const StationIdentity& station);

}  // namespace store
