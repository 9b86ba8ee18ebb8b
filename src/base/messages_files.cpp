#include "base/messages_files.hpp"

namespace zeltric::base {

std::string fileFailureMessage(const std::string& verb, const std::string& what, const std::string& path,
                               const std::string& reason) {
    return "Cannot " + verb + " the " + what + " \"" + path + "\": " + reason + ".";
}

namespace {

std::string whatItIs(platform::FileType type) {
    switch (type) {
        case platform::FileType::Folder: return "a folder";
        case platform::FileType::Device: return "a device";
        case platform::FileType::Pipe:
        case platform::FileType::Socket: return "a pipe or a socket";
        case platform::FileType::Link: return "a symbolic link";
        default: return "a special file";
    }
}

}  // namespace

std::string notAFileMessage(const std::string& what, const std::string& path, platform::FileType type) {
    const std::string start =
        "Cannot read the " + what + " \"" + path + "\": it is " + whatItIs(type) + ", not a file";
    // A pipe blocks until written to and cannot be read twice, as the data file is.
    if (type == platform::FileType::Pipe || type == platform::FileType::Socket)
        return start + "; save the data to a file first.";
    return start + ".";
}

std::string convertedNameTakenMessage(const std::string& path, platform::FileType type) {
    return "The file \"" + path + "\" is " + whatItIs(type) +
           ", not a file; it was not replaced and nothing was converted. Move it away to convert again.";
}

std::string recordTooLargeMessage(const std::string& path, std::uint64_t limitBytes) {
    return "Cannot read the run record \"" + path + "\": it holds more than " +
           std::to_string(limitBytes / (1024 * 1024)) + " MiB, far more than a run record; nothing was run.";
}

}  // namespace zeltric::base
