#pragma once

#include <string>

namespace zeltric::base {

// File writes that report every failure with a message naming the file
// (base::FatalError), so nothing is reported as done that was not written.
void createEmptyFile(const std::string& path);
void appendToFile(const std::string& path, const std::string& text);
// Writes a temporary file beside `path`, then renames it over `path`.
void replaceFileAtomically(const std::string& path, const std::string& text);

// Whether two paths name the same file (also through links or "..").
bool sameFile(const std::string& a, const std::string& b);

}  // namespace zeltric::base
