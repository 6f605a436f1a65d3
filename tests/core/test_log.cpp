#include "output/Log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Call {
    bool error;
    std::string text;
    int modeBefore = 0; // switch LogMode before this call when not 0
};

struct LogCase {
    const char* name;
    std::vector<Call> calls;
    std::vector<std::string> lines;
    std::string pending;
};

class LogFilter : public testing::TestWithParam<LogCase> {};

TEST_P(LogFilter, CompletesExactlyTheExpectedLines)
{
    const LogCase& c = GetParam();
    kw::Log log;
    std::vector<std::string> lines;
    log.setSink([&](const std::string& line, bool) { lines.push_back(line); });
    for (const Call& call : c.calls) {
        if (call.modeBefore != 0)
            log.LogMode = call.modeBefore;
        log.WriteLog(call.error, call.text);
    }
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(log.pending(), c.pending);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LogFilter,
    testing::Values(
        LogCase{"AllModeTakesPlainLine", {{false, "abc"}}, {"abc"}, ""},
        LogCase{"ErrorsModeDropsPlainLine", {{false, "abc", 1}}, {}, ""},
        LogCase{"ErrorsModeTakesErrorLine", {{true, "abc", 1}}, {"abc"}, ""},
        LogCase{"StarLineShownInErrorsMode", {{false, "*abc", 1}}, {"*abc"}, ""},
        LogCase{"BackslashJoinsPieces", {{true, "abc\\"}, {true, "def"}}, {"abcdef"}, ""},
        LogCase{"SpaceClosesContinuedLine", {{false, "abc\\"}, {false, " "}}, {"abc "}, ""},
        LogCase{"LoneBackslashAddsNothing", {{false, "\\"}}, {}, ""},
        LogCase{"ThreePieces", {{false, "a\\"}, {false, "b\\"}, {false, "c"}}, {"abc"}, ""},
        // The filter looks at each piece: the dropped second piece leaves abc
        // pending, and the next completed line starts with it.
        LogCase{"DroppedPieceKeepsPending",
                {{true, "abc\\", 1}, {false, "def"}, {true, "ghi"}},
                {"abcghi"},
                ""},
        LogCase{"StarTestOnPieceNotLine", {{false, "abc\\", 1}, {false, "*def"}}, {"*def"}, ""},
        LogCase{"ModeSwitchKeepsEarlierLines",
                {{false, "one"}, {false, "two", 1}, {true, "three"}},
                {"one", "three"},
                ""},
        LogCase{"UnfinishedPieceStaysPending", {{false, "abc\\"}}, {}, "abc"},
        LogCase{"EmptyTextIsHarmless", {{false, ""}}, {""}, ""}),
    [](const testing::TestParamInfo<LogCase>& info) { return std::string(info.param.name); });

TEST(Log, SinkGetsTheErrorFlagOfTheCompletingPiece)
{
    kw::Log log;
    std::vector<bool> flags;
    log.setSink([&](const std::string&, bool error) { flags.push_back(error); });
    log.WriteLog(true, "a");
    log.WriteLog(false, "b");
    EXPECT_EQ(flags, (std::vector<bool>{true, false}));
}

} // namespace
