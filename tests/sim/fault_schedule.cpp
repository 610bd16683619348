#include "fault_schedule.h"

#include <array>

namespace sim {

namespace {

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
            using Call = ReaderPlan::Call;
            constexpr std::array<Call, 5> kCalls{Call::Read, Call::Announce, Call::Write,
                                                 Call::ReadBack, Call::Beep};
            faults.reader.killAt = kCalls.at(random.below(kCalls.size()));
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
