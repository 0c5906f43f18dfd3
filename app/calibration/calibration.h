// The calibration assistants: centre the sine and cosine with the analogue and digital
// offsets, match their amplitudes with the gains, and make the magnet's present position
// read zero (or a typed angle).
//
// Neither assumes how a register acts. Each changes the register by a trial step, measures
// what the chip did and solves from that. A chip whose register acts the other way is set
// right as well; one where it does nothing, or acts on the wrong channel, is named, and the
// starting values go back.
//
// Each assistant runs as short steps: one or two register reads, or one field's
// write-verify through the field controls, so the edits show what the chip holds, green or
// red. A window runs the steps as timer ticks, a test in a loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/analysis/line_fit.h"
#include "app/analysis/lissajous_fit.h"
#include "app/config/field_controls.h"
#include "app/readings/readout_format.h"

namespace chip {
class TASensDig;
}

namespace app {

struct ConfigField;

enum class AssistantOutcome { Running, Done, Failed, Cancelled };

/// Why an assistant stopped without a result.
enum class AssistantFault {
    None,
    NotTurning,          // the points covered less than a full turn within the time limit
    NoEffect,            // a trial step moved its channel's centre less than the noise
    OtherChannel,        // a trial step moved the other channel's centre more than its own
    OutOfRange,          // the value that solves it lies outside the register
    NotBetter,           // the last measurement is no better than the first
    NotHeld,             // the chip did not hold a value written to it
    Turning,             // successive angle readings differ by more than the noise at rest
    UnexpectedResponse,  // the angle did not follow ZERO_POS step for step, either way
    Clipping,            // a channel reaches the end of the ADC range (the field names it)
    NoSignal,            // the points stay near zero: no signal to centre
    TooSlow,             // it turns, but too slowly for a full turn within the time limit
    TooFast,             // the points come too far apart to close a turn
    OutsideTolerance,    // better than the start, but not within the tolerance at the end
};

/// What the assistants share: the steps, the outcome, and putting the starting values back
/// after a fault or a Cancel.
class Assistant {
  public:
    explicit Assistant(FieldControls& controls) : controls_(controls) {}
    virtual ~Assistant() = default;

    /// Runs the next step. Throws TransferFailure when the adapter did not complete a
    /// transfer: the assistant is then over (Failed), the starting values perhaps not back.
    void Step(chip::TASensDig& chip);
    /// The next steps put the starting values back, if anything was written; then the
    /// outcome is Cancelled.
    void Cancel();

    AssistantOutcome Outcome() const { return outcome_; }
    bool Over() const { return outcome_ != AssistantOutcome::Running; }
    AssistantFault Fault() const { return fault_; }
    /// The field a fault concerns ("OFFSET_SIN"), empty when it concerns none.
    const std::string& FaultField() const { return faultField_; }
    /// True when a fault or Cancel put back what the chip held at the start.
    bool Restored() const { return restored_; }
    /// True when the chip did not take a starting value back (its field is red).
    bool RestoreFailed() const { return restoreFailed_; }
    /// True once something was written to the chip.
    bool Written() const { return written_; }
    /// True while the starting values go back.
    bool Restoring() const { return restoring_ && !Over(); }
    /// Runs the rest of the assistant at once, Cancel first (the window's end: no tick
    /// comes any more). Throws what a step throws.
    void Abandon(chip::TASensDig& chip);
    /// How far it has come, from 0 to 1.
    virtual double Progress() const = 0;
    /// Each field the assistant may change, with the value it held at the start.
    const std::vector<std::pair<const ConfigField*, uint16_t>>& StartValues() const {
        return start_;
    }

  protected:
    /// One step of the assistant's own work (not called while values go back).
    virtual void Work(chip::TASensDig& chip) = 0;
    /// Reads the field's register and shows the chip's value in its control; the value is
    /// put back at a fault or Cancel.
    uint16_t ReadStart(chip::TASensDig& chip, const ConfigField& field);
    /// Puts value into the field's control and writes it with read-back; false when the chip
    /// holds something else (the control then shows that, red).
    bool WriteValue(chip::TASensDig& chip, const ConfigField& field, uint16_t value);
    void Fail(AssistantFault fault, std::string field = {});
    /// Reads the status: false (after Fail) when a channel is out of the ADC's range.
    bool NotClipping(chip::TASensDig& chip);
    void Succeed() { outcome_ = AssistantOutcome::Done; }

