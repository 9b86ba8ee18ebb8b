#pragma once

// The few operating-system services the program needs beyond the standard
// library: advisory locks, the usable processor count, unique temporary
// files and the interrupt signal. One implementation per platform; a front
// end without these services (a browser build) supplies its own file.

#include <functional>
#include <string>

namespace zeltric::platform {

// An advisory lock on a companion lock file (created when missing, never
// replaced or removed, so every run locks the same file). Released when the
// object goes out of scope or the process ends.
class FileLock {
public:
    enum class State { Held, Unsupported };
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Locks `lockPath`, waiting while another process holds it; `waiting` is
    // called once before such a wait. Unsupported when the lock file cannot
    // be opened or the file system refuses locks: the caller carries on.
    State acquire(const std::string& lockPath, const std::function<void()>& waiting);
    void release();

private:
    int fd_ = -1;
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

// Interrupt (Ctrl-C) handling of the batch front end. While deferred is on,
// an interrupt only sets the flag that interruptRequested() reads (the
// permutation test stops cleanly); otherwise it ends the process at once.
void installInterruptHandler();
void setInterruptDeferred(bool deferred);
bool interruptRequested();
// Restores the default action and raises the interrupt again, so the caller
// (a shell loop) sees the process ended by it. Does not return.
[[noreturn]] void endByInterrupt();

}  // namespace zeltric::platform
