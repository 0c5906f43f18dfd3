#include "app/analysis/lissajous_fit.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "app/analysis/line_fit.h"

namespace app {
namespace {

// Points are scaled to about unit size before their products are summed: codes reach 4096,
// and their fourth powers summed over a million points would lose the small terms.
constexpr double kScale = 4096.0;
constexpr double kDegrees = 180.0 / std::numbers::pi;
// The ends of a channel's 13-bit range: a reading there is clipped.
constexpr double kCodeMin = -4096, kCodeMax = 4095;

// The grid cell of a code, cells of size cell from low on (codes beyond go to the edge cells).
int GridCell(double code, double low, int cell, int cells) {
    return std::clamp(static_cast<int>(std::floor((code - low) / cell)), 0, cells - 1);
}

}  // namespace

double SecondHarmonicPeak(double mismatchErrorDegrees, double phaseErrorDegrees) {
    return std::hypot(mismatchErrorDegrees, phaseErrorDegrees);
}

void WithdrawBudgetIfClipped(LissajousResult& r, bool clipsX, bool clipsY) {
    if (clipsX || clipsY) r.withdrawn = LissajousResult::Withdrawn::Clipped;
}

void LissajousFit::Reset() {
    *this = LissajousFit{};
}

void LissajousFit::Add(double x, double y) {
    minX_ = count_ == 0 ? x : std::min(minX_, x);
    maxX_ = count_ == 0 ? x : std::max(maxX_, x);
    minY_ = count_ == 0 ? y : std::min(minY_, y);
    maxY_ = count_ == 0 ? y : std::max(maxY_, y);
    ++count_;
    clippedX_ = clippedX_ || x <= kCodeMin || x >= kCodeMax;
    clippedY_ = clippedY_ || y <= kCodeMin || y >= kCodeMax;
    grid_[static_cast<size_t>(GridCell(y, -4096, kCell, kCells) * kCells +
                              GridCell(x, -4096, kCell, kCells))] = 1;
    if (std::abs(x) < kFineHalf && std::abs(y) < kFineHalf) {
        fineGrid_[static_cast<size_t>(GridCell(y, -kFineHalf, kFineCell, kFineCells) * kFineCells +
                                      GridCell(x, -kFineHalf, kFineCell, kFineCells))] = 1;
    }
    const double u = x / kScale;
    const double v = y / kScale;
    const double terms[6] = {u * u, u * v, v * v, u, v, 1.0};
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 6; ++j) scatter_[static_cast<size_t>(i * 6 + j)] += terms[i] * terms[j];
    }
}

void LissajousFit::AddTimed(double x, double y, double seconds, double skewSeconds) {
    Add(x, y);
    const double angle = std::atan2(x - (minX_ + maxX_) / 2, y - (minY_ + maxY_) / 2) * kDegrees;
    if (timed_ && seconds > lastSeconds_) {
        const double step = std::remainder(angle - lastAngle_, 360.0);
        const double gap = seconds - lastSeconds_;
        travel_ += step;
        travelSeconds_ += gap;
        skewPhaseSum_ += step / gap * skewSeconds;
        ++steps_;
        if (std::abs(step) > 90.0) ++wideSteps_;
    }
    timed_ = true;
    lastAngle_ = angle;
    lastSeconds_ = seconds;
}

