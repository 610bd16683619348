#pragma once

#include "commands/write_command.h"

#include <QString>

#include <functional>
#include <string_view>

class QMessageBox;
class QWidget;

namespace ui {

class CommandLife;

// UTF-8 as Qt's text.
[[nodiscard]] QString fromUtf8(std::string_view text);

// The box of a write's question, shown and not modal (a modal box would have the window system
// drop the window's close button unseen): each sentence on lines of its own, the question itself
// on a line that never breaks, `no` its default. It deletes itself once answered.
[[nodiscard]] QMessageBox* showWriteQuestion(QWidget& over,
                                             const commands::WriteQuestion& question);

// A question outside a command (before a batch begins or ends), `no` its default, in the Dialog
// state while it waits; true for `yes`.
[[nodiscard]] bool ask(QWidget& over, CommandLife& life, const commands::WriteQuestion& question);

// Offers a batch to be continued or joined, in the Offer state: Return takes it. `answered` is
// told whether it was taken once the window is out of the Offer state.
void offer(QWidget& over, CommandLife& life, const commands::WriteQuestion& question,
           std::function<void(bool taken)> answered);

}  // namespace ui
