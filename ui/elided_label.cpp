#include "ui/elided_label.h"

#include <QFontMetrics>
#include <QResizeEvent>

namespace ui {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    // Never make the window wider for a long message.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(1);
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
    setText(fontMetrics().elidedText(fullText_, Qt::ElideMiddle, contentsRect().width()));
}

}  // namespace ui
