#pragma once

#include "export/Formats.h"
#include "export/Table.h"
#include "graph/Graph.h"
#include "graph/Series.h"
#include "graph/SeriesExport.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kw {

class DayArchive;
class QuietListing;

// The year overview ("Roční přehled"): for a device, a block and a year, one
// row per month, worked out from the series of the calendar month.

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

// The series of one calendar month: the values of its whole-month listing
// with the day starting at midnight, whatever the day start offset of the
// listings, so that it holds every quarter-hour stamped in the month, as an
// invoice does; read straight from the month file.
struct MonthSeries {
    int32_t month = 0; // 1..12
    bool hasFile = false;
    Series series;
};

// One month of `year`, read on `quiet` when `withFiles` (the months of
// MonthsWithFiles) holds it.
MonthSeries ListMonth(QuietListing& quiet, int32_t year, int32_t month, int32_t block,
                      const std::vector<int32_t>& withFiles);
// Name, size, time of change and file number of a file, ";" when there is
// none: a file written, copied over (even of the same size) or removed has
// another.
std::string FileSignature(const std::string& path);
// The same of the month files of `year` of the archive folder, so that a
// window notices when what it listed is no longer there.
std::string MonthFilesSignature(const std::string& programPath, const DayArchive& archive,
                                int32_t year);
// Every month of `year`, read on `quiet`.
std::vector<MonthSeries> ListYear(QuietListing& quiet, int32_t year, int32_t block);

enum class MonthState {
    NoFile,
    Data,       // read whole; it may still lack quarter-hours (unfinished, a gap)
    Partly,     // some days could not be read, or the block was not found in them
    Unreadable, // nothing of the block could be read
};

struct MonthOverview {
    int32_t month = 0; // 1..12
    MonthState state = MonthState::NoFile;
    std::string reason;       // why not read whole, in Czech
    int32_t count = 0;        // quarter-hours present
    int32_t expected = 0;     // quarter-hours the calendar has
    double energy = 0;        // the listing's "Celkem", in the energy unit
    double average = 0;       // of the shown values
    double maximum = 0;       // the highest shown value
    double maximumX = 0;      // graph x of the first value that reaches it
    std::string maximumTime;  // its end with the UTC offset; empty without values
    int32_t overCapacity = 0; // values above the reserved capacity, compared exactly
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
    std::string blockName;
    int32_t year = 0;
    std::string unit;                  // of the values: the block's unit, or "imp"
    std::string energyUnit;            // of the energy
    std::optional<double> capacity;    // as applied
    std::vector<MonthOverview> months; // all twelve
};

MonthOverview SummariseMonth(int32_t year, const MonthSeries& month,
                             std::optional<double> capacity);
YearOverview SummariseYear(const std::vector<MonthSeries>& months, const YearOverviewFacts& facts);
// "2024-03: <why>" for each month with a file that could not be read whole.
std::vector<std::string> YearFailures(const YearOverview& overview);
// The months that have values.
int32_t MonthsWithData(const YearOverview& overview);

// "2024-03".
std::string MonthKey(int32_t year, int32_t month);

// A plain text table for the terminal, one row a month, English headings.
std::string YearOverviewText(const YearOverview& overview);
// The table of the plain CSV: "month,state,count,expected,energy,average,max,
// max_time,capacity,over_capacity,reason" and a row a month, in the
// conventions of the series CSV.
Sheet YearCsvSheet(const YearOverview& overview);
// "Přehled": a row a month with Czech headings and units, a column chart of
// the energy and a line chart of the maximum against the capacity.
Sheet YearSummarySheet(const YearOverview& overview);
// {"device", "block", "block_name", "unit", "energy_unit", "year", "capacity",
// "months": [{"month", "state", "reason", "count", "expected", "energy",
// "average", "max": {"value", "time"}, "over_capacity"}]}
std::string YearOverviewJson(const YearOverview& overview);
// The workbook of a year: "Přehled", a sheet of the quarter-hour values of
// each month with data, and "Parametry".
Workbook YearWorkbook(const YearOverview& overview, const std::vector<MonthSeries>& months,
                      const std::vector<std::pair<std::string, std::string>>& parameters);
// The exports of a year; overview and months must outlive it.
ExportSource YearExportSource(const YearOverview& overview, const std::vector<MonthSeries>& months,
                              const std::vector<std::pair<std::string, std::string>>& parameters);

} // namespace kw
