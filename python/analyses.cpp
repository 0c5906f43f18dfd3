#include "python/analyses.h"

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "app/analysis/accuracy_report.h"
#include "app/analysis/angle_accuracy.h"
#include "app/analysis/angle_stats.h"
#include "app/analysis/lissajous_fit.h"
#include "app/lang/language.h"
#include "app/readings/readout_format.h"

namespace qxpy {

namespace {

/// Two arrays of times and angles, checked to be of one length, as readings.
std::vector<app::TimedAngle> TimedAngles(const Doubles& seconds, const Doubles& degrees,
                                         const char* what) {
    if (seconds.ndim() != 1 || degrees.ndim() != 1 || seconds.size() != degrees.size()) {
        throw py::value_error(std::string(what) +
                              ": the times and the angles are two arrays of "
                              "one length");
    }
    const auto t = seconds.unchecked<1>();
    const auto d = degrees.unchecked<1>();
    std::vector<app::TimedAngle> angles(static_cast<size_t>(t.shape(0)));
    for (py::ssize_t i = 0; i < t.shape(0); ++i) {
        if (!std::isfinite(t(i)) || !std::isfinite(d(i))) {
            throw py::value_error(std::string(what) + ": the time or the angle at index " +
                                  std::to_string(i) + " is not a finite number");
        }
        angles[static_cast<size_t>(i)] = {t(i), d(i)};
    }
    return angles;
}

template <typename T>
py::array_t<double> Array(const std::vector<T>& values) {
    return py::array_t<double>(static_cast<py::ssize_t>(values.size()), values.data());
}

}  // namespace

py::dict AngleStats(const Codes& codes, const Doubles& seconds, double intervalMs) {
    if (codes.ndim() != 1 || seconds.ndim() != 1 || codes.size() != seconds.size()) {
        throw py::value_error("the codes and their times are two arrays of one length");
    }
    app::AngleStatistics stats;
    stats.Reset(intervalMs);
    const auto c = codes.unchecked<1>();
    const auto t = seconds.unchecked<1>();
    for (py::ssize_t i = 0; i < c.shape(0); ++i) stats.Add(c(i), t(i) * 1000.0);
    const app::AngleSummary a = stats.Summary();
    py::dict summary;
    summary["count"] = a.count;
    summary["mean_code"] = a.meanCode;
    summary["mean_degrees"] = a.meanCode * app::kDegreesPerCode;
    summary["sigma_codes"] = a.sigmaCodes;
    summary["peak_to_peak_codes"] = a.peakToPeakCodes;
    summary["effective_bits"] = a.effectiveBits;
    summary["noise_free_bits"] = a.noiseFreeBits;
    summary["rate_hz"] = a.rateHz;
    summary["late"] = a.late;
    // A turning magnet: the noise figures mean nothing, and the speed says so.
    summary["rpm"] = a.rpm ? py::object(py::float_(*a.rpm)) : py::object(py::none());
    return summary;
}

py::dict FitEllipse(const Doubles& x, const Doubles& y, const py::object& seconds,
                    double skewSeconds) {
    if (x.ndim() != 1 || y.ndim() != 1 || x.size() != y.size()) {
        throw py::value_error("x and y are two arrays of one length");
    }
    app::LissajousFit fit;
    const auto xs = x.unchecked<1>();
    const auto ys = y.unchecked<1>();
    if (seconds.is_none()) {
        for (py::ssize_t i = 0; i < xs.shape(0); ++i) fit.Add(xs(i), ys(i));
    } else {
        const auto times = seconds.cast<Doubles>();
        if (times.ndim() != 1 || times.size() != x.size()) {
            throw py::value_error("the times are one per point");
        }
        const auto t = times.unchecked<1>();
        for (py::ssize_t i = 0; i < xs.shape(0); ++i) fit.AddTimed(xs(i), ys(i), t(i), skewSeconds);
    }
    app::FitShortfall why = app::FitShortfall::None;
    const std::optional<app::LissajousResult> r = fit.Fit(&why);
    if (!r) {
        switch (why) {
            case app::FitShortfall::TooFewPoints:
                throw py::value_error("too few points for a fit: at least " +
                                      std::to_string(app::LissajousFit::kMinPoints));
            case app::FitShortfall::TooLittleTurn:
                throw py::value_error("the points cover less than " +
                                      std::to_string(app::LissajousFit::kMinCoverageDegrees) +
                                      " degrees of the circle: turn the magnet further");
            default:
                throw py::value_error("the points lie on no ellipse");
        }
    }
    const bool trusted = r->withdrawn == app::LissajousResult::Withdrawn::None;
    auto budget = [trusted](double value) {
        return trusted ? py::object(py::float_(value)) : py::object(py::none());
    };
    py::dict result;
    result["centre"] = py::make_tuple(r->offsetX, r->offsetY);
    result["amplitudes"] = py::make_tuple(r->amplitudeX, r->amplitudeY);
    result["mismatch_percent"] = r->mismatchPercent;
    result["phase_degrees"] = budget(r->phaseDegrees);
    result["rms_distance"] = r->rmsDistance;
    result["offset_error_degrees"] = budget(r->offsetErrorDegrees);
    result["mismatch_error_degrees"] = budget(r->mismatchErrorDegrees);
    result["phase_error_degrees"] = budget(r->phaseErrorDegrees);
    result["total_error_degrees"] = budget(r->totalErrorDegrees);
    result["turn_degrees_per_second"] = r->turnDegreesPerSecond;
    // Why the phase and the budget are None: a clipped channel, or a speed that cannot be told.
    result["withdrawn"] = r->withdrawn == app::LissajousResult::Withdrawn::Clipped ? "clipped"
                          : r->withdrawn == app::LissajousResult::Withdrawn::SkewUnknown
                              ? "skew unknown"
                              : "";
    return result;
}

py::dict Accuracy(const Doubles& seconds, const Doubles& degrees, const py::object& reference) {
    const std::vector<app::TimedAngle> readings = TimedAngles(seconds, degrees, "the readings");
    app::AccuracyShortfall why = app::AccuracyShortfall::None;
    double detail = 0;
    std::optional<app::AccuracyResult> result;
    const bool byReference = !reference.is_none();
    if (byReference) {
        const auto pair = py::sequence(reference);
        if (pair.size() != 2) throw py::value_error("the reference is (times, angles)");
        const std::vector<app::TimedAngle> instrument =
            TimedAngles(pair[0].cast<Doubles>(), pair[1].cast<Doubles>(), "the reference");
        py::gil_scoped_release free;
        result = app::AngleAccuracy::AgainstReference(readings, instrument, &why, &detail);
    } else {
        py::gil_scoped_release free;
        result = app::AngleAccuracy::ConstantSpeed(readings, &why, &detail);
    }
    const app::AccuracyTexts texts;  // the tool's English sentences
    const std::string state =
        app::AccuracyStateLine(texts, why, detail, result ? &*result : nullptr);
    if (!result) throw py::value_error(state);
    const app::AccuracyResult& r = *result;
    py::list harmonics;
    for (const app::Harmonic& h : r.harmonics)
        harmonics.append(py::make_tuple(h.amplitude, h.phase));
    py::dict out;
    out["curve_degrees"] = Array(r.curveDegrees);
    out["curve_error"] = Array(r.curveError);
    out["reference_degrees"] = Array(r.referenceDegrees);
    out["error_degrees"] = Array(r.errorDegrees);
    out["peak_to_peak"] = r.peakToPeak;
    out["rms"] = r.rms;
    out["harmonics"] = harmonics;
    out["revolutions"] = r.revolutions;
    out["offset_degrees"] = r.offsetDegrees;
    out["readings_per_second"] = r.readingsPerSecond;
    out["late"] = r.late;
    out["used"] = r.used;
    out["holes_cut"] = r.holesCut;
    out["longest_cut_seconds"] = r.longestCutSeconds;
    out["reference_reversed"] = r.referenceReversed;
    out["state"] = state;
    out["limits"] = app::AccuracyLimitsLine(texts, byReference);
    return out;
}

}  // namespace qxpy
