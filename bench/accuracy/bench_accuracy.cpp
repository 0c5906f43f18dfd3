// Prints the time the angle error analysis takes after a recording, by either reference, for
// 10 and for 100 revolutions of 1000 readings each (a magnet at 6 rpm read every 10 ms), as
// name=value lines, and its ratio to the one second the window may spend on it. The time is
// the CPU time of this thread, the best of three runs. A bench prints; it does not assert.
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include "app/analysis/angle_accuracy.h"

namespace {

constexpr int kReadingsPerRevolution = 1000;

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double BestOfThree(const std::function<void()>& run) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const double start = ThreadSeconds();
        run();
        best = std::min(best, ThreadSeconds() - start);
    }
    return best;
}

struct Recording {
    std::vector<app::TimedAngle> readings;
    std::vector<app::TimedAngle> reference;
};

// A magnet with a speed ripple, read through a sensor with first and second harmonic error,
// 13-bit output and a little jitter in the reading times; the reference is its true angle.
Recording Record(int revolutions) {
    constexpr double kDegree = std::numbers::pi / 180;
    std::mt19937 random(5520);
    std::normal_distribution<double> jitter(0, 0.0005);
    Recording r;
    const int n = revolutions * kReadingsPerRevolution + 50;
    for (int i = 0; i < n; ++i) {
        const double t = i * 0.01 + jitter(random);
        const double steady = 36.0 * t;
        const double truth = steady + 0.5 * std::sin(steady * kDegree);
        const double seen =
            truth + 0.3 * std::cos(truth * kDegree) + 0.1 * std::cos(2 * truth * kDegree);
        const double code = std::fmod(std::round(seen / 360 * 8192), 8192);
        r.readings.push_back({t, code * 360 / 8192});
        r.reference.push_back({t, std::fmod(truth, 360.0)});
    }
    r.reference.insert(r.reference.begin(), {-1.0, r.reference.front().degrees - 36.0});
    r.reference.push_back({n * 0.01 + 1.0, r.reference.back().degrees + 36.0});
    return r;
}

}  // namespace

int main() {
    double constant[2] = {}, referenced[2] = {};
    const int revolutions[2] = {10, 100};
    for (int i = 0; i < 2; ++i) {
        const Recording r = Record(revolutions[i]);
        constant[i] = BestOfThree([&] { (void)app::AngleAccuracy::ConstantSpeed(r.readings); });
        referenced[i] = BestOfThree(
            [&] { (void)app::AngleAccuracy::AgainstReference(r.readings, r.reference); });
        std::printf("readings_%drev=%zu\n", revolutions[i], r.readings.size());
        std::printf("constant_speed_%drev_s=%.4f\n", revolutions[i], constant[i]);
        std::printf("reference_%drev_s=%.4f\n", revolutions[i], referenced[i]);
    }
    // Under 1 the analysis keeps within its budget; 10 means it grows in proportion.
    std::printf("constant_speed_100rev_budget_ratio=%.3f\n", constant[1] / 1.0);
    std::printf("reference_100rev_budget_ratio=%.3f\n", referenced[1] / 1.0);
    std::printf("constant_speed_growth_100_vs_10=%.2f\n", constant[1] / constant[0]);
    std::printf("reference_growth_100_vs_10=%.2f\n", referenced[1] / referenced[0]);
    return 0;
}
