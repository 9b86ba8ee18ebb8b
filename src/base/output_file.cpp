#include "base/output_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/fatal_error.hpp"
#include "base/messages_files.hpp"
#include "platform/files.hpp"
#include "platform/platform.hpp"

namespace zeltric::base {

namespace {

[[noreturn]] void fail(const std::string& verb, const std::string& path, int error) {
    throw FatalError(fileFailureMessage(verb, "file", path, std::strerror(error)));
}

void writeWith(const std::string& path, bool append, const std::string& text, const std::string& verb) {
    // Never through a link: an output name that is a link must not change the link's target.
    const int error = platform::writeFile(path, text, append);
    if (error != 0) fail(verb, path, error);
}

}  // namespace

void createEmptyFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) fail("create", path, EISDIR);
    writeWith(path, false, {}, "create");
}

void appendToFile(const std::string& path, const std::string& text) { writeWith(path, true, text, "write"); }

void replaceFileAtomically(const std::string& path, const std::string& text) {
    const platform::FileFailure failure = platform::replaceFileAtomically(path, text);
    if (failure)
        fail(failure.step == platform::FileFailure::Step::Rename ? "replace" : "write", path, failure.error);
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

}  // namespace zeltric::base
