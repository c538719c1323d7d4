#pragma once
// The checks of the Windows test programs: a line for each failed check,
// and "N passed, N failed" at the end (what the test runners read).
#include <cstdio>
#include <string>

namespace check_tally {

inline int passed = 0;
inline int failed = 0;

inline void check(bool ok, const std::string& what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAIL %s\n", what.c_str());
    }
}

}  // namespace check_tally

using check_tally::check;
using check_tally::failed;
using check_tally::passed;
