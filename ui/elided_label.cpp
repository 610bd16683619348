#include "ui/elided_label.h"

#include <QFontMetrics>
#include <QResizeEvent>
#include <QTextLayout>
#include <QTextOption>

#include <optional>

namespace ui {

namespace {

// Where a message's clauses end: the status line's messages join them with these, and put
// words from outside (a library's, the system's) in brackets after their own.
bool endsClause(QChar c) {
    return c == QChar(0xFF1B) /* ； */ || c == QChar(0xFF0C) /* ， */ ||
           c == QChar(0x3002) /* 。 */ || c == QChar(0xFF1A) /* ： */ ||
           c == QChar(0xFF08) /* （ */;
}

}  // namespace

ElidedLabel::ElidedLabel(int lines, QWidget* parent) : QLabel(parent), lines_(lines) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Never make the window wider for a long message; always keep room for every line.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setMinimumWidth(1);
    setFixedHeight(lines_ * fontMetrics().lineSpacing() + contentsMargins().top() +
                   contentsMargins().bottom());
}

void ElidedLabel::setFullText(const QString& text, const QString& tail) {
    fullText_ = text;
    tail_ = tail;
    setToolTip(fullText());
    updateShownText();
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    updateShownText();
}

std::optional<QStringList> ElidedLabel::linesOf(const QString& text) const {
    const int width = contentsRect().width();
    QTextLayout layout(text, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);

    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == lines_) {
            layout.endLayout();
            return std::nullopt;
        }
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

void ElidedLabel::updateShownText() {
    const QString whole = fullText();
    if (const auto lines = linesOf(whole)) {
        showsAll_ = true;
        setText(lines->join(QLatin1Char('\n')));
        return;
    }
    showsAll_ = false;
    // Whole clauses from the end, the first one kept: the words shown are never cut in two.
    const QString more = QString(QChar(0x2026));
    for (int end = static_cast<int>(fullText_.size()) - 1; end > 0; --end) {
        if (!endsClause(fullText_.at(end))) {
            continue;
        }
        if (const auto lines = linesOf(fullText_.left(end) + more + tail_)) {
            setText(lines->join(QLatin1Char('\n')));
            return;
        }
    }
    // A first clause longer than the lines (none of the window's own is): cut where it must,
    // the tail still kept.
    int fits = 0;
    for (int step = static_cast<int>(fullText_.size()); step > 0; step /= 2) {
        while (fits + step < fullText_.size() &&
               linesOf(fullText_.left(fits + step) + more + tail_)) {
            fits += step;
        }
    }
    const auto lines = linesOf(fullText_.left(fits) + more + tail_);
    setText(lines ? lines->join(QLatin1Char('\n')) : QString());
}

}  // namespace ui
