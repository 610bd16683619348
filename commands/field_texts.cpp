#include "commands/field_texts.h"

#include "card/number_text.h"

namespace commands {

FieldTexts fieldTexts(const card::CardNumber& number) {
    using card::Field;
    FieldTexts texts;
    for (const Field field : {Field::B4, Field::B3B0, Field::B2, Field::B1B0}) {
        textOf(texts, field) = card::fieldText(number, field);
    }
    return texts;
}

}  // namespace commands
