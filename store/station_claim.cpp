#include "store/station_claim.h"

#include <random>

namespace store {

namespace {

// The advisory lock's key: 64 bits of the id's hash.
constexpr const char* kKey = "('x' || left(md5($1), 16))::bit(64)::bigint";

struct Refused {
    ClaimRefusal refusal;
};

class Statements {
public:
    explicit Statements(PqConnection& connection) : connection_(connection) {}
    std::vector<PqRow> run(const std::string& sql, const std::vector<PqValue>& values = {}) {
        auto rows = connection_.run(sql, values);
        if (!rows) {
            throw Refused{{std::nullopt, std::nullopt, rows.error()}};
        }
        return std::move(*rows);
    }

private:
    PqConnection& connection_;
};

std::string text(const PqRow& row, std::size_t index) {
    return index < row.size() && row[index] ? *row[index] : std::string();
}

// Who holds the id's lock on another connection: nothing when it is this program.
std::optional<StationClash> otherHolder(Statements& sql, const StationIdentity& station) {
    const auto holders =
        sql.run(std::string("SELECT a.application_name, coalesce(host(a.client_addr), '') "
                            "FROM pg_locks l JOIN pg_stat_activity a ON a.pid = l.pid "
                            "WHERE l.locktype = 'advisory' AND l.granted AND l.objsubid = 1 "
                            "AND l.database = (SELECT oid FROM pg_database "
                            "                  WHERE datname = current_database()) "
                            "AND ((l.classid::bigint << 32) | l.objid::bigint) = ") +
                    kKey + " AND l.pid <> pg_backend_pid()",
                {station.id});
    std::string address;
    for (const PqRow& holder : holders) {
        if (text(holder, 0) == stationApplicationName(station)) {
            return std::nullopt;  // another connection of this same program
        }
        address = text(holder, 1);
    }
    const auto known = sql.run("SELECT name, host FROM stations WHERE id = $1", {station.id});
    StationClash clash{StationClash::Kind::IdInUse, {}, {}, address};
    if (!known.empty()) {
        clash.name = text(known.front(), 0);
        clash.host = text(known.front(), 1);
    }
    return clash;
}

void claim(Statements& sql, const StationIdentity& station) {
    // The server notices a station gone without a word (power cut, cable pulled) within about a
    // minute, and its hold on the id with it; over a local socket these are ignored.
    sql.run(
        "SELECT set_config('tcp_keepalives_idle', '30', false), "
        "set_config('tcp_keepalives_interval', '10', false), "
        "set_config('tcp_keepalives_count', '3', false)");
    sql.run("BEGIN");
    // A connection of this station's that just ended may hold the id a moment longer, until its
    // server process has gone.
    constexpr int kTries = 10;
    for (int tried = 1;; ++tried) {
        const auto locked =
            sql.run(std::string("SELECT pg_try_advisory_lock(") + kKey + ")", {station.id});
        if (text(locked.front(), 0) == "t") {
            break;
        }
        auto clash = otherHolder(sql, station);
        if (!clash) {
            break;
        }
        if (tried == kTries) {
            throw Refused{{std::move(clash), std::nullopt, std::nullopt}};
        }
        sql.run("SELECT pg_sleep(0.1)");
    }
    const auto mine = sql.run("SELECT name FROM stations WHERE id = $1 FOR UPDATE", {station.id});
    const auto named =
        sql.run("SELECT id, host, legacy FROM stations WHERE name = $1 AND id <> $2 FOR UPDATE",
                {station.name, station.id});
    if (!named.empty()) {
        const std::string other = text(named.front(), 0);
        if (text(named.front(), 2) != "t" || !mine.empty()) {
            throw Refused{
                {StationClash{
                     StationClash::Kind::NameTaken, station.name, text(named.front(), 1), {}},
                 std::nullopt, std::nullopt}};
        }
        // The station an older version knew by this name is this one, come back with an id.
        sql.run(
            "UPDATE stations SET id = $2, host = $3, legacy = false, seen_at = now() "
            "WHERE id = $1",
            {other, station.id, station.host});
        sql.run("UPDATE leases SET station_id = $2 WHERE station_id = $1", {other, station.id});
        sql.run("UPDATE outcomes SET station_id = $2 WHERE station_id = $1", {other, station.id});
    } else if (!mine.empty()) {
        sql.run("UPDATE stations SET name = $2, host = $3, seen_at = now() WHERE id = $1",
                {station.id, station.name, station.host});
    } else {
        sql.run("INSERT INTO stations (id, name, host) VALUES ($1, $2, $3)",
                {station.id, station.name, station.host});
    }
    sql.run("COMMIT");
}

}  // namespace

std::string stationApplicationName(const StationIdentity& station) {
    static const std::string program = [] {
        std::random_device random;
        std::uniform_int_distribution<unsigned> digit(0, 15);
        std::string made;
        for (int i = 0; i < 16; ++i) {
            made += "0123456789abcdef"[digit(random)];
        }
        return made;
    }();
    // The server keeps 63 bytes of it.
    return "zeld " + (station.run.empty() ? program : station.run.substr(0, 32));
}

std::optional<ClaimRefusal> claimStation(PqConnection& connection, const StationIdentity& station) {
    if (const auto fault = stationNameFault(station.name)) {
        return ClaimRefusal{std::nullopt, fault, std::nullopt};
    }
    if (station.id.empty()) {
        return ClaimRefusal{std::nullopt, NameFault::Empty, std::nullopt};
    }
    Statements sql(connection);
    try {
        claim(sql, station);
        return std::nullopt;
    } catch (Refused& refused) {
        // A name another station took at the same moment is the same refusal.
        if (refused.refusal.failure && refused.refusal.failure->sqlState == "23505" &&
            refused.refusal.failure->constraint == "stations_name_key") {
            refused.refusal = {StationClash{StationClash::Kind::NameTaken, station.name, {}, {}},
                               std::nullopt, std::nullopt};
        }
        if (!refused.refusal.failure || !refused.refusal.failure->offline) {
            (void)connection.run("ROLLBACK");
        }
        return std::move(refused.refusal);
    }
}

}  // namespace store
