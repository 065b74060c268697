#include "slices.hpp"

#include <algorithm>

#include <pybind11/pybind11.h>

namespace voxmill::python {

void run_in_slices(std::int64_t count, std::int64_t slice, const std::function<void(std::int64_t, std::int64_t)>& work) {
    for (std::int64_t begin = 0; begin < count; begin += slice) {
        {
            pybind11::gil_scoped_release unlocked;
            work(begin, std::min(begin + slice, count));
        }
        if (PyErr_CheckSignals() != 0) throw pybind11::error_already_set();
    }
}

std::int64_t slice_for(double cost) {
    return std::max<std::int64_t>(1024, static_cast<std::int64_t>(67108864.0 / std::max(1.0, cost)));
}

}  // namespace voxmill::python
