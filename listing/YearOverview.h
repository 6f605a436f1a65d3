#pragma once

#include "graph/Graph.h"
#include "graph/SeriesExport.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kw {

class QuietListing;

// The year overview ("Roční přehled"): for a device, a block and a year, one
// row per month with data, worked out from exactly the bars the month's
// whole-month listing ("CELÝ MĚSÍC") puts into the graph.

// A power unit ends in "W", "VA" or "VAr" (kW, MW, kVA, kVAr; also the IEC
// spelling "var"): its quarter-hour values are mean powers, and a
// quarter-hour's energy is a quarter of its value, in the unit + "h". Any
// other unit (kWh, m3, impulses) already counts an amount per quarter-hour,
// and the amounts simply add up. Blanks around the unit do not count.
bool IsPowerUnit(const std::string& unit);
// "kWh" for "kW", "kVArh" for "kVAr"; any other unit as it is.
std::string EnergyUnit(const std::string& unit);

// The block choice of the overview: the listed blocks of the device's own
// description, which is what a quiet listing numbers its blocks by.
struct OverviewBlock {
    int32_t number = 0;
    std::string title;
    std::string unit;
};
std::vector<OverviewBlock> OverviewBlocks(const std::string& programPath, int32_t device);
// The block of `blocks` that the block titled `title` in any description of
// the device stands for: a switch of description files finds a block again
// by the first character of its title. 0 when none.
int32_t MatchingBlock(const std::vector<OverviewBlock>& blocks, const std::string& title);

// The whole-month listing bars of one month.
struct MonthBars {
    int32_t month = 0; // 1..12
    std::vector<GraphBar> bars;
};

// The months of `year` that have a month file and whose whole-month listing
// gives bars, listed on `quiet`. A month whose listing an error ended is left
// out and, with `failures`, named there: "2024-03: <the error>".
std::vector<MonthBars> ListYear(QuietListing& quiet, int32_t year, int32_t block,
                                std::vector<std::string>* failures = nullptr);

struct MonthOverview {
    int32_t month = 0;        // 1..12
    int32_t count = 0;        // bars
    double energy = 0;        // in the energy unit
    double average = 0;       // of the bar values
    double maximum = 0;       // the highest bar value
    double maximumX = 0;      // graph x of the first bar that reaches it
    int32_t overCapacity = 0; // bars above the reserved capacity
};

// What the overview is of.
struct YearOverviewFacts {
    int32_t device = 0;
    int32_t block = 0;
    int32_t year = 0;
    std::string unit; // the block's unit
    // Raw impulse counts instead of converted values: the unit is "imp" and
    // the energy the count of impulses; a capacity, given in the block's
    // unit, means nothing for them and is not applied.
    bool impulses = false;
    std::optional<double> capacity; // in the block's unit; none when not set
};

struct YearOverview {
    int32_t device = 0;
    int32_t block = 0;
    int32_t year = 0;
    std::string unit;               // of the values: the block's unit, or "imp"
    std::string energyUnit;         // of the energy
    std::optional<double> capacity; // as applied
    std::vector<MonthOverview> months;
};

// One month's row; no bars give a row of zeros. The energy, the average and
// the count above the capacity take each value as the exports write it, to
// four decimals.
MonthOverview SummariseMonth(int32_t month, const std::vector<GraphBar>& bars, bool powerUnit,
                             std::optional<double> capacity);
YearOverview SummariseYear(const std::vector<MonthBars>& months, const YearOverviewFacts& facts);

// "2024-03".
std::string MonthKey(int32_t year, int32_t month);

// A plain text table for the terminal, one row a month, English headings.
std::string YearOverviewText(const YearOverview& overview);
// "month,count,energy,average,max,max_time,over_capacity" and a row a month,
// in the conventions of the series CSV.
std::string YearOverviewCsv(const YearOverview& overview, CsvStyle style);
// {"device", "block", "unit", "energy_unit", "year", "months": [{"month",
// "count", "energy", "average", "max": {"value", "time"}, "over_capacity"}]}
std::string YearOverviewJson(const YearOverview& overview);

} // namespace kw
