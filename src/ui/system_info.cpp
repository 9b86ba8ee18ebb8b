#include "ui/system_info.hpp"

#include "platform/platform.hpp"

namespace zeltric::ui {

std::string formatOsLine(const OsVersion& version) {
    return version.name + ' ' + std::to_string(version.major) + '.' + std::to_string(version.minor);
}

std::string groupThousands(std::uint64_t value, const std::string& separator) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    const std::size_t lead = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    grouped += digits.substr(0, lead);
    for (std::size_t i = lead; i < digits.size(); i += 3) {
        grouped += separator;
        grouped += digits.substr(i, 3);
    }
    return grouped;
}

std::string formatMemoryLine(std::uint64_t totalBytes, const std::string& separator) {
    return groupThousands(totalBytes / 1024u, separator) + " KB";
}

OsVersion currentOsVersion() {
    OsVersion version;
    const platform::KernelVersion kernel = platform::kernelVersion();
    version.major = kernel.major;
    version.minor = kernel.minor;
    return version;
}

std::uint64_t totalPhysicalMemory() { return platform::totalPhysicalMemory(); }

}  // namespace zeltric::ui
