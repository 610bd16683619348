#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace words {

// At most this many characters of a text that comes from outside (a library's exception, the
// system's reason), so that every message fits the status line's two lines.
inline constexpr std::size_t kForeignCharacters = 12;
// A file name from outside (a library's dependency), which is of little use cut short.
inline constexpr std::size_t kForeignName = 24;

// `text` (UTF-8) cut to `characters` characters at a character's start, with "…" when cut.
[[nodiscard]] std::string foreignWords(std::string_view text,
                                       std::size_t characters = kForeignCharacters);

}  // namespace words
