#include "app/analysis/line_fit.h"

#include <algorithm>
#include <cmath>

namespace app {

void LineFit::Add(double x, double y) {
    ++n_;
    x_ += x;
    y_ += y;
    xx_ += x * x;
    xy_ += x * y;
    yy_ += y * y;
}

double LineFit::Slope() const {
    const double d = n_ * xx_ - x_ * x_;
    return d == 0 ? 0.0 : (n_ * xy_ - x_ * y_) / d;
}

double LineFit::Intercept() const {
    return n_ == 0 ? 0.0 : (y_ - Slope() * x_) / n_;
}

double LineFit::Root() const {
    const double slope = Slope();
    if (slope == 0 || n_ == 0) return 0.0;
    return -Intercept() / slope;
}

double LineFit::ResidualSd() const {
    if (n_ < 3) return 0.0;
    const double sxx = xx_ - x_ * x_ / n_;
    const double sxy = xy_ - x_ * y_ / n_;
    const double syy = yy_ - y_ * y_ / n_;
    const double residual = syy - (sxx == 0 ? 0.0 : sxy * sxy / sxx);
    return std::sqrt(std::max(0.0, residual) / (n_ - 2));
}

double LineFit::SlopeError() const {
    const double sxx = xx_ - x_ * x_ / n_;
    return n_ < 3 || !(sxx > 0) ? 0.0 : ResidualSd() / std::sqrt(sxx);
}

}  // namespace app
