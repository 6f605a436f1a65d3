#pragma once

#include "graph/Graph.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kw {

class Engine;

// The quarter-hour values of the last listing, for spreadsheets and scripts:
// exactly the bars the graph holds, in the graph's order, with their instants
// and values written the same way everywhere.

// The instant of a graph x (days since 30 December 1899) in ISO 8601 local
// time, to the second: "2024-03-05T00:15:00".
std::string IsoTime(double x);
// "2024-03-05" of a day number (days since 30 December 1899).
std::string IsoDate(int64_t day);
// A value with at most four decimals, no thousands separator and no trailing
// zeros, whatever the desktop's locale: "12.3", "-0.1255" rounds to "-0.1255".
std::string ExportNumber(double value, char decimalPoint = '.');

enum class CsvStyle {
    Standard, // RFC 4180: comma, decimal point, LF
    Excel,    // the Czech spreadsheet: semicolon, decimal comma, CR LF, byte order mark
};

// "time,value" and one row per bar.
std::string SeriesCsv(const std::vector<GraphBar>& bars, CsvStyle style);

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
