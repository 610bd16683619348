#pragma once

#include <map>
#include <string_view>

class QLabel;
class QString;
class QWidget;

namespace ui {

// Gives every control a name a screen reader can say: each number field its label and range
// ("前十位号 0~4294967295"), with its labels as buddies; the options, check boxes and frames
// their roles. The lock box also says, as tooltip and description, that the lock is for good.
void describeControls(const std::map<std::string_view, QWidget*>& controls);

// Makes a new status message the status line's accessible name and has it announced.
void announceStatus(QLabel& statusLine, const QString& message);

}  // namespace ui
