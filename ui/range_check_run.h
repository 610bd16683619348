#pragma once

#include "commands/batch.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

namespace ui {

// A batch's range check run beside the window's thread: over a long range and a long journal it
// takes minutes, and the window must answer meanwhile (a screen reader asks it). The journal is
// only read meanwhile; nothing writes it while the batch dialog is open.
class RangeCheckRun final : public QObject {
    Q_OBJECT

public:
    // Runs `check` on its own thread at once; `finished` comes on this object's thread.
    using Check = std::function<commands::RangeCheck(const commands::Batch&,
                                                     const commands::CheckProgress& goOn)>;
    RangeCheckRun(const commands::Batch& batch, Check check, QObject* parent = nullptr);
    // Cancels the check and waits for its thread.
    ~RangeCheckRun() override;
    RangeCheckRun(const RangeCheckRun&) = delete;
    RangeCheckRun& operator=(const RangeCheckRun&) = delete;
    RangeCheckRun(RangeCheckRun&&) = delete;
    RangeCheckRun& operator=(RangeCheckRun&&) = delete;

    // How many of the range's numbers are checked so far.
    [[nodiscard]] std::uint64_t checked() const noexcept { return checked_.load(); }
    // The check stops soon; `finished` never comes.
    void cancel() noexcept { cancelled_.store(true); }
    // Once `finished` came.
    [[nodiscard]] const commands::RangeCheck& result() const noexcept { return result_; }

Q_SIGNALS:
    void finished();
    // From the check's thread.
    void checkedAll();

private:
    std::atomic<bool> cancelled_{false};
    std::atomic<std::uint64_t> checked_{0};
    commands::RangeCheck result_;
    std::thread thread_;
};

}  // namespace ui
