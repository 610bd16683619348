#include "ui/question_box.h"

#include "ui/command_life.h"

#include <QMessageBox>
#include <QPushButton>

#include <utility>

namespace ui {

QString fromUtf8(std::string_view text) {
    using QtSize = decltype(std::declval<QString>().size());  // int on Qt 5, qsizetype on Qt 6
    return QString::fromUtf8(text.data(), static_cast<QtSize>(text.size()));
}

namespace {

// A question as its box shows it: each sentence on lines of its own, and its last clause (the
// question itself, "改写为 … 吗？") on a line of its own that never breaks, so that no "吗？" is
// left alone.
QString questionLines(const QString& text) {
    QString html;
    const QChar fullStop(0x3002);  // 。
    for (QString sentence : text.split(fullStop, Qt::SkipEmptyParts)) {
        if (!sentence.endsWith(QChar(0xFF1F))) {  // ？
            sentence += fullStop;
        }
        const auto clause = sentence.lastIndexOf(QChar(0xFF0C)) + 1;  // after the last ，
        if (clause > 0) {
            html += QStringLiteral("<div>") + sentence.left(clause).toHtmlEscaped() +
                    QStringLiteral("</div>");
        }
        html += QStringLiteral("<div style=\"white-space:pre\">") +
                sentence.mid(clause).toHtmlEscaped() + QStringLiteral("</div>");
    }
    return html;
}

}  // namespace

QMessageBox* showWriteQuestion(QWidget& over, const commands::WriteQuestion& asked) {
    const words::Question question = words::questionWords(asked);
    auto* box =
        new QMessageBox(QMessageBox::Question, over.windowTitle(),
                        questionLines(fromUtf8(question.text)), QMessageBox::NoButton, &over);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::RichText);
    // A screen reader hears the question as it is worded.
    box->setAccessibleDescription(fromUtf8(question.text));
    box->addButton(fromUtf8(question.yes), QMessageBox::YesRole);
    QPushButton* no = box->addButton(fromUtf8(question.no), QMessageBox::NoRole);
    box->setDefaultButton(no);
    box->setEscapeButton(no);
    box->setWindowModality(Qt::NonModal);
    box->show();
    return box;
}

bool ask(QWidget& over, CommandLife& life, const words::Question& question) {
    QMessageBox box(QMessageBox::Question, over.window()->windowTitle(),
                    questionLines(fromUtf8(question.text)), QMessageBox::NoButton, &over);
    box.setTextFormat(Qt::RichText);
    box.setAccessibleDescription(fromUtf8(question.text));
    QPushButton* yes = box.addButton(fromUtf8(question.yes), QMessageBox::YesRole);
    QPushButton* no = box.addButton(fromUtf8(question.no), QMessageBox::NoRole);
    yes->setObjectName(fromUtf8(question.yes));
    no->setObjectName(fromUtf8(question.no));
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    const DialogOpen open(life);
    box.exec();
    return box.clickedButton() == yes;
}

void offer(QWidget& over, CommandLife& life, const words::Question& question,
           std::function<void(bool taken)> answered) {
    auto* box = new QMessageBox(QMessageBox::Question, over.windowTitle(), fromUtf8(question.text),
                                QMessageBox::NoButton, &over);
    box->setObjectName(QStringLiteral("batchOffer"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAccessibleDescription(fromUtf8(question.text));
    QPushButton* take = box->addButton(fromUtf8(question.yes), QMessageBox::AcceptRole);
    QPushButton* later = box->addButton(fromUtf8(question.no), QMessageBox::RejectRole);
    take->setObjectName(fromUtf8(question.yes));
    later->setObjectName(fromUtf8(question.no));
    // Return takes it: one key and the batch goes on.
    box->setDefaultButton(take);
    box->setEscapeButton(later);
    box->setWindowModality(Qt::WindowModal);
    life.handle(WindowEvent::OfferOpened);
    // The answer acts before what waited for the window meanwhile (CommandLife posts that).
    QObject::connect(box, &QMessageBox::finished, &life,
                     [&life, box, take, answered = std::move(answered)] {
                         life.handle(WindowEvent::OfferAnswered);
                         answered(box->clickedButton() == take);
                     });
    box->open();
}

}  // namespace ui
