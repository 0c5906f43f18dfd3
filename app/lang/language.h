// The interface texts read from the language file and shown later by the pages, and the
// language step of the window's creation.
#pragma once

#include <array>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace app {

/// The messages of the register map page. Each is the language file's text when the file has
/// its key, else the English text below; "%1", "%2", ... stand for the numbers filled in.
struct RegisterMapTexts {
    std::string vWriteAllSummary =
        "Write all: %1 fields verified, %2 unchanged (already in the chip), %3 mismatched.";
    std::string vCompareSummary = "Compare with chip: %1 fields equal, %2 different.";
    std::string vConfirmSSI =
        "This write sets SSI_MODE: the chip's interface changes to SSI and the tool no longer "
        "reaches it over SPI. Write anyway?";
    std::string vConfigLoaded =
        "%1 fields loaded from the file, %2 of them changed (grey). Nothing was written to the "
        "chip: Write all puts them in.";
    std::string vFieldsWithoutValue =
        "These fields hold no value that fits them; nothing was done:";
    std::string vConfigNotLoaded = "The file was not loaded; no field changed:";
    std::string vNotARegisterWord = "'%1' is not a register word (an integer 0..65535).";
    std::string vStoppedEarly = "Stopped after %1 of %2 steps.";
    std::string vConfigFileFilter = "QX5520 configuration (*.ini)";
    std::string vCloseDuringJob =
        "A register-map job is running: %1 of %2 steps done. Let it finish, then close? No stops "
        "it now, shows what it did and closes.";
    std::string vSsiSwitched =
        "SSI_MODE is written: the chip now answers all ones over SPI, as its interface is SSI.";
};

/// The messages of the signal analysis, as RegisterMapTexts ("%1" stands for a channel).
struct AnalysisTexts {
    std::string vFitTooFewPoints = "The fit needs at least 8 points.";
    std::string vFitTooLittleTurn =
        "The fit needs points around at least 270° of a turn: let the magnet turn.";
    std::string vFitNoEllipse = "The points lie on no ellipse.";
    std::string vClips = "Channel %1 reaches the end of the ADC range and clips: lower its gain.";
    std::string vSmallSignal =
        "Channel %1 uses less than a quarter of the ADC range: raise its gain.";
    // The charts' context menu and notes.
    std::string vSavePicture = "Save picture…";
    std::string vSaveData = "Save data…";
    std::string vCopyPicture = "Copy picture";
    std::string vFitToData = "Fit to data";
    std::string vFixedAxes = "Fixed axes ±4500";
    std::string vViewHeld = "view held; double-click to follow";
    std::string vCannotWrite = "Cannot write %1.";
    std::string vBudgetClipped =
        "A channel clips: no ellipse describes its flattened peaks, so the phase and the angle "
        "error are not shown.";
    std::string vBudgetSkew =
        "The points come more than a quarter turn apart: the turning speed, and with it the phase "
        "between the channels, cannot be told. Turn the magnet more slowly or shorten the "
        "interval.";
    std::string vSkewCorrected =
        "Corrected by %1° for the %2 s between reading the sine and the cosine while the magnet "
        "turns at %3 rpm.";
    std::string vEnobFormula =
        "Effective bits = log2(8192 / (σ · √12)): the bits a quantiser with this noise would "
        "resolve.";
    std::string vNfbFormula =
        "Noise-free bits = log2(8192 / peak-to-peak): the bits that never flicker.";
    std::string vAllPages = "Every page";
};

