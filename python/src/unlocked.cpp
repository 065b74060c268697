#include "unlocked.hpp"

#include <signal.h>

#include <pybind11/pybind11.h>

#include "core/interruption.hpp"

namespace py = pybind11;

namespace voxmill::python {

namespace {

extern "C" void ask_engine_to_stop(int) { request_interruption(); }

bool on_main_thread() {
    const py::object main = py::module_::import("threading").attr("main_thread")();
    return main.attr("ident").cast<unsigned long>() == PyThread_get_thread_ident();
}

// SIGINT goes to the engine while this lives, on the main thread (the one Python's signal
// handlers run on), unless Ctrl-C is ignored or left to end the process.
class CtrlCToEngine {
public:
    CtrlCToEngine() {
        if (!on_main_thread() || ::sigaction(SIGINT, nullptr, &before_) != 0) return;
        if (before_.sa_handler == SIG_IGN || before_.sa_handler == SIG_DFL) return;
        struct sigaction ours {};
        ours.sa_handler = ask_engine_to_stop;
        sigemptyset(&ours.sa_mask);
        routed_ = ::sigaction(SIGINT, &ours, nullptr) == 0;
    }
    ~CtrlCToEngine() {
        if (routed_) ::sigaction(SIGINT, &before_, nullptr);
    }
    CtrlCToEngine(const CtrlCToEngine&) = delete;
    CtrlCToEngine& operator=(const CtrlCToEngine&) = delete;

    // Whether Ctrl-C was pressed meanwhile; the request is then taken back, for the next work.
    bool pressed() const {
        if (!routed_ || !interruption_requested()) return false;
        clear_interruption();
        return true;
    }

private:
    struct sigaction before_ {};
    bool routed_ = false;
};

}  // namespace

void run_unlocked(const std::function<void()>& work) {
    // A Ctrl-C pressed just before, which Python has not acted on yet.
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    bool stopped = false;
    {
        const CtrlCToEngine route;
        {
            const py::gil_scoped_release free;
            try {
                work();
            } catch (const Interrupted&) {
                stopped = true;
            }
        }
        // Pressed after the work was done, Ctrl-C interrupts what follows, as in Python.
        stopped = route.pressed() || stopped;
    }
    if (stopped) {
        PyErr_SetNone(PyExc_KeyboardInterrupt);
        throw py::error_already_set();
    }
}

}  // namespace voxmill::python
