#include "ui/batch_dialog.h"

#include "card/number_text.h"
#include "commands/batch.h"
#include "store/station_identity.h"
#include "words/batch_text.h"
#include "words/station_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

namespace ui {

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

QLineEdit* namedField(const QString& name, const std::string& text, QWidget* parent) {
    auto* edit = new QLineEdit(fromUtf8(text), parent);
    edit->setObjectName(name);
    edit->setAccessibleName(name);
    return edit;
}

// A pair of options, exclusive as children of one widget, Tab reaching it once and the arrows
// choosing within it.
QWidget* optionPair(QRadioButton* first, QRadioButton* second, QWidget* parent) {
    auto* pair = new QWidget(parent);
    auto* row = new QHBoxLayout(pair);
    row->setContentsMargins(0, 0, 0, 0);
    for (QRadioButton* option : {first, second}) {
        option->setParent(pair);
        option->setObjectName(option->text());
        row->addWidget(option);
        // Tab reaches the pair on its chosen option only; the arrow keys choose within it.
        const auto tabStop = [option](bool chosen) {
            option->setFocusPolicy(chosen ? Qt::StrongFocus : Qt::ClickFocus);
        };
        tabStop(option->isChecked());
        QObject::connect(option, &QRadioButton::toggled, option, tabStop);
    }
    row->addStretch(1);
    return pair;
}

}  // namespace

BatchDialog::BatchDialog(const commands::BatchForm& initial, Begin begin, QWidget* parent)
    : QDialog(parent),
      begin_(std::move(begin)),
      range_(new QLabel(this)),
      problem_(new QLabel(this)),
      column_(new QVBoxLayout(this)) {
    setObjectName(QStringLiteral("批次"));
    setWindowTitle(QStringLiteral("新批次"));
    setAccessibleName(QStringLiteral("新批次"));

    name_ = namedField(QStringLiteral("名称"), initial.name, this);
    name_->setPlaceholderText(QStringLiteral("客户或订单"));
    b4_ = namedField(QStringLiteral("版本或客户号"), initial.b4Text, this);
    first_ = namedField(QStringLiteral("起始号码"), initial.firstText, this);
    count_ = namedField(QStringLiteral("张数"), initial.countText, this);
    tenDigit_ = new QRadioButton(QStringLiteral("十位号"));
    eightDigit_ = new QRadioButton(QStringLiteral("八位号"));
    (initial.notation == card::Notation::WG34 ? tenDigit_ : eightDigit_)->setChecked(true);
    t5577_ = new QRadioButton(QStringLiteral("T5577"));
    em4305_ = new QRadioButton(QStringLiteral("EM4305"));
    (initial.chip == reader::TagChip::T5577 ? t5577_ : em4305_)->setChecked(true);
    lock_ = new QCheckBox(QStringLiteral("保护号"), this);
    lock_->setObjectName(QStringLiteral("保护号"));
    lock_->setChecked(initial.lock);
    lock_->setToolTip(QStringLiteral("写入后锁定：以后不能再改写这些卡"));

    auto* form = new QFormLayout;
    form_ = form;
    form->addRow(QStringLiteral("名称"), name_);
    form->addRow(QStringLiteral("号码格式"), optionPair(tenDigit_, eightDigit_, this));
    form->addRow(QStringLiteral("版本或客户号"), b4_);
    form->addRow(QStringLiteral("起始号码"), first_);
    form->addRow(QStringLiteral("张数"), count_);
    form->addRow(QStringLiteral("卡片"), optionPair(t5577_, em4305_, this));
    form->addRow(QString(), lock_);

    range_->setObjectName(QStringLiteral("batchRange"));
    range_->setWordWrap(true);
    problem_->setObjectName(QStringLiteral("batchProblem"));
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #b00020"));
    problem_->hide();

    auto* buttons = new QDialogButtonBox(this);
    beginButton_ = buttons->addButton(QStringLiteral("开始"), QDialogButtonBox::AcceptRole);
    beginButton_->setObjectName(QStringLiteral("开始"));
    beginButton_->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("取消"));
    connect(beginButton_, &QPushButton::clicked, this, &BatchDialog::beginPressed);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    column_->addLayout(form);
    column_->addWidget(range_);
    column_->addWidget(problem_);
    column_->addWidget(buttons);

    for (QLineEdit* edit : {name_, b4_, first_, count_}) {
        connect(edit, &QLineEdit::textChanged, this, &BatchDialog::showRange);
    }
    for (QRadioButton* option : {t5577_, em4305_}) {
        connect(option, &QRadioButton::toggled, this, &BatchDialog::showRange);
    }
    connect(lock_, &QCheckBox::toggled, this, &BatchDialog::showRange);
    connect(tenDigit_, &QRadioButton::toggled, this, [this](bool tenDigit) {
        changeNotation(tenDigit ? card::Notation::WG26 : card::Notation::WG34);
    });
    // Tab goes down the form as it is laid out; each pair of options is one stop.
    QWidget* previous = name_;
    for (QWidget* next :
         std::initializer_list<QWidget*>{tenDigit_, eightDigit_, b4_, first_, count_, t5577_,
                                         em4305_, lock_, beginButton_, cancel}) {
        QWidget::setTabOrder(previous, next);
        previous = next;
    }
    showRange();
    name_->setFocus();
}

