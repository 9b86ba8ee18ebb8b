#pragma once

#include <stdexcept>
#include <string>

namespace zeltric::data {

// Raised for every fatal input error (capacity, genotype, matrix dimension and
// every input the project refuses). It carries the exact message text; the
// front end shows it in an error box and ends the program with exit code 1.
class FatalError : public std::runtime_error {
public:
    explicit FatalError(const std::string& message, int individual = 0)
        : std::runtime_error(message), individual_(individual) {}
    // The genotype line (1-based position among the analysed file's genotype
    // lines) the error was met at, when the message itself cannot say; 0 otherwise.
    int individual() const { return individual_; }

private:
    int individual_ = 0;
};

// Always-on check of an internal invariant (not of user input).
[[noreturn]] void invariantFailed(const char* expression, const char* file, int line);

}  // namespace zeltric::data

#define ZELTRIC_ASSERT(expr) \
    ((expr) ? static_cast<void>(0) : ::zeltric::data::invariantFailed(#expr, __FILE__, __LINE__))
