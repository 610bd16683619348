#pragma once

#include "journal/batch_lines.h"

#include <functional>

class QWidget;

// 打印…: the print dialog (on Linux it also prints to a PDF file), then the batch's hand-over list
// printed a page at a time with its progress and 取消, the window answering meanwhile.
namespace ui {

enum class PrintEnd { Printed, Cancelled, Failed };

// Shows the print dialog and starts printing the list of the batch `log` holds; `ended` is told
// how it went, a printer's failure told first in a message box. False, and nothing told, when the
// user closed the print dialog, `log` holds no batch, or a list is being printed over `parent`.
bool printBatchList(QWidget* parent, const journal::BatchLog& log,
                    std::function<void(PrintEnd)> ended);

}  // namespace ui