  private:
    FieldControls& controls_;
    AssistantOutcome outcome_ = AssistantOutcome::Running;
    AssistantFault fault_ = AssistantFault::None;
    std::string faultField_;
    std::vector<std::pair<const ConfigField*, uint16_t>> start_;
    bool written_ = false;
    bool restoring_ = false;
    bool restored_ = false;
    bool restoreFailed_ = false;
    AssistantOutcome ending_ = AssistantOutcome::Failed;  // the outcome after restoring
    size_t restoreNext_ = 0;
};

/// A measurement over a turn: the Lissajous fit's centre and amplitudes, with how well the
/// points fix them.
struct TurnMeasurement {
    double x = 0;           // the sine channel's offset, codes
    double y = 0;           // the cosine channel's offset, codes
    double amplitudeX = 0;  // codes
    double amplitudeY = 0;
    double mismatchPercent = 0;       // (X - Y) / mean amplitude * 100
    double errorDegrees = 0;          // the first harmonic of angle error the offsets cause
    double mismatchErrorDegrees = 0;  // the second harmonic the mismatch causes, peak
    double noise = 0;                 // the points' RMS distance from the ellipse, codes
    /// The standard error of the centre's coordinates and of each amplitude, codes: noise
    /// times sqrt(2 / points), for points spread round the turn.
    double error = 0;
    size_t points = 0;
};

struct Trim;

/// What the assistants that measure over a turn share: the X-Y points read while the magnet
/// turns, the checks that tell in seconds why a measurement cannot finish (a clipped
/// channel, no signal, a magnet still, too slow or too fast), the fit over a turn averaged
/// as long as the noise asks, the live figures and the time left.
class TurnAssistant : public Assistant {
  public:
    using Seconds = std::function<double()>;
    using PointSink = std::function<void(const XYPoint&)>;

    /// A measurement that covers less than a full turn within this time fails; one that
    /// covered a turn ends here however noisy it is.
    static constexpr double kTimeLimitSeconds = 75;
    /// A full turn: the fitted circle's coverage, less the gaps sparse points leave.
    static constexpr int kFullTurnDegrees = 340;
    static constexpr size_t kMinPoints = 64;
    /// A measurement goes on past a turn until its centre's standard error is this small
    /// (codes), or it has kMaxPoints: a noisy signal is averaged longer.
    static constexpr double kTargetError = 0.75;
    static constexpr size_t kMaxPoints = 320;
    /// Points dropped after each write, while the chip's outputs take the new value.
    static constexpr int kSettlePoints = 2;
    /// A signal whose points all stay this close to zero (codes) is no signal (SDIS, no
    /// magnet): a noise cloud is no circle to measure.
    static constexpr double kMinAmplitude = 500;
    /// After this long the magnet must have turned kMinTravelDegrees, and at a speed that
    /// closes a turn within the time limit: a still or too slow magnet is told in seconds.
    static constexpr double kJudgeSeconds = 12;
    static constexpr double kMinTravelDegrees = 20;
    /// A turn is covered when no gap between points is wider than this: points further apart
    /// at each step close one only over several turns, where the speed allows.
    static constexpr double kMaxStepDegrees = 20;
    /// Travel without a covered turn, once the fit has its points, after which the points
    /// will not close one.
    static constexpr double kMaxTravelDegrees = 3 * 360;
    /// A shift is told from noise when it is this many standard errors of the difference of
    /// two measurements, and at least kMinShift codes.
    static constexpr double kShiftSigmas = 4;
    static constexpr double kMinShift = 4;

