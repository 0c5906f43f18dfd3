#include "app/analysis/lissajous_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace app {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegrees = 180 / kPi;

struct Signal {
    double offsetX = 0, offsetY = 0;
    double amplitudeX = 3000, amplitudeY = 3000;
    double phase = 0;  // radians
    double X(double t) const { return offsetX + amplitudeX * std::sin(t); }
    double Y(double t) const { return offsetY + amplitudeY * std::cos(t + phase); }
};

LissajousResult FitOf(const Signal& s, int points = 3600) {
    LissajousFit fit;
    for (int i = 0; i < points; ++i) {
        const double t = 2 * kPi * i / points;
        fit.Add(s.X(t), s.Y(t));
    }
    FitShortfall why = FitShortfall::None;
    const std::optional<LissajousResult> result = fit.Fit(&why);
    EXPECT_TRUE(result.has_value()) << static_cast<int>(why);
    return result.value_or(LissajousResult{});
}

// The angle atan2(X, Y) over a full turn against the true angle: half the peak-to-peak of
// its error, in degrees (the error's constant part, from a phase error, set aside).
double BruteForcePeak(const Signal& s) {
    double low = 1e9, high = -1e9;
    for (int i = 0; i < 36000; ++i) {
        const double t = 2 * kPi * i / 36000;
        double error = std::atan2(s.X(t), s.Y(t)) - t;
        error = std::remainder(error, 2 * kPi);
        low = std::min(low, error);
        high = std::max(high, error);
    }
    return (high - low) / 2 * kDegrees;
}

TEST(LissajousFit, RecoversTheOffsetsAmplitudesAndPhaseOfAnExactEllipse) {
    Signal s;
    s.offsetX = 120;
    s.offsetY = -45;
    s.amplitudeX = 3100;
    s.amplitudeY = 2900;
    s.phase = 2.0 / kDegrees;
    const LissajousResult r = FitOf(s);
    EXPECT_NEAR(r.offsetX, 120, 1e-6);
    EXPECT_NEAR(r.offsetY, -45, 1e-6);
    EXPECT_NEAR(r.amplitudeX, 3100, 1e-6);
    EXPECT_NEAR(r.amplitudeY, 2900, 1e-6);
    EXPECT_NEAR(r.mismatchPercent, 200.0 / 3000 * 100, 1e-6);
    EXPECT_NEAR(r.phaseDegrees, 2.0, 1e-6);
    EXPECT_NEAR(r.rmsDistance, 0, 1e-3);
}

// The small-error expressions of the budget against atan2 over a full turn, each error
// alone and all together.
TEST(LissajousFit, TheErrorBudgetMatchesABruteForceTurn) {
    Signal offsets;
    offsets.offsetX = 60;
    offsets.offsetY = 40;
    EXPECT_NEAR(FitOf(offsets).offsetErrorDegrees, BruteForcePeak(offsets),
                0.02 * BruteForcePeak(offsets));
    Signal mismatch;
    mismatch.amplitudeX = 3090;  // 3 % mismatch
    EXPECT_NEAR(FitOf(mismatch).mismatchErrorDegrees, BruteForcePeak(mismatch),
                0.02 * BruteForcePeak(mismatch));
    Signal phase;
    phase.phase = 1.5 / kDegrees;
    EXPECT_NEAR(FitOf(phase).phaseErrorDegrees, BruteForcePeak(phase),
                0.02 * BruteForcePeak(phase));
    EXPECT_NEAR(FitOf(phase).phaseErrorDegrees, 0.75, 1e-6);

    Signal all = offsets;
    all.amplitudeX = 3090;
    all.phase = 1.5 / kDegrees;
    const LissajousResult r = FitOf(all);
    EXPECT_GE(r.totalErrorDegrees * 1.02, BruteForcePeak(all)) << "the sum bounds the error";
    EXPECT_EQ(FitOf(Signal{}).totalErrorDegrees < 1e-6, true) << "a perfect circle costs nothing";
}

TEST(LissajousFit, NoisyPointsGiveTheEllipseAndTheirDistanceFromIt) {
    std::mt19937 random(5520);
    std::normal_distribution<double> noise(0.0, 4.0);
    Signal s;
    s.offsetX = 30;
    s.amplitudeY = 2800;
    LissajousFit fit;
    for (int i = 0; i < 100000; ++i) {
        const double t = 0.001 * i;  // about 16 turns
        fit.Add(s.X(t) + noise(random), s.Y(t) + noise(random));
    }
    const std::optional<LissajousResult> r = fit.Fit();
    ASSERT_TRUE(r.has_value());
    EXPECT_NEAR(r->offsetX, 30, 0.5);
    EXPECT_NEAR(r->offsetY, 0, 0.5);
    EXPECT_NEAR(r->amplitudeX, 3000, 1);
    EXPECT_NEAR(r->amplitudeY, 2800, 1);
    EXPECT_NEAR(r->rmsDistance, 4.0, 0.3) << "the radial part of the noise";
}

