#include "graph/GraphReadout.h"

#include "archive/DateTime.h"
#include "graph/SeriesExport.h"

#include <cmath>
#include <cstdio>

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
