#include "platform/platform.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace zeltric::platform {

FileLock::~FileLock() { release(); }

void FileLock::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

FileLock::State FileLock::acquire(const std::string& lockPath, const std::function<void()>& waiting) {
    release();
    // Never through a link: a planted link must not make us create files elsewhere.
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return State::Unsupported;
    int result = ::flock(fd, LOCK_EX | LOCK_NB);
    if (result != 0 && errno == EWOULDBLOCK) {
        if (waiting) waiting();
        do result = ::flock(fd, LOCK_EX);
        while (result != 0 && errno == EINTR);
    }
    if (result != 0) {
        ::close(fd);
        return State::Unsupported;
    }
    fd_ = fd;
    return State::Held;
}

int usableProcessorCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) return count;
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware > 0 ? static_cast<int>(hardware) : 1;
}

namespace {

// Short, so that a target whose name is as long as names can be still gets one.
constexpr const char* kTemporaryPrefix = ".zeltric-";
constexpr const char* kTemporarySuffix = ".tmp";

std::filesystem::path folderOf(const std::string& target) {
    const std::filesystem::path path(target);
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

}  // namespace

int createTemporaryBeside(const std::string& target, std::string& temporaryPath) {
    const std::string prefix = (folderOf(target) / (kTemporaryPrefix + std::to_string(::getpid()) + "-")).string();
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 1000; ++attempt) {
        temporaryPath = prefix + std::to_string(counter++) + kTemporarySuffix;
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

void removeStaleTemporaries(const std::string& target) {
    const std::filesystem::path folder = folderOf(target);
    const std::string prefix = kTemporaryPrefix;
    const std::string suffix = kTemporarySuffix;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        // Exactly our pattern: the process id, '-', a counter.
        const std::string rest = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        const std::size_t dash = rest.find('-');
        if (dash == std::string::npos || dash == 0 || dash + 1 == rest.size() ||
            rest.find_first_not_of("0123456789-") != std::string::npos ||
            rest.find('-', dash + 1) != std::string::npos)
            continue;
        const long pid = std::strtol(rest.substr(0, dash).c_str(), nullptr, 10);
        if (pid <= 0 || pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        const std::filesystem::path stale = folder / name;
        struct stat info {};
        if (::lstat(stale.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::getuid())
            ::unlink(stale.c_str());
    }
    ::closedir(dir);
}

namespace {

volatile std::sig_atomic_t interrupted = 0;
volatile std::sig_atomic_t deferred = 0;

extern "C" void onInterrupt(int) {
    if (deferred != 0) {
        interrupted = 1;
        return;
    }
    // Outside the test nothing waits for a clean stop: end as if unhandled.
    std::signal(SIGINT, SIG_DFL);
    std::raise(SIGINT);
}

}  // namespace

void installInterruptHandler() { std::signal(SIGINT, onInterrupt); }
void setInterruptDeferred(bool on) { deferred = on ? 1 : 0; }
bool interruptRequested() { return interrupted != 0; }

void endByInterrupt() {
    std::signal(SIGINT, SIG_DFL);
    std::raise(SIGINT);
    std::_Exit(130);  // only if the signal was blocked
}

}  // namespace zeltric::platform
