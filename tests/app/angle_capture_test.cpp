// The capture of the angle word at the bus's speed against the virtual chip: bursts through
// the adapter library, single reads where it has none, and the batch mode's file of them.
#if !defined(_WIN32)
#include "app/readings/angle_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/batch/batch.h"
#include "chip/UnitFTDI.h"
#include "tests/app/virtual_chip.h"

namespace app {
namespace {

class Capture : public VirtualChip {
  protected:
    // Every reading of a capture of `count` at the clock given.
    AngleCapture Run(size_t count, uint32_t clockHz) {
        EXPECT_EQ(channel_.SetClockRate(clockHz), FT_OK);
        AngleCapture capture;
        capture.Start(count, 0, TurningClock::now);
        int steps = 0;
        while (!capture.Complete() && steps < 100000) {
            capture.Step(dig_, TurningClock::now);
            ++steps;
        }
        EXPECT_TRUE(capture.Complete());
        return capture;
    }
    // The angle codes unwrapped over the turns.
    static std::vector<double> Unwrapped(const AngleCapture& capture) {
        std::vector<double> codes;
        double last = 0;
        for (uint16_t word : capture.Words()) {
            const double code = word & 0x1FFF;
            double step = code - std::fmod(last, 8192.0);
            step -= 8192.0 * std::round(step / 8192.0);
            codes.push_back(codes.empty() ? code : last + step);
            last = codes.back();
        }
        return codes;
    }
};

TEST_F(Capture, BurstsFollowAFastMagnetWithNoGapAtTheBusLimit) {
    ASSERT_TRUE(Start("rpm = 6000\nnoise = 0\n"));
    const AngleCapture capture = Run(100'000, 1'000'000);
    ASSERT_EQ(capture.Words().size(), 100'000u);
    EXPECT_TRUE(capture.InLibrary());
    EXPECT_DOUBLE_EQ(capture.LimitRate(), 50'000);  // 20 clocks a frame at 1 MHz
    EXPECT_NEAR(capture.Rate(), capture.LimitRate(), 1);
    EXPECT_LE(capture.LargestGap(), 20e-6 * 1.0001) << "bursts in a row join";
    // 6000 rpm is 100 turns a second: 819 200 codes a second, one frame 16.4 codes on.
    const std::vector<double> codes = Unwrapped(capture);
    const double span = capture.Seconds().back() - capture.Seconds().front();
    EXPECT_NEAR((codes.back() - codes.front()) / span, 819'200, 819'200 * 0.002);
    EXPECT_NE(CaptureLine(capture).find("the adapter library's bursts at 50000 /s"),
              std::string::npos)
        << CaptureLine(capture);
}

TEST_F(Capture, TheWordHoldsBetweenTheChipsConversions) {
    ASSERT_TRUE(Start("rpm = 600\nnoise = 2\nconversion_hz = 10000\n"));
    const AngleCapture capture = Run(50'000, 1'000'000);  // one second: 10 000 conversions
    size_t changes = 0;
    for (size_t i = 1; i < capture.Words().size(); ++i) {
        changes += capture.Words()[i] != capture.Words()[i - 1];
    }
    EXPECT_GT(changes, 9'000u);
    EXPECT_LE(changes, 10'000u) << "no word changes between conversions";
}

TEST_F(Capture, ALibraryWithoutBurstsIsReadOneFrameAtATime) {
    ASSERT_TRUE(Start("rpm = 60\n"));
    chip::AdapterEntryPoints ftdiLike = chip::EntryPoints();
    ftdiLike.QX_ReadAngleBurst = nullptr;  // as FTDI's own library
    chip::InstallAdapterEntryPoints(ftdiLike);
    const AngleCapture capture = Run(300, 1'000'000);
    EXPECT_FALSE(capture.InLibrary());
    ASSERT_EQ(capture.Words().size(), 300u);
    for (size_t i = 1; i < capture.Seconds().size(); ++i) {
        ASSERT_GE(capture.Seconds()[i], capture.Seconds()[i - 1]);
    }
    EXPECT_NE(CaptureLine(capture).find("single reads"), std::string::npos);
}

TEST(CaptureBatch, OperandsAreCheckedAndTheFileHoldsEveryReading) {
    std::vector<std::string> said;
    const ErrorSink errors = [&said](const std::string& line) { said.push_back(line); };
    CaptureOperands checked;
    EXPECT_EQ(CheckCaptureOperands({"100"}, checked, errors), kBatchBadOperand);
    EXPECT_EQ(CheckCaptureOperands({"0", "f.csv"}, checked, errors), kBatchBadOperand);
    EXPECT_EQ(CheckCaptureOperands({"10", "f.csv", "40000000"}, checked, errors), kBatchBadOperand);
    ASSERT_EQ(said.size(), 3u);
    EXPECT_EQ(said[2], "SPI clock '40000000' is not an integer 1-30000000 (hertz)");
    EXPECT_EQ(CheckCaptureOperands({"$10", "f.csv"}, checked, errors), std::nullopt);
    EXPECT_EQ(checked.count, 16u);
    EXPECT_EQ(checked.clockHz, kCaptureClockHz);
    EXPECT_EQ(CheckCaptureOperands({"10", "f.csv", "6000000"}, checked, errors), std::nullopt);
    EXPECT_EQ(checked.clockHz, 6'000'000u);
}

TEST_F(Capture, TheBatchFileCountsSecondsFromTheFirstReading) {
    ASSERT_TRUE(Start("angle_word = 0x8A2B\n"));
    const AngleCapture capture = Run(3, 1'000'000);
    EXPECT_EQ(CaptureFileText(capture),
              "seconds;angle word\r\n0.000000000;8A2B\r\n0.000020000;8A2B\r\n"
              "0.000040000;8A2B\r\n");
}

}  // namespace
}  // namespace app
#endif  // !defined(_WIN32)
