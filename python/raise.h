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

/// Runs a chip operation with the interpreter free for other threads; a transfer the
/// adapter did not complete becomes AdapterError.
template <typename Operation>
auto Released(Operation operation) -> decltype(operation()) {
    try {
        py::gil_scoped_release free;
        return operation();
    } catch (const app::TransferFailure& failure) {
        Raise("AdapterError", std::string(failure.what()));
    }
}

/// Raises what a signal handler (Ctrl+C) raised, if one ran.
inline void CheckSignals() {
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
}

}  // namespace qxpy
