// Set zero: ZERO_POS chosen so that the magnet at rest reads the angle asked for.
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

namespace {
constexpr uint8_t kAngleOutput = 37;
}  // namespace

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
