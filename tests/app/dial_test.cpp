#include "app/display/dial.h"

#include <gtest/gtest.h>

namespace {

TEST(DialNeedle, EndPointsOnThe300PixelBox) {
    struct Case {
        uint16_t word;
        app::DialPoint end;
    };
    for (const Case c :
         {Case{0, {150, 50}}, Case{2048, {250, 150}}, Case{4096, {150, 250}}, Case{6144, {50, 150}},
          Case{8191, {150, 50}}, Case{10240, {250, 150}}, Case{1024, {221, 79}}}) {
        EXPECT_EQ(app::NeedleEnd(150, 150, app::DialFraction(c.word)), c.end) << c.word;
    }
}

TEST(DialNeedle, TurnsClockwiseFromTheTop) {
    const app::DialPoint quarter = app::NeedleEnd(0, 0, 0.125);
    EXPECT_GT(quarter.X, 0);  // right
    EXPECT_LT(quarter.Y, 0);  // up (screen y grows downwards)
}

}  // namespace
