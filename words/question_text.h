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
// another tag's ("后八位号 000,01000 已写在 001 0000001000 上：按后八位号读卡的门禁会把两张卡当成一
// 张", the other tag named by its version byte and its ten-digit number, as the fields show it).
[[nodiscard]] Question questionWords(const commands::WriteQuestion& question);

}  // namespace words
