// The calibration assistants: centre the sine and cosine with the digital offsets, and make
// the magnet's present position read zero.
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
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/field_controls.h"
#include "app/line_fit.h"
#include "app/lissajous_fit.h"
#include "app/readout.h"

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
};

/// What the two assistants share: the steps, the outcome, and putting the starting values
/// back after a fault or a Cancel.
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

/// The centre of the sine-cosine circle over a turn, from the Lissajous fit.
struct CentreMeasurement {
    double x = 0;             // the sine channel's offset, codes
    double y = 0;             // the cosine channel's offset, codes
    double errorDegrees = 0;  // the first harmonic of angle error the offsets cause, peak
    size_t points = 0;
};

/// Centres the signals with OFFSET_SIN and OFFSET_COS while the magnet turns: measures the
/// centre over a full turn, steps OFFSET_SIN and measures again, the same for OFFSET_COS,
/// writes the values that bring the centre to (0, 0) and measures once more. The offsets
/// are taken as 13-bit two's complement numbers, like the signals.
class OffsetAssistant final : public Assistant {
  public:
    using Seconds = std::function<double()>;
    using PointSink = std::function<void(const XYPoint&)>;

    /// A measurement that covers less than a full turn within this time fails.
    static constexpr double kTimeLimitSeconds = 75;
    /// The trial change of each offset register, in register steps: half the centre's
    /// distance from 0 within these bounds.
    static constexpr int kTrialStep = 32;
    static constexpr int kMaxTrialStep = 256;
    /// After the solved values, up to this many corrections, solved again with each new
    /// measurement, until the values stay where they are.
    static constexpr int kMaxCorrections = 2;
    /// A centre shift smaller than this (codes) is no effect; several times the noise of a
    /// centre fitted over a turn. A last centre this close to (0, 0) is a result even when
    /// the first was as close: then both are the noise of a fit.
    static constexpr double kMinShift = 4;
    /// A full turn: the fitted circle's coverage, less the gaps sparse points leave.
    static constexpr int kFullTurnDegrees = 340;
    static constexpr size_t kMinPoints = 64;
    /// Points dropped after each write, while the chip's outputs take the new value.
    static constexpr int kSettlePoints = 2;
    /// A signal whose points all stay this close to zero (codes) is no signal (SDIS, no
    /// magnet): a noise cloud is no circle to centre.
    static constexpr double kMinAmplitude = 500;
    /// After this long the magnet must have turned kMinTravelDegrees, and at a speed that
    /// closes a turn within the time limit: a still or too slow magnet is told in seconds.
    static constexpr double kJudgeSeconds = 12;
    static constexpr double kMinTravelDegrees = 20;
    /// A turn is covered when no gap between points is wider than this: points further apart
    /// at each step never close one (the speed for a given reading rate).
    static constexpr double kMaxStepDegrees = 20;
    /// Travel without a covered turn, once the fit has its points, after which the points
    /// will not close one.
    static constexpr double kMaxTravelDegrees = 3 * 360;

    /// seconds: the clock of the time limit. onPoint sees every point read (the chart).
    OffsetAssistant(FieldControls& controls, Seconds seconds, PointSink onPoint = {});

    double Progress() const override;
    /// The measurement under way: 0 before, 1 after the sine trial, 2 after the cosine
    /// trial, 3 after the solved values are written, 4 and 5 after corrections.
    int Measurement() const { return measurement_; }
    /// The first and the last measurement (empty ones until they are made).
    CentreMeasurement Before() const {
        return measured_.empty() ? CentreMeasurement{} : measured_.front();
    }
    CentreMeasurement After() const {
        return measured_.size() < 4 ? CentreMeasurement{} : measured_.back();
    }
    /// The registers' values, as signed codes.
    int StartSine() const { return startSine_; }
    int StartCosine() const { return startCosine_; }
    int FinalSine() const { return finalSine_; }
    int FinalCosine() const { return finalCosine_; }
    /// Codes of centre shift per register step, as measured.
    double SineEffect() const { return sineEffect_; }
    double CosineEffect() const { return cosineEffect_; }
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

