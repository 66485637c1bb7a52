// The failure every fuzz target's own checks end in: a line on standard error that says which
// promise broke, then abort, which libFuzzer reports as a crash and keeps the input of.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace orbi::fuzz {

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

}  // namespace orbi::fuzz
