#pragma once

#include <span>
#include <string_view>

// The shared database's tables, one step for each version of them: step n (from 0) takes a
// database from version n to version n+1. Steps are only ever added at the end; a step once
// released is never changed, since databases out there were made by it.
namespace store {

// The SQL of every step, in order; the last version is their number.
[[nodiscard]] std::span<const std::string_view> sharedSchemaSteps();

// The version of the tables this program reads and writes.
[[nodiscard]] int sharedSchemaVersion();

}  // namespace store
