#pragma once

#include <string>

namespace zeltric::base {

// Refusals about a file as a whole: it cannot be opened, read or written, or
// it is no regular file. Each names the file and its role.

// "Cannot <verb> the <what> "<path>": <reason>." (verb: open, read, create,
// write, replace; what: "data file", "file", ...; reason: the system's
// words, or why the path is no file, without the final full stop).
std::string fileFailureMessage(const std::string& verb, const std::string& what, const std::string& path,
                               const std::string& reason);

// Why a path that is no regular file cannot be read (for fileFailureMessage).
enum class NotAFile { Folder, Device, PipeOrSocket };
std::string notAFileReason(NotAFile kind);

}  // namespace zeltric::base
