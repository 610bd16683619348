#include "commands/field_texts.h"

namespace commands {

void showCardNumber(Panel& panel, const card::CardNumber& number) {
    using card::Field;
    const auto show = [&panel](Field field, double value) {
        panel.setFieldText(field, card::formatPadded(value, card::fieldWidth(field)));
    };
    show(Field::B4, number.B4);
    show(Field::B3B0, number.B3B0);
    show(Field::B2, number.B2);
    show(Field::B1B0, number.B1B0);
}

}  // namespace commands
