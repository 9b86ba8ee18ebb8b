// The advisory locks between runs: lock files that go when their run is
// done, locks on a file's identity shared by all its names, and names that
// are no lock file left alone. Another holder is a child process, since one
// process's locks on one file exclude each other too.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "platform/platform.hpp"
#include "test_support.hpp"

namespace zeltric::platform {
namespace {

namespace fs = std::filesystem;

enum class Kind { LockFile, Identity };

FileLock::State take(FileLock& lock, Kind kind, const std::string& path, const std::function<void()>& waiting) {
    return kind == Kind::LockFile ? lock.acquire(path, waiting) : lock.acquireIdentity(path, waiting);
}

// Whether a child process finds the lock held by another: it ends with 3
// when it would wait, 0 when it gets the lock at once.
bool childWouldWait(Kind kind, const std::string& path) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        FileLock lock;
        const FileLock::State state = take(lock, kind, path, [] { ::_exit(3); });
        lock.release();
        ::_exit(state == FileLock::State::Held ? 0 : 4);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 3)) << status;
    return WIFEXITED(status) && WEXITSTATUS(status) == 3;
}

void waitFor(const std::string& sign) {
    for (int i = 0; i < 10000 && !fs::exists(sign); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Forks a child that, once the parent holds its lock (the sign "held"),
// runs `waiter` and ends with its status; it is forked first, so that it
// does not share the parent's lock. Returns the child's process id.
pid_t startWaiter(const test::TempDir& dir, const std::function<bool()>& waiter) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        waitFor(dir.file("held"));
        ::_exit(waiter() ? 0 : 1);
    }
    return pid;
}

TEST(FileLock, ALockFileGoesWhenItsRunIsDone) {
    test::TempDir dir;
    const std::string path = dir.file("a.lock");
    {
        FileLock lock;
        ASSERT_EQ(lock.acquire(path, {}), FileLock::State::Held);
        EXPECT_TRUE(fs::is_regular_file(path));
        EXPECT_TRUE(childWouldWait(Kind::LockFile, path));
    }
    EXPECT_FALSE(fs::exists(path));
    // One left by a run that was killed is taken and removed in its turn.
    test::writeFile(path, "");
    FileLock lock;
    ASSERT_EQ(lock.acquire(path, {}), FileLock::State::Held);
    lock.release();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(childWouldWait(Kind::LockFile, path));
    EXPECT_FALSE(fs::exists(path));
}

// A waiting run whose lock file was removed by the holder starts again with
// a new file of that name, and holds the file the name stands for.
TEST(FileLock, AWaiterTakesTheNameAgainAfterTheHolderRemovedIt) {
    test::TempDir dir;
    const std::string path = dir.file("a.lock");
    const std::string sign = dir.file("child-waits");
    const pid_t pid = startWaiter(dir, [&] {
        FileLock waiter;
        const FileLock::State state = waiter.acquire(path, [&] { test::writeFile(sign, ""); });
        struct stat named {};
        // The name must stand for a file while the child holds it, and only
        // one run may hold it: a probe must wait.
        return state == FileLock::State::Held && ::lstat(path.c_str(), &named) == 0 &&
               childWouldWait(Kind::LockFile, path);
    });
    FileLock lock;
    ASSERT_EQ(lock.acquire(path, {}), FileLock::State::Held);
    test::writeFile(dir.file("held"), "");
    waitFor(sign);
    ASSERT_TRUE(fs::exists(sign));
    lock.release();
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_FALSE(fs::exists(path));
}

// Every name of a file (hard links) shares one lock on its identity; the
// file itself stays.
TEST(FileLock, AllNamesOfAFileShareItsLock) {
    test::TempDir dir;
    const std::string path = dir.file("seeds.ini");
    const std::string other = dir.file("other.ini");
    test::writeFile(path, "1 2\r\n");
    fs::create_hard_link(path, other);
    {
        FileLock lock;
        ASSERT_EQ(lock.acquireIdentity(other, {}), FileLock::State::Held);
        EXPECT_TRUE(childWouldWait(Kind::Identity, path));
        EXPECT_TRUE(childWouldWait(Kind::Identity, other));
    }
    EXPECT_FALSE(childWouldWait(Kind::Identity, path));
    EXPECT_EQ(test::readFile(path), "1 2\r\n");
    EXPECT_EQ(fs::hard_link_count(path), 2u);
    FileLock missing;
    EXPECT_EQ(missing.acquireIdentity(dir.file("none.ini"), {}), FileLock::State::Missing);
    EXPECT_FALSE(fs::exists(dir.file("none.ini")));
}

// Locked while another name replaces the file: the waiter locks the new file.
TEST(FileLock, AnIdentityLockFollowsAReplacement) {
    test::TempDir dir;
    const std::string path = dir.file("seeds.ini");
    const std::string sign = dir.file("child-waits");
    test::writeFile(path, "1 2\r\n");
    const pid_t pid = startWaiter(dir, [&] {
        FileLock waiter;
        const FileLock::State state = waiter.acquireIdentity(path, [&] { test::writeFile(sign, ""); });
        // Holding the new file: a lock on the old one must not count.
        return state == FileLock::State::Held && test::readFile(path) == "3 4\r\n" &&
               childWouldWait(Kind::Identity, path);
    });
    FileLock lock;
    ASSERT_EQ(lock.acquireIdentity(path, {}), FileLock::State::Held);
    test::writeFile(dir.file("held"), "");
    waitFor(sign);
    ASSERT_TRUE(fs::exists(sign));
    test::writeFile(dir.file("new.ini"), "3 4\r\n");
    fs::rename(dir.file("new.ini"), path);
    lock.release();
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// A name that is not a regular file is no lock file: left as it is, and the
// caller carries on without a lock (never waits on a pipe either).
TEST(FileLock, NamesThatAreNoRegularFileAreLeftAlone) {
    test::TempDir dir;
    fs::create_directory(dir.file("folder.lock"));
    fs::create_symlink("target", dir.file("link.lock"));
    test::writeFile(dir.file("real"), "x");
    fs::create_symlink("real", dir.file("file-link.lock"));
    ASSERT_EQ(::mkfifo(dir.file("pipe.lock").c_str(), 0600), 0);
    for (const char* name : {"folder.lock", "link.lock", "file-link.lock", "pipe.lock"}) {
        FileLock lock;
        EXPECT_EQ(lock.acquire(dir.file(name), {}), FileLock::State::Unsupported) << name;
        EXPECT_FALSE(lock.held());
        lock.release();
        EXPECT_TRUE(fs::exists(fs::symlink_status(dir.file(name)))) << name;
    }
    EXPECT_FALSE(fs::exists(dir.file("target")));
    EXPECT_EQ(test::readFile(dir.file("real")), "x");
    for (const char* name : {"folder.lock", "pipe.lock"}) {
        FileLock lock;
        EXPECT_EQ(lock.acquireIdentity(dir.file(name), {}), FileLock::State::Unsupported) << name;
    }
}

}  // namespace
}  // namespace zeltric::platform
