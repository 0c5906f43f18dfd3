#include "app/calibration/calibration.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <tuple>

#include "app/config/field_map.h"
#include "app/config/param_groups.h"
#include "app/readings/chip_readings.h"
#include "chip/ASens_Digital.h"

namespace app {

namespace {

constexpr uint8_t kStatus = 32;
constexpr uint16_t kOtrX = 1u << 0;  // status bits: a channel out of the ADC's range
constexpr uint16_t kOtrY = 1u << 1;

}  // namespace

// --- what both share ---------------------------------------------------------------------

void Assistant::Step(chip::TASensDig& chip) {
    if (Over()) return;
    try {
        if (!restoring_) {
            Work(chip);
            return;
        }
        if (restoreNext_ < start_.size()) {
            const auto& [field, value] = start_[restoreNext_++];
            if (!WriteValue(chip, *field, value)) restoreFailed_ = true;
            return;
        }
        restored_ = !restoreFailed_;
        outcome_ = ending_;
    } catch (...) {
        outcome_ = AssistantOutcome::Failed;
        throw;
    }
}

void Assistant::Abandon(chip::TASensDig& chip) {
    Cancel();
    // The restore is a write per starting value, and one step to end.
    for (size_t steps = 0; !Over() && steps <= start_.size() + 1; ++steps) Step(chip);
}

void Assistant::Cancel() {
    if (Over() || restoring_) return;
    ending_ = AssistantOutcome::Cancelled;
    fault_ = AssistantFault::None;
    if (written_) {
        restoring_ = true;
    } else {
        outcome_ = ending_;
    }
}

uint16_t Assistant::ReadStart(chip::TASensDig& chip, const ConfigField& field) {
    const uint16_t word = ReadRegisterWord(chip, field.reg);
    ShowField(field, word, controls_.Control(field.control()));
    const uint16_t value = Decode(field, word);
    start_.emplace_back(&field, value);
    return value;
}

bool Assistant::WriteValue(chip::TASensDig& chip, const ConfigField& field, uint16_t value) {
    written_ = true;
    PutFieldValue(field, value, controls_.Control(field.control()));
    return WriteField(chip, field, controls_).result != 0;
}

void Assistant::Fail(AssistantFault fault, std::string field) {
    fault_ = fault;
    faultField_ = std::move(field);
    ending_ = AssistantOutcome::Failed;
    if (written_) {
        restoring_ = true;
    } else {
        outcome_ = ending_;
    }
}

// --- measuring over a turn ------------------------------------------------------------------

TurnAssistant::TurnAssistant(FieldControls& controls, Seconds seconds, PointSink onPoint)
    : Assistant(controls), seconds_(std::move(seconds)), onPoint_(std::move(onPoint)) {}

double TurnAssistant::Progress() const {
    if (Over()) return 1.0;
    if (taken_ == 0 && measurement_ == 0) return 0.0;
    // The planned measurements, each as far as its turn and its points have come (the bar
    // jumps to its end when no correction is needed).
    const double turn = std::min(1.0, coverage_ / 360.0);
    const double points =
        std::min(1.0, static_cast<double>(fit_.Count()) / static_cast<double>(PointsWanted()));
    const double within = std::min(turn, points);
    return std::min(1.0, (measurement_ + within) / PlannedMeasurements());
}

void TurnAssistant::StartMeasurement(int index) {
    measurement_ = index;
    fit_.Reset();
    live_.reset();
    coverage_ = 0;
    settle_ = index == 0 ? 0 : kSettlePoints;
    measureStart_ = lastAt_ = seconds_();
    travel_ = reach_ = 0;
    taken_ = 0;
}

double TurnAssistant::TurnRpm() const {
    const double seconds = MeasuredSeconds();
    return taken_ < 2 || !(seconds > 0) ? 0.0 : travel_ / seconds / 6.0;
}

double TurnAssistant::PointSeconds() const {
    return taken_ < 2 ? 0.0 : MeasuredSeconds() / static_cast<double>(taken_ - 1);
}

double TurnAssistant::FastestRpm() const {
    const double interval = PointSeconds();
    return interval > 0 ? kMaxStepDegrees / interval / 6.0 : 0.0;
}

size_t TurnAssistant::PointsWanted() const {
    if (!live_) return kMinPoints;
    // The centre's standard error is noise * sqrt(2 / points).
    const double ratio = live_->noise / kTargetError;
    const double wanted = std::ceil(2 * ratio * ratio);
    return static_cast<size_t>(
        std::clamp(wanted, static_cast<double>(kMinPoints), static_cast<double>(kMaxPoints)));
}

double TurnAssistant::SecondsLeft() const {
    const double point = PointSeconds();
    const double rpm = std::abs(TurnRpm());
    if (Over()) return 0.0;
    if (!(point > 0) || !(rpm > 0)) return -1.0;
    const double turn = 60.0 / rpm;
    const double wanted = static_cast<double>(PointsWanted());
    const double count = static_cast<double>(fit_.Count());
    const double now = std::max(turn * (1.0 - std::min(1.0, coverage_ / 360.0)),
                                (wanted - std::min(wanted, count)) * point);
    const double each = std::max(turn, wanted * point) + kSettlePoints * point;
    const int later = std::max(0, PlannedMeasurements() - measurement_ - 1);
    return std::min(now, kTimeLimitSeconds) + later * std::min(each, kTimeLimitSeconds);
}

bool Assistant::NotClipping(chip::TASensDig& chip) {
    // A clipped channel has flattened peaks that no circle describes: said before any
    // trial, not after a minute as a step that "moved the other centre".
    const uint16_t status = ReadRegisterWord(chip, kStatus);
    if (status & (kOtrX | kOtrY)) {
        Fail(AssistantFault::Clipping, status & kOtrX ? "X" : "Y");
        return false;
    }
    return true;
}

bool TurnAssistant::Usable(const XYPoint& point, double now) {
    if (fit_.ClipsX() || fit_.ClipsY()) {
        Fail(AssistantFault::Clipping, fit_.ClipsX() ? "X" : "Y");
        return false;
    }
    // The angle around zero, not around the middle of the points as the fit's timed points
    // take it: the centre is within the circle for any offset worth centring, and a magnet
    // at rest then keeps one angle, where the middle of its own noise would not.
    const double angle = std::atan2(static_cast<double>(point.X), static_cast<double>(point.Y)) *
                         180.0 / std::numbers::pi;
    if (taken_ > 0) {
        double step = angle - lastAngle_;
        step -= 360.0 * std::round(step / 360.0);
        travel_ += step;
    }
    lastAngle_ = angle;
    lastAt_ = now;
    reach_ = std::max(reach_, std::hypot(point.X, point.Y));
    ++taken_;
    if (taken_ >= 16 && reach_ < kMinAmplitude) {
        Fail(AssistantFault::NoSignal);
        return false;
    }
    if (coverage_ >= kFullTurnDegrees) return true;  // the turn is there: averaging goes on
    // The fit has had its points and more than enough turn, and still no turn is covered.
    if (std::abs(travel_) > kMaxTravelDegrees && fit_.Count() > kMinPoints) {
        Fail(AssistantFault::TooFast);
        return false;
    }
    if (MeasuredSeconds() >= kJudgeSeconds) {
        if (std::abs(travel_) < kMinTravelDegrees) {
            Fail(AssistantFault::NotTurning);
            return false;
        }
        // The rest of a turn at the speed seen would not come within the time limit.
        if (360.0 / (std::abs(travel_) / MeasuredSeconds()) > kTimeLimitSeconds) {
            Fail(AssistantFault::TooSlow);
            return false;
        }
    }
    return true;
}

void TurnAssistant::MeasureStep(chip::TASensDig& chip) {
    const XYPoint point = ReadXYPoint(chip);
    if (onPoint_) onPoint_(point);
    if (settle_ > 0) {
        --settle_;
        return;
    }
    fit_.Add(point.X, point.Y);
    if (!Usable(point, seconds_())) return;
    const double elapsed = seconds_() - measureStart_;
    if (fit_.Count() >= LissajousFit::kMinPoints) {
        if (const std::optional<LissajousResult> fit = fit_.Fit()) {
            const double n = static_cast<double>(fit_.Count());
            live_ = TurnMeasurement{fit->offsetX,
                                    fit->offsetY,
                                    fit->amplitudeX,
                                    fit->amplitudeY,
                                    fit->mismatchPercent,
                                    fit->offsetErrorDegrees,
                                    fit->mismatchErrorDegrees,
                                    fit->rmsDistance,
                                    fit->rmsDistance * std::sqrt(2.0 / n),
                                    fit_.Count()};
            if (fit_.Count() >= kMinPoints) coverage_ = fit_.TurnCoverage(*fit);
            if (coverage_ >= kFullTurnDegrees &&
                (live_->error <= kTargetError || fit_.Count() >= kMaxPoints ||
                 elapsed >= kTimeLimitSeconds)) {
                measured_.push_back(*live_);
                return Measured(measured_.back());
            }
        }
    }
    // Past the limit without a measurement: no turn covered, or none the fit could take.
    if (elapsed > kTimeLimitSeconds) {
        Fail(std::abs(travel_) < kMinTravelDegrees ? AssistantFault::NotTurning
                                                   : AssistantFault::TooSlow);
    }
}

void TurnAssistant::TrimStep(chip::TASensDig& chip, const Trim* trim) {
    // A value goes in as the field's bits: a negative one as its two's complement.
    auto write = [&](const ConfigField& field, int value) {
        const uint16_t word = static_cast<uint16_t>(value & ((1 << field.width) - 1));
        if (WriteValue(chip, field, word)) return true;
        Fail(AssistantFault::NotHeld, std::string(field.key));
        return false;
    };
    if (phase_ == Phase::Measure) return MeasureStep(chip);
    if (phase_ == Phase::ReadStart || trim == nullptr) return;
    const bool x = phase_ == Phase::WriteTrialX || phase_ == Phase::WriteX;
    if (!write(x ? *trim->fieldX : *trim->fieldY, x ? trim->finalX : trim->finalY)) return;
    if (phase_ == Phase::WriteX) {
        phase_ = Phase::WriteY;  // both solved values, then one measurement
        return;
    }
    phase_ = Phase::Measure;
    StartMeasurement(measurement_ + 1);
}

double TurnAssistant::ShiftError(const TurnMeasurement& a, const TurnMeasurement& b) {
    return std::hypot(a.error, b.error);
}

double TurnAssistant::SignificantShift(const TurnMeasurement& a, const TurnMeasurement& b) {
    return std::max(kMinShift, kShiftSigmas * ShiftError(a, b));
}

AssistantFault TurnAssistant::TrialFault(double own, double other, double significant) {
    if (std::abs(own) < significant) return AssistantFault::NoEffect;
    if (std::abs(other) > std::max(significant, std::abs(own) / 2)) {
        return AssistantFault::OtherChannel;
    }
    return AssistantFault::None;
}

bool TurnAssistant::ActsOnItsChannel(double own, double other, double significant,
                                     std::string_view field) {
    const AssistantFault fault = TrialFault(own, other, significant);
    if (fault == AssistantFault::None) return true;
    Fail(fault, std::string(field));
    return false;
}

}  // namespace app
