#pragma once

#include "card/card_number.h"
#include "commands/panel.h"
#include "reader/load_error.h"
#include "reader/reader_fault.h"
#include "reader/reader_source.h"
#include "reader/reader_types.h"

#include <optional>

namespace commands {

struct ReadOutcome {
    enum class Result {
        Read,               // a tag was read; the fields show its number and the reader beeped
        NoTag,              // the reader answered with a non-zero status; the fields show zeros
        ReaderUnavailable,  // the reader library could not be used; nothing was changed
        ReaderFault,        // a library call failed without a status (it threw): see `fault`
    };
    Result result = Result::NoTag;
    reader::Status status = reader::kSuccess;    // MF_Getsnr's status, when it was called
    card::TagNumber tag;                         // the number read, when Result::Read
    std::optional<reader::LoadError> loadError;  // when Result::ReaderUnavailable
    std::optional<reader::CallFault> fault;      // when Result::ReaderFault
};

// The read button: asks the reader for the tag's number and shows it in all four fields, each
// zero-padded to its width; zeros when no tag was read. Beeps once after a successful read.
ReadOutcome cmdIDRead_Click(Panel& panel, reader::ReaderSource& source);

}  // namespace commands
