#pragma once

#include "card/card_number.h"
#include "reader/reader.h"
#include "reader/reader_types.h"

#include <optional>

namespace reader {

// One command's conversation with the reader, in the commands' own terms: a tag's number, a
// chip, a status. It owns the command's two scratch buffers, zero-filled when it starts and
// dropped with it; the long buffer travels unchanged from each call to the next, as the library
// expects. Calls that throw (ReaderFault) pass through.
class CommandSession {
public:
    explicit CommandSession(Reader& device) noexcept : device_(device) {}

    // What MF_Getsnr answered: its status and, on success, the tag's number.
    struct TagReply {
        Status status = kSuccess;
        std::optional<card::CardNumber> number;  // when status is kSuccess
    };
    // MF_Getsnr. The reply bytes are cleared first, so that nothing an earlier call of the
    // command left there can pass for the tag's answer.
    [[nodiscard]] TagReply readTag();
    // ControlBuzzer 4 or 5: tells the reader which chip the next write is for.
    Status announceChip(TagChip chip);
    // MF_Write with the WriteBlock for this chip and number.
    Status write(TagChip chip, const card::CardNumber& number);
    // ControlBuzzer 6 or 7: locks what the write wrote.
    Status lock(TagChip chip);
    // ControlBuzzer 1: one beep.
    Status beep();

private:
    Reader& device_;
    ShortBuffer shortBuffer_;
    LongBuffer longBuffer_;
};

}  // namespace reader
