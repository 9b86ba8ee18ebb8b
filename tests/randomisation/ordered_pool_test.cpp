#include "randomisation/ordered_pool.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/fatal_error.hpp"

namespace zeltric::randomisation {
namespace {

// Work that finishes out of order: later items of a batch often finish
// first, and each worker's own tables are checked never to be shared.
struct Scrambled {
    struct Entry {
        int item = 0;
        std::int64_t value = 0;
    };
    explicit Scrambled(int workers, int window)
        : entries(static_cast<std::size_t>(window)), busy(static_cast<std::size_t>(workers)) {}

    void work(int worker, int item) {
        if (busy[static_cast<std::size_t>(worker)].exchange(true)) sharedTables = true;
        std::this_thread::sleep_for(std::chrono::microseconds((item * 7919) % 5 * 40));
        Entry& entry = entries[static_cast<std::size_t>(item) % entries.size()];
        entry.value = static_cast<std::int64_t>(entry.item) * entry.item;
        busy[static_cast<std::size_t>(worker)] = false;
    }

    std::vector<Entry> entries;
    std::vector<std::atomic<bool>> busy;
    std::atomic<bool> sharedTables{false};
};

// Produces `items` items through a pool of `workers` and `window` slots as
// the engines do, and returns what was taken, in order.
std::vector<std::int64_t> runThrough(int workers, int window, int items) {
    Scrambled work(workers, window);
    OrderedPool pool(
        workers, window, [&](int worker, int item) { work.work(worker, item); }, "a test");
    std::vector<std::int64_t> taken;
    int produced = 0;
    for (int n = 1; n <= items; ++n) {
        while (produced < std::min(items, n + pool.window() - 1)) {
            ++produced;
            work.entries[pool.slot(produced)].item = produced;
            pool.submit(produced);
        }
        EXPECT_EQ(pool.waitFor(n, std::min(produced, n + 3)), nullptr);
        taken.push_back(work.entries[pool.slot(n)].value);
        pool.release(n);
    }
    EXPECT_FALSE(work.sharedTables);
    return taken;
}

TEST(OrderedPool, TakesItemsInOrderForAnyWorkerCountAndWindow) {
    std::vector<std::int64_t> expected;
    for (std::int64_t n = 1; n <= 500; ++n) expected.push_back(n * n);
    for (const auto& [workers, window] : {std::pair{1, 1}, {1, 3}, {3, 3}, {4, 33}, {8, 5}}) {
        SCOPED_TRACE(::testing::Message() << workers << " workers, window " << window);
        EXPECT_EQ(runThrough(workers, window, 500), expected);
    }
}

TEST(OrderedPool, WaitingForABatchLeavesEveryItemOfItDone) {
    std::vector<std::atomic<int>> done(20);
    OrderedPool pool(
        3, 20,
        [&](int, int item) {
            std::this_thread::sleep_for(std::chrono::milliseconds(item % 4));
            done[static_cast<std::size_t>(item)] = 1;
        },
        "a test");
    for (int item = 1; item <= 12; ++item) pool.submit(item);
    pool.waitFor(1, 12);
    for (int item = 1; item <= 12; ++item) EXPECT_EQ(done[static_cast<std::size_t>(item)], 1) << item;
}

TEST(OrderedPool, AnErrorIsReturnedForItsItemAlone) {
    OrderedPool pool(
        2, 10,
        [](int, int item) {
            if (item == 4) throw std::runtime_error("item 4 failed");
        },
        "a test");
    for (int item = 1; item <= 9; ++item) pool.submit(item);
    for (int item = 1; item <= 9; ++item) {
        const std::exception_ptr error = pool.waitFor(item, 9);
        if (item != 4) {
            EXPECT_EQ(error, nullptr) << item;
        } else {
            ASSERT_NE(error, nullptr);
            EXPECT_THROW(std::rethrow_exception(error), std::runtime_error);
        }
        pool.release(item);
    }
    // The slot of the failed item is used again without its old error.
    pool.submit(14);
    EXPECT_EQ(pool.waitFor(14, 14), nullptr);
}

TEST(OrderedPool, StopsWithItemsStillQueued) {
    std::atomic<int> started{0};
    {
        OrderedPool pool(
            2, 64,
            [&](int, int) {
                ++started;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            },
            "a test");
        for (int item = 1; item <= 64; ++item) pool.submit(item);
    }
    EXPECT_LT(started, 64);
}

// The sanitizers reserve more address space than the limit leaves, and under
// qemu-user (the aarch64 check) the guest's limit does not bind the
// emulator's threads: the case runs in the plain x86-64 build.
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define ZELTRIC_ADDRESS_LIMIT_TEST 1
#endif

#ifdef ZELTRIC_ADDRESS_LIMIT_TEST
// In a child process: starts 64 workers with address space for a few thread
// stacks only; exit 0 with the message on standard error when the pool
// refuses with an input error.
[[noreturn]] void startPoolInLittleAddressSpace() {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t room =
        static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t{32} << 20);
    const rlimit limit{room, room};
    if (setrlimit(RLIMIT_AS, &limit) != 0) std::exit(2);
    try {
        OrderedPool pool(
            64, 64, [](int, int) {}, "the pool's test");
    } catch (const base::FatalError& e) {
        std::fputs(e.what(), stderr);
        std::exit(0);
    }
    std::exit(1);
}
#endif

TEST(OrderedPool, ARefusedThreadIsAnInputErrorNamingThePurpose) {
#ifndef ZELTRIC_ADDRESS_LIMIT_TEST
    GTEST_SKIP() << "an address-space limit cannot refuse threads in this build";
#else
    EXPECT_EXIT(startPoolInLittleAddressSpace(), ::testing::ExitedWithCode(0),
                "Cannot start 64 worker threads for the pool's test \\(the system refused more "
                "threads\\); choose fewer threads\\.");
#endif
}

TEST(OrderedPool, WorkerCount) {
    EXPECT_EQ(poolWorkerCount(3, 100), 3);
    EXPECT_EQ(poolWorkerCount(8, 5), 5);
    EXPECT_EQ(poolWorkerCount(1000, 100000), kMaxWorkers);
    EXPECT_EQ(poolWorkerCount(4, 0), 1);
    const int all = poolWorkerCount(0, 100000);
    EXPECT_GE(all, 1);
    EXPECT_EQ(poolWorkerCount(-3, 100000), all);
}

}  // namespace
}  // namespace zeltric::randomisation
