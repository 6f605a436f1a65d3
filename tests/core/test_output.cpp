#include "output/Output.h"
#include "output/ReportPages.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Line = std::pair<std::string, int32_t>;

// A view that keeps its lines, like the window does.
class RecordingTarget : public kw::OutputTarget {
public:
    bool clearSetting = false;
    std::vector<Line> lines;
    int caretMoves = 0;

    void appendLine(const std::string& line, int32_t style) override
    {
        lines.emplace_back(line, style);
    }
    void clearView() override { lines.clear(); }
    bool clearBeforeListing() const override { return clearSetting; }
    void caretToEnd() override { ++caretMoves; }
};

struct Op {
    enum Kind { Write, WriteLine, Style, Clear } kind;
    std::string text;
    int32_t style = 0;
};

Op W(std::string t)
{
    return {Op::Write, std::move(t)};
}
Op L(std::string t = "")
{
    return {Op::WriteLine, std::move(t)};
}
Op S(int32_t s)
{
    return {Op::Style, "", s};
}
Op C()
{
    return {Op::Clear, ""};
}

struct OutputCase {
    const char* name;
    bool clearSetting;
    std::vector<Op> ops;
    std::vector<Line> lines; // the view afterwards
    std::string pending;
    int32_t style;
};

class OutputOps : public testing::TestWithParam<OutputCase> {};

TEST_P(OutputOps, ViewAndPendingLine)
{
    const OutputCase& c = GetParam();
    RecordingTarget target;
    target.clearSetting = c.clearSetting;
    kw::Output out;
    out.setTarget(&target);
    int styleCalls = 0;
    for (const Op& op : c.ops) {
        switch (op.kind) {
        case Op::Write:
            out.WriteOutput(op.text);
            break;
        case Op::WriteLine:
            out.WriteOutputLine(op.text);
            break;
        case Op::Style:
            out.SetOutputStyle(op.style);
            ++styleCalls;
            break;
        case Op::Clear:
            out.ClearOutputIfSet();
            break;
        }
    }
    EXPECT_EQ(target.lines, c.lines);
    EXPECT_EQ(out.pending(), c.pending);
    EXPECT_EQ(out.style(), c.style);
    // Every style call moves the caret, also one that selects no style.
    EXPECT_EQ(target.caretMoves, styleCalls);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputOps,
    testing::Values(
        OutputCase{"PiecesMakeOneLine", false, {W("ab"), W("cd"), L("ef")}, {{"abcdef", 0}}, "", 0},
        OutputCase{"EmptyLineWithNothingPending", false, {L()}, {{"", 0}}, "", 0},
        OutputCase{"PendingWithoutLineStaysPending", false, {W("ab"), W("cd")}, {}, "abcd", 0},
        OutputCase{"PendingAloneCompletes", false, {W("ab"), L()}, {{"ab", 0}}, "", 0},
        OutputCase{"StyleAppliesToWholeLine",
                   false,
                   {S(1), W("Den"), W(" 1."), L(), S(0), L("x")},
                   {{"Den 1.", 1}, {"x", 0}},
                   "",
                   0},
        // The style in effect when the line completes counts, not when the
        // first piece was written.
        OutputCase{"StyleAtCompletionCounts", false, {W("a"), S(3), L("b")}, {{"ab", 3}}, "", 3},
        OutputCase{"OutOfRangeStyleKeepsStyle",
                   false,
                   {S(2), S(5), L("a"), S(-1), S(4), L("b")},
                   {{"a", 2}, {"b", 2}},
                   "",
                   2},
        OutputCase{"ClearOffKeepsText",
                   false,
                   {L("a"), W("p"), C(), L("b")},
                   {{"a", 0}, {"pb", 0}},
                   "",
                   0},
        OutputCase{
            "ClearOnKeepsPendingPiece", true, {L("a"), W("p"), C(), L("b")}, {{"pb", 0}}, "", 0},
        OutputCase{"ClearOnLeavesPendingUntilLine", true, {L("a"), W("p"), C()}, {}, "p", 0}),
    [](const testing::TestParamInfo<OutputCase>& info) { return info.param.name; });

TEST(Output, WithoutTargetLinesAreDroppedButPendingWorks)
{
    kw::Output out;
    out.WriteOutput("lost");
    out.SetOutputStyle(1);
    out.ClearOutputIfSet();
    out.WriteOutputLine(" line");
    EXPECT_EQ(out.pending(), "");
    out.WriteOutput("kept");

    RecordingTarget target;
    out.setTarget(&target);
    out.WriteOutputLine();
    EXPECT_EQ(target.lines, (std::vector<Line>{{"kept", 1}}));
}

TEST(Output, StreamTargetWritesOneLineEach)
{
    std::ostringstream stream;
    kw::StreamOutputTarget target(stream);
    kw::Output out;
    out.setTarget(&target);
    out.SetOutputStyle(1);
    out.WriteOutput("Den ");
    out.WriteOutputLine("1.");
    out.WriteOutputLine();
    out.ClearOutputIfSet(); // a stream cannot take back what it printed
    out.WriteOutputLine("Čtvrthodiny");
    EXPECT_EQ(stream.str(), "Den 1.\n\nČtvrthodiny\n");
}

// A view with a capacity in characters, each line costing its length plus one
// for its line end.
class CapacityView : public kw::OutputLineView {
public:
    std::size_t capacity = 0;
    std::vector<std::string> lines;
    bool brokenRemove = false; // a view whose removal does nothing
    int appends = 0;

