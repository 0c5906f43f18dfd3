#include "app/analysis/angle_stats.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/analysis/line_fit.h"

namespace app {
namespace {

constexpr double kMaxBits = 13;

// The signed distance from `from` to `to` on the circle of codes, -4096 <= d < 4096.
int Wrapped(int to, int from) {
    int d = (to - from) % kAngleCodes;
    if (d < -kAngleCodes / 2) d += kAngleCodes;
    if (d >= kAngleCodes / 2) d -= kAngleCodes;
    return d;
}

double Bits(double span) {
    return span <= 0 ? kMaxBits : std::min(kMaxBits, std::log2(kAngleCodes / span));
}

}  // namespace

bool DriftsBeyondScatter(const std::vector<double>& positions) {
    const size_t n = positions.size();
    if (n < kMinDriftReadings) return false;
    double mean = 0;
    for (double p : positions) mean += p;
    mean /= static_cast<double>(n);
    double variance = 0, successive = 0;
    for (size_t i = 0; i < n; ++i) {
        variance += (positions[i] - mean) * (positions[i] - mean);
        if (i > 0)
            successive += (positions[i] - positions[i - 1]) * (positions[i] - positions[i - 1]);
    }
    // Readings that do not move at all do not drift either.
    if (variance <= 0) return false;
    return successive / variance < kDriftRatio;
}

void AngleStatistics::Reset(double intervalMs) {
    *this = AngleStatistics{};
    intervalMs_ = intervalMs;
}

void AngleStatistics::Add(uint16_t code, double timeMs) {
    const int angle = code % kAngleCodes;
    if (count_ == 0) {
        firstTimeMs_ = timeMs;
    } else {
        travelCodes_ += Wrapped(angle, lastCode_);
        if (intervalMs_ > 0 && timeMs - lastTimeMs_ > 2 * intervalMs_) ++late_;
    }
    ++counts_[static_cast<size_t>(angle)];
    ++count_;
    recent_.emplace_back(timeMs, travelCodes_);
    if (recent_.size() > kWindow) recent_.pop_front();
    lastCode_ = angle;
    lastTimeMs_ = timeMs;
}

AngleSummary AngleStatistics::Summary() const {
    AngleSummary summary;
    summary.count = count_;
    summary.late = late_;
    if (count_ == 0) return summary;
    // Circular mean: the direction of the sum of unit vectors.
    double sumSin = 0;
    double sumCos = 0;
    const double radiansPerCode = 2 * std::numbers::pi / kAngleCodes;
    for (int code = 0; code < kAngleCodes; ++code) {
        if (counts_[static_cast<size_t>(code)] == 0) continue;
        const double n = static_cast<double>(counts_[static_cast<size_t>(code)]);
        sumSin += n * std::sin(code * radiansPerCode);
        sumCos += n * std::cos(code * radiansPerCode);
    }
    double mean = std::atan2(sumSin, sumCos) / radiansPerCode;
    if (mean < 0) mean += kAngleCodes;
    if (mean >= kAngleCodes - 1e-9) mean = 0;  // a hair below 0 is 0
    summary.meanCode = mean;
    // Spread about the mean, each reading taken at its shortest distance from it.
    const int centre = static_cast<int>(std::lround(mean)) % kAngleCodes;
    double sum = 0;
    double sumSquares = 0;
    for (int code = 0; code < kAngleCodes; ++code) {
        const size_t n = counts_[static_cast<size_t>(code)];
        if (n == 0) continue;
        const double d = Wrapped(code, centre) + (centre - mean);
        sum += static_cast<double>(n) * d;
        sumSquares += static_cast<double>(n) * d * d;
    }
    const double count = static_cast<double>(count_);
    summary.sigmaCodes =
        std::sqrt(std::max(0.0, sumSquares / count - (sum / count) * (sum / count)));
    // Peak-to-peak: the circle less its longest run of empty codes.
    int longestGap = 0;
    int gap = 0;
    for (int i = 0; i < 2 * kAngleCodes; ++i) {
        if (counts_[static_cast<size_t>(i % kAngleCodes)] == 0) {
            longestGap = std::max(longestGap, std::min(++gap, kAngleCodes));
        } else {
            gap = 0;
        }
    }
    summary.peakToPeakCodes = kAngleCodes - 1 - longestGap;
    summary.effectiveBits = Bits(summary.sigmaCodes * std::sqrt(12.0));
    summary.noiseFreeBits = Bits(summary.peakToPeakCodes);
    const double spanMs = lastTimeMs_ - firstTimeMs_;
    if (count_ > 1 && spanMs > 0) {
        summary.rateHz = (count - 1) * 1000.0 / spanMs;
    }
    // Turning: the recent readings drift consistently, not merely scatter (noise of 150 codes
    // spans far more than any fixed width at rest). The speed is the least-squares slope of
    // the recent positions.
    std::vector<double> positions;
    LineFit line;
    double low = 0, high = 0;
    for (const auto& [time, position] : recent_) {
        low = positions.empty() ? position : std::min(low, position);
        high = positions.empty() ? position : std::max(high, position);
        positions.push_back(position);
        line.Add(time - recent_.front().first, position);
    }
    const double windowMs = recent_.empty() ? 0 : recent_.back().first - recent_.front().first;
    if (windowMs > 0 && high - low > kMinDriftCodes && DriftsBeyondScatter(positions)) {
        summary.rpm = line.Slope() / kAngleCodes * 60000.0;
    }
    return summary;
}

std::vector<size_t> AngleStatistics::Histogram(int halfWidth) const {
    std::vector<size_t> bins;
    if (count_ == 0 || halfWidth < 0) return bins;
    const int centre = static_cast<int>(std::lround(Summary().meanCode)) % kAngleCodes;
    for (int offset = -halfWidth; offset <= halfWidth; ++offset) {
        const int code = ((centre + offset) % kAngleCodes + kAngleCodes) % kAngleCodes;
        bins.push_back(counts_[static_cast<size_t>(code)]);
    }
    return bins;
}

}  // namespace app