    /// The measurement under way, from 0.
    int Measurement() const { return measurement_; }
    /// Every measurement finished so far.
    const std::vector<TurnMeasurement>& Measurements() const { return measured_; }
    /// The first measurement, and the last after solved values (empty ones until they are
    /// made).
    TurnMeasurement Before() const {
        return measured_.empty() ? TurnMeasurement{} : measured_.front();
    }
    TurnMeasurement After() const {
        return settled_ < 0 ? TurnMeasurement{} : measured_[static_cast<size_t>(settled_)];
    }
    /// The fit of the measurement under way as it stands, once it has one.
    const std::optional<TurnMeasurement>& Live() const { return live_; }
    /// The measurement under way: the magnet's speed from the points' angles (rpm, its sign
    /// the sense of the turn; 0 before two points), the degrees it turned and the seconds it
    /// took, and the seconds between points.
    double TurnRpm() const;
    double TravelDegrees() const { return travel_; }
    double MeasuredSeconds() const { return lastAt_ - measureStart_; }
    double PointSeconds() const;
    /// The speeds the measurement works at with the reading rate seen (rpm): a full turn
    /// within the time limit, and no wider step than kMaxStepDegrees.
    static double SlowestRpm() { return 360.0 / kTimeLimitSeconds / 6.0; }
    double FastestRpm() const;
    /// The seconds the assistant will still take at the speed and noise seen; negative
    /// before they are known.
    double SecondsLeft() const;
    double Progress() const override;

  protected:
    /// Where an assistant over turns stands: reading its start values, measuring, or writing
    /// a trial value or a solved one of its trim pair.
    enum class Phase { ReadStart, Measure, WriteTrialX, WriteTrialY, WriteX, WriteY };

    TurnAssistant(FieldControls& controls, Seconds seconds, PointSink onPoint);
    /// One step past the start: a point of the measurement, or the write its phase asks for
    /// of trim (then the next measurement starts); trim may be null while none is chosen yet.
    void TrimStep(chip::TASensDig& chip, const Trim* trim);
    /// The measurements the assistant plans in all, corrections included.
    virtual int PlannedMeasurements() const = 0;
    /// A finished measurement (also the last of Measurements()).
    virtual void Measured(const TurnMeasurement& m) = 0;
    void StartMeasurement(int index);
    /// Reads one point and goes on with the measurement; Measured when it is over.
    void MeasureStep(chip::TASensDig& chip);
    /// The standard error of the difference of two measurements' figures.
    static double ShiftError(const TurnMeasurement& a, const TurnMeasurement& b);
    /// The smallest shift told from the noise of a and b.
    static double SignificantShift(const TurnMeasurement& a, const TurnMeasurement& b);
    /// Checks a trial step's shifts of its own figure and the other channel's: false (after
    /// Fail) when the step did nothing or acted on the other channel.
    bool ActsOnItsChannel(double own, double other, double significant, std::string_view field);
    /// What is wrong with a trial step's shifts: NoEffect, OtherChannel or None.
    static AssistantFault TrialFault(double own, double other, double significant);
    /// The last measurement is the one after the solved values: After() reports it.
    void MarkSettled() { settled_ = static_cast<int>(measured_.size()) - 1; }

    Phase phase_ = Phase::ReadStart;

  private:
    /// Follows the points' angle and size; false (after Fail) when the measurement cannot
    /// finish.
    bool Usable(const XYPoint& point, double now);
    /// The points the measurement under way asks for at the noise seen.
    size_t PointsWanted() const;

