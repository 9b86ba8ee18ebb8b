#pragma once

#include <optional>
#include <string>

namespace zeltric::platform {

// SHA-256 of a file's bytes as 64 lower-case hexadecimal digits, or nothing
// when the file cannot be read. Each build supplies one implementation
// (sha256_openssl.cpp on the desktop), so the digest comes from a well-kept
// library rather than our own code.
std::optional<std::string> fileSha256(const std::string& path);

// SHA-256 of `bytes`, in the same form.
std::string sha256Hex(const std::string& bytes);

}  // namespace zeltric::platform
