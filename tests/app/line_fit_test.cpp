// The straight-line fit that tells a drift from a scatter: its slope, its residual and the
// slope's standard error, against figures worked out by hand.
#include "app/analysis/line_fit.h"

#include <gtest/gtest.h>

#include <cmath>

namespace app {
namespace {

TEST(LineFit, ScatterAboutALevelLineIsNoSlope) {
    // 0, 2, 0, 2, …: level on average, one code either side of 1.
    LineFit fit;
    for (int i = 0; i < 16; ++i) fit.Add(i, i % 2 == 0 ? 0.0 : 2.0);
    // The alternation leans a little: Σ(x - x̄)(y - ȳ) = 8 over Σ(x - x̄)² = 340.
    EXPECT_NEAR(fit.Slope(), 8.0 / 340, 1e-12);
    EXPECT_NEAR(fit.Intercept(), 1.0 - 7.5 * 8.0 / 340, 1e-12);
    // The residuals: 16 less what the slope explains (8² / 340), over 14 degrees of freedom;
    // the slope's error that over √340.
    EXPECT_NEAR(fit.ResidualSd(), std::sqrt((16 - 64.0 / 340) / 14), 1e-12);
    EXPECT_NEAR(fit.SlopeError(), fit.ResidualSd() / std::sqrt(340.0), 1e-12);
    EXPECT_LT(std::abs(fit.Slope()), 4 * fit.SlopeError()) << "no drift";
}

TEST(LineFit, ADriftStandsOutOfItsScatter) {
    // 1.36 codes a reading (0.1 rpm at 10 readings a second) with the same ±1 scatter.
    LineFit fit;
    for (int i = 0; i < 16; ++i) fit.Add(i, 1.36 * i + (i % 2 == 0 ? -1.0 : 1.0));
    EXPECT_NEAR(fit.Slope(), 1.36 + 8.0 / 340, 1e-12);
    EXPECT_GT(std::abs(fit.Slope()), 4 * fit.SlopeError());
    EXPECT_NEAR(fit.Root(), -fit.Intercept() / fit.Slope(), 1e-12);
}

TEST(LineFit, TooFewPointsHaveNoScatterAndAnExactLineNone) {
    LineFit two;
    two.Add(0, 1);
    two.Add(1, 3);
    EXPECT_EQ(two.ResidualSd(), 0.0);
    EXPECT_EQ(two.SlopeError(), 0.0);
    LineFit exact;
    for (int i = 0; i < 8; ++i) exact.Add(i, 5 - 2.0 * i);
    EXPECT_NEAR(exact.ResidualSd(), 0.0, 1e-9);
    EXPECT_NEAR(exact.Root(), 2.5, 1e-12);
}

}  // namespace
}  // namespace app
