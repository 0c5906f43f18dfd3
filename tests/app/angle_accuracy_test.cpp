// The angle error analysis against synthetic recordings: known harmonics in, the same
// harmonics out, by either reference, and what a speed ripple does to each.
#include "app/analysis/angle_accuracy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace {

using app::AngleAccuracy;
using app::TimedAngle;

constexpr double kDegree = std::numbers::pi / 180.0;

// The sensor's 13-bit output: 0 … 360° in 8192 codes.
double Quantised(double degrees) {
    const double code = std::round(degrees / 360.0 * 8192.0);
    return std::fmod(std::fmod(code, 8192.0) + 8192.0, 8192.0) * 360.0 / 8192.0;
}

// Readings every `interval` seconds of a magnet at `position(t)` (degrees), through a sensor
// whose error at the true angle θ is `error(θ)`.
std::vector<TimedAngle> Record(double seconds, double interval,
                               const std::function<double(double)>& position,
                               const std::function<double(double)>& error) {
    std::vector<TimedAngle> readings;
    for (double t = 0; t < seconds; t += interval) {
        const double theta = position(t);
        readings.push_back({t, Quantised(theta + error(theta))});
    }
    return readings;
}

// 6 rpm from 10°.
double Steady(double t) {
    return 10.0 + 36.0 * t;
}

double KnownError(double theta) {
    return 0.5 * std::cos((theta + 30.0) * kDegree) + 0.2 * std::cos((2 * theta - 45.0) * kDegree) +
           0.05 * std::cos(5 * theta * kDegree);
}

TEST(AngleAccuracy, KnownHarmonicsComeBackAtConstantSpeed) {
    const auto readings = Record(50.0, 0.1, Steady, KnownError);
    app::AccuracyShortfall why{};
    const auto result = AngleAccuracy::ConstantSpeed(readings, &why);
    ASSERT_TRUE(result) << static_cast<int>(why);
    EXPECT_EQ(result->revolutions, 4);
    EXPECT_NEAR(result->harmonics[0].amplitude, 0.5, 0.01);
    EXPECT_NEAR(result->harmonics[0].phase, 30, 1);
    EXPECT_NEAR(result->harmonics[1].amplitude, 0.2, 0.01);
    EXPECT_NEAR(result->harmonics[1].phase, -45, 2);
    EXPECT_NEAR(result->harmonics[4].amplitude, 0.05, 0.01);
    for (int k : {3, 4, 6, 7, 8}) EXPECT_LT(result->harmonics[k - 1].amplitude, 0.01) << k;
    EXPECT_NEAR(result->readingsPerSecond, 10, 0.01);
    EXPECT_EQ(result->late, 0u);
    // The curve: peak-to-peak and RMS of the three harmonics, within the quantisation.
    EXPECT_NEAR(result->rms, std::sqrt((0.25 + 0.04 + 0.0025) / 2), 0.01);
    EXPECT_GT(result->peakToPeak, 1.0);
    EXPECT_LT(result->peakToPeak, 1.5);
    ASSERT_EQ(result->curveError.size(), AngleAccuracy::kCurveBins);
    EXPECT_NEAR(result->curveDegrees.front(), 360.0 / 128, 1e-9);
}

TEST(AngleAccuracy, ASpeedRippleIsErrorAtConstantSpeedAndNotAgainstAReference) {
    // A perfect sensor on a magnet whose speed swings ±3.5 % once a turn: its position runs
    // up to 2° ahead and behind.
    auto rippling = [](double t) { return Steady(t) + 2.0 * std::sin(Steady(t) * kDegree); };
    const auto readings = Record(50.0, 0.1, rippling, [](double) { return 0.0; });

    const auto steady = AngleAccuracy::ConstantSpeed(readings);
    ASSERT_TRUE(steady);
    EXPECT_NEAR(steady->harmonics[0].amplitude, 2.0, 0.05) << "the ripple, seen as error";

    // An encoder on the shaft, read every millisecond, its zero 123° from the sensor's.
    std::vector<TimedAngle> encoder;
    for (double t = -0.5; t < 51; t += 0.001)
        encoder.push_back({t, std::fmod(rippling(t) + 123.0, 360.0)});
    app::AccuracyShortfall why{};
    const auto referenced = AngleAccuracy::AgainstReference(readings, encoder, &why);
    ASSERT_TRUE(referenced) << static_cast<int>(why);
    EXPECT_NEAR(referenced->offsetDegrees, -123.0, 0.01);
    for (const app::Harmonic& h : referenced->harmonics) EXPECT_LT(h.amplitude, 0.01);
    EXPECT_LT(referenced->peakToPeak, 0.1);
}

