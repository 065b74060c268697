// Long work run without the interpreter's lock, so that other Python threads run meanwhile,
// and with Ctrl-C routed to the engine: Python's own handler only runs between two Python
// instructions, so while the work runs on the main thread a SIGINT instead asks the engine's
// loops to stop (core/interruption.hpp). The work then ends with KeyboardInterrupt within a
// fraction of a second, and an output it was writing is discarded, the file left as it was.
// A request to stop reaches the engine's work on every thread.
#pragma once

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace voxmill::python {

// Runs `work`; throws pybind11::error_already_set (KeyboardInterrupt) when it was interrupted.
void run_unlocked(const std::function<void()>& work);

// The same, for work with a result.
template <class Work>
auto unlocked(Work&& work) {
    using Result = std::invoke_result_t<Work&>;
    if constexpr (std::is_void_v<Result>) {
        run_unlocked(work);
    } else {
        std::optional<Result> result;
        run_unlocked([&] { result.emplace(work()); });
        return std::move(*result);
    }
}

}  // namespace voxmill::python
