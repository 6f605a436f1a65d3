#pragma once

#include "graph/Graph.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kw {

// The readouts of the charts: the period's maximum, the bar under the mouse
// and the texts of times and values.

// The first bar that reaches the period's highest value; none without a
// finite value.
struct PeakBar {
    std::size_t index = 0;
    double x = 0;
    double value = 0;
};
std::optional<PeakBar> PeriodMaximum(const std::vector<GraphBar>& bars);

// The bar nearest to x, when it lies within `reach` of it: the readout of the
// bar under the mouse. A binary search, so a year of bars answers at once.
std::optional<std::size_t> NearestBar(const std::vector<GraphBar>& bars, double x, double reach);
// The highest bar with x in [from, to), the first of equals: what a pixel
// column of a chart showing many bars per pixel draws as its top. Only the
// bars inside the range are visited.
std::optional<std::size_t> HighestBarIn(const std::vector<GraphBar>& bars, double from, double to);

// "út 12.03.2024 10:00–10:15": the quarter-hour a bar closes, with its
// weekday; a stamp off the quarter-hour grid is written as it is,
// "út 12.03.2024 10:13:30".
std::string QuarterText(double x);
// "12.03." of a day number.
std::string ShortDate(int64_t day);
// "HH:MM" of a number of seconds after midnight, taken modulo a day.
std::string ClockText(int64_t seconds);
// A value as the readouts write it: at most four decimals, decimal comma.
std::string ValueText(double value);

} // namespace kw
