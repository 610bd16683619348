#include "ui/status_line.h"

#include "ui/accessibility.h"
#include "ui/elided_label.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QStyle>

namespace ui {

namespace {

// Dark enough to read on a light window background; the icon says the same for anyone who
// cannot tell the colours apart.
QColor toneColour(words::Tone tone, const QPalette& palette) {
    switch (tone) {
        case words::Tone::Done:
            return {0x1B, 0x6E, 0x20};
        case words::Tone::Failed:
            return {0xB0, 0x1C, 0x1C};
        case words::Tone::Caution:
            return {0x8A, 0x57, 0x00};  // amber, dark enough for the light background
        case words::Tone::Neutral:
            break;
    }
    return palette.color(QPalette::WindowText);
}

QStyle::StandardPixmap toneIcon(words::Tone tone) {
    return tone == words::Tone::Done ? QStyle::SP_DialogApplyButton : QStyle::SP_MessageBoxWarning;
}

}  // namespace

StatusLine::StatusLine(QWidget* parent)
    : QWidget(parent), icon_(new QLabel(this)), message_(new ElidedLabel(2, this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    icon_->setObjectName(QStringLiteral("statusIcon"));
    const int side = fontMetrics().height();
    icon_->setFixedSize(side, side);
    layout->addWidget(icon_, 0, Qt::AlignVCenter);
    // Two lines: a written number in both notations and in hex does not fit on one at this width.
    message_->setObjectName(QStringLiteral("statusMessage"));
    layout->addWidget(message_, 1);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void StatusLine::showOutcome(const std::string& message, words::Tone tone,
                             const std::string& verdict) {
    verdict_ = verdict;
    show(message, tone);
}

void StatusLine::showFailure(const std::string& message, const std::string& details) {
    verdict_.clear();
    show(message, words::Tone::Failed, details);
}

void StatusLine::showStanding(const std::string& standing, bool warns) {
    verdict_.clear();
    show({}, words::Tone::Neutral);
    addStanding(standing, warns);
}

void StatusLine::addStanding(const std::string& standing, bool warns) {
    standing_ = standing;
    standingWarns_ = warns;
    showText();
}

void StatusLine::refreshStanding(const std::string& standing, bool warns) {
    if (!standing_.empty() && (standing != standing_ || warns != standingWarns_)) {
        addStanding(standing, warns);
    }
}

void StatusLine::showMessage(const std::string& message) {
    verdict_.clear();
    show(message, words::Tone::Neutral);
}

void StatusLine::showNote(const std::string& note) {
    show(verdict_.empty() ? note : note + "；上次：" + verdict_, tone_);
}

void StatusLine::addDropped(int count) {
    dropped_ += count;
    showText();
}

QString StatusLine::fullText() const {
    return message_->fullText();
}

bool StatusLine::showsAll() const {
    return message_->showsAll();
}

void StatusLine::show(const std::string& message, words::Tone tone, const std::string& details) {
    tone_ = tone;
    text_ = message;
    details_ =
        details.empty() ? QString() : QStringLiteral("详情：") + QString::fromStdString(details);
    dropped_ = 0;
    standing_.clear();
    standingWarns_ = false;
    showText();
}

void StatusLine::paint(words::Tone tone) {
    // The line's own palette is left as it was: it gives the plain colour back.
    QPalette palette = message_->palette();
    palette.setColor(QPalette::WindowText, toneColour(tone, this->palette()));
    message_->setPalette(palette);
    if (tone == words::Tone::Neutral) {
        icon_->clear();
    } else {
        icon_->setPixmap(style()->standardIcon(toneIcon(tone)).pixmap(icon_->size()));
    }
}

void StatusLine::showText() {
    // A failure keeps its colour; a success or a plain message takes the standing's warning.
    const bool warned =
        standingWarns_ && (tone_ == words::Tone::Neutral || tone_ == words::Tone::Done);
    paint(warned ? words::Tone::Caution : tone_);
    // The count, and a standing that warns, are kept in view when the message must be shortened.
    std::string text = text_;
    std::string tail;
    if (!standing_.empty()) {
        (standingWarns_ ? tail : text) += (text_.empty() ? "" : "；") + standing_;
    }
    if (dropped_ > 0) {
        tail += words::droppedPresses(dropped_);
    }
    message_->setFullText(QString::fromStdString(text), QString::fromStdString(tail));
    if (!details_.isEmpty()) {
        message_->setToolTip(message_->fullText() + QLatin1Char('\n') + details_);
    }
    message_->setAccessibleDescription(details_);
    announceStatus(*message_, message_->fullText());
    // Shown now: a command may go on to block in the reader library.
    message_->repaint();
    icon_->repaint();
}

}  // namespace ui
