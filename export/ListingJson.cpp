#include "export/ListingJson.h"

#include "archive/DateTime.h"
#include "graph/Series.h"
#include "graph/SeriesExport.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace kw {

std::string ListingJson(const Series& series, const ListingFacts& facts)
{
    using Json = nlohmann::ordered_json;
    Json values = Json::array();
    values.get_ref<Json::array_t&>().reserve(series.values.size());
    for (const SeriesValue& v : series.values) {
        // Built member by member: a year of values is 35,040 of them.
        Json item = Json::object();
        item["time"] = series.Instant(v);
        item["value"] = ExportValue(v.shown);
        values.push_back(std::move(item));
    }
    Json dayList = Json::array();
    std::size_t next = 0; // the first value of the day
    for (const SeriesDay& d : series.days) {
        Json day = {{"date", IsoDate(d.day)},
                    {"state", d.state == DayState::Listed          ? "listed"
                              : d.state == DayState::BlockNotFound ? "block_not_found"
                                                                   : "missing"},
                    {"count", d.present},
                    {"expected", d.expected},
                    {"average", nullptr},
                    {"max", nullptr}};
        if (d.present > 0) {
            long double sum = 0;
            const SeriesValue* top = nullptr;
            for (std::size_t i = next; i < next + static_cast<std::size_t>(d.present); ++i) {
                const SeriesValue& v = series.values[i];
                sum += ExportValue(v.shown);
                if (!top || v.shown > top->shown)
                    top = &v;
            }
            day["average"] = ExportValue(static_cast<double>(sum / d.present));
            day["max"] = {{"value", ExportValue(top->shown)}, {"time", series.Instant(*top)}};
        }
        next += static_cast<std::size_t>(d.present);
        dayList.push_back(std::move(day));
    }

    const auto date = [](int64_t day) { return day < 0 ? Json(nullptr) : Json(IsoDate(day)); };
    Json period = {
        {"first", date(facts.firstDay)}, {"last", date(facts.lastDay)}, {"command", facts.command}};
    const Json root = {
        {"device", facts.device},
        {"block", facts.block},
        {"block_name", facts.blockName},
        {"unit", facts.unit},
        {"period", period},
        // Each time is the end of its quarter-hour, with the
        // offset of the controller's clock.
        {"time_marks", "end"},
        {"clock", series.clock == ClockRule::SummerTime ? "summer_time" : "standard_time"},
        {"count", series.present()},
        {"expected", series.expected()},
        {"series", values},
        {"days", dayList}};
    // Texts that are not UTF-8 are replaced, never a reason to fail.
    return root.dump(1, '\t', false, Json::error_handler_t::replace) + "\n";
}

} // namespace kw
