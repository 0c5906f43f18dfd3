// The assistants that trim a pair of registers over turns of the magnet: the offsets that
// centre the signals and the gains that match their amplitudes.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <tuple>

#include "app/calibration/assistant_parts.h"
#include "app/calibration/calibration.h"
#include "app/config/field_map.h"
#include "app/config/param_groups.h"
#include "app/readings/chip_readings.h"
#include "chip/ASens_Digital.h"

namespace app {

using namespace calibration_detail;

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

}  // namespace app
