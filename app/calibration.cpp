#include "app/calibration.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "app/field_map.h"
#include "app/param_groups.h"
#include "app/readings.h"
#include "chip/ASens_Digital.h"

namespace app {

namespace {

constexpr int kOffsetMin = -4096;  // 13-bit two's complement
constexpr int kOffsetMax = 4095;
constexpr uint8_t kAngleOutput = 37;
constexpr uint8_t kStatus = 32;
constexpr uint16_t kOtrX = 1u << 0;  // status bits: a channel out of the ADC's range
constexpr uint16_t kOtrY = 1u << 1;

const ConfigField& Field(const char* key) {
    const ConfigField* field = FieldByKey(key);
    if (field == nullptr) throw std::logic_error(std::string("no field ") + key);
    return *field;
}

uint16_t OffsetValue(int codes) {
    return static_cast<uint16_t>(codes & 0x1FFF);
}

// An angle difference in codes, brought to -4096 .. 4095.
int WrapAngle(int codes) {
    const int full = ZeroAssistant::kFullTurn;
    return ((codes + full / 2) % full + full) % full - full / 2;
}

// A position in codes, brought to 0 .. 8191.
uint16_t TurnValue(long codes) {
    const long full = ZeroAssistant::kFullTurn;
    return static_cast<uint16_t>((codes % full + full) % full);
}

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
    ShowField(field, word, controls_.Control(field.control));
    const uint16_t value = Decode(field, word);
    start_.emplace_back(&field, value);
    return value;
}

bool Assistant::WriteValue(chip::TASensDig& chip, const ConfigField& field, uint16_t value) {
    written_ = true;
    PutFieldValue(field, value, controls_.Control(field.control));
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

// --- the offsets ---------------------------------------------------------------------------

OffsetAssistant::OffsetAssistant(FieldControls& controls, Seconds seconds, PointSink onPoint)
    : Assistant(controls),
      seconds_(std::move(seconds)),
      onPoint_(std::move(onPoint)),
      sine_(Field("OFFSET_SIN")),
      cosine_(Field("OFFSET_COS")) {}

double OffsetAssistant::Progress() const {
    if (Over()) return 1.0;
    if (phase_ == Phase::ReadStart) return 0.0;
    // Four measurements, and the corrections that may follow (the bar jumps to its end when
    // none is needed).
    const double within = phase_ == Phase::Measure ? std::min(1.0, coverage_ / 360.0) : 1.0;
    return std::min(1.0, (measurement_ + within) / (4.0 + kMaxCorrections));
}

void OffsetAssistant::StartMeasurement(int index) {
    measurement_ = index;
    phase_ = Phase::Measure;
    fit_.Reset();
    coverage_ = 0;
    settle_ = index == 0 ? 0 : kSettlePoints;
    measureStart_ = lastAt_ = seconds_();
    travel_ = reach_ = 0;
    taken_ = 0;
}

double OffsetAssistant::TurnRpm() const {
    const double seconds = MeasuredSeconds();
    return taken_ < 2 || !(seconds > 0) ? 0.0 : travel_ / seconds / 6.0;
}

double OffsetAssistant::PointSeconds() const {
    return taken_ < 2 ? 0.0 : MeasuredSeconds() / static_cast<double>(taken_ - 1);
}

double OffsetAssistant::FastestRpm() const {
    const double interval = PointSeconds();
    return interval > 0 ? kMaxStepDegrees / interval / 6.0 : 0.0;
}

bool OffsetAssistant::Usable(const XYPoint& point, double now) {
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
    // The fit has had its points and more than enough turn, and still no turn is covered.
    if (std::abs(travel_) > kMaxTravelDegrees && fit_.Count() > kMinPoints) {
        Fail(AssistantFault::TooFast);
        return false;
    }
    if (MeasuredSeconds() >= kJudgeSeconds && coverage_ < kFullTurnDegrees) {
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

void OffsetAssistant::Work(chip::TASensDig& chip) {
    switch (phase_) {
        case Phase::ReadStart: {
            startSine_ = finalSine_ = Sign13(ReadStart(chip, sine_));
            startCosine_ = finalCosine_ = Sign13(ReadStart(chip, cosine_));
            // A clipped channel has flattened peaks that no circle describes: said before any
            // trial, not after a minute as a step that "moved the other centre".
            const uint16_t status = ReadRegisterWord(chip, kStatus);
            if (status & (kOtrX | kOtrY)) {
                return Fail(AssistantFault::Clipping, status & kOtrX ? "X" : "Y");
            }
            StartMeasurement(0);
            return;
        }
        case Phase::Measure:
            MeasureStep(chip);
            return;
        case Phase::WriteSineTrial:
            if (!WriteValue(chip, sine_, OffsetValue(finalSine_))) {
                return Fail(AssistantFault::NotHeld, std::string(sine_.key));
            }
            return StartMeasurement(1);
        case Phase::WriteCosineTrial:
            if (!WriteValue(chip, cosine_, OffsetValue(finalCosine_))) {
                return Fail(AssistantFault::NotHeld, std::string(cosine_.key));
            }
            return StartMeasurement(2);
        case Phase::WriteSine:
            if (!WriteValue(chip, sine_, OffsetValue(finalSine_))) {
                return Fail(AssistantFault::NotHeld, std::string(sine_.key));
            }
            phase_ = Phase::WriteCosine;
            return;
        case Phase::WriteCosine:
            if (!WriteValue(chip, cosine_, OffsetValue(finalCosine_))) {
                return Fail(AssistantFault::NotHeld, std::string(cosine_.key));
            }
            return StartMeasurement(measurement_ + 1);
    }
}

void OffsetAssistant::MeasureStep(chip::TASensDig& chip) {
    const XYPoint point = ReadXYPoint(chip);
    if (onPoint_) onPoint_(point);
    if (settle_ > 0) {
        --settle_;
        return;
    }
    fit_.Add(point.X, point.Y);
    if (!Usable(point, seconds_())) return;
    if (fit_.Count() >= kMinPoints) {
        if (const std::optional<LissajousResult> fit = fit_.Fit()) {
            coverage_ = fit_.TurnCoverage(*fit);
            if (coverage_ >= kFullTurnDegrees) return Measured(*fit);
        }
    }
    if (seconds_() - measureStart_ > kTimeLimitSeconds) {
        Fail(std::abs(travel_) < kMinTravelDegrees ? AssistantFault::NotTurning
                                                   : AssistantFault::TooSlow);
    }
}

bool OffsetAssistant::ActsOnItsChannel(double own, double other, std::string_view field) {
    if (std::abs(own) < kMinShift) {
        Fail(AssistantFault::NoEffect, std::string(field));
        return false;
    }
    if (std::abs(other) > std::max(kMinShift, std::abs(own) / 2)) {
        Fail(AssistantFault::OtherChannel, std::string(field));
        return false;
    }
    return true;
}

void OffsetAssistant::Measured(const LissajousResult& fit) {
    measured_.push_back({fit.offsetX, fit.offsetY, fit.offsetErrorDegrees, fit_.Count()});
    const CentreMeasurement& now = measured_.back();
    sineLine_.Add(finalSine_ - startSine_, now.x);
    cosineLine_.Add(finalCosine_ - startCosine_, now.y);
    // A trial goes the way that would centre the channel if the register adds to it, half
    // the way (the effect is then measured over a step well above the noise, and solving
    // from it is less of an extrapolation), and the other way when that would leave the
    // register's range.
    auto trial = [](double centre, int start) {
        const int size = std::clamp(static_cast<int>(std::lround(std::abs(centre) / 2)), kTrialStep,
                                    kMaxTrialStep);
        const int step = centre > 0 ? -size : size;
        const int value = start + step;
        return value < kOffsetMin || value > kOffsetMax ? -step : step;
    };
    switch (measurement_) {
        case 0:
            finalSine_ = startSine_ + trial(now.x, startSine_);
            phase_ = Phase::WriteSineTrial;
            return;
        case 1: {
            const CentreMeasurement& before = measured_[0];
            if (!ActsOnItsChannel(now.x - before.x, now.y - before.y, sine_.key)) return;
            finalCosine_ = startCosine_ + trial(now.y, startCosine_);
            phase_ = Phase::WriteCosineTrial;
            return;
        }
        case 2: {
            const CentreMeasurement& before = measured_[1];
            if (!ActsOnItsChannel(now.y - before.y, now.x - before.x, cosine_.key)) return;
            return Solve();
        }
        default: {
            const double distance = std::hypot(now.x, now.y);
            if (distance > kMinShift && distance >= std::hypot(Before().x, Before().y)) {
                return Fail(AssistantFault::NotBetter);
            }
            if (measurement_ >= 3 + kMaxCorrections) return Succeed();
            return Solve();
        }
    }
}

void OffsetAssistant::Solve() {
    // Each register moves its channel's centre by its effect per step: a straight line
    // through every measurement so far, which crosses 0 at the value wanted. Each
    // measurement after a write adds a point away from the trials', so the line and the
    // value get better until the value stays where it is.
    sineEffect_ = sineLine_.Slope();
    cosineEffect_ = cosineLine_.Slope();
    const int sine = startSine_ + static_cast<int>(std::lround(sineLine_.Root()));
    const int cosine = startCosine_ + static_cast<int>(std::lround(cosineLine_.Root()));
    for (const auto& [value, field] :
         {std::pair{sine, sine_.key}, std::pair{cosine, cosine_.key}}) {
        if (value < kOffsetMin || value > kOffsetMax) {
            return Fail(AssistantFault::OutOfRange, std::string(field));
        }
    }
    if (measurement_ >= 3 && sine == finalSine_ && cosine == finalCosine_) return Succeed();
    finalSine_ = sine;
    finalCosine_ = cosine;
    phase_ = Phase::WriteSine;
}

// --- the zero position ---------------------------------------------------------------------

ZeroAssistant::ZeroAssistant(FieldControls& controls)
    : Assistant(controls), zero_(Field("ZERO_POS")) {}

double ZeroAssistant::Progress() const {
    if (Over()) return 1.0;
    // Usually three rounds of readings, each but the last followed by a write.
    const double read = phase_ == Phase::Write ? kReadings : static_cast<double>(readings_.size());
    const double done = round_ * (kReadings + 1) + read;
    return std::min(1.0, done / (3.0 * kReadings + 2));
}

void ZeroAssistant::Work(chip::TASensDig& chip) {
    switch (phase_) {
        case Phase::ReadStart:
            startZero_ = finalZero_ = ReadStart(chip, zero_);
            phase_ = Phase::Read;
            return;
        case Phase::Read:
            readings_.push_back(Low13(ReadRegisterWord(chip, kAngleOutput)));
            if (static_cast<int>(readings_.size()) == kReadings) {
                const std::vector<int> readings = std::exchange(readings_, {});
                ReadRound(readings);
            }
            return;
        case Phase::Write:
            if (!WriteValue(chip, zero_, finalZero_))
                return Fail(AssistantFault::NotHeld, std::string(zero_.key));
            ++round_;
            phase_ = Phase::Read;
            return;
    }
}

void ZeroAssistant::ReadRound(const std::vector<int>& readings) {
    // The readings as differences from the first, so a position near 0 does not wrap.
    int low = 0, high = 0;
    double sum = 0;
    for (int reading : readings) {
        const int d = WrapAngle(reading - readings.front());
        low = std::min(low, d);
        high = std::max(high, d);
        sum += d;
    }
    if (high - low > kRestSpread) return Fail(AssistantFault::Turning);
    double mean = readings.front() + sum / static_cast<double>(readings.size());
    mean -= kFullTurn * std::floor((mean + kFullTurn / 2.0) / kFullTurn);  // -4096 .. 4095
    residual_ = mean;
    if (round_ == 0) before_ = mean;
    if (std::abs(mean) <= kCloseEnough) return Succeed();

    switch (round_) {
        case 0:
            // The usual convention: the output is the position less ZERO_POS.
            firstReading_ = mean;
            firstZero_ = finalZero_ = TurnValue(startZero_ + std::lround(mean));
            phase_ = Phase::Write;
            return;
        case 1: {
            // The reading moved by slope codes per step of ZERO_POS: -1 in the usual
            // convention, +1 in the opposite one.
            const int stepped = WrapAngle(firstZero_ - startZero_);
            double moved = mean - firstReading_;
            moved -= kFullTurn * std::round(moved / kFullTurn);
            slope_ = stepped == 0 ? 0.0 : moved / stepped;
            // A step of a few codes gives the direction, not the size: the noise of the
            // readings is a good part of it.
            if (std::abs(stepped) < kSmallStep && slope_ != 0) slope_ = slope_ > 0 ? 1.0 : -1.0;
            if (std::abs(slope_) < 0.5 || std::abs(slope_) > 2) {
                return Fail(AssistantFault::UnexpectedResponse, std::string(zero_.key));
            }
            break;
        }
        default:
            if (std::abs(mean) >= std::abs(before_)) return Fail(AssistantFault::NotBetter);
            if (round_ > kMaxCorrections) return Succeed();
            break;
    }
    // The slope comes from one step: each correction gets closer still.
    const uint16_t next = TurnValue(finalZero_ - std::lround(mean / slope_));
    if (next == finalZero_) return Succeed();
    finalZero_ = next;
    phase_ = Phase::Write;
}

}  // namespace app
