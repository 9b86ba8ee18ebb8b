#include "run/file_roles.hpp"

#include <sys/stat.h>

#include "base/fatal_error.hpp"
#include "base/output_file.hpp"

namespace zeltric::run {

namespace {

std::string advice(const FileRole& later) {
    if (later.role == "plot file") return "choose another name for the plot.";
    // A figure's name is chosen: renaming the data file would not help.
    if (later.role == "figure file") return "choose another name for the figure; nothing was written.";
    if (!later.output) return "give each its own file; nothing was read or written.";
    return "rename the data file so that its name without the extension differs from its other files.";
}

}  // namespace

void refuseSharedFiles(const std::vector<FileRole>& roles) {
    for (std::size_t b = 0; b < roles.size(); ++b)
        for (std::size_t a = 0; a < b; ++a) {
            const FileRole& first = roles[a];
            const FileRole& later = roles[b];
            if (first.path.empty() || later.path.empty() || !base::sameFile(first.path, later.path)) continue;
            if (!later.output)
                throw base::FatalError("The " + later.role + " \"" + later.path + "\" and the " + first.role +
                                       " \"" + first.path + "\" are the same file; " + advice(later));
            // Outputs of one run differ by extension; only a chosen name can meet another.
            const std::string what =
                first.output ? first.role + " \"" + first.path + "\" of this run" : first.role;
            throw base::FatalError("The " + later.role + " \"" + later.path + "\" would replace the " + what +
                                   "; " + advice(later));
        }
}

void refuseUnsafeOutput(const FileRole& output) {
    struct stat info {};
    if (::lstat(output.path.c_str(), &info) != 0) return;
    if (S_ISLNK(info.st_mode))
        throw base::FatalError("The " + output.role + " \"" + output.path +
                               "\" is a symbolic link; results are never written through a link. Remove "
                               "the link or move the data file; nothing was written.");
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        throw base::FatalError("The " + output.role + " \"" + output.path +
                               "\" exists and is not a regular file (a pipe, a device or a socket); "
                               "nothing was written.");
}

}  // namespace zeltric::run
