#pragma once

#include "graph/Graph.h"
#include "graph/Series.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kw {

// What the analyses compute from the series of the last listing: the heat
// map's cells, the load-duration curve and the share of time above the
// reserved capacity, and the bars of an earlier period laid over the
// listing's. The windows only draw these.

constexpr int32_t QuartersPerDay = 96;

// Days across, quarter-hours of the listing day down, each value where the
// listing put it. A cell holds the highest of its values (a quarter-hour
// archived twice, as on the night the clocks go back, shows its peak) and NaN
// when it has none.
struct HeatMap {
    // Larger periods are cut here: a listing never spans more than a few
    // months, and a stray stamp must not make a grid of centuries.
    static constexpr int32_t MaxDays = 3660;

    int64_t firstDay = 0; // listing day of column 0
    int32_t days = 0;     // columns
    int32_t dayStartOffset = 0;
    std::vector<double> values; // days x 96, index day * 96 + quarter
    std::vector<int32_t> bar;   // the value of the series shown in the cell; -1 none
    std::vector<uint8_t> count; // values that fell into the cell (at most 255)
    std::size_t dropped = 0;    // values beyond MaxDays
    double low = 0;             // smallest and largest value shown
    double high = 0;

    std::size_t index(int32_t column, int32_t quarter) const
    {
        return static_cast<std::size_t>(column) * QuartersPerDay +
               static_cast<std::size_t>(quarter);
    }
    bool contains(int32_t column, int32_t quarter) const
    {
        return column >= 0 && column < days && quarter >= 0 && quarter < QuartersPerDay;
    }
};
HeatMap MakeHeatMap(const Series& series);

// The load-duration curve: every value exactly as the listing stored it, the
// highest first.
std::vector<double> DurationCurve(const Series& series);

// How many values of a curve lie strictly above the capacity, and their
// share of all values in percent (0 for an empty curve).
struct CapacityShare {
    std::size_t above = 0;
    std::size_t total = 0;
    double percent = 0;
};
CapacityShare ShareAbove(const std::vector<double>& curve, double capacity);

// The bars of another period moved onto this one by `shiftDays` whole days,
// so that each value keeps its time of day. Those that then lie outside this
// period's bars (firstX..lastX) are left out, and the days of the other
// period they belong to are named.
struct AlignedBars {
    std::vector<GraphBar> bars;
    std::vector<int64_t> leftOutDays; // day numbers of the other period, ascending
};
AlignedBars AlignToPeriod(const std::vector<GraphBar>& other, int64_t shiftDays, double firstX,
                          double lastX);
// The days that move a period starting on `otherFirstDay` onto one starting
// on `firstDay`: by the calendar (day d over day d), or by whole weeks, so
// that a Monday lies over a Monday (a year: 364 or 371 days).
int64_t ComparisonShift(int64_t otherFirstDay, int64_t firstDay, bool byWeekday);
// "29.01.2024–31.01.2024, 05.02.2024": the days, runs of them as ranges.
std::string DaysText(const std::vector<int64_t>& days);

} // namespace kw
