#pragma once

#include "exports/handover_list.h"
#include "exports/row_export.h"

#include <filesystem>

namespace exports {

// The sheet's name: the batch's 名称 may hold what a sheet's name may not.
inline constexpr const char* kHandoverSheetName = "交接清单";

// Writes the hand-over list to `target` as an .xlsx workbook with the zeld-xlsx module: the
// summary's lines above the table, each label beside its value. A failure leaves whatever was at
// the target as it was, and no other file.
[[nodiscard]] ExportResult exportHandoverList(const std::filesystem::path& target,
                                              const HandoverList& list);

}  // namespace exports
