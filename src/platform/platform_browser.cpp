// The platform services in the browser build. A run owns its folder of the
// worker's in-memory file system alone, on one thread: there is nobody to
// lock against, no processor to choose, no stale temporary of another
// process, and no interrupt signal (the worker's Cancel message takes its
// place).
#include <fcntl.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/platform.hpp"

namespace zeltric::platform {

FileLock::~FileLock() { release(); }

FileLock::State FileLock::acquire(const std::string&, const std::function<void()>&) { return State::Unsupported; }
FileLock::State FileLock::acquireIdentity(const std::string&, const std::function<void()>&) {
    return State::Unsupported;
}

void FileLock::release() { fd_ = -1; }

int usableProcessorCount() { return 1; }

int createTemporaryBeside(const std::string& target, std::string& temporaryPath) {
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        temporaryPath = (folder / (".zeltric-1-" + std::to_string(counter++) + ".tmp")).string();
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

void removeStaleTemporaries(const std::string&) {}

void installInterruptHandler() {}
void setInterruptDeferred(bool) {}
bool interruptRequested() { return false; }
void endByInterrupt() { std::abort(); }

// The page shows no about box and starts no Qt.
KernelVersion kernelVersion() { return {}; }
std::uint64_t totalPhysicalMemory() { return 0; }
long levelTwoCacheBytes() { return 0; }
std::string privateRuntimeFolder() { return {}; }

}  // namespace zeltric::platform