TEST(LissajousFit, TooFewPointsOrTooLittleOfATurnGiveNoNumbers) {
    LissajousFit fit;
    FitShortfall why = FitShortfall::None;
    for (int i = 0; i < 7; ++i) fit.Add(3000 * std::sin(i), 3000 * std::cos(i));
    EXPECT_FALSE(fit.Fit(&why).has_value());
    EXPECT_EQ(why, FitShortfall::TooFewPoints);

    fit.Reset();
    for (int i = 0; i <= 200; ++i) {  // 0 to 240 degrees
        const double t = 240.0 / kDegrees * i / 200;
        fit.Add(3000 * std::sin(t), 3000 * std::cos(t));
    }
    EXPECT_LT(fit.CoverageDegrees(0, 0), LissajousFit::kMinCoverageDegrees);
    EXPECT_FALSE(fit.Fit(&why).has_value());
    EXPECT_EQ(why, FitShortfall::TooLittleTurn);
    for (int i = 0; i <= 100; ++i) {  // on to 300 degrees
        const double t = (240.0 + 60.0 * i / 100) / kDegrees;
        fit.Add(3000 * std::sin(t), 3000 * std::cos(t));
    }
    EXPECT_GE(fit.CoverageDegrees(0, 0), LissajousFit::kMinCoverageDegrees);
    ASSERT_TRUE(fit.Fit(&why).has_value());
    EXPECT_EQ(why, FitShortfall::None);
    EXPECT_NEAR(fit.Fit()->amplitudeX, 3000, 1e-6);
}

TEST(LissajousFit, SparsePointsAroundMostOfATurnAreEnough) {
    LissajousFit fit;
    for (int degrees = 0; degrees <= 300; degrees += 20) {  // 16 points, 20 degrees apart
        const double t = degrees / kDegrees;
        fit.Add(100 + 2800 * std::sin(t), -50 + 2500 * std::cos(t));
    }
    EXPECT_GE(fit.CoverageDegrees(100, -50), 290);
    const std::optional<LissajousResult> r = fit.Fit();
    ASSERT_TRUE(r.has_value());
    EXPECT_NEAR(r->offsetX, 100, 1e-6);
    EXPECT_NEAR(r->amplitudeY, 2500, 1e-6);
}

TEST(LissajousFit, PointsNearTheCentreDoNotCountAsCoverage) {
    LissajousFit fit;
    for (int degrees = 0; degrees <= 180; degrees += 10) {
        const double t = degrees / kDegrees;
        fit.Add(3000 * std::sin(t), 3000 * std::cos(t));
    }
    fit.Add(-300, 0);  // a stray point inside, opposite the half turn
    EXPECT_GE(fit.CoverageDegrees(0, 0), 270);
    EXPECT_LT(fit.CoverageDegrees(0, 0, 1500), 270);
}

TEST(LissajousFit, PointsOnNoEllipseGiveNoNumbersAndNoNonsense) {
    LissajousFit same;
    for (int i = 0; i < 100; ++i) same.Add(120, -40);  // a magnet that does not turn
    EXPECT_FALSE(same.Fit().has_value());
    LissajousFit line;
    for (int i = 0; i < 100; ++i) line.Add(20 * i - 1000, 10 * i - 500);
    EXPECT_FALSE(line.Fit().has_value());
    LissajousFit empty;
    FitShortfall why = FitShortfall::None;
    EXPECT_FALSE(empty.Fit(&why).has_value());
    EXPECT_EQ(why, FitShortfall::TooFewPoints);
}

TEST(LissajousFit, ASmallSignalIsFittedOnTheFineGrid) {
    Signal s;
    s.offsetX = 5;
    s.amplitudeX = 40;
    s.amplitudeY = 36;
    const LissajousResult r = FitOf(s, 360);
    EXPECT_NEAR(r.offsetX, 5, 1e-6);
    EXPECT_NEAR(r.amplitudeX, 40, 1e-6);
    EXPECT_NEAR(r.amplitudeY, 36, 1e-6);
}