/// The messages of the calibration assistants, as RegisterMapTexts.
struct CalibrationTexts {
    std::string vReadoutRunning =
        "Stop the periodic readout first: the assistant needs the chip to itself.";
    std::string vCentreProgress = "Centring the signals: measurement %1 over a full turn…";
    std::string vZeroProgress = "Setting the zero position: reading the angle…";
    std::string vRestoring = "Writing the starting values back…";
    std::string vCancel = "Cancel";
    std::string vCentreDone = "The signals are centred.";
    std::string vCentreFailed = "The signals were not centred:";
    std::string vCentreBefore = "Before: centre X %1, Y %2 codes; first-harmonic angle error %3°.";
    std::string vCentreAfter = "After: centre X %1, Y %2 codes; first-harmonic angle error %3°.";
    std::string vCentreValues =
        "OFFSET_SIN %1 → %2, OFFSET_COS %3 → %4 (measured: %5 and %6 codes of centre per step).";
    std::string vZeroDone = "The present position reads zero.";
    std::string vZeroFailed = "The zero position was not set:";
    std::string vZeroResult = "The angle read %1 codes (%2°) before and %3 codes (%4°) after.";
    std::string vZeroValues = "ZERO_POS %1 → %2.";
    std::string vNotTurning =
        "The magnet did not cover a full turn within %1 s: let it turn, then try again.";
    std::string vNoEffect = "A trial step of %1 did not move its signal's centre.";
    std::string vOtherChannel = "A trial step of %1 moved the other signal's centre.";
    std::string vOutOfRange = "The value of %1 that would centre its signal is out of its range.";
    std::string vNotBetter = "The result was no better than the start.";
    std::string vNotHeld = "The chip did not hold the value written to %1.";
    std::string vTurning =
        "The magnet turns: successive angle readings differ by more than the noise. Stop it, "
        "then try again.";
    std::string vUnexpected = "The angle reading did not follow %1 step for step.";
    std::string vRestored = "The starting values were written back.";
    std::string vNotRestored = "The chip did not take a starting value back: see the field in red.";
    std::string vNotWrittenBack =
        "The starting values were not written back: the chip may hold trial values.";
    std::string vCancelled = "Cancelled.";
    std::string vExchangeOff =
        "The exchange with the chip is off: tick \"Exchange on\" at the top left, then "
        "start again.";
    std::string vChipNotReady =
        "The chip does not answer with its identifier (register 39 reads %1, not "
        "0x08E2): check the adapter, the chip's supply and its wiring, then start again.";
    std::string vAdapterLost =
        "The adapter did not complete a transfer (unplugged?): plug it in, switch the "
        "exchange off and on, then start again.";
    std::string vClipping =
        "Channel %1 reaches the end of the ADC range (its OTR flag, or a reading at the "
        "end of the range): lower its gain or its analogue offset, then try again.";
    std::string vNoSignal =
        "There is no signal to centre: every point stays within %1 codes of zero. Is the "
        "sensor switched off (SDIS) or the magnet missing?";
    std::string vStill =
        "The magnet does not turn: it moved %1° in %2 s. Let it turn at %3 to %4 rpm, "
        "then try again.";
    std::string vTooSlow =
        "The magnet turns at %1 rpm: too slowly to close a turn within %2 s. The "
        "assistant works at %3 to %4 rpm.";
    std::string vTooFast =
        "The magnet turns at about %1 rpm: too fast for a point every %2 s to close a "
        "turn. The assistant works at %3 to %4 rpm.";
    std::string vMayHold = "%1 may now hold %2 (it held %3 at the start).";
    std::string vLiveFigures =
        "Centre X %1, Y %2 codes; amplitudes %3 and %4 codes; %5 rpm; noise %6 codes.";
    std::string vTimeLeft = "About %1 s left.";
    std::string vAmplitudeProgress = "Matching the amplitudes: measurement %1 over a full turn…";
    std::string vAmplitudeDone = "The amplitudes are matched.";
    std::string vAmplitudeAlready =
        "The amplitudes already match within the noise: nothing was written.";
    std::string vAmplitudeFailed = "The amplitudes were not matched:";
    std::string vAmplitudeBefore =
        "Before: amplitudes X %1, Y %2 codes, mismatch %3 %; second-harmonic angle error "
        "%4°.";
    std::string vAmplitudeAfter =
        "After: amplitudes X %1, Y %2 codes, mismatch %3 %; second-harmonic angle error "
        "%4°.";
    std::string vAmplitudeValues =
        "GA_X %1 → %2, GA_Y %3 → %4 (measured: %5 and %6 codes of amplitude per step).";
    std::string vCoarseValues =
        "OA_X %1 → %2, OA_Y %3 → %4 (measured: %5 and %6 codes of centre per step).";
    std::string vUncertainty =
        "The last measurement is good to ±%1 codes (noise %2 codes over %3 points).";
    std::string vCentreOutside =
        "The centre stays %1 codes off after the corrections, more than its noise and "
        "the register steps allow (±%2 codes).";
    std::string vAmplitudeOutside =
        "The amplitudes stay %1 codes apart after the corrections, more than their noise "
        "and the register steps allow.";
    std::string vZeroOutside =
        "The angle reads %1 codes from the target after the corrections, outside the "
        "tolerance of %2 codes.";
    std::string vZeroDoneAt = "The present position reads %1°.";
    std::string vZeroTarget =
        "Target %1° (%2 codes), tolerance %3 codes; the result is good to ±%4 codes over "
        "%5 readings.";
    std::string vDrift =
        "The angle drifted %1 codes over one round of readings, more than their scatter "
        "allows.";
    std::string vZeroAngle = "Angle this position should read, °:";
    std::string vZeroTolerance = "Accept within, codes:";
    std::string vSaveConfig = "Save configuration…";
    std::string vSaveRecord = "Save record…";
    std::string vClose = "Close";
    std::string vRecordTitle = "Calibration record";
    std::string vRecordHeader = "Date: %1. Chip: identifier %2, ID %3.";
    std::string vRecordFilter = "Text (*.txt);;PDF (*.pdf)";
    std::string vZeroLive = "Reading %1 of %2: %3 codes from the target, scatter %4 codes.";
};

