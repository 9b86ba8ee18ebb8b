#pragma once

#include <stdexcept>
#include <string>

#include "base/messages.hpp"

namespace zeltric::base {

// Raised for every fatal input error (capacity, genotype, matrix dimension and
// every input the project refuses). It carries the exact message text; the
// front end shows it in an error box and ends the program with exit code 1.
class FatalError : public std::runtime_error {
public:
    // A refusal of input, its text naming the file and what was wrong.
    explicit FatalError(const std::string& message, int individual = 0)
        : FatalError(MessageId::Refusal, message, individual) {}
    // `message` is the text of `code`'s builder in base/messages.hpp.
    FatalError(MessageId code, const std::string& message, int individual = 0)
        : std::runtime_error(message), code_(code), individual_(individual) {}
    MessageId code() const { return code_; }
    // The genotype line (1-based position among the analysed file's genotype
    // lines) the error was met at, when the message itself cannot say; 0 otherwise.
    int individual() const { return individual_; }

private:
    MessageId code_;
    int individual_ = 0;
};

// Always-on check of an internal invariant (not of user input). The
// programs print where it failed and abort (base/invariant.cpp); the R
// package raises an R error instead.
[[noreturn]] void invariantFailed(const char* expression, const char* file, int line);

}  // namespace zeltric::base

#define ZELTRIC_ASSERT(expr) \
    ((expr) ? static_cast<void>(0) : ::zeltric::base::invariantFailed(#expr, __FILE__, __LINE__))
