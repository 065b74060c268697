// The failures of the engine and the commands as Python exceptions, with the command line's
// text "NAME: what is wrong": a file that is missing is a FileNotFoundError, one that may not
// be read or written a PermissionError (both with the file's name and the text as Python's
// own OSErrors carry them), memory that runs out a MemoryError, anything else a
// voxmill.MapError (a ValueError). A failure named after an option ("--by") or an argument
// ("OUT") names the function's argument ("by", "path").
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <new>
#include <string>

#include <pybind11/pybind11.h>

#include "bindings.hpp"
#include "cli/report.hpp"
#include "core/errors.hpp"

namespace py = pybind11;

namespace voxmill::python {

namespace {

PyObject* map_error = nullptr;

// The Python exception type for what the command line says of a file.
PyObject* exception_type(const std::string& what) {
    if (what.starts_with("no such file")) return PyExc_FileNotFoundError;
    if (what.find("permission denied") != std::string::npos || what.find("read-only") != std::string::npos) {
        return PyExc_PermissionError;
    }
    if (what.starts_with("not enough memory")) return PyExc_MemoryError;
    return map_error;
}

// The name of an option or argument of the command line as the function's argument:
// "--min-sigma" as min_sigma, "OUT" as path, "MAP" as map; a file's name as it is.
std::string argument_name(std::string name) {
    if (name == "OUT") return "path";
    if (name == "MAP") return "map";
    if (!name.starts_with("--")) return name;
    name.erase(0, 2);
    for (char& c : name) {
        if (c == '-') c = '_';
    }
    return name;
}

// A refusal with every option it names ("--levels excludes --step") and its leading argument
// ("OUT: ...") named as the function's arguments.
std::string in_arguments(const std::string& text) {
    std::string out;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        std::string word = text.substr(at, end - at);
        const bool colon = word.ends_with(':');
        if (colon) word.pop_back();
        if (word.starts_with("--") || (at == 0 && colon)) word = argument_name(word);
        out += word + (colon ? ":" : "") + (end < text.size() ? " " : "");
        at = end + 1;
    }
    return out;
}

// A file that is missing or may not be touched is an OSError as Python's own: errno, the
// command line's words as strerror, and the file's name ("[Errno 2] no such file or
// directory: 'NAME'"); anything else "NAME: what".
void raise(const CommandFailure& f) {
    const std::string name = argument_name(f.name);
    PyObject* type = exception_type(f.what);
    const auto make = py::reinterpret_borrow<py::object>(type);
    if (type == PyExc_FileNotFoundError || type == PyExc_PermissionError) {
        const py::object error = make(type == PyExc_FileNotFoundError ? ENOENT : EACCES, f.what, name);
        PyErr_SetObject(type, error.ptr());
    } else {
        PyErr_SetObject(type, make(name + ": " + in_arguments(f.what)).ptr());
    }
}

}  // namespace

void bind_failures(py::module_& m) {
    static py::exception<MapError> error(m, "MapError", PyExc_ValueError);
    error.doc() = "A map, a file or a request that Voxmill refuses, with the command line's text (a ValueError).";
    map_error = error.ptr();
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const CommandFailure& f) {
            raise(f);
        } catch (const CLI::ParseError& e) {
            PyErr_SetString(map_error, in_arguments(e.what()).c_str());
        } catch (const Failure& e) {
            PyErr_SetString(e.kind() == FailureKind::file ? PyExc_OSError : map_error, e.what());
        }
    });
}

}  // namespace voxmill::python