/// The messages and report of the accuracy measurement, as RegisterMapTexts.
struct AccuracyTexts {
    std::string vAccIdle =
        "Choose the revolutions and the reference, let the magnet turn, then Start.";
    std::string vAccProgress = "Recording: %1 of %2 revolutions, %3 readings…";
    std::string vAccAnalysed = "%1 readings over %2 revolutions analysed.";
    std::string vAccStoppedEarly =
        "Stopped after %1 revolutions: the whole revolutions recorded are analysed.";
    std::string vAccFull = "The recording holds its most readings (%1): it ends here.";
    std::string vAccTooFew = "Too few readings to analyse: at least %1 are needed.";
    std::string vAccLessThanATurn =
        "The readings do not span one whole revolution: let the magnet turn.";
    std::string vAccSparse =
        "More than a quarter of the revolution has no reading: turn the magnet more slowly or "
        "shorten the interval.";
    std::string vAccNotCovering =
        "The reference does not cover the recording's times: check its time column, unit and "
        "origin.";
    std::string vAccNoReference = "Choose the reference file first.";
    std::string vRefUnreadable = "Cannot read %1.";
    std::string vRefEmpty = "%1 holds no data line.";
    std::string vRefColumns = "Line %1 of the reference lacks the time or the angle column.";
    std::string vRefNumber = "Line %1 of the reference: the time or the angle is not a number.";
    std::string vRefBackwards = "Line %1 of the reference: the time is not after the line before.";
    std::string vRefTitle = "Reference columns";
    std::string vRefTime = "Time column:";
    std::string vRefAngle = "Angle column:";
    std::string vRefUnit = "Time unit:";
    std::string vRefOrigin = "Times count from:";
    std::string vRefEpoch = "1970-01-01 UTC, as the tool's readings";
    std::string vRefStart = "the recording's first reading";
    std::string vRefFilter = "CSV (*.csv *.txt);;All files (*)";
    std::string vExportCurve = "Error curve (CSV)…";
    std::string vExportHarmonics = "Harmonics (CSV)…";
    std::string vExportReadings = "Readings (CSV)…";
    std::string vExportReport = "Report (PDF)…";
    std::string vHarmonic = "Harmonic";
    std::string vAmplitude = "Amplitude, °";
    std::string vPhase = "Phase, °";
    std::string vErrorAxis = "Angle error, °";
    std::string vAngleAxis = "Reference angle, °";
    std::string vReportTitle = "QX5520 angle accuracy";
    std::string vReportDate = "Date:";
    std::string vReportMethod = "Method:";
    std::string vReportConstant = "constant speed (a straight line fitted to the readings)";
    std::string vReportReference = "reference file %1";
    std::string vReportChip = "Chip: identification word %1, chip ID %2";
    std::string vReportFigures =
        "Peak-to-peak %1°, RMS %2°; %3 readings over %4 revolutions, %5 readings/s, %6 late or "
        "missing.";
    std::string vReportOffset = "The reference's zero lies %1° from the sensor's.";
    std::string vReportConfiguration = "Configuration in the chip (? not read since connecting):";
    std::string vAccTooFast = "The magnet turns too fast for this interval: at most %1 rpm.";
    std::string vAccHolesTooLong =
        "Holes in the recording (the longest %1 s) leave no whole revolution without one: record "
        "again while nothing else uses the chip.";
    std::string vAccCut =
        "Holes too long to bridge: %1, the longest %2 s; the longest clean run is analysed.";
    std::string vAccRefSparse =
        "The reference moves up to %1° between its samples: a straight line across more than 30° "
        "is not trustworthy. Record the reference more densely.";
    std::string vAccRefScale =
        "The reference travels %1 times as far as the sensor: check the angle column, its unit or "
        "scale.";
    std::string vAccRefReversed = "The reference turns the other way: its angle is taken reversed.";
    std::string vAccRipple =
        "Constant speed: any ripple of the motor's speed shows here as the sensor's error.";
    std::string vAccBusy =
        "The angle accuracy page is recording: nothing else may use the chip until it ends. Wait "
        "for it or stop it.";
    std::string vAccOthersRunning =
        "Stop the other readouts first: the recording needs the chip to itself.";
    std::string vRefAngleUnit = "Angle unit:";
    std::string vRefDegrees = "degrees";
    std::string vRefRadians = "radians";
    std::string vRefCounts = "counts per turn:";
};

