// The window's side of hands-free writing (自动写卡): the box, the timer on the window's thread,
// and the status line. What counts as blank and what is written is the writer's
// (commands/hands_free.*); each tick holds the window's thread for one read or one write.
#include "commands/batch_text.h"
#include "commands/hands_free_text.h"
#include "ui/any_input_watch.h"
#include "ui/batch_panel.h"
#include "ui/command_gate.h"
#include "ui/journal_window.h"
#include "ui/main_window.h"
#include "ui/question_box.h"
#include "ui/status_line.h"

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
            stopHandsFree(commands::handsFreeStopped(*writing()), commands::Tone::Neutral);
        }
    });
    connect(batchPanel_, &BatchPanel::autoWriteToggled, this, &MainWindow::turnHandsFree);
    connect(batchPanel_, &BatchPanel::stopAsked, this, [this] {
        if (writing() != nullptr) {
            stopHandsFree(commands::handsFreeStopped(*writing()), commands::Tone::Neutral);
        }
    });
}

void MainWindow::turnHandsFree(bool on) {
    if (!on) {
        if (writing() != nullptr) {
            stopHandsFree(commands::handsFreeStopped(*writing()), commands::Tone::Neutral);
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
        status_->showOutcome(*trouble, commands::Tone::Failed, {});
        outcomeShown_ = true;
        QApplication::beep();
        return;
    }
    const card::Notation notation = writing()->batch().order().notation;
    // A number taken as blank makes every tag sending it writable: the operator says so.
    if (const auto& blank = writer->blankNumber();
        blank && !ask(*this, *life_, commands::teachQuestion(*blank, notation))) {
        batchPanel_->setAutoWriting(false);
        status_->showMessage("自动写卡没有开启；" + writing()->status());
        return;
    }
    const std::string waiting = commands::handsFreeWaiting(writer->blankNumber(), notation);
    handsFree_ = std::move(writer);
    life_->handle(WindowEvent::HandsFreeStarted);
    batchPanel_->setAutoWriting(true);
    anyInput_->setWatching(true);
    status_->showMessage(commands::handsFreeLine(waiting, *writing()));
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
            const commands::Tone tone = commands::toneOf(write);
            if (write.verified()) {
                countTag(write);
            }
            // A tag done in its few words, so that where the batch stands fits beside them.
            const std::string what = tone == commands::Tone::Done
                                         ? commands::verdict(write)
                                         : commands::describeWrite(write, source_->readerInUse());
            status_->showOutcome(commands::handsFreeLine(what, *writing(), goesOn), tone,
                                 commands::verdict(write));
            outcomeShown_ = true;
            showBatch();
            if (tone == commands::Tone::Failed) {
                QApplication::beep();
            }
            if (journalWindow_ != nullptr) {
                journalWindow_->followAppends();
            }
            break;
        }
        case Kind::Skipped:
            // Not written: the operator takes it away, warned by the computer's sound, as the
            // reader beeps only for a tag written.
            status_->showOutcome(
                step.words + "；" + commands::handsFreeLine("请取走此卡", *writing()),
                commands::Tone::Caution, step.words.substr(0, step.words.find("：")));
            outcomeShown_ = true;
            QApplication::beep();
            break;
        case Kind::Stopped:
            stopHandsFree(step.words + "；" + writing()->status(), commands::Tone::Failed);
            break;
        case Kind::Done:
            stopHandsFree(commands::handsFreeStopped(*writing()), commands::Tone::Neutral);
            break;
    }
    if (step.journalError) {
        status_->showNote(*step.journalError);
    }
    if (!handsFree_) {
        return;
    }
    if (!goesOn) {
        stopHandsFree({}, commands::Tone::Neutral);  // the line above has said so
        return;
    }
    handsFreeTimer_->start(step.nextTickIn);
}

void MainWindow::stopHandsFree(const std::string& line, commands::Tone tone) {
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
    if (tone == commands::Tone::Failed) {
        QApplication::beep();
    }
}

}  // namespace ui
