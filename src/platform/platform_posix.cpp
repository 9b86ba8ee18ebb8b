#include "platform/platform.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace zeltric::platform {

namespace {

// Lock files held now, for a signal that ends the process at once (unlink
// may be called in a signal handler). A lock beyond the slots is only left
// behind by such a signal, as every lock file was before.
constexpr int kLockSlots = 8;
std::atomic<const char*> heldLockFiles[kLockSlots] = {};

void rememberLockFile(const char* path) {
    for (std::atomic<const char*>& slot : heldLockFiles) {
        const char* empty = nullptr;
        if (slot.compare_exchange_strong(empty, path)) return;
    }
}

void forgetLockFile(const char* path) {
    for (std::atomic<const char*>& slot : heldLockFiles) {
        const char* expected = path;
        if (slot.compare_exchange_strong(expected, nullptr)) return;
    }
}

void removeHeldLockFiles() {
    for (std::atomic<const char*>& slot : heldLockFiles)
        if (const char* path = slot.exchange(nullptr)) ::unlink(path);
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Takes the lock on `fd`, waiting if another process holds it; `waiting` is
// called before the first wait only (`told` remembers it across retries).
bool lockDescriptor(int fd, const std::function<void()>& waiting, bool& told) {
    int result = ::flock(fd, LOCK_EX | LOCK_NB);
    if (result != 0 && errno == EWOULDBLOCK) {
        if (waiting && !told) waiting();
        told = true;
        do result = ::flock(fd, LOCK_EX);
        while (result != 0 && errno == EINTR);
    }
    return result == 0;
}

// A name that changes hands this often while we wait is not a lock we can use.
constexpr int kLockAttempts = 1000;

}  // namespace

FileLock::~FileLock() { release(); }

void FileLock::release() {
    if (fd_ < 0) return;
    if (!removeOnRelease_.empty()) {
        forgetLockFile(removeOnRelease_.c_str());
        // Still under the lock: whoever waits on this file finds its name
        // gone once it has the lock, and starts again with a new file.
        struct stat named {};
        struct stat locked {};
        if (::lstat(removeOnRelease_.c_str(), &named) == 0 && ::fstat(fd_, &locked) == 0 &&
            sameFile(named, locked))
            ::unlink(removeOnRelease_.c_str());
        removeOnRelease_.clear();
    }
    ::close(fd_);
    fd_ = -1;
}

FileLock::State FileLock::acquire(const std::string& lockPath, const std::function<void()>& waiting) {
    release();
    bool told = false;
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        // A link, a folder or anything else at the name is left alone.
        struct stat named {};
        if (::lstat(lockPath.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) return State::Unsupported;
        // Never through a link: a planted link must not make us create files elsewhere.
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
        if (fd < 0) return State::Unsupported;
        struct stat locked {};
        if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode) || !lockDescriptor(fd, waiting, told)) {
            ::close(fd);
            return State::Unsupported;
        }
        // The holder before us may have removed the file after we opened it.
        if (::lstat(lockPath.c_str(), &named) == 0 && sameFile(named, locked)) {
            fd_ = fd;
            removeOnRelease_ = lockPath;
            rememberLockFile(removeOnRelease_.c_str());
            return State::Held;
        }
        ::close(fd);
    }
    return State::Unsupported;
}

FileLock::State FileLock::acquireIdentity(const std::string& path, const std::function<void()>& waiting) {
    release();
    bool told = false;
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        // Only a regular file is opened: a device may act on being opened.
        struct stat named {};
        if (::stat(path.c_str(), &named) != 0) return errno == ENOENT ? State::Missing : State::Unsupported;
        if (!S_ISREG(named.st_mode)) return State::Unsupported;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return errno == ENOENT ? State::Missing : State::Unsupported;
        struct stat locked {};
        if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode) || !lockDescriptor(fd, waiting, told)) {
            ::close(fd);
            return State::Unsupported;
        }
        // The holder before us may have replaced the file (a rename over its name).
        const bool stillNamed = ::stat(path.c_str(), &named) == 0;
        const int error = errno;
        if (stillNamed && sameFile(named, locked)) {
            fd_ = fd;
            return State::Held;
        }
        ::close(fd);
        if (!stillNamed && error == ENOENT) return State::Missing;
    }
    return State::Unsupported;
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

// The signal that asked the run to stop (0 while none did).
volatile std::sig_atomic_t stopSignal = 0;
volatile std::sig_atomic_t deferred = 0;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onStopSignal(int signal) {
    if (deferred != 0) {
        if (stopSignal == 0) stopSignal = signal;
        return;
    }
    // Outside the test nothing waits for a clean stop: end as if unhandled,
    // leaving no lock file behind.
    removeHeldLockFiles();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void installInterruptHandler() {
    for (const int signal : kStopSignals) {
        // A signal the caller chose to ignore stays ignored (nohup, a
        // background job of a shell script).
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        std::signal(signal, onStopSignal);
    }
}
void setInterruptDeferred(bool on) { deferred = on ? 1 : 0; }
bool interruptRequested() { return stopSignal != 0; }

void endByInterrupt() {
    const int signal = stopSignal != 0 ? static_cast<int>(stopSignal) : SIGINT;
    removeHeldLockFiles();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    // A blocked signal stays pending: unblocked, it ends the process as the
    // caller must see it.
    sigset_t pending;
    sigemptyset(&pending);
    sigaddset(&pending, signal);
    pthread_sigmask(SIG_UNBLOCK, &pending, nullptr);
    for (;;) ::pause();
}

KernelVersion kernelVersion() {
    KernelVersion version;
    utsname names{};
    if (::uname(&names) == 0) {
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
    if (::sysinfo(&info) != 0) return 0;
    return static_cast<std::uint64_t>(info.totalram) * static_cast<std::uint64_t>(info.mem_unit);
}

long levelTwoCacheBytes() {
#ifdef _SC_LEVEL2_CACHE_SIZE
    const long reported = ::sysconf(_SC_LEVEL2_CACHE_SIZE);
    return reported > 0 ? reported : 0L;
#else
    return 0L;
#endif
}

std::string privateRuntimeFolder() {
    const std::string folder = "/tmp/zeltric-runtime-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) == 0) return folder;
    // One made before, by us alone: not a link, not someone else's.
    struct stat info {};
    if (::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
        (info.st_mode & 077) == 0)
        return folder;
    return {};
}

}  // namespace zeltric::platform
