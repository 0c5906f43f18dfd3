// A straight line fitted by least squares, from running sums.
#pragma once

namespace app {

/// y = a + b x through the points added.
class LineFit {
  public:
    void Add(double x, double y);
    /// b; 0 for fewer than two distinct x.
    double Slope() const;
    /// a; the mean of y when the slope is 0, 0 without points.
    double Intercept() const;
    /// a + b x.
    double At(double x) const { return Intercept() + Slope() * x; }
    /// The x where the line crosses 0; 0 when it is level.
    double Root() const;
    /// The standard deviation of the points about the line, and the standard error of its
    /// slope from it; 0 for fewer than three points.
    double ResidualSd() const;
    double SlopeError() const;

  private:
    double n_ = 0, x_ = 0, y_ = 0, xx_ = 0, xy_ = 0, yy_ = 0;
};

}  // namespace app
