#pragma once

#include <optional>
#include <string>

namespace ui {

// How this computer takes part in shared batches, kept in the program's settings (zeld.ini in
// the user's config folder). Never a password: libpq's password file holds it, or the operator
// types it when asked.
struct StationSettings {
    std::string database;  // libpq's URL or connection string; empty: the station works alone
    std::string station;   // this station's name among those sharing a batch
};

// The settings as kept; the station's name is the computer's when none is kept.
[[nodiscard]] StationSettings loadStationSettings();
// This installation's station id (a UUID), made and kept on the first call that finds none: the
// database knows the station by it. A copied settings file copies it, and the database then
// refuses the second station while the first runs.
[[nodiscard]] std::string loadStationId();
// Keeps them; why not (UTF-8) when they could not be written.
[[nodiscard]] std::optional<std::string> saveStationSettings(const StationSettings& settings);

}  // namespace ui
