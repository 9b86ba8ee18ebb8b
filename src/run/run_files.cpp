#include "run/run_files.hpp"

namespace zeltric::run {

std::vector<FileRole> goStepFiles(const std::string& dataFile, const std::string& labelFile,
                                  const std::string& seedFile, const std::string& base, bool selection) {
    std::vector<FileRole> roles = {
        {"data file", dataFile, false}, {"label file", labelFile, false}, {"seed file", seedFile, false}};
    for (const char* extension : kOutputExtensions) roles.push_back({"output file", base + extension, true});
    if (selection) roles.push_back({"filtered data file", base + ".dat", true});
    return roles;
}

void refuseUnsafeFileRoles(const std::vector<FileRole>& roles) {
    refuseSharedFiles(roles);
    for (const FileRole& role : roles)
        if (role.output) refuseUnsafeOutput(role);
}

}  // namespace zeltric::run
