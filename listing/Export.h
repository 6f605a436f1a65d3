#pragma once

#include "graph/Graph.h"
#include "graph/SeriesExport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kw {

class Engine;

// The JSON of the last listing for scripts: its bars (as SeriesCsv writes
// them) and a summary of each listing day.

// One listing day of the bars.
struct DaySummary {
    int64_t day = 0; // days since 30 December 1899 of the listing day
    int32_t count = 0;
    double average = 0;
    double maximum = 0;
    double maximumX = 0; // the first bar that reaches the maximum
};

// The bars by listing day: a bar's instant is the end of its quarter-hour,
// and a listing day starts `dayStartOffset` seconds after midnight.
std::vector<DaySummary> SummariseDays(const std::vector<GraphBar>& bars, int32_t dayStartOffset);

// What the JSON export says about the listing besides its bars.
struct ListingFacts {
    int32_t device = 0;
    int32_t block = 0;
    std::string blockName;
    std::string unit;
    std::string command;   // the text of EditVypis: "MĚSÍC", "DEN 5", ...
    int64_t firstDay = -1; // the first and last day listed, day numbers; -1 none
    int64_t lastDay = -1;
    int32_t dayStartOffset = 0;
};

// The facts of the engine's last listing.
ListingFacts FactsOf(const Engine& engine);

// {"device", "block", "block_name", "unit", "period": {"first", "last",
// "command"}, "series": [{"time", "value"}], "days": [{"date", "count",
// "average", "max": {"value", "time"}}]}, as UTF-8 text.
std::string ListingJson(const std::vector<GraphBar>& bars, const ListingFacts& facts);

} // namespace kw
