#pragma once

#include "reader/emulated_status.h"

// The emulated library answers with the status table it publishes to the program.
namespace emulator {

using Status = reader::EmulatedStatus;
using reader::describe;
using reader::toInt;

}  // namespace emulator
