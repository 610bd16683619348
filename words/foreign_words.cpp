#include "words/foreign_words.h"

namespace words {

std::string foreignWords(std::string_view text, std::size_t characters) {
    std::size_t seen = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const bool starts = (static_cast<unsigned char>(text[at]) & 0xC0U) != 0x80U;
        if (starts && seen++ == characters) {
            return std::string(text.substr(0, at)) + "…";
        }
    }
    return std::string(text);
}

}  // namespace words