  private:
    enum class Phase {
        ReadStart,
        Measure,
        WriteSineTrial,
        WriteCosineTrial,
        WriteSine,
        WriteCosine
    };
    void Work(chip::TASensDig& chip) override;
    void MeasureStep(chip::TASensDig& chip);
    void StartMeasurement(int index);
    void Measured(const LissajousResult& fit);
    /// Sets the values that bring the centre to 0 as measured so far, and goes to write
    /// them; succeeds when they are the values the chip holds.
    void Solve();
    /// Checks a trial's shifts; false (after Fail) when the step did not act on its channel.
    bool ActsOnItsChannel(double own, double other, std::string_view field);
    /// Follows the points' angle and size; false (after Fail) when the measurement cannot
    /// finish: a clipped channel, no signal, a magnet still, too slow or too fast.
    bool Usable(const XYPoint& point, double now);

    Seconds seconds_;
    PointSink onPoint_;
    const ConfigField& sine_;
    const ConfigField& cosine_;
    Phase phase_ = Phase::ReadStart;
    int measurement_ = 0;
    std::vector<CentreMeasurement> measured_;
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
    int startSine_ = 0;
    int startCosine_ = 0;
    int finalSine_ = 0;  // the values written last
    int finalCosine_ = 0;
    LineFit sineLine_;  // each channel's centre against its register, from the start value
    LineFit cosineLine_;
    double sineEffect_ = 0;
    double cosineEffect_ = 0;
};

/// Makes the magnet's present position read 0 with ZERO_POS, the magnet at rest: reads the
/// angle output (register 37), writes ZERO_POS from it and reads again; when the reading
/// moved the other way (the chip's convention is the opposite) it solves from the two
/// readings and writes once more.
class ZeroAssistant final : public Assistant {
  public:
    /// Angle readings averaged each time, one per step.
    static constexpr int kReadings = 16;
    /// Readings further apart than this (codes) mean the magnet turns.
    static constexpr int kRestSpread = 32;
    /// A reading this close to 0 (codes) needs no more writes: the mean of the readings is
    /// good to about half a code at the virtual chip's noise, and a correction of less
    /// would chase the noise.
    static constexpr double kCloseEnough = 1.5;
    /// Corrections after the write solved from the chip's response, while the reading is
    /// further from 0 than kCloseEnough.
    static constexpr int kMaxCorrections = 2;
    /// A first write smaller than this (codes) tells the direction of the chip's response
    /// only; its size is taken as one code of reading per step.
    static constexpr int kSmallStep = 8;
    static constexpr int kFullTurn = 8192;  // angle codes per turn

    explicit ZeroAssistant(FieldControls& controls);

    double Progress() const override;
    /// The mean angle reading at the start and at the end, codes from -4096 to 4095.
    double Before() const { return before_; }
    double Residual() const { return residual_; }
    uint16_t StartZero() const { return startZero_; }
    uint16_t FinalZero() const { return finalZero_; }

    static double Degrees(double codes) { return codes * 360.0 / kFullTurn; }

  private:
    enum class Phase { ReadStart, Read, Write };
    void Work(chip::TASensDig& chip) override;
    void ReadRound(const std::vector<int>& readings);

    const ConfigField& zero_;
    Phase phase_ = Phase::ReadStart;
    int round_ = 0;  // 0 before any write, 1 after the first, 2 and on after corrections
    std::vector<int> readings_;
    double before_ = 0;
    double firstReading_ = 0;
    double slope_ = 0;  // codes of reading per step of ZERO_POS, as measured
    double residual_ = 0;
    uint16_t startZero_ = 0;
    uint16_t firstZero_ = 0;
    uint16_t finalZero_ = 0;
};

}  // namespace app
