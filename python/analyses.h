// The analyses of the pages over numpy arrays: the angle statistics, the ellipse fit and the
// angle accuracy, each the very function the window runs, with its reasons when a figure
// cannot be trusted.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

namespace qxpy {

namespace py = pybind11;

using Doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;
using Codes = py::array_t<uint16_t, py::array::c_style | py::array::forcecast>;

/// The angle statistics of the page over codes (13 bits) read at times (seconds).
py::dict AngleStats(const Codes& codes, const Doubles& seconds, double intervalMs);

/// The ellipse through X-Y points, as the X-Y page fits it; times (seconds, or None) and the
/// skew between the two channels' reads correct the phase for a turning magnet.
py::dict FitEllipse(const Doubles& x, const Doubles& y, const py::object& seconds,
                    double skewSeconds);

/// The angle error over a revolution of readings (seconds, degrees) against a constant speed
/// (reference None) or a reference instrument's (seconds, degrees); ValueError with the
/// page's sentence when there is no result.
py::dict Accuracy(const Doubles& seconds, const Doubles& degrees, const py::object& reference);

}  // namespace qxpy
