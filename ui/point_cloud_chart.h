// A QCustomPlot with fixed axes for a cloud of points that only grows: each new point is drawn
// once into a cached picture of the axis rect, which is redrawn only when cleared or resized,
// so a new point costs the same at ten points as at millions.
#pragma once

#include <qcustomplot.h>

#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>
#include <cstdint>
#include <ostream>
#include <vector>

namespace ui {

class PointCloudChart;

/// The layerable that shows the cached picture.
class PointCloudLayerable : public QCPLayerable {
  public:
    explicit PointCloudLayerable(PointCloudChart* chart);

  protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
    void draw(QCPPainter* painter) override;

  private:
    PointCloudChart* chart_;
};

class PointCloudChart : public QCustomPlot {
    Q_OBJECT
  public:
    explicit PointCloudChart(QWidget* parent = nullptr);

    /// Both axes fixed to [low, high].
    void SetFixedRange(double low, double high);
    /// Both axes around the points (equal scales, a margin around them); the fixed range
    /// again with ShowFixedRange.
    void FitToData();
    void ShowFixedRange();
    /// "X;Y" and every point, as CSV text; false when the stream fails.
    bool WriteCsv(std::ostream& out) const;
    void AddPoint(int32_t x, int32_t y);
    void ClearPoints();
    size_t PointCount() const { return points_.size(); }

    /// Asks for one repaint of the points at the next displayed frame.
    void RequestRepaint();
    /// Repaints the points now, as the next frame would.
    void RepaintNow();

    static constexpr int kMarkerSize = 5;

  private:
    friend class PointCloudLayerable;
    struct Point {
        int32_t x;
        int32_t y;
    };
    /// The cached picture for the current axis rect, rebuilt from all points when it changed.
    const QPixmap& Picture();
    void DrawMarker(QPainter& painter, const Point& point) const;

    std::vector<Point> points_;
    double fixedLow_ = -1;
    double fixedHigh_ = 1;
    QPixmap picture_;
    QRect pictureRect_;
    QPixmap marker_;
    QCPLayer* pointLayer_ = nullptr;
    PointCloudLayerable* cloud_ = nullptr;
    QTimer frameTimer_;
    QElapsedTimer sinceRepaint_;
};

}  // namespace ui
