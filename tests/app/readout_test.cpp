#include <gtest/gtest.h>

#include "app/readings/readout_format.h"

namespace {

using app::ChartSample;
using app::XYPoint;

TEST(Sign13, ReadsThirteenBitTwosComplementAndKeepsUpperBits) {
    struct Case {
        uint16_t word;
        int32_t value;
    };
    for (const Case c : {Case{0x0000, 0}, Case{0x0FFF, 4095}, Case{0x1000, -4096}, Case{0x1FFF, -1},
                         Case{0x0100, 256}, Case{0xE000, 0xE000}, Case{0xF000, 0xF000 - 8192}}) {
        EXPECT_EQ(app::Sign13(c.word), c.value) << std::hex << c.word;
    }
}

TEST(ChartSample, MasksEveryRegisterToThirteenBitsBeforeConverting) {
    struct Case {
        uint16_t r34, r35, r36, r37, r38;
        ChartSample expected;  // sine, cosine, cordic, angle, amplitude
    };
    const Case cases[] = {
        {0x0FFF, 0x0000, 0, 0, 0, {0, 4095, 0, 0, 0}},
        {0x1000, 0x0000, 0, 0, 0, {0, -4096, 0, 0, 0}},
        // Words that differ only in bits 15-13 give the same values.
        {0xEFFF, 0xF000, 0xE000 | 291, 0xFFFF, 0x2000 | 2000, {-4096, 4095, 291, 8191, 2000}},
        {0x1F00, 0x0FFF, 291, 100, 2000, {4095, -256, 291, 100, 2000}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(app::ChartSampleFromRegisters(c.r34, c.r35, c.r36, c.r37, c.r38), c.expected)
            << std::hex << c.r34 << " " << c.r35;
    }
}

TEST(XYPoint, TakesSineAsXAndCosineAsYUnmasked) {
    EXPECT_EQ(app::XYPointFromRegisters(0x0100, 0x1000), (XYPoint{256, -4096}));
    // Bits 13-15 stay: the value lies far outside the chart's axes.
    EXPECT_EQ(app::XYPointFromRegisters(0x2005, 0xF000), (XYPoint{0x2005, 0xF000 - 8192}));
}

TEST(HalfToEven, RoundsHalvesToTheEvenNeighbour) {
    struct Case {
        int64_t n;
        int32_t half;
    };
    for (const Case c : {Case{0, 0}, Case{2, 1}, Case{1, 0}, Case{3, 2}, Case{5, 2}, Case{7, 4},
                         Case{-1, 0}, Case{-3, -2}, Case{-5, -2}, Case{-4, -2}, Case{1999, 1000},
                         Case{1997, 998}, Case{-9000, -4500}}) {
        EXPECT_EQ(app::HalfToEven(c.n), c.half) << c.n;
    }
}

TEST(XYStatistics, OffsetAndAmplitudeFromExtremes) {
    struct Case {
        int32_t max, min, offset, amplitude;
    };
    for (const Case c : {Case{1000, -999, 0, 1000}, Case{1001, -998, 2, 1000},
                         Case{1000, -997, 2, 998}, Case{4095, -4096, 0, 4096}}) {
        app::XYStatistics stats;
        stats.Add({c.max, c.min});
        stats.Add({c.min, c.max});
        EXPECT_EQ(stats.OffsetX(), c.offset) << c.max << "/" << c.min;
        EXPECT_EQ(stats.OffsetY(), c.offset);
        EXPECT_EQ(stats.AmplitudeX(), c.amplitude);
        EXPECT_EQ(stats.AmplitudeY(), c.amplitude);
    }
}

TEST(XYStatistics, FirstReadingAfterResetIsMaximumMinimumAndOffset) {
    app::XYStatistics stats;
    stats.Add({100, -200});
    stats.Reset();
    EXPECT_EQ(stats.XYMaxX, -4500);
    EXPECT_EQ(stats.XYMinY, 4500);
    stats.Add({-37, 1203});
    EXPECT_EQ(stats.XYMaxX, -37);
    EXPECT_EQ(stats.XYMinX, -37);
    EXPECT_EQ(stats.XYMaxY, 1203);
    EXPECT_EQ(stats.XYMinY, 1203);
    EXPECT_EQ(stats.OffsetX(), -37);
    EXPECT_EQ(stats.OffsetY(), 1203);
    EXPECT_EQ(stats.AmplitudeX(), 0);
    EXPECT_EQ(stats.AmplitudeY(), 0);
    stats.Add({-37, 1203});  // equal to the extremes: nothing changes
    stats.Add({10, 1000});
    EXPECT_EQ(stats.XYMaxX, 10);
    EXPECT_EQ(stats.XYMinX, -37);
    EXPECT_EQ(stats.XYMaxY, 1203);
    EXPECT_EQ(stats.XYMinY, 1000);
}

TEST(ReadoutTexts, MemoAndLogLines) {
    const app::AngleSample zeroFlags{0x0A2B, 2603, 0, 0, 0};
    EXPECT_EQ(app::SingleReadLine(zeroFlags), "hex 0A2B angle=2603 ADC=0 LOW_SPEED = 0 CRC=0");
    EXPECT_EQ(app::AngleLogLine(zeroFlags), "0A2B;2603;0;0;0");
    const app::AngleSample flags{0xE00F, 15, 1, 1, 1};
    EXPECT_EQ(app::SingleReadLine(flags), "hex E00F angle=15 ADC=1 LOW_SPEED = 1 CRC=1");
    EXPECT_EQ(app::AngleLogLine(flags), "E00F;15;1;1;1");
    EXPECT_EQ(app::AngleLogLine({0x0003, 3, 0, 1, 0}), "0003;3;0;1;0");

    EXPECT_EQ(app::ChartLogLine({4095, -256, 291, 100, 2000}), "-256;4095;291;100;2000");
    EXPECT_EQ(app::XYLogLine({256, -256}), "256;-256;");
    EXPECT_EQ(app::XYLogLine({256, -4096}), "256;-4096;");

    EXPECT_STREQ(app::kAngleLogHeader, "FullData;Angle Data;ADC;LS;CRC");
    EXPECT_STREQ(app::kChartLogHeader, "RegCOS;RegSin;Cordic_OUT;Ang_OUT;Aplitude");
    EXPECT_STREQ(app::kXYLogHeader, "X;Y");
}

TEST(Headroom, TheShareOfTheRangeAndTheWarningsOfEachChannel) {
    app::XYStatistics extremes;
    extremes.Add({2100, 1740});
    extremes.Add({-1900, -60});
    app::Headroom room = app::HeadroomOf(extremes);
    EXPECT_NEAR(room.percentX, 4000.0 / 8191 * 100, 1e-9);
    EXPECT_NEAR(room.percentY, 1800.0 / 8191 * 100, 1e-9);
    EXPECT_FALSE(room.clipsX || room.clipsY || room.smallX);
    EXPECT_TRUE(room.smallY) << "under a quarter of the range";
    extremes.Add({4095, 0});
    room = app::HeadroomOf(extremes, false, true);
    EXPECT_TRUE(room.clipsX) << "a reading at the top of the range";
    EXPECT_TRUE(room.clipsY) << "the chip's out-of-range flag";
    extremes.Reset();
    extremes.Add({-4096, 10});
    EXPECT_TRUE(app::HeadroomOf(extremes).clipsX);
}

}  // namespace
