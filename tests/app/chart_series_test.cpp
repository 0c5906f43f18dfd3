#include "app/display/chart_series.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <random>

namespace {

using Series = app::ChartSeries<int16_t>;

// Random-walk data, like a turning magnet with noise, with occasional repeated counts.
Series RandomSeries(size_t count, uint32_t seed, std::vector<int64_t>* xs = nullptr,
                    std::vector<int16_t>* ys = nullptr) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> step(-300, 300);
    std::uniform_int_distribution<int> repeat(0, 999);
    Series series;
    int64_t x = 57;
    int value = 0;
    for (size_t i = 0; i < count; ++i) {
        value = std::clamp(value + step(random), -4096, 4095);
        series.Append(x, static_cast<int16_t>(value));
        if (xs) xs->push_back(x);
        if (ys) ys->push_back(static_cast<int16_t>(value));
        if (repeat(random) != 0) ++x;  // a reading whose count did not advance
    }
    return series;
}

TEST(ChartSeries, KeepsEveryPointWithItsX) {
    std::vector<int64_t> xs;
    std::vector<int16_t> ys;
    const Series series = RandomSeries(200'000, 1, &xs, &ys);
    ASSERT_EQ(series.Size(), xs.size());
    for (size_t i = 0; i < xs.size(); i += 7) {
        ASSERT_EQ(series.XAt(i), xs[i]) << i;
        ASSERT_EQ(series.YAt(i), ys[i]) << i;
    }
    EXPECT_EQ(series.FirstX(), xs.front());
    EXPECT_EQ(series.LastX(), xs.back());
    EXPECT_EQ(series.MinY(), *std::min_element(ys.begin(), ys.end()));
    EXPECT_EQ(series.MaxY(), *std::max_element(ys.begin(), ys.end()));
}

TEST(ChartSeries, MinMaxOfAnyRangeEqualsAScan) {
    std::vector<int16_t> ys;
    const Series series = RandomSeries(300'000, 2, nullptr, &ys);
    std::mt19937 random(3);
    std::uniform_int_distribution<size_t> index(0, ys.size() - 1);
    for (int trial = 0; trial < 400; ++trial) {
        // Short ranges, long ranges and ranges that reach the end.
        const size_t begin = index(random);
        const size_t length = trial % 4 == 0 ? 1 + trial % 40 : index(random) + 1;
        const size_t end = std::min(ys.size(), begin + length);
        const auto [low, high] = series.MinMax(begin, end);
        const auto scan = std::minmax_element(ys.begin() + begin, ys.begin() + end);
        ASSERT_EQ(low, *scan.first) << begin << ".." << end;
        ASSERT_EQ(high, *scan.second) << begin << ".." << end;
    }
    const auto all = series.MinMax(0, ys.size());
    EXPECT_EQ(all.first, series.MinY());
    EXPECT_EQ(all.second, series.MaxY());
}

TEST(ChartSeries, BoundsFindPointsByX) {
    Series series;
    for (int64_t x : {10, 11, 12, 12, 13, 20, 21}) series.Append(x, 0);
    struct Case {
        double x;
        size_t lower, upper;
    };
    for (const Case c : {Case{0, 0, 0}, Case{10, 0, 1}, Case{11.5, 2, 2}, Case{12, 2, 4},
                         Case{13, 4, 5}, Case{15, 5, 5}, Case{21, 6, 7}, Case{22, 7, 7}}) {
        EXPECT_EQ(series.LowerBound(c.x), c.lower) << c.x;
        EXPECT_EQ(series.UpperBound(c.x), c.upper) << c.x;
    }
}

TEST(ChartSeries, ClearForgetsAllPoints) {
    Series series = RandomSeries(70'000, 4);
    series.Clear();
    EXPECT_TRUE(series.Empty());
    series.Append(57, -3);
    EXPECT_EQ(series.FirstX(), 57);
    EXPECT_EQ(series.MinY(), -3);
    EXPECT_EQ(series.MaxY(), -3);
    EXPECT_EQ(series.MinMax(0, 1), std::make_pair(int16_t{-3}, int16_t{-3}));
}

TEST(ChartSeries, StoresAPointInLittleMoreThanItsValue) {
    const Series series = RandomSeries(2'000'000, 5);
    // Two bytes of value, the pyramid and the growth reserve of its vectors.
    EXPECT_LE(static_cast<double>(series.BytesUsed()) / series.Size(), 3.5);
}

// The drawn min/max of each pixel column must equal a brute-force scan of the points whose x
// falls into that column.
TEST(DecimateToColumns, ColumnExtremesEqualABruteForceScan) {
    std::vector<int64_t> xs;
    std::vector<int16_t> ys;
    const Series series = RandomSeries(500'000, 6, &xs, &ys);
    const double first = static_cast<double>(xs.front());
    const double last = static_cast<double>(xs.back());
    struct View {
        double low, high;
        int columns;
    };
    const View views[] = {{first, last, 900},
                          {first, last, 7},
                          {first + 1000.5, first + 250'000.25, 640},
                          {last - 5000, last + 100, 300},
                          {first - 100, first + 1500, 700}};
    for (const View& view : views) {
        const auto points = app::DecimateToColumns(series, view.low, view.high, view.columns);
        const double width = (view.high - view.low) / view.columns;
        auto columnOf = [&](double x) {
            return std::min(view.columns - 1, static_cast<int>(std::floor((x - view.low) / width)));
        };
        std::map<int, std::pair<int, int>> drawn;
        for (const auto& p : points) {
            if (p.x < view.low || p.x > view.high) continue;  // the neighbours outside
            auto [it, added] = drawn.try_emplace(columnOf(p.x), int(p.y), int(p.y));
            it->second.first = std::min(it->second.first, int(p.y));
            it->second.second = std::max(it->second.second, int(p.y));
        }
        std::map<int, std::pair<int, int>> scanned;
        for (size_t i = 0; i < xs.size(); ++i) {
            const double x = static_cast<double>(xs[i]);
            if (x < view.low || x > view.high) continue;
            auto [it, added] = scanned.try_emplace(columnOf(x), ys[i], ys[i]);
            it->second.first = std::min<int>(it->second.first, ys[i]);
            it->second.second = std::max<int>(it->second.second, ys[i]);
        }
        EXPECT_EQ(drawn, scanned) << view.low << ".." << view.high << " / " << view.columns;
        EXPECT_LE(points.size(), 2 * static_cast<size_t>(view.columns) + 2);
    }
}

TEST(DecimateToColumns, SparseViewsGetThePointsThemselvesWithTheirNeighbours) {
    Series series;
    for (int64_t x = 0; x < 100; ++x) series.Append(x, static_cast<int16_t>(x * 3));
    const auto points = app::DecimateToColumns(series, 10, 20, 900);
    ASSERT_EQ(points.size(), 13u);  // 10..20 and the points at 9 and 21
    EXPECT_EQ(points.front().x, 9);
    EXPECT_EQ(points.back().x, 21);
    EXPECT_EQ(points[5].y, 42);
    EXPECT_TRUE(app::DecimateToColumns(Series{}, 0, 10, 900).empty());
}

}  // namespace
