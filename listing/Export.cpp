#include "listing/Export.h"

#include "archive/ArchiveDescription.h"
#include "archive/DateTime.h"
#include "listing/Engine.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kw {

namespace {

constexpr double SecondsPerDay = 86400;

// A graph x as whole seconds since the epoch of the day numbers: the bars
// carry their stamps as fractions of a day, which round trips to the second.
long double SecondsOf(double x)
{
    return std::llround(static_cast<long double>(x) * SecondsPerDay);
}

double Rounded(double value)
{
    const double r = std::round(value * 10000.0) / 10000.0;
    return r == 0 ? 0.0 : r; // no "-0"
}

std::string TwoDigits(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

} // namespace

std::string IsoTime(double x)
{
    const DateTimeParts p = SecondsToDateTime(SecondsOf(x));
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second);
    return text;
}

std::string IsoDate(int64_t day)
{
    const DateTimeParts p = SecondsToDateTime(static_cast<long double>(day) * SecondsPerDay);
    return std::to_string(p.year) + "-" + TwoDigits(p.month) + "-" + TwoDigits(p.day);
}

std::string ExportNumber(double value, char decimalPoint)
{
    // to_chars ignores the locale: a Czech desktop must not get "12,3" here.
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, Rounded(value), std::chars_format::fixed, 4);
    std::string out(text, result.ptr);
    const auto point = out.find('.');
    if (point != std::string::npos) {
        while (out.back() == '0')
            out.pop_back();
        if (out.back() == '.')
            out.pop_back();
        else
            out[point] = decimalPoint;
    }
    return out;
}

std::string SeriesCsv(const std::vector<GraphBar>& bars, CsvStyle style)
{
    const bool excel = style == CsvStyle::Excel;
    const char separator = excel ? ';' : ',';
    const char* const lineEnd = excel ? "\r\n" : "\n";
    std::string csv;
    csv.reserve(40 + bars.size() * 30);
    if (excel)
        csv += "\xEF\xBB\xBF";
    csv += "time";
    csv += separator;
    csv += "value";
    csv += lineEnd;
    // Neither an instant nor a number holds a separator, a quote or a line
    // break, so no field needs quoting.
    for (const GraphBar& bar : bars) {
        csv += IsoTime(bar.x);
        csv += separator;
        csv += ExportNumber(bar.y, excel ? ',' : '.');
        csv += lineEnd;
    }
    return csv;
}

std::vector<DaySummary> SummariseDays(const std::vector<GraphBar>& bars, int32_t dayStartOffset)
{
    std::vector<DaySummary> days;
    double sum = 0;
    for (const GraphBar& bar : bars) {
        // Stamps after the day start + 450 s, up to one day later, belong to
        // the day: its first quarter-hour ends at the start + 900 s.
        const long double t = SecondsOf(bar.x) - dayStartOffset - 451;
        const auto day = static_cast<int64_t>(std::floor(t / SecondsPerDay));
        if (days.empty() || days.back().day != day) {
            if (!days.empty())
                days.back().average = sum / days.back().count;
            days.push_back({day, 0, 0, bar.y, bar.x});
            sum = 0;
        }
        DaySummary& d = days.back();
        ++d.count;
        sum += bar.y;
        if (bar.y > d.maximum) {
            d.maximum = bar.y;
            d.maximumX = bar.x;
        }
    }
    if (!days.empty())
        days.back().average = sum / days.back().count;
    return days;
}

ListingFacts FactsOf(const Engine& engine)
{
    ListingFacts facts;
    facts.device = engine.Location.DeviceNo;
    facts.block = engine.description.CurrentBlock;
    if (const BlockDescription* block = engine.description.currentBlock()) {
        facts.blockName = block->Description;
        facts.unit = engine.settings.ConvertValues ? block->Unit : std::string("imp");
    }
    facts.command = engine.listing.EditVypis;
    facts.firstDay = engine.listing.FirstDayListed;
    facts.lastDay = engine.listing.LastDayListed;
    facts.dayStartOffset = engine.division.DayStartOffset();
    return facts;
}

std::string ListingJson(const std::vector<GraphBar>& bars, const ListingFacts& facts)
{
    using Json = nlohmann::ordered_json;
    const std::vector<DaySummary> days = SummariseDays(bars, facts.dayStartOffset);

    Json series = Json::array();
    for (const GraphBar& bar : bars)
        series.push_back({{"time", IsoTime(bar.x)}, {"value", Rounded(bar.y)}});
    Json dayList = Json::array();
    for (const DaySummary& d : days)
        dayList.push_back(
            {{"date", IsoDate(d.day)},
             {"count", d.count},
             {"average", Rounded(d.average)},
             {"max", {{"value", Rounded(d.maximum)}, {"time", IsoTime(d.maximumX)}}}});

    const auto date = [](int64_t day) { return day < 0 ? Json(nullptr) : Json(IsoDate(day)); };
    Json period = {
        {"first", date(facts.firstDay)}, {"last", date(facts.lastDay)}, {"command", facts.command}};
    const Json root = {
        {"device", facts.device}, {"block", facts.block}, {"block_name", facts.blockName},
        {"unit", facts.unit},     {"period", period},     {"series", series},
        {"days", dayList}};
    // Texts that are not UTF-8 are replaced, never a reason to fail.
    return root.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace kw
