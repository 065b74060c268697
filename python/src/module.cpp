// The module `voxmill`: the engine of the console and the commands, its maps as numpy arrays.
#include <pybind11/pybind11.h>

#include "bindings.hpp"
#include "cli/version.hpp"

PYBIND11_MODULE(voxmill, m) {
    m.doc() =
        "Electron-density maps of crystals (1 to 6 dimensions) as numpy arrays: read and write every format of\n"
        "the command line, and every operation and analysis of Voxmill as a function.";
    m.attr("__version__") = voxmill::kVersion;
    voxmill::python::bind_failures(m);
    voxmill::python::bind_map(m);
    voxmill::python::bind_operations(m);
    voxmill::python::bind_sampling(m);
    voxmill::python::bind_commands(m);
}
