#include "app/display/chart_series.h"

#include <algorithm>
#include <cmath>

namespace app {

template <typename T>
void ChartSeries<T>::Append(int64_t x, T y) {
    if (size_ == 0) {
        runs_.push_back(Run{0, x});
        minY_ = y;
        maxY_ = y;
    } else if (x != lastX_ + 1) {
        runs_.push_back(Run{size_, x});
    }
    lastX_ = x;
    if ((size_ & kChunkMask) == 0) chunks_.push_back(std::make_unique<T[]>(kChunkSize));
    chunks_.back()[size_ & kChunkMask] = y;
    AddToPyramid(y);
    minY_ = std::min(minY_, y);
    maxY_ = std::max(maxY_, y);
    ++size_;
}

template <typename T>
void ChartSeries<T>::AddToPyramid(T y) {
    // Element e of level k covers the points [e * span, (e + 1) * span), span = kFanout^(k+1).
    const size_t point = size_;
    size_t span = kFanout;
    for (size_t level = 0;; ++level, span *= kFanout) {
        if (level == levels_.size()) {
            // A level is created when its second element opens; its first element then
            // summarises every earlier point, whose extremes are the running ones.
            if (point < span) return;
            levels_.emplace_back();
            levels_.back().push_back(Extent{minY_, maxY_});
        }
        auto& elements = levels_[level];
        const size_t element = point / span;
        if (element == elements.size()) {
            elements.push_back(Extent{y, y});
        } else {
            elements[element].min = std::min(elements[element].min, y);
            elements[element].max = std::max(elements[element].max, y);
        }
    }
}

template <typename T>
void ChartSeries<T>::Clear() {
    chunks_.clear();
    chunks_.shrink_to_fit();
    size_ = 0;
    runs_.clear();
    runs_.shrink_to_fit();
    levels_.clear();
    levels_.shrink_to_fit();
    lastX_ = 0;
    minY_ = T{};
    maxY_ = T{};
}

template <typename T>
int64_t ChartSeries<T>::XAt(size_t index) const {
    auto run = std::upper_bound(runs_.begin(), runs_.end(), index,
                                [](size_t i, const Run& r) { return i < r.index; });
    --run;
    return run->x + static_cast<int64_t>(index - run->index);
}

template <typename T>
int64_t ChartSeries<T>::RunLastX(size_t run) const {
    const size_t end = run + 1 < runs_.size() ? runs_[run + 1].index : size_;
    return runs_[run].x + static_cast<int64_t>(end - 1 - runs_[run].index);
}

template <typename T>
size_t ChartSeries<T>::LowerBound(double x) const {
    // First run that reaches x, then the position inside it.
    size_t low = 0;
    size_t high = runs_.size();
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (static_cast<double>(RunLastX(middle)) < x)
            low = middle + 1;
        else
            high = middle;
    }
    if (low == runs_.size()) return size_;
    const double offset = std::ceil(x - static_cast<double>(runs_[low].x));
    return runs_[low].index + (offset > 0 ? static_cast<size_t>(offset) : 0);
}

template <typename T>
size_t ChartSeries<T>::UpperBound(double x) const {
    size_t low = 0;
    size_t high = runs_.size();
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (static_cast<double>(RunLastX(middle)) <= x)
            low = middle + 1;
        else
            high = middle;
    }
    if (low == runs_.size()) return size_;
    const double offset = std::floor(x - static_cast<double>(runs_[low].x)) + 1;
    return runs_[low].index + (offset > 0 ? static_cast<size_t>(offset) : 0);
}

