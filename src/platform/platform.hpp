#pragma once

// The few operating-system services the program needs beyond the standard
// library: advisory locks, the usable processor count, unique temporary
// files, the signals that stop a run and what the about box reports of the
// system (files.hpp has the file system's queries and writes). One implementation per platform; a front
// end without these services (a browser build) supplies its own file.

#include <cstdint>
#include <functional>
#include <string>

namespace zeltric::platform {

// An advisory lock, held until release() or the end of the object or of the
// process. Two kinds:
// - a lock file of its own (`acquire`), created when missing and removed
//   again by release(): after taking the lock the holder checks that the
//   name still stands for the file it locked (another holder may have
//   removed it meanwhile) and starts again if not, and it removes the file
//   only while holding the lock, so no two runs ever hold locks on two
//   different files of one name;
// - an existing file itself (`acquireIdentity`): the lock follows the file's
//   identity (device and inode), so every name of it (hard links) shares
//   one lock; when the name was given to another file while waiting (a
//   replacement by rename), the lock is taken again on that one.
class FileLock {
public:
    enum class State { Held, Unsupported, Missing };
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Locks the lock file `lockPath`, waiting while another process holds
    // it; `waiting` is called once before such a wait. Unsupported (nothing
    // created, nothing removed) when `lockPath` is not a regular file (a
    // link, a folder), cannot be opened or the file system refuses locks:
    // the caller carries on without.
    State acquire(const std::string& lockPath, const std::function<void()>& waiting);
    // Locks the regular file `path` itself (links followed), as above.
    // Missing when no file has that name; Unsupported when it is not a
    // regular file, cannot be opened or refuses locks.
    State acquireIdentity(const std::string& path, const std::function<void()>& waiting);
    // Removes a lock file taken by `acquire` (still under the lock), then
    // lets go.
    void release();
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    std::string removeOnRelease_;  // the lock file's name, for `acquire`
};

// Processors this process may run on (its CPU affinity), at least 1.
int usableProcessorCount();

// Creates a new file in the folder of `target` with a unique name of the
// form ".zeltric-<pid>-<n>.tmp", opened for writing with O_EXCL (never
// through a link). Returns the descriptor (-1 with errno set on failure).
int createTemporaryBeside(const std::string& target, std::string& temporaryPath);

// What a write through a temporary file failed at, and its errno.
struct FileFailure {
    enum class Step { None, Create, Write, Rename };
    Step step = Step::None;
    int error = 0;
    explicit operator bool() const { return step != Step::None; }
};

struct TemporaryFileOptions {
    int mode = -1;      // permission bits given to the file when 0 or more
    bool sync = false;  // flushed to the disk before it is closed
};

// The one way a file is written whole before it takes its name: clears stale
// temporaries beside `target`, writes all of `content` to a new temporary
// file there (createTemporaryBeside) and closes it. On failure the temporary
// is removed again; on success the caller gives it its name.
FileFailure writeTemporaryBeside(const std::string& target, const std::string& content, std::string& temporaryPath,
                                 const TemporaryFileOptions& options = {});

// writeTemporaryBeside, then the temporary renamed over `target`, so that a
// failure never leaves `target` empty or half written.
FileFailure replaceFileAtomically(const std::string& target, const std::string& content,
                                  const TemporaryFileOptions& options = {});

// Removes, in the folder of `target`, temporary files of that pattern left
// by processes that no longer exist (a run killed before its rename).
void removeStaleTemporaries(const std::string& target);

// Interrupt handling of the batch front end. Ctrl-C (SIGINT), SIGTERM (what
// a cluster's scheduler sends at a time limit) and SIGHUP (a closed
// terminal) are one request to stop. While deferred is on, such a signal
// only sets the flag that interruptRequested() reads (the permutation test
// stops cleanly); otherwise it removes the lock files held and ends the
// process at once, by that signal.
void installInterruptHandler();
void setInterruptDeferred(bool deferred);
bool interruptRequested();
// Restores the default action and raises the signal that requested the stop
// again, so the caller (a shell loop, a scheduler) sees the process ended by
// it. Does not return.
[[noreturn]] void endByInterrupt();

// The running kernel's version (0.0 when the system does not say).
struct KernelVersion {
    int major = 0;
    int minor = 0;
};
KernelVersion kernelVersion();
// Total physical memory in bytes; 0 when the system does not say.
std::uint64_t totalPhysicalMemory();
// Bytes of one core's level-2 cache; 0 when the system does not say.
long levelTwoCacheBytes();

// A folder for this user's runtime files, private to the user (made with
// mode 0700 under the temporary folder when missing); empty when there is
// none that is ours alone.
std::string privateRuntimeFolder();

}  // namespace zeltric::platform
