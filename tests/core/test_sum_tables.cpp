// The sum tables where the golden listings do not reach: a group without
// columns, day sums around 100000, and unnamed output sums between named ones.
#include "calendar/DayDivision.h"
#include "listing/SumTables.h"
#include "output/Output.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

struct Lines : kw::OutputTarget {
    void appendLine(const std::string& line, int32_t) override { lines.push_back(line); }
    void clearView() override { lines.clear(); }
    bool clearBeforeListing() const override { return false; }
    std::vector<std::string> lines;
};

void Group(kw::DayDivision& d, int32_t g, const std::string& name, uint16_t options)
{
    d.SetGroupName(g, name);
    d.SetGroupOutputOptions(g, options);
}

// Group g alone holds quarter-hour q and receives `value` there.
void AddValue(kw::DayDivision& d, int32_t g, int32_t q, float value)
{
    d.SetGroupQuarterHour(g, q, true);
    d.AccumulateQuarterHour(1, 0, q, 1.0f, value);
}

struct Case {
    const char* name;
    bool period; // the period's output-sum table, else the day's heading and row
    std::function<void(kw::DayDivision&)> setup;
    std::vector<std::string> lines;
};

// The pieces of a line, one per cell, for readable expectations.
std::string Cat(std::initializer_list<std::string> pieces)
{
    std::string line;
    for (const std::string& piece : pieces)
        line += piece;
    return line;
}

const std::string kPeriodHeading = "    Součet dle skupin              ";
const std::string kColumnIndent(11, ' ');

class SumTableLayout : public testing::TestWithParam<Case> {};

TEST_P(SumTableLayout, Lines)
{
    const Case& c = GetParam();
    kw::DayDivision division;
    // As a listing starts: no value and no position yet.
    division.InitDayDivision(1);
    division.InitDayDivision(2);
    c.setup(division);

    kw::Output output;
    Lines out;
    output.setTarget(&out);
    kw::SumTables sums(division, output);
    if (c.period) {
        sums.WritePeriodSums();
    } else {
        sums.WriteDaySums(0);
        sums.WriteDaySums(1);
    }
    EXPECT_EQ(out.lines, c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, SumTableLayout,
    testing::Values(
        // W = 0: one character of the name in the heading, two blanks in the rows.
        Case{"GroupWithoutColumns",
             false,
             [](kw::DayDivision& d) {
                 Group(d, 1, "Xyz", 0);
                 Group(d, 2, "B", 8);
                 AddValue(d, 2, 0, 7.0f);
             },
             {"", Cat({"dle skupin ", "X ", "    B     "}),
              Cat({kColumnIndent, "  ", "  Součet", "  "}), Cat({"   ", "  ", "     7.0", "  "})}},
        // From 100000 on a day sum loses its decimal.
        Case{"LargeDaySumsAreWhole",
             false,
             [](kw::DayDivision& d) {
                 Group(d, 1, "A", 8);
                 Group(d, 2, "B", 8);
                 Group(d, 3, "C", 8);
                 AddValue(d, 1, 0, 100000.0f);
                 AddValue(d, 2, 1, 99999.9f);
                 AddValue(d, 3, 2, 123456.7f);
             },
             {"", Cat({"dle skupin ", "    A     ", "    B     ", "    C     "}),
              Cat({kColumnIndent, "  Součet", "  ", "  Součet", "  ", "  Součet", "  "}),
              Cat({"   ", "  100000", "  ", " 99999.9", "  ", "  123457", "  "})}},
        // Unnamed output sums between named ones leave empty lines, none after
        // the last.
        Case{"UnnamedOutputSumsLeaveGaps",
             true,
             [](kw::DayDivision& d) {
                 d.SetSumOptions(1);
                 d.SetOutputSumName(1, "Jedna");
                 d.SetOutputSumName(4, "Čtyři");
             },
             {Cat({kPeriodHeading, "      1/4h"}),
              Cat({"Jedna", std::string(30, ' '), "         0"}), "", "",
              Cat({"Čtyři", std::string(30, ' '), "         0"})}}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

} // namespace
