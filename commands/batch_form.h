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

// What is wrong with a form.
struct BatchFormError {
    enum class Kind {
        NoName,           // 名称 empty
        NameOnTwoLines,   // 名称 with a line end
        SharedBatchName,  // 名称 ends as the journal's names of shared batches do
        NoFirstNumber,    // 起始号码 empty
        NoComma,          // an eight-digit 起始号码 without its comma
        FieldOutOfRange,  // `field` of 起始号码 or 版本或客户号 is not a number in its range
        CountNotANumber,  // 张数
    };
    Kind kind = Kind::NoName;
    card::Field field = card::Field::B4;  // FieldOutOfRange

    friend bool operator==(const BatchFormError&, const BatchFormError&) = default;
};

// The order the form asks for, or what is wrong with it. The range itself (wrap, numbers written
// before) is Batch::create's and rangeCheck's to judge.
[[nodiscard]] util::Expected<BatchOrder, BatchFormError> orderFrom(const BatchForm& form);

}  // namespace commands
