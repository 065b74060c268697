// Work split over the processor cores in pieces handed out from a shared counter, so that the
// threads stay evenly busy when other work shares the machine. A piece that fails, or an
// interruption (core/interruption.hpp), stops the handing out; the failure is thrown to the
// caller once every thread has stopped.
#pragma once

#include <cstdint>
#include <functional>

namespace voxmill {

// The number of threads to use for `requested` (0 means one per core), at least 1.
unsigned worker_threads(unsigned requested);

// Calls work(begin, end) for consecutive pieces of at most `piece` items covering
// [first, last), on `threads` threads (0: all cores), the calling thread among them. The
// calling thread first runs `own` (when given) and then joins in; everything is done when
// the call returns. Threads that cannot be started only make it take longer.
void share_work(std::int64_t first, std::int64_t last, std::int64_t piece, unsigned threads,
                const std::function<void(std::int64_t, std::int64_t)>& work, const std::function<void()>& own = {});

}  // namespace voxmill
