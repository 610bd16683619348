// The two commands over a panel holding any texts and options and a reader giving any answers:
// a few presses in a row, each checked only for what holds whatever the reader says, so the
// harness follows the commands as they grow.
#include "check.h"
#include "commands/outcome_text.h"
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "fuzzed_reader.h"
#include "support/fake_panel.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using card::Field;
constexpr Field kFields[] = {Field::B4, Field::B3B0, Field::B2, Field::B1B0};

void setUpPanel(FuzzedDataProvider& in, testing_support::FakePanel& panel) {
    for (const Field field : kFields) {
        if (in.ConsumeBool()) {
            panel.texts[field] = in.ConsumeRandomLengthString(24);
        }
    }
    panel.wg34 = in.ConsumeBool();
    panel.em4305 = in.ConsumeBool();
    panel.add1 = in.ConsumeBool();
    panel.lock = in.ConsumeBool();
}

void pressRead(testing_support::FakePanel& panel, fuzzing::FuzzedSource& source) {
    const auto outcome = commands::cmdIDRead_Click(panel, source);
    using Result = commands::ReadOutcome::Result;
    if (outcome.result == Result::Read) {
        const auto& n = outcome.tag.number;
        const auto values = card::decodeTagNumber(outcome.tag.b4, n.b3, n.b2, n.b1, n.b0);
        FUZZ_CHECK(panel.texts.at(Field::B3B0) == card::formatPadded(values.B3B0, 10));
        FUZZ_CHECK(panel.texts.at(Field::B1B0) == card::formatPadded(values.B1B0, 5));
    } else if (outcome.result == Result::NoTag) {
        FUZZ_CHECK(outcome.status != reader::kSuccess);
        FUZZ_CHECK(panel.texts.at(Field::B3B0) == "0000000000");
    } else if (outcome.result == Result::ReaderFault) {
        FUZZ_CHECK(outcome.fault.has_value());
    }
    FUZZ_CHECK(!commands::describeRead(outcome).empty());
}

void pressWrite(testing_support::FakePanel& panel, fuzzing::FuzzedSource& source) {
    const int writesBefore = source.device.writeCalls;
    const auto outcome = commands::cmdIDWrite_Click(panel, source);
    using Result = commands::WriteOutcome::Result;
    const bool wrote = source.device.writeCalls > writesBefore;
    switch (outcome.result) {
        case Result::OutOfRange:
        case Result::ReaderUnavailable:
        case Result::Declined:
            FUZZ_CHECK(!wrote && !outcome.advanced());
            break;
        case Result::NotReadBack:
        case Result::WrongReadBack:
            // Taken by the reader, but the tag does not send the number: nothing moves on.
            FUZZ_CHECK(wrote && outcome.writeStatus == reader::kSuccess && !outcome.advanced());
            break;
        case Result::NotWritten:
            FUZZ_CHECK(wrote && outcome.writeStatus != reader::kSuccess && !outcome.advanced());
            break;
        case Result::Written:
        case Result::WrittenNotLocked:
            FUZZ_CHECK(wrote && outcome.writeStatus == reader::kSuccess);
            FUZZ_CHECK(outcome.advanced() == outcome.advanceRequested);
            break;
        case Result::ReaderFault:
            FUZZ_CHECK(outcome.fault.has_value());
            break;
    }
    FUZZ_CHECK(!commands::describeWrite(outcome).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    testing_support::FakePanel panel;
    fuzzing::FuzzedSource source(in);
    for (int press = 0; press < 8 && in.remaining_bytes() > 0; ++press) {
        setUpPanel(in, panel);
        if (in.ConsumeBool()) {
            pressRead(panel, source);
        } else {
            pressWrite(panel, source);
        }
    }
    return 0;
}
