#pragma once

#include <cstdint>
#include <string>

namespace zeltric::ui {

// What the about box reports of the operating system: its name and the
// kernel's major and minor version.
struct OsVersion {
    std::string name = "Linux";
    int major = 0;
    int minor = 0;
};

// The OS line: "%s %d.%d".
std::string formatOsLine(const OsVersion& version);

// Digits in groups of three joined by `separator`, no decimals.
std::string groupThousands(std::uint64_t value, const std::string& separator);

// The memory line: total bytes divided by 1024 (remainder dropped), grouped,
// then " KB".
std::string formatMemoryLine(std::uint64_t totalBytes, const std::string& separator);

// This machine: "Linux" with the kernel's major and minor version.
OsVersion currentOsVersion();
// Total physical memory in bytes; 0 when the system does not say.
std::uint64_t totalPhysicalMemory();

}  // namespace zeltric::ui
