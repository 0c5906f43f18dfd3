#include "app/analysis/accuracy_session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <string>

#include "tests/app/temp_dir.h"

namespace {

using app::AccuracyMethod;
using app::AccuracySession;

const app::AccuracyTexts kTexts;  // the English texts

// A magnet at one turn a second, read every millisecond for `turns`, with 0.05° of second
// harmonic error in the angle word.
void Record(AccuracySession& session, int chosen, double turns) {
    session.Begin(chosen, nullptr, "2026-12-11 09:30:00");
    for (double t = 0; t < turns; t += 0.001) {
        const double degrees = 360.0 * t + 0.05 * std::sin(4 * std::numbers::pi * t);
        session.Add(1.8e9 + t, static_cast<unsigned>(std::lround(degrees / 360.0 * 8192)) & 0x1FFF);
    }
}

TEST(AccuracySession, AConstantSpeedRunEndsInAReportOfItsFigures) {
    AccuracySession session;
    Record(session, 3, 3.1);
    EXPECT_TRUE(session.Active());
    EXPECT_DOUBLE_EQ(session.Progress(), 1.0);
    const std::string state = session.Finish(kTexts);
    EXPECT_FALSE(session.Active());
    ASSERT_TRUE(session.Result()) << state;
    EXPECT_EQ(state.rfind("readings over 3 revolutions analysed."), state.size() - 37) << state;
    EXPECT_EQ(session.LimitsLine(kTexts), kTexts.vAccRipple);

    const auto report = session.Report(kTexts);
    ASSERT_TRUE(report);
    ASSERT_GE(report->lines.size(), 5u);
    EXPECT_EQ(report->lines[0], "Date: 2026-12-11 09:30:00");
    EXPECT_EQ(report->lines[1], "Method: " + kTexts.vReportConstant);
    EXPECT_EQ(report->lines[2], "Chip: identification word ?, chip ID ?") << "no chip at the start";
    EXPECT_EQ(report->lines[3].rfind("Peak-to-peak ", 0), 0u);
    EXPECT_EQ(report->lines.back(), kTexts.vAccRipple);
    ASSERT_EQ(report->harmonics.size(), 8u);
    EXPECT_EQ(report->harmonics[1][0], "2");
    EXPECT_NEAR(std::stod(report->harmonics[1][1]), 0.05, 0.01) << "the injected harmonic";
    EXPECT_TRUE(report->configuration.empty());
}

TEST(AccuracySession, ARunStoppedEarlyOrAReferenceThatCannotBeReadIsSaid) {
    AccuracySession session;
    Record(session, 5, 3.1);
    EXPECT_NEAR(session.Progress(), 3.1 / 5, 0.01);
    EXPECT_EQ(session.Finish(kTexts).rfind("Stopped after 3.10 revolutions", 0), 0u);

    qxtest::TempDir dir;
    session.SetMethod(AccuracyMethod::Reference);
    EXPECT_EQ(session.Analyse(kTexts), kTexts.vAccNoReference);
    const std::string missing = (dir.path() / "none.csv").string();
    session.SetReference(missing, {});
    EXPECT_EQ(session.Analyse(kTexts), "Cannot read " + missing + ".");
    EXPECT_FALSE(session.Result()) << "the last result does not stay as if it were this one's";
    EXPECT_EQ(session.LimitsLine(kTexts), "");
    EXPECT_FALSE(session.Report(kTexts));

    const std::string backwards = (dir.path() / "ref.csv").string();
    std::ofstream(backwards) << "time;angle\n0;0\n0.5;180\n0.4;170\n";
    session.SetReference(backwards, {});
    EXPECT_EQ(session.Analyse(kTexts),
              "Line 4 of the reference: the time is not after the line before.");
}

}  // namespace
