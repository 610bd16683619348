#pragma once

#include "platform/library_abi.h"

#include <stddef.h>  // NOLINT(modernize-deprecated-headers): a C interface

// The .xlsx writer as a module of its own (zeld-xlsx: libzeld-xlsx.so, zeld-xlsx.dll), loaded on
// the first export only, so that the program starts without libxlsxwriter, its zip and its crypto
// library. A C interface: the module and the program may be built apart, and nothing of C++
// crosses it.
// NOLINTBEGIN(modernize-use-using): a C header
extern "C" {

typedef struct ZeldXlsxSheet {
    const char* name;  // the sheet's name (UTF-8)
    // `aboveRows` rows of `columns` texts each, row by row (NULL or "" for a blank cell), written
    // above the table with a blank row after them: a few lines about what the table lists.
    const char* const* above;
    size_t aboveRows;
    const char* const* header;  // `columns` texts of the table's first row: bold, frozen
    size_t columns;
    size_t rows;
    // Points cells[0..columns) at row `index`'s texts (UTF-8; NULL or "" for a blank cell), which
    // stay valid until the next call. Returns 0 to go on, anything else to stop: nothing is
    // written then.
    int (*row)(void* context, size_t index, const char** cells);
    // Asked once the workbook is whole, just before it takes the target's place: 0 to put it
    // there, anything else to stop (the workbook is removed).
    int (*finish)(void* context);
    void* context;
} ZeldXlsxSheet;

// What zeld_xlsx_write_v2 returns.
enum {
    kZeldXlsxWritten = 0,  // the workbook is at the target, in place of whatever was there
    kZeldXlsxStopped = 1,  // the row callback stopped it: the target is as it was, no file left
    kZeldXlsxFailed = 2,   // `reason` (UTF-8, Chinese) says why; the target is as it was
};

// Writes the workbook to `target` (UTF-8): first beside it under a temporary name, then put in its
// place. `reason` takes up to `reasonSize` bytes, the terminating zero included.
typedef int (*ZeldXlsxWrite)(const char* target, const ZeldXlsxSheet* sheet, char* reason,
                             size_t reasonSize);
}
// NOLINTEND(modernize-use-using)

// The module's one entry point, by name. The program and the module ship together: a module
// without it (v1 had no rows above the table) is told apart as one of another version.
inline constexpr const char* kZeldXlsxWriteSymbol = "zeld_xlsx_write_v2";
// The module's name, as platform::sharedLibraryFileName takes it.
inline constexpr const char* kZeldXlsxModule = "zeld-xlsx";
