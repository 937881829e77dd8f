// What every fuzz target shares: a broken promise ends the run at once,
// so that libFuzzer keeps the input that broke it.
#pragma once

#include <cstdlib>

inline void zbx_fuzz_check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}
