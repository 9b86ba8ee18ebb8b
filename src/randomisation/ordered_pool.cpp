#include "randomisation/ordered_pool.hpp"

#include <algorithm>
#include <system_error>

#include "base/fatal_error.hpp"
#include "base/messages_run.hpp"
#include "platform/platform.hpp"

namespace zeltric::randomisation {

int poolWorkerCount(int threads, int items) {
    int workers = threads > 0 ? threads : platform::usableProcessorCount();
    workers = std::clamp(workers, 1, kMaxWorkers);
    return std::max(1, std::min(workers, items));
}

OrderedPool::OrderedPool(int workers, int window, Work work, const std::string& purpose)
    : work_(std::move(work)), slots_(static_cast<std::size_t>(window)) {
    ZELTRIC_ASSERT(workers >= 1 && window >= 1);
    threads_.reserve(static_cast<std::size_t>(workers));
    try {
        for (int w = 0; w < workers; ++w) threads_.emplace_back([this, w] { workerLoop(w); });
    } catch (const std::system_error&) {
        stop();
        throw base::FatalError(base::threadsRefusedMessage(workers, purpose));
    } catch (...) {
        stop();
        throw;
    }
}

OrderedPool::~OrderedPool() { stop(); }

void OrderedPool::submit(int item) {
    Slot& entry = slots_[slot(item)];
    {
        std::lock_guard lock(mutex_);
        ZELTRIC_ASSERT(entry.state == State::Free);
        entry.state = State::Queued;
        entry.item = item;
        entry.error = nullptr;
        queue_.push_back(item);
    }
    workAvailable_.notify_one();
}

std::exception_ptr OrderedPool::waitFor(int item, int through) {
    Slot& entry = slots_[slot(item)];
    std::unique_lock lock(mutex_);
    ZELTRIC_ASSERT(entry.state != State::Free && entry.item == item);
    if (entry.state != State::Done) {
        waitFrom_ = item;
        waitThrough_ = std::max(item, through);
        pending_ = 0;
        for (int n = waitFrom_; n <= waitThrough_; ++n)
            if (slots_[slot(n)].state != State::Done) ++pending_;
        workDone_.wait(lock, [&] { return pending_ == 0; });
        waitThrough_ = 0;
    }
    return entry.error;
}

void OrderedPool::release(int item) {
    std::lock_guard lock(mutex_);
    slots_[slot(item)].state = State::Free;
}

void OrderedPool::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    workAvailable_.notify_all();
    for (std::thread& thread : threads_) thread.join();
    threads_.clear();
}

void OrderedPool::workerLoop(int worker) {
    for (;;) {
        int item = 0;
        {
            std::unique_lock lock(mutex_);
            workAvailable_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            item = queue_.front();
            queue_.pop_front();
        }
        std::exception_ptr error;
        try {
            work_(worker, item);
        } catch (...) {
            error = std::current_exception();
        }
        bool wake = false;
        {
            std::lock_guard lock(mutex_);
            Slot& entry = slots_[slot(item)];
            entry.error = error;
            entry.state = State::Done;
            if (item >= waitFrom_ && item <= waitThrough_) wake = --pending_ == 0;
        }
        if (wake) workDone_.notify_one();
    }
}

}  // namespace zeltric::randomisation
