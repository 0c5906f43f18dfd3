#include "app/line_fit.h"

namespace app {

void LineFit::Add(double x, double y) {
    ++n_;
    x_ += x;
    y_ += y;
    xx_ += x * x;
    xy_ += x * y;
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

}  // namespace app
