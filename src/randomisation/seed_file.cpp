#include "randomisation/seed_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/number_field.hpp"
#include "randomisation/integer_entry.hpp"

namespace zeltric::randomisation {

namespace {

bool isBlank(int c) { return c <= 32; }

// One number of the seed file; reading stops after the run it came from.
// `c` holds the character read last (EOF at the end or on a read error).
std::int32_t readNumber(std::FILE* in, int& c) {
    while (c != EOF && isBlank(c)) c = std::getc(in);
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = std::getc(in);
    }
    // A value beyond 32 bits is as unusable as text: it reads as 0, which
    // sends the program start to the seed prompt instead of a wrapped seed.
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t magnitude = 0;
    bool digits = false;
    bool tooLarge = false;
    for (; c >= '0' && c <= '9'; c = std::getc(in)) {
        digits = true;
        if (!tooLarge) magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) tooLarge = true;
    }
    while (c != EOF && !isBlank(c)) c = std::getc(in);
    if (!digits || tooLarge) return 0;
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

bool writeAll(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::pair<std::int32_t, std::int32_t> readSeedFile(const std::string& fileName) {
    // Only a regular file is read: a folder or a pipe of that name reads as
    // an unreadable file would, without blocking the program start.
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {0, 0};
    std::FILE* in = std::fopen(fileName.c_str(), "rb");
    if (in == nullptr) return {0, 0};
    int c = std::getc(in);
    const std::int32_t first = readNumber(in, c);
    const std::int32_t second = readNumber(in, c);
    std::fclose(in);
    return {first, second};
}

bool writeSeedFile(const std::string& fileName, std::int32_t seed1, std::int32_t seed2,
                   const std::string& separator) {
    // Renaming would replace even a file the user made read-only; respect it.
    struct stat old {};
    const bool exists = ::stat(fileName.c_str(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || (old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
                   ::access(fileName.c_str(), W_OK) != 0))
        return false;

    std::string content = data::integerField(seed1) + separator + data::integerField(seed2);
    data::endLine(content);

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = fileName + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    bool ok = writeAll(fd, content);
    if (ok && exists) ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    if (ok) ok = ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (ok) ok = std::rename(temporary.c_str(), fileName.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

bool saveSeeds(const RandomGenerator& generator, const std::string& fileName) {
    return writeSeedFile(fileName, generator.seed1, generator.seed2, "   ");
}

}  // namespace zeltric::randomisation
