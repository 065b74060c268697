// The parts of the module `voxmill`, each adding its functions and classes.
#pragma once

#include <memory>

#include <pybind11/pybind11.h>

#include "core/map.hpp"

namespace voxmill::python {

// Maps travel between Python and the engine through a shared pointer, so that a numpy view
// can keep its map alive.
using MapPtr = std::shared_ptr<Map>;

inline MapPtr shared(Map&& map) { return std::make_shared<Map>(std::move(map)); }

void bind_failures(pybind11::module_& m);
void bind_map(pybind11::module_& m);
void bind_operations(pybind11::module_& m);
void bind_sampling(pybind11::module_& m);
void bind_commands(pybind11::module_& m);

}  // namespace voxmill::python
