// Writing through a temporary file, the same in every build: only the
// creation of the temporary differs between platforms.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/platform.hpp"

namespace zeltric::platform {

namespace {

int writeAll(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace

FileFailure writeTemporaryBeside(const std::string& target, const std::string& content, std::string& temporaryPath,
                                 const TemporaryFileOptions& options) {
    removeStaleTemporaries(target);
    const int fd = createTemporaryBeside(target, temporaryPath);
    if (fd < 0) return {FileFailure::Step::Create, errno};
    int error = writeAll(fd, content);
    if (error == 0 && options.mode >= 0 && ::fchmod(fd, static_cast<mode_t>(options.mode)) != 0) error = errno;
    if (error == 0 && options.sync && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0) return {};
    ::unlink(temporaryPath.c_str());
    return {FileFailure::Step::Write, error};
}

FileFailure replaceFileAtomically(const std::string& target, const std::string& content,
                                  const TemporaryFileOptions& options) {
    std::string temporary;
    const FileFailure written = writeTemporaryBeside(target, content, temporary, options);
    if (written) return written;
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return {FileFailure::Step::Rename, error};
    }
    return {};
}

}  // namespace zeltric::platform
