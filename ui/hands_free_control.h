#pragma once

#include "commands/batch_writing.h"
#include "commands/hands_free.h"
#include "commands/outcome_text.h"
#include "journal/journal.h"
#include "reader/reader_source.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>

class QTimer;
class QWidget;

namespace ui {

class AnyInputWatch;
class BatchPanel;
class CommandLife;
class StatusLine;

// Hands-free writing (自动写卡) in the window: the writer, its timer on the window's thread, the
// touch of the window that stops it, and what each tick says in the status line. What counts as
// blank and what is written is the writer's (commands/hands_free.*); each tick holds the window's
// thread for one read or one write.
class HandsFreeControl final : public QObject {
    Q_OBJECT

public:
    // `writing` gives the batch in the window, if any.
    HandsFreeControl(QWidget& window, CommandLife& life, StatusLine& status, BatchPanel& panel,
                     journal::Journal& journal, reader::ReaderSource& source,
                     std::function<commands::BatchWriting*()> writing);
    ~HandsFreeControl() override;
    HandsFreeControl(const HandsFreeControl&) = delete;
    HandsFreeControl& operator=(const HandsFreeControl&) = delete;
    HandsFreeControl(HandsFreeControl&&) = delete;
    HandsFreeControl& operator=(HandsFreeControl&&) = delete;

    // 自动写卡 turned on (the tag at the reader taught as the bag's blank) or off.
    void turn(bool on);
    // Stops it, saying `line` in the status line; beeps when `tone` is Failed.
    void stop(const std::string& line, commands::Tone tone);
    [[nodiscard]] bool runs() const { return writer_ != nullptr; }

Q_SIGNALS:
    // The reader library was used: the indicator says which.
    void readerUsed();
    // An outcome is in the status line.
    void told();
    // A tick wrote a tag, or failed to: `outcome` says how.
    void wrote(const commands::WriteOutcome& outcome);
    void stopped();

private:
    // One tick of the writer, and the next one asked for while it runs.
    void tick();
    void stopAsTold();

    QWidget& window_;
    CommandLife& life_;
    StatusLine& status_;
    BatchPanel& panel_;
    journal::Journal& journal_;
    reader::ReaderSource& source_;
    std::function<commands::BatchWriting*()> writing_;
    std::unique_ptr<commands::HandsFreeWriter> writer_;
    QTimer* timer_ = nullptr;
    AnyInputWatch* anyInput_ = nullptr;  // while it runs, a touch stops it
};

}  // namespace ui
