#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "platform/platform.hpp"
#include "randomisation/random_generator.hpp"

namespace zeltric::randomisation {

// The seed file: two decimal integers, seed1 first, separated by white space;
// anything after the second number is ignored.
//
// Reading a number skips characters of code 32 or below (blanks, line ends)
// and takes the next run of other characters. A run that does not begin with
// an optionally signed digit counts as 0, as does a missing number or one
// beyond the signed 32-bit range; characters attached after the digits are
// ignored. A missing, unreadable or empty file reads as (0, 0). A UTF-8
// byte-order mark at the start is skipped.
std::pair<std::int32_t, std::int32_t> readSeedFile(const std::string& fileName);

// Whether seeds read from the file can start the generator: neither is a
// multiple of its modulus (0 included), which would hold that component at 0.
bool seedsUsable(std::int32_t seed1, std::int32_t seed2);

// The file a seed file name stands for: a symbolic link is followed to its
// target (which need not exist yet), so saving replaces the target.
std::string resolveSeedFileName(const std::string& fileName);

// Replaces the file (the target of a link) with one line: seed1, `separator`, seed2, CR LF. The new
// content goes to a temporary file in the same folder that is then renamed
// over the old one, so a failure leaves the old file as it was; a file with
// several names (hard links) is rewritten in place instead, so that every
// name holds the new seeds (callers hold the file's lock). A file without
// write permission is left alone. False when nothing was written.
bool writeSeedFile(const std::string& fileName, std::int32_t seed1, std::int32_t seed2,
                   const std::string& separator);

// Takes `lock` on the seed file `target` (a name resolveSeedFileName gave)
// by its identity, so that every name of it (hard links) shares one lock;
// `waiting` is called before a wait. While no file has that name, the lock
// file `target`.lock stands in (a missing file has no other name), so the
// seed file is only ever created under it. Returns the name that could not
// be locked (the run carries on without), empty when the lock is held.
std::string lockSeedFile(platform::FileLock& lock, const std::string& target,
                         const std::function<void()>& waiting);

// Exit command: writes the current seeds with three blanks between them, so
// the next program run continues the stream. False when nothing was written.
bool saveSeeds(const RandomGenerator& generator, const std::string& fileName);

}  // namespace zeltric::randomisation
