#include "run/file_roles.hpp"

#include "base/fatal_error.hpp"
#include "base/messages_run.hpp"
#include "base/output_file.hpp"
#include "platform/files.hpp"

namespace zeltric::run {

namespace {

std::string advice(const FileRole& later) {
    if (later.role == "plot file") return base::choosePlotNameAdvice();
    // A figure's name is chosen: renaming the data file would not help.
    if (later.role == "figure file") return base::chooseFigureNameAdvice();
    if (!later.output) return base::ownFileAdvice();
    return base::renameDataFileAdvice();
}

}  // namespace

void refuseSharedFiles(const std::vector<FileRole>& roles) {
    for (std::size_t b = 0; b < roles.size(); ++b)
        for (std::size_t a = 0; a < b; ++a) {
            const FileRole& first = roles[a];
            const FileRole& later = roles[b];
            if (first.path.empty() || later.path.empty() || !base::sameFile(first.path, later.path)) continue;
            if (!later.output)
                throw base::FatalError(
                    base::sameFileMessage(later.role, later.path, first.role, first.path, advice(later)));
            // Outputs of one run differ by extension; only a chosen name can meet another.
            const std::string what =
                first.output ? first.role + " \"" + first.path + "\" of this run" : first.role;
            throw base::FatalError(base::wouldReplaceMessage(later.role, later.path, what, advice(later)));
        }
}

void refuseUnsafeOutput(const FileRole& output) {
    const platform::FileType type = platform::linkStatus(output.path).type;
    if (type == platform::FileType::Missing) return;
    if (type == platform::FileType::Link)
        throw base::FatalError(base::outputIsLinkMessage(output.role, output.path));
    if (type != platform::FileType::Regular && type != platform::FileType::Folder)
        throw base::FatalError(base::outputNotRegularMessage(output.role, output.path));
}

}  // namespace zeltric::run
