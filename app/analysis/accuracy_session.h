// One accuracy measurement from its start to its report, without the window: the recording
// and its clock, the method and the reference file, the result, the page's state lines and
// what the one-page report shows. The page (or a script) feeds it readings and shows it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/analysis/accuracy_files.h"
#include "app/analysis/accuracy_recording.h"
#include "app/analysis/accuracy_report.h"
#include "app/analysis/angle_accuracy.h"
#include "app/config/chip_id.h"
#include "app/lang/language.h"

namespace chip {
class TASensDig;
}

namespace app {

enum class AccuracyMethod { ConstantSpeed, Reference };

/// What the one-page report shows, every text in the language loaded; the chart is the
/// window's own.
struct AccuracyReportData {
    std::string title;
    std::vector<std::string> lines;  // date, method, chip, figures, and what was done on the way
    std::array<std::string, 3> harmonicsHeadings;
    std::vector<std::array<std::string, 3>> harmonics;  // number, amplitude, phase
    std::string configurationHeading;
    std::vector<std::string> configuration;  // "GA_X = 3", in the field table's order
};

class AccuracySession {
  public:
    /// Empties the recording for `revolutions`, restarts its clock, forgets the last result
    /// and notes the chip's identification and configuration for the report (without a chip:
    /// "?"). recordedAt: the local time of the start as the report shows it.
    void Begin(int revolutions, const chip::TASensDig* chip, std::string recordedAt);
    /// One reading of the angle word (its 13 bits) taken at `seconds`.
    void Add(double seconds, unsigned angleCode);
    /// The recording is over; Finish analyses it.
    bool Active() const { return active_; }
    /// The recording's clock (seconds since 1970, carried on by the steady clock).
    double Now() const { return clock_.Seconds(); }

    /// The share of the chosen revolutions turned (0 to 1) and the line that says so.
    double Progress() const;
    std::string ProgressLine(const AccuracyTexts& texts) const;

    void SetMethod(AccuracyMethod method) { method_ = method; }
    AccuracyMethod Method() const { return method_; }
    /// The reference instrument's file and how to read it.
    void SetReference(std::string path, const ReferenceColumns& columns);
    const std::string& ReferencePath() const { return referencePath_; }

    /// Analyses the recording by the method: the result, or none. Returns the state line:
    /// what was analysed, or why nothing was (a reference file that cannot be read named
    /// with its line).
    std::string Analyse(const AccuracyTexts& texts);
    /// Ends the recording and analyses it; the state line says too when the store was full or
    /// the run stopped before its revolutions.
    std::string Finish(const AccuracyTexts& texts);
    /// What the method cannot tell apart; empty without a result.
    std::string LimitsLine(const AccuracyTexts& texts) const;

    const AccuracyRecording& Recording() const { return recording_; }
    const std::optional<AccuracyResult>& Result() const { return result_; }
    /// The report of the result; nothing without one.
    std::optional<AccuracyReportData> Report(const AccuracyTexts& texts) const;

  private:
    /// The reference file's angles on the readings' clock; nothing with the reason in `why`.
    std::optional<std::vector<TimedAngle>> ReadReferenceFile(const AccuracyTexts& texts,
                                                             std::string& why) const;

    AccuracyRecording recording_;
    RecordingClock clock_;
    bool active_ = false;
    AccuracyMethod method_ = AccuracyMethod::ConstantSpeed;
    std::string referencePath_;
    ReferenceColumns columns_;
    std::optional<AccuracyResult> result_;
    // The chip at the recording's start, for the report.
    std::string recordedAt_;
    ChipNote chip_;
    std::vector<ReportField> configuration_;
};

}  // namespace app
