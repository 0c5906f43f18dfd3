#include "app/calibration/calibration_report.h"

#include <algorithm>
#include <cmath>

#include "app/config/field_map.h"

namespace app {

namespace {

// A number to the given decimals, never "-0.0".
std::string Fixed(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return FixedText(std::round(value * scale) / scale + 0.0, decimals);
}

std::string Codes(double value) {
    return Fixed(value, 1);
}

std::string Degrees(double value) {
    return Fixed(value, 2);
}

std::string Rpm(double value) {
    return FixedText(value, value < 10 ? 1 : 0);
}

std::string Number(long long value) {
    return std::to_string(value);
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        if (!text.empty()) text += '\n';
        text += line;
    }
    return text;
}

std::string OutsideText(const Assistant& assistant, const CalibrationTexts& texts) {
    if (const auto* zero = dynamic_cast<const ZeroAssistant*>(&assistant)) {
        return FillIn(texts.vZeroOutside, {Codes(zero->Residual()), Codes(zero->Tolerance())});
    }
    const auto* turn = dynamic_cast<const TurnAssistant*>(&assistant);
    if (turn == nullptr || turn->Measurements().empty()) return {};
    const TurnMeasurement& last = turn->Measurements().back();
    if (const auto* offsets = dynamic_cast<const OffsetAssistant*>(turn)) {
        const double allowed =
            std::max(OffsetAssistant::kCentredCodes, OffsetAssistant::kCentredSigmas * last.error) +
            std::max(std::abs(offsets->SineEffect()), std::abs(offsets->CosineEffect())) / 2;
        return FillIn(texts.vCentreOutside, {Codes(std::hypot(last.x, last.y)), Codes(allowed)});
    }
    return FillIn(texts.vAmplitudeOutside, {Codes(std::abs(last.amplitudeX - last.amplitudeY))});
}

std::string FaultText(const Assistant& assistant, const CalibrationTexts& texts) {
    const std::string& field = assistant.FaultField();
    const auto* turn = dynamic_cast<const TurnAssistant*>(&assistant);
    switch (assistant.Fault()) {
        case AssistantFault::None:
            break;
        case AssistantFault::NotTurning:
            if (turn == nullptr || turn->PointSeconds() <= 0) {
                return FillIn(texts.vNotTurning,
                              {FixedText(OffsetAssistant::kTimeLimitSeconds, 0)});
            }
            return FillIn(texts.vStill,
                          {FixedText(std::abs(turn->TravelDegrees()), 0),
                           FixedText(turn->MeasuredSeconds(), 0),
                           Rpm(OffsetAssistant::SlowestRpm()), Rpm(turn->FastestRpm())});
        case AssistantFault::TooSlow:
            if (turn == nullptr) break;
            return FillIn(
                texts.vTooSlow,
                {Rpm(std::abs(turn->TurnRpm())), FixedText(OffsetAssistant::kTimeLimitSeconds, 0),
                 Rpm(OffsetAssistant::SlowestRpm()), Rpm(turn->FastestRpm())});
        case AssistantFault::TooFast:
            if (turn == nullptr) break;
            return FillIn(texts.vTooFast,
                          {Rpm(std::abs(turn->TurnRpm())), FixedText(turn->PointSeconds(), 2),
                           Rpm(OffsetAssistant::SlowestRpm()), Rpm(turn->FastestRpm())});
        case AssistantFault::Clipping:
            return FillIn(texts.vClipping, {field});
        case AssistantFault::NoSignal:
            return FillIn(texts.vNoSignal, {FixedText(OffsetAssistant::kMinAmplitude, 0)});
        case AssistantFault::NoEffect:
            return FillIn(texts.vNoEffect, {field});
        case AssistantFault::OtherChannel:
            return FillIn(texts.vOtherChannel, {field});
        case AssistantFault::OutOfRange:
            return FillIn(texts.vOutOfRange, {field});
        case AssistantFault::NotBetter:
            return texts.vNotBetter;
        case AssistantFault::NotHeld:
            return FillIn(texts.vNotHeld, {field});
        case AssistantFault::Turning: {
            const auto* zero = dynamic_cast<const ZeroAssistant*>(&assistant);
            if (zero == nullptr) return texts.vTurning;
            return texts.vTurning + '\n' + FillIn(texts.vDrift, {Codes(zero->Drift())});
        }
        case AssistantFault::OutsideTolerance:
            return OutsideText(assistant, texts);
        case AssistantFault::UnexpectedResponse:
            return FillIn(texts.vUnexpected, {field});
    }
    return {};
}

// The first line: done (`done`), cancelled, or failed (`failed`) with the reason.
void Outcome(std::vector<std::string>& lines, const Assistant& a, const CalibrationTexts& texts,
             const std::string& done, const std::string& failed) {
    switch (a.Outcome()) {
        case AssistantOutcome::Done:
            lines.push_back(done);
            break;
        case AssistantOutcome::Cancelled:
            lines.push_back(texts.vCancelled);
            break;
        default:
            lines.push_back(failed);
            lines.push_back(FaultText(a, texts));
            break;
    }
}

// "The last measurement is good to ±e codes…", nothing without a measurement.
void Uncertainty(std::vector<std::string>& lines, const TurnAssistant& a,
                 const CalibrationTexts& texts) {
    if (a.Measurements().empty()) return;
    const TurnMeasurement& m = a.Measurements().back();
    if (m.points == 0) return;
    lines.push_back(FillIn(texts.vUncertainty, {Codes(m.error), Codes(m.noise), Number(m.points)}));
}

void AmplitudeLines(std::vector<std::string>& lines, const AmplitudeAssistant& a,
                    const CalibrationTexts& texts) {
    Outcome(lines, a, texts, a.Written() ? texts.vAmplitudeDone : texts.vAmplitudeAlready,
            texts.vAmplitudeFailed);
    auto figures = [](const std::string& text, const TurnMeasurement& m) {
        return FillIn(text, {Codes(m.amplitudeX), Codes(m.amplitudeY), Fixed(m.mismatchPercent, 2),
                             Degrees(m.mismatchErrorDegrees)});
    };
    const TurnMeasurement before = a.Before(), after = a.After();
    if (before.points > 0) lines.push_back(figures(texts.vAmplitudeBefore, before));
    if (after.points > 0) lines.push_back(figures(texts.vAmplitudeAfter, after));
    if (a.Outcome() == AssistantOutcome::Done && a.Written()) {
        const Trim& g = a.Gains();
        lines.push_back(
            FillIn(texts.vAmplitudeValues,
                   {Number(g.startX), Number(g.finalX), Number(g.startY), Number(g.finalY),
                    FixedText(g.effectX, 1), FixedText(g.effectY, 1)}));
    }
    Uncertainty(lines, a, texts);
}

void CentreLines(std::vector<std::string>& lines, const OffsetAssistant& a,
                 const CalibrationTexts& texts) {
    Outcome(lines, a, texts, texts.vCentreDone, texts.vCentreFailed);
    const TurnMeasurement before = a.Before(), after = a.After();
    if (before.points > 0) {
        lines.push_back(FillIn(texts.vCentreBefore,
                               {Codes(before.x), Codes(before.y), Degrees(before.errorDegrees)}));
    }
    if (after.points > 0) {
        lines.push_back(FillIn(texts.vCentreAfter,
                               {Codes(after.x), Codes(after.y), Degrees(after.errorDegrees)}));
    }
    if (a.Outcome() == AssistantOutcome::Done) {
        // The registers as the page's edits show them (unsigned), with the signed value.
        auto value = [](const Trim& trim, int v) {
            const int word = v & ((1 << trim.fieldX->width) - 1);
            return word == v ? Number(v) : Number(word) + " (" + Number(v) + ")";
        };
        auto values = [&](const std::string& text, const Trim& trim) {
            return FillIn(text, {value(trim, trim.startX), value(trim, trim.finalX),
                                 value(trim, trim.startY), value(trim, trim.finalY),
                                 FixedText(trim.effectX, 2), FixedText(trim.effectY, 2)});
        };
        if (a.Coarse().used) lines.push_back(values(texts.vCoarseValues, a.Coarse()));
        lines.push_back(values(texts.vCentreValues, a.Fine()));
    }
    Uncertainty(lines, a, texts);
}

void ZeroLines(std::vector<std::string>& lines, const ZeroAssistant& a,
               const CalibrationTexts& texts) {
    const auto degrees = [](double codes) { return Degrees(ZeroAssistant::Degrees(codes)); };
    const std::string done =
        a.Target() == 0 ? texts.vZeroDone : FillIn(texts.vZeroDoneAt, {degrees(a.Target())});
    Outcome(lines, a, texts, done, texts.vZeroFailed);
    if (a.Outcome() != AssistantOutcome::Done) return;
    lines.push_back(FillIn(texts.vZeroResult, {Codes(a.Before()), degrees(a.Before()),
                                               Codes(a.Residual()), degrees(a.Residual())}));
    lines.push_back(FillIn(texts.vZeroValues, {Number(a.StartZero()), Number(a.FinalZero())}));
    lines.push_back(
        FillIn(texts.vZeroTarget, {degrees(a.Target()), Number(a.Target()), Codes(a.Tolerance()),
                                   Codes(a.ResidualError()), Number(a.Readings())}));
}

}  // namespace