template <typename T>
std::pair<T, T> ChartSeries<T>::MinMax(size_t begin, size_t end) const {
    // The ragged edges of the range are read at the finest level, the whole elements between
    // them one level up, and so on: at most about 4 * kFanout values per level are read.
    // Level -1 stands for the points themselves.
    std::pair<T, T> result{YAt(begin), YAt(begin)};
    auto scan = [this, &result](ptrdiff_t level, size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            if (level < 0) {
                const T y = YAt(i);
                result.first = std::min(result.first, y);
                result.second = std::max(result.second, y);
            } else {
                const Extent& extent = levels_[static_cast<size_t>(level)][i];
                result.first = std::min(result.first, extent.min);
                result.second = std::max(result.second, extent.max);
            }
        }
    };
    ptrdiff_t level = -1;
    while (begin < end) {
        const bool hasUpper = static_cast<size_t>(level + 1) < levels_.size();
        const size_t upperBegin = (begin + kFanout - 1) / kFanout;
        const size_t upperEnd = end / kFanout;
        if (!hasUpper || end - begin <= 2 * kFanout || upperBegin >= upperEnd) {
            scan(level, begin, end);
            break;
        }
        scan(level, begin, upperBegin * kFanout);
        scan(level, upperEnd * kFanout, end);
        begin = upperBegin;
        end = upperEnd;
        ++level;
    }
    return result;
}

template <typename T>
size_t ChartSeries<T>::BytesUsed() const {
    size_t bytes = chunks_.capacity() * sizeof(std::unique_ptr<T[]>) +
                   chunks_.size() * kChunkSize * sizeof(T) + runs_.capacity() * sizeof(Run) +
                   levels_.capacity() * sizeof(std::vector<Extent>);
    for (const auto& level : levels_) bytes += level.capacity() * sizeof(Extent);
    return bytes;
}

template <typename T>
std::vector<ChartPoint> DecimateToColumns(const ChartSeries<T>& series, double xLow, double xHigh,
                                          int columns) {
    std::vector<ChartPoint> points;
    if (series.Empty() || columns <= 0 || !(xHigh >= xLow)) return points;
    const size_t first = series.LowerBound(xLow);
    const size_t end = series.UpperBound(xHigh);
    const size_t from = first > 0 ? first - 1 : 0;
    const size_t to = end < series.Size() ? end + 1 : series.Size();
    auto point = [&series](size_t i) {
        return ChartPoint{static_cast<double>(series.XAt(i)), static_cast<double>(series.YAt(i))};
    };
    if (end <= first || end - first <= 2 * static_cast<size_t>(columns)) {
        points.reserve(to - from);
        for (size_t i = from; i < to; ++i) points.push_back(point(i));
        return points;
    }
    points.reserve(2 * static_cast<size_t>(columns) + 2);
    if (from < first) points.push_back(point(from));
    const double width = (xHigh - xLow) / columns;
    size_t begin = first;
    for (int column = 0; column < columns && begin < end; ++column) {
        const size_t stop = column + 1 == columns
                                ? end
                                : std::min(end, series.LowerBound(xLow + (column + 1) * width));
        if (stop <= begin) continue;
        const double x = static_cast<double>(series.XAt(begin));
        if (stop - begin == 1) {
            points.push_back(ChartPoint{x, static_cast<double>(series.YAt(begin))});
        } else {
            const auto [low, high] = series.MinMax(begin, stop);
            // Which extreme came first is not kept; starting with the one nearer the line's
            // last point keeps the strokes between columns short, as the real line's are.
            const double previous = points.empty() ? low : points.back().y;
            const bool highFirst = std::abs(previous - high) < std::abs(previous - low);
            points.push_back(ChartPoint{x, static_cast<double>(highFirst ? high : low)});
            points.push_back(ChartPoint{x, static_cast<double>(highFirst ? low : high)});
        }
        begin = stop;
    }
    if (end < to) points.push_back(point(end));
    return points;
}

template class ChartSeries<int16_t>;
template class ChartSeries<uint16_t>;
template std::vector<ChartPoint> DecimateToColumns(const ChartSeries<int16_t>&, double, double,
                                                   int);
template std::vector<ChartPoint> DecimateToColumns(const ChartSeries<uint16_t>&, double, double,
                                                   int);

}  // namespace app
