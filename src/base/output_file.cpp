#include "base/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/fatal_error.hpp"
#include "base/messages_files.hpp"
#include "platform/platform.hpp"

namespace zeltric::base {

namespace {

[[noreturn]] void fail(const std::string& verb, const std::string& path, int error) {
    throw FatalError(fileFailureMessage(verb, "file", path, std::strerror(error)));
}

// Writes all of `text`; an append that fails part-way is cut back to the
// old end, so a file never holds a half-written section that looks whole.
void writeTo(int fd, const std::string& path, bool append, const std::string& text);

void writeWith(const std::string& path, bool append, const std::string& text, const std::string& verb) {
    // Never through a link: an output name that is a link must not change the link's target.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (append ? O_APPEND : O_TRUNC), 0666);
    if (fd < 0) fail(verb, path, errno);
    writeTo(fd, path, append, text);
}

void writeTo(int fd, const std::string& path, bool append, const std::string& text) {
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const off_t before = regular && append ? info.st_size : 0;
    int error = 0;
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (error != 0 && regular) static_cast<void>(::ftruncate(fd, before));
    if (::close(fd) != 0 && error == 0) {
        error = errno;
        if (regular) static_cast<void>(::truncate(path.c_str(), before));
    }
    if (error != 0) fail("write", path, error);
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
