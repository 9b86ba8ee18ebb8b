#pragma once

#include <string>
#include <vector>

namespace zeltric::run {

// A file a run reads or writes, with the role it is known by in messages.
struct FileRole {
    std::string role;  // "data file", "seed file", "output file", "plot file", ...
    std::string path;
    bool output = false;  // written by the run
};

// Refuses (base::FatalError naming both roles) when two of `roles` name the
// same file, compared by identity (also through links or ".."). Roles with an
// empty path are skipped.
void refuseSharedFiles(const std::vector<FileRole>& roles);

// Refuses an output name that is a symbolic link (the run never writes
// through one) or an existing file that is not a regular file (a pipe would
// block, a device never holds results).
void refuseUnsafeOutput(const FileRole& output);

}  // namespace zeltric::run
