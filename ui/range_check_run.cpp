#include "ui/range_check_run.h"

#include <utility>

namespace ui {

RangeCheckRun::RangeCheckRun(const commands::Batch& batch, Check check, QObject* parent)
    : QObject(parent) {
    thread_ = std::thread([this, batch, check = std::move(check)] {
        commands::RangeCheck result = check(batch, [this](std::uint64_t checked) {
            checked_.store(checked);
            return !cancelled_.load();
        });
        if (cancelled_.load()) {
            return;
        }
        // Handed over on the window's thread; dropped there if this object is gone by then.
        QMetaObject::invokeMethod(
            this,
            [this, result = std::move(result)]() mutable {
                result_ = std::move(result);
                Q_EMIT finished();
            },
            Qt::QueuedConnection);
    });
}

RangeCheckRun::~RangeCheckRun() {
    cancel();
    thread_.join();
}

}  // namespace ui