// Mismatch and phase error both give a second harmonic, in quadrature: their joint peak is
// the root of their squares, whichever their signs.
TEST(LissajousFit, TheBudgetsTotalIsTheTruePeakOfMismatchWithPhase) {
    for (double phaseDegrees : {2.0, -2.0}) {
        for (bool xLarger : {true, false}) {
            Signal s;
            s.amplitudeX = xLarger ? 2550 : 2450;
            s.amplitudeY = xLarger ? 2450 : 2550;
            s.phase = phaseDegrees / kDegrees;
            const LissajousResult r = FitOf(s);
            const double truth = BruteForcePeak(s);
            EXPECT_NEAR(truth, 1.521, 0.01);
            EXPECT_GE(r.totalErrorDegrees * 1.005, truth) << phaseDegrees << " " << xLarger;
            EXPECT_LE(r.totalErrorDegrees, truth * 1.03) << phaseDegrees << " " << xLarger;
        }
    }
    Signal all;
    all.offsetX = 60;
    all.offsetY = -40;
    all.amplitudeX = 3090;
    all.phase = -1.5 / kDegrees;
    EXPECT_GE(FitOf(all).totalErrorDegrees * 1.005, BruteForcePeak(all));
}

TEST(LissajousFit, AClippedChannelWithdrawsTheBudget) {
    LissajousFit fit;
    for (int i = 0; i < 3600; ++i) {
        const double t = 2 * kPi * i / 3600;
        fit.Add(std::clamp(4500 * std::sin(t), -4096.0, 4095.0), 3000 * std::cos(t));
    }
    const std::optional<LissajousResult> r = fit.Fit();
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->withdrawn, LissajousResult::Withdrawn::Clipped);

    EXPECT_EQ(FitOf(Signal{}).withdrawn, LissajousResult::Withdrawn::None);
}

// The sine read 0.1 s after the cosine (as the X-Y point reads them) while the magnet turns
// at 6 rpm: 3.6° of phase that is the reading's. Timed points take it out; points more than a
// quarter turn apart cannot.
TEST(LissajousFit, TheReadingSkewOfATurningMagnetIsNotTheSensorsPhase) {
    auto fitAt = [](double degreesPerSecond, bool timed) {
        Signal s;
        s.phase = 1.0 / kDegrees;
        LissajousFit fit;
        for (int i = 0; i < 400; ++i) {
            const double seconds = 0.2 * i;
            const double t = degreesPerSecond * seconds / kDegrees;
            const double later = degreesPerSecond * (seconds + 0.1) / kDegrees;
            if (timed) {
                fit.AddTimed(s.X(later), s.Y(t), seconds, 0.1);
            } else {
                fit.Add(s.X(later), s.Y(t));
            }
        }
        return fit.Fit();
    };
    const auto untimed = fitAt(36, false);
    ASSERT_TRUE(untimed.has_value());
    EXPECT_NEAR(untimed->phaseDegrees, -2.6, 1e-3) << "without times the skew is phase";
    const auto timed = fitAt(36, true);
    ASSERT_TRUE(timed.has_value());
    EXPECT_NEAR(timed->phaseDegrees, 1.0, 0.05);
    EXPECT_NEAR(timed->skewCorrectionDegrees, 3.6, 0.05);
    EXPECT_NEAR(timed->turnDegreesPerSecond, 36, 0.5);
    const auto backwards = fitAt(-36, true);
    ASSERT_TRUE(backwards.has_value());
    EXPECT_NEAR(backwards->phaseDegrees, 1.0, 0.05);
    // A hand-turned magnet: a turn at 18°/s, then two at 54°/s. Each point's skew is its own
    // speed's.
    Signal s;
    s.phase = 1.0 / kDegrees;
    LissajousFit uneven;
    double seconds = 0, degrees = 0;
    for (int i = 0; i < 400; ++i) {
        const double speed = degrees < 360 ? 18 : 54;
        uneven.AddTimed(s.X((degrees + speed * 0.1) / kDegrees), s.Y(degrees / kDegrees), seconds,
                        0.1);
        seconds += 0.2;
        degrees += speed * 0.2;
    }
    ASSERT_TRUE(uneven.Fit().has_value());
    EXPECT_NEAR(uneven.Fit()->phaseDegrees, 1.0, 0.1);
    const auto tooFast = fitAt(530, true);  // 106° between points
    ASSERT_TRUE(tooFast.has_value());
    EXPECT_EQ(tooFast->withdrawn, LissajousResult::Withdrawn::SkewUnknown);
}

}  // namespace
}  // namespace app
