#include "ui/point_cloud_chart.h"

#include <QPainter>
#include <algorithm>

namespace ui {

namespace {

constexpr int kFrameMs = 16;

}  // namespace

PointCloudLayerable::PointCloudLayerable(PointCloudChart* chart)
    : QCPLayerable(chart, "points"), chart_(chart) {}

void PointCloudLayerable::applyDefaultAntialiasingHint(QCPPainter* painter) const {
    painter->setAntialiasing(false);
}

void PointCloudLayerable::draw(QCPPainter* painter) {
    const QPixmap& picture = chart_->Picture();
    painter->drawPixmap(chart_->pictureRect_.topLeft(), picture);
}

PointCloudChart::PointCloudChart(QWidget* parent) : QCustomPlot(parent) {
    setBackground(Qt::white);
    addLayer("points", layer("main"), QCustomPlot::limAbove);
    pointLayer_ = layer("points");
    pointLayer_->setMode(QCPLayer::lmBuffered);
    cloud_ = new PointCloudLayerable(this);

    marker_ = QPixmap(kMarkerSize, kMarkerSize);
    marker_.fill(QColor(0, 0, 160));
    QPainter painter(&marker_);
    painter.fillRect(1, 1, kMarkerSize - 2, kMarkerSize - 2, QColor(64, 96, 255));

    frameTimer_.setSingleShot(true);
    connect(&frameTimer_, &QTimer::timeout, this, [this] {
        sinceRepaint_.start();
        // Only the points' own buffer is drawn again, unless the whole plot needs it.
        pointLayer_->replot();
    });
}

void PointCloudChart::SetFixedRange(double low, double high) {
    fixedLow_ = low;
    fixedHigh_ = high;
    ShowFixedRange();
}

void PointCloudChart::ShowFixedRange() {
    xAxis->setRange(fixedLow_, fixedHigh_);
    yAxis->setRange(fixedLow_, fixedHigh_);
    pictureRect_ = QRect();
    replot(rpQueuedReplot);
}

void PointCloudChart::FitToData() {
    if (points_.empty()) return;
    int32_t minX = points_.front().x, maxX = minX, minY = points_.front().y, maxY = minY;
    for (const Point& p : points_) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    // One scale on both axes, so that a circle stays round; a tenth of room around.
    const double half = std::max({maxX - minX, maxY - minY, 16}) * 0.55;
    const double midX = (minX + maxX) / 2.0;
    const double midY = (minY + maxY) / 2.0;
    xAxis->setRange(midX - half, midX + half);
    yAxis->setRange(midY - half, midY + half);
    pictureRect_ = QRect();
    replot(rpQueuedReplot);
}

bool PointCloudChart::WriteCsv(std::ostream& out) const {
    out << "X;Y\r\n";
    for (const Point& p : points_) {
        if (!out) break;
        out << p.x << ';' << p.y << "\r\n";
    }
    return static_cast<bool>(out);
}

void PointCloudChart::DrawMarker(QPainter& painter, const Point& point) const {
    const int px =
        static_cast<int>(std::lround(xAxis->coordToPixel(point.x))) - pictureRect_.left();
    const int py = static_cast<int>(std::lround(yAxis->coordToPixel(point.y))) - pictureRect_.top();
    painter.drawPixmap(px - kMarkerSize / 2, py - kMarkerSize / 2, marker_);
}

const QPixmap& PointCloudChart::Picture() {
    const QRect rect = axisRect()->rect();
    if (rect != pictureRect_ || picture_.isNull()) {
        pictureRect_ = rect;
        picture_ = QPixmap(std::max(1, rect.width()), std::max(1, rect.height()));
        picture_.fill(Qt::transparent);
        QPainter painter(&picture_);
        for (const Point& point : points_) DrawMarker(painter, point);
    }
    return picture_;
}

void PointCloudChart::AddPoint(int32_t x, int32_t y) {
    points_.push_back(Point{x, y});
    if (!picture_.isNull() && pictureRect_ == axisRect()->rect()) {
        QPainter painter(&picture_);
        DrawMarker(painter, points_.back());
    }
    RequestRepaint();
}

void PointCloudChart::ClearPoints() {
    points_.clear();
    points_.shrink_to_fit();
    picture_ = QPixmap();
    RequestRepaint();
}

void PointCloudChart::RepaintNow() {
    frameTimer_.stop();
    sinceRepaint_.start();
    pointLayer_->replot();
    repaint();
}

void PointCloudChart::RequestRepaint() {
    if (frameTimer_.isActive()) return;
    const qint64 elapsed = sinceRepaint_.isValid() ? sinceRepaint_.elapsed() : kFrameMs;
    frameTimer_.start(static_cast<int>(std::max<qint64>(0, kFrameMs - elapsed)));
}

}  // namespace ui
