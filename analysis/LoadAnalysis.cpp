#include "analysis/LoadAnalysis.h"

#include "archive/DateTime.h"
#include "archive/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

namespace kw {

HeatMap MakeHeatMap(const Series& series)
{
    HeatMap map;
    map.dayStartOffset = series.dayStartOffset;
    const std::vector<SeriesValue>& values = series.values;
    if (values.empty())
        return map;
    int64_t first = std::numeric_limits<int64_t>::max();
    int64_t last = std::numeric_limits<int64_t>::min();
    for (const SeriesValue& v : values) {
        first = std::min(first, v.day);
        last = std::max(last, v.day);
    }
    map.firstDay = first;
    map.days = static_cast<int32_t>(std::min<int64_t>(last - first + 1, HeatMap::MaxDays));
    const std::size_t cells = static_cast<std::size_t>(map.days) * QuartersPerDay;
    map.values.assign(cells, std::numeric_limits<double>::quiet_NaN());
    map.bar.assign(cells, -1);
    map.count.assign(cells, 0);

    for (std::size_t i = 0; i < values.size(); ++i) {
        const SeriesValue& v = values[i];
        const int64_t column = v.day - first;
        if (column >= map.days || v.quarter < 0 || v.quarter >= QuartersPerDay) {
            ++map.dropped;
            continue;
        }
        const std::size_t at = map.index(static_cast<int32_t>(column), v.quarter);
        if (map.count[at] < 255)
            ++map.count[at];
        if (map.bar[at] < 0 || v.shown > map.values[at]) {
            map.values[at] = v.shown;
            map.bar[at] = static_cast<int32_t>(i);
        }
    }

    bool any = false;
    for (std::size_t at = 0; at < cells; ++at) {
        if (map.bar[at] < 0)
            continue;
        const double v = map.values[at];
        map.low = any ? std::min(map.low, v) : v;
        map.high = any ? std::max(map.high, v) : v;
        any = true;
    }
    return map;
}

std::vector<double> DurationCurve(const Series& series)
{
    std::vector<double> curve;
    curve.reserve(series.values.size());
    // Each value exactly as the listing stored it, as the year overview
    // counts it against a capacity.
    for (const SeriesValue& v : series.values)
        curve.push_back(ExactValue(v.shown));
    std::sort(curve.begin(), curve.end(), std::greater<double>());
    return curve;
}

CapacityShare ShareAbove(const std::vector<double>& curve, double capacity)
{
    CapacityShare share;
    share.total = curve.size();
    const auto end = std::partition_point(curve.begin(), curve.end(),
                                          [capacity](double v) { return v > capacity; });
    share.above = static_cast<std::size_t>(end - curve.begin());
    if (share.total > 0)
        share.percent = 100.0 * static_cast<double>(share.above) / static_cast<double>(share.total);
    return share;
}

AlignedBars AlignToPeriod(const std::vector<GraphBar>& other, int64_t shiftDays, double firstX,
                          double lastX)
{
    // Half a quarter-hour of slack: the stamps are fractions of a day.
    constexpr double Slack = 1.0 / 192;
    const auto shift = static_cast<double>(shiftDays);
    AlignedBars aligned;
    aligned.bars.reserve(other.size());
    for (const GraphBar& bar : other) {
        const double x = bar.x + shift;
        if (x >= firstX - Slack && x <= lastX + Slack) {
            aligned.bars.push_back({x, bar.y, std::string()});
            continue;
        }
        // The day the quarter-hour lies in (its stamp is its end).
        const auto day = static_cast<int64_t>(std::floor(bar.x - Slack));
        if (aligned.leftOutDays.empty() || aligned.leftOutDays.back() != day)
            aligned.leftOutDays.push_back(day);
    }
    std::sort(aligned.leftOutDays.begin(), aligned.leftOutDays.end());
    aligned.leftOutDays.erase(std::unique(aligned.leftOutDays.begin(), aligned.leftOutDays.end()),
                              aligned.leftOutDays.end());
    return aligned;
}

int64_t ComparisonShift(int64_t otherFirstDay, int64_t firstDay, bool byWeekday)
{
    const int64_t calendar = firstDay - otherFirstDay;
    if (!byWeekday)
        return calendar;
    // The nearest whole number of weeks.
    const int64_t weeks = (calendar >= 0 ? calendar + 3 : calendar - 3) / 7;
    return weeks * 7;
}

std::string DaysText(const std::vector<int64_t>& days)
{
    const auto date = [](int64_t day) {
        const DateTimeParts p = SecondsToDateTime(static_cast<long double>(day) * 86400);
        char text[16];
        std::snprintf(text, sizeof text, "%02d.%02d.%04d", p.day, p.month, p.year);
        return std::string(text);
    };
    std::string text;
    for (std::size_t i = 0; i < days.size();) {
        std::size_t end = i;
        while (end + 1 < days.size() && days[end + 1] == days[end] + 1)
            ++end;
        if (!text.empty())
            text += ", ";
        text += date(days[i]);
        if (end > i)
            text += "–" + date(days[end]);
        i = end + 1;
    }
    return text;
}

} // namespace kw
