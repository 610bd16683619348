// 自动写卡 in the window. What counts as blank and what is written is the writer's
// (commands/hands_free.*).
#include "ui/hands_free_control.h"

#include "ui/any_input_watch.h"
#include "ui/batch_panel.h"
#include "ui/command_life.h"
#include "ui/question_box.h"
#include "ui/status_line.h"
#include "words/batch_text.h"
#include "words/hands_free_text.h"
#include "words/outcome_text.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace ui {

HandsFreeControl::HandsFreeControl(QWidget& window, CommandLife& life, StatusLine& status,
                                   BatchPanel& panel, journal::Journal& journal,
                                   reader::ReaderSource& source,
                                   std::function<commands::BatchWriting*()> writing)
    : QObject(&window),
      window_(window),
      life_(life),
      status_(status),
      panel_(panel),
      journal_(journal),
      source_(source),
      writing_(std::move(writing)),
      timer_(new QTimer(this)),
      anyInput_(new AnyInputWatch(&window)) {
    timer_->setSingleShot(true);
    // The pace is the writer's: a coarse timer would stretch a short pause by several ms.
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &HandsFreeControl::tick);
    connect(anyInput_, &AnyInputWatch::touched, this, &HandsFreeControl::stopAsTold);
    connect(&panel_, &BatchPanel::autoWriteToggled, this, &HandsFreeControl::turn);
    connect(&panel_, &BatchPanel::stopAsked, this, &HandsFreeControl::stopAsTold);
}

// Declared before the batch, the journal and the reader it uses go: it stops first.
HandsFreeControl::~HandsFreeControl() {
    timer_->stop();
    writer_.reset();
}

void HandsFreeControl::stopAsTold() {
    if (writing_() != nullptr) {
        stop(words::handsFreeStopped(*writing_()), words::Tone::Neutral);
    }
}

void HandsFreeControl::turn(bool on) {
    if (!on) {
        if (writing_() != nullptr) {
            stop(words::handsFreeStopped(*writing_()), words::Tone::Neutral);
        }
        return;
    }
    if (writing_() == nullptr || writing_()->finished() || life_.commandUnderWay()) {
        panel_.setAutoWriting(false);
        return;
    }
    panel_.setChecking(false);
    auto writer = std::make_unique<commands::HandsFreeWriter>(*writing_(), journal_, source_);
    status_.showMessage("正在读卡…");
    window_.repaint();
    const auto trouble = writer->teachBlank();
    Q_EMIT readerUsed();
    if (trouble) {
        panel_.setAutoWriting(false);
        status_.showOutcome(words::describeRead(*trouble, source_.readerInUse()),
                            words::Tone::Failed, {});
        Q_EMIT told();
        QApplication::beep();
        return;
    }
    const card::Notation notation = writing_()->batch().order().notation;
    // A number taken as blank makes every tag sending it writable: the operator says so.
    if (const auto& blank = writer->blankNumber();
        blank && !ask(window_, life_, words::teachQuestion(*blank, notation))) {
        panel_.setAutoWriting(false);
        status_.showMessage("自动写卡没有开启；" + words::batchStatus(*writing_()));
        return;
    }
    const std::string waiting = words::handsFreeWaiting(writer->blankNumber(), notation);
    writer_ = std::move(writer);
    life_.handle(WindowEvent::HandsFreeStarted);
    panel_.setAutoWriting(true);
    anyInput_->setWatching(true);
    status_.showMessage(words::handsFreeLine(waiting, *writing_()));
    timer_->start(0);
}

void HandsFreeControl::tick() {
    if (!writer_ || writing_() == nullptr) {
        return;
    }
    const commands::HandsFreeStep step = writer_->tick();
    const bool goesOn = writer_->running();
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
            // A tag done in its few words, so that where the batch stands fits beside them.
            const std::string what = tone == words::Tone::Done
                                         ? words::verdict(write)
                                         : words::describeWrite(write, source_.readerInUse());
            status_.showOutcome(words::handsFreeLine(what, *writing_(), goesOn), tone,
                                words::verdict(write));
            Q_EMIT told();
            Q_EMIT wrote(write);
            if (tone == words::Tone::Failed) {
                QApplication::beep();
            }
            break;
        }
        case Kind::Skipped: {
            // Not written: the operator takes it away, warned by the computer's sound, as the
            // reader beeps only for a tag written.
            const std::string note = words::stepWords(step, writing_()->batch().order().notation);
            // What to do comes right after why, before the status line's room runs out.
            status_.showOutcome(note + "，请取走此卡；" + words::batchStatus(*writing_()),
                                words::Tone::Caution, words::skippedVerdict());
            Q_EMIT told();
            QApplication::beep();
            break;
        }
        case Kind::Stopped:
            stop(words::stepWords(step, writing_()->batch().order().notation) + "；" +
                     words::batchStatus(*writing_()),
                 words::Tone::Failed);
            break;
        case Kind::Done:
            stop(words::handsFreeStopped(*writing_()), words::Tone::Neutral);
            break;
    }
    if (step.journalError) {
        status_.showNote(words::journalTroubleText(*step.journalError));
    }
    if (!writer_) {
        return;
    }
    if (!goesOn) {
        stop({}, words::Tone::Neutral);  // the line above has said so
        return;
    }
    timer_->start(step.nextTickIn);
}

void HandsFreeControl::stop(const std::string& line, words::Tone tone) {
    if (!writer_) {
        return;
    }
    timer_->stop();
    writer_.reset();
    life_.handle(WindowEvent::HandsFreeStopped);
    anyInput_->setWatching(false);
    panel_.setAutoWriting(false);
    // The box may have gone grey with the batch's end, its focus passed to 读卡号: one key per tag
    // goes on with the write button, as after a press.
    Q_EMIT stopped();
    if (line.empty()) {
        return;
    }
    status_.showOutcome(line, tone, {});
    Q_EMIT told();
    if (tone == words::Tone::Failed) {
        QApplication::beep();
    }
}

}  // namespace ui
