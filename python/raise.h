// How the compiled core reports: the module's own exceptions (qx5520._errors) with the tool's
// sentences, and chip operations run with the interpreter free for other threads.
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <utility>

#include "app/readings/transfer_check.h"

namespace qxpy {

namespace py = pybind11;

/// Raises the module's exception `name` (from qx5520._errors) built from the arguments.
template <typename... Args>
[[noreturn]] void Raise(const char* name, Args&&... args) {
    const py::object type = py::module_::import("qx5520._errors").attr(name);
    const py::object error = type(std::forward<Args>(args)...);
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

/// Raises the module's exception `name` with `cause` (an exception caught before) as its
/// __cause__, as `raise ... from cause` does.
template <typename... Args>
[[noreturn]] void RaiseFrom(const py::error_already_set& cause, const char* name, Args&&... args) {
    const py::object type = py::module_::import("qx5520._errors").attr(name);
    const py::object error = type(std::forward<Args>(args)...);
    PyException_SetCause(error.ptr(), cause.value().inc_ref().ptr());  // takes the reference
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

/// Thrown (without the interpreter) by an operation on a chip closed meanwhile.
struct ChannelClosed {};

/// Runs a chip operation with the interpreter free for other threads; a transfer the
/// adapter did not complete becomes AdapterError, and so does a chip closed meanwhile.
template <typename Operation>
auto Released(Operation operation) -> decltype(operation()) {
    try {
        py::gil_scoped_release free;
        return operation();
    } catch (const app::TransferFailure& failure) {
        Raise("AdapterError", std::string(failure.what()));
    } catch (const ChannelClosed&) {
        Raise("AdapterError", "the chip's channel is closed");
    }
}

/// Raises what a signal handler (Ctrl+C) raised, if one ran.
inline void CheckSignals() {
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
}

}  // namespace qxpy
