#include "graph/Graph.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

// 1 January 2001 00:00 in days since 30 December 1899.
constexpr double kJan1 = 36892;

// The x of a time stamp as the listing makes it: whole seconds / 86400.
double At(double day, int hour, int minute, int second = 0)
{
    const long long seconds =
        static_cast<long long>(day) * 86400 + hour * 3600 + minute * 60 + second;
    return static_cast<double>(seconds) / 86400.0;
}

std::vector<double> Xs(const kw::Graph& g)
{
    std::vector<double> xs;
    for (const auto& b : g.bars())
        xs.push_back(b.x);
    return xs;
}

std::vector<std::string> Labels(const kw::Graph& g)
{
    std::vector<std::string> labels;
    for (const auto& b : g.bars())
        labels.push_back(b.label);
    return labels;
}

struct StepCase {
    double first;
    double range; // days from first to last
    double width;
    int32_t step;
};

class GraphLabelStep : public testing::TestWithParam<StepCase> {};

TEST_P(GraphLabelStep, MapsRangeAndWidthToStep)
{
    const StepCase& c = GetParam();
    EXPECT_EQ(kw::LabelStepFor(c.first, c.first + c.range, c.width), c.step)
        << "range " << c.range << " width " << c.width;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(DesignWidth, GraphLabelStep,
                         testing::Values(StepCase{kJan1, 0, 645, 1},   // a single bar
                                         StepCase{kJan1, 1, 645, 1},   // s = 1
                                         StepCase{kJan1, 2, 645, 2},   // s = 2
                                         StepCase{kJan1, 3, 645, 2},   // s = 2
                                         StepCase{kJan1, 4, 645, 4},   // s = 3
                                         StepCase{kJan1, 6, 645, 4},   // s = 4
                                         StepCase{kJan1, 7, 645, 12},  // s = 5
                                         StepCase{kJan1, 19, 645, 12}, // s = 12
                                         StepCase{kJan1, 20, 645, 24}, // s = 13
                                         StepCase{kJan1, 31, 645, 24}, // s = 20
                                         StepCase{kJan1, 38, 645, 24}, // s = 24
                                         StepCase{kJan1, 39, 645, 48}, // s = 25
                                         StepCase{kJan1, 366, 645, 48}));

// Width 400 makes s = trunc(days) + 1, so the boundaries show the truncation.
INSTANTIATE_TEST_SUITE_P(Boundaries, GraphLabelStep,
                         testing::Values(StepCase{0, 0.999, 400, 1}, StepCase{0, 1, 400, 2},
                                         StepCase{0, 1.999, 400, 2}, StepCase{0, 2, 400, 4},
                                         StepCase{0, 3.999, 400, 4}, StepCase{0, 4, 400, 12},
                                         StepCase{0, 11.999, 400, 12}, StepCase{0, 12, 400, 24},
                                         StepCase{0, 23.999, 400, 24}, StepCase{0, 24, 400, 48}));

// Nothing here may reach an undefined conversion; all of them are "other" s.
INSTANTIATE_TEST_SUITE_P(
    Degenerate, GraphLabelStep,
    testing::Values(StepCase{kJan1, 1, 0, 48}, StepCase{kJan1, 0, 0, 48},
                    StepCase{kJan1, 1, -645, 48}, StepCase{kJan1, 1, kNaN, 48},
                    StepCase{kJan1, 1, kInf, 48}, StepCase{kJan1, kNaN, 645, 48},
                    StepCase{kJan1, kInf, 645, 48}, StepCase{-1e308, 1e308, 645, 48},
                    StepCase{kJan1, 1e300, 645, 48},
                    // last before first: s below 1, or 1 for less than
                    // one step back (trunc toward zero)
                    StepCase{kJan1, -2, 645, 48}, StepCase{kJan1, -1, 645, 1}));

// A listing day of quarter-hours: the stamps mark the end of each quarter, so
// 1 January 2001 runs from 00:15 to 2 January 00:00.
kw::Graph DayOfQuarterHours()
{
    kw::Graph g;
    for (int k = 1; k <= 96; ++k)
        g.AddGraphBar(At(kJan1, 0, 15 * k), k);
    return g;
}

struct DayLabelCase {
    double range; // axis range in days at width 645, chosen for the step
    int32_t step;
    std::map<int, std::string> labelled; // every other bar has an empty label
};

class GraphDayLabels : public testing::TestWithParam<DayLabelCase> {};

TEST_P(GraphDayLabels, MarksFirstBarsOfHoursAndDays)
{
    const DayLabelCase& c = GetParam();
    kw::Graph g = DayOfQuarterHours();
    ASSERT_TRUE(kw::Relabel(g, kJan1, kJan1 + c.range, 645));
    EXPECT_EQ(g.LabelStep, c.step);
    std::vector<std::string> expected(96);
    for (const auto& [index, label] : c.labelled)
        expected[index] = label;
    EXPECT_EQ(Labels(g), expected);
}

// Bar index 4h - 1 is h:00, the first bar of hour h; bar 0 is 1 January 00:15
// and bar 95 is 2 January 00:00.
INSTANTIATE_TEST_SUITE_P(
    Steps, GraphDayLabels,
    testing::Values(
        DayLabelCase{1, 1, {{0, "[1]"}, {3, "1"},   {7, "2"},   {11, "3"},  {15, "4"},
                            {19, "5"},  {23, "6"},  {27, "7"},  {31, "8"},  {35, "9"},
                            {39, "10"}, {43, "11"}, {47, "12"}, {51, "13"}, {55, "14"},
                            {59, "15"}, {63, "16"}, {67, "17"}, {71, "18"}, {75, "19"},
                            {79, "20"}, {83, "21"}, {87, "22"}, {91, "23"}, {95, "[2]"}}},
        DayLabelCase{2,
                     2,
                     {{0, "[1]"},
                      {7, "2"},
                      {15, "4"},
                      {23, "6"},
                      {31, "8"},
                      {39, "10"},
                      {47, "12"},
                      {55, "14"},
                      {63, "16"},
                      {71, "18"},
                      {79, "20"},
                      {87, "22"},
                      {95, "[2]"}}},
        DayLabelCase{
            5, 4, {{0, "1"}, {15, "."}, {31, "."}, {47, "."}, {63, "."}, {79, "."}, {95, "2"}}},
        DayLabelCase{10, 12, {{0, "1"}, {47, "."}, {95, "2"}}},
        DayLabelCase{30, 24, {{0, "1"}, {95, "2"}}},
        // Day 1 is odd: no day label, so the first bar keeps its single space.
        DayLabelCase{50, 48, {{0, " "}, {95, "2"}}}));

struct SingleBarCase {
    const char* name;
    double x;
    std::string label;
};

class GraphSingleBar : public testing::TestWithParam<SingleBarCase> {};

TEST_P(GraphSingleBar, LabelFollowsItsHour)
{
    kw::Graph g;
    g.AddGraphBar(GetParam().x, 1);
    EXPECT_TRUE(g.RelabelGraph());
    EXPECT_EQ(g.LabelStep, 1);
    EXPECT_EQ(Labels(g), std::vector<std::string>{GetParam().label});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GraphSingleBar,
    testing::Values(SingleBarCase{"Hour0", At(kJan1 + 13, 0, 0), "[14]"},
                    SingleBarCase{"Hour0Quarter", At(kJan1 + 30, 0, 45), "[31]"},
                    SingleBarCase{"Hour5", At(kJan1, 5, 30), "5"},
                    // The previous hour starts at 23, so hour 23 is no change.
                    SingleBarCase{"Hour23", At(kJan1, 23, 0), " "},
                    // Within a second below 05:00 in binary still is 05:00.
                    SingleBarCase{"HairBelowHour", kJan1 + 5.0 / 24 - 1e-9, "5"},
                    SingleBarCase{"HairBelowMidnight", kJan1 + 1 - 1e-9, "[2]"},
                    SingleBarCase{"SecondBeforeHour", At(kJan1, 4, 59, 59), "4"},
                    // 29 February 2000, a leap day of the real calendar.
                    SingleBarCase{"LeapDay", At(36585, 0, 0), "[29]"}),
    [](const testing::TestParamInfo<SingleBarCase>& info) { return info.param.name; });

TEST(GraphRelabel, OnlyWhenStepChanges)
{
    kw::Graph g = DayOfQuarterHours();
    ASSERT_TRUE(kw::Relabel(g, kJan1, kJan1 + 1, 645));
    const std::vector<std::string> step1 = Labels(g);

    // A bar added afterwards keeps its four spaces while the step stays.
    g.AddGraphBar(At(kJan1 + 1, 0, 15), 1);
    EXPECT_FALSE(kw::Relabel(g, kJan1, kJan1 + 1.2, 645));
    EXPECT_EQ(g.bars().back().label, "    ");
    EXPECT_FALSE(kw::Relabel(g, kJan1, kJan1 + 1, 645));
    EXPECT_EQ(g.bars().back().label, "    ");

    // Another step remakes every label.
    EXPECT_TRUE(kw::Relabel(g, kJan1, kJan1 + 2, 645));
    EXPECT_EQ(g.LabelStep, 2);
    EXPECT_EQ(g.bars().back().label, "");
    EXPECT_NE(Labels(g), step1);

    // Back to step 1, the labels are those of the first run again.
    EXPECT_TRUE(kw::Relabel(g, kJan1, kJan1 + 1, 645));
    std::vector<std::string> again = Labels(g);
    again.pop_back();
    EXPECT_EQ(again, step1);

    // LabelStep 0 forces a remake at the same range.
    g.LabelStep = 0;
    EXPECT_TRUE(kw::Relabel(g, kJan1, kJan1 + 1, 645));
}

TEST(GraphRelabel, NoBarsNothingToLabel)
{
    kw::Graph g;
    std::vector<kw::GraphChange> changes;
    g.setChangeHandler([&](kw::GraphChange c) { changes.push_back(c); });
    EXPECT_FALSE(kw::Relabel(g, 0, 1, 645));
    EXPECT_FALSE(g.RelabelGraph());
    EXPECT_EQ(g.LabelStep, 0);
    EXPECT_FALSE(g.enabled());
    // The window still hears of it, to disable the chart.
    EXPECT_EQ(changes, std::vector<kw::GraphChange>{kw::GraphChange::Relabelled});
}

TEST(GraphRelabel, RelabelGraphUsesBarRangeAndChartWidth)
{
    kw::Graph g;
    g.AddGraphBar(At(kJan1 + 4, 0, 0), 1);
    g.AddGraphBar(At(kJan1, 0, 0), 1);
    g.AddGraphBar(At(kJan1 + 2, 12, 0), 1);
    EXPECT_TRUE(g.RelabelGraph()); // 4 days at 645: s = 3
    EXPECT_EQ(g.LabelStep, 4);
    EXPECT_EQ(Labels(g), (std::vector<std::string>{"1", ".", "5"}));

    g.chartWidth = 2000; // 4 days: s = 1
    EXPECT_TRUE(g.RelabelGraph());
    EXPECT_EQ(g.LabelStep, 1);
    EXPECT_EQ(Labels(g), (std::vector<std::string>{"[1]", "12", "[5]"}));
    EXPECT_TRUE(g.enabled());
}

TEST(Graph, BarsStayInAscendingX)
{
    kw::Graph g;
    const double xs[] = {3, 1, 2, 5, 2, 4, 0.5};
    double y = 0;
    for (double x : xs)
        g.AddGraphBar(x, y++);
    g.AddGraphBar(kNaN, 99);
    g.AddGraphBar(kInf, 99);
    EXPECT_EQ(Xs(g), (std::vector<double>{0.5, 1, 2, 2, 3, 4, 5}));
    // Bars of equal x keep the order they came in.
    EXPECT_EQ(g.bars()[2].y, 2);
    EXPECT_EQ(g.bars()[3].y, 4);
    for (const auto& b : g.bars())
        EXPECT_EQ(b.label, "    ");
}

TEST(Graph, TitleClearKeepsAxesClearResetsThem)
{
    kw::Graph g;
    EXPECT_EQ(g.title(), "-------------------------Spotřeba energie-------------------------");
    EXPECT_EQ(g.valueAxisTitle(), "Spotřeba energie [kw]                            ");
    std::vector<kw::GraphChange> changes;
    g.setChangeHandler([&](kw::GraphChange c) { changes.push_back(c); });

    g.AddGraphBar(kJan1, 1);
    g.AddGraphBar(kJan1 + 0.5, 2);
    g.RelabelGraph();
    ASSERT_EQ(g.LabelStep, 1);

    g.SetGraphTitle("LEDEN 2001 - Činný odběr - MĚSÍC", "kWh");
    EXPECT_TRUE(g.bars().empty());
    EXPECT_EQ(g.LabelStep, 1);
    EXPECT_EQ(g.title(), "LEDEN 2001 - Činný odběr - MĚSÍC");
    EXPECT_EQ(g.valueAxisTitle(), "Spotřeba energie [kWh]");

    g.AddGraphBar(kJan1, 1);
    g.ClearGraph();
    EXPECT_TRUE(g.bars().empty());
    EXPECT_EQ(g.LabelStep, 0);
    EXPECT_EQ(g.title(), "LEDEN 2001 - Činný odběr - MĚSÍC");

    EXPECT_EQ(changes, (std::vector<kw::GraphChange>{kw::GraphChange::Relabelled,
                                                     kw::GraphChange::TitleChanged,
                                                     kw::GraphChange::Cleared}));
}

struct CopyCase {
    const char* name;
    std::vector<std::pair<double, double>> bars;
    bool xy;
    bool comma;
    std::string text;
};

std::vector<kw::GraphBar> ToBars(const std::vector<std::pair<double, double>>& xy)
{
    std::vector<kw::GraphBar> bars;
    for (const auto& [x, y] : xy)
        bars.push_back({x, y, ""});
    return bars;
}

class GraphCopy : public testing::TestWithParam<CopyCase> {};

TEST_P(GraphCopy, Text)
{
    const CopyCase& c = GetParam();
    EXPECT_EQ(kw::CopyValuesText(ToBars(c.bars), c.xy, c.comma), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GraphCopy,
    testing::Values(
        CopyCase{"XYComma", {{At(kJan1, 0, 15), 12.5}}, true, true, "36892,0104\t12,50\r\n"},
        CopyCase{"XYPoint", {{At(kJan1, 12, 0), -1}}, true, false, "36892.5000\t-1.00\r\n"},
        CopyCase{"YPoint", {{1, 3}, {2, -0.126}}, false, false, "3.00\r\n-0.13\r\n"},
        CopyCase{"YComma", {{1, 3}, {2, -0.126}}, false, true, "3,00\r\n-0,13\r\n"},
        CopyCase{"NoBarsXY", {}, true, true, ""}, CopyCase{"NoBarsY", {}, false, false, ""},
        CopyCase{"NoGrouping", {{1, 1234567.891}}, false, true, "1234567,89\r\n"},
        CopyCase{"Large", {{1, 1e20}}, false, false, "100000000000000000000.00\r\n"},
        // A zero from scaling by a negative factor is still zero.
        CopyCase{"NegativeZero", {{1, -0.0}}, false, false, "0.00\r\n"},
        // A tiny negative value keeps its sign, as printf writes it.
        CopyCase{"TinyNegative", {{1, -0.001}}, false, false, "-0.00\r\n"},
        CopyCase{"RoundsUp", {{1, 0.999}}, false, false, "1.00\r\n"}),
    [](const testing::TestParamInfo<CopyCase>& info) { return info.param.name; });

TEST(GraphCopy, YearOfBarsCopiesWhole)
{
    kw::Graph g;
    constexpr int kBars = 35000;
    for (int k = 1; k <= kBars; ++k)
        g.AddGraphBar(At(kJan1, 0, 15 * k), k * 0.25);
    const std::string text = kw::CopyValuesText(g.bars(), true, true);

    std::size_t lines = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, static_cast<std::size_t>(kBars));
    EXPECT_GT(text.size(), 119999u);
    // 35000 quarter-hours after 1 January 2001 00:00 is 31 December 2001 14:00.
    const std::string last = "37256,5833\t8750,00\r\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

// The desktop program runs under the user's locale, which may write a decimal
// comma; the point must stay a point when the user asks for it.
TEST(GraphCopy, IgnoresTheLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    bool commaLocale = false;
    for (const char* name : {"cs_CZ.UTF-8", "cs_CZ.utf8", "de_DE.UTF-8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) &&
            std::string(std::localeconv()->decimal_point) == ",") {
            commaLocale = true;
            break;
        }
    }
    if (!commaLocale) {
        std::setlocale(LC_NUMERIC, saved.c_str());
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    const std::string text = kw::CopyValuesText(ToBars({{At(kJan1, 0, 15), 12.5}}), true, false);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(text, "36892.0104\t12.50\r\n");
}

} // namespace
