#include "randomisation/seed_file.hpp"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>

#include "base/decimal.hpp"
#include "base/number_field.hpp"
#include "platform/files.hpp"
#include "platform/platform.hpp"
#include "randomisation/integer_entry.hpp"

namespace zeltric::randomisation {

namespace {

bool isBlank(int c) { return c <= 32; }

// One number of the seed file; reading stops after the run it came from.
// `c` holds the character read last (EOF at the end or on a read error).
std::int32_t readNumber(std::FILE* in, int& c) {
    while (c != EOF && isBlank(c)) c = std::getc(in);
    std::string number;
    if (c == '+' || c == '-') {
        number += static_cast<char>(c);
        c = std::getc(in);
    }
    for (; c >= '0' && c <= '9'; c = std::getc(in)) number += static_cast<char>(c);
    while (c != EOF && !isBlank(c)) c = std::getc(in);
    // A value beyond 32 bits is as unusable as text: it reads as 0, which
    // sends the program start to the seed prompt instead of a wrapped seed.
    const auto value = base::decimalValue(number);
    if (!value || *value < std::numeric_limits<std::int32_t>::min() ||
        *value > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(*value);
}

}  // namespace

std::pair<std::int32_t, std::int32_t> readSeedFile(const std::string& fileName) {
    // Only a regular file is read: a folder or a pipe of that name reads as
    // an unreadable file would, without blocking the program start.
    if (platform::fileStatus(fileName).type != platform::FileType::Regular) return {0, 0};
    std::FILE* in = std::fopen(fileName.c_str(), "rb");
    if (in == nullptr) return {0, 0};
    int c = std::getc(in);
    // An editor's UTF-8 byte-order mark is not part of the first seed.
    if (c == 0xEF) {
        const int second = std::getc(in);
        const int third = std::getc(in);
        if (second == 0xBB && third == 0xBF) {
            c = std::getc(in);
        } else {
            std::rewind(in);
            c = std::getc(in);
        }
    }
    const std::int32_t first = readNumber(in, c);
    const std::int32_t second = readNumber(in, c);
    std::fclose(in);
    return {first, second};
}

bool seedsUsable(std::int32_t seed1, std::int32_t seed2) {
    // A multiple of its modulus holds a generator component at 0 for good.
    return seed1 % (kSeed1Max + 1) != 0 && seed2 % (kSeed2Max + 1) != 0;
}

std::string resolveSeedFileName(const std::string& fileName) {
    // Saving replaces the file by renaming; through a link that would replace
    // the link itself and leave the old seeds in its target.
    std::string path = fileName;
    for (int depth = 0; depth < 40; ++depth) {
        if (platform::linkStatus(path).type != platform::FileType::Link) return path;
        std::error_code ec;
        const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
        if (ec) return path;
        path =
            target.is_absolute() ? target.string() : (std::filesystem::path(path).parent_path() / target).string();
    }
    return path;
}

bool writeSeedFile(const std::string& fileName, std::int32_t seed1, std::int32_t seed2,
                   const std::string& separator) {
    const std::string target = resolveSeedFileName(fileName);
    // Renaming would replace even a file the user made read-only; respect it.
    const platform::FileStatus old = platform::fileStatus(target);
    const bool exists = old.type != platform::FileType::Missing;
    if (exists &&
        (old.type != platform::FileType::Regular || (old.permissions & 0222) == 0 || !platform::mayWrite(target)))
        return false;

    std::string content = base::integerField(seed1) + separator + base::integerField(seed2);
    base::endLine(content);

    // A file of several names (hard links) keeps its identity: a rename would
    // leave the other names holding the old seeds, and the next run through
    // one of them would repeat this stream.
    if (exists && old.links > 1) return platform::rewriteInPlace(target, content) == 0;
    platform::TemporaryFileOptions options;
    if (exists) options.mode = static_cast<int>(old.permissions);
    options.sync = true;
    return !platform::replaceFileAtomically(target, content, options);
}

std::string lockSeedFile(platform::FileLock& lock, const std::string& target,
                         const std::function<void()>& waiting) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const platform::FileLock::State state = lock.acquireIdentity(target, waiting);
        if (state == platform::FileLock::State::Held) return {};
        if (state == platform::FileLock::State::Unsupported) return target;
        if (lock.acquire(target + ".lock", waiting) != platform::FileLock::State::Held) return target + ".lock";
        if (platform::fileStatus(target).type == platform::FileType::Missing) return {};
        lock.release();  // created meanwhile: lock it by its identity
    }
    return target;
}

bool saveSeeds(const RandomGenerator& generator, const std::string& fileName) {
    return writeSeedFile(fileName, generator.seed1, generator.seed2, "   ");
}

}  // namespace zeltric::randomisation
