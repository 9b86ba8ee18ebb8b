#include "ui/system_info.hpp"

#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <cstdio>

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
    utsname names{};
    if (uname(&names) == 0) {
        int major = 0;
        int minor = 0;
        if (std::sscanf(names.release, "%d.%d", &major, &minor) >= 1) {
            version.major = major;
            version.minor = minor;
        }
    }
    return version;
}

std::uint64_t totalPhysicalMemory() {
    struct sysinfo info {};
    if (sysinfo(&info) != 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(info.totalram) * static_cast<std::uint64_t>(info.mem_unit);
}

}  // namespace zeltric::ui
