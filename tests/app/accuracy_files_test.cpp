// The accuracy measurement's own files and its recording: a reference instrument's CSV as
// instruments write it, the exports read back, and a recording that knows when it has turned
// its revolutions.
#include "app/analysis/accuracy_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "app/analysis/accuracy_recording.h"
#include "app/analysis/accuracy_report.h"

namespace app {
namespace {

TEST(ReferenceCsv, PreviewFindsTheSeparatorAndTheHeader) {
    std::istringstream semicolons("# rotary table log\n\nTime, s;Angle, deg\n0,00;1,5\n0,01;1,6\n");
    const CsvPreview a = PreviewCsv(semicolons);
    EXPECT_EQ(a.separator, ';');
    EXPECT_TRUE(a.header);
    EXPECT_EQ(a.names, (std::vector<std::string>{"Time, s", "Angle, deg"}));
    ASSERT_EQ(a.rows.size(), 2u);
    EXPECT_EQ(a.rows[1], (std::vector<std::string>{"0,01", "1,6"}));

    std::istringstream tabs("0.0\t1.5\t7\n0.1\t1.6\t7\n");
    const CsvPreview b = PreviewCsv(tabs, 1);
    EXPECT_EQ(b.separator, '\t');
    EXPECT_FALSE(b.header);
    EXPECT_EQ(b.names, (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(b.rows.size(), 1u);

    std::istringstream commas("\"t\",\"deg\"\n0.5,10\n");
    const CsvPreview c = PreviewCsv(commas);
    EXPECT_EQ(c.separator, ',');
    EXPECT_EQ(c.names, (std::vector<std::string>{"t", "deg"}));
}

TEST(ReferenceCsv, ReadsTheChosenColumnsInSecondsOnTheReadingsClock) {
    // A decimal comma under a semicolon separator, milliseconds counted from the recording.
    std::istringstream in("n;ms;deg\n1;0;359,5\n2;10;0,25\n\n3;20;1\n");
    ReferenceColumns columns;
    columns.time = 1;
    columns.angle = 2;
    columns.secondsPerUnit = 1e-3;
    columns.fromRecordingStart = true;
    const ReferenceRead read = ReadReference(in, columns, 1000.0);
    ASSERT_EQ(read.fault, ReferenceFault::None);
    ASSERT_EQ(read.samples.size(), 3u);
    EXPECT_DOUBLE_EQ(read.samples[0].seconds, 1000.0);
    EXPECT_DOUBLE_EQ(read.samples[0].degrees, 359.5);
    EXPECT_DOUBLE_EQ(read.samples[1].seconds, 1000.01);
    EXPECT_DOUBLE_EQ(read.samples[2].degrees, 1.0);

    // Commas separate: a decimal comma cannot be, the point is the decimal sign.
    std::istringstream commas("1700000000.25,12.5\n1700000000.5,13\n");
    const ReferenceRead epoch = ReadReference(commas, ReferenceColumns{}, 0.0);
    ASSERT_EQ(epoch.fault, ReferenceFault::None);
    EXPECT_DOUBLE_EQ(epoch.samples[0].seconds, 1700000000.25);

    // A trailing separator leaves an empty field: the first line is still data.
    std::istringstream trailing("0.5;10;\n0.6;11;\n");
    EXPECT_EQ(ReadReference(trailing, ReferenceColumns{}, 0.0).samples.size(), 2u);
}

TEST(ReferenceCsv, AFaultNamesItsLineAndKeepsNothing) {
    struct Case {
        const char* text;
        ReferenceFault fault;
        size_t line;
    };
    const Case cases[] = {
        {"t;a\n0;1\n0.1\n", ReferenceFault::TooFewColumns, 3},
        {"t;a\n0;1\n0.1;x\n", ReferenceFault::NotANumber, 3},
        {"0;1\n# pause\n0;2\n", ReferenceFault::Backwards, 3},
        {"t;a\n\n", ReferenceFault::Empty, 2},
        {"0;1\n0.1;1e400\n", ReferenceFault::NotANumber, 2},
        {"0;1\n0.1;nan\n", ReferenceFault::NotANumber, 2},
        {"0;1\ninf;2\n", ReferenceFault::NotANumber, 2},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.text);
        const ReferenceRead read = ReadReference(in, ReferenceColumns{}, 0.0);
        EXPECT_EQ(read.fault, c.fault) << c.text;
        EXPECT_EQ(read.line, c.line) << c.text;
        EXPECT_TRUE(read.samples.empty()) << c.text;
    }
}

TEST(AccuracyExports, CurveHarmonicsAndReadingsReadBack) {
    AccuracyResult result;
    result.curveDegrees = {90, 270};
    result.curveError = {0.125, -0.125};
    result.harmonics[0] = {0.5, 30};
    result.referenceDegrees = {10};
    result.errorDegrees = {0.01};
    std::ostringstream curve, harmonics, readings;
    ASSERT_TRUE(WriteCurveCsv(curve, result));
    EXPECT_EQ(curve.str(), "Angle, deg;Error, deg\n90.000;0.12500\n270.000;-0.12500\n");
    ASSERT_TRUE(WriteHarmonicsCsv(harmonics, result));
    const std::string first =
        "Harmonic;Amplitude, deg;Phase, deg\n1;0.50000;30.00\n2;0.00000;0.00\n";
    EXPECT_EQ(harmonics.str().substr(0, first.size()), first);
    // The reading the analysis left out has no reference and no error.
    ASSERT_TRUE(WriteReadingsCsv(readings, {{1000.5, 10.01}, {1000.6, 11}}, &result));
    EXPECT_EQ(readings.str(),
              "Time, s;Angle, deg;Reference, deg;Error, deg\n"
              "1000.500000;10.0100;10.0000;0.01000\n1000.600000;11.0000;;\n");
}

TEST(AccuracyRecording, EndsWhenTheRevolutionsAreTurnedInEitherSense) {
    for (double sense : {1.0, -1.0}) {
        AccuracyRecording recording;
        recording.Start(2);
        double degrees = 350;
        int readings = 0;
        while (!recording.Complete() && readings < 1000) {
            recording.Add({readings * 0.01, std::fmod(std::fmod(degrees, 360.0) + 360.0, 360.0)});
            degrees += sense * 10;
            ++readings;
        }
        // 2.05 turns of 36 readings each, and the first.
        EXPECT_EQ(readings, 75) << sense;
        EXPECT_NEAR(recording.Turned(), 74.0 / 36.0, 1e-9);
        EXPECT_DOUBLE_EQ(recording.StartSeconds(), 0.0);
    }
}

TEST(AccuracyRecording, AMagnetThatSwingsBackTurnsNoFurther) {
    AccuracyRecording recording;
    recording.Start(0);  // taken as 1
    EXPECT_EQ(recording.Revolutions(), 1);
    for (int i = 0; i < 200; ++i) recording.Add({i * 0.01, 90.0 + 80.0 * std::sin(i * 0.1)});
    EXPECT_LT(recording.Turned(), 0.5);
    EXPECT_FALSE(recording.Complete());
    EXPECT_DOUBLE_EQ(AngleCodeDegrees(0x3000 | 4096), 180.0);  // the flag bits do not count
}

TEST(ReferenceCsv, TheAngleUnitIsGuessedFromTheHeaderOrTheValuesAndConverted) {
    auto guess = [](const std::string& text) {
        std::istringstream in(text);
        return GuessColumns(PreviewCsv(in));
    };
    const ReferenceColumns named = guess("Time, ms;Angle, rad\n0;0.1\n10;0.2\n");
    EXPECT_EQ(named.angleUnit, AngleUnit::Radians);
    EXPECT_EQ(named.secondsPerUnit, 1e-3);
    EXPECT_EQ(guess("t;pos\n0;0.5\n1;3.9\n2;6.1\n").angleUnit, AngleUnit::Radians);
    EXPECT_EQ(guess("t;pos\n0;10.5\n1;190.2\n2;350\n").angleUnit, AngleUnit::Degrees);
    const ReferenceColumns counts = guess("t;pos\n0;12\n1;2100\n2;4090\n");
    EXPECT_EQ(counts.angleUnit, AngleUnit::Counts);
    EXPECT_EQ(counts.countsPerTurn, 4096);
    EXPECT_EQ(guess("time;angle, deg\n0;1\n1;2\n").angleUnit, AngleUnit::Degrees);

    std::istringstream in("0;3.14159265358979\n1;1024\n");
    ReferenceColumns radians;
    radians.angleUnit = AngleUnit::Radians;
    EXPECT_NEAR(ReadReference(in, radians, 0).samples.at(0).degrees, 180, 1e-9);
    in = std::istringstream("0;1024\n");
    EXPECT_NEAR(ReadReference(in, counts, 0).samples.at(0).degrees, 90, 1e-9);
}

TEST(AccuracyStateLine, ARefusalSaysItsFigureAndAResultWhatWasDoneToTheReadings) {
    const AccuracyTexts texts;
    EXPECT_EQ(AccuracyStateLine(texts, AccuracyShortfall::TooFast, 1500, nullptr),
              "The magnet turns too fast for this interval: at most 1500 rpm.");
    EXPECT_NE(AccuracyStateLine(texts, AccuracyShortfall::HolesTooLong, 2, nullptr).find("2.00 s"),
              std::string::npos);
    AccuracyResult result;
    result.used = 900;
    result.revolutions = 8;
    result.holesCut = 1;
    result.longestCutSeconds = 2;
    result.referenceReversed = true;
    EXPECT_EQ(AccuracyStateLine(texts, AccuracyShortfall::None, 0, &result),
              "900 readings over 8 revolutions analysed. Holes too long to bridge: 1, the "
              "longest 2.00 s; the longest clean run is analysed. The reference turns the other "
              "way: its angle is taken reversed.");
    EXPECT_EQ(AccuracyLimitsLine(texts, false), texts.vAccRipple);
    EXPECT_EQ(AccuracyLimitsLine(texts, true), "");
}

}  // namespace
}  // namespace app
