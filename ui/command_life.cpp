#include "ui/command_life.h"

#include <utility>

namespace ui {

std::optional<WindowState> next(WindowState state, WindowEvent event) {
    using S = WindowState;
    using E = WindowEvent;
    switch (state) {
        case S::Idle:
            switch (event) {
                case E::Press:
                    return S::Command;
                case E::OfferOpened:
                    return S::Offer;
                case E::DialogOpened:
                    return S::Dialog;
                case E::HandsFreeStarted:
                    return S::HandsFree;
                case E::CloseAsked:
                    return S::Idle;  // nothing runs: the window closes at once
                default:
                    return std::nullopt;
            }
        case S::Command:
            switch (event) {
                case E::QuestionAsked:
                    return S::Question;
                case E::CommandEnded:
                    return S::Idle;
                case E::CloseAsked:
                    return S::Closing;
                default:
                    return std::nullopt;
            }
        case S::Question:
            switch (event) {
                case E::Answered:
                    return S::Command;
                case E::CloseAsked:
                    return S::Closing;
                default:
                    return std::nullopt;
            }
        case S::Offer:
            switch (event) {
                case E::OfferAnswered:
                    return S::Idle;
                case E::CloseAsked:
                    return S::Offer;  // the offer goes with the window
                default:
                    return std::nullopt;
            }
        case S::Dialog:
            switch (event) {
                case E::DialogClosed:
                    return S::Idle;
                default:
                    return std::nullopt;
            }
        case S::HandsFree:
            switch (event) {
                // Closing stops it first: its ticks run on the window's thread, none under way.
                case E::HandsFreeStopped:
                    return S::Idle;
                default:
                    return std::nullopt;
            }
        case S::Closing:
            switch (event) {
                // The question closing answered with its default, and the command's end.
                case E::Answered:
                case E::CloseAsked:
                    return S::Closing;
                case E::CommandEnded:
                    return S::Idle;  // and the window closes
                default:
                    return std::nullopt;
            }
    }
    return std::nullopt;
}

CommandLife::CommandLife(QObject* parent) : QObject(parent) {
    connect(this, &CommandLife::idleAgain, this, &CommandLife::runWaiting, Qt::QueuedConnection);
}

bool CommandLife::handle(WindowEvent event) {
    const auto after = next(state_, event);
    if (!after) {
        return false;
    }
    const bool moved = *after != state_;
    state_ = *after;
    if (moved) {
        Q_EMIT this->changed(state_);
    }
    // What waited for the window runs once the caller of this event is done with it (the answer
    // to an offer acts first), each in turn while the window stays idle.
    if (moved && state_ == WindowState::Idle && !waiting_.empty()) {
        Q_EMIT idleAgain();
    }
    return true;
}

void CommandLife::runWaiting() {
    while (state_ == WindowState::Idle && !waiting_.empty()) {
        auto then = std::move(waiting_.front());
        waiting_.erase(waiting_.begin());
        then();  // may open an offer: the rest wait for its answer
    }
}

void CommandLife::dropWaiting() {
    waiting_.clear();
}

void CommandLife::whenIdle(std::function<void()> then) {
    if (state_ == WindowState::Idle) {
        then();
        return;
    }
    waiting_.push_back(std::move(then));
}

}  // namespace ui
