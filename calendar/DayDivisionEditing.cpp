#include "calendar/DayDivisionEditing.h"

#include "calendar/DayDivision.h"

#include <algorithm>

namespace kw {

namespace QuarterHourGrid {

int NumberOfColumn(int column)
{
    if (column < 1 || column > Columns)
        return 0;
    // Every fifth column separates two hours.
    if (column % 5 == 0)
        return 0;
    return column - column / 5;
}

int QuarterHourOfCell(int row, int column)
{
    const int number = NumberOfColumn(column);
    if (number == 0 || row < 1 || row > Rows)
        return -1;
    return 16 * (row - 1) + (number - 1);
}

std::string RowHeader(int row)
{
    static const char* const headers[Rows] = {"  0-3", "  4-7", " 8-11", "12-15", "16-19", "20-23"};
    return row >= 1 && row <= Rows ? headers[row - 1] : std::string();
}

char ColumnHeader(int column)
{
    static_assert(sizeof("1234 1234 1234 1234") - 1 == Columns, "one character per column");
    return column >= 1 && column <= Columns ? Pattern[column - 1] : ' ';
}

} // namespace QuarterHourGrid

std::string OutputLetters(uint16_t options)
{
    std::string letters;
    if (options & DayDivision::ShowCount)
        letters += 'n';
    if (options & DayDivision::ShowAverage)
        letters += 'P';
    if (options & DayDivision::ShowMaximum)
        letters += 'M';
    if (options & DayDivision::ShowSum)
        letters += 'S';
    return letters;
}

void WriteGroupRows(DayDivision& division, const CellRange& selection, const std::string& name,
                    uint16_t outputOptions)
{
    if (selection.empty())
        return;
    const int top = std::max(selection.top, 1);
    const int bottom = std::min<int>(selection.bottom, DayDivision::NumGroups);
    for (int g = top; g <= bottom; ++g) {
        for (int column = std::max(selection.left, 1); column <= std::min(selection.right, 2);
             ++column) {
            if (column == 1)
                division.SetGroupName(g, name);
            else
                division.SetGroupOutputOptions(g, outputOptions);
        }
    }
}

QuarterHourSet GroupQuarterHours(const DayDivision& division, int32_t group)
{
    QuarterHourSet members{};
    for (int q = 0; q < DayDivision::NumQuarterHours; ++q)
        members[static_cast<std::size_t>(q)] = division.GroupHasQuarterHour(group, q);
    return members;
}

void SetGroupQuarterHours(DayDivision& division, int32_t group, const QuarterHourSet& members)
{
    for (int q = 0; q < DayDivision::NumQuarterHours; ++q)
        division.SetGroupQuarterHour(group, q, members[static_cast<std::size_t>(q)]);
}

int DayStartPosition(int32_t offsetSeconds)
{
    // C++ division already rounds toward zero.
    const int32_t position = offsetSeconds / SecondsPerPosition;
    return static_cast<int>(
        std::clamp<int32_t>(position, DayStartMinPosition, DayStartMaxPosition));
}

DayStartTime DayStartOfPosition(int position)
{
    constexpr int32_t SecondsPerDay = 86400;
    const int clamped = std::clamp(position, DayStartMinPosition, DayStartMaxPosition);
    DayStartTime time;
    time.secondOfDay = clamped * SecondsPerPosition;
    if (time.secondOfDay < 0) {
        time.secondOfDay += SecondsPerDay;
        time.previousDay = true;
    }
    return time;
}

} // namespace kw
