#include "base/messages_files.hpp"

namespace zeltric::base {

std::string fileFailureMessage(const std::string& verb, const std::string& what, const std::string& path,
                               const std::string& reason) {
    return "Cannot " + verb + " the " + what + " \"" + path + "\": " + reason + ".";
}

std::string notAFileReason(NotAFile kind) {
    switch (kind) {
        case NotAFile::Folder: return "it is a folder, not a file";
        case NotAFile::Device: return "it is a device, not a file";
        case NotAFile::PipeOrSocket: return "it is a pipe or a socket, not a file; save the data to a file first";
    }
    return {};
}

}  // namespace zeltric::base
