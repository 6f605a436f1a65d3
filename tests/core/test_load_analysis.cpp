// The analyses of the graph's bars: where a stamp falls in the heat map with
// the day start offset, what a cell shows, the load-duration curve with the
// maximum and the share above a capacity, the bar under the mouse, and the
// readout's time text.

#include "analysis/LoadAnalysis.h"
#include "archive/DateTime.h"
#include "graph/GraphReadout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int64_t kMarch1 = 45352; // Friday 1 March 2024

// The x of a stamp as the listing makes it: whole seconds / 86400.
double At(int64_t day, int hour, int minute, int second = 0)
{
    return static_cast<double>(day * 86400 + hour * 3600 + minute * 60 + second) / 86400.0;
}

TEST(LoadAnalysis, ListingQuarterOfAStampFollowsTheDayStartOffset)
{
    struct Case {
        const char* what;
        int32_t offset;
        double x;
        int64_t day;
        int32_t quarter;
    };
    const Case cases[] = {
        {"first quarter", 0, At(kMarch1, 0, 15), kMarch1, 0},
        {"midnight closes the day", 0, At(kMarch1 + 1, 0, 0), kMarch1, 95},
        {"off the grid, nearest end 24:00", 0, At(kMarch1, 23, 58, 30), kMarch1, 95},
        {"just past half a quarter", 0, At(kMarch1, 0, 7, 31), kMarch1, 0},
        {"just before half a quarter", 0, At(kMarch1, 0, 7, 29), kMarch1 - 1, 95},
        {"half a quarter exactly is no day's", 0, At(kMarch1, 0, 7, 30), kMarch1, -1},
        {"day from 23:00 the evening before", -3600, At(kMarch1 - 1, 23, 15), kMarch1, 0},
        {"... ends at 23:00", -3600, At(kMarch1, 23, 0), kMarch1, 95},
        {"... and 23:15 is the next day's", -3600, At(kMarch1, 23, 15), kMarch1 + 1, 0},
        {"day from noon", 43200, At(kMarch1, 12, 15), kMarch1, 0},
        {"... morning belongs to the day before", 43200, At(kMarch1, 11, 0), kMarch1 - 1, 91},
    };
    for (const Case& c : cases) {
        const int64_t stamp = std::llround(c.x * 86400);
        const int64_t dayStart = int64_t(c.day) * 86400 + c.offset;
        EXPECT_EQ(kw::ListingQuarter(stamp, dayStart), c.quarter) << c.what;
        // The day before and the day after do not take it.
        EXPECT_EQ(kw::ListingQuarter(stamp, dayStart - 86400), -1) << c.what;
        EXPECT_EQ(kw::ListingQuarter(stamp, dayStart + 86400), -1) << c.what;
    }
}

// A series as the listing fills it: values by listing day and quarter-hour.
kw::Series SeriesOf(const std::vector<std::pair<int64_t, int32_t>>& cells,
                    const std::vector<float>& values)
{
    kw::Series series;
    for (std::size_t i = 0; i < cells.size(); ++i)
        series.Add(cells[i].first, cells[i].second,
                   (cells[i].first * 96 + cells[i].second + 1) * 900.0L, values[i], values[i]);
    return series;
}

TEST(LoadAnalysis, HeatMapCellsHoldTheirValues)
{
    // Quarter 8 archived three times: the peak shows; a gap of two days.
    const kw::HeatMap map = kw::MakeHeatMap(
        SeriesOf({{kMarch1, 0}, {kMarch1, 8}, {kMarch1, 8}, {kMarch1, 8}, {kMarch1 + 2, 95}},
                 {10, 30, 40, 35, -5}));
    EXPECT_EQ(map.firstDay, kMarch1);
    EXPECT_EQ(map.days, 3);
    EXPECT_EQ(map.dropped, 0u);
    EXPECT_EQ(map.low, -5);
    EXPECT_EQ(map.high, 40);

    EXPECT_EQ(map.values[map.index(0, 0)], 10);
    EXPECT_EQ(map.bar[map.index(0, 0)], 0);
    EXPECT_EQ(map.values[map.index(0, 8)], 40);
    EXPECT_EQ(map.bar[map.index(0, 8)], 2);
    EXPECT_EQ(map.count[map.index(0, 8)], 3);
    EXPECT_EQ(map.values[map.index(2, 95)], -5);
    EXPECT_TRUE(std::isnan(map.values[map.index(1, 1)]));
    EXPECT_EQ(map.bar[map.index(1, 1)], -1);
    int filled = 0;
    for (const int32_t bar : map.bar)
        filled += bar >= 0;
    EXPECT_EQ(filled, 3);

    // A day years away does not make a grid of years.
    const kw::HeatMap stray =
        kw::MakeHeatMap(SeriesOf({{kMarch1, 4}, {kMarch1 + 9000, 0}}, {1, 2}));
    EXPECT_EQ(stray.days, kw::HeatMap::MaxDays);
    EXPECT_EQ(stray.dropped, 1u);
}