std::string AssistantReport(const Assistant& assistant, const CalibrationTexts& texts,
                            FieldControls& fields, const std::string& failure) {
    std::vector<std::string> lines;
    if (const auto* zero = dynamic_cast<const ZeroAssistant*>(&assistant)) {
        ZeroLines(lines, *zero, texts);
    } else if (const auto* offsets = dynamic_cast<const OffsetAssistant*>(&assistant)) {
        CentreLines(lines, *offsets, texts);
    } else if (const auto* gains = dynamic_cast<const AmplitudeAssistant*>(&assistant)) {
        AmplitudeLines(lines, *gains, texts);
    }
    const Assistant& a = assistant;
    if (a.Restored()) lines.push_back(texts.vRestored);
    if (a.RestoreFailed()) {
        lines.push_back(texts.vNotRestored);
    } else if (a.Written() && !a.Restored() && a.Outcome() != AssistantOutcome::Done) {
        lines.push_back(texts.vNotWrittenBack);  // a transfer failed on the way
        for (const auto& [field, start] : a.StartValues()) {
            lines.push_back(FillIn(
                texts.vMayHold,
                {std::string(field->key), fields.Control(field->control()).Text(), Number(start)}));
        }
    }
    // A transfer that failed has its own report; the assistant then has no reason of its
    // own, and the empty line it leaves goes.
    if (!failure.empty()) lines.insert(lines.begin(), failure);
    return Join(lines);
}

