// The angle error of a sensor setup over one revolution, measured from the angle output: the
// readings of a recording against a reference, the error curve averaged over the
// revolutions, its peak-to-peak and RMS, and its harmonics 1 to 8.
//
// Two references:
//   constant speed: the straight line fitted by least squares to the unwrapped readings
//     against time, over whole revolutions (a motor, no instrument). A speed that is not
//     constant shows up as error.
//   a reference instrument: its angle against time (a rotary table, an encoder),
//     interpolated to the reading times. Its zero is not the sensor's: the mean difference
//     is taken out and reported.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace app {

/// One reading: when it was taken (seconds, any origin) and the angle it gave (degrees).
struct TimedAngle {
    double seconds = 0;
    double degrees = 0;
};

/// One harmonic of the error over a revolution: error(θ) ∋ amplitude · cos(k θ + phase).
struct Harmonic {
    double amplitude = 0;  // degrees
    double phase = 0;      // degrees, −180 … 180
};

struct AccuracyResult {
    /// The error of each reading against the reference angle (both degrees), reading order.
    std::vector<double> referenceDegrees;
    std::vector<double> errorDegrees;
    /// The error averaged over the revolutions, kCurveBins bins over 0 … 360°.
    std::vector<double> curveDegrees;  // the bins' centres
    std::vector<double> curveError;
    double peakToPeak = 0;                // of the averaged curve
    double rms = 0;                       // of the averaged curve, about its mean
    std::array<Harmonic, 8> harmonics{};  // 1 … 8
    double revolutions = 0;               // turned over the readings used
    double offsetDegrees = 0;             // the reference's zero less the sensor's
    double readingsPerSecond = 0;
    size_t late = 0;  // gaps over 1.5 median intervals (readings late or missing)
    size_t used = 0;  // readings within the whole revolutions analysed
};

/// Why there is no result.
enum class AccuracyShortfall {
    None,
    TooFewReadings,        // fewer than kMinReadings
    LessThanATurn,         // the readings do not span one whole revolution
    SparseRevolution,      // more than a quarter of the curve's bins have no reading
    ReferenceNotCovering,  // the reference does not span the readings' times
};

class AngleAccuracy {
  public:
    static constexpr size_t kMinReadings = 16;
    static constexpr size_t kCurveBins = 64;

    /// Against the straight line of constant speed.
    static std::optional<AccuracyResult> ConstantSpeed(const std::vector<TimedAngle>& readings,
                                                       AccuracyShortfall* shortfall = nullptr);
    /// Against a reference instrument's angles (its times on the readings' clock).
    static std::optional<AccuracyResult> AgainstReference(const std::vector<TimedAngle>& readings,
                                                          const std::vector<TimedAngle>& reference,
                                                          AccuracyShortfall* shortfall = nullptr);
};

/// Degrees brought to −180 … 180.
double Wrap180(double degrees);

/// The angles unwrapped: each one within 180° of the one before.
std::vector<double> Unwrapped(const std::vector<TimedAngle>& angles);

}  // namespace app
