#include "core/work_sharing.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "core/interruption.hpp"

namespace voxmill {

unsigned worker_threads(unsigned requested) {
    if (requested > 0) return requested;
    return std::max(1u, std::thread::hardware_concurrency());
}

void share_work(std::int64_t first, std::int64_t last, std::int64_t piece, unsigned threads,
                const std::function<void(std::int64_t, std::int64_t)>& work, const std::function<void()>& own) {
    std::atomic<std::int64_t> next{first};
    std::exception_ptr failure;  // the first, rethrown on the calling thread
    std::mutex failing;
    // After a failure or an interruption no thread takes another piece.
    const auto fail = [&] {
        next.store(last, std::memory_order_relaxed);
        const std::lock_guard lock(failing);
        if (!failure) failure = std::current_exception();
    };
    auto take_pieces = [&] {
        try {
            for (;;) {
                stop_if_interrupted();
                const std::int64_t begin = next.fetch_add(piece, std::memory_order_relaxed);
                if (begin >= last) return;
                work(begin, std::min(begin + piece, last));
            }
        } catch (...) {
            fail();
        }
    };
    {
        std::vector<std::jthread> helpers;
        const unsigned count = worker_threads(threads);
        try {
            for (unsigned t = 1; t < count && last - first > piece * t; ++t) helpers.emplace_back(take_pieces);
        } catch (const std::system_error&) {
            // Fewer threads than asked for: the ones running share all pieces.
        }
        try {
            if (own) own();
        } catch (...) {
            fail();
        }
        take_pieces();
    }  // the helpers have joined
    if (failure) std::rethrow_exception(failure);
}

}  // namespace voxmill
