#pragma once

#include "store/shared_store.h"

#include <string>

namespace ui {

// What the window says of a shared database's failure: words that say what to do, and the
// server's own text, cleaned, as details.
struct DatabaseTrouble {
    std::string words;    // UTF-8
    std::string details;  // UTF-8; may be empty
};
[[nodiscard]] DatabaseTrouble troubleOf(const store::StoreError& error);

}  // namespace ui
