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
//   amplitude mismatch: a second harmonic of peak |AmplitudeX - AmplitudeY| / (AmplitudeX +
//   AmplitudeY); phase error:        a second harmonic of peak |phase| / 2.
// The budget's total is the sum of the three peaks, the worst case when they line up.
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
    double totalErrorDegrees = 0;     // the sum of the three
};

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

    size_t Count() const { return count_; }
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
    std::vector<uint8_t> grid_ = std::vector<uint8_t>(kCells * kCells, 0);
    std::vector<uint8_t> fineGrid_ = std::vector<uint8_t>(kFineCells * kFineCells, 0);
};

}  // namespace app
