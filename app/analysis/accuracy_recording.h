// The recording of an accuracy measurement: the angle output with a time per reading while
// the magnet turns, until it has turned the chosen number of whole revolutions.
#pragma once

#include <cstddef>
#include <vector>

#include "app/analysis/angle_accuracy.h"

namespace app {

class AccuracyRecording {
  public:
    /// At most this many readings are kept (some 32 MB); a recording that reaches it is over.
    static constexpr size_t kMaxReadings = 2'000'000;
    /// The recording goes on this far past the last whole revolution, so that the analysis
    /// finds every revolution whole despite the angle's own error.
    static constexpr double kMargin = 0.05;

    /// Empties the recording and sets its length in revolutions (at least 1).
    void Start(int revolutions);
    void Add(const TimedAngle& reading);

    /// The revolutions the readings span so far (either sense), from the first reading.
    double Turned() const { return turned_; }
    int Revolutions() const { return revolutions_; }
    /// The chosen revolutions and the margin are turned, or the store is full.
    bool Complete() const;
    bool Full() const { return readings_.size() >= kMaxReadings; }
    const std::vector<TimedAngle>& Readings() const { return readings_; }
    /// The first reading's time (seconds), 0 before any.
    double StartSeconds() const { return readings_.empty() ? 0.0 : readings_.front().seconds; }

  private:
    std::vector<TimedAngle> readings_;
    int revolutions_ = 1;
    double unwrapped_ = 0;  // the last reading's angle, unwrapped from the first
    double furthest_ = 0;   // the greatest distance from the first reading, degrees
    double turned_ = 0;
};

/// The time of a recording's readings: the system clock's seconds since 1970 at Start,
/// carried on by the steady clock, so that a step of the system clock (a time server's
/// correction) cannot tear a recording apart, and the two clocks' drift (tens of ppm) does not
/// build up over a session.
class RecordingClock {
  public:
    RecordingClock() { Start(); }
    void Start();
    double Seconds() const;

  private:
    double anchorSystem_ = 0;
    double anchorSteady_ = 0;
};

/// The angle word's 13 bits in degrees: 8192 codes a revolution.
double AngleCodeDegrees(unsigned code);

}  // namespace app