commands::BatchForm BatchDialog::form() const {
    commands::BatchForm form;
    form.name = name_->text().toStdString();
    form.b4Text = b4_->text().toStdString();
    form.firstText = first_->text().toStdString();
    form.countText = count_->text().toStdString();
    form.notation = tenDigit_->isChecked() ? card::Notation::WG34 : card::Notation::WG26;
    form.chip = em4305_->isChecked() ? reader::TagChip::EM4305 : reader::TagChip::T5577;
    form.lock = lock_->isChecked();
    return form;
}

void BatchDialog::changeNotation(card::Notation from) {
    // The number typed stays the same number: it is shown again in the other notation.
    commands::BatchForm before = form();
    before.notation = from;
    before.name = "-";
    before.countText = "1";
    if (const auto order = commands::orderFrom(before)) {
        first_->setText(fromUtf8(card::notationText(order->first, form().notation)));
    }
    showRange();
}

void BatchDialog::showRange() {
    problem_->hide();
    // The name is not the range's: a range is shown before the name is typed.
    commands::BatchForm asked = form();
    if (asked.name.find_first_not_of(" \t") == std::string::npos) {
        asked.name = "-";
    }
    const auto order = commands::orderFrom(asked);
    if (!order) {
        range_->setText(fromUtf8(words::formErrorText(order.error())));
        return;
    }
    const auto batch = commands::Batch::create(*order);
    if (!batch) {
        range_->setText(fromUtf8(words::refusalText(batch.error())));
        return;
    }
    const card::Notation notation = order->notation;
    range_->setText(
        QStringLiteral("将写 %1 张：%2 至 %3%4")
            .arg(order->count)
            .arg(fromUtf8(card::notationText(batch->number(0), notation)),
                 fromUtf8(card::notationText(batch->number(order->count - 1), notation)),
                 order->lock ? QStringLiteral("，写后锁定") : QString()));
}

void BatchDialog::offerEarlier(const QStringList& names, Open open) {
    if (names.isEmpty()) {
        return;
    }
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("以往批次"), this);
    auto* earlier = new QComboBox(this);
    earlier->setObjectName(QStringLiteral("以往批次"));
    earlier->setAccessibleName(QStringLiteral("以往批次"));
    // Sized by a name's usual length, not by measuring every name: years of batches are many.
    earlier->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    earlier->setMinimumContentsLength(16);
    earlier->addItems(names);
    label->setBuddy(earlier);
    auto* openButton = new QPushButton(QStringLiteral("打开"), this);
    openButton->setObjectName(QStringLiteral("打开批次"));
    openButton->setAccessibleName(QStringLiteral("打开批次"));
    openButton->setToolTip(QStringLiteral("打开已写过的批次：核对、导出或打印它的清单"));
    openButton->setAutoDefault(false);
    row->addWidget(label);
    row->addWidget(earlier, 1);
    row->addWidget(openButton);
    column_->insertLayout(0, row);
    connect(openButton, &QPushButton::clicked, this, [this, earlier, open = std::move(open)] {
        if (const auto trouble = open(earlier->currentText().toStdString())) {
            problem_->setText(fromUtf8(*trouble));
            problem_->show();
            return;
        }
        accept();
    });
}

