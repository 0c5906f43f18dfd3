// The qx5520 module's compiled core: the chip on its adapter channel and the pages' analyses,
// all through the tool's own core (the frames, fields, checks and sentences of the window and
// the batch mode). The Python package around it (qx5520/__init__.py) finds the adapter
// library and gives the friendly names and the documentation.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>

#include "app/config/field_map.h"
#include "python/analyses.h"
#include "python/chip.h"

namespace py = pybind11;
using qxpy::Chip;

PYBIND11_MODULE(_core, m) {
    PYBIND11_NUMPY_DTYPE(qxpy::AngleRow, time, code, degrees, adc, low_speed, parity_ok);
    PYBIND11_NUMPY_DTYPE(qxpy::SignalRow, time, x, y);
    m.attr("ANGLE_DTYPE") = py::dtype::of<qxpy::AngleRow>();
    m.attr("SIGNAL_DTYPE") = py::dtype::of<qxpy::SignalRow>();
    m.doc() = "The compiled core of the qx5520 module; use the package qx5520.";
    m.def("bind_library", &qxpy::BindLibrary, py::arg("path"),
          "Binds the adapter library at path for this process (AdapterError when it is missing "
          "or incomplete, or when another one serves open chips).");
    m.def(
        "bound_library", [] { return qxpy::BoundLibrary(); }, "The adapter library bound, or ''.");
    m.def(
        "field_table",
        [] {
            py::list rows;
            for (const app::ConfigField& field : app::kConfigFields) {
                rows.append(py::make_tuple(std::string(field.key), field.reg, field.mask,
                                           field.width, field.kind == app::FieldKind::Display));
            }
            return rows;
        },
        "Every field of the chip: (key, register, mask, width, read-only).");

    m.def("angle_stats", &qxpy::AngleStats, py::arg("codes"), py::arg("seconds"),
          py::arg("interval_ms"));
    m.def("fit_ellipse", &qxpy::FitEllipse, py::arg("x"), py::arg("y"), py::arg("seconds"),
          py::arg("skew_seconds"));
    m.def("accuracy", &qxpy::Accuracy, py::arg("seconds"), py::arg("degrees"),
          py::arg("reference"));
    m.def("use_virtual_time", &qxpy::UseVirtualTime, py::arg("on"),
          "With the virtual chip bound: the chips opened next take their pauses in virtual time "
          "(on) or in real time.");

    py::class_<Chip>(m, "Chip")
        .def(py::init<uint32_t, const std::string&, uint32_t>(), py::arg("clock_hz"),
             py::arg("serial"), py::arg("channel"))
        .def("close", &Chip::Close)
        .def_property_readonly("closed", &Chip::Closed)
        .def_property_readonly("channel_index", &Chip::ChannelIndex)
        .def("read_register", &Chip::ReadRegister, py::arg("address"))
        .def("write_register", &Chip::WriteRegister, py::arg("address"), py::arg("word"),
             py::arg("allow_ssi") = false)
        .def("read_field", &Chip::ReadField, py::arg("key"))
        .def("write_field", &Chip::WriteField, py::arg("key"), py::arg("value"),
             py::arg("allow_ssi") = false)
        .def("status", &Chip::Status)
        .def("read_identifier", &Chip::Identifier)
        .def("write_identifier", &Chip::SetIdentifier, py::arg("identifier"))
        .def("save_config", &Chip::SaveConfig, py::arg("path"))
        .def("load_config", &Chip::LoadConfig, py::arg("path"))
        .def("compare_config", &Chip::CompareConfig, py::arg("path"))
        .def("read_angle_words", &Chip::ReadAngles, py::arg("n"), py::arg("interval"))
        .def("read_xy", &Chip::ReadSignals, py::arg("n"), py::arg("interval"))
        .def("capture_angles", &Chip::CaptureAngles, py::arg("n"))
        .def("centre_signals", &Chip::CentreSignals, py::arg("progress"))
        .def("match_amplitudes", &Chip::MatchAmplitudes, py::arg("progress"))
        .def("set_zero", &Chip::SetZero, py::arg("target_code"), py::arg("tolerance"),
             py::arg("progress"));
}
