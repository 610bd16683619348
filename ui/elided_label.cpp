#include "ui/elided_label.h"

#include <QFontMetrics>
#include <QResizeEvent>
#include <QTextLayout>
#include <QTextOption>

namespace ui {

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

void ElidedLabel::setFullText(const QString& text) {
    fullText_ = text;
    setToolTip(text);
    updateShownText();
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    updateShownText();
}

void ElidedLabel::updateShownText() {
    const int width = contentsRect().width();
    QTextLayout layout(fullText_, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);

    QStringList shown;
    showsAll_ = true;
    layout.beginLayout();
    for (int i = 0; i < lines_; ++i) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(width);
        const bool last = i == lines_ - 1;
        if (last && line.textStart() + line.textLength() < fullText_.size()) {
            showsAll_ = false;
            shown << fontMetrics().elidedText(fullText_.mid(line.textStart()), Qt::ElideRight,
                                              width);
        } else {
            shown << fullText_.mid(line.textStart(), line.textLength()).trimmed();
        }
    }
    layout.endLayout();
    setText(shown.join(QLatin1Char('\n')));
}

}  // namespace ui
