#pragma once

#include <cstdint>
#include <string>

#include "platform/files.hpp"

namespace zeltric::base {

// Refusals about a file as a whole: it cannot be opened, read or written, or
// it is no regular file. Each names the file and its role.

// "Cannot <verb> the <what> "<path>": <reason>." (verb: open, read, create,
// write, replace; what: "data file", "file", ...; reason: the system's
// words, or why the path is no file, without the final full stop).
std::string fileFailureMessage(const std::string& verb, const std::string& what, const std::string& path,
                               const std::string& reason);

// Refusals of a name that stands for something other than a regular file
// (`type` is never Regular or Missing): a file to read (`what` names its
// role: "data file", "run record", ...), and a converted file's name taken.
std::string notAFileMessage(const std::string& what, const std::string& path, platform::FileType type);
std::string convertedNameTakenMessage(const std::string& path, platform::FileType type);
// A run record larger than any record a run writes (`limitBytes`).
std::string recordTooLargeMessage(const std::string& path, std::uint64_t limitBytes);

}  // namespace zeltric::base
