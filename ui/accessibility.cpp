#include "ui/accessibility.h"

#include "card/card_number.h"
#include "ui/window_layout.h"
#include "words/outcome_text.h"

#include <QAccessible>
#include <QLabel>
#include <QString>
#include <QWidget>

namespace ui {

namespace {

constexpr const char* kLockHint = "写卡后永久保护该卡：受保护的卡不能再写";

}  // namespace

void describeControls(const std::map<std::string_view, QWidget*>& controls) {
    for (const auto& entry : kControls) {
        QWidget* control = controls.at(entry.name);
        if (entry.accessibleName != nullptr) {
            control->setAccessibleName(QString::fromUtf8(entry.accessibleName));
        }
        if (entry.buddy != nullptr) {
            qobject_cast<QLabel*>(control)->setBuddy(controls.at(entry.buddy));
        }
    }
    for (const card::Field field : kFields) {
        const std::string_view range = card::fieldRangeLabel(field);
        controls.at(controlFor(fieldRole(field)).name)
            ->setAccessibleName(QString::fromStdString(words::fieldName(field)) + QLatin1Char(' ') +
                                QString::fromLatin1(range.data(), static_cast<int>(range.size())));
    }
    QWidget* lock = controls.at(controlFor(Role::LockBox).name);
    lock->setAccessibleDescription(QString::fromUtf8(kLockHint));
    lock->setToolTip(QString::fromUtf8(kLockHint));
}

void announceStatus(QLabel& statusLine, const QString& message) {
    // The line shows the message cut to fit; the name is the whole of it (and changing it tells
    // a screen reader). The alert has the message read out without moving the focus.
    statusLine.setAccessibleName(message);
    QAccessibleEvent alert(&statusLine, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

}  // namespace ui
