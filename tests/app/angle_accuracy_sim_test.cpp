// The angle error measured end to end: the virtual chip's magnet with known errors, its angle
// output read on the test clock, and its own log of the true angle as the reference.
#if !defined(_WIN32)
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/analysis/angle_accuracy.h"
#include "app/readings/chip_readings.h"
#include "tests/app/virtual_chip.h"

namespace app {
namespace {

class AccuracyEndToEnd : public VirtualChip {
  protected:
    void TearDown() override {
        VirtualChip::TearDown();
        std::filesystem::remove(truth_);
    }
    // Five turns at 6 rpm of the angle output (register 37), ten readings a second.
    std::vector<TimedAngle> Record() {
        std::vector<TimedAngle> readings;
        for (int i = 0; i < 500; ++i) {
            const uint16_t code = ReadRegisterWord(dig_, 37) & 0x1FFF;
            readings.push_back({TurningClock::now, code * 360.0 / 8192.0});
        }
        return readings;
    }
    std::vector<TimedAngle> Truth() const {
        std::vector<TimedAngle> truth;
        std::ifstream in(truth_);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            TimedAngle sample;
            char separator = 0;
            if (fields >> sample.seconds >> separator >> sample.degrees) truth.push_back(sample);
        }
        return truth;
    }
    std::string Scenario(const std::string& errors) const {
        return "seed = 9\nrpm = 6\n" + errors + "truth = " + truth_.string() + "\n";
    }

    std::filesystem::path truth_ =
        std::filesystem::temp_directory_path() /
        ("truth_" + std::to_string(::getpid()) + "_" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".csv");
};

TEST_F(AccuracyEndToEnd, BothMethodsFindTheInjectedHarmonics) {
    ASSERT_TRUE(Start(Scenario("eccentricity = 0.5\nharmonic2 = 0.2\n")))
        << "the virtual chip library beside the tests";
    const std::vector<TimedAngle> readings = Record();
    const std::vector<TimedAngle> truth = Truth();
    ASSERT_GE(truth.size(), readings.size());
    for (const auto& result : {AngleAccuracy::ConstantSpeed(readings),
                               AngleAccuracy::AgainstReference(readings, truth)}) {
        ASSERT_TRUE(result);
        EXPECT_NEAR(result->harmonics[0].amplitude, 0.5, 0.03);
        EXPECT_NEAR(result->harmonics[0].phase, 0, 5);
        EXPECT_NEAR(result->harmonics[1].amplitude, 0.2, 0.03);
        EXPECT_NEAR(result->harmonics[1].phase, 0, 10);
        for (size_t k = 3; k <= 8; ++k) EXPECT_LT(result->harmonics[k - 1].amplitude, 0.03) << k;
    }
}

TEST_F(AccuracyEndToEnd, ASpeedRippleFoolsOnlyTheConstantSpeedMethod) {
    ASSERT_TRUE(Start(Scenario("eccentricity = 0.5\nspeed_ripple = 2\n")))
        << "the virtual chip library beside the tests";
    const std::vector<TimedAngle> readings = Record();
    const auto steady = AngleAccuracy::ConstantSpeed(readings);
    const auto referenced = AngleAccuracy::AgainstReference(readings, Truth());
    ASSERT_TRUE(steady && referenced);
    // 0.5 cos θ of the sensor and 2 sin θ of the ripple.
    EXPECT_NEAR(steady->harmonics[0].amplitude, std::hypot(0.5, 2.0), 0.05);
    EXPECT_NEAR(referenced->harmonics[0].amplitude, 0.5, 0.03);
}

}  // namespace
}  // namespace app
#endif  // !defined(_WIN32)
