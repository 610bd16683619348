#pragma once

#include "reader/reader_source.h"
#include "reader/reader_types.h"

#include <string>

// What the window says about the reader, in its own language (Simplified Chinese), as UTF-8.
namespace words {

// The indicator beside the status line: only what is known, that is whether the reader library
// is loaded and whether it is the emulated one. Nothing is said of the device itself.
[[nodiscard]] std::string readerInUseText(const reader::ReaderInUse& inUse);
// The same in full, with the library's path: the indicator's tooltip.
[[nodiscard]] std::string readerInUseDetail(const reader::ReaderInUse& inUse);

// Why a reader call failed, to follow the verdict ("未写卡"): the cause in words where the
// library in use is known to mean it, the emulated reader's status codes ("：只读卡（状态 7）"),
// else the status alone ("（状态 7）").
[[nodiscard]] std::string failureDetail(reader::Status status, const reader::ReaderInUse& inUse);

}  // namespace words