    Seconds seconds_;
    PointSink onPoint_;
    int measurement_ = 0;
    std::vector<TurnMeasurement> measured_;
    std::optional<TurnMeasurement> live_;
    int settled_ = -1;
    LissajousFit fit_;
    double measureStart_ = 0;
    int settle_ = 0;
    int coverage_ = 0;  // of the measurement under way, degrees
    // The measurement's points as angles: the last one, the travel, the widest distance from
    // zero, how many there were and when the last came.
    double lastAngle_ = 0;
    double travel_ = 0;
    double reach_ = 0;
    size_t taken_ = 0;
    double lastAt_ = 0;
};

/// A pair of registers that trim the X and the Y channel, with what was measured of them.
struct Trim {
    const ConfigField* fieldX = nullptr;
    const ConfigField* fieldY = nullptr;
    int startX = 0, startY = 0;  // as read at the start
    int finalX = 0, finalY = 0;  // as written last
    double effectX = 0;          // codes of the channel's figure per register step, measured
    double effectY = 0;
    bool used = false;  // the assistant changed them
};

/// Centres the signals while the magnet turns: measures the centre over a turn, steps the X
/// register and measures again, the same for the Y register, writes the values that bring
/// the centre to (0, 0) and measures once more. A centre further off than kCoarseFrom is
/// first brought near with the analogue offsets OA_X and OA_Y, then finished with the
/// digital OFFSET_SIN and OFFSET_COS. The registers are taken as two's complement numbers
/// of their width; how far and which way each moves the centre is measured.
class OffsetAssistant final : public TurnAssistant {
  public:
    /// The trial change of each fine register, in register steps: half the centre's distance
    /// from 0, and big enough to stand kTrialSigmas standard errors out of the noise, within
    /// these bounds.
    static constexpr int kTrialStep = 32;
    static constexpr int kMaxTrialStep = 256;
    static constexpr double kTrialSigmas = 16;
    /// The coarse registers' trial step.
    static constexpr int kCoarseTrialStep = 4;
    /// A centre further off than this (codes) is brought near with the analogue offsets
    /// first: they keep the ADC's range for the signal.
    static constexpr double kCoarseFrom = 64;
    /// After the solved values, up to this many corrections, solved again with each new
    /// measurement, until the centre is 0 within its uncertainty.
    static constexpr int kMaxCorrections = 2;
    /// A centre within this many codes, or kCentredSigmas standard errors, and half a
    /// register step, is centred.
    static constexpr double kCentredCodes = 1.5;
    static constexpr double kCentredSigmas = 3;

    /// seconds: the clock of the time limit. onPoint sees every point read (the chart).
    OffsetAssistant(FieldControls& controls, Seconds seconds, PointSink onPoint = {});

    /// The digital offsets, as signed codes, and their measured effect.
    int StartSine() const { return fine_.startX; }
    int StartCosine() const { return fine_.startY; }
    int FinalSine() const { return fine_.finalX; }
    int FinalCosine() const { return fine_.finalY; }
    double SineEffect() const { return fine_.effectX; }
    double CosineEffect() const { return fine_.effectY; }
    const Trim& Fine() const { return fine_; }
    /// The analogue offsets (used only when the centre was far off).
    const Trim& Coarse() const { return coarse_; }
    /// True while the analogue offsets are measured.
    bool InCoarse() const { return stage_ == &coarse_; }

  private:
    void Work(chip::TASensDig& chip) override;
    int PlannedMeasurements() const override;
    void Measured(const TurnMeasurement& now) override;
    /// Starts trimming with stage from the measurement base (the last one).
    void Begin(Trim& stage);
    /// The stage's trial value for a register at start, its channel's centre measured with
    /// the standard error given.
    int Trial(double centre, int start, double error) const;
    /// Sets the values that bring the centre to 0 as measured so far, and goes to write
    /// them.
    void Solve();
    bool Centred(const TurnMeasurement& m) const;

    Trim coarse_;
    Trim fine_;
    Trim* stage_ = nullptr;
    int stageBase_ = 0;  // the measurement the stage started from
    // The analogue offsets did nothing, or acted on the other channel: their starting values
    // go back, and the digital offsets do the whole work.
    bool coarseDropped_ = false;
    LineFit lineX_;  // each channel's centre against its register, from the start value
    LineFit lineY_;
    bool coarsePlanned_ = false;
};

/// Brings the two channels' amplitudes together with GA_X and GA_Y while the magnet turns:
/// measures, steps GA_X and measures, steps GA_Y and measures, then writes the pair of
/// values that the measured responses say matches the amplitudes best (with the least
/// change, and below the ADC's end), and measures once more.
class AmplitudeAssistant final : public TurnAssistant {
  public:
    static constexpr int kTrialStep = 2;
    static constexpr int kMaxCorrections = 1;
    /// The larger amplitude plus the centre's distance stays below this share of the ADC's
    /// half range.
    static constexpr double kHeadroom = 0.9;

    AmplitudeAssistant(FieldControls& controls, Seconds seconds, PointSink onPoint = {});

