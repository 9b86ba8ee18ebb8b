#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zeltric::randomisation {

// More threads than this cannot help on any machine we run on; it bounds the
// memory of the work tables (about 10 MB per worker).
inline constexpr int kMaxWorkers = 64;
// Items in flight per worker: enough that the workers never wait for the
// producer, and that the producer can sleep through several of them.
inline constexpr int kJobsPerWorker = 8;

// Workers for `threads` (<= 0: one per usable processor) and `items` items:
// 1..kMaxWorkers and no more than there are items (at least 1).
int poolWorkerCount(int threads, int items);

// Work on numbered items (1, 2, ...) spread over worker threads and taken
// back in item order, so that the order in which the workers finish never
// shows. The caller keeps each item's input and output in a table of
// window() entries: item n uses entry slot(n) from submit(n) until
// release(n). It fills the entry, submits the item, later waits for it in
// item order, reads the entry and releases it.
//
// work(worker, item) runs on a worker thread, `worker` in 0..workers-1 (the
// index of that thread's own tables, never used by two items at once). What
// it writes to the item's entry is visible to the caller once waitFor(item)
// returned. An exception it throws is kept and returned by waitFor.
class OrderedPool {
public:
    using Work = std::function<void(int worker, int item)>;

    // Starts `workers` threads. When the system refuses a thread, the ones
    // started are stopped and a base::FatalError names the count and
    // `purpose` ("the permutation test").
    OrderedPool(int workers, int window, Work work, const std::string& purpose);
    // Stops the workers; items submitted and not yet analysed are dropped.
    ~OrderedPool();
    OrderedPool(const OrderedPool&) = delete;
    OrderedPool& operator=(const OrderedPool&) = delete;

    int window() const { return static_cast<int>(slots_.size()); }
    std::size_t slot(int item) const { return static_cast<std::size_t>(item) % slots_.size(); }

    // The entry of `item` must be free (never submitted, or released).
    void submit(int item);
    // Waits until `item` (submitted) is done and returns its error, if any.
    // When it is not done yet, also waits for the submitted items up to
    // `through`, so that the caller sleeps and is woken once per batch
    // rather than once per item.
    std::exception_ptr waitFor(int item, int through);
    void release(int item);

private:
    enum class State { Free, Queued, Done };
    struct Slot {
        State state = State::Free;
        int item = 0;
        std::exception_ptr error;
    };

    void stop();
    void workerLoop(int worker);

    Work work_;
    std::vector<Slot> slots_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable workDone_;
    std::deque<int> queue_;
    // The items the caller waits for, and how many of them are not done.
    int waitFrom_ = 0;
    int waitThrough_ = 0;
    int pending_ = 0;
    bool stopping_ = false;
};

}  // namespace zeltric::randomisation
