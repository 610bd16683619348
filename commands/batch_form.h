#pragma once

#include "commands/batch.h"
#include "reader/reader_types.h"
#include "util/expected.h"

#include <string>

namespace commands {

// What the batch dialog holds when 开始 is pressed, as it stands.
struct BatchForm {
    std::string name;       // 名称
    std::string firstText;  // 起始号码, in the notation chosen: "0000001000" or "000,01000"
    std::string countText;  // 张数
    std::string b4Text;     // 版本或客户号, the number's first byte
    card::Notation notation = card::Notation::WG34;
    reader::TagChip chip = reader::TagChip::T5577;
    bool lock = false;
};

// The order the form asks for, or what is wrong with it in the window's words (UTF-8). The range
// itself (wrap, numbers written before) is Batch::create's and rangeCheck's to judge.
[[nodiscard]] util::Expected<BatchOrder, std::string> orderFrom(const BatchForm& form);

}  // namespace commands