std::string AssistantLiveLines(const Assistant& assistant, const CalibrationTexts& texts) {
    if (const auto* zero = dynamic_cast<const ZeroAssistant*>(&assistant)) {
        if (zero->RoundReadings() < 2) return {};
        return '\n' +
               FillIn(texts.vZeroLive, {Number(zero->RoundReadings()), Number(zero->Readings()),
                                        Codes(zero->LiveMean()), Codes(zero->LiveScatter())});
    }
    const auto* turn = dynamic_cast<const TurnAssistant*>(&assistant);
    if (turn == nullptr) return {};
    std::string lines;
    if (const std::optional<TurnMeasurement>& live = turn->Live()) {
        lines +=
            '\n' + FillIn(texts.vLiveFigures, {Codes(live->x), Codes(live->y),
                                               Codes(live->amplitudeX), Codes(live->amplitudeY),
                                               Rpm(std::abs(turn->TurnRpm())), Codes(live->noise)});
    }
    if (const double left = turn->SecondsLeft(); left >= 0) {
        lines += '\n' + FillIn(texts.vTimeLeft, {Number(std::lround(left))});
    }
    return lines;
}

std::vector<std::string> CalibrationRecordLines(const CalibrationTexts& texts,
                                                const std::string& startedAt, const ChipNote& chip,
                                                const std::string& report) {
    std::vector<std::string> lines{
        texts.vRecordTitle,
        FillIn(texts.vRecordHeader, {startedAt, chip.identification, chip.chipId}), ""};
    size_t from = 0;
    for (size_t end; (end = report.find('\n', from)) != std::string::npos; from = end + 1) {
        lines.push_back(report.substr(from, end - from));
    }
    lines.push_back(report.substr(from));
    return lines;
}

}  // namespace app
