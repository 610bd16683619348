#pragma once

#include "journal/batch_lines.h"

class QPrinter;
class QWidget;

namespace exports {
class HandoverList;
}

// A batch's hand-over list (exports/handover_list.h) on paper: its summary, then its table,
// the column header again on every page, and "第 N 页，共 M 页" at the foot of each.
namespace ui {

// Prints the list on `printer` as it is set up, the pages it asks for (fromPage to toPage) or all;
// the number of pages the list takes, 0 when the printer could not start (or the list is empty).
int printHandoverList(QPrinter& printer, const exports::HandoverList& list);

// Shows the print dialog (on Linux it also prints to a PDF file) and prints the list of the batch
// `log` holds. True when it was printed; false when the user cancelled, the printer failed (told
// in a message box) or `log` holds no batch.
bool printBatchList(QWidget* parent, const journal::BatchLog& log);

}  // namespace ui
