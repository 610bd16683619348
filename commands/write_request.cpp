#include "commands/write_request.h"

namespace commands {

util::Expected<WriteRequest, card::Field> requestFrom(const WriteForm& form) {
    using card::Field;
    WriteRequest request;
    request.chip = form.chip;
    request.notation = form.notation;
    request.lock = form.lock;
    request.advance = form.advance;
    const auto b4 = card::toByte(card::parseLenient(textOf(form.texts, Field::B4)));
    if (!b4) {
        return util::Unexpected{Field::B4};
    }
    request.number.b4 = *b4;
    if (form.notation == card::Notation::WG34) {
        const auto bytes = card::splitTenDigit(card::parseLenient(textOf(form.texts, Field::B3B0)));
        if (!bytes) {
            return util::Unexpected{Field::B3B0};
        }
        request.number.number = *bytes;
    } else {
        const auto composed =
            card::composeEightDigit(textOf(form.texts, Field::B2), textOf(form.texts, Field::B1B0));
        if (!composed) {
            return util::Unexpected{composed.error()};
        }
        request.number.number = composed->bytes;
    }
    return request;
}

}  // namespace commands
