#include "statistics/parallel_for.hpp"

#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace zeltric::statistics {

void parallelFor(std::size_t count, int threads, const std::function<void(int worker, std::size_t item)>& work) {
    const auto workers = static_cast<std::size_t>(threads > 1 ? threads : 1) < count
                             ? static_cast<std::size_t>(threads > 1 ? threads : 1)
                             : count;
    if (workers <= 1) {
        for (std::size_t i = 0; i < count; ++i) work(0, i);
        return;
    }
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex errorMutex;
    const auto loop = [&](int worker) {
        for (std::size_t i = next++; i < count && !failed; i = next++) {
            try {
                work(worker, i);
            } catch (...) {
                const std::lock_guard lock(errorMutex);
                if (!error) error = std::current_exception();
                failed = true;
            }
        }
    };
    std::vector<std::thread> pool;
    // A thread the system refuses leaves its items to the others.
    for (std::size_t w = 1; w < workers; ++w) try {
            pool.emplace_back(loop, static_cast<int>(w));
        } catch (const std::system_error&) {
            break;
        }
    loop(0);
    for (std::thread& t : pool) t.join();
    if (error) std::rethrow_exception(error);
}

}  // namespace zeltric::statistics
