#pragma once

#include <cstdio>
#include <cstdlib>

// Stops the fuzz run when an invariant fails, so libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(condition)                                                                 \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__,        \
                         #condition);                                                         \
            std::abort();                                                                     \
        }                                                                                     \
    } while (false)