void BatchDialog::offerSharing(const StationSettings& settings, Join join) {
    database_ = namedField(QStringLiteral("共享数据库"), settings.database, this);
    database_->setPlaceholderText(QStringLiteral("不填：本机单独写卡"));
    database_->setToolTip(
        QStringLiteral("几台电脑一起写一个批次时，填同一个数据库地址，如 "
                       "postgresql://zeld@服务器/zeld（不含密码）"));
    database_->setAccessibleDescription(database_->toolTip());
    station_ = namedField(QStringLiteral("站名"), settings.station, this);
    station_->setToolTip(QStringLiteral("本机在共享批次中的名字，各台电脑不同"));
    station_->setAccessibleDescription(station_->toolTip());
    auto* joinButton = new QPushButton(QStringLiteral("加入共享批次"), this);
    joinButton->setObjectName(QStringLiteral("加入共享批次"));
    joinButton->setAccessibleName(QStringLiteral("加入共享批次"));
    joinButton->setToolTip(QStringLiteral("不开新批次：加入别的电脑正在写的共享批次"));
    joinButton->setAccessibleDescription(joinButton->toolTip());
    joinButton->setAutoDefault(false);
    const auto showJoin = [this, joinButton] {
        joinButton->setEnabled(!database_->text().trimmed().isEmpty());
    };
    showJoin();
    connect(database_, &QLineEdit::textChanged, this, showJoin);
    auto* stationRow = new QHBoxLayout;
    stationRow->addWidget(station_, 1);
    stationRow->addWidget(joinButton);
    form_->addRow(QStringLiteral("共享数据库"), database_);
    form_->addRow(QStringLiteral("站名"), stationRow);
    QWidget::setTabOrder(lock_, database_);
    QWidget::setTabOrder(database_, station_);
    QWidget::setTabOrder(station_, joinButton);
    QWidget::setTabOrder(joinButton, beginButton_);
    connect(joinButton, &QPushButton::clicked, this, [this, join = std::move(join)] {
        if (station_->text().trimmed().isEmpty()) {
            problem_->setText(QStringLiteral("请填写站名：共享批次中各台电脑的名字不同"));
            problem_->show();
            return;
        }
        if (const auto fault = store::stationNameFault(sharing().station)) {
            problem_->setText(fromUtf8(words::stationNameFaultText(*fault)));
            problem_->show();
            return;
        }
        accept();
        join(sharing());
    });
}

StationSettings BatchDialog::sharing() const {
    if (database_ == nullptr) {
        return {};
    }
    return StationSettings{database_->text().trimmed().toStdString(),
                           station_->text().trimmed().toStdString()};
}

void BatchDialog::beginPressed() {
    if (database_ != nullptr && !database_->text().trimmed().isEmpty() &&
        station_->text().trimmed().isEmpty()) {
        problem_->setText(QStringLiteral("请填写站名：共享批次中各台电脑的名字不同"));
        problem_->show();
        return;
    }
    if (const auto fault = store::stationNameFault(sharing().station);
        fault && database_ != nullptr && !database_->text().trimmed().isEmpty()) {
        problem_->setText(fromUtf8(words::stationNameFaultText(*fault)));
        problem_->show();
        return;
    }
    if (const auto trouble = begin_(form(), sharing())) {
        problem_->setText(fromUtf8(*trouble));
        problem_->show();
        return;
    }
    accept();
}

}  // namespace ui
