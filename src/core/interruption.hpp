// A long computation stopped from outside between two pieces of its work: Ctrl-C in the
// Python module. Whoever runs the computation raises the request, from a signal handler too
// (it only stores a lock-free flag); the engine's long loops call stop_if_interrupted()
// between pieces, which throws Interrupted once the request is up. Outputs being written are
// then discarded as on any failure. The console and the commands never raise it: a signal
// ends them.
#pragma once

#include <atomic>
#include <cstdint>

namespace voxmill {

// Thrown by stop_if_interrupted(). It is no std::exception on purpose: the handlers that turn
// any failure into a message must let it pass to the caller who asked for the stop.
struct Interrupted {};

namespace detail {
inline std::atomic<bool> interruption_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may only touch lock-free atomics");
}  // namespace detail

inline void request_interruption() noexcept { detail::interruption_requested.store(true, std::memory_order_relaxed); }
inline void clear_interruption() noexcept { detail::interruption_requested.store(false, std::memory_order_relaxed); }
inline bool interruption_requested() noexcept { return detail::interruption_requested.load(std::memory_order_relaxed); }

inline void stop_if_interrupted() {
    if (interruption_requested()) throw Interrupted{};
}

// How many voxels a loop on one thread may handle between two looks: a few milliseconds.
constexpr std::int64_t kVoxelsBetweenLooks = std::int64_t{1} << 20;

// In a loop over voxels done on one thread: looks once every kVoxelsBetweenLooks of them.
inline void stop_if_interrupted_at(std::int64_t voxel) {
    if ((voxel & (kVoxelsBetweenLooks - 1)) == 0) stop_if_interrupted();
}

}  // namespace voxmill
