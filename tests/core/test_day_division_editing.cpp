#include "calendar/DayDivisionEditing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>

namespace {

namespace grid = kw::QuarterHourGrid;

TEST(QuarterHourGrid, CellsMapToClockQuarterHours)
{
    struct Case {
        int row, column, quarterHour;
    };
    const Case cases[] = {
        {1, 1, 0},   // 00:00-00:15
        {1, 4, 3},   // 00:45-01:00
        {1, 5, -1},  // separator
        {1, 6, 4},   // 01:00
        {2, 1, 16},  // "  4-7" under the first block: 04:00 ...
        {2, 4, 19},  // ... to 05:00
        {2, 10, -1}, // separator
        {3, 11, 40}, // 10:00
        {6, 16, 92}, // 23:00
        {6, 19, 95}, // 23:45-24:00
        {0, 1, -1},  {7, 1, -1}, {1, 0, -1}, {1, 20, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(grid::QuarterHourOfCell(c.row, c.column), c.quarterHour)
            << "row " << c.row << " column " << c.column;
}

TEST(QuarterHourGrid, EveryQuarterHourHasExactlyOneCellAndHeadersFollowThePattern)
{
    std::set<int> seen;
    int cells = 0;
    for (int r = 1; r <= grid::Rows; ++r) {
        for (int j = 1; j <= grid::Columns; ++j) {
            const int q = grid::QuarterHourOfCell(r, j);
            // A separator is exactly a blank in the header pattern.
            EXPECT_EQ(q < 0, grid::ColumnHeader(j) == ' ') << j;
            if (q < 0)
                continue;
            ++cells;
            seen.insert(q);
            // The header digit is the quarter within the hour.
            EXPECT_EQ(grid::ColumnHeader(j) - '0', q % 4 + 1) << j;
            EXPECT_EQ(q / 16 + 1, r);
        }
    }
    EXPECT_EQ(cells, 96);
    EXPECT_EQ(seen.size(), 96u);
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), 95);
    EXPECT_EQ(grid::RowHeader(1), "  0-3");
    EXPECT_EQ(grid::RowHeader(3), " 8-11");
    EXPECT_EQ(grid::RowHeader(6), "20-23");
    EXPECT_EQ(grid::RowHeader(7), "");
}

TEST(DayDivisionEditing, OutputLetters)
{
    const std::pair<uint16_t, const char*> cases[] = {
        {0, ""},
        {1, "n"},
        {2, "P"},
        {4, "M"},
        {8, "S"},
        {15, "nPMS"},
        {9, "nS"},
        {6, "PM"},
        // Bits the editor never sets are not shown.
        {0xFFF0, ""},
    };
    for (const auto& [options, letters] : cases)
        EXPECT_EQ(kw::OutputLetters(options), letters) << options;
}

TEST(DayDivisionEditing, DayStartPositionFromOffset)
{
    const std::pair<int32_t, int> cases[] = {
        {0, 0},        {900, 1},        {1000, 1},        {1799, 1},     {-900, -1},
        {-1000, -1},   {-899, 0},       {43200, 48},      {-42300, -47}, {50000, 48},
        {-90000, -47}, {INT32_MAX, 48}, {INT32_MIN, -47},
    };
    for (const auto& [offset, position] : cases)
        EXPECT_EQ(kw::DayStartPosition(offset), position) << offset;
}

} // namespace
