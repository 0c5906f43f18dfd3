// Prints the cost of one chart tick (append one point, then repaint) at growing point counts,
// offscreen at 900 x 380, as name=value lines (the median of 101 ticks after 10 warm-up
// ticks). A bench prints; it does not assert.
#include <time.h>

#include <QApplication>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "app/analysis/lissajous_fit.h"
#include "ui/decimated_chart.h"
#include "ui/point_cloud_chart.h"

namespace {

constexpr int kWidth = 900;
constexpr int kHeight = 380;
constexpr int kWarmUpTicks = 10;
constexpr int kTicks = 101;

/// Tick cost is the CPU time of this thread, so that other work on the machine does not
/// count; every tick runs on this thread.
class TickTimer {
  public:
    TickTimer() { clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start_); }
    double Ms() const {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec - start_.tv_sec) * 1e3 +
               static_cast<double>(now.tv_nsec - start_.tv_nsec) / 1e6;
    }

  private:
    timespec start_{};
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

/// The angle code of a magnet turning at a steady speed, with a little noise.
class TurningMagnet {
  public:
    /// codesPerReading: how far the magnet turns between two readings.
    explicit TurningMagnet(double codesPerReading = 37.3) : step_(codesPerReading) {}

    uint16_t Next() {
        phase_ += step_;
        const double noisy = phase_ + noise_(random_);
        return static_cast<uint16_t>(static_cast<int64_t>(std::floor(noisy)) & 0x1FFF);
    }
    std::pair<int32_t, int32_t> NextXY() {
        phase_ += 0.013;
        return {static_cast<int32_t>(3000 * std::sin(phase_) + noise_(random_)),
                static_cast<int32_t>(3000 * std::cos(phase_) + noise_(random_))};
    }

  private:
    double step_;
    double phase_ = 0;
    std::mt19937 random_{7};
    std::normal_distribution<double> noise_{0.0, 12.0};
};

struct AngleResult {
    double tickMs;
    double bytesPerPoint;
};

AngleResult AngleTick(size_t points, double codesPerReading = 37.3) {
    ui::DecimatedChart chart;
    chart.resize(kWidth, kHeight);
    chart.show();
    auto* line = chart.AddLine<uint16_t>("angle", Qt::blue);
    TurningMagnet magnet(codesPerReading);
    int64_t count = 0;
    for (; count < static_cast<int64_t>(points); ++count) chart.Append(line, count, magnet.Next());
    chart.replot(QCustomPlot::rpImmediateRefresh);
    QApplication::processEvents();
    std::vector<double> ms;
    for (int tick = 0; tick < kWarmUpTicks + kTicks; ++tick) {
        const TickTimer timer;
        chart.Append(line, count++, magnet.Next());
        chart.replot(QCustomPlot::rpImmediateRefresh);
        if (tick >= kWarmUpTicks) ms.push_back(timer.Ms());
    }
    return {Median(ms), static_cast<double>(line->BytesUsed()) / static_cast<double>(line->Size())};
}

// With fit, each tick also adds the point to the Lissajous fit and fits every point so far
// (the page fits at most every 300 ms; here every tick, the worst case).
double XYTick(size_t points, bool fit = false) {
    app::LissajousFit lissajous;
    ui::PointCloudChart chart;
    chart.resize(kWidth, kHeight);
    chart.SetFixedRange(-4500, 4500);
    chart.show();
    chart.replot(QCustomPlot::rpImmediateRefresh);
    TurningMagnet magnet;
    for (size_t i = 0; i < points; ++i) {
        const auto [x, y] = magnet.NextXY();
        chart.AddPoint(x, y);
        if (fit) lissajous.Add(x, y);
    }
    chart.RepaintNow();
    QApplication::processEvents();
    std::vector<double> ms;
    for (int tick = 0; tick < kWarmUpTicks + kTicks; ++tick) {
        const TickTimer timer;
        const auto [x, y] = magnet.NextXY();
        chart.AddPoint(x, y);
        if (fit) {
            lissajous.Add(x, y);
            if (!lissajous.Fit()) std::fprintf(stderr, "the fit found no ellipse\n");
        }
        chart.RepaintNow();
        if (tick >= kWarmUpTicks) ms.push_back(timer.Ms());
    }
    return Median(ms);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    const AngleResult angle10k = AngleTick(10'000);
    const AngleResult angle1M = AngleTick(1'000'000);
    const AngleResult angle10M = AngleTick(10'000'000);
    std::printf("angle_tick_ms_10k=%.3f\n", angle10k.tickMs);
    std::printf("angle_tick_ms_1M=%.3f\n", angle1M.tickMs);
    std::printf("angle_tick_ms_10M=%.3f\n", angle10M.tickMs);
    std::printf("angle_ratio_1M_to_10k=%.2f\n", angle1M.tickMs / angle10k.tickMs);
    std::printf("angle_ratio_10M_to_10k=%.2f\n", angle10M.tickMs / angle10k.tickMs);
    std::printf("angle_bytes_per_point=%.2f\n", angle10M.bytesPerPoint);
    // From 1 M points on, every pixel column spans the whole code range, so a tick draws many
    // more pixels than at 10 k. The same 10 k points turning fast enough to fill their columns
    // too separate the cost of the point count from the cost of the ink.
    const AngleResult angle10kFull = AngleTick(10'000, 2979.1);
    std::printf("angle_tick_ms_10k_fullswing=%.3f\n", angle10kFull.tickMs);
    std::printf("angle_ratio_10M_to_10k_fullswing=%.2f\n", angle10M.tickMs / angle10kFull.tickMs);
    std::fflush(stdout);

    const double xy10k = XYTick(10'000);
    const double xy1M = XYTick(1'000'000);
    std::printf("xy_tick_ms_10k=%.3f\n", xy10k);
    std::printf("xy_tick_ms_1M=%.3f\n", xy1M);
    std::printf("xy_ratio_1M_to_10k=%.2f\n", xy1M / xy10k);
    const double xyFit10k = XYTick(10'000, true);
    const double xyFit1M = XYTick(1'000'000, true);
    std::printf("xy_fit_tick_ms_10k=%.3f\n", xyFit10k);
    std::printf("xy_fit_tick_ms_1M=%.3f\n", xyFit1M);
    std::printf("xy_fit_ratio_1M_to_10k=%.2f\n", xyFit1M / xyFit10k);
    std::printf("xy_fit_ratio_to_no_fit_1M=%.2f\n", xyFit1M / xy1M);
    return 0;
}
