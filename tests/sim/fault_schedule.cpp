#include "fault_schedule.h"

namespace sim {

namespace {

// The library calls of a write: the read before it, the chip's announcement, MF_Write, the
// read-back and the beep (a lock, when asked, before the beep).
constexpr std::uint64_t kCallsOfAWrite = 5;
constexpr std::uint64_t kLongestLine = 160;

}  // namespace

StepFaults drawStep(const FaultKinds& kinds, Mode mode, const FaultRates& rates,
                    SimRandom& random) {
    StepFaults faults;
    if (random.chance(rates.foreign)) {
        faults.lay = Lay::Foreign;
    } else if (random.chance(rates.putBack)) {
        faults.lay = Lay::PutBack;
    }
    faults.carelessYes = random.chance(rates.careless);
    if (kinds.contains(FaultKind::Kill) && random.chance(rates.kill)) {
        if (random.chance(500)) {
            faults.reader.killAtCall = random.below(kCallsOfAWrite);
            faults.reader.killAfterEffect = random.chance(500);
        } else {
            faults.killInAppend = random.below(kLongestLine);
        }
    }
    if (kinds.contains(FaultKind::Disk) && random.chance(rates.disk)) {
        faults.diskFullAppends = 1 + random.below(3);
        faults.tornBytes = random.below(kLongestLine);
    }
    if (kinds.contains(FaultKind::Lies) && random.chance(rates.lies)) {
        using Write = ReaderPlan::Write;
        constexpr std::array<Write, 4> kLies{Write::Refused, Write::RefusedButWrote,
                                             Write::TookNothing, Write::ThrowsAfter};
        faults.reader.write = kLies.at(random.below(kLies.size()));
    }
    if (kinds.contains(FaultKind::Swap) && random.chance(rates.swap)) {
        faults.reader.swapBeforeReadBack = true;
    }
    if (kinds.contains(FaultKind::Views) && mode == Mode::Plain && random.chance(rates.views)) {
        faults.viewTwin = true;
    }
    return faults;
}

}  // namespace sim