TEST(AngleAccuracy, AReferenceFindsTheSensorsOwnErrorThroughARipple) {
    auto rippling = [](double t) { return Steady(t) + 2.0 * std::sin(Steady(t) * kDegree); };
    const auto readings = Record(50.0, 0.1, rippling, KnownError);
    std::vector<TimedAngle> encoder;
    for (double t = 0; t < 51; t += 0.01) encoder.push_back({t, std::fmod(rippling(t), 360.0)});
    const auto result = AngleAccuracy::AgainstReference(readings, encoder);
    ASSERT_TRUE(result);
    EXPECT_NEAR(result->harmonics[0].amplitude, 0.5, 0.02);
    EXPECT_NEAR(result->harmonics[1].amplitude, 0.2, 0.02);
}

TEST(AngleAccuracy, MissingAndLateReadingsAreCounted) {
    auto readings = Record(50.0, 0.1, Steady, KnownError);
    readings.erase(readings.begin() + 100);                          // one missing
    readings.erase(readings.begin() + 200, readings.begin() + 203);  // three in a row
    readings[300].seconds += 0.07;                                   // one late
    const auto result = AngleAccuracy::ConstantSpeed(readings);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->late, 5u);
}

TEST(AngleAccuracy, TooLittleToAnalyseSaysWhy) {
    app::AccuracyShortfall why{};
    EXPECT_FALSE(AngleAccuracy::ConstantSpeed(Record(1.0, 0.1, Steady, KnownError), &why));
    EXPECT_EQ(why, app::AccuracyShortfall::TooFewReadings);
    EXPECT_FALSE(AngleAccuracy::ConstantSpeed(Record(8.0, 0.1, Steady, KnownError), &why));
    EXPECT_EQ(why, app::AccuracyShortfall::LessThanATurn) << "288° of a turn";
    // Readings 80° apart, always at the same nine angles: most of the curve's bins stay
    // empty.
    EXPECT_FALSE(
        AngleAccuracy::ConstantSpeed(Record(200.0, 80.0 / 36.0, Steady, KnownError), &why));
    EXPECT_EQ(why, app::AccuracyShortfall::SparseRevolution);
    const auto readings = Record(50.0, 0.1, Steady, KnownError);
    const std::vector<TimedAngle> shortEncoder = {{1.0, 0.0}, {40.0, 10.0}};
    EXPECT_FALSE(AngleAccuracy::AgainstReference(readings, shortEncoder, &why));
    EXPECT_EQ(why, app::AccuracyShortfall::ReferenceNotCovering);
}

// 200 rpm, read every millisecond, with the eccentricity and second harmonic of a bench.
double Fast(double t) {
    return 10.0 + 1200.0 * t;
}

double BenchError(double theta) {
    return 0.5 * std::cos(theta * kDegree) + 0.2 * std::cos(2 * theta * kDegree);
}

std::vector<TimedAngle> WithHole(std::vector<TimedAngle> readings, double from, double to) {
    std::erase_if(readings,
                  [&](const TimedAngle& r) { return r.seconds >= from && r.seconds < to; });
    return readings;
}

TEST(AngleAccuracy, AHoleInARecordingIsBridgedByTheSpeedAndLosesNoRevolution) {
    // 200 ms without a reading (a supervision tick) is 240° of travel: the nearest neighbour
    // would take it as 120° backwards.
    const auto readings = WithHole(Record(3.65, 0.001, Fast, BenchError), 2.0, 2.2);
    app::AccuracyShortfall why{};
    const auto result = AngleAccuracy::ConstantSpeed(readings, &why);
    ASSERT_TRUE(result) << static_cast<int>(why);
    EXPECT_EQ(result->revolutions, 12);
    EXPECT_EQ(result->holesCut, 0u);
    EXPECT_NEAR(result->harmonics[0].amplitude, 0.5, 0.05);
    EXPECT_NEAR(result->harmonics[1].amplitude, 0.2, 0.05);
    EXPECT_LT(result->peakToPeak, 1.5);
}

TEST(AngleAccuracy, AHoleTooLongToBridgeCutsTheRecordingOrRefusesIt) {
    // 2 s at 1200°/s: the speed, trusted to 5 %, leaves 120° of doubt.
    const auto cut = WithHole(Record(6.0, 0.001, Fast, BenchError), 1.5, 3.5);
    app::AccuracyShortfall why{};
    const auto result = AngleAccuracy::ConstantSpeed(cut, &why);
    ASSERT_TRUE(result) << static_cast<int>(why);
    EXPECT_EQ(result->holesCut, 1u);
    EXPECT_NEAR(result->longestCutSeconds, 2.0, 0.01);
    EXPECT_EQ(result->revolutions, 8) << "the 2.5 s after the hole, not the 1.5 s before";
    EXPECT_NEAR(result->harmonics[0].amplitude, 0.5, 0.05);

    // Runs of 240° on either side of the hole: nothing whole is left.
    const auto shreds = WithHole(Record(2.4, 0.001, Fast, BenchError), 0.2, 2.2);
    double detail = 0;
    EXPECT_FALSE(AngleAccuracy::ConstantSpeed(shreds, &why, &detail));
    EXPECT_EQ(why, app::AccuracyShortfall::HolesTooLong);
    EXPECT_NEAR(detail, 2.0, 0.01);
}

