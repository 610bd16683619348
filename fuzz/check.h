#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

// Stops the fuzz run when an invariant fails, so libFuzzer keeps the input that broke it.
[[noreturn]] inline void invariantFailed(const char* file, int line, const char* condition) {
    static_cast<void>(std::fprintf(stderr, "%s:%d: invariant failed: %s\n", file, line, condition));
    std::abort();
}

}  // namespace fuzzing

#define FUZZ_CHECK(condition)           \
    ((condition) ? static_cast<void>(0) \
                 : ::fuzzing::invariantFailed(__FILE__, __LINE__, #condition))