/// text with %1, %2, … replaced by the arguments in order (as QString::arg does for the
/// window), for the sentences the core builds.
std::string FillIn(std::string text, std::initializer_list<std::string> arguments);
/// value with decimals places after a point, whatever the locale.
std::string FixedText(double value, int decimals);

/// Texts kept from the language file for the pages that show them after start-up. Every
/// field is empty until the language has been loaded; nothing writes them afterwards.
struct LanguageTexts {
    std::string btnStart;
    std::string btnStop;
    std::string vChipIdentified;
    std::string vChipNotIdentified;
    std::string vChipNotConnected;
    std::string vNotDefined;
    std::string vReadingProcess;
    std::string vWritingProcess;
    std::string vChannelsFound;
    std::string vTurnOn;
    std::string vTurnOff;
    std::string vAboutText;
    std::string vAboutTextD;
    RegisterMapTexts regMap;
    AnalysisTexts analysis;
    CalibrationTexts calibration;
    AccuracyTexts accuracy;
};

/// The language chosen by the files present beside the executable. The caption and the
/// application title belong to the language, never to the file.
struct LanguageChoice {
    std::string suffix;   // "rus" or "eng"
    std::string caption;  // the window caption
    std::string title;    // the application title (task bar)
};

/// "rus" when ExePath holds lang.rus, otherwise "eng".
LanguageChoice ChooseLanguage(const std::string& exePath);

/// The `Language` section of one language file. Section and key names match without regard
/// to letter case; a key that stands twice (also in a repeated section) reads its first value;
/// a missing file, section or key reads as the empty text.
class LanguageFile {
  public:
    LanguageFile() = default;
    /// Reads the file: UTF-8, or Windows-1251 when it is not UTF-8 (as Windows editors save
    /// it). A file that is missing or unreadable gives an empty section.
    explicit LanguageFile(const std::string& path);

    std::string Text(std::string_view key) const;
    bool Has(std::string_view key) const { return texts_.find(key) != texts_.end(); }

  private:
    struct CaseInsensitiveLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    std::map<std::string, std::string, CaseInsensitiveLess> texts_;
};

/// One key of the language file that relabels controls, with every control it sets. A tab
/// is named by its page (tsAnalogCfg, stAng, ...).
struct RelabelRow {
    std::string_view key;
    std::array<std::string_view, 4> controls;  // unused places are empty
};

/// The captions of the configuration fields come first, from the field table (each field's
/// languageKey sets its caption control). Then these rows, read before the start/stop texts.
extern const std::array<RelabelRow, 17> kRelabelRowsBeforeStart;
/// Rows 54-64, read after the start/stop texts and before the message texts.
extern const std::array<RelabelRow, 11> kRelabelRowsAfterStart;
/// Row 65, the hidden check box, read after the message texts.
extern const RelabelRow kRelabelRowLast;
/// The controls added to the window since: relabelled after row 65, and only by a key the
/// file has (a file without it leaves their design text).
extern const std::array<RelabelRow, 53> kRelabelRowsAdded;

/// Every key the tool has added to the language files since: the rows above and the
/// messages. Both shipped files have each of them.
std::vector<std::string_view> AddedLanguageKeys();

/// The buttons that take the start text btnStart.
inline constexpr std::array<std::string_view, 3> kStartButtons{"btnStart", "BtnStartAngleWrkData",
                                                               "btnStartXYChart"};

/// Every control the language step sets a text on (tabs by their page), each once: a window
/// that lacks one of them is built wrong.
std::vector<std::string_view> LanguageControlNames();

/// What the language step writes to; the window implements it over its widgets.
class LanguageTarget {
  public:
    virtual ~LanguageTarget() = default;
    virtual void SetWindowCaption(const std::string& text) = 0;
    virtual void SetApplicationTitle(const std::string& text) = 0;
    /// Sets the caption of the control (or the tab of the page) with that name.
    virtual void SetControlText(std::string_view controlName, const std::string& text) = 0;
};

/// LoadLanguage: chooses the language, sets the caption and the title, relabels every keyed
/// control, sets the start texts and returns the texts kept for later. Never fails: missing
/// files and keys give empty texts without a message.
LanguageTexts LoadLanguage(const std::string& exePath, LanguageTarget& target);

}  // namespace app
