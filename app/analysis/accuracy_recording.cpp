#include "app/analysis/accuracy_recording.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "app/analysis/angle_stats.h"

namespace app {

void AccuracyRecording::Start(int revolutions) {
    readings_.clear();
    revolutions_ = std::max(1, revolutions);
    unwrapped_ = furthest_ = turned_ = 0;
}

void AccuracyRecording::Add(const TimedAngle& reading) {
    if (Full()) return;
    if (!readings_.empty()) {
        unwrapped_ += Wrap180(reading.degrees - readings_.back().degrees);
        furthest_ = std::max(furthest_, std::abs(unwrapped_));
        turned_ = furthest_ / 360.0;
    }
    readings_.push_back(reading);
}

bool AccuracyRecording::Complete() const {
    return Full() || turned_ >= revolutions_ + kMargin;
}

namespace {

double SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void RecordingClock::Start() {
    anchorSystem_ =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    anchorSteady_ = SteadySeconds();
}

double RecordingClock::Seconds() const {
    return anchorSystem_ + (SteadySeconds() - anchorSteady_);
}

double AngleCodeDegrees(unsigned code) {
    return static_cast<double>(code & 0x1FFFu) * kDegreesPerCode;
}

}  // namespace app
