// Statistics of the 13-bit angle readings since a start: how quiet the angle is at rest, and
// how fast the magnet turns when it does not rest. The angle is circular (8191 and 0 are
// neighbours), so the figures come from a histogram of all 8192 codes around the circular
// mean, never from plain sums of the codes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace app {

inline constexpr int kAngleCodes = 8192;
inline constexpr double kDegreesPerCode = 360.0 / kAngleCodes;

/// What the readings since the start say.
struct AngleSummary {
    size_t count = 0;
    double meanCode = 0;      // circular mean, 0 <= mean < 8192
    double sigmaCodes = 0;    // standard deviation of the readings about the mean
    int peakToPeakCodes = 0;  // the shortest arc that holds every reading
    /// log2(8192 / (sigma * sqrt(12))) and log2(8192 / peak-to-peak), at most 13 (a quiet
    /// angle, sigma or spread 0, resolves every code).
    double effectiveBits = 0;
    double noiseFreeBits = 0;
    double rateHz = 0;  // readings per second over the time they span
    size_t late = 0;    // readings that came more than twice the interval after the one before
    /// The magnet's speed in revolutions per minute (sign: the sense of turning), over the
    /// last kWindow readings, when they drift beyond their scatter (DriftsBeyondScatter) and
    /// span more than kMinDriftCodes; the noise figures then mean nothing.
    std::optional<double> rpm;
};

/// Readings fewer than this say nothing of drift.
inline constexpr size_t kMinDriftReadings = 8;
/// The von Neumann ratio below which readings drift: the mean square of successive
/// differences over the variance is about 2 for readings that scatter about a rest (some 0.25
/// either side over 64 readings), and falls towards 0 when they follow a path, a turn or a
/// swing alike.
inline constexpr double kDriftRatio = 1.0;
/// Readings within this span are a code's flicker, not a movement.
inline constexpr double kMinDriftCodes = 2.0;

/// Whether positions (unwrapped, in order, evenly taken) follow a consistent path rather
/// than scatter about one place, whatever the size of the scatter.
bool DriftsBeyondScatter(const std::vector<double>& positions);

class AngleStatistics {
  public:
    /// Movement and speed are judged over the last kWindow readings.
    static constexpr size_t kWindow = 64;

    /// Forgets every reading; intervalMs is the readout's interval (for the late count).
    void Reset(double intervalMs);
    /// One reading: the 13-bit angle (higher bits are ignored) and its time in milliseconds.
    void Add(uint16_t code, double timeMs);

    size_t Count() const { return count_; }
    AngleSummary Summary() const;
    /// The readings per code from mean - halfWidth to mean + halfWidth (2 * halfWidth + 1
    /// counts; the circle wraps).
    std::vector<size_t> Histogram(int halfWidth) const;

  private:
    std::array<size_t, kAngleCodes> counts_{};
    size_t count_ = 0;
    double intervalMs_ = 0;
    double firstTimeMs_ = 0;
    double lastTimeMs_ = 0;
    int lastCode_ = 0;
    double travelCodes_ = 0;  // the unwrapped movement from the first reading
    // The last kWindow readings: time and unwrapped position, oldest first.
    std::deque<std::pair<double, double>> recent_;
    size_t late_ = 0;
};

}  // namespace app
