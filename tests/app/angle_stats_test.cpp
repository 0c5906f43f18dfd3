#include "app/analysis/angle_stats.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace app {
namespace {

using ::testing::ElementsAre;

TEST(AngleStatistics, ReadingsOnBothSidesOfZeroAreNeighbours) {
    AngleStatistics stats;
    stats.Reset(10);
    const uint16_t codes[] = {8190, 8191, 0, 1, 2};
    double time = 0;
    for (uint16_t code : codes) stats.Add(code, time += 10);
    const AngleSummary s = stats.Summary();
    EXPECT_EQ(s.count, 5u);
    EXPECT_NEAR(s.meanCode, 0.0, 1e-9);
    EXPECT_NEAR(s.sigmaCodes, std::sqrt(2.0), 1e-9);  // distances -2..2 from the mean
    EXPECT_EQ(s.peakToPeakCodes, 4);
    EXPECT_NEAR(s.effectiveBits, std::log2(8192 / (std::sqrt(2.0) * std::sqrt(12.0))), 1e-9);
    EXPECT_NEAR(s.noiseFreeBits, 11.0, 1e-12);
    EXPECT_NEAR(s.rateHz, 100.0, 1e-9);
    EXPECT_EQ(s.late, 0u);
    EXPECT_FALSE(s.rpm.has_value()) << "a magnet at rest";
    EXPECT_THAT(stats.Histogram(3), ElementsAre(0, 1, 1, 1, 1, 1, 0));
}

TEST(AngleStatistics, AQuietAngleResolvesEveryBitAndAMeanLiesBetweenCodes) {
    AngleStatistics stats;
    stats.Reset(10);
    stats.Add(4000, 0);
    AngleSummary s = stats.Summary();
    EXPECT_EQ(s.peakToPeakCodes, 0);
    EXPECT_EQ(s.effectiveBits, 13);
    EXPECT_EQ(s.noiseFreeBits, 13);
    EXPECT_EQ(s.rateHz, 0) << "one reading spans no time";
    stats.Add(4001 | 0xE000, 10);  // the flag bits above the angle do not count
    s = stats.Summary();
    EXPECT_NEAR(s.meanCode, 4000.5, 1e-6);
    EXPECT_NEAR(s.sigmaCodes, 0.5, 1e-9);
    EXPECT_EQ(s.peakToPeakCodes, 1);
    EXPECT_NEAR(s.noiseFreeBits, 13, 1e-12);
}

TEST(AngleStatistics, LateReadingsAreCountedAndAResetForgetsEverything) {
    AngleStatistics stats;
    stats.Reset(10);
    for (double t : {0.0, 10.0, 20.0, 40.0, 61.0, 70.0}) stats.Add(100, t);
    EXPECT_EQ(stats.Summary().late, 1u) << "20 ms is not over twice the interval, 21 ms is";
    stats.Reset(10);
    EXPECT_EQ(stats.Count(), 0u);
    EXPECT_EQ(stats.Summary().late, 0u);
    EXPECT_TRUE(stats.Histogram(2).empty());
}

TEST(AngleStatistics, ATurningMagnetGivesItsSpeedWithItsSense) {
    AngleStatistics forward;
    AngleStatistics backward;
    forward.Reset(10);
    backward.Reset(10);
    for (int i = 0; i < 100; ++i) {
        forward.Add(static_cast<uint16_t>((8000 + 100 * i) % 8192), 10.0 * i);
        backward.Add(static_cast<uint16_t>(((100 - 100 * i) % 8192 + 8192) % 8192), 10.0 * i);
    }
    // 99 steps of 100 codes in 990 ms, across 0/8191.
    const double rpm = 9900.0 / 8192 / (990.0 / 60000);
    ASSERT_TRUE(forward.Summary().rpm.has_value());
    EXPECT_NEAR(*forward.Summary().rpm, rpm, 1e-9);
    EXPECT_NEAR(*backward.Summary().rpm, -rpm, 1e-9);
}

TEST(AngleStatistics, ASwingIsMovementAndRestAfterItIsRestAgain) {
    AngleStatistics stats;
    stats.Reset(10);
    double time = 0;
    for (int i = 0; i < 20; ++i) stats.Add(static_cast<uint16_t>(1000 + 20 * i), time += 10);
    for (int i = 20; i > 0; --i) stats.Add(static_cast<uint16_t>(1000 + 20 * i), time += 10);
    ASSERT_TRUE(stats.Summary().rpm.has_value()) << "400 codes there and back";
    EXPECT_NEAR(*stats.Summary().rpm, 0.0, 1.0);
    for (size_t i = 0; i < AngleStatistics::kWindow; ++i) stats.Add(1000, time += 10);
    EXPECT_FALSE(stats.Summary().rpm.has_value()) << "the last readings rest";
}

// Noise of 150 codes spans some 1000 codes at rest: scatter, not a turn.
TEST(AngleStatistics, LoudNoiseAtRestIsNotATurnAndASlowNoisyTurnIs) {
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        std::mt19937 random(seed);
        std::normal_distribution<double> noise(0.0, 150.0);
        AngleStatistics stats;
        stats.Reset(10);
        for (int i = 0; i < 300; ++i) {
            const int code = 4000 + static_cast<int>(std::lround(noise(random)));
            stats.Add(static_cast<uint16_t>(code), 10.0 * i);
            EXPECT_FALSE(stats.Summary().rpm.has_value()) << seed << " " << i;
        }
        EXPECT_NEAR(stats.Summary().sigmaCodes, 150, 25);
    }
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 3.0);
    AngleStatistics turning;
    turning.Reset(100);
    for (int i = 0; i < 100; ++i) {  // 6 rpm: 81.92 codes per 100 ms
        const double code = 100 + 81.92 * i + noise(random);
        turning.Add(static_cast<uint16_t>(std::lround(code)) % 8192, 100.0 * i);
    }
    ASSERT_TRUE(turning.Summary().rpm.has_value());
    EXPECT_NEAR(*turning.Summary().rpm, 6.0, 0.05);
}

}  // namespace
}  // namespace app
