#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kw {

class DayDivision;

// What the settings windows do to the day division record, kept free of Qt so
// that the rules can be tested without a display.

// The quarter-hour grid of the day division editor: one row per four hours,
// columns headed by "1234 1234 1234 1234", where a blank marks a separator
// column between the hours.
namespace QuarterHourGrid {

inline constexpr int Rows = 6;
inline constexpr int Columns = 19;
inline constexpr const char* Pattern = "1234 1234 1234 1234";
// Text of the separator cells.
inline constexpr const char* SeparatorText = " |";

// Number 1..16 of column 1..19 within its row; 0 for a separator column or a
// column outside the grid.
int NumberOfColumn(int column);
inline bool IsSeparator(int column)
{
    return NumberOfColumn(column) == 0;
}
// Quarter-hour 0..95 of the day for the cell in row 1..6 and column 1..19;
// -1 for a separator cell or a cell outside the grid.
int QuarterHourOfCell(int row, int column);
// "  0-3", "  4-7", " 8-11", "12-15", "16-19", "20-23" for rows 1..6.
std::string RowHeader(int row);
// The header character of column 1..19.
char ColumnHeader(int column);

} // namespace QuarterHourGrid

// The group table's letters for output options: "n" count, "P" average,
// "M" maximum, "S" sum, in that order ("nPMS" for all four).
std::string OutputLetters(uint16_t options);

// A rectangle of selected cells, in the grid's own row and column numbers.
struct CellRange {
    int top = 0;
    int left = 0;
    int bottom = -1;
    int right = -1;

    bool empty() const { return bottom < top || right < left; }
};

// "< Zapiš" of the group table: for every group in the rows of `selection`,
// column 1 takes `name` (cut to 32 characters as stored) and column 2 the
// output options. Rows outside 1..16 and other columns are skipped.
void WriteGroupRows(DayDivision& division, const CellRange& selection, const std::string& name,
                    uint16_t outputOptions);

using QuarterHourSet = std::array<bool, 96>;
QuarterHourSet GroupQuarterHours(const DayDivision& division, int32_t group);
// Replaces the whole quarter-hour set of the group.
void SetGroupQuarterHours(DayDivision& division, int32_t group, const QuarterHourSet& members);

// The day start of the listing parameters: track bar positions -47..48, each a
// quarter-hour; the record holds seconds.
inline constexpr int DayStartMinPosition = -47;
inline constexpr int DayStartMaxPosition = 48;
inline constexpr int32_t SecondsPerPosition = 900;
// The track bar position for an offset read from the record: rounded toward
// zero and kept inside the track bar's range.
int DayStartPosition(int32_t offsetSeconds);

struct DayStartTime {
    int32_t secondOfDay = 0; // 0 .. 86399
    bool previousDay = false;
};
// The clock time at which a day starting at track bar position `position`
// begins; negative positions begin on the previous day.
DayStartTime DayStartOfPosition(int position);

} // namespace kw
