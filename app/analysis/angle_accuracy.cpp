#include "app/analysis/angle_accuracy.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <unsupported/Eigen/FFT>

#include "app/analysis/line_fit.h"

namespace app {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kHarmonics = 8;

// Degrees brought to 0 … 360.
double Wrap360(double degrees) {
    const double wrapped = std::fmod(degrees, 360.0);
    return wrapped < 0 ? wrapped + 360.0 : wrapped;
}

bool Fail(AccuracyShortfall why, AccuracyShortfall* shortfall, double* detail = nullptr,
          double value = 0) {
    if (shortfall != nullptr) *shortfall = why;
    if (detail != nullptr) *detail = value;
    return false;
}

// No whole revolution left: because holes cut the recording, or because it turned less.
bool FailShort(const SensorPath& trace, AccuracyShortfall* shortfall, double* detail) {
    return trace.holesCut > 0
               ? Fail(AccuracyShortfall::HolesTooLong, shortfall, detail, trace.longestCutSeconds)
               : Fail(AccuracyShortfall::LessThanATurn, shortfall);
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The run of readings to analyse, with its unwrapped path; false with the shortfall set when
// the readings cannot follow the magnet or holes leave too little.
bool CleanRun(const std::vector<TimedAngle>& readings, std::vector<TimedAngle>& run,
              std::vector<double>& path, SensorPath& trace, AccuracyShortfall* shortfall,
              double* detail) {
    // Readings too far apart to follow the magnet say so however few they are: a recording of
    // them ends after a handful.
    trace = TraceSensorPath(readings);
    if (trace.shortfall != AccuracyShortfall::None)
        return Fail(trace.shortfall, shortfall, detail, trace.detail);
    if (readings.size() < AngleAccuracy::kMinReadings)
        return Fail(AccuracyShortfall::TooFewReadings, shortfall);
    if (trace.last - trace.first < AngleAccuracy::kMinReadings) {
        return trace.holesCut > 0 ? Fail(AccuracyShortfall::HolesTooLong, shortfall, detail,
                                         trace.longestCutSeconds)
                                  : Fail(AccuracyShortfall::TooFewReadings, shortfall);
    }
    const auto from = static_cast<std::ptrdiff_t>(trace.first);
    const auto to = static_cast<std::ptrdiff_t>(trace.last);
    run.assign(readings.begin() + from, readings.begin() + to);
    path.assign(trace.degrees.begin() + from, trace.degrees.begin() + to);
    return true;
}

// The readings from the first that lie within the whole revolutions of `path` (degrees
// against the readings' order); 0 when it does not span one.
size_t WholeRevolutions(const std::vector<double>& path, double& revolutions) {
    double furthest = 0;
    for (double degrees : path) furthest = std::max(furthest, std::abs(degrees - path.front()));
    revolutions = std::floor(furthest / 360.0);
    if (revolutions < 1) return 0;
    size_t used = 0;
    while (used < path.size() && std::abs(path[used] - path.front()) <= revolutions * 360.0) ++used;
    return used;
}

// The readings' rate, and the readings late or missing: a gap of more than one and a half
// median intervals counts the readings that should have come in it (at least one).
void Timing(const std::vector<TimedAngle>& readings, size_t used, AccuracyResult& result) {
    const double span = readings[used - 1].seconds - readings.front().seconds;
    result.readingsPerSecond = span > 0 ? static_cast<double>(used - 1) / span : 0.0;
    std::vector<double> gaps;
    for (size_t i = 1; i < used; ++i) gaps.push_back(readings[i].seconds - readings[i - 1].seconds);
    std::vector<double> sorted = gaps;
    std::nth_element(sorted.begin(),
                     sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
    const double median = sorted[sorted.size() / 2];
    result.late = 0;
    for (double gap : gaps) {
        if (median > 0 && gap > 1.5 * median) {
            result.late += static_cast<size_t>(std::max(1L, std::lround(gap / median) - 1));
        }
    }
}

// The curve averaged per bin of reference angle, its figures and its harmonics.
bool Summarise(AccuracyResult& result, AccuracyShortfall* shortfall) {
    constexpr size_t n = AngleAccuracy::kCurveBins;
    std::vector<double> sum(n, 0.0);
    std::vector<size_t> count(n, 0);
    for (size_t i = 0; i < result.errorDegrees.size(); ++i) {
        const size_t bin =
            std::min(n - 1, static_cast<size_t>(Wrap360(result.referenceDegrees[i]) / 360.0 * n));
        sum[bin] += result.errorDegrees[i];
        ++count[bin];
    }
    const size_t empty = static_cast<size_t>(std::count(count.begin(), count.end(), size_t{0}));
    if (empty > n / 4) return Fail(AccuracyShortfall::SparseRevolution, shortfall);

    result.curveDegrees.resize(n);
    result.curveError.assign(n, 0.0);
    for (size_t bin = 0; bin < n; ++bin) {
        result.curveDegrees[bin] = (static_cast<double>(bin) + 0.5) * 360.0 / n;
        if (count[bin] > 0) result.curveError[bin] = sum[bin] / static_cast<double>(count[bin]);
    }
    // An empty bin takes the straight line between its nearest filled neighbours, around the
    // circle.
    for (size_t bin = 0; bin < n; ++bin) {
        if (count[bin] > 0) continue;
        size_t before = 1, after = 1;
        while (count[(bin + n - before) % n] == 0) ++before;
        while (count[(bin + after) % n] == 0) ++after;
        const double a = result.curveError[(bin + n - before) % n];
        const double b = result.curveError[(bin + after) % n];
        result.curveError[bin] =
            a + (b - a) * static_cast<double>(before) / static_cast<double>(before + after);
    }

    const auto [low, high] =
        std::minmax_element(result.curveError.begin(), result.curveError.end());
    result.peakToPeak = *high - *low;
    double mean = 0;
    for (double e : result.curveError) mean += e;
    mean /= static_cast<double>(n);
    double square = 0;
    for (double e : result.curveError) square += (e - mean) * (e - mean);
    result.rms = std::sqrt(square / static_cast<double>(n));

    // Bin j holds the mean of θ over (j, j + 1) · 360° / n: harmonic k comes out turned by
    // k half bins and lowered by sinc(k π / n), which is put right here.
    Eigen::FFT<double> fft;
    std::vector<std::complex<double>> spectrum;
    fft.fwd(spectrum, result.curveError);
    for (size_t k = 1; k <= result.harmonics.size(); ++k) {
        const double x = static_cast<double>(k) * kPi / static_cast<double>(n);
        const double sinc = std::sin(x) / x;
        Harmonic& h = result.harmonics[k - 1];
        h.amplitude = 2.0 * std::abs(spectrum[k]) / static_cast<double>(n) / sinc;
        h.phase = Wrap180((std::arg(spectrum[k]) - x) * 180.0 / kPi);
    }
    if (shortfall != nullptr) *shortfall = AccuracyShortfall::None;
    return true;
}

}  // namespace

double Wrap180(double degrees) {
    return degrees - 360.0 * std::round(degrees / 360.0);
}

SensorPath TraceSensorPath(const std::vector<TimedAngle>& readings) {
    SensorPath trace;
    const size_t n = readings.size();
    trace.degrees.reserve(n);
    if (n == 0) return trace;
    std::vector<double> gaps, steps, sizes;
    for (size_t i = 1; i < n; ++i) {
        gaps.push_back(readings[i].seconds - readings[i - 1].seconds);
        steps.push_back(Wrap180(readings[i].degrees - readings[i - 1].degrees));
        sizes.push_back(std::abs(steps.back()));
    }
    const double interval = Median(gaps);
    // Readings a quarter turn apart or more cannot tell a turn forwards from one backwards.
    if (n > 1 && Median(sizes) > AngleAccuracy::kMaxStepDegrees) {
        trace.shortfall = AccuracyShortfall::TooFast;
        trace.detail = interval > 0 ? AngleAccuracy::kMaxStepDegrees / 360.0 / interval * 60.0 : 0;
        return trace;
    }
    // The speed from the regular steps: a hole's own step is what is to be found.
    std::vector<double> rates;
    for (size_t i = 0; i < gaps.size(); ++i) {
        if (gaps[i] > 0 && gaps[i] <= 1.5 * interval) rates.push_back(steps[i] / gaps[i]);
    }
    const double speed = Median(rates);
    trace.degreesPerSecond = speed;
    // Runs between the holes that cannot be bridged; the longest in time is analysed.
    size_t runStart = 0;
    double bestSpan = -1;
    auto closeRun = [&](size_t end) {
        const double span = readings[end - 1].seconds - readings[runStart].seconds;
        if (span > bestSpan) {
            bestSpan = span;
            trace.first = runStart;
            trace.last = end;
        }
    };
    trace.degrees.push_back(readings[0].degrees);
    for (size_t i = 1; i < n; ++i) {
        const double gap = gaps[i - 1];
        const double predicted = speed * gap;
        if (std::abs(predicted) * AngleAccuracy::kSpeedUncertainty >
            AngleAccuracy::kMaxStepDegrees) {
            ++trace.holesCut;
            trace.longestCutSeconds = std::max(trace.longestCutSeconds, gap);
            closeRun(i);
            runStart = i;
            trace.degrees.push_back(readings[i].degrees);
            continue;
        }
        const double raw = readings[i].degrees - readings[i - 1].degrees;
        trace.degrees.push_back(trace.degrees.back() + predicted + Wrap180(raw - predicted));
    }
    closeRun(n);
    return trace;
}

std::optional<AccuracyResult> AngleAccuracy::ConstantSpeed(const std::vector<TimedAngle>& all,
                                                           AccuracyShortfall* shortfall,
                                                           double* detail) {
    std::vector<TimedAngle> readings;
    std::vector<double> path;
    SensorPath trace;
    if (!CleanRun(all, readings, path, trace, shortfall, detail)) return std::nullopt;
    AccuracyResult result;
    result.holesCut = trace.holesCut;
    result.longestCutSeconds = trace.longestCutSeconds;
    // Times from the first reading keep the sums well conditioned. The whole revolutions are
    // those of the straight line, not of the readings, whose errors would cut the span off
    // short of whole periods of the error (and tilt the line): a first line over every
    // reading gives the span, a second over that span the reference.
    const double t0 = readings.front().seconds;
    LineFit first;
    for (size_t i = 0; i < readings.size(); ++i) first.Add(readings[i].seconds - t0, path[i]);
    std::vector<double> steady;
    for (const TimedAngle& reading : readings) steady.push_back(first.At(reading.seconds - t0));
    result.used = WholeRevolutions(steady, result.revolutions);
    if (result.used < kMinReadings) {
        FailShort(trace, shortfall, detail);
        return std::nullopt;
    }
    // A straight line alone would lean to take up part of the error itself (a sine over
    // whole periods is not orthogonal to time), so the line is fitted together with
    // harmonics 1 to 8 of the angle it gives, twice over.
    // The least squares go through the normal equations, summed row by row: the time and
    // the memory grow with the readings alone (a QR of the whole design matrix would hold
    // 18 columns of every reading). Time runs over 0 … 1 and the angle from the first
    // reading, which keeps the equations well conditioned.
    const size_t m = result.used;
    constexpr int kColumns = 2 + 2 * kHarmonics;
    using Row = Eigen::Matrix<double, kColumns, 1>;
    const double span = readings[m - 1].seconds - t0;
    const double base = path[0];
    LineFit start;
    for (size_t i = 0; i < m; ++i) start.Add(readings[i].seconds - t0, path[i]);
    double a = start.Intercept(), b = start.Slope();
    for (int pass = 0; pass < 2; ++pass) {
        Eigen::Matrix<double, kColumns, kColumns> normal =
            Eigen::Matrix<double, kColumns, kColumns>::Zero();
        Row right = Row::Zero();
        Row row;
        for (size_t i = 0; i < m; ++i) {
            const double t = readings[i].seconds - t0;
            const double theta = (a + b * t) * kPi / 180.0;
            const std::complex<double> turn(std::cos(theta), std::sin(theta));
            std::complex<double> power = turn;
            row(0) = 1.0;
            row(1) = t / span;
            for (int k = 1; k <= kHarmonics; ++k) {
                row(2 * k) = power.real();
                row(2 * k + 1) = power.imag();
                power *= turn;
            }
            normal.selfadjointView<Eigen::Lower>().rankUpdate(row);
            right += row * (path[i] - base);
        }
        const Row solution = normal.selfadjointView<Eigen::Lower>().ldlt().solve(right);
        a = base + solution(0);
        b = solution(1) / span;
    }
    for (size_t i = 0; i < result.used; ++i) {
        const double reference = a + b * (readings[i].seconds - t0);
        result.referenceDegrees.push_back(Wrap360(reference));
        result.errorDegrees.push_back(path[i] - reference);
    }
    Timing(readings, result.used, result);
    if (!Summarise(result, shortfall)) return std::nullopt;
    return result;
}

std::optional<AccuracyResult> AngleAccuracy::AgainstReference(
    const std::vector<TimedAngle>& all, const std::vector<TimedAngle>& reference,
    AccuracyShortfall* shortfall, double* detail) {
    std::vector<TimedAngle> readings;
    std::vector<double> path;
    SensorPath trace;
    if (!CleanRun(all, readings, path, trace, shortfall, detail)) return std::nullopt;
    std::vector<TimedAngle> table = reference;
    std::stable_sort(table.begin(), table.end(), [](const TimedAngle& a, const TimedAngle& b) {
        return a.seconds < b.seconds;
    });
    if (table.size() < 2 || table.front().seconds > readings.front().seconds ||
        table.back().seconds < readings.back().seconds) {
        Fail(AccuracyShortfall::ReferenceNotCovering, shortfall);
        return std::nullopt;
    }
    // The samples that matter: from the last at or before the first reading to the first at
    // or after the last one.
    size_t from = 0, to = table.size() - 1;
    while (from + 1 < table.size() && table[from + 1].seconds <= readings.front().seconds) ++from;
    while (to > 0 && table[to - 1].seconds >= readings.back().seconds) --to;
    if (to <= from) to = std::min(from + 1, table.size() - 1);
    if (to <= from) from = to - 1;
    // The sensor's own path at a time, by interpolation (beyond its ends, at its speed): the
    // guide by which the reference is unwrapped and judged.
    size_t k = 0;
    auto sensorAt = [&](double seconds) {
        if (seconds <= readings.front().seconds)
            return path.front() - trace.degreesPerSecond * (readings.front().seconds - seconds);
        if (seconds >= readings.back().seconds)
            return path.back() + trace.degreesPerSecond * (seconds - readings.back().seconds);
        while (k + 2 < readings.size() && readings[k + 1].seconds < seconds) ++k;
        while (k > 0 && readings[k].seconds > seconds) --k;
        const double span = readings[k + 1].seconds - readings[k].seconds;
        const double f = span > 0 ? (seconds - readings[k].seconds) / span : 0.0;
        return path[k] + f * (path[k + 1] - path[k]);
    };
    std::vector<double> guide;
    for (size_t j = from; j <= to; ++j) guide.push_back(sensorAt(table[j].seconds));
    // Between samples far apart no straight line follows the turn (nor its speed's ripple).
    double largest = 0;
    for (size_t j = 1; j < guide.size(); ++j)
        largest = std::max(largest, std::abs(guide[j] - guide[j - 1]));
    if (largest > kMaxReferenceStepDegrees) {
        Fail(AccuracyShortfall::ReferenceTooSparse, shortfall, detail, largest);
        return std::nullopt;
    }
    // Direction and scale: the reference's own travel against the sensor's.
    double referenceTravel = 0;
    for (size_t j = from + 1; j <= to; ++j)
        referenceTravel += Wrap180(table[j].degrees - table[j - 1].degrees);
    const double sensorTravel = guide.back() - guide.front();
    AccuracyResult result;
    result.holesCut = trace.holesCut;
    result.longestCutSeconds = trace.longestCutSeconds;
    result.referenceReversed = referenceTravel * sensorTravel < 0;
    // Less than a turn: nothing whole to analyse, and no travel to judge the scale by.
    if (std::abs(sensorTravel) < 360.0) {
        FailShort(trace, shortfall, detail);
        return std::nullopt;
    }
    if (std::abs(std::abs(referenceTravel) / std::abs(sensorTravel) - 1) > kMaxTravelMismatch) {
        Fail(AccuracyShortfall::ReferenceScale, shortfall, detail,
             std::abs(referenceTravel) / std::abs(sensorTravel));
        return std::nullopt;
    }
    const double sense = result.referenceReversed ? -1.0 : 1.0;
    // Unwrapped with the sensor's travel between samples as the guide.
    std::vector<double> tablePath(table.size(), 0.0);
    tablePath[from] = sense * table[from].degrees;
    for (size_t j = from + 1; j <= to; ++j) {
        const double expected = guide[j - from] - guide[j - from - 1];
        const double raw = sense * (table[j].degrees - table[j - 1].degrees);
        tablePath[j] = tablePath[j - 1] + expected + Wrap180(raw - expected);
    }
    // The reference at each reading's time, by linear interpolation.
    std::vector<double> at;
    at.reserve(readings.size());
    size_t j = from;
    for (const TimedAngle& reading : readings) {
        while (j + 1 < to && table[j + 1].seconds < reading.seconds) ++j;
        const double span = table[j + 1].seconds - table[j].seconds;
        const double f = span > 0 ? (reading.seconds - table[j].seconds) / span : 0.0;
        at.push_back(tablePath[j] + f * (tablePath[j + 1] - tablePath[j]));
    }
    result.used = WholeRevolutions(at, result.revolutions);
    if (result.used < kMinReadings) {
        FailShort(trace, shortfall, detail);
        return std::nullopt;
    }
    // The instrument's zero against the sensor's: the circular mean of the differences.
    double s = 0, c = 0;
    for (size_t i = 0; i < result.used; ++i) {
        const double d = (readings[i].degrees - at[i]) * kPi / 180.0;
        s += std::sin(d);
        c += std::cos(d);
    }
    result.offsetDegrees = std::atan2(s, c) * 180.0 / kPi;
    for (size_t i = 0; i < result.used; ++i) {
        result.referenceDegrees.push_back(Wrap360(at[i]));
        result.errorDegrees.push_back(Wrap180(readings[i].degrees - at[i] - result.offsetDegrees));
    }
    Timing(readings, result.used, result);
    if (!Summarise(result, shortfall)) return std::nullopt;
    return result;
}

}  // namespace app
