// The Lissajous fit of the X-Y page: an ellipse fitted by least squares to every (sine,
// cosine) point since the start, and the angle error its imperfections cause.
//
// Each point adds to running sums (the 6x6 scatter matrix of the conic's terms), so a point
// costs a few dozen multiplications and a fit costs the same at a million points as at ten.
// The fit is the direct least-squares ellipse fit (Fitzgibbon, Pilu and Fisher 1999) in the
// numerically stable form of Halir and Flusser (1998), solved with Eigen.
//
// The signal model: X = OffsetX + AmplitudeX * sin(t), Y = OffsetY + AmplitudeY * cos(t + phase).
// With A the mean amplitude, the angle atan2(X, Y) is off by, to first order (errors small):
//   offsets:            a first harmonic of peak  sqrt(OffsetX^2 + OffsetY^2) / A  radians;
//   amplitude mismatch: a second harmonic k sin 2t, k = |AmplitudeX - AmplitudeY| /
//                       (AmplitudeX + AmplitudeY);
//   phase error:        a second harmonic -(phase / 2) cos 2t.
// The two second harmonics are in quadrature and never peak together: their joint peak is
// sqrt(k^2 + (phase / 2)^2). The budget's total, the worst case, is the offsets' peak plus
// that (the first and second harmonics can line up).
//
// The X-Y point reads the cosine, then the sine, 100 ms apart. A chip that does not hold one
// conversion for both shows a turning magnet as a phase error of -(speed x skew) that is not
// the sensor's. Points added with their times give the speed between each point and the
// next (their angles around the centre of the extremes so far), and the fitted phase is
// corrected by the mean of speed x skew over every point, so a hand-turned magnet's changes of
// speed count as they came. Where the speed cannot be told (most points come more than a
// quarter turn apart), the phase and the budget are withdrawn.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace app {

/// The fitted ellipse and what it costs in angle. Codes for lengths, degrees for angles.
struct LissajousResult {
    double offsetX = 0;
    double offsetY = 0;
    double amplitudeX = 0;
    double amplitudeY = 0;
    double mismatchPercent = 0;       // (AmplitudeX - AmplitudeY) / mean amplitude * 100
    double phaseDegrees = 0;          // non-orthogonality of the two channels
    double rmsDistance = 0;           // the points' RMS distance from the ellipse (first order)
    double offsetErrorDegrees = 0;    // first harmonic, peak
    double mismatchErrorDegrees = 0;  // second harmonic, peak
    double phaseErrorDegrees = 0;     // second harmonic, peak
    double totalErrorDegrees = 0;     // offsets + the joint peak of the two second harmonics
    /// The magnet's speed from the timed points (degrees per second, sign: the sense of
    /// atan2(X, Y)) and the phase added to the fit's for the reading skew; 0 without times.
    double turnDegreesPerSecond = 0;
    double skewCorrectionDegrees = 0;
    /// Why the phase and the error budget are not to be trusted; None when they are.
    enum class Withdrawn { None, Clipped, SkewUnknown } withdrawn = Withdrawn::None;
};

/// The second-harmonic errors of mismatch k and phase error phi (degrees) are in quadrature:
/// their joint peak, sqrt(k^2 + (phi / 2)^2) in the budget's terms.
double SecondHarmonicPeak(double mismatchErrorDegrees, double phaseErrorDegrees);

/// A clipped channel has flattened peaks that no ellipse describes: the budget would look clean
/// while the true error is large. Marks r's budget withdrawn when either channel clips.
void WithdrawBudgetIfClipped(LissajousResult& r, bool clipsX, bool clipsY);

/// Why there is no result yet.
enum class FitShortfall {
    None,
    TooFewPoints,   // fewer than kMinPoints
    TooLittleTurn,  // the points cover less than kMinCoverageDegrees of the circle
    NoEllipse,      // the points lie on no ellipse (a line, a hyperbola)
};

class LissajousFit {
  public:
    static constexpr size_t kMinPoints = 8;
    static constexpr int kMinCoverageDegrees = 270;

    void Reset();
    /// One point: the sine channel X and the cosine channel Y, in codes.
    void Add(double x, double y);
    /// One point with the time its cosine was read (seconds) and how much later its sine was
    /// read (seconds): the fit then corrects its phase for the turning magnet.
    void AddTimed(double x, double y, double seconds, double skewSeconds);

    size_t Count() const { return count_; }
    /// A point so far lay at an end of the channel's range (the signal clips there).
    bool ClipsX() const { return clippedX_; }
    bool ClipsY() const { return clippedY_; }
    /// The part of the circle around (centreX, centreY) that the points at least minRadius
    /// from it cover, in degrees: 360 less the widest gap between them (in 10-degree sectors).
    /// The points are kept as the cells of a 32-code grid over the whole range, and of a
    /// 4-code grid over -512..511, which a small signal's circle uses when it fits there. A
    /// stray point near the centre says nothing of how far the magnet turned.
    int CoverageDegrees(double centreX, double centreY, double minRadius = 0,
                        bool fine = false) const;
    /// The coverage around a fitted ellipse: of the points at least half its smaller
    /// amplitude from its centre, on the fine grid when the ellipse fits there.
    int TurnCoverage(const LissajousResult& fit) const;
    /// The fit of every point so far; nullopt with shortfall set when there is none.
    std::optional<LissajousResult> Fit(FitShortfall* shortfall = nullptr) const;

  private:
    static constexpr int kSectors = 36;
    // The coarse grid over -4096..4095 and the fine one over -kFineHalf..kFineHalf-1.
    static constexpr int kCell = 32;
    static constexpr int kCells = 8192 / kCell;
    static constexpr int kFineHalf = 512;
    static constexpr int kFineCell = 4;
    static constexpr int kFineCells = 2 * kFineHalf / kFineCell;
    // Sums of the products of (x^2, xy, y^2, x, y, 1) two by two, in scaled coordinates.
    std::array<double, 36> scatter_{};
    size_t count_ = 0;
    // The extremes so far, whose middle the timed points' angles are taken around.
    double minX_ = 0, maxX_ = 0, minY_ = 0, maxY_ = 0;
    // The timed points: the last one's angle and time, and over the steps between them the
    // travel, the time, the sum of speed x skew and the steps over a quarter turn.
    bool timed_ = false;
    double lastAngle_ = 0, lastSeconds_ = 0;
    double travel_ = 0, travelSeconds_ = 0, skewPhaseSum_ = 0;
    size_t steps_ = 0, wideSteps_ = 0;
    bool clippedX_ = false, clippedY_ = false;  // a point at an end of the range
    std::vector<uint8_t> grid_ = std::vector<uint8_t>(kCells * kCells, 0);
    std::vector<uint8_t> fineGrid_ = std::vector<uint8_t>(kFineCells * kFineCells, 0);
};

}  // namespace app
