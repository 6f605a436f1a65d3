#include "listing/Export.h"

#include "archive/ArchiveDescription.h"
#include "archive/DateTime.h"
#include "listing/Engine.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace kw {

namespace {

constexpr double SecondsPerDay = 86400;

} // namespace

std::vector<DaySummary> SummariseDays(const std::vector<GraphBar>& bars, int32_t dayStartOffset)
{
    std::vector<DaySummary> days;
    double sum = 0;
    for (const GraphBar& bar : bars) {
        // Stamps after the day start + 450 s, up to one day later, belong to
        // the day: its first quarter-hour ends at the start + 900 s.
        const long double t = StampSeconds(bar.x) - dayStartOffset - 451;
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
    series.get_ref<Json::array_t&>().reserve(bars.size());
    for (const GraphBar& bar : bars) {
        // Built member by member: a year of bars is 35,040 of them.
        Json item = Json::object();
        item["time"] = IsoTime(bar.x);
        item["value"] = ExportValue(bar.y);
        series.push_back(std::move(item));
    }
    Json dayList = Json::array();
    for (const DaySummary& d : days)
        dayList.push_back(
            {{"date", IsoDate(d.day)},
             {"count", d.count},
             {"average", ExportValue(d.average)},
             {"max", {{"value", ExportValue(d.maximum)}, {"time", IsoTime(d.maximumX)}}}});

    const auto date = [](int64_t day) { return day < 0 ? Json(nullptr) : Json(IsoDate(day)); };
    Json period = {
        {"first", date(facts.firstDay)}, {"last", date(facts.lastDay)}, {"command", facts.command}};
    const Json root = {
        {"device", facts.device}, {"block", facts.block}, {"block_name", facts.blockName},
        {"unit", facts.unit},     {"period", period},     {"series", series},
        {"days", dayList}};
    // Texts that are not UTF-8 are replaced, never a reason to fail.
    return root.dump(1, '\t', false, Json::error_handler_t::replace) + "\n";
}

} // namespace kw
