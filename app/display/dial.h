// Geometry of the dial indicator's needle.
#pragma once

#include <cstdint>

namespace app {

inline constexpr int kNeedleLength = 100;
/// Code 8191 is one full turn, so it points where 0 points.
inline constexpr double kDialFullTurn = 8191.0;

struct DialPoint {
    int32_t X = 0;
    int32_t Y = 0;

    bool operator==(const DialPoint&) const = default;
};

/// The fraction of a full turn that an angle-output word shows; the word is used whole.
constexpr double DialFraction(uint16_t word) {
    return word / kDialFullTurn;
}

/// The needle's end for fraction f of a full turn about the centre (x0, y0): 0 points up and
/// the needle turns clockwise; each coordinate is rounded to the nearest integer, a half
/// going to the even neighbour.
DialPoint NeedleEnd(int32_t x0, int32_t y0, double f);

}  // namespace app
