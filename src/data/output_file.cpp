#include "data/output_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "data/fatal_error.hpp"

namespace zeltric::data {

namespace {

[[noreturn]] void fail(const std::string& verb, const std::string& path, int error) {
    throw FatalError("Cannot " + verb + " the file \"" + path + "\": " + std::strerror(error) + ".");
}

void writeWith(const std::string& path, const char* mode, const std::string& text, const std::string& verb) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (file == nullptr) fail(verb, path, errno);
    const std::size_t written = text.empty() ? 0 : std::fwrite(text.data(), 1, text.size(), file);
    const int writeError = written != text.size() ? errno : 0;
    const int flushFailed = std::fflush(file);
    const int flushError = errno;
    const int closeFailed = std::fclose(file);
    if (writeError != 0 || written != text.size()) fail("write", path, writeError != 0 ? writeError : EIO);
    if (flushFailed != 0 || closeFailed != 0) fail("write", path, flushError != 0 ? flushError : EIO);
}

}  // namespace

void createEmptyFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) fail("create", path, EISDIR);
    writeWith(path, "wb", {}, "create");
}

void appendToFile(const std::string& path, const std::string& text) { writeWith(path, "ab", text, "write"); }

void replaceFileAtomically(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp~";
    try {
        writeWith(temporary, "wb", text, "write");
    } catch (...) {
        std::remove(temporary.c_str());
        throw;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        std::remove(temporary.c_str());
        fail("replace", path, error);
    }
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    const auto ca = std::filesystem::weakly_canonical(a, ec);
    if (ec) return a == b;
    const auto cb = std::filesystem::weakly_canonical(b, ec);
    if (ec) return a == b;
    return ca == cb;
}

}  // namespace zeltric::data
