// SHA-256 in the browser build: the worker loads a kept library (js-sha256)
// beside the module, since libcrypto is not built for WebAssembly.
#include <emscripten.h>

#include <cstdlib>
#include <memory>

#include "platform/sha256.hpp"

namespace {

// The bodies are JavaScript, not for the C++ formatter.
// clang-format off
// The digest of the bytes at `data` (hex, malloc'ed), or 0 when the library
// is missing.
EM_JS(char*, digestBytes, (const unsigned char* data, int size), {
    if (typeof sha256 === 'undefined') return 0;
    const hex = sha256.hex(HEAPU8.subarray(data, data + size));
    const out = _malloc(hex.length + 1);
    stringToUTF8(hex, out, hex.length + 1);
    return out;
});

// The digest of a file of the in-memory file system, or 0 when it cannot be
// read.
EM_JS(char*, digestFile, (const char* path), {
    if (typeof sha256 === 'undefined') return 0;
    let bytes;
    try {
        bytes = FS.readFile(UTF8ToString(path));
    } catch (e) {
        return 0;
    }
    const hex = sha256.hex(bytes);
    const out = _malloc(hex.length + 1);
    stringToUTF8(hex, out, hex.length + 1);
    return out;
});
// clang-format on

std::optional<std::string> taken(char* hex) {
    if (hex == nullptr) return std::nullopt;
    const std::unique_ptr<char, decltype(&std::free)> owner(hex, &std::free);
    return std::string(hex);
}

}  // namespace

namespace zeltric::platform {

std::optional<std::string> fileSha256(const std::string& path) { return taken(digestFile(path.c_str())); }

std::string sha256Hex(const std::string& bytes) {
    const auto hex =
        taken(digestBytes(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size())));
    return hex.value_or(std::string());
}

}  // namespace zeltric::platform
