#pragma once

#include "journal/batch_lines.h"

#include <memory>

class QPrinter;
class QWidget;

namespace exports {
class HandoverList;
}

// A batch's hand-over list (exports/handover_list.h) on paper: its summary, then its table,
// the column header again on every page, and "第 N 页，共 M 页" at the foot of each.
namespace ui {

// The list on `printer` as it is set up, the pages it asks for (fromPage to toPage) or all, a page
// at a time: a long list is printed between the window's events. Both outlive it.
class HandoverPages {
public:
    HandoverPages(QPrinter& printer, const exports::HandoverList& list);
    ~HandoverPages();
    HandoverPages(const HandoverPages&) = delete;
    HandoverPages& operator=(const HandoverPages&) = delete;
    HandoverPages(HandoverPages&&) = delete;
    HandoverPages& operator=(HandoverPages&&) = delete;

    // Lays the list out and starts the print run; false when the printer could not start or the
    // list is empty.
    [[nodiscard]] bool begin();
    // Prints the next page asked for; false when the printer failed (the run is then over).
    [[nodiscard]] bool printNext();
    [[nodiscard]] bool done() const;
    // The pages the list takes, those asked for, and those of them printed so far.
    [[nodiscard]] int pages() const;
    [[nodiscard]] int pagesToPrint() const;
    [[nodiscard]] int printed() const;
    // Ends the run: true when the printer took it.
    [[nodiscard]] bool end();
    // Ends it, printing nothing where the printer allows.
    void abort();

private:
    struct Run;
    QPrinter& printer_;
    const exports::HandoverList& list_;
    std::unique_ptr<Run> run_;
};

// Prints the list on `printer` as it is set up, the pages it asks for (fromPage to toPage) or all;
// the number of pages the list takes, 0 when the printer could not start (or the list is empty).
int printHandoverList(QPrinter& printer, const exports::HandoverList& list);

}  // namespace ui
