#include "ui/decimated_chart.h"

#include <algorithm>

namespace ui {

namespace {

/// One displayed frame at 60 Hz.
constexpr int kFrameMs = 16;

void SetRange(QCPAxis* axis, double low, double high) {
    if (high <= low) {
        low -= 1;
        high += 1;
    }
    axis->setRange(low, high);
}

}  // namespace

DecimatedChart::DecimatedChart(QWidget* parent) : QCustomPlot(parent) {
    setBackground(Qt::white);
    setNoAntialiasingOnDrag(true);
    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    frameTimer_.setSingleShot(true);
    connect(&frameTimer_, &QTimer::timeout, this, &DecimatedChart::FrameTimerTimeout);
    // The axes are set before the layout (their labels take room), the graphs after it, when
    // the width of the axis rect in pixels is known.
    heldNote_ = new QCPItemText(this);
    heldNote_->setPositionAlignment(Qt::AlignTop | Qt::AlignRight);
    heldNote_->position->setType(QCPItemPosition::ptAxisRectRatio);
    heldNote_->position->setCoords(0.99, 0.02);
    heldNote_->setColor(QColor(90, 90, 90));
    heldNote_->setBrush(QBrush(QColor(255, 255, 255, 220)));
    heldNote_->setPadding(QMargins(4, 2, 4, 2));
    heldNote_->setClipToAxisRect(true);
    heldNote_->setVisible(false);
    connect(this, &QCustomPlot::beforeReplot, this, [this] {
        UpdateAxes();
        heldNote_->setVisible(!autoAxes_);
        heldNote_->setText(heldNoteText_ ? heldNoteText_()
                                         : QStringLiteral("view held; double-click to follow"));
        sinceReplot_.start();
    });
    connect(this, &QCustomPlot::afterLayout, this, &DecimatedChart::UpdateGraphs);
    // A view set from outside (a drag or zoom by the user) is held until a double click.
    auto viewChanged = [this] {
        if (settingRange_) return;
        autoAxes_ = false;
        for (auto& line : lines_) line->stale_ = true;
    };
    connect(xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, viewChanged);
    connect(yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, viewChanged);
}

QCPGraph* DecimatedChart::NewGraph(const QString& title, const QColor& color) {
    QCPGraph* graph = addGraph();
    graph->setName(title);
    graph->setPen(QPen(color, 1));
    graph->setLineStyle(QCPGraph::lsLine);
    graph->setScatterStyle(QCPScatterStyle::ssNone);
    // Our data is already reduced to the pixel columns.
    graph->setAdaptiveSampling(false);
    // Dense data makes near-vertical strokes in every column; antialiasing them costs more
    // than the rest of the frame.
    graph->setAntialiased(false);
    return graph;
}

void DecimatedChart::SetLineVisible(ChartLine* line, bool visible) {
    line->Graph()->setVisible(visible);
    line->stale_ = true;
    RequestReplot();
}

void DecimatedChart::ClearLines() {
    for (auto& line : lines_) {
        line->Clear();
        line->stale_ = true;
    }
    RequestReplot();
}

void DecimatedChart::SetAutoAxes(bool on) {
    autoAxes_ = on;
    RequestReplot();
}

void DecimatedChart::mouseDoubleClickEvent(QMouseEvent* event) {
    QCustomPlot::mouseDoubleClickEvent(event);
    SetAutoAxes(true);
}

void DecimatedChart::UpdateAxes() {
    if (!autoAxes_) return;
    bool any = false;
    double firstX = 0, lastX = 0, minY = 0, maxY = 0;
    for (const auto& line : lines_) {
        if (line->Empty() || !line->Graph()->visible()) continue;
        if (!any) {
            firstX = line->FirstX();
            lastX = line->LastX();
            minY = line->MinY();
            maxY = line->MaxY();
            any = true;
        } else {
            firstX = std::min(firstX, line->FirstX());
            lastX = std::max(lastX, line->LastX());
            minY = std::min(minY, line->MinY());
            maxY = std::max(maxY, line->MaxY());
        }
    }
    if (!any) return;
    const QCPRange before = xAxis->range();
    settingRange_ = true;
    SetRange(xAxis, firstX, lastX);
    // A flat trace gets a least span around it, and every trace a little room above and
    // below, so that no stretch of it runs along the frame.
    if (maxY - minY < kMinYSpan) {
        const double middle = (minY + maxY) / 2;
        minY = middle - kMinYSpan / 2;
        maxY = middle + kMinYSpan / 2;
    }
    const double margin = (maxY - minY) * 0.02;
    SetRange(yAxis, minY - margin, maxY + margin);
    settingRange_ = false;
    if (xAxis->range() != before)
        for (auto& line : lines_) line->stale_ = true;
}

void DecimatedChart::UpdateGraphs() {
    const int columns = std::max(1, axisRect()->width());
    if (columns != columns_) {
        columns_ = columns;
        for (auto& line : lines_) line->stale_ = true;
    }
    const QCPRange view = xAxis->range();
    for (auto& line : lines_) {
        if (!line->stale_ || !line->Graph()->visible()) continue;
        const auto points = line->Decimate(view.lower, view.upper, columns_);
        QVector<QCPGraphData> data;
        data.reserve(static_cast<qsizetype>(points.size()));
        for (const auto& point : points) data.append(QCPGraphData(point.x, point.y));
        line->Graph()->data()->set(data, true);
        line->stale_ = false;
    }
}

void DecimatedChart::Refresh() {
    UpdateAxes();
    UpdateGraphs();
}

bool DecimatedChart::WriteCsv(std::ostream& out) const {
    out << "Reading";
    size_t rows = lines_.empty() ? 0 : lines_.front()->Size();
    for (const auto& line : lines_) {
        out << ';' << line->Graph()->name().toStdString();
        rows = std::min(rows, line->Size());
    }
    out << "\r\n";
    for (size_t row = 0; row < rows && out; ++row) {
        out << lines_.front()->XAt(row);
        for (const auto& line : lines_) out << ';' << line->YAt(row);
        out << "\r\n";
    }
    return static_cast<bool>(out);
}

void DecimatedChart::RequestReplot() {
    if (frameTimer_.isActive()) return;
    const qint64 elapsed = sinceReplot_.isValid() ? sinceReplot_.elapsed() : kFrameMs;
    frameTimer_.start(static_cast<int>(std::max<qint64>(0, kFrameMs - elapsed)));
}

void DecimatedChart::FrameTimerTimeout() {
    replot();
}

}  // namespace ui
