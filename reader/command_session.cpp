#include "reader/command_session.h"

#include "reader/protocol.h"

#include <algorithm>
#include <span>

namespace reader {

namespace {

std::span<std::uint8_t, kReplyShortBytes> replyShortPart(ShortBuffer& buffer) noexcept {
    return std::span(buffer.bytes).first<kReplyShortBytes>();
}
std::span<std::uint8_t, kReplyLongBytes> replyLongPart(LongBuffer& buffer) noexcept {
    return std::span(buffer.bytes).first<kReplyLongBytes>();
}

}  // namespace

CommandSession::TagReply CommandSession::readTag() {
    // The short buffer may still hold a WriteBlock; the rest of the long buffer travels on.
    shortBuffer_.bytes.fill(0);
    std::ranges::fill(replyLongPart(longBuffer_), std::uint8_t{0});
    TagReply reply;
    reply.status = device_.MF_Getsnr(shortBuffer_, longBuffer_);
    if (reply.status == kSuccess) {
        reply.number = replyNumber(replyShortPart(shortBuffer_), replyLongPart(longBuffer_));
    }
    return reply;
}

Status CommandSession::announceChip(TagChip chip) {
    return device_.ControlBuzzer(selectCode(chip), longBuffer_);
}

Status CommandSession::write(TagChip chip, const card::CardNumber& number) {
    shortBuffer_.bytes.fill(0);
    putWriteBlock(chip, number, std::span(shortBuffer_.bytes).first<kWriteBlockSize>());
    return device_.MF_Write(shortBuffer_, longBuffer_);
}

Status CommandSession::lock(TagChip chip) {
    return device_.ControlBuzzer(lockCode(chip), longBuffer_);
}

Status CommandSession::beep() {
    return device_.ControlBuzzer(ControlCode::Beep, longBuffer_);
}

}  // namespace reader