    std::size_t lineCount() const override { return lines.size(); }
    void appendLine(const std::string& line, int32_t) override
    {
        ++appends;
        std::size_t used = 0;
        for (const auto& l : lines)
            used += l.size() + 1;
        if (used + line.size() + 1 <= capacity)
            lines.push_back(line);
    }
    void removeFirstLine() override
    {
        if (!brokenRemove && !lines.empty())
            lines.erase(lines.begin());
    }
};

struct CapacityCase {
    const char* name;
    std::size_t capacity;
    bool brokenRemove;
    std::vector<std::string> before;
    std::string line;
    std::vector<std::string> after;
    bool taken;
};

class OutputCapacity : public testing::TestWithParam<CapacityCase> {};

TEST_P(OutputCapacity, DropsOldestUntilTheLineFits)
{
    const CapacityCase& c = GetParam();
    CapacityView view;
    view.capacity = c.capacity;
    view.brokenRemove = c.brokenRemove;
    view.lines = c.before;
    EXPECT_EQ(kw::AppendDroppingOldest(view, c.line, 0), c.taken);
    EXPECT_EQ(view.lines, c.after);
    // Bounded: one try per line that was there plus the first.
    EXPECT_LE(view.appends, static_cast<int>(c.before.size()) + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputCapacity,
    testing::Values(
        CapacityCase{"FitsAtOnce", 100, false, {"aaa", "bbb"}, "cc", {"aaa", "bbb", "cc"}, true},
        CapacityCase{
            "DropsOne", 12, false, {"aaa", "bbb", "ccc"}, "dd", {"bbb", "ccc", "dd"}, true},
        CapacityCase{
            "DropsSeveral", 12, false, {"a", "b", "cccc", "dd"}, "eeeeee", {"dd", "eeeeee"}, true},
        CapacityCase{"DropsAllThenFits", 8, false, {"aaa", "bbb"}, "ccccccc", {"ccccccc"}, true},
        CapacityCase{"NeverFitsEndsEmpty", 5, false, {"a", "b", "c"}, "toolong", {}, false},
        CapacityCase{"NeverFitsOnEmptyView", 5, false, {}, "toolong", {}, false},
        CapacityCase{"ViewThatDoesNotShrinkEnds", 4, true, {"a", "b"}, "cc", {"a", "b"}, false}),
    [](const testing::TestParamInfo<CapacityCase>& info) { return info.param.name; });

struct SettingCase {
    const char* text;
    int32_t value; // with fallback -7
    bool clear;
    int32_t fontSize;
};

class OutputSettings : public testing::TestWithParam<SettingCase> {};

TEST_P(OutputSettings, ReadsDecimalAndHexadecimal)
{
    const SettingCase& c = GetParam();
    EXPECT_EQ(kw::ParseOutputSetting(c.text, -7), c.value);
    EXPECT_EQ(kw::OutputClearSetting(c.text), c.clear);
    EXPECT_EQ(kw::OutputFontSizeSetting(c.text), c.fontSize);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputSettings,
    testing::Values(SettingCase{"9", 9, true, 9}, SettingCase{"0x0C", 12, true, 12},
                    SettingCase{"0X0c", 12, true, 12}, SettingCase{"10", 10, true, 10},
                    SettingCase{"1", 1, true, 1}, SettingCase{"0", 0, false, 8},
                    SettingCase{"0x", -7, false, 8}, SettingCase{"", -7, false, 8},
                    SettingCase{"abc", -7, false, 8}, SettingCase{"12pt", -7, false, 8},
                    SettingCase{"0x1G", -7, false, 8}, SettingCase{"-3", -3, true, 8}));

// Lines as letters: "p" a plain row, "h" a heading, "2" a line of two rows.
struct PagesCase {
    const char* name;
    const char* lines;
    std::size_t rowsPerPage;
    std::vector<std::size_t> starts;
};

class ReportPages : public testing::TestWithParam<PagesCase> {};

TEST_P(ReportPages, NeverCutsARowNorEndsAPageWithAHeading)
{
    const PagesCase& c = GetParam();
    std::vector<kw::ReportLine> lines;
    for (const char* l = c.lines; *l; ++l)
        lines.push_back({*l == '2' ? 2u : 1u, *l == 'h'});
    EXPECT_EQ(kw::ReportPageStarts(lines, c.rowsPerPage), c.starts);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportPages,
    testing::Values(PagesCase{"Empty", "", 3, {0}}, PagesCase{"Fits", "ppp", 3, {0}},
                    PagesCase{"Plain", "ppppppp", 3, {0, 3, 6}},
                    PagesCase{"HeadingGoesOver", "pphpp", 3, {0, 2}},
                    PagesCase{"HeadingsGoOverTogether", "phhpp", 3, {0, 1, 4}},
                    PagesCase{"WrappedRowWhole", "pp2p", 3, {0, 2}},
                    PagesCase{"HeadingsFillingAPageBreakWhereTheyFall", "hhhp", 3, {0, 3}},
                    PagesCase{"HeadingAndRowTooTallStay", "phh2", 3, {0, 3}},
                    PagesCase{"TallLineOwnPage", "p2p", 1, {0, 1, 2}}),
    [](const testing::TestParamInfo<PagesCase>& info) { return info.param.name; });

} // namespace