int LissajousFit::CoverageDegrees(double centreX, double centreY, double minRadius,
                                  bool fine) const {
    const std::vector<uint8_t>& grid = fine ? fineGrid_ : grid_;
    const int cells = fine ? kFineCells : kCells;
    const int cell = fine ? kFineCell : kCell;
    const double low = fine ? -kFineHalf : -4096;
    std::array<bool, kSectors> sectors{};
    for (int row = 0; row < cells; ++row) {
        for (int column = 0; column < cells; ++column) {
            if (grid[static_cast<size_t>(row * cells + column)] == 0) continue;
            const double x = low + (column + 0.5) * cell - centreX;
            const double y = low + (row + 0.5) * cell - centreY;
            if (std::hypot(x, y) < minRadius) continue;
            const double turn = (std::atan2(y, x) + std::numbers::pi) / (2 * std::numbers::pi);
            const int sector = std::clamp(static_cast<int>(turn * kSectors), 0, kSectors - 1);
            sectors[static_cast<size_t>(sector)] = true;
        }
    }
    // Points come a sector or two apart when the readout is slow: the part not covered is
    // the longest run of empty sectors, not every empty one.
    int longestGap = 0;
    int gap = 0;
    for (int i = 0; i < 2 * kSectors; ++i) {
        gap = sectors[static_cast<size_t>(i % kSectors)] ? 0 : gap + 1;
        longestGap = std::max(longestGap, std::min(gap, kSectors));
    }
    return (kSectors - longestGap) * (360 / kSectors);
}

int LissajousFit::TurnCoverage(const LissajousResult& fit) const {
    const bool small = std::max(std::abs(fit.offsetX), std::abs(fit.offsetY)) +
                           std::max(fit.amplitudeX, fit.amplitudeY) <
                       kFineHalf;
    return CoverageDegrees(fit.offsetX, fit.offsetY, std::min(fit.amplitudeX, fit.amplitudeY) / 2,
                           small);
}

