// Which records of a block the raw listing and the decoding walk: a block
// may start before the day buffer (its words there read as 0) and end past
// it; the walk stops only at the first record that starts past the end.
#include "archive/MonthFile.h"
#include "listing/Engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(RecordWalk, StopsOnlyPastTheEndOfTheDayBuffer)
{
    struct Case {
        int32_t start, length, count;
        int64_t walked;
    } cases[] = {
        {16, 3, 100, 100},     {-2, 4, 10, 10}, // the first record starts before the buffer
        {-5000, 1, 20, 20}, // every record before it: read as zeros, still walked
        {4094, 4, 3, 1},    // the second record would start past the end
        {4096, 1, 5, 0},       {0, 0, 100000, 4096}, // never more records than the buffer has words
        {100, -1, 9000, 4096}, {0, 3, 0, 0},         {0, 3, -4, 0},
    };
    for (const Case& c : cases) {
        kw::BlockDescription block;
        block.Start = c.start;
        block.Length = c.length;
        block.RecordCount = c.count;
        EXPECT_EQ(kw::BlockRecordsToWalk(block), c.walked)
            << c.start << " " << c.length << " " << c.count;
    }
}

struct NoUi : kw::ListingUi {
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&, bool) override {}
};

struct Lines : kw::OutputTarget {
    void appendLine(const std::string& line, int32_t) override { lines.push_back(line); }
    void clearView() override {}
    bool clearBeforeListing() const override { return false; }
    std::vector<std::string> lines;
};

TEST(RecordWalk, NegativeStartKeepsTheRecordsInsideTheBuffer)
{
    NoUi ui;
    kw::Engine engine(ui);
    Lines out;
    engine.output.setTarget(&out);
    kw::BlockDescription& block = engine.description.BlockTable[1];
    block.Description = "Blok";
    block.Start = -2;
    block.Length = 2;
    block.RecordCount = 3;
    block.Format = "W2N1";
    block.DayItem = "L2N";
    block.ValueItem = "W3N";
    engine.description.BlockCount = 1;
    engine.description.CurrentBlock = 1;
    for (int w = 0; w < 8; ++w)
        engine.archive.DayData[static_cast<std::size_t>(2 * w)] = static_cast<uint8_t>(w + 1);

    engine.archive.ListDayRecord(1);
    // Records start at words -2, 0 and 2: item W2 reads words 0, 2 and 4.
    EXPECT_EQ(out.lines, (std::vector<std::string>{"", "Blok", "Počet záznamů:   3", "",
                                                   "[0000]  1", "[0001]  3", "[0002]  5"}));
    // The decoding reads the same records: record 0's value is word 1.
    EXPECT_EQ(engine.dayListing.ReadItem(0, kw::Item::Day), 1);
    EXPECT_EQ(engine.dayListing.ReadItem(0, kw::Item::Value), 2);
    EXPECT_EQ(engine.dayListing.ReadItem(2, kw::Item::Value), 6);
}

} // namespace
