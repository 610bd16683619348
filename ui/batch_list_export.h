#pragma once

#include "journal/batch_lines.h"

#include <QDate>
#include <QString>

#include <optional>

class QWidget;

// A batch's hand-over list (exports/handover_list.h) saved as an .xlsx workbook.
namespace ui {

// The file name the save dialog proposes: <名称>-<张数>张-<date>.xlsx in the documents folder,
// with what a file name may not hold in the 名称 replaced.
[[nodiscard]] QString proposedBatchListPath(const journal::BatchLog& log, QDate date);

// Writes the list of the batch `log` holds to `path`; the reason when it could not (the file
// that was there is then as it was).
[[nodiscard]] std::optional<QString> writeBatchList(const QString& path,
                                                    const journal::BatchLog& log);

// Asks where to save the list, then writes it, with a wait cursor: a list is at most some ten
// thousand rows. A failure is told in a message box. The path written; nothing when the user
// cancelled, it failed, or `log` holds no batch.
std::optional<QString> exportBatchList(QWidget* parent, const journal::BatchLog& log);

}  // namespace ui
