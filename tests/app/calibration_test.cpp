// The calibration assistants against the virtual chip, stepped in a loop on the fake clock:
// the chip's own response decides what they write, whichever way its registers act.
#if !defined(_WIN32)
#include "app/calibration/calibration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/calibration/calibration_report.h"
#include "tests/app/virtual_chip.h"

namespace app {
namespace {

// OFFSET_SIN 300 and OFFSET_COS -250 (0x1F06) put the centre at (300, -250) on a chip whose
// offsets add to the signals.
constexpr const char* kOffCentre = "reg.4 = 300\nreg.5 = 0x1F06\n";

class Assistants : public VirtualChip {
  protected:
    // The scenario with the same noise every run.
    bool Start(const std::string& scenario) { return VirtualChip::Start(Seed() + scenario); }
    static std::string Seed() {
        const char* seed = std::getenv("QX_TEST_SEED");
        return std::string("seed = ") + (seed ? seed : "5520") + "\n";
    }
    // Steps until the assistant is over; the number of steps.
    int Run(Assistant& assistant, int cancelAt = -1) {
        int steps = 0;
        while (!assistant.Over() && steps < 5000) {
            if (steps == cancelAt) assistant.Cancel();
            assistant.Step(dig_);
            ++steps;
        }
        EXPECT_TRUE(assistant.Over()) << "still running after " << steps << " steps";
        return steps;
    }
    uint16_t Held(uint8_t address) { return dig_.GetReg(address, true) & 0x1FFF; }
    OffsetAssistant Offsets() { return OffsetAssistant(controls_, &TurningClock::Seconds); }
    // The true centre the registers written leave on the virtual chip: 16 codes per step of
    // the analogue offset, g per step of the digital one.
    static double TrueX(const OffsetAssistant& a, double g = 1) {
        return 16.0 * a.Coarse().finalX + g * a.FinalSine();
    }
    static double TrueY(const OffsetAssistant& a, double g = 1) {
        return 16.0 * a.Coarse().finalY + g * a.FinalCosine();
    }
};

TEST_F(Assistants, OffsetsAreCentredWhicheverWayTheRegistersAct) {
    for (const char* gain : {"", "offset_gain = -1\n", "offset_gain = 0.5\n"}) {
        SCOPED_TRACE(gain);
        ASSERT_TRUE(Start(std::string(kOffCentre) + gain))
            << "the virtual chip library beside the tests";
        const double g = *gain == 0 ? 1.0 : std::stod(std::string(gain).substr(14));
        OffsetAssistant assistant = Offsets();
        Run(assistant);
        ASSERT_EQ(assistant.Outcome(), AssistantOutcome::Done)
            << static_cast<int>(assistant.Fault()) << " " << assistant.FaultField();
        EXPECT_NEAR(assistant.Before().x, 300 * g, 2);
        EXPECT_NEAR(assistant.Before().y, -250 * g, 2);
        EXPECT_NEAR(assistant.SineEffect(), g, 0.15);
        EXPECT_NEAR(assistant.CosineEffect(), g, 0.15);
        // As measured, with the fit's noise of about a code.
        EXPECT_NEAR(assistant.After().x, 0, 3);
        EXPECT_NEAR(assistant.After().y, 0, 3);
        EXPECT_LT(assistant.After().errorDegrees, 0.1);
        EXPECT_GT(assistant.Before().errorDegrees, 4);
        EXPECT_FALSE(assistant.Restored());
        // The chip holds the solved values, and the edits show them, green.
        EXPECT_EQ(Held(4), assistant.FinalSine() & 0x1FFF);
        EXPECT_EQ(Held(5), assistant.FinalCosine() & 0x1FFF);
        // The true centre, brought near with the analogue offsets and finished with the
        // digital ones.
        EXPECT_TRUE(assistant.Coarse().used);
        EXPECT_NEAR(TrueX(assistant, g), 0, 2);
        EXPECT_NEAR(TrueY(assistant, g), 0, 2);
        EXPECT_EQ(controls_.Control("EditOFFSET_SIN").Text(),
                  std::to_string(assistant.FinalSine() & 0x1FFF));
        EXPECT_EQ(controls_.Control("EditOFFSET_COS").LastVerdict(), Verdict::Green);
        EXPECT_DOUBLE_EQ(assistant.Progress(), 1.0);
    }
}

// At 37 rpm a point comes every 44° of turn, yet the points fill the circle over a few turns
// in no order: the fit takes them. At 30 rpm they fall on the same 10 places every turn.
TEST_F(Assistants, PointsFromSeveralTurnsInAnyOrderMakeAMeasurement) {
    ASSERT_TRUE(Start(std::string(kOffCentre) + "rpm = 37\n"));
    OffsetAssistant assistant = Offsets();
    Run(assistant);
    ASSERT_EQ(assistant.Outcome(), AssistantOutcome::Done) << static_cast<int>(assistant.Fault());
    EXPECT_NEAR(TrueX(assistant), 0, 2);
    EXPECT_NEAR(TrueY(assistant), 0, 2);
}

TEST_F(Assistants, SignalsAlreadyCentredStayCentred) {
    // Before and after are both the noise of a fit: no "no better than the start".
    ASSERT_TRUE(Start("")) << "the virtual chip library beside the tests";
    OffsetAssistant assistant = Offsets();
    Run(assistant);
    ASSERT_EQ(assistant.Outcome(), AssistantOutcome::Done)
        << static_cast<int>(assistant.Fault()) << " " << assistant.FaultField();
    EXPECT_LE(std::abs(assistant.FinalSine()), 2);
    EXPECT_LE(std::abs(assistant.FinalCosine()), 2);
}

TEST_F(Assistants, AnOffsetThatMovesNothingIsNamedAndTheStartingValuesGoBack) {
    ASSERT_TRUE(Start(std::string(kOffCentre) + "offset_gain = 0\n"))
        << "the virtual chip library beside the tests";
    OffsetAssistant assistant = Offsets();
    Run(assistant);
    EXPECT_EQ(assistant.Outcome(), AssistantOutcome::Failed);
    EXPECT_EQ(assistant.Fault(), AssistantFault::NoEffect);
    EXPECT_EQ(assistant.FaultField(), "OFFSET_SIN");
    EXPECT_TRUE(assistant.Restored());
    EXPECT_EQ(Held(4), 300);
    EXPECT_EQ(Held(5), 0x1F06);
    EXPECT_EQ(controls_.Control("EditOFFSET_SIN").Text(), "300");
}

// Each signal the centring cannot use is told within seconds, with its own reason and the
// speed it saw, before any trial value is written.
TEST_F(Assistants, WhatCannotBeCentredIsToldInSecondsWithNothingWritten) {
    struct Case {
        const char* name;
        std::string scenario;
        AssistantFault fault;
        double withinSeconds;
        double rpm;  // the speed the assistant should have seen
    };
    const Case cases[] = {
        {"at rest", "rpm = 0\n", AssistantFault::NotTurning, OffsetAssistant::kJudgeSeconds + 1, 0},
        {"too slow", "rpm = 0.5\n", AssistantFault::TooSlow, OffsetAssistant::kJudgeSeconds + 1,
         0.5},
        {"too fast", "rpm = 30\n", AssistantFault::TooFast, 20, 30},
        {"no signal (SDIS)", "rpm = 6\nreg.3 = 0x2000\n", AssistantFault::NoSignal, 5, -1},
        {"no signal, off centre", std::string(kOffCentre) + "rpm = 6\nreg.3 = 0x2000\n",
         AssistantFault::NoSignal, 5, -1},
        {"clipping", "rpm = 6\nreg.4 = 3000\n", AssistantFault::Clipping, 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Start(c.scenario)) << "the virtual chip library beside the tests";
        OffsetAssistant assistant = Offsets();
        const double started = TurningClock::now;
        Run(assistant);
        EXPECT_EQ(assistant.Outcome(), AssistantOutcome::Failed);
        EXPECT_EQ(assistant.Fault(), c.fault) << assistant.FaultField();
        EXPECT_LT(TurningClock::now - started, c.withinSeconds);
        EXPECT_FALSE(assistant.Written());
        if (c.rpm >= 0) {
            EXPECT_NEAR(std::abs(assistant.TurnRpm()), c.rpm, 0.1 * c.rpm + 0.05);
        }
    }
    EXPECT_NEAR(OffsetAssistant::SlowestRpm(), 0.8, 0.01);
}

TEST_F(Assistants, CancelPutsTheStartingOffsetsBack) {
    ASSERT_TRUE(Start(kOffCentre)) << "the virtual chip library beside the tests";
    OffsetAssistant assistant = Offsets();
    // Past the first measurement and the first trial's write (OA_X: the centre is far off).
    int steps = 0;
    while (assistant.Measurement() < 1 && steps++ < 1000) assistant.Step(dig_);
    ASSERT_EQ(assistant.Measurement(), 1);
    EXPECT_NE(dig_.GetReg(2, true), 0) << "the trial step was not written";
    assistant.Cancel();
    Run(assistant);
    EXPECT_EQ(assistant.Outcome(), AssistantOutcome::Cancelled);
    EXPECT_EQ(assistant.Fault(), AssistantFault::None);
    EXPECT_TRUE(assistant.Restored());
    EXPECT_EQ(dig_.GetReg(2, true), 0);
    EXPECT_EQ(Held(4), 300);
    EXPECT_EQ(Held(5), 0x1F06);
}

TEST_F(Assistants, AnOffsetTheChipDoesNotHoldStopsTheAssistant) {
    ASSERT_TRUE(Start(std::string(kOffCentre) + "stuck_low.4 = 0x0060\n"))
        << "the virtual chip library beside the tests";
    OffsetAssistant assistant = Offsets();
    Run(assistant);
    EXPECT_EQ(assistant.Fault(), AssistantFault::NotHeld);
    EXPECT_EQ(assistant.FaultField(), "OFFSET_SIN");
    EXPECT_EQ(controls_.Control("EditOFFSET_SIN").LastVerdict(), Verdict::Green)
        << "the starting value is back";
}

// ZERO_POS 1000 on a magnet that hardly moves: rpm 0.002 is 0.27 codes per second.
constexpr const char* kAtRest = "rpm = 0.002\nreg.11 = 1000\n";

TEST_F(Assistants, ThePresentPositionReadsZeroWhicheverWayZeroPosActs) {
    // DIR (register 16, bit 1) turns the chip's convention round: output = ZERO_POS - position.
    for (const char* direction : {"", "reg.16 = 0x0002\n"}) {
        SCOPED_TRACE(direction);
        ASSERT_TRUE(Start(std::string(kAtRest) + direction))
            << "the virtual chip library beside the tests";
        ZeroAssistant assistant(controls_);
        Run(assistant);
        ASSERT_EQ(assistant.Outcome(), AssistantOutcome::Done)
            << static_cast<int>(assistant.Fault());
        EXPECT_EQ(assistant.StartZero(), 1000);
        EXPECT_GT(std::abs(assistant.Before()), 100);
        EXPECT_LE(std::abs(assistant.Residual()), 2);
        EXPECT_EQ(Held(11), assistant.FinalZero());
        EXPECT_EQ(controls_.Control("EditZERO_POS").Text(), std::to_string(assistant.FinalZero()));
        // A fresh reading agrees.
        const int angle = dig_.GetReg(37, true) & 0x1FFF;
        EXPECT_LE(std::min(angle, 8192 - angle), 8);
    }
}

// A magnet that turns, fast or slowly, drifts; a noisy one at rest scatters about one
// angle. The first is refused within a round of readings with nothing written, the second
// zeroed within the tolerance by averaging longer.
TEST_F(Assistants, TheZeroTellsADriftFromNoiseAndHoldsItsTolerance) {
    for (const char* turning : {"rpm = 6\n", "rpm = 0.1\n"}) {
        SCOPED_TRACE(turning);
        ASSERT_TRUE(Start(std::string(turning) + "reg.11 = 1000\n"));
        ZeroAssistant assistant(controls_);
        const double started = TurningClock::now;
        Run(assistant);
        EXPECT_EQ(assistant.Fault(), AssistantFault::Turning);
        EXPECT_LT(TurningClock::now - started, 4);
        EXPECT_FALSE(assistant.Written());
        EXPECT_EQ(Held(11), 1000);
    }
    struct Case {
        const char* name;
        const char* scenario;
        double degrees;  // the angle the position should read
        double tolerance;
    };
    for (const Case& c : {Case{"noisy, at rest", "rpm = 0\nnoise = 20\n", 0, 2},
                          Case{"at a typed angle", "rpm = 0\n", 90, 2},
                          Case{"a wide tolerance", "rpm = 0\nnoise = 20\n", 359, 8}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Start(std::string(c.scenario) + "reg.11 = 1000\n"));
        const int target = static_cast<int>(std::lround(c.degrees * 8192 / 360));
        ZeroAssistant assistant(controls_, target, c.tolerance);
        Run(assistant);
        ASSERT_EQ(assistant.Outcome(), AssistantOutcome::Done)
            << static_cast<int>(assistant.Fault()) << " residual " << assistant.Residual();
        EXPECT_LE(std::abs(assistant.Residual()), c.tolerance);
        EXPECT_LT(assistant.ResidualError(), c.tolerance / 2);
        // An average of fresh readings agrees, within the tolerance and its own noise.
        double sum = 0;
        for (int i = 0; i < 400; ++i) {
            int d = (dig_.GetReg(37, true) & 0x1FFF) - target;
            d = ((d + 4096) % 8192 + 8192) % 8192 - 4096;
            sum += d;
        }
        EXPECT_LE(std::abs(sum / 400), c.tolerance + 1) << "after " << assistant.Readings();
    }
}

TEST_F(Assistants, NoSignalOrAClippedOneIsNoPositionToZero) {
    for (const auto& [scenario, fault] :
         {std::pair{"rpm = 0\nreg.3 = 0x2000\n", AssistantFault::NoSignal},
          std::pair{"rpm = 0\nreg.4 = 3000\n", AssistantFault::Clipping}}) {
        SCOPED_TRACE(scenario);
        ASSERT_TRUE(Start(scenario));
        ZeroAssistant assistant(controls_);
        Run(assistant);
        EXPECT_EQ(assistant.Fault(), fault);
        EXPECT_FALSE(assistant.Written());
    }
}

// At noise 60 a centre over a turn is uncertain by several codes: the trial steps and the
// points grow with it, so no noise is taken for a step acting on the other channel, and the
// result is centred within its reported uncertainty whatever the seed.
TEST_F(Assistants, NoiseIsAveragedAndNotTakenForCrossCoupling) {
    for (const char* seed : {"1", "2", "3", "4"}) {
        SCOPED_TRACE(seed);
        ASSERT_TRUE(
            VirtualChip::Start(std::string("seed = ") + seed + "\nnoise = 60\n" + kOffCentre));
        OffsetAssistant assistant = Offsets();
        Run(assistant);
        ASSERT_EQ(assistant.Outcome(), AssistantOutcome::Done)
            << static_cast<int>(assistant.Fault()) << " " << assistant.FaultField();
        const TurnMeasurement after = assistant.After();
        EXPECT_GT(after.points, OffsetAssistant::kMinPoints) << "averaged longer";
        EXPECT_NEAR(after.error, 60 * std::sqrt(2.0 / after.points), 1.5);
        EXPECT_LE(std::abs(TrueX(assistant)), 3 * after.error + 1);
        EXPECT_LE(std::abs(TrueY(assistant)), 3 * after.error + 1);
    }
    ASSERT_TRUE(Start(std::string("noise = 20\n") + kOffCentre));
    OffsetAssistant assistant = Offsets();
    Run(assistant);
    ASSERT_EQ(assistant.Outcome(), AssistantOutcome::Done);
    EXPECT_LE(std::abs(assistant.After().x), std::max(1.5, 3 * assistant.After().error) + 0.5);
    EXPECT_LE(std::abs(assistant.After().y), std::max(1.5, 3 * assistant.After().error) + 0.5);
}

// OA_X 20 and OA_Y -15 (6-bit two's complement 49) put the centre at (320, -240): the
// analogue offsets bring it near, the digital ones finish.
TEST_F(Assistants, AFarCentreIsBroughtNearWithTheAnalogueOffsetsFirst) {
    ASSERT_TRUE(Start("reg.2 = 0x0280\nreg.3 = 0x0031\n"));
    OffsetAssistant assistant = Offsets();
    Run(assistant);
    ASSERT_EQ(assistant.Outcome(), AssistantOutcome::Done)
        << static_cast<int>(assistant.Fault()) << " " << assistant.FaultField();
    EXPECT_TRUE(assistant.Coarse().used);
    EXPECT_EQ(assistant.Coarse().startX, 20);
    EXPECT_EQ(assistant.Coarse().startY, -15);
    EXPECT_NEAR(assistant.Coarse().effectX, 16, 1);
    EXPECT_LE(std::abs(assistant.Coarse().finalX), 1);
    EXPECT_LE(std::abs(assistant.Coarse().finalY), 1);
    // What the coarse steps leave is within half a step of the digital range's start.
    EXPECT_LE(std::abs(assistant.FinalSine()), 9);
    EXPECT_LE(std::abs(assistant.FinalCosine()), 9);
    EXPECT_NEAR(assistant.After().x, 0, 2);
    EXPECT_NEAR(assistant.After().y, 0, 2);
    EXPECT_EQ((dig_.GetReg(2, true) >> 5) & 0x3F, assistant.Coarse().finalX & 0x3F);
}

// GA_X 3 makes X 19 % larger than Y: the amplitudes are matched by measured response, to
// within the noise, and the second harmonic goes with the mismatch.
TEST_F(Assistants, AmplitudesAreMatchedWithTheGains) {
    ASSERT_TRUE(Start("reg.2 = 0x1800\n"));
    AmplitudeAssistant assistant(controls_, &TurningClock::Seconds);
    Run(assistant);
    ASSERT_EQ(assistant.Outcome(), AssistantOutcome::Done)
        << static_cast<int>(assistant.Fault()) << " " << assistant.FaultField();
    EXPECT_NEAR(assistant.Before().mismatchPercent, 17.1, 0.5);
    const TurnMeasurement after = assistant.After();
    EXPECT_LE(std::abs(after.amplitudeX - after.amplitudeY),
              std::max(AmplitudeAssistant::kMinShift, 6 * after.error));
    EXPECT_LT(after.mismatchErrorDegrees, assistant.Before().mismatchErrorDegrees / 10);
    EXPECT_EQ(assistant.Gains().finalX, assistant.Gains().finalY);
    EXPECT_NEAR(assistant.Gains().effectX, 156, 5);
    EXPECT_EQ(dig_.GetReg(2, true) >> 11, assistant.Gains().finalX);
    EXPECT_EQ(controls_.Control("EditGA_Y").Text(), std::to_string(assistant.Gains().finalY));

    // Matched already: nothing is written.
    ASSERT_TRUE(Start(""));
    AmplitudeAssistant matched(controls_, &TurningClock::Seconds);
    Run(matched);
    EXPECT_EQ(matched.Outcome(), AssistantOutcome::Done);
    EXPECT_FALSE(matched.Written());
}

// What a report says, line by line: what was done or why not, the figures, the registers
// written and how sure the figures are; an adapter's error comes first and alone.
TEST_F(Assistants, TheReportSaysWhatWasDoneOrWhyNotWithItsFigures) {
    const CalibrationTexts texts;
    auto lines = [&](const Assistant& a, const std::string& failure = {}) {
        std::vector<std::string> split;
        std::istringstream report(AssistantReport(a, texts, controls_, failure));
        for (std::string line; std::getline(report, line);) split.push_back(line);
        return split;
    };
    // The line a text with numbers to fill in begins with.
    auto begins = [](const std::string& line, const std::string& text) {
        return line.rfind(text.substr(0, text.find('%')), 0) == 0;
    };

    ASSERT_TRUE(Start(kOffCentre)) << "the virtual chip library beside the tests";
    OffsetAssistant centred = Offsets();
    Run(centred);
    const std::vector<std::string> done = lines(centred);
    ASSERT_GE(done.size(), 4u);
    EXPECT_EQ(done[0], texts.vCentreDone);
    EXPECT_TRUE(begins(done[1], texts.vCentreBefore)) << done[1];
    double x = 0, y = 0;
    ASSERT_EQ(std::sscanf(done[1].c_str(), "Before: centre X %lf, Y %lf", &x, &y), 2) << done[1];
    EXPECT_NEAR(x, 300, 5);
    EXPECT_NEAR(y, -250, 5);
    EXPECT_TRUE(begins(done.back(), texts.vUncertainty)) << done.back();
    EXPECT_EQ(lines(centred, "The adapter did not complete a transfer.")[0],
              "The adapter did not complete a transfer.");

    ASSERT_TRUE(Start(std::string(kOffCentre) + "offset_gain = 0\n"));
    OffsetAssistant stuck = Offsets();
    Run(stuck);
    const std::vector<std::string> failed = lines(stuck);
    ASSERT_GE(failed.size(), 3u);
    EXPECT_EQ(failed[0], texts.vCentreFailed);
    EXPECT_EQ(failed[1], FillIn(texts.vNoEffect, {"OFFSET_SIN"}));
    EXPECT_NE(std::find(failed.begin(), failed.end(), texts.vRestored), failed.end());

    ASSERT_TRUE(Start(kAtRest));
    ZeroAssistant zero(controls_);
    Run(zero);
    const std::vector<std::string> zeroed = lines(zero);
    ASSERT_EQ(zeroed.size(), 4u);
    EXPECT_EQ(zeroed[0], texts.vZeroDone);
    EXPECT_TRUE(begins(zeroed[1], texts.vZeroResult)) << zeroed[1];
    EXPECT_EQ(zeroed[2], FillIn(texts.vZeroValues, {"1000", std::to_string(zero.FinalZero())}));
}

}  // namespace
}  // namespace app
#endif  // !defined(_WIN32)
