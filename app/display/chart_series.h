// Compact storage of one chart line that keeps every point without limit, with a min/max
// pyramid so that any view can be reduced to about two points per pixel column in time
// independent of the number of points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace app {

/// Points (x, y) with non-decreasing x, appended one at a time. y is kept in T (2 bytes for the
/// 13-bit readouts); x is implicit while it goes up by one per point and is stored only where
/// it does not (a repeated or skipped count).
template <typename T>
class ChartSeries {
  public:
    void Append(int64_t x, T y);
    void Clear();

    size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    int64_t XAt(size_t index) const;
    T YAt(size_t index) const { return chunks_[index >> kChunkBits][index & kChunkMask]; }

    /// Extent of all points, kept up to date on every append. Only valid when not Empty().
    int64_t FirstX() const { return runs_.front().x; }
    int64_t LastX() const { return lastX_; }
    T MinY() const { return minY_; }
    T MaxY() const { return maxY_; }

    /// Smallest and largest y of the points [begin, end); begin < end <= Size().
    std::pair<T, T> MinMax(size_t begin, size_t end) const;
    /// Index of the first point whose x is not less than x (Size() when there is none).
    size_t LowerBound(double x) const;
    /// Index of the first point whose x is greater than x (Size() when there is none).
    size_t UpperBound(double x) const;

    /// Memory held for the points, the pyramid and the x runs.
    size_t BytesUsed() const;

  private:
    static constexpr int kChunkBits = 16;
    static constexpr size_t kChunkSize = size_t{1} << kChunkBits;
    static constexpr size_t kChunkMask = kChunkSize - 1;
    /// Each pyramid level holds the min/max of kFanout elements of the level below.
    static constexpr size_t kFanout = 8;

    struct Run {
        size_t index;  // first point of the run
        int64_t x;     // its x; the run's later points follow at x + 1, x + 2, ...
    };
    struct Extent {
        T min;
        T max;
    };

    void AddToPyramid(T y);
    int64_t RunLastX(size_t run) const;

    std::vector<std::unique_ptr<T[]>> chunks_;  // fixed-size blocks: growing never copies
    size_t size_ = 0;
    std::vector<Run> runs_;
    int64_t lastX_ = 0;
    T minY_{};
    T maxY_{};
    std::vector<std::vector<Extent>> levels_;  // levels_[k]: one element per kFanout^(k+1) points
};

/// A point handed to the drawing.
struct ChartPoint {
    double x;
    double y;
};

/// The points to draw for the view [xLow, xHigh] on `columns` pixel columns. When the view
/// holds more than two points per column, each column that holds points gives its smallest
/// and its largest y at the x of its first point, the one nearer the previous point first;
/// otherwise the points are given as they are.
/// The nearest point outside each side of the view is included so the line reaches the edge.
template <typename T>
std::vector<ChartPoint> DecimateToColumns(const ChartSeries<T>& series, double xLow, double xHigh,
                                          int columns);

}  // namespace app
