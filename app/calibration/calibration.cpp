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

// A field's value as a two's complement number of the field's width.
int SignedField(uint16_t value, const ConfigField& field) {
    const int half = 1 << (field.width - 1);
    return value >= half ? static_cast<int>(value) - 2 * half : static_cast<int>(value);
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

// --- the offsets ---------------------------------------------------------------------------

OffsetAssistant::OffsetAssistant(FieldControls& controls, Seconds seconds, PointSink onPoint)
    : TurnAssistant(controls, std::move(seconds), std::move(onPoint)) {
    coarse_.fieldX = &Field("OA_X");
    coarse_.fieldY = &Field("OA_Y");
    fine_.fieldX = &Field("OFFSET_SIN");
    fine_.fieldY = &Field("OFFSET_COS");
}

int OffsetAssistant::PlannedMeasurements() const {
    // Coarse: the first, two trials and the solved values; fine: two trials, the solved
    // values and the corrections.
    return (coarsePlanned_ ? 3 : 0) + 4 + kMaxCorrections;
}

void OffsetAssistant::Work(chip::TASensDig& chip) {
    if (phase_ != Phase::ReadStart) return TrimStep(chip, stage_);
    for (Trim* trim : {&coarse_, &fine_}) {
        trim->startX = trim->finalX = SignedField(ReadStart(chip, *trim->fieldX), *trim->fieldX);
        trim->startY = trim->finalY = SignedField(ReadStart(chip, *trim->fieldY), *trim->fieldY);
    }
    if (!NotClipping(chip)) return;
    phase_ = Phase::Measure;
    StartMeasurement(0);
}

void OffsetAssistant::Begin(Trim& stage) {
    stage_ = &stage;
    stage.used = true;
    stageBase_ = Measurement();
    lineX_ = LineFit();
    lineY_ = LineFit();
    const TurnMeasurement& base = Measurements().back();
    lineX_.Add(0, base.x);
    lineY_.Add(0, base.y);
    stage.finalX = Trial(base.x, stage.startX, base.error);
    phase_ = Phase::WriteTrialX;
}

int OffsetAssistant::Trial(double centre, int start, double error) const {
    // A trial goes the way that would centre the channel if the register adds to it, and
    // the other way when that would leave the register's range. A fine step is half the
    // centre's distance (the effect is then measured over a step well above the noise, and
    // solving from it is less of an extrapolation), and big enough to stand out of the noise.
    int size = kCoarseTrialStep;
    if (stage_ == &fine_) {
        const double wanted = std::max(std::abs(centre) / 2, kTrialSigmas * error);
        size = std::clamp(static_cast<int>(std::lround(wanted)), kTrialStep, kMaxTrialStep);
    }
    const int half = 1 << (stage_->fieldX->width - 1);
    const int step = centre > 0 ? -size : size;
    const int value = start + step;
    return value < -half || value >= half ? start - step : value;
}

bool OffsetAssistant::Centred(const TurnMeasurement& m) const {
    auto within = [&](double centre, double effect) {
        return std::abs(centre) <=
               std::max(kCentredCodes, kCentredSigmas * m.error) + std::abs(effect) / 2;
    };
    return within(m.x, stage_->effectX) && within(m.y, stage_->effectY);
}

void OffsetAssistant::Measured(const TurnMeasurement& now) {
    if (stage_ == nullptr) {
        // The first measurement: far off, the analogue offsets bring the centre near first.
        coarsePlanned_ = std::max(std::abs(now.x), std::abs(now.y)) > kCoarseFrom;
        return Begin(coarsePlanned_ ? coarse_ : fine_);
    }
    Trim& stage = *stage_;
    const std::vector<TurnMeasurement>& all = Measurements();
    const TurnMeasurement& previous = all[all.size() - 2];
    lineX_.Add(stage.finalX - stage.startX, now.x);
    lineY_.Add(stage.finalY - stage.startY, now.y);
    switch (const int step = Measurement() - stageBase_) {
        case 1:
        case 2: {
            const bool x = step == 1;
            const AssistantFault fault = TrialFault(x ? now.x - previous.x : now.y - previous.y,
                                                    x ? now.y - previous.y : now.x - previous.x,
                                                    SignificantShift(now, previous));
            if (fault != AssistantFault::None) {
                if (&stage != &coarse_) {
                    return Fail(fault, std::string(x ? stage.fieldX->key : stage.fieldY->key));
                }
                // The analogue offsets do not act as offsets: their starting values go back
                // and the digital offsets do the whole work.
                coarseDropped_ = true;
                stage.used = false;
                stage.finalX = stage.startX;
                stage.finalY = stage.startY;
                phase_ = Phase::WriteX;
                return;
            }
            if (!x) return Solve();
            stage.finalY = Trial(now.y, stage.startY, now.error);
            phase_ = Phase::WriteTrialY;
            return;
        }
        default: {
            MarkSettled();
            if (&stage == &coarse_ && coarseDropped_) return Begin(fine_);
            const TurnMeasurement& base = all[static_cast<size_t>(stageBase_)];
            const double distance = std::hypot(now.x, now.y);
            if (distance > SignificantShift(now, base) && distance >= std::hypot(base.x, base.y)) {
                return Fail(AssistantFault::NotBetter);
            }
            // The analogue offsets leave up to half their step: the digital ones finish.
            if (&stage == &coarse_) return Begin(fine_);
            if (Centred(now)) return Succeed();
            if (step >= 3 + kMaxCorrections) return Fail(AssistantFault::OutsideTolerance);
            return Solve();
        }
    }
}

void OffsetAssistant::Solve() {
    // Each register moves its channel's centre by its effect per step: a straight line
    // through every measurement of the stage, which crosses 0 at the value wanted. Each
    // measurement after a write adds a point away from the trials', so the line and the
    // value get better.
    Trim& stage = *stage_;
    stage.effectX = lineX_.Slope();
    stage.effectY = lineY_.Slope();
    const int half = 1 << (stage.fieldX->width - 1);
    int x = stage.startX + static_cast<int>(std::lround(lineX_.Root()));
    int y = stage.startY + static_cast<int>(std::lround(lineY_.Root()));
    if (&stage == &coarse_) {
        // As near as the analogue offsets reach: the digital ones finish.
        x = std::clamp(x, -half, half - 1);
        y = std::clamp(y, -half, half - 1);
    }
    for (const auto& [value, field] : {std::pair{x, stage.fieldX}, std::pair{y, stage.fieldY}}) {
        if (value < -half || value >= half) {
            return Fail(AssistantFault::OutOfRange, std::string(field->key));
        }
    }
    if (Measurement() - stageBase_ >= 3 && x == stage.finalX && y == stage.finalY) {
        // The line puts the values where they are, and the centre is not within its
        // tolerance: more writes would not help.
        return Fail(AssistantFault::OutsideTolerance);
    }
    stage.finalX = x;
    stage.finalY = y;
    phase_ = Phase::WriteX;
}

// --- the amplitudes ------------------------------------------------------------------------

AmplitudeAssistant::AmplitudeAssistant(FieldControls& controls, Seconds seconds, PointSink onPoint)
    : TurnAssistant(controls, std::move(seconds), std::move(onPoint)) {
    gains_.fieldX = &Field("GA_X");
    gains_.fieldY = &Field("GA_Y");
}

void AmplitudeAssistant::Work(chip::TASensDig& chip) {
    if (phase_ != Phase::ReadStart) return TrimStep(chip, &gains_);
    gains_.startX = gains_.finalX = ReadStart(chip, *gains_.fieldX);
    gains_.startY = gains_.finalY = ReadStart(chip, *gains_.fieldY);
    if (!NotClipping(chip)) return;
    phase_ = Phase::Measure;
    StartMeasurement(0);
}

bool AmplitudeAssistant::Matched(const TurnMeasurement& m) const {
    // Within the noise of the two amplitudes, and within half a register step, which whole
    // steps may leave; a pair the headroom kept further apart is no match.
    const double noise = std::max(kMinShift, kShiftSigmas * std::sqrt(2.0) * m.error);
    const double step = std::max(std::abs(gains_.effectX), std::abs(gains_.effectY));
    return std::abs(m.amplitudeX - m.amplitudeY) <= noise + std::min(std::abs(expected_), step / 2);
}

void AmplitudeAssistant::Measured(const TurnMeasurement& now) {
    const std::vector<TurnMeasurement>& all = Measurements();
    lineX_.Add(gains_.finalX, now.amplitudeX);
    lineY_.Add(gains_.finalY, now.amplitudeY);
    // A trial goes down, where a higher value may gain more and clip, and up only from the
    // bottom of the register's range.
    auto trial = [](int start) {
        return start >= kTrialStep ? start - kTrialStep : start + kTrialStep;
    };
    switch (Measurement()) {
        case 0:
            if (Matched(now)) return Succeed();  // nothing to do: nothing written
            gains_.used = true;
            gains_.finalX = trial(gains_.startX);
            phase_ = Phase::WriteTrialX;
            return;
        case 1:
            if (!ActsOnItsChannel(now.amplitudeX - all[0].amplitudeX,
                                  now.amplitudeY - all[0].amplitudeY, SignificantShift(now, all[0]),
                                  gains_.fieldX->key)) {
                return;
            }
            gains_.finalY = trial(gains_.startY);
            phase_ = Phase::WriteTrialY;
            return;
        case 2:
            if (!ActsOnItsChannel(now.amplitudeY - all[1].amplitudeY,
                                  now.amplitudeX - all[1].amplitudeX, SignificantShift(now, all[1]),
                                  gains_.fieldY->key)) {
                return;
            }
            return Solve();
        default: {
            MarkSettled();
            const TurnMeasurement& first = all.front();
            const double before = std::abs(first.amplitudeX - first.amplitudeY);
            const double after = std::abs(now.amplitudeX - now.amplitudeY);
            if (after > SignificantShift(now, first) && after >= before) {
                return Fail(AssistantFault::NotBetter);
            }
            if (Matched(now)) return Succeed();
            if (Measurement() >= 3 + kMaxCorrections) {
                return Fail(AssistantFault::OutsideTolerance);
            }
            return Solve();
        }
    }
}

void AmplitudeAssistant::Solve() {
    // Each amplitude is a straight line against its register, as measured. Every pair of
    // values is tried: the best match first, then the least change, then the amplitude
    // nearest the start's, then the smaller (more headroom); a pair that would take the
    // larger amplitude and the centre past the ADC's end is left out.
    gains_.effectX = lineX_.Slope();
    gains_.effectY = lineY_.Slope();
    const TurnMeasurement& last = Measurements().back();
    const TurnMeasurement& first = Measurements().front();
    const double centre = std::max(std::abs(last.x), std::abs(last.y));
    const double limit = kHeadroom * 4096 - centre;
    const double startMean = (first.amplitudeX + first.amplitudeY) / 2;
    const double step = std::max(std::abs(gains_.effectX), std::abs(gains_.effectY));
    const int top = (1 << gains_.fieldX->width) - 1;
    struct Best {
        double mismatch, change, distance, mean;
        int x, y;
    };
    std::optional<Best> best;
    for (int x = 0; x <= top; ++x) {
        for (int y = 0; y <= top; ++y) {
            const double ax = lineX_.At(x), ay = lineY_.At(y);
            if (std::max(ax, ay) > limit) continue;
            // Mismatches within half a register step of each other are as good.
            const double mismatch = std::abs(ax - ay);
            const Best candidate{
                std::round(mismatch / std::max(1.0, step / 2)),
                static_cast<double>(std::abs(x - gains_.startX) + std::abs(y - gains_.startY)),
                std::abs((ax + ay) / 2 - startMean),
                (ax + ay) / 2,
                x,
                y};
            auto key = [](const Best& b) {
                return std::tuple(b.mismatch, b.change, std::round(b.distance), b.mean);
            };
            if (!best || key(candidate) < key(*best)) best = candidate;
        }
    }
    if (!best) return Fail(AssistantFault::OutOfRange, std::string(gains_.fieldX->key));
    expected_ = lineX_.At(best->x) - lineY_.At(best->y);
    if (Measurement() >= 3 && best->x == gains_.finalX && best->y == gains_.finalY) {
        return Fail(AssistantFault::OutsideTolerance);
    }
    gains_.finalX = best->x;
    gains_.finalY = best->y;
    phase_ = Phase::WriteX;
}

// --- the zero position ---------------------------------------------------------------------

ZeroAssistant::ZeroAssistant(FieldControls& controls, int target, double tolerance)
    : Assistant(controls),
      zero_(Field("ZERO_POS")),
      target_(TurnValue(target)),
      tolerance_(std::max(0.5, tolerance)) {}

double ZeroAssistant::Progress() const {
    if (Over()) return 1.0;
    // Usually three rounds of readings, each but the last followed by a write.
    const double wanted = readingsWanted_;
    const double read = phase_ == Phase::Write ? wanted : static_cast<double>(readings_.size());
    const double done = round_ * (wanted + 1) + read;
    return std::min(1.0, done / (3.0 * wanted + 2));
}

void ZeroAssistant::Work(chip::TASensDig& chip) {
    switch (phase_) {
        case Phase::ReadStart:
            startZero_ = finalZero_ = ReadStart(chip, zero_);
            phase_ = Phase::CheckStatus;
            return;
        case Phase::CheckStatus:
            // The angle of a clipped or absent signal is no position to zero.
            if (NotClipping(chip)) phase_ = Phase::CheckSignal;
            return;
        case Phase::CheckSignal: {
            const XYPoint point = ReadXYPoint(chip);
            if (std::hypot(point.X, point.Y) < TurnAssistant::kMinAmplitude) {
                return Fail(AssistantFault::NoSignal);
            }
            phase_ = Phase::Read;
            return;
        }
        case Phase::Read:
            readings_.push_back(Low13(ReadRegisterWord(chip, kAngleOutput)));
            if (static_cast<int>(readings_.size()) >= readingsWanted_) {
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

double ZeroAssistant::MeanFromTarget(const std::vector<int>& readings) const {
    if (readings.empty()) return 0.0;
    // As differences from the first, so a position near 0 does not wrap.
    double sum = 0;
    for (int reading : readings) sum += WrapAngle(reading - readings.front());
    const double mean = readings.front() + sum / static_cast<double>(readings.size()) - target_;
    return mean - kFullTurn * std::floor((mean + kFullTurn / 2.0) / kFullTurn);
}

double ZeroAssistant::LiveMean() const {
    return MeanFromTarget(readings_);
}

double ZeroAssistant::LiveScatter() const {
    if (readings_.size() < 2) return 0.0;
    double sum = 0, squares = 0;
    for (int reading : readings_) {
        const double d = WrapAngle(reading - readings_.front());
        sum += d;
        squares += d * d;
    }
    const double n = static_cast<double>(readings_.size());
    return std::sqrt(std::max(0.0, (squares - sum * sum / n) / (n - 1)));
}

void ZeroAssistant::ReadRound(const std::vector<int>& readings) {
    // The readings as differences from the first, so a position near 0 does not wrap, and
    // as a line against their order: a magnet that turns drifts, a noisy one at rest
    // scatters about a level line.
    LineFit line;
    for (size_t i = 0; i < readings.size(); ++i) {
        line.Add(static_cast<double>(i), WrapAngle(readings[i] - readings.front()));
    }
    const double n = static_cast<double>(readings.size());
    const double scatter = line.ResidualSd();
    drift_ = line.Slope() * (n - 1);
    const double driftError = line.SlopeError() * (n - 1);
    if (std::abs(drift_) > std::max(kDriftSigmas * driftError, tolerance_ / 2)) {
        return Fail(AssistantFault::Turning);
    }
    // Enough readings for the mean to be good to a third of the tolerance: a round that has
    // fewer reads on before it is judged.
    const double wanted = std::ceil(9 * scatter * scatter / (tolerance_ * tolerance_));
    readingsWanted_ = static_cast<int>(std::clamp(wanted, double(kReadings), double(kMaxReadings)));
    if (static_cast<int>(readings.size()) < readingsWanted_) {
        readings_ = readings;
        return;
    }
    readingsUsed_ = static_cast<int>(readings.size());
    const double mean = MeanFromTarget(readings);
    residual_ = mean;
    residualError_ = scatter / std::sqrt(n);
    if (round_ == 0) before_ = mean;
    if (std::abs(mean) <= tolerance_) return Succeed();

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
            if (round_ > kMaxCorrections) return Fail(AssistantFault::OutsideTolerance);
            break;
    }
    // The slope comes from one step: each correction gets closer still.
    const uint16_t next = TurnValue(finalZero_ - std::lround(mean / slope_));
    if (next == finalZero_) return Fail(AssistantFault::OutsideTolerance);
    finalZero_ = next;
    phase_ = Phase::Write;
}

}  // namespace app
