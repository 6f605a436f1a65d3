#include "graph/LoadAnalysis.h"

#include "archive/DateTime.h"
#include "archive/NumberFormat.h"
#include "graph/SeriesExport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

namespace kw {

namespace {

constexpr int64_t SecondsPerDay = 86400;
constexpr int64_t SecondsPerQuarter = 900;

int64_t FloorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t WholeSeconds(double x)
{
    return static_cast<int64_t>(StampSeconds(x));
}

std::string DateText(const DateTimeParts& p)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", p.day, p.month, p.year);
    return text;
}

std::string WeekdayText(int64_t day)
{
    static const char* const names[] = {"po", "út", "st", "čt", "pá", "so", "ne"};
    // 30 December 1899, day 0, was a Saturday.
    return names[((day + 5) % 7 + 7) % 7];
}

} // namespace

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

std::optional<PeakBar> PeriodMaximum(const std::vector<GraphBar>& bars)
{
    std::optional<PeakBar> peak;
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const GraphBar& bar = bars[i];
        if (std::isfinite(bar.y) && (!peak || bar.y > peak->value))
            peak = PeakBar{i, bar.x, bar.y};
    }
    return peak;
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

std::optional<std::size_t> NearestBar(const std::vector<GraphBar>& bars, double x, double reach)
{
    if (bars.empty() || !std::isfinite(x))
        return std::nullopt;
    const auto after = std::lower_bound(bars.begin(), bars.end(), x,
                                        [](const GraphBar& bar, double v) { return bar.x < v; });
    auto best = after;
    if (after == bars.end() || (after != bars.begin() && x - (after - 1)->x <= after->x - x))
        best = after - 1;
    if (!(std::abs(best->x - x) <= reach))
        return std::nullopt;
    return static_cast<std::size_t>(best - bars.begin());
}

std::optional<std::size_t> HighestBarIn(const std::vector<GraphBar>& bars, double from, double to)
{
    const auto byX = [](const GraphBar& bar, double v) { return bar.x < v; };
    auto it = std::lower_bound(bars.begin(), bars.end(), from, byX);
    std::optional<std::size_t> best;
    for (; it != bars.end() && it->x < to; ++it) {
        if (std::isfinite(it->y) && (!best || it->y > bars[*best].y))
            best = static_cast<std::size_t>(it - bars.begin());
    }
    return best;
}

std::vector<GraphBar> AlignToPeriod(const std::vector<GraphBar>& other, int64_t otherFirstDay,
                                    int64_t firstDay)
{
    const double shift = static_cast<double>(firstDay - otherFirstDay);
    std::vector<GraphBar> aligned;
    aligned.reserve(other.size());
    for (const GraphBar& bar : other)
        aligned.push_back({bar.x + shift, bar.y, std::string()});
    return aligned;
}

std::string QuarterText(double x)
{
    const int64_t end = WholeSeconds(x);
    if (end % SecondsPerQuarter != 0) {
        const DateTimeParts p = SecondsToDateTime(static_cast<long double>(end));
        char time[16];
        std::snprintf(time, sizeof time, " %02d:%02d:%02d", p.hour, p.minute, p.second);
        return WeekdayText(FloorDiv(end, SecondsPerDay)) + " " + DateText(p) + time;
    }
    const int64_t start = end - SecondsPerQuarter;
    const int64_t startDay = FloorDiv(start, SecondsPerDay);
    const DateTimeParts p = SecondsToDateTime(static_cast<long double>(start));
    // The last quarter of a day ends at 24:00 of that day, not 00:00 of the next.
    const std::string until =
        FloorDiv(end, SecondsPerDay) != startDay ? std::string("24:00") : ClockText(end);
    return WeekdayText(startDay) + " " + DateText(p) + " " + ClockText(start) + "–" + until;
}

std::string ShortDate(int64_t day)
{
    const DateTimeParts p = SecondsToDateTime(static_cast<long double>(day * SecondsPerDay));
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.", p.day, p.month);
    return text;
}

std::string ClockText(int64_t seconds)
{
    const int64_t s = seconds - FloorDiv(seconds, SecondsPerDay) * SecondsPerDay;
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(s / 3600),
                  static_cast<int>(s / 60 % 60));
    return text;
}

std::string ValueText(double value)
{
    return ExportNumber(value, ',');
}

} // namespace kw
