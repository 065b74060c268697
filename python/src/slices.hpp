// Long work run without the interpreter's lock, in slices: between two slices Python's signal
// handlers get their turn, so Ctrl-C stops the work with KeyboardInterrupt after the slice
// under way (well within a second), and another Python thread runs meanwhile.
#pragma once

#include <cstdint>
#include <functional>

namespace voxmill::python {

// Calls work(begin, end) for consecutive slices of at most `slice` items covering [0, count).
// Throws pybind11::error_already_set when a signal handler raises.
void run_in_slices(std::int64_t count, std::int64_t slice, const std::function<void(std::int64_t, std::int64_t)>& work);

// Items of a slice for work of about `cost` operations each: a slice of about 2^26 operations
// takes a few tens of milliseconds.
std::int64_t slice_for(double cost);

}  // namespace voxmill::python
