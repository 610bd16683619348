#include "commands/read_command.h"

#include "commands/field_texts.h"

namespace commands {

namespace {

ReadOutcome readCard(Panel& panel, reader::ReaderSource& source) {
    auto acquired = source.acquire();
    if (!acquired) {
        return ReadOutcome{
            ReadOutcome::Result::ReaderUnavailable, reader::kSuccess, {}, acquired.error(), {}};
    }
    reader::Reader& device = **acquired;

    reader::ShortBuffer shortBuffer;
    reader::LongBuffer longBuffer;
    const reader::Status status = device.MF_Getsnr(shortBuffer, longBuffer);

    ReadOutcome outcome;
    outcome.status = status;
    card::CardNumber number;  // all zero unless a tag was read
    if (status == reader::kSuccess) {
        // Only B4 in the short buffer and B3..B0 at the head of the long buffer are the reply;
        // whatever else the library left in either buffer is ignored.
        const auto& replyB4 = shortBuffer.bytes;
        const auto& replyNumber = longBuffer.bytes;
        outcome.result = ReadOutcome::Result::Read;
        outcome.tag = card::TagNumber{replyB4[reader::kReplyB4Index],
                                      card::NumberBytes{replyNumber[reader::kReplyB3Index],
                                                        replyNumber[reader::kReplyB3Index + 1],
                                                        replyNumber[reader::kReplyB3Index + 2],
                                                        replyNumber[reader::kReplyB3Index + 3]}};
        number = card::decodeTagNumber(outcome.tag.b4, outcome.tag.number.b3, outcome.tag.number.b2,
                                       outcome.tag.number.b1, outcome.tag.number.b0);
    } else {
        outcome.result = ReadOutcome::Result::NoTag;
    }

    showCardNumber(panel, number);

    if (status == reader::kSuccess) {
        // The beep's own status tells nothing the user can act on.
        static_cast<void>(device.ControlBuzzer(reader::ControlCode::Beep, longBuffer));
    }
    return outcome;
}

}  // namespace

ReadOutcome cmdIDRead_Click(Panel& panel, reader::ReaderSource& source) {
    try {
        return readCard(panel, source);
    } catch (const reader::ReaderFault& fault) {
        ReadOutcome outcome;
        outcome.result = ReadOutcome::Result::ReaderFault;
        outcome.fault = fault.fault();
        return outcome;
    }
}

}  // namespace commands
