#pragma once

#include "platform/environment.h"

// The emulator reads its settings (MF1_EMULATOR_FIELD, MF1_EMULATOR_TIMING) as the whole program
// reads the environment.
namespace emulator {

using platform::environmentPath;
using platform::environmentVariable;

}  // namespace emulator
