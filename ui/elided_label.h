#pragma once

#include <QLabel>

#include <optional>

namespace ui {

// A label of a fixed number of lines: its text wraps onto them. A text that does not fit is
// shortened by whole clauses from its end, never mid-word, keeping its first clause (a message's
// verdict) and a tail given apart; "…" marks where clauses were left out. The whole text is its
// tooltip.
class ElidedLabel final : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(int lines, QWidget* parent = nullptr);

    // `tail` is said after `text` and kept whenever the text is shortened.
    void setFullText(const QString& text, const QString& tail = {});
    [[nodiscard]] QString fullText() const { return fullText_ + tail_; }
    // Whether the whole text is shown, nothing left out.
    [[nodiscard]] bool showsAll() const noexcept { return showsAll_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateShownText();
    // The text's lines at the label's width, or nothing when it takes more lines than there are.
    [[nodiscard]] std::optional<QStringList> linesOf(const QString& text) const;

    int lines_;
    QString fullText_;
    QString tail_;
    bool showsAll_ = true;
};

}  // namespace ui
