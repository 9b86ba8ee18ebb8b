// What a broken invariant does in the programs: say where and stop at once.
// Kept apart so that a front end living in another process's house (the R
// package, whose session must outlive any run) links its own instead.
#include <cstdio>
#include <cstdlib>

#include "base/fatal_error.hpp"

namespace zeltric::base {

void invariantFailed(const char* expression, const char* file, int line) {
    std::fprintf(stderr, "zeltric: internal error: %s failed at %s:%d\n", expression, file, line);
    std::abort();
}

}  // namespace zeltric::base