    const Trim& Gains() const { return gains_; }
    /// The amplitudes' difference (codes) the solved values were expected to leave.
    double ExpectedMismatch() const { return expected_; }

  private:
    void Work(chip::TASensDig& chip) override;
    int PlannedMeasurements() const override { return 4 + kMaxCorrections; }
    void Measured(const TurnMeasurement& now) override;
    void Solve();
    bool Matched(const TurnMeasurement& m) const;

    Trim gains_;
    LineFit lineX_;  // each amplitude against its register
    LineFit lineY_;
    double expected_ = 0;
};

/// Makes the magnet's present position read a target angle (0 unless typed otherwise) with
/// ZERO_POS, the magnet at rest: reads the angle output (register 37), writes ZERO_POS from
/// it and reads again; when the reading moved the other way (the chip's convention is the
/// opposite) it solves from the two readings and writes once more. It checks the signal
/// first (a clipped channel, no signal), tells a turning magnet from a noisy one by the
/// drift of its readings against their scatter, averages as long as the noise asks, and
/// accepts a result within the tolerance only.
class ZeroAssistant final : public Assistant {
  public:
    /// Angle readings averaged each round, one per step: at least kReadings, more as the
    /// scatter of the first round asks for the mean to be good to a third of the
    /// tolerance, at most kMaxReadings.
    static constexpr int kReadings = 16;
    static constexpr int kMaxReadings = 256;
    /// A round's drift (codes) is the magnet turning when it is this many standard errors
    /// and at least half the tolerance.
    static constexpr double kDriftSigmas = 4;
    static constexpr double kDefaultTolerance = 2;
    /// Writes after the first while the reading is outside the tolerance: the one solved from
    /// the chip's response, and corrections after it.
    static constexpr int kMaxCorrections = 2;
    /// A first write smaller than this (codes) tells the direction of the chip's response
    /// only; its size is taken as one code of reading per step.
    static constexpr int kSmallStep = 8;
    static constexpr int kFullTurn = 8192;  // angle codes per turn

    /// target: the angle the position should read, codes 0..8191; tolerance: codes.
    explicit ZeroAssistant(FieldControls& controls, int target = 0,
                           double tolerance = kDefaultTolerance);

    double Progress() const override;
    /// The mean angle reading's distance from the target at the start and at the end, codes
    /// from -4096 to 4095, and the end's standard error.
    double Before() const { return before_; }
    double Residual() const { return residual_; }
    double ResidualError() const { return residualError_; }
    int Target() const { return target_; }
    double Tolerance() const { return tolerance_; }
    /// The readings the last judged round took, and the drift of the round that judged the
    /// magnet turning (codes).
    int Readings() const { return readingsUsed_; }
    double Drift() const { return drift_; }
    /// The round under way: its readings so far, their mean distance from the target and
    /// their scatter (codes; 0 before two readings).
    int RoundReadings() const { return static_cast<int>(readings_.size()); }
    double LiveMean() const;
    double LiveScatter() const;
    uint16_t StartZero() const { return startZero_; }
    uint16_t FinalZero() const { return finalZero_; }

    static double Degrees(double codes) { return codes * 360.0 / kFullTurn; }

  private:
    enum class Phase { ReadStart, CheckStatus, CheckSignal, Read, Write };
    void Work(chip::TASensDig& chip) override;
    void ReadRound(const std::vector<int>& readings);
    /// The mean of readings as a distance from the target, -4096 .. 4095 codes.
    double MeanFromTarget(const std::vector<int>& readings) const;

    const ConfigField& zero_;
    int target_;
    double tolerance_;
    Phase phase_ = Phase::ReadStart;
    int round_ = 0;  // 0 before any write, 1 after the first, 2 and on after corrections
    int readingsWanted_ = kReadings;
    int readingsUsed_ = 0;
    std::vector<int> readings_;
    double before_ = 0;
    double firstReading_ = 0;
    double slope_ = 0;  // codes of reading per step of ZERO_POS, as measured
    double residual_ = 0;
    double residualError_ = 0;
    double drift_ = 0;
    uint16_t startZero_ = 0;
    uint16_t firstZero_ = 0;
    uint16_t finalZero_ = 0;
};

}  // namespace app
