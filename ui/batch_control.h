#pragma once

#include "commands/bag_check.h"
#include "commands/batch_form.h"
#include "commands/batch_session.h"
#include "commands/batch_writing.h"
#include "commands/read_command.h"
#include "journal/journal.h"
#include "reader/reader_source.h"
#include "ui/station_settings.h"

#include <QObject>

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace ui {

class BatchPanel;
class CommandLife;
class StationLink;
class StatusLine;

// The batch in the window, local or this station's part of a shared one: the one place that
// holds it, begins, offers, continues, ends and leaves it, and checks its bag. The window shows
// what it says and forwards the presses of 批次… and the panel to it.
class BatchControl final : public QObject {
    Q_OBJECT

public:
    // `formFromFields`, the new batch's form as the window's fields and options stand.
    BatchControl(QWidget& window, CommandLife& life, StatusLine& status, BatchPanel& panel,
                 journal::Journal& journal, const reader::ReaderSource& source,
                 std::function<commands::BatchForm()> formFromFields);

    // The batch a press writes in, if any.
    [[nodiscard]] commands::BatchWriting* writing();
    [[nodiscard]] const commands::BatchSession* local() const {
        return batch_ ? &*batch_ : nullptr;
    }
    [[nodiscard]] StationLink& station() const { return *station_; }
    // A read now checks the tag against the batch (核对).
    [[nodiscard]] bool checking() const { return bagCheck_.has_value(); }

    // 批次…: a new batch, or one of the unfinished ones to go on with.
    void showDialog();
    // The journal's unfinished batch, offered to be continued (default 继续, by Return).
    void offerUnfinished();
    // 关闭批次: the window goes back to writing alone.
    void leave();
    // A read in 核对: the tag's number checked against the batch, said in the status line.
    void checkRead(const commands::ReadOutcome& outcome);

Q_SIGNALS:
    // A batch is about to come into the window, or a question about it to be asked:
    // hands-free writing stops.
    void stopping();
    // A batch came into the window: its options, fields and panel.
    void entered();
    // Where it stands changed: its fields and panel.
    void changed();
    void left();
    // The panel grew or shrank.
    void resized();
    // An outcome is in the status line.
    void told();
    // A read is what the operator does next (核对): the focus goes to 读卡号.
    void readNext();
    // The journal took lines.
    void appended();

private:
    // The batch the dialog asks for, once its range was checked against the journal.
    [[nodiscard]] std::optional<std::string> begin(const commands::BatchForm& form,
                                                   const StationSettings& sharing,
                                                   const commands::RangeCheck& check);
    void enter(commands::BatchSession session);
    // The unfinished local batch named `name` into the window, where it stands; why not.
    [[nodiscard]] std::optional<std::string> goOnWith(const std::string& name);
    // The local journal's name of the batch in the window (its lines, its check, its list).
    [[nodiscard]] std::string journalName() const;
    void endEarly();
    void checkBag(bool on);
    void showCheckState();
    void exportList();
    void printList();

    QWidget& window_;
    CommandLife& life_;
    StatusLine& status_;
    BatchPanel& panel_;
    journal::Journal& journal_;
    const reader::ReaderSource& source_;
    std::function<commands::BatchForm()> formFromFields_;
    StationLink* station_;
    std::optional<commands::BatchSession> batch_;
    std::optional<commands::BagCheck> bagCheck_;  // while 核对 is on
};

}  // namespace ui
