// A QCustomPlot for lines that keep every point without limit: each line's points live in a
// compact app::ChartSeries and the graph is handed only about two points per pixel column of
// the current view. Repaints are coalesced to at most one per displayed frame.
#pragma once

#include <qcustomplot.h>

#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "app/display/chart_series.h"

namespace ui {

/// One line of a DecimatedChart.
class ChartLine {
  public:
    explicit ChartLine(QCPGraph* graph) : graph_(graph) {}
    virtual ~ChartLine() = default;

    QCPGraph* Graph() const { return graph_; }
    virtual size_t Size() const = 0;
    virtual size_t BytesUsed() const = 0;

  protected:
    friend class DecimatedChart;
    virtual bool Empty() const = 0;
    virtual double FirstX() const = 0;
    virtual double LastX() const = 0;
    virtual double MinY() const = 0;
    virtual double MaxY() const = 0;
    virtual void Clear() = 0;
    virtual std::vector<app::ChartPoint> Decimate(double low, double high, int columns) const = 0;
    virtual int64_t XAt(size_t index) const = 0;
    virtual double YAt(size_t index) const = 0;

    QCPGraph* graph_;
    bool stale_ = true;  // the graph does not show the current data or view yet
};

template <typename T>
class TypedChartLine final : public ChartLine {
  public:
    using ChartLine::ChartLine;
    const app::ChartSeries<T>& Series() const { return series_; }
    size_t Size() const override { return series_.Size(); }
    size_t BytesUsed() const override { return series_.BytesUsed(); }

  private:
    friend class DecimatedChart;
    bool Empty() const override { return series_.Empty(); }
    double FirstX() const override { return static_cast<double>(series_.FirstX()); }
    double LastX() const override { return static_cast<double>(series_.LastX()); }
    double MinY() const override { return series_.MinY(); }
    double MaxY() const override { return series_.MaxY(); }
    void Clear() override { series_.Clear(); }
    int64_t XAt(size_t index) const override { return series_.XAt(index); }
    double YAt(size_t index) const override { return static_cast<double>(series_.YAt(index)); }
    std::vector<app::ChartPoint> Decimate(double low, double high, int columns) const override {
        return app::DecimateToColumns(series_, low, high, columns);
    }

    app::ChartSeries<T> series_;
};

class DecimatedChart : public QCustomPlot {
    Q_OBJECT
  public:
    explicit DecimatedChart(QWidget* parent = nullptr);

    /// Adds a line without point markers; y values are kept as T.
    template <typename T>
    TypedChartLine<T>* AddLine(const QString& title, const QColor& color) {
        auto line = std::make_unique<TypedChartLine<T>>(NewGraph(title, color));
        auto* result = line.get();
        lines_.push_back(std::move(line));
        return result;
    }

    template <typename T>
    void Append(TypedChartLine<T>* line, int64_t x, T y) {
        line->series_.Append(x, y);
        line->stale_ = true;
        RequestReplot();
    }

    /// Shows or hides a line; a hidden line keeps receiving its points.
    void SetLineVisible(ChartLine* line, bool visible);
    /// Removes every point of every line.
    void ClearLines();

    /// Axes follow the extent of the visible lines (the default). A view set from outside
    /// (a zoom or drag by the user) turns this off; a double click turns it on again.
    void SetAutoAxes(bool on);
    bool AutoAxes() const { return autoAxes_; }

    /// Brings the graphs up to date with the data and the view now, without waiting for the
    /// next frame (the replot does this itself).
    void Refresh();
    /// Points the graph of a line currently holds.
    static int DrawnPoints(const ChartLine* line) { return line->Graph()->dataCount(); }

    /// Asks for one replot at the next displayed frame, however often it is called.
    void RequestReplot();

    /// Every point of every line, all of them and not only those drawn, as CSV text:
    /// "Reading;<line>;<line>..." then one row per reading (the lines of a chart take their
    /// points together). False when the stream fails.
    bool WriteCsv(std::ostream& out) const;

    /// The note shown while a drag or zoom holds the view; a function, so that it reads the
    /// language loaded after the chart was made.
    void SetHeldNoteText(std::function<QString()> text) { heldNoteText_ = std::move(text); }
    /// The held-view note (visible while the view is held).
    QCPItemText* HeldNote() const { return heldNote_; }

    /// The least span of the y axis in codes: a flat trace stays clear of the frame.
    static constexpr double kMinYSpan = 16;

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    QCPGraph* NewGraph(const QString& title, const QColor& color);
    void UpdateAxes();
    void UpdateGraphs();
    void FrameTimerTimeout();

    std::vector<std::unique_ptr<ChartLine>> lines_;
    QCPItemText* heldNote_ = nullptr;
    std::function<QString()> heldNoteText_;
    bool autoAxes_ = true;
    bool settingRange_ = false;
    int columns_ = 0;
    QTimer frameTimer_;
    QElapsedTimer sinceReplot_;
};

}  // namespace ui
