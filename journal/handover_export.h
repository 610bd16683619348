#pragma once

#include "journal/handover_list.h"
#include "journal/row_export.h"

#include <filesystem>

namespace journal {

// The sheet's name: the batch's 名称 may hold what a sheet's name may not.
inline constexpr const char* kHandoverSheetName = "交接清单";

// Writes the hand-over list to `target` as an .xlsx workbook with the zeld-xlsx module: the
// summary's lines above the table, each label beside its value. A failure leaves whatever was at
// the target as it was, and no other file.
[[nodiscard]] ExportResult exportHandoverList(const std::filesystem::path& target,
                                              const HandoverList& list);

}  // namespace journal
