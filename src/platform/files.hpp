#pragma once

// What the program asks of the file system beyond the standard library: what
// kind of file a name stands for, and writes that report their errno. The
// same code serves every build (the browser's file system answers these
// calls too).

#include <cstdint>
#include <string>

namespace zeltric::platform {

enum class FileType { Missing, Regular, Folder, Link, Pipe, Device, Socket, Other };

struct FileStatus {
    FileType type = FileType::Missing;
    unsigned permissions = 0;  // the permission bits (07777)
    std::uint64_t links = 0;   // how many names the file has (hard links)
    std::uint64_t size = 0;    // bytes, for a regular file
};

// The file `path` names, its links followed.
FileStatus fileStatus(const std::string& path);
// The name itself: a symbolic link is reported as FileType::Link.
FileStatus linkStatus(const std::string& path);
// Whether this process may write the file (its permissions for our user).
bool mayWrite(const std::string& path);

// Writes all of `text` to `path`, never through a symbolic link: created
// when missing, emptied first unless `append`. An append that fails part-way
// is cut back to the old end, so a file never holds a half-written section
// that looks whole. Returns 0, or the errno of the step that failed.
int writeFile(const std::string& path, const std::string& text, bool append);

// Rewrites the existing regular file `path` in place with `text` (its
// identity, and so every other name of it, kept), flushed to the disk.
// Returns 0, or the errno of the step that failed.
int rewriteInPlace(const std::string& path, const std::string& text);

// Whether standard input (0) or standard error (2) is a terminal.
bool isTerminal(int descriptor);

}  // namespace zeltric::platform
