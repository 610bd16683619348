#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace commands {

// The name of the local journal's batch for the shared batch `id` named `name`: two shared
// batches of one name stay apart, and apart from a local batch of that name.
[[nodiscard]] std::string sharedBatchName(const std::string& name, std::int64_t id);
// Whether the local journal's batch of this name is a shared batch's (sharedBatchName).
[[nodiscard]] bool isSharedBatchName(std::string_view name);

}  // namespace commands
