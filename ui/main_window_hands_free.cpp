// The window's side of hands-free writing (自动写卡): the box, the timer on the window's thread,
// and the status line. What counts as blank and what is written is the writer's
// (commands/hands_free.*); each tick holds the window's thread for one read or one write.
#include "ui/any_input_watch.h"
#include "ui/batch_panel.h"
#include "ui/command_gate.h"
#include "ui/journal_window.h"
#include "ui/main_window.h"
#include "ui/question_box.h"
#include "ui/status_line.h"
#include "words/batch_text.h"
#include "words/hands_free_text.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

namespace ui {

void MainWindow::makeHandsFreeControls() {
    handsFreeTimer_ = new QTimer(this);
    handsFreeTimer_->setSingleShot(true);
    // The pace is the writer's: a coarse timer would stretch a short pause by several ms.
    handsFreeTimer_->setTimerType(Qt::PreciseTimer);
    connect(handsFreeTimer_, &QTimer::timeout, this, &MainWindow::tickHandsFree);
    anyInput_ = new AnyInputWatch(this);
    connect(anyInput_, &AnyInputWatch::touched, this, [this] {
        if (writing() != nullptr) {
            stopHandsFree(words::handsFreeStopped(*writing()), words::Tone::Neutral);
        }
    });
    connect(batchPanel_, &BatchPanel::autoWriteToggled, this, &MainWindow::turnHandsFree);
    connect(batchPanel_, &BatchPanel::stopAsked, this, [this] {
        if (writing() != nullptr) {
            stopHandsFree(words::handsFreeStopped(*writing()), words::Tone::Neutral);
        }
    });
}

void MainWindow::turnHandsFree(bool on) {
    if (!on) {
        if (writing() != nullptr) {
            stopHandsFree(words::handsFreeStopped(*writing()), words::Tone::Neutral);
        }
        return;
    }
    if (writing() == nullptr || writing()->finished() || life_->commandUnderWay()) {
        batchPanel_->setAutoWriting(false);
        return;
    }
    batchPanel_->setChecking(false);
    auto writer = std::make_unique<commands::HandsFreeWriter>(*writing(), *journal_, *source_);
    status_->showMessage("正在读卡…");
    readButton_->parentWidget()->repaint();
    const auto trouble = writer->teachBlank();
    showReaderInUse();
    if (trouble) {
        batchPanel_->setAutoWriting(false);
        status_->showOutcome(words::describeRead(*trouble, source_->readerInUse()),
                             words::Tone::Failed, {});
        outcomeShown_ = true;
        QApplication::beep();
        return;
    }
    const card::Notation notation = writing()->batch().order().notation;
    // A number taken as blank makes every tag sending it writable: the operator says so.
    if (const auto& blank = writer->blankNumber();
        blank && !ask(*this, *life_, words::teachQuestion(*blank, notation))) {
        batchPanel_->setAutoWriting(false);
        status_->showMessage("自动写卡没有开启；" + words::batchStatus(*writing()));
        return;
    }
    const std::string waiting = words::handsFreeWaiting(writer->blankNumber(), notation);
    handsFree_ = std::move(writer);
    life_->handle(WindowEvent::HandsFreeStarted);
    batchPanel_->setAutoWriting(true);
    anyInput_->setWatching(true);
    status_->showMessage(words::handsFreeLine(waiting, *writing()));
    handsFreeTimer_->start(0);
}

void MainWindow::tickHandsFree() {
    if (!handsFree_ || writing() == nullptr) {
        return;
    }
    const commands::HandsFreeStep step = handsFree_->tick();
    const bool goesOn = handsFree_->running();
    using Kind = commands::HandsFreeStep::Kind;
    switch (step.kind) {
        case Kind::NoTag:
        case Kind::Blank:
        case Kind::WaitingForLeave:
            break;
        case Kind::Wrote:
        case Kind::Failed: {
            const commands::WriteOutcome& write = *step.write;
            const words::Tone tone = words::toneOf(write);
            if (write.verified()) {
                countTag(write);
            }
            // A tag done in its few words, so that where the batch stands fits beside them.
            const std::string what = tone == words::Tone::Done
                                         ? words::verdict(write)
                                         : words::describeWrite(write, source_->readerInUse());
            status_->showOutcome(words::handsFreeLine(what, *writing(), goesOn), tone,
                                 words::verdict(write));
            outcomeShown_ = true;
            showBatch();
            if (tone == words::Tone::Failed) {
                QApplication::beep();
            }
            if (journalWindow_ != nullptr) {
                journalWindow_->followAppends();
            }
            break;
        }
        case Kind::Skipped: {
            // Not written: the operator takes it away, warned by the computer's sound, as the
            // reader beeps only for a tag written.
            const std::string note = words::stepWords(step, writing()->batch().order().notation);
            status_->showOutcome(note + "；" + words::handsFreeLine("请取走此卡", *writing()),
                                 words::Tone::Caution, words::skippedVerdict());
            outcomeShown_ = true;
            QApplication::beep();
            break;
        }
        case Kind::Stopped:
            stopHandsFree(words::stepWords(step, writing()->batch().order().notation) + "；" +
                              words::batchStatus(*writing()),
                          words::Tone::Failed);
            break;
        case Kind::Done:
            stopHandsFree(words::handsFreeStopped(*writing()), words::Tone::Neutral);
            break;
    }
    if (step.journalError) {
        status_->showNote(*step.journalError);
    }
    if (!handsFree_) {
        return;
    }
    if (!goesOn) {
        stopHandsFree({}, words::Tone::Neutral);  // the line above has said so
        return;
    }
    handsFreeTimer_->start(step.nextTickIn);
}

void MainWindow::stopHandsFree(const std::string& line, words::Tone tone) {
    if (!handsFree_) {
        return;
    }
    handsFreeTimer_->stop();
    handsFree_.reset();
    life_->handle(WindowEvent::HandsFreeStopped);
    anyInput_->setWatching(false);
    batchPanel_->setAutoWriting(false);
    // The box may have gone grey with the batch's end, its focus passed to 读卡号: one key per tag
    // goes on with the write button, as after a press.
    writeButton_->setFocus(Qt::OtherFocusReason);
    if (line.empty()) {
        return;
    }
    status_->showOutcome(line, tone, {});
    outcomeShown_ = true;
    if (tone == words::Tone::Failed) {
        QApplication::beep();
    }
}

}  // namespace ui