TEST(LoadAnalysis, CurveMaximumAndShareAboveCapacity)
{
    const std::vector<kw::GraphBar> bars = {
        {1, 3, {}}, {2, 7, {}}, {3, kNaN, {}}, {4, 7, {}}, {5, -1, {}}, {6, 5, {}},
    };
    const std::optional<kw::PeakBar> peak = kw::PeriodMaximum(bars);
    ASSERT_TRUE(peak);
    EXPECT_EQ(peak->index, 1u); // the first bar that reaches it
    EXPECT_EQ(peak->x, 2);
    EXPECT_EQ(peak->value, 7);
    EXPECT_FALSE(kw::PeriodMaximum({{1, kNaN, {}}}));

    const std::vector<double> curve =
        kw::DurationCurve(SeriesOf({{1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 4}}, {3, 7, 7, -1, 5}));
    EXPECT_EQ(curve, (std::vector<double>{7, 7, 5, 3, -1}));

    struct Case {
        double capacity;
        std::size_t above;
        double percent;
    };
    const Case cases[] = {
        {5, 2, 40}, // a value at the capacity is not above it
        {4.99, 3, 60}, {7, 0, 0}, {-2, 5, 100}, {kNaN, 0, 0},
    };
    for (const Case& c : cases) {
        const kw::CapacityShare share = kw::ShareAbove(curve, c.capacity);
        EXPECT_EQ(share.above, c.above) << c.capacity;
        EXPECT_EQ(share.total, 5u);
        EXPECT_DOUBLE_EQ(share.percent, c.percent) << c.capacity;
    }
    EXPECT_EQ(kw::ShareAbove({}, 1).percent, 0);

    // Each value exactly as stored: 3.800076 is at a capacity of 3.800076,
    // as the year overview counts it, not above it.
    const std::vector<double> near =
        kw::DurationCurve(SeriesOf({{1, 0}, {1, 1}, {1, 2}}, {3.800076f, 3.8f, 3.8001f}));
    EXPECT_EQ(kw::ShareAbove(near, 3.800076).above, 1u);
}

TEST(LoadAnalysis, NearestBarUnderTheMouse)
{
    const std::vector<kw::GraphBar> bars = {{10, 1, {}}, {11, 2, {}}, {13, 3, {}}};
    struct Case {
        double x;
        double reach;
        std::optional<std::size_t> bar;
    };
    const Case cases[] = {
        {9.6, 0.5, 0},  {9.4, 0.5, std::nullopt},  {10.4, 0.5, 0},
        {10.6, 0.5, 1}, {12.1, 0.5, std::nullopt}, {12.1, 1.0, 2},
        {13.5, 0.5, 2}, {13.6, 0.5, std::nullopt}, {kNaN, 1.0, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kw::NearestBar(bars, c.x, c.reach), c.bar) << c.x;
    EXPECT_FALSE(kw::NearestBar({}, 10, 1));

    // A pixel column of a zoomed-out chart: the highest bar in [from, to).
    const std::vector<kw::GraphBar> column = {
        {10, 1, {}}, {11, 2, {}}, {12, kNaN, {}}, {13, 3, {}}};
    EXPECT_EQ(kw::HighestBarIn(column, 10, 13), 1u);
    EXPECT_EQ(kw::HighestBarIn(column, 9, 14), 3u);
    EXPECT_EQ(kw::HighestBarIn(column, 11.5, 12.9), std::nullopt);
}

TEST(LoadAnalysis, ReadoutTexts)
{
    EXPECT_EQ(kw::QuarterText(At(kMarch1 + 11, 10, 15)), "út 12.03.2024 10:00–10:15");
    EXPECT_EQ(kw::QuarterText(At(kMarch1 + 1, 0, 0)), "pá 01.03.2024 23:45–24:00");
    EXPECT_EQ(kw::QuarterText(At(kMarch1 + 2, 23, 58, 30)), "ne 03.03.2024 23:58:30");
    EXPECT_EQ(kw::ValueText(-1234.56789), "-1234,5679");
    EXPECT_EQ(kw::ShortDate(kMarch1 + 30), "31.3.");
    EXPECT_EQ(kw::ClockText(-3600), "23:00");
}

// January over February: the days February lacks are named, not drawn.
TEST(LoadAnalysis, ComparisonNamesTheDaysLeftOut)
{
    const int64_t jan1 = kw::DaysFromCivil(2024, 1, 1), feb1 = jan1 + 31;
    std::vector<kw::GraphBar> january;
    for (int day = 0; day < 31; ++day)
        january.push_back({static_cast<double>(jan1 + day) + 0.5, 1.0 + day, ""});
    const kw::AlignedBars aligned = kw::AlignToPeriod(
        january, kw::ComparisonShift(jan1, feb1, false), feb1 + 0.01, feb1 + 29.0);
    EXPECT_EQ(aligned.bars.size(), 29u);
    EXPECT_EQ(kw::DaysText(aligned.leftOutDays), "30.01.2024–31.01.2024");
}

} // namespace
