// A failed check in a fuzz target: print where and abort, so libFuzzer keeps the input as a
// crash and the replay test fails on it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define QX_FUZZ_CHECK(condition)                                                               \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
