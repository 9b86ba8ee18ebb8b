#pragma once

#include <stdexcept>
#include <string>

namespace zeltric::data {

// Raised for every fatal input error (capacity, genotype, matrix dimension and
// every input the project refuses). It carries the exact message text; the
// front end shows it in an error box and ends the program with exit code 1.
class FatalError : public std::runtime_error {
public:
    explicit FatalError(const std::string& message) : std::runtime_error(message) {}
};

// Always-on check of an internal invariant (not of user input).
[[noreturn]] void invariantFailed(const char* expression, const char* file, int line);

}  // namespace zeltric::data

#define ZELTRIC_ASSERT(expr) \
    ((expr) ? static_cast<void>(0) : ::zeltric::data::invariantFailed(#expr, __FILE__, __LINE__))
