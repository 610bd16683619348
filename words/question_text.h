#pragma once

#include "commands/write_question.h"

#include <string>

// Questions put to the operator, in the window's language (Simplified Chinese), as UTF-8.
namespace words {

// A question with its two answers; the default answer is `no`.
struct Question {
    std::string text;
    std::string yes;
    std::string no;
};

// The question before a write, in words: a number or a tag written before, or a view shared with
// another tag's ("后八位号 000,01000（000 0000001000）已写在 001 0000001000 上：按后八位号读卡的门禁
// 会把两张卡当成一张", both tags named by their version byte and ten-digit number, as the fields
// show them).
[[nodiscard]] Question questionWords(const commands::WriteQuestion& question);

}  // namespace words
