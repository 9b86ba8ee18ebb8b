#pragma once

#include <cstddef>
#include <functional>

namespace zeltric::statistics {

// Calls work(worker, item) for items 0..count-1 on `threads` workers (the
// calling thread among them; 1 or less: the calling thread alone), items
// handed out in turn. Each item's result must depend on the item alone, so
// that any thread count gives the same bits. An exception thrown by a call
// is raised again here once every worker has stopped.
void parallelFor(std::size_t count, int threads, const std::function<void(int worker, std::size_t item)>& work);

}  // namespace zeltric::statistics
