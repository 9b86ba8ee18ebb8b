#pragma once

#include <cstdint>
#include <string>

namespace zeltric::ui {

// What the about box reports of the operating system, in the shape of the
// classic version query: a platform family, version numbers, a build number
// and a service-pack text.
struct OsVersion {
    static constexpr int kConsumerFamily = 1;  // shown as "Windows 95"
    static constexpr int kNtFamily = 2;        // shown as "Windows NT"

    int platformId = 0;  // any other value: the "other family" form
    int major = 0;
    int minor = 0;
    std::uint32_t build = 0;
    std::string servicePack;
    std::string otherName = "Windows";  // name shown for any other family
};

// The OS line: "%s %d.%d (Build %d)", "%s %d.%d (Build %d: %s)" or "%s %d.%d".
// The consumer family shows the low 16 bits of the build number only.
std::string formatOsLine(const OsVersion& version);

// Digits in groups of three joined by `separator`, no decimals.
std::string groupThousands(std::uint64_t value, const std::string& separator);

// The memory line: total bytes divided by 1024 (remainder dropped), grouped,
// then " KB".
std::string formatMemoryLine(std::uint64_t totalBytes, const std::string& separator);

// This machine: on Linux the other-family form named "Linux" with the
// kernel's major and minor version.
OsVersion currentOsVersion();
// Total physical memory in bytes; 0 when the system does not say.
std::uint64_t totalPhysicalMemory();

}  // namespace zeltric::ui
