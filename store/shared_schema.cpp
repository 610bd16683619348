#include "store/shared_schema.h"

#include <array>

namespace store {

namespace {

// Positions count from 0 within a batch. A number is its 40-bit value (B4 the top byte).
constexpr std::string_view kVersion1 = R"sql(
CREATE TABLE batches (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    name text NOT NULL,
    first_number bigint NOT NULL CHECK (first_number BETWEEN 0 AND 1099511627775),
    notation text NOT NULL CHECK (notation IN ('WG34', 'WG26')),
    count bigint NOT NULL CHECK (count > 0),
    chip text NOT NULL CHECK (chip IN ('T5577', 'EM4305')),
    lock boolean NOT NULL,
    created_at timestamptz NOT NULL DEFAULT now(),
    -- Positions below this one have been leased at least once.
    next_position bigint NOT NULL DEFAULT 0,
    ended_at timestamptz,
    ended_by text,
    CHECK (next_position BETWEEN 0 AND count)
);

CREATE TABLE leases (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    batch_id bigint NOT NULL REFERENCES batches (id),
    station text NOT NULL,
    first_position bigint NOT NULL CHECK (first_position >= 0),
    count bigint NOT NULL CHECK (count > 0),
    leased_at timestamptz NOT NULL DEFAULT now(),
    -- The positions from here to the lease's end went back to the batch.
    returned_from bigint,
    returned_at timestamptz,
    voided_at timestamptz,
    voided_by text,
    CHECK (returned_from BETWEEN first_position AND first_position + count),
    CHECK (returned_from IS NULL OR voided_at IS NULL)
);
CREATE INDEX leases_of_batch ON leases (batch_id);

-- Returned positions waiting to be leased again, before any new one.
CREATE TABLE returned_positions (
    batch_id bigint NOT NULL REFERENCES batches (id),
    first_position bigint NOT NULL,
    count bigint NOT NULL CHECK (count > 0),
    PRIMARY KEY (batch_id, first_position)
);

-- Each write a station sends, once: (station, seq) is the station's own numbering of its sends.
-- Since version 2 `station` is named station_id and holds the station's id.
-- `repeated` marks a verified write of a number the same lease and position had verified before.
CREATE TABLE outcomes (
    station text NOT NULL,
    seq bigint NOT NULL,
    lease_id bigint NOT NULL REFERENCES leases (id),
    position bigint NOT NULL,
    number bigint NOT NULL CHECK (number BETWEEN 0 AND 1099511627775),
    verified boolean NOT NULL,
    repeated boolean NOT NULL DEFAULT false,
    result text NOT NULL,
    recorded_at timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (station, seq),
    CHECK (verified OR NOT repeated)
);
CREATE INDEX outcomes_of_lease ON outcomes (lease_id, position);
-- One tag only carries a verified number: whoever else writes it is told.
CREATE UNIQUE INDEX outcomes_verified_number ON outcomes (number) WHERE verified AND NOT repeated;
)sql";

// Stations known by an id each installation makes once, not by their names. The names older
// versions kept become stations of their own (`legacy`), each taken over by the first station of
// this version that comes under that name.
constexpr std::string_view kVersion2 = R"sql(
CREATE TABLE stations (
    id text PRIMARY KEY CHECK (id <> ''),
    name text NOT NULL UNIQUE CHECK (name <> ''),
    host text NOT NULL DEFAULT '',
    legacy boolean NOT NULL DEFAULT false,
    seen_at timestamptz NOT NULL DEFAULT now()
);
INSERT INTO stations (id, name, legacy)
    SELECT 'legacy:' || station, station, true
    FROM (SELECT station FROM leases UNION SELECT station FROM outcomes) AS named (station)
    WHERE station <> '';
ALTER TABLE leases RENAME COLUMN station TO station_id;
UPDATE leases SET station_id = 'legacy:' || station_id;
ALTER TABLE outcomes RENAME COLUMN station TO station_id;
UPDATE outcomes SET station_id = 'legacy:' || station_id;
CREATE INDEX leases_of_station ON leases (station_id);
)sql";

constexpr std::array<std::string_view, 2> kSteps{kVersion1, kVersion2};

}  // namespace

std::span<const std::string_view> sharedSchemaSteps() {
    return kSteps;
}

int sharedSchemaVersion() {
    return static_cast<int>(kSteps.size());
}

}  // namespace store
