// The calibration assistants against the virtual chip, stepped in a loop on the fake clock:
// the chip's own response decides what they write, whichever way its registers act.
#if !defined(_WIN32)
#include "app/calibration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

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
};

TEST_F(Assistants, OffsetsAreCentredWhicheverWayTheRegistersAct) {
    for (const char* gain : {"", "offset_gain = -1\n", "offset_gain = 0.5\n"}) {
        SCOPED_TRACE(gain);
        if (!Start(std::string(kOffCentre) + gain))
            GTEST_SKIP() << "virtual chip library not built";
        const double g = *gain == 0 ? 1.0 : std::stod(std::string(gain).substr(14));
        OffsetAssistant assistant = Offsets();
        Run(assistant);
        ASSERT_EQ(assistant.Outcome(), AssistantOutcome::Done)
            << static_cast<int>(assistant.Fault()) << " " << assistant.FaultField();
        EXPECT_NEAR(assistant.Before().x, 300 * g, 2);
        EXPECT_NEAR(assistant.Before().y, -250 * g, 2);
        EXPECT_NEAR(assistant.SineEffect(), g, 0.1);
        EXPECT_NEAR(assistant.CosineEffect(), g, 0.1);
        // As measured, with the fit's noise of about a code.
        EXPECT_NEAR(assistant.After().x, 0, 3);
        EXPECT_NEAR(assistant.After().y, 0, 3);
        EXPECT_LT(assistant.After().errorDegrees, 0.1);
        EXPECT_GT(assistant.Before().errorDegrees, 4);
        EXPECT_FALSE(assistant.Restored());
        // The chip holds the solved values, and the edits show them, green.
        EXPECT_EQ(Held(4), assistant.FinalSine() & 0x1FFF);
        EXPECT_EQ(Held(5), assistant.FinalCosine() & 0x1FFF);
        // The true centre: the offsets' effect on the virtual chip.
        EXPECT_NEAR(assistant.FinalSine() * g, 0, 2);
        EXPECT_NEAR(assistant.FinalCosine() * g, 0, 2);
        EXPECT_EQ(controls_.Control("EditOFFSET_SIN").Text(),
                  std::to_string(assistant.FinalSine() & 0x1FFF));
        EXPECT_EQ(controls_.Control("EditOFFSET_COS").LastVerdict(), Verdict::Green);
        EXPECT_DOUBLE_EQ(assistant.Progress(), 1.0);
    }
}

TEST_F(Assistants, SignalsAlreadyCentredStayCentred) {
    // Before and after are both the noise of a fit: no "no better than the start".
    if (!Start("")) GTEST_SKIP() << "virtual chip library not built";
    OffsetAssistant assistant = Offsets();
    Run(assistant);
    ASSERT_EQ(assistant.Outcome(), AssistantOutcome::Done)
        << static_cast<int>(assistant.Fault()) << " " << assistant.FaultField();
    EXPECT_LE(std::abs(assistant.FinalSine()), 2);
    EXPECT_LE(std::abs(assistant.FinalCosine()), 2);
}

TEST_F(Assistants, AnOffsetThatMovesNothingIsNamedAndTheStartingValuesGoBack) {
    if (!Start(std::string(kOffCentre) + "offset_gain = 0\n"))
        GTEST_SKIP() << "virtual chip library not built";
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
        if (!Start(c.scenario)) GTEST_SKIP() << "virtual chip library not built";
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
    if (!Start(kOffCentre)) GTEST_SKIP() << "virtual chip library not built";
    OffsetAssistant assistant = Offsets();
    // Past the first measurement and the sine trial's write.
    int steps = 0;
    while (assistant.Measurement() < 1 && steps++ < 1000) assistant.Step(dig_);
    ASSERT_EQ(assistant.Measurement(), 1);
    EXPECT_NE(Held(4), 300) << "the trial step was not written";
    assistant.Cancel();
    Run(assistant);
    EXPECT_EQ(assistant.Outcome(), AssistantOutcome::Cancelled);
    EXPECT_EQ(assistant.Fault(), AssistantFault::None);
    EXPECT_TRUE(assistant.Restored());
    EXPECT_EQ(Held(4), 300);
    EXPECT_EQ(Held(5), 0x1F06);
}

TEST_F(Assistants, AnOffsetTheChipDoesNotHoldStopsTheAssistant) {
    if (!Start(std::string(kOffCentre) + "stuck_low.4 = 0x0060\n"))
        GTEST_SKIP() << "virtual chip library not built";
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
        if (!Start(std::string(kAtRest) + direction))
            GTEST_SKIP() << "virtual chip library not built";
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

TEST_F(Assistants, TheZeroIsRefusedWhileTheMagnetTurns) {
    if (!Start("rpm = 6\nreg.11 = 1000\n")) GTEST_SKIP() << "virtual chip library not built";
    ZeroAssistant assistant(controls_);
    Run(assistant);
    EXPECT_EQ(assistant.Outcome(), AssistantOutcome::Failed);
    EXPECT_EQ(assistant.Fault(), AssistantFault::Turning);
    EXPECT_EQ(Held(11), 1000);
    EXPECT_FALSE(assistant.Restored());
}

}  // namespace
}  // namespace app
#endif  // !defined(_WIN32)
