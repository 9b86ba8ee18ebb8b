// A broken invariant inside R: an R error naming where it failed, never the
// end of the user's session (the programs abort: base/invariant.cpp).
#include <stdexcept>
#include <string>

#include "base/fatal_error.hpp"

namespace zeltric::base {

void invariantFailed(const char* expression, const char* file, int line) {
    throw std::logic_error(std::string(expression) + " failed at " + file + ":" + std::to_string(line));
}

}  // namespace zeltric::base
