#include "sim_reader.h"

#include "card/number_text.h"
#include "killed.h"
#include "reader/emulated_status.h"
#include "reader/protocol.h"
#include "reader/reader_fault.h"

#include <span>

namespace sim {

namespace {

reader::Status statusOf(reader::EmulatedStatus status) {
    return static_cast<reader::Status>(status);
}

}  // namespace

void SimReader::before(ReaderPlan::Call call) const {
    if (plan_.killAt == call && !plan_.killAfterEffect) {
        throw Killed{};
    }
}

void SimReader::after(ReaderPlan::Call call) {
    if (plan_.killAt == call && plan_.killAfterEffect) {
        throw Killed{};
    }
}

reader::Status SimReader::MF_Getsnr(reader::ShortBuffer& shortBuffer,
                                    reader::LongBuffer& longBuffer) {
    const auto call = wrote_ ? ReaderPlan::Call::ReadBack : ReaderPlan::Call::Read;
    before(call);
    if (wrote_ && plan_.swapBeforeReadBack && !swapped_) {
        swapped_ = true;
        swap_();
    }
    reader::Status status = statusOf(reader::EmulatedStatus::NoTag);
    if (const auto id = field_.onReader(reader_)) {
        const Tag& tag = field_.tag(*id);
        if (tag.number) {
            reader::putReplyNumber(card::tagNumberFromValue(*tag.number),
                                   std::span(shortBuffer.bytes).first<reader::kReplyShortBytes>(),
                                   std::span(longBuffer.bytes).first<reader::kReplyLongBytes>());
            status = reader::kSuccess;
        } else {
            status = statusOf(reader::EmulatedStatus::NoValidFrame);
        }
    }
    after(call);
    return status;
}

reader::Status SimReader::MF_Write(reader::ShortBuffer& writeBlock,
                                   reader::LongBuffer& /*longBuffer*/) {
    before(ReaderPlan::Call::Write);
    const auto asked =
        reader::readWriteBlock(std::span(writeBlock.bytes).first<reader::kWriteBlockSize>());
    const auto id = field_.onReader(reader_);
    reader::Status status = reader::kSuccess;
    bool takes = id.has_value() && !field_.tag(*id).foreign;
    if (!id) {
        status = statusOf(reader::EmulatedStatus::NoTag);
    } else if (field_.tag(*id).foreign) {
        status = statusOf(reader::EmulatedStatus::ReadOnlyTag);
    }
    using Write = ReaderPlan::Write;
    if (plan_.write == Write::Refused || plan_.write == Write::TookNothing) {
        takes = false;
    }
    if (plan_.write == Write::Refused || plan_.write == Write::RefusedButWrote) {
        status = statusOf(reader::EmulatedStatus::TargetLocked);
    }
    if (takes) {
        field_.write(*id, card::numberValue(asked.number));
    }
    wrote_ = true;
    after(ReaderPlan::Call::Write);
    if (plan_.write == Write::ThrowsAfter) {
        throw reader::ReaderFault({"MF_Write", "simulated"});
    }
    return status;
}

reader::Status SimReader::ControlBuzzer(reader::ControlCode code,
                                        reader::LongBuffer& /*longBuffer*/) {
    const bool beep = code == reader::ControlCode::Beep;
    const bool announce =
        code == reader::ControlCode::SelectT5577 || code == reader::ControlCode::SelectEM4305;
    const auto call = beep ? ReaderPlan::Call::Beep : ReaderPlan::Call::Announce;
    if (beep || announce) {
        before(call);
    }
    reader::Status status = reader::kSuccess;
    if (code == reader::ControlCode::Beep) {
        ++beeps_;
    } else if ((code == reader::ControlCode::LockT5577 ||
                code == reader::ControlCode::LockEM4305) &&
               plan_.lockRefused) {
        status = statusOf(reader::EmulatedStatus::TargetLocked);
    }
    if (beep || announce) {
        after(call);
    }
    return status;
}

}  // namespace sim
