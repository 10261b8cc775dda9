#pragma once
// What a fuzz target checks after each input: a check that does not hold
// ends the process, which libFuzzer reports as a finding.

#include <cstdio>
#include <cstdlib>

inline void FuzzCheck(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}
