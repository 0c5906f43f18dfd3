#include "app/display/dial.h"

#include <cmath>
#include <numbers>

namespace app {

namespace {

int32_t NearestToEven(double v) {
    // std::nearbyint would follow the current rounding mode; this does not depend on it.
    const double down = std::floor(v);
    const double rest = v - down;
    if (rest > 0.5) return static_cast<int32_t>(down) + 1;
    if (rest < 0.5) return static_cast<int32_t>(down);
    return std::fmod(down, 2.0) == 0.0 ? static_cast<int32_t>(down)
                                       : static_cast<int32_t>(down) + 1;
}

}  // namespace

DialPoint NeedleEnd(int32_t x0, int32_t y0, double f) {
    const double theta = f * 2.0 * std::numbers::pi;
    return DialPoint{x0 + NearestToEven(kNeedleLength * std::sin(theta)),
                     y0 - NearestToEven(kNeedleLength * std::cos(theta))};
}

}  // namespace app
