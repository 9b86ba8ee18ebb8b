#include "fuzz_support.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace zeltric::fuzz {

namespace {

namespace fs = std::filesystem;

void removeFolder();

const fs::path& folder() {
    static const fs::path path = [] {
        std::error_code ec;
        // Memory-backed when available: the targets write one file per input.
        const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path made = base / ("zeltric-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(made, ec);
        std::atexit(removeFolder);
        return made;
    }();
    return path;
}

void removeFolder() {
    std::error_code ignored;
    fs::remove_all(folder(), ignored);
}

}  // namespace

std::string scratchPath(const std::string& name) { return (folder() / name).string(); }

void writeScratch(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) propertyFailed("the scratch file can be created");
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) propertyFailed("the scratch file can be written");
}

void propertyFailed(const char* what) {
    std::fprintf(stderr, "fuzz property broken: %s\n", what);
    std::abort();
}

}  // namespace zeltric::fuzz
