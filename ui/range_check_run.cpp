#include "ui/range_check_run.h"

#include <utility>

namespace ui {

RangeCheckRun::RangeCheckRun(const commands::Batch& batch, Check check, QObject* parent)
    : QObject(parent) {
    // Told on this object's thread, once the check's thread is done with the result; a check
    // cancelled, or this object gone, tells nothing.
    connect(this, &RangeCheckRun::checkedAll, this, &RangeCheckRun::finished, Qt::QueuedConnection);
    thread_ = std::thread([this, batch, check = std::move(check)] {
        result_ = check(batch, [this](std::uint64_t checked) {
            checked_.store(checked);
            return !cancelled_.load();
        });
        if (!cancelled_.load()) {
            Q_EMIT checkedAll();
        }
    });
}

RangeCheckRun::~RangeCheckRun() {
    cancel();
    thread_.join();
}

}  // namespace ui
