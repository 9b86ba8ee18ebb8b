#include "base/csv_text.hpp"

#include <charconv>

#include "base/fatal_error.hpp"

namespace zeltric::base {

namespace {

template <typename T>
std::string shortest(T value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    ZELTRIC_ASSERT(result.ec == std::errc());
    return std::string(text, result.ptr);
}

}  // namespace

std::string shortestDecimal(double value) { return shortest(value); }
std::string shortestDecimal(float value) { return shortest(value); }

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace zeltric::base
