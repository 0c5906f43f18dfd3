#include "app/angle_accuracy.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <unsupported/Eigen/FFT>

#include "app/line_fit.h"

namespace app {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kHarmonics = 8;

// Degrees brought to 0 … 360.
double Wrap360(double degrees) {
    const double wrapped = std::fmod(degrees, 360.0);
    return wrapped < 0 ? wrapped + 360.0 : wrapped;
}

bool Fail(AccuracyShortfall why, AccuracyShortfall* shortfall) {
    if (shortfall != nullptr) *shortfall = why;
    return false;
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

std::vector<double> Unwrapped(const std::vector<TimedAngle>& angles) {
    std::vector<double> path;
    path.reserve(angles.size());
    for (const TimedAngle& angle : angles) {
        path.push_back(path.empty() ? angle.degrees
                                    : path.back() + Wrap180(angle.degrees - path.back()));
    }
    return path;
}

std::optional<AccuracyResult> AngleAccuracy::ConstantSpeed(const std::vector<TimedAngle>& readings,
                                                           AccuracyShortfall* shortfall) {
    if (readings.size() < kMinReadings) {
        Fail(AccuracyShortfall::TooFewReadings, shortfall);
        return std::nullopt;
    }
    const std::vector<double> path = Unwrapped(readings);
    AccuracyResult result;
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
        Fail(AccuracyShortfall::LessThanATurn, shortfall);
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
    const std::vector<TimedAngle>& readings, const std::vector<TimedAngle>& reference,
    AccuracyShortfall* shortfall) {
    if (readings.size() < kMinReadings) {
        Fail(AccuracyShortfall::TooFewReadings, shortfall);
        return std::nullopt;
    }
    std::vector<TimedAngle> table = reference;
    std::stable_sort(table.begin(), table.end(), [](const TimedAngle& a, const TimedAngle& b) {
        return a.seconds < b.seconds;
    });
    if (table.size() < 2 || table.front().seconds > readings.front().seconds ||
        table.back().seconds < readings.back().seconds) {
        Fail(AccuracyShortfall::ReferenceNotCovering, shortfall);
        return std::nullopt;
    }
    const std::vector<double> tablePath = Unwrapped(table);
    // The reference at each reading's time, by linear interpolation.
    std::vector<double> at;
    at.reserve(readings.size());
    size_t j = 0;
    for (const TimedAngle& reading : readings) {
        while (j + 2 < table.size() && table[j + 1].seconds < reading.seconds) ++j;
        const double span = table[j + 1].seconds - table[j].seconds;
        const double f = span > 0 ? (reading.seconds - table[j].seconds) / span : 0.0;
        at.push_back(tablePath[j] + f * (tablePath[j + 1] - tablePath[j]));
    }
    AccuracyResult result;
    result.used = WholeRevolutions(at, result.revolutions);
    if (result.used < kMinReadings) {
        Fail(AccuracyShortfall::LessThanATurn, shortfall);
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
