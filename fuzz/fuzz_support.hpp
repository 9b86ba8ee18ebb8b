#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Shared by the fuzz targets: the readers take file paths, so each input is
// written to a scratch file of this process first.
namespace zeltric::fuzz {

// A path in a private scratch folder (removed at exit); `name` tells the
// files of one target apart.
std::string scratchPath(const std::string& name);
void writeScratch(const std::string& path, const std::uint8_t* data, std::size_t size);

// A broken property: print it and abort, which the fuzzer reports as a crash.
[[noreturn]] void propertyFailed(const char* what);

}  // namespace zeltric::fuzz

#define FUZZ_CHECK(expr) ((expr) ? static_cast<void>(0) : ::zeltric::fuzz::propertyFailed(#expr))

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
