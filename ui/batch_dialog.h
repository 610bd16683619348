#pragma once

#include "commands/batch_form.h"
#include "ui/range_check_run.h"
#include "ui/station_settings.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace ui {

// 批次: asks for a new batch's 名称, 起始号码, 张数, chip, notation and 保护号, shows the range it
// would write as it is typed, and what is wrong beside the field it is wrong in. On 开始 it checks
// the range against the journal beside the window's thread (with its progress, 取消 stopping it),
// then hands the form and what the check found to whoever begins batches.
class BatchDialog final : public QDialog {
    Q_OBJECT

public:
    // Begins the batch the form asks for, the range check's findings at hand: why not (UTF-8),
    // shown in the dialog, which stays open; nothing once it has begun, and the dialog closes.
    // `sharing`: the shared database the batch is made in, and this station's name; a batch of
    // this station alone when its URL is empty.
    using Begin = std::function<std::optional<std::string>(
        const commands::BatchForm&, const StationSettings& sharing, const commands::RangeCheck&)>;

    BatchDialog(const commands::BatchForm& initial, RangeCheckRun::Check check, Begin begin,
                QWidget* parent = nullptr);

    [[nodiscard]] commands::BatchForm form() const;

    // Offers the batches written before (newest first) to be opened again, for their bag check
    // and hand-over: `open` brings the one named into the window, or says why not.
    using Open = std::function<std::optional<std::string>(const std::string& name)>;
    void offerEarlier(const QStringList& names, Open open);
    // Offers the unfinished batches (the most recently opened first) to go on with, beside the
    // form for a new one: `goOn` brings the one named into the window, or says why not.
    void offerUnfinished(const QStringList& names, Open goOn);
    // Shows 共享数据库 and this station's name, as the settings hold them, to be changed, and
    // 加入共享批次, which closes the dialog and hands them to `join`.
    using Join = std::function<void(const StationSettings& sharing)>;
    void offerSharing(const StationSettings& settings, Join join);
    [[nodiscard]] StationSettings sharing() const;

    void reject() override;

private:
    // The range the form asks for, or what is wrong with it beside its field; the batch when
    // the form makes one.
    std::optional<commands::Batch> showRange();
    void showFieldProblem(QLineEdit* field, const QString& problem);
    void changeNotation(card::Notation from);
    void beginPressed();
    void checkEnded();
    void showChecking(bool checking);

    RangeCheckRun::Check check_;
    Begin begin_;
    bool beginPressedOnce_ = false;  // from then on an empty 名称 is said to be wrong
    RangeCheckRun* checking_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* b4_ = nullptr;
    QLineEdit* first_ = nullptr;
    QLineEdit* count_ = nullptr;
    QRadioButton* tenDigit_ = nullptr;
    QRadioButton* eightDigit_ = nullptr;
    QRadioButton* t5577_ = nullptr;
    QRadioButton* em4305_ = nullptr;
    QCheckBox* lock_ = nullptr;
    QLabel* range_ = nullptr;
    QLabel* problem_ = nullptr;  // what is wrong that is no one field's
    QPushButton* beginButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QVBoxLayout* column_ = nullptr;
    QFormLayout* form_ = nullptr;
    QLineEdit* database_ = nullptr;
    QLineEdit* station_ = nullptr;
};

}  // namespace ui
