#include "store/station_identity.h"

#include "util/utf8.h"

namespace store {

std::optional<NameFault> stationNameFault(std::string_view utf8) {
    if (utf8.empty()) {
        return NameFault::Empty;
    }
    for (std::size_t at = 0; at < utf8.size();) {
        const auto character = util::decodeUtf8(utf8, at);
        if (!character) {
            return NameFault::NotUtf8;
        }
        if (util::controlOrDirection(character->code)) {
            return NameFault::ControlCharacter;
        }
        at += character->length;
    }
    return std::nullopt;
}

}  // namespace store
