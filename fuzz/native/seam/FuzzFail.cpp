// A broken invariant under libFuzzer: abort, and libFuzzer keeps the input.
#include "FuzzInput.h"

#include <cstdio>
#include <cstdlib>

[[noreturn]] void QvFuzz::Fail(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}
