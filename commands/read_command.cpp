#include "commands/read_command.h"

#include "commands/field_texts.h"
#include "reader/command_session.h"

namespace commands {

namespace {

ReadOutcome readCard(Panel& panel, reader::ReaderSource& source) {
    auto acquired = source.acquire();
    if (!acquired) {
        return ReadOutcome{
            ReadOutcome::Result::ReaderUnavailable, reader::kSuccess, {}, acquired.error(), {}};
    }
    reader::CommandSession session(**acquired);
    const auto reply = session.readTag();

    ReadOutcome outcome;
    outcome.status = reply.status;
    outcome.result = reply.number ? ReadOutcome::Result::Read : ReadOutcome::Result::NoTag;
    outcome.tag = reply.number.value_or(card::TagNumber{});  // all zero unless a tag was read
    const auto& n = outcome.tag.number;
    showCardNumber(panel, card::decodeTagNumber(outcome.tag.b4, n.b3, n.b2, n.b1, n.b0));

    if (reply.number) {
        // The beep's own status tells nothing the user can act on.
        static_cast<void>(session.beep());
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
