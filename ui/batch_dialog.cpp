#include "ui/batch_dialog.h"

#include "card/number_text.h"
#include "commands/batch.h"
#include "store/station_identity.h"
#include "words/batch_text.h"
#include "words/station_text.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

namespace ui {

namespace {

constexpr int kProgressSteps = 1000;

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

QLineEdit* namedField(const QString& name, const std::string& text, QWidget* parent) {
    auto* edit = new QLineEdit(fromUtf8(text), parent);
    edit->setObjectName(name);
    edit->setAccessibleName(name);
    // Wide enough for the longest number and a name, whatever is shown beside it.
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) * 2);
    return edit;
}

// The label saying what is wrong with a field: its name followed by 提示.
QString problemName(const QLineEdit* field) {
    return field->objectName() + QStringLiteral("提示");
}

// A field with the place beneath it where what is wrong with it is said, in red, on one line
// (Chinese broken anywhere reads badly); the place takes no room while nothing is wrong.
QWidget* fieldCell(QLineEdit* field, QWidget* parent) {
    auto* cell = new QWidget(parent);
    auto* column = new QVBoxLayout(cell);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    field->setParent(cell);
    column->addWidget(field);
    auto* problem = new QLabel(cell);
    problem->setObjectName(problemName(field));
    problem->setStyleSheet(QStringLiteral("color: #b00020"));
    problem->setWordWrap(false);
    problem->hide();
    column->addWidget(problem);
    return cell;
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

BatchDialog::BatchDialog(const commands::BatchForm& initial, RangeCheckRun::Check check,
                         Begin begin, QWidget* parent)
    : QDialog(parent),
      check_(std::move(check)),
      begin_(std::move(begin)),
      progress_(new QProgressBar(this)),
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
    // Rows never wrap: a label stays beside its field, whole.
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(QStringLiteral("名称"), fieldCell(name_, this));
    form->addRow(QStringLiteral("号码格式"), optionPair(tenDigit_, eightDigit_, this));
    form->addRow(QStringLiteral("版本或客户号"), fieldCell(b4_, this));
    form->addRow(QStringLiteral("起始号码"), fieldCell(first_, this));
    form->addRow(QStringLiteral("张数"), fieldCell(count_, this));
    form->addRow(QStringLiteral("卡片"), optionPair(t5577_, em4305_, this));
    form->addRow(QString(), lock_);

    range_->setObjectName(QStringLiteral("batchRange"));
    range_->setWordWrap(false);
    problem_->setObjectName(QStringLiteral("batchProblem"));
    problem_->setWordWrap(false);
    problem_->setStyleSheet(QStringLiteral("color: #b00020"));
    problem_->hide();
    progress_->setObjectName(QStringLiteral("核对号码"));
    progress_->setAccessibleName(QStringLiteral("核对号码"));
    progress_->setRange(0, kProgressSteps);
    progress_->setFormat(QStringLiteral("正在核对号码：%p%"));
    progress_->hide();

    auto* buttons = new QDialogButtonBox(this);
    beginButton_ = buttons->addButton(QStringLiteral("开始"), QDialogButtonBox::AcceptRole);
    beginButton_->setObjectName(QStringLiteral("开始"));
    beginButton_->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("取消"));
    cancelButton_ = cancel;
    connect(beginButton_, &QPushButton::clicked, this, &BatchDialog::beginPressed);
    connect(buttons, &QDialogButtonBox::rejected, this, &BatchDialog::reject);

    column_->addLayout(form);
    column_->addWidget(range_);
    column_->addWidget(progress_);
    column_->addWidget(problem_);
    column_->addWidget(buttons);
    // The dialog takes the size its content asks for: a problem shown makes it grow, never its
    // fields shrink.
    column_->setSizeConstraint(QLayout::SetFixedSize);

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

void BatchDialog::showFieldProblem(QLineEdit* field, const QString& problem) {
    auto* label = findChild<QLabel*>(problemName(field));
    label->setText(problem);
    label->setVisible(!problem.isEmpty());
    // A screen reader on the field hears what is wrong with it.
    field->setAccessibleDescription(problem);
}