std::optional<LissajousResult> LissajousFit::Fit(FitShortfall* shortfall) const {
    auto fail = [shortfall](FitShortfall why) -> std::optional<LissajousResult> {
        if (shortfall != nullptr) *shortfall = why;
        return std::nullopt;
    };
    if (shortfall != nullptr) *shortfall = FitShortfall::None;
    if (count_ < kMinPoints) return fail(FitShortfall::TooFewPoints);

    const Eigen::Map<const Eigen::Matrix<double, 6, 6, Eigen::RowMajor>> scatter(scatter_.data());
    const Eigen::Matrix3d s1 = scatter.block<3, 3>(0, 0);  // quadratic with quadratic
    const Eigen::Matrix3d s2 = scatter.block<3, 3>(0, 3);  // quadratic with linear
    const Eigen::Matrix3d s3 = scatter.block<3, 3>(3, 3);  // linear with linear
    const Eigen::FullPivLU<Eigen::Matrix3d> s3lu(s3);
    if (!s3lu.isInvertible()) return fail(FitShortfall::NoEllipse);
    const Eigen::Matrix3d t = -s3lu.inverse() * s2.transpose();
    const Eigen::Matrix3d m = s1 + s2 * t;
    // The constraint 4ac - b^2 = 1 as a matrix, inverted: C1^-1 * M.
    Eigen::Matrix3d reduced;
    reduced.row(0) = m.row(2) / 2;
    reduced.row(1) = -m.row(1);
    reduced.row(2) = m.row(0) / 2;
    const Eigen::EigenSolver<Eigen::Matrix3d> solver(reduced);
    if (solver.info() != Eigen::Success) return fail(FitShortfall::NoEllipse);
    std::optional<Eigen::Vector3d> quadratic;
    for (int k = 0; k < 3; ++k) {
        // Only a real eigenvector is a conic; rounding leaves a trace of an imaginary part.
        const std::complex<double> value = solver.eigenvalues()(k);
        if (std::abs(value.imag()) > 1e-9 * std::max(1.0, std::abs(value.real()))) continue;
        const Eigen::Vector3d a = solver.eigenvectors().col(k).real();
        if (4 * a(0) * a(2) - a(1) * a(1) > 0) quadratic = a;
    }
    if (!quadratic) return fail(FitShortfall::NoEllipse);
    const Eigen::Vector3d linear = t * *quadratic;
    const double a = (*quadratic)(0), b = (*quadratic)(1), c = (*quadratic)(2);
    const double d = linear(0), e = linear(1), f = linear(2);

    // Centre: where the gradient of the conic vanishes.
    const double det = 4 * a * c - b * b;
    const double u0 = (b * e - 2 * c * d) / det;
    const double v0 = (b * d - 2 * a * e) / det;
    // About the centre the conic reads a u^2 + b uv + c v^2 = k.
    const double k = -(f + (d * u0 + e * v0) / 2);
    // Written so that a NaN, which compares false with everything, fails as well.
    if (!std::isfinite(u0) || !std::isfinite(v0) || !std::isfinite(k) || !(a / k > 0) ||
        !(c / k > 0)) {
        return fail(FitShortfall::NoEllipse);
    }
    const double alpha = a / k, beta = b / k, gamma = c / k;
    // From the signal model: alpha = 1 / (Ax cos p)^2, gamma = 1 / (Ay cos p)^2,
    // beta = 2 sin p / (Ax Ay cos^2 p).
    const double sinPhase = std::clamp(beta / (2 * std::sqrt(alpha * gamma)), -1.0, 1.0);
    const double cos2 = 1 - sinPhase * sinPhase;
    if (!(cos2 > 0)) return fail(FitShortfall::NoEllipse);

    LissajousResult r;
    r.offsetX = u0 * kScale;
    r.offsetY = v0 * kScale;
    r.amplitudeX = kScale / std::sqrt(alpha * cos2);
    r.amplitudeY = kScale / std::sqrt(gamma * cos2);
    // An ellipse fits any short arc: the numbers mean something only around most of it.
    if (TurnCoverage(r) < kMinCoverageDegrees) return fail(FitShortfall::TooLittleTurn);
    const double mean = (r.amplitudeX + r.amplitudeY) / 2;
    r.mismatchPercent = (r.amplitudeX - r.amplitudeY) / mean * 100;
    double phase = std::asin(sinPhase);
    // The sine read skew seconds after the cosine sees the magnet turned on by speed x skew:
    // sin(t + speed x skew) against cos(t + phase), an ellipse of phase - speed x skew. That
    // part is the reading's, not the sensor's.
    if (steps_ > 0) {
        if (2 * wideSteps_ > steps_ || !(travelSeconds_ > 0)) {
            r.withdrawn = LissajousResult::Withdrawn::SkewUnknown;
        } else {
            r.turnDegreesPerSecond = travel_ / travelSeconds_;
            r.skewCorrectionDegrees = skewPhaseSum_ / static_cast<double>(steps_);
            phase += r.skewCorrectionDegrees / kDegrees;
        }
    }
    r.phaseDegrees = phase * kDegrees;
    // The conic scaled to read 1 on the ellipse: its value at a point is about twice the
    // point's relative radial distance, so the mean of its squares gives the RMS distance.
    Eigen::Matrix<double, 6, 1> conic;
    conic << a, b, c, d, e, f;
    conic /= k;
    const double meanSquare =
        std::max(0.0, (conic.transpose() * scatter * conic)(0, 0)) / static_cast<double>(count_);
    r.rmsDistance = std::sqrt(meanSquare) / 2 * std::sqrt(r.amplitudeX * r.amplitudeY);
    r.offsetErrorDegrees = std::hypot(r.offsetX, r.offsetY) / mean * kDegrees;
    r.mismatchErrorDegrees =
        std::abs(r.amplitudeX - r.amplitudeY) / (r.amplitudeX + r.amplitudeY) * kDegrees;
    r.phaseErrorDegrees = std::abs(phase) / 2 * kDegrees;
    r.totalErrorDegrees =
        r.offsetErrorDegrees + SecondHarmonicPeak(r.mismatchErrorDegrees, r.phaseErrorDegrees);
    // The ellipse fitted to flattened peaks looks clean: the points at a range end say so.
    WithdrawBudgetIfClipped(r, clippedX_, clippedY_);
    return r;
}

}  // namespace app