TEST(AngleAccuracy, ReadingsTooFarApartToFollowTheMagnetAreRefusedWithTheSpeedThatWorks) {
    // 3000 rpm at a 10 ms interval: half a turn between readings.
    const auto readings = Record(
        2.0, 0.01, [](double t) { return 18000.0 * t; }, BenchError);
    app::AccuracyShortfall why{};
    double detail = 0;
    EXPECT_FALSE(AngleAccuracy::ConstantSpeed(readings, &why, &detail));
    EXPECT_EQ(why, app::AccuracyShortfall::TooFast);
    EXPECT_NEAR(detail, 1500, 1e-6) << "a quarter turn per 10 ms";
    EXPECT_FALSE(AngleAccuracy::AgainstReference(readings, readings, &why, &detail));
    EXPECT_EQ(why, app::AccuracyShortfall::TooFast);
    // As a recording of it ends: after a handful of readings.
    const std::vector<TimedAngle> six(readings.begin(), readings.begin() + 6);
    EXPECT_FALSE(AngleAccuracy::ConstantSpeed(six, &why, &detail));
    EXPECT_EQ(why, app::AccuracyShortfall::TooFast);
}

TEST(AngleAccuracy, AReferenceTurningTheOtherWayIsTakenReversed) {
    auto rippling = [](double t) { return Steady(t) + 2.0 * std::sin(Steady(t) * kDegree); };
    const auto readings = Record(50.0, 0.1, rippling, KnownError);
    std::vector<TimedAngle> encoder;
    for (double t = 0; t < 51; t += 0.01)
        encoder.push_back({t, std::fmod(720.0 - rippling(t) + 40.0, 360.0)});
    app::AccuracyShortfall why{};
    const auto result = AngleAccuracy::AgainstReference(readings, encoder, &why);
    ASSERT_TRUE(result) << static_cast<int>(why);
    EXPECT_TRUE(result->referenceReversed);
    EXPECT_NEAR(result->harmonics[0].amplitude, 0.5, 0.02);
    EXPECT_NEAR(result->harmonics[1].amplitude, 0.2, 0.02);
    EXPECT_LT(result->peakToPeak, 1.5);
}

TEST(AngleAccuracy, ASparseOrMisscaledReferenceIsRefusedWithItsFigure) {
    const auto readings = Record(50.0, 0.1, Steady, KnownError);
    app::AccuracyShortfall why{};
    double detail = 0;
    // One sample every 2 s at 36°/s: 72° between samples.
    std::vector<TimedAngle> sparse;
    for (double t = 0; t < 52; t += 2) sparse.push_back({t, std::fmod(Steady(t), 360.0)});
    EXPECT_FALSE(AngleAccuracy::AgainstReference(readings, sparse, &why, &detail));
    EXPECT_EQ(why, app::AccuracyShortfall::ReferenceTooSparse);
    EXPECT_NEAR(detail, 72, 1);
    // Radians taken for degrees: the reference hardly moves.
    std::vector<TimedAngle> radians;
    for (double t = 0; t < 51; t += 0.01)
        radians.push_back({t, std::fmod(Steady(t), 360.0) * kDegree});
    EXPECT_FALSE(AngleAccuracy::AgainstReference(readings, radians, &why, &detail));
    EXPECT_EQ(why, app::AccuracyShortfall::ReferenceScale);
    EXPECT_LT(detail, 0.05);
    // Less than a turn recorded: a reference in the wrong unit gives no figures either.
    const auto part = Record(8.0, 0.1, Steady, KnownError);
    std::vector<TimedAngle> partRadians;
    for (double t = 0; t < 9; t += 0.01)
        partRadians.push_back({t, std::fmod(Steady(t), 360.0) * kDegree});
    EXPECT_FALSE(AngleAccuracy::AgainstReference(part, partRadians, &why, &detail));
    EXPECT_EQ(why, app::AccuracyShortfall::LessThanATurn);
    // A reference 27° a sample apart is unwrapped with the sensor as the guide and kept.
    std::vector<TimedAngle> coarse;
    for (double t = 0; t < 51; t += 0.75) coarse.push_back({t, std::fmod(Steady(t), 360.0)});
    const auto result = AngleAccuracy::AgainstReference(readings, coarse, &why);
    ASSERT_TRUE(result) << static_cast<int>(why);
    EXPECT_FALSE(result->referenceReversed);
    EXPECT_NEAR(result->harmonics[0].amplitude, 0.5, 0.02);
}

}  // namespace