std::optional<commands::Batch> BatchDialog::showRange() {
    problem_->hide();
    for (QLineEdit* field : {name_, b4_, first_, count_}) {
        showFieldProblem(field, {});
    }
    // Before 开始 the name is not the range's: a range is shown before the name is typed.
    commands::BatchForm asked = form();
    if (!beginPressedOnce_ && asked.name.find_first_not_of(" \t") == std::string::npos) {
        asked.name = "-";
    }
    const auto order = commands::orderFrom(asked);
    if (!order) {
        using Kind = commands::BatchFormError::Kind;
        QLineEdit* wrong = count_;
        switch (order.error().kind) {
            case Kind::NoName:
            case Kind::NameOnTwoLines:
            case Kind::SharedBatchName:
                wrong = name_;
                break;
            case Kind::NoFirstNumber:
            case Kind::NoComma:
                wrong = first_;
                break;
            case Kind::FieldOutOfRange:
                wrong = order.error().field == card::Field::B4 ? b4_ : first_;
                break;
            case Kind::CountNotANumber:
                break;
        }
        range_->clear();
        showFieldProblem(wrong, fromUtf8(words::formErrorText(order.error())));
        return std::nullopt;
    }
    auto batch = commands::Batch::create(*order);
    if (!batch) {
        range_->clear();
        showFieldProblem(count_, fromUtf8(words::refusalText(batch.error())));
        return std::nullopt;
    }
    const card::Notation notation = order->notation;
    range_->setText(
        QStringLiteral("将写 %1 张：%2 至 %3%4")
            .arg(order->count)
            .arg(fromUtf8(card::notationText(batch->number(0), notation)),
                 fromUtf8(card::notationText(batch->number(order->count - 1), notation)),
                 order->lock ? QStringLiteral("，写后锁定") : QString()));
    return std::move(*batch);
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

void BatchDialog::offerUnfinished(const QStringList& names, Open goOn) {
    if (names.isEmpty()) {
        return;
    }
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("继续未写完的批次"), this);
    auto* unfinished = new QComboBox(this);
    unfinished->setObjectName(QStringLiteral("继续未写完的批次"));
    unfinished->setAccessibleName(QStringLiteral("继续未写完的批次"));
    unfinished->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    unfinished->setMinimumContentsLength(16);
    unfinished->addItems(names);
    label->setBuddy(unfinished);
    auto* goOnButton = new QPushButton(QStringLiteral("继续"), this);
    goOnButton->setObjectName(QStringLiteral("继续批次"));
    goOnButton->setAccessibleName(QStringLiteral("继续"));
    goOnButton->setToolTip(QStringLiteral("接着写所选的批次，从它下一张没写的号码起"));
    goOnButton->setAutoDefault(false);
    row->addWidget(label);
    row->addWidget(unfinished, 1);
    row->addWidget(goOnButton);
    column_->insertLayout(0, row);
    connect(goOnButton, &QPushButton::clicked, this, [this, unfinished, goOn = std::move(goOn)] {
        if (const auto trouble = goOn(unfinished->currentText().toStdString())) {
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
    // Its words whole, whatever room the field beside it asks for.
    joinButton->setMinimumWidth(joinButton->sizeHint().width() +
                                joinButton->fontMetrics().horizontalAdvance(QStringLiteral("  ")));
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
    if (checking_ != nullptr) {
        return;
    }
    beginPressedOnce_ = true;
    const auto batch = showRange();
    if (!batch) {
        return;  // what is wrong is said beside its field
    }
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
    // Every number of the range against the journal, before the first is written: beside the
    // window's thread, so that the window answers while a long range is checked.
    checking_ = new RangeCheckRun(*batch, check_, this);
    const std::uint64_t count = batch->count();
    auto* progress = new QTimer(checking_);
    connect(progress, &QTimer::timeout, this, [this, count] {
        progress_->setValue(static_cast<int>(checking_->checked() * kProgressSteps / count));
    });
    progress->start(100);
    connect(checking_, &RangeCheckRun::finished, this, &BatchDialog::checkEnded);
    progress_->setValue(0);
    showChecking(true);
}

void BatchDialog::checkEnded() {
    const commands::RangeCheck check = checking_->result();
    checking_->deleteLater();
    checking_ = nullptr;
    showChecking(false);
    if (const auto trouble = begin_(form(), sharing(), check)) {
        problem_->setText(fromUtf8(*trouble));
        problem_->show();
        return;
    }
    accept();
}

void BatchDialog::showChecking(bool checking) {
    // The form stays as it was checked; only 取消 answers, and stops the check.
    for (QWidget* part : findChildren<QWidget*>()) {
        if ((qobject_cast<QLineEdit*>(part) != nullptr ||
             qobject_cast<QAbstractButton*>(part) != nullptr) &&
            part != cancelButton_) {
            part->setEnabled(!checking);
        }
    }
    progress_->setVisible(checking);
    if (checking) {
        problem_->hide();
        cancelButton_->setFocus(Qt::OtherFocusReason);
    } else {
        beginButton_->setFocus(Qt::OtherFocusReason);
    }
}

void BatchDialog::reject() {
    if (checking_ != nullptr) {
        delete checking_;  // cancels the check and waits for it to stop
        checking_ = nullptr;
        showChecking(false);
        problem_->setText(QStringLiteral("已取消核对号码：批次没有开始"));
        problem_->show();
        return;
    }
    QDialog::reject();
}

}  // namespace ui
