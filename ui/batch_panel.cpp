#include "ui/batch_panel.h"

#include "ui/elided_label.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

namespace {

QPushButton* button(const QString& caption, const QString& name, const QString& tip,
                    QWidget* parent) {
    auto* made = new QPushButton(caption, parent);
    made->setObjectName(name);
    made->setAccessibleName(name);
    made->setToolTip(tip);
    made->setAccessibleDescription(tip);
    made->setAutoDefault(true);  // Enter presses it, as Space does
    return made;
}

}  // namespace

BatchPanel::BatchPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("batchPanel"));
    progress_ = new QLabel(this);
    progress_->setObjectName(QStringLiteral("batchProgress"));
    progress_->setWordWrap(true);
    progress_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = progress_->font();
    bold.setBold(true);
    progress_->setFont(bold);

    // Three lines at most: the list of tags not seen yet loses whole clauses, and is whole in the
    // tooltip and for a screen reader.
    checkState_ = new ElidedLabel(3, this);
    checkState_->setObjectName(QStringLiteral("batchCheck"));
    checkState_->hide();

    check_ = button(QStringLiteral("核对"), QStringLiteral("核对"),
                    QStringLiteral("核对这袋卡：每读一张卡，说它是否属于本批次"), this);
    check_->setCheckable(true);
    auto* exportList = button(QStringLiteral("导出…"), QStringLiteral("导出批次"),
                              QStringLiteral("把本批次的清单导出为 Excel 工作簿"), this);
    auto* printList = button(QStringLiteral("打印…"), QStringLiteral("打印批次"),
                             QStringLiteral("打印本批次的清单"), this);
    end_ = button(QStringLiteral("结束批次"), QStringLiteral("结束批次"),
                  QStringLiteral("提前结束本批次：未写的号码记为作废"), this);
    close_ = button(QStringLiteral("关闭批次"), QStringLiteral("关闭批次"),
                    QStringLiteral("回到单张写卡"), this);
    close_->hide();

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    for (QPushButton* each : {check_, exportList, printList, end_, close_}) {
        buttons->addWidget(each);
    }
    buttons->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 4, 6, 2);
    column->setSpacing(2);
    column->addWidget(progress_);
    column->addWidget(checkState_);
    column->addLayout(buttons);

    connect(check_, &QPushButton::toggled, this, &BatchPanel::checkingToggled);
    connect(exportList, &QPushButton::clicked, this, &BatchPanel::exportAsked);
    connect(printList, &QPushButton::clicked, this, &BatchPanel::printAsked);
    connect(end_, &QPushButton::clicked, this, &BatchPanel::endAsked);
    connect(close_, &QPushButton::clicked, this, &BatchPanel::closeAsked);
}

void BatchPanel::showProgress(const QString& text, bool ended) {
    progress_->setText(text);
    progress_->setAccessibleName(text);
    end_->setVisible(!ended);
    close_->setVisible(ended);
}

QString BatchPanel::progress() const {
    return progress_->text();
}

bool BatchPanel::checking() const {
    return check_->isChecked();
}

void BatchPanel::setChecking(bool on) {
    check_->setChecked(on);
}

void BatchPanel::showCheck(const QString& text) {
    checkState_->setFullText(text);
    checkState_->setAccessibleName(text);
    checkState_->setVisible(!text.isEmpty());
}

}  // namespace ui
