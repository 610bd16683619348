#include "ui/accessibility.h"

#include "card/card_number.h"
#include "commands/outcome_text.h"

#include <QAccessible>
#include <QLabel>
#include <QString>
#include <QWidget>

#include <array>
#include <utility>

namespace ui {

namespace {

struct FieldControl {
    const char* name;
    card::Field field;
};
constexpr std::array<FieldControl, 4> kFields{{
    {"txtIDB4", card::Field::B4},
    {"txtIDB3B0", card::Field::B3B0},
    {"txtIDB2", card::Field::B2},
    {"txtIDB1B0", card::Field::B1B0},
}};

// Each label and the field it stands beside.
constexpr std::array<std::pair<const char*, const char*>, 5> kBuddies{{
    {"Label5", "txtIDB4"},
    {"Label4", "txtIDB4"},
    {"Label3", "txtIDB3B0"},
    {"Label1", "txtIDB2"},
    {"Label2", "txtIDB1B0"},
}};

// Controls whose caption alone does not say what they do, or that have none; the others are
// named by their captions.
constexpr std::array<std::pair<const char*, const char*>, 4> kNames{{
    {"Frame2", "芯片和写卡选项"},
    {"Frame1", "卡号"},
    {"Frame3", "读卡和写卡"},
    {"chkIDADD1", "写卡后号码加一"},
}};

constexpr const char* kLockHint = "写卡后永久保护该卡：受保护的卡不能再写";

}  // namespace

void describeControls(const std::map<std::string_view, QWidget*>& controls) {
    for (const auto& [name, field] : kFields) {
        controls.at(name)->setAccessibleName(
            QString::fromStdString(commands::fieldName(field)) + QLatin1Char(' ') +
            QString::fromLatin1(card::fieldRangeLabel(field).data(),
                                static_cast<int>(card::fieldRangeLabel(field).size())));
    }
    for (const auto& [label, field] : kBuddies) {
        qobject_cast<QLabel*>(controls.at(label))->setBuddy(controls.at(field));
    }
    for (const auto& [control, accessibleName] : kNames) {
        controls.at(control)->setAccessibleName(QString::fromUtf8(accessibleName));
    }
    QWidget* lock = controls.at("chkIDLOCK");
    lock->setAccessibleName(QStringLiteral("保护号"));
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
