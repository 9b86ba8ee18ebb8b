// File-system queries and writes, the same in every build.
#include "platform/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zeltric::platform {

namespace {

FileStatus statusOf(int result, const struct stat& info) {
    FileStatus status;
    if (result != 0) return status;
    const mode_t mode = info.st_mode;
    status.type = S_ISREG(mode)                    ? FileType::Regular
                  : S_ISDIR(mode)                  ? FileType::Folder
                  : S_ISLNK(mode)                  ? FileType::Link
                  : S_ISFIFO(mode)                 ? FileType::Pipe
                  : S_ISCHR(mode) || S_ISBLK(mode) ? FileType::Device
                  : S_ISSOCK(mode)                 ? FileType::Socket
                                                   : FileType::Other;
    status.permissions = static_cast<unsigned>(mode & 07777);
    status.links = static_cast<std::uint64_t>(info.st_nlink);
    status.size = S_ISREG(mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
    return status;
}

// Writes all of `text` at the descriptor's position; 0 or the errno.
int writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace

FileStatus fileStatus(const std::string& path) {
    struct stat info {};
    const int result = ::stat(path.c_str(), &info);
    return statusOf(result, info);
}

FileStatus linkStatus(const std::string& path) {
    struct stat info {};
    const int result = ::lstat(path.c_str(), &info);
    return statusOf(result, info);
}

bool mayWrite(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }

int writeFile(const std::string& path, const std::string& text, bool append) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (append ? O_APPEND : O_TRUNC), 0666);
    if (fd < 0) return errno;
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const off_t before = regular && append ? info.st_size : 0;
    int error = writeAll(fd, text);
    if (error != 0 && regular) static_cast<void>(::ftruncate(fd, before));
    if (::close(fd) != 0 && error == 0) {
        error = errno;
        if (regular) static_cast<void>(::truncate(path.c_str(), before));
    }
    return error;
}

int rewriteInPlace(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return errno;
    struct stat info {};
    int error = ::fstat(fd, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : EINVAL;
    // The new text first, then the old tail cut: a shorter text never leaves
    // a number of the old one behind it.
    if (error == 0) error = writeAll(fd, text);
    if (error == 0 && ::ftruncate(fd, static_cast<off_t>(text.size())) != 0) error = errno;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

bool isTerminal(int descriptor) { return ::isatty(descriptor) != 0; }

}  // namespace zeltric::platform
