#pragma once

#include <cstdint>
#include <string>

namespace kw {

class DayDivision;
class Output;

// The text tables of the accumulated sums: the groups after a day and the
// output sums after a period.
class SumTables {
public:
    SumTables(const DayDivision& division, Output& output);

    // Part 0: the two header lines of the day table; part 1: the day's values
    // on the pending line, completed.
    void WriteDaySums(int32_t part);
    void WritePeriodSums();

    // `x` with `decimals` decimals right-aligned in `width` characters.
    void WriteFixed(int32_t width, int32_t decimals, double x);

private:
    const DayDivision& m_division;
    Output& m_out;
};

// The header cell of a group: the name centred in width + 1 characters, then
// a blank.
std::string GroupHeaderCell(const std::string& name, int32_t width);

} // namespace kw
