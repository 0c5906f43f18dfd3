#include "app/analysis/accuracy_session.h"

#include <algorithm>
#include <fstream>
#include <utility>

#include "app/config/chip_id.h"
#include "chip/ASens_Digital.h"
#include "chip/utf8_path.h"

namespace app {

void AccuracySession::Begin(int revolutions, const chip::TASensDig* chip, std::string recordedAt) {
    recording_.Start(revolutions);
    clock_.Start();
    result_.reset();
    active_ = true;
    recordedAt_ = std::move(recordedAt);
    chip_ = NoteChip(chip);
    configuration_.clear();
    if (chip != nullptr) configuration_ = ConfigurationInForce(*chip);
}

void AccuracySession::Add(double seconds, unsigned angleCode) {
    recording_.Add({seconds, AngleCodeDegrees(angleCode)});
}

double AccuracySession::Progress() const {
    return std::min(1.0, recording_.Turned() / recording_.Revolutions());
}

std::string AccuracySession::ProgressLine(const AccuracyTexts& texts) const {
    return FillIn(texts.vAccProgress,
                  {FixedText(recording_.Turned(), 2), std::to_string(recording_.Revolutions()),
                   std::to_string(recording_.Readings().size())});
}

void AccuracySession::SetReference(std::string path, const ReferenceColumns& columns) {
    referencePath_ = std::move(path);
    columns_ = columns;
}

std::optional<std::vector<TimedAngle>> AccuracySession::ReadReferenceFile(
    const AccuracyTexts& texts, std::string& why) const {
    if (referencePath_.empty()) {
        why = texts.vAccNoReference;
        return std::nullopt;
    }
    std::ifstream in(chip::PathFromUtf8(referencePath_), std::ios::binary);
    if (!in) {
        why = FillIn(texts.vRefUnreadable, {referencePath_});
        return std::nullopt;
    }
    ReferenceRead read = ReadReference(in, columns_, recording_.StartSeconds());
    const std::string line = std::to_string(read.line);
    switch (read.fault) {
        case ReferenceFault::None:
            return std::move(read.samples);
        case ReferenceFault::Empty:
            why = FillIn(texts.vRefEmpty, {referencePath_});
            break;
        case ReferenceFault::TooFewColumns:
            why = FillIn(texts.vRefColumns, {line});
            break;
        case ReferenceFault::NotANumber:
            why = FillIn(texts.vRefNumber, {line});
            break;
        case ReferenceFault::Backwards:
            why = FillIn(texts.vRefBackwards, {line});
            break;
    }
    return std::nullopt;
}

std::string AccuracySession::Analyse(const AccuracyTexts& texts) {
    const std::vector<TimedAngle>& readings = recording_.Readings();
    AccuracyShortfall why = AccuracyShortfall::None;
    double detail = 0;
    result_.reset();
    if (method_ == AccuracyMethod::Reference) {
        std::string fault;
        const auto reference = ReadReferenceFile(texts, fault);
        if (!reference) return fault;
        result_ = AngleAccuracy::AgainstReference(readings, *reference, &why, &detail);
    } else {
        result_ = AngleAccuracy::ConstantSpeed(readings, &why, &detail);
    }
    return AccuracyStateLine(texts, why, detail, result_ ? &*result_ : nullptr);
}

std::string AccuracySession::Finish(const AccuracyTexts& texts) {
    active_ = false;
    const std::string state = Analyse(texts);
    if (recording_.Full()) {
        return FillIn(texts.vAccFull, {std::to_string(AccuracyRecording::kMaxReadings)}) + ' ' +
               state;
    }
    if (recording_.Turned() < recording_.Revolutions() && result_) {
        return FillIn(texts.vAccStoppedEarly, {FixedText(recording_.Turned(), 2)}) + ' ' + state;
    }
    return state;
}

std::string AccuracySession::LimitsLine(const AccuracyTexts& texts) const {
    return result_ ? AccuracyLimitsLine(texts, method_ == AccuracyMethod::Reference)
                   : std::string();
}

std::optional<AccuracyReportData> AccuracySession::Report(const AccuracyTexts& texts) const {
    if (!result_) return std::nullopt;
    const AccuracyResult& r = *result_;
    const bool byReference = method_ == AccuracyMethod::Reference;
    AccuracyReportData report;
    report.title = texts.vReportTitle;
    report.lines.push_back(texts.vReportDate + ' ' + recordedAt_);
    report.lines.push_back(
        texts.vReportMethod + ' ' +
        (byReference ? FillIn(texts.vReportReference, {referencePath_}) : texts.vReportConstant));
    report.lines.push_back(FillIn(texts.vReportChip, {chip_.identification, chip_.chipId}));
    report.lines.push_back(FillIn(
        texts.vReportFigures,
        {FixedText(r.peakToPeak, 4), FixedText(r.rms, 4), std::to_string(r.used),
         FixedText(r.revolutions, 0), FixedText(r.readingsPerSecond, 1), std::to_string(r.late)}));
    if (byReference)
        report.lines.push_back(FillIn(texts.vReportOffset, {FixedText(r.offsetDegrees, 3)}));
    if (r.holesCut > 0) {
        report.lines.push_back(
            FillIn(texts.vAccCut, {std::to_string(r.holesCut), FixedText(r.longestCutSeconds, 2)}));
    }
    if (r.referenceReversed) report.lines.push_back(texts.vAccRefReversed);
    if (std::string limits = LimitsLine(texts); !limits.empty()) report.lines.push_back(limits);
    report.harmonicsHeadings = {texts.vHarmonic, texts.vAmplitude, texts.vPhase};
    for (size_t k = 0; k < r.harmonics.size(); ++k) {
        report.harmonics.push_back({std::to_string(k + 1), FixedText(r.harmonics[k].amplitude, 4),
                                    FixedText(r.harmonics[k].phase, 1)});
    }
    report.configurationHeading = texts.vReportConfiguration;
    for (const ReportField& field : configuration_) {
        report.configuration.push_back(field.name + " = " + field.value);
    }
    return report;
}

}  // namespace app
