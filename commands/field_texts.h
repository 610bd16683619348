#pragma once

#include "card/card_number.h"
#include "commands/panel.h"

namespace commands {

// Sets the four field texts from a card number, in the order B4, B3B0, B2, B1B0, each padded to
// its field's width.
void showCardNumber(Panel& panel, const card::CardNumber& number);

}  // namespace commands
