#pragma once

#include "reader/reader_types.h"

namespace reader {

// The three reader operations as the commands use them, each with its fixed arguments bound.
// ReaderLibrary implements it over the loaded library; tests drive the commands through fakes.
// A call that fails in a way its status cannot say throws ReaderFault (reader/reader_fault.h).
class Reader {
public:
    virtual ~Reader() = default;

    // MF_Getsnr(0, 0, short, long). On success the reply layout is filled.
    virtual Status MF_Getsnr(ShortBuffer& shortBuffer, LongBuffer& longBuffer) = 0;
    // MF_Write(0, 1, 1, short holding the WriteBlock, long).
    virtual Status MF_Write(ShortBuffer& writeBlock, LongBuffer& longBuffer) = 0;
    // ControlBuzzer(code, 1, long).
    virtual Status ControlBuzzer(ControlCode code, LongBuffer& longBuffer) = 0;

protected:
    Reader() = default;
    Reader(const Reader&) = default;
    Reader(Reader&&) = default;
    Reader& operator=(const Reader&) = default;
    Reader& operator=(Reader&&) = default;
};

}  // namespace reader
