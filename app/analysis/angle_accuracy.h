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
//     is taken out and reported. A reference that turns the other way is taken reversed (and
//     said so); one whose travel is not the sensor's (a wrong unit or scale), or that moves
//     more than kMaxReferenceStepDegrees between its samples, is refused.
//
// The readings are unwrapped against the angle the recording's median speed predicts, so that
// a hole in a recording loses no revolution; a hole so long that the prediction is uncertain by
// more than a quarter turn cuts the recording there, and the longest clean run is analysed.
// Readings more than a quarter turn apart cannot follow the magnet at all: that is refused.
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
    /// Holes too long to bridge: the recording was cut there and only its longest clean run
    /// analysed; the longest such hole in seconds.
    size_t holesCut = 0;
    double longestCutSeconds = 0;
    /// The reference turned the other way and was taken reversed.
    bool referenceReversed = false;
};

/// Why there is no result.
enum class AccuracyShortfall {
    None,
    TooFewReadings,        // fewer than kMinReadings
    LessThanATurn,         // the readings do not span one whole revolution
    SparseRevolution,      // more than a quarter of the curve's bins have no reading
    ReferenceNotCovering,  // the reference does not span the readings' times
    TooFast,               // readings over a quarter turn apart; detail: the most rpm that works
    HolesTooLong,          // holes leave no whole revolution; detail: the longest hole, seconds
    ReferenceTooSparse,    // detail: the reference's largest step between samples, degrees
    ReferenceScale,        // detail: the reference's travel over the sensor's
};

class AngleAccuracy {
  public:
    static constexpr size_t kMinReadings = 16;
    static constexpr size_t kCurveBins = 64;
    /// Successive readings further apart than this (typically) cannot follow the magnet.
    static constexpr double kMaxStepDegrees = 90;
    /// The speed a hole is bridged with is trusted to this share: a hole over which it could
    /// be wrong by more than kMaxStepDegrees cuts the recording.
    static constexpr double kSpeedUncertainty = 0.05;
    /// A reference that moves more than this between samples is not interpolated.
    static constexpr double kMaxReferenceStepDegrees = 30;
    /// The reference's travel may differ from the sensor's by this share.
    static constexpr double kMaxTravelMismatch = 0.05;

    /// Against the straight line of constant speed. detail: see AccuracyShortfall.
    static std::optional<AccuracyResult> ConstantSpeed(const std::vector<TimedAngle>& readings,
                                                       AccuracyShortfall* shortfall = nullptr,
                                                       double* detail = nullptr);
    /// Against a reference instrument's angles (its times on the readings' clock).
    static std::optional<AccuracyResult> AgainstReference(const std::vector<TimedAngle>& readings,
                                                          const std::vector<TimedAngle>& reference,
                                                          AccuracyShortfall* shortfall = nullptr,
                                                          double* detail = nullptr);
};

/// The readings unwrapped against the speed measured, and the run of them to analyse.
struct SensorPath {
    std::vector<double> degrees;  // every reading, unwrapped (runs apart share no turn count)
    size_t first = 0;             // the longest clean run: readings first … last - 1
    size_t last = 0;
    double degreesPerSecond = 0;  // the median speed
    size_t holesCut = 0;
    double longestCutSeconds = 0;
    /// TooFast (detail: the most rpm the readings' interval follows) or None.
    AccuracyShortfall shortfall = AccuracyShortfall::None;
    double detail = 0;
};

/// Unwraps readings (at least two) by the speed measured: each step is taken as the angle
/// the median speed predicts over its gap plus the wrapped rest; a gap over which the
/// prediction could be off by more than a quarter turn cuts the readings there.
SensorPath TraceSensorPath(const std::vector<TimedAngle>& readings);

/// Degrees brought to −180 … 180.
double Wrap180(double degrees);

}  // namespace app
