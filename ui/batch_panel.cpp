#include "ui/batch_panel.h"

#include "ui/elided_label.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
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

BatchPanel::BatchPanel(QWidget* parent)
    : QWidget(parent), progress_(new QLabel(this)), checkState_(new ElidedLabel(3, this)) {
    setObjectName(QStringLiteral("batchPanel"));
    progress_->setObjectName(QStringLiteral("batchProgress"));
    progress_->setWordWrap(true);
    progress_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = progress_->font();
    bold.setBold(true);
    progress_->setFont(bold);

    // Three lines at most: the list of tags not seen yet loses whole clauses, and is whole in the
    // tooltip and for a screen reader.
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
    void_ = button(QStringLiteral("作废号段…"), QStringLiteral("作废号段"),
                   QStringLiteral("作废别的电脑领了却不会再写的号码，让本批次能写完"), this);
    void_->hide();
    autoWrite_ = new QCheckBox(QStringLiteral("自动写卡"), this);
    autoWrite_->setObjectName(QStringLiteral("autoWrite"));
    autoWrite_->setAccessibleName(QStringLiteral("自动写卡"));
    autoWrite_->setToolTip(
        QStringLiteral("逐张放上空白卡即写入本批次的号码；不是空白卡的卡一概不写。按任意键停止"));
    autoWrite_->setAccessibleDescription(autoWrite_->toolTip());
    stop_ = button(QStringLiteral("停止"), QStringLiteral("停止"),
                   QStringLiteral("停止自动写卡（任意键也可停止）"), this);
    stop_->setObjectName(QStringLiteral("stopAutoWrite"));
    stop_->hide();

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
    // A row of its own: the window is no wider in a batch than outside one.
    auto* handsFree = new QHBoxLayout;
    handsFree->setContentsMargins(0, 0, 0, 0);
    handsFree->addWidget(autoWrite_);
    handsFree->addWidget(stop_);
    handsFree->addStretch(1);
    handsFree->addWidget(void_);
    column->addLayout(handsFree);
    column->addLayout(buttons);

    connect(check_, &QPushButton::toggled, this, &BatchPanel::checkingToggled);
    connect(autoWrite_, &QCheckBox::toggled, this, &BatchPanel::autoWriteToggled);
    connect(stop_, &QPushButton::clicked, this, &BatchPanel::stopAsked);
    connect(exportList, &QPushButton::clicked, this, &BatchPanel::exportAsked);
    connect(printList, &QPushButton::clicked, this, &BatchPanel::printAsked);
    connect(end_, &QPushButton::clicked, this, &BatchPanel::endAsked);
    connect(void_, &QPushButton::clicked, this, &BatchPanel::voidAsked);
    connect(close_, &QPushButton::clicked, this, &BatchPanel::closeAsked);
}

void BatchPanel::showProgress(const QString& text, bool ended) {
    // A number stays on the line of the words that name it when the line wraps.
    QString shown = text;
    shown.replace(QStringLiteral("下一张 "), QStringLiteral("下一张\u00A0"));
    progress_->setText(shown);
    progress_->setAccessibleName(text);
    // A shared batch is ended for every station; closing gives this one's numbers back.
    end_->setVisible(!ended);
    close_->setVisible(ended || shared_);
    autoWrite_->setEnabled(!ended);
}

void BatchPanel::setShared(bool shared) {
    shared_ = shared;
    void_->setVisible(shared);
    close_->setToolTip(shared ? QStringLiteral("离开共享批次：本站未写的号码交回，由别的电脑接着写")
                              : QStringLiteral("回到单张写卡"));
    close_->setAccessibleDescription(close_->toolTip());
    end_->setToolTip(
        shared ? QStringLiteral("结束共享批次：所有电脑都不再写它，未写的号码以本站的名义作废")
               : QStringLiteral("提前结束本批次：未写的号码记为作废"));
    end_->setAccessibleDescription(end_->toolTip());
}

QString BatchPanel::progress() const {
    return progress_->accessibleName();
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

void BatchPanel::setAutoWriting(bool on) {
    const QSignalBlocker quiet(autoWrite_);
    autoWrite_->setChecked(on);
    stop_->setVisible(on);
}

}  // namespace ui
