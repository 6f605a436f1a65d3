// The block choice of the main window: which blocks it offers and which one
// is current after start-up and after a device change.
#include "listing/Engine.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SilentUi : kw::ListingUi {
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&, bool) override {}
};

// A description of blocks "B1", "B2", ... with the given VYPIS lines ("" for
// none).
std::string Description(const std::vector<std::string>& vypis)
{
    std::string blocks = "[BLOCK]\r\n";
    std::string sections;
    for (std::size_t i = 0; i < vypis.size(); ++i) {
        const std::string name = "B" + std::to_string(i + 1);
        blocks += name + "=1\r\n";
        sections += "[" + name + "]\r\nPOPIS=Blok " + std::to_string(i + 1) + "\r\n";
        if (!vypis[i].empty())
            sections += "VYPIS=" + vypis[i] + "\r\n";
    }
    return blocks + "[REV]\r\nREV_PLC=1\r\nREV_INI=1\r\n" + sections;
}

struct Case {
    const char* name;
    std::vector<std::string> startUp;     // device 0's blocks
    std::vector<std::string> afterChange; // device 1's blocks; empty: no change
    std::vector<int32_t> entries;         // block of each entry of the list
    int32_t selected;                     // entry shown, -1 none
    int32_t current;                      // CurrentBlock
};

class BlockChoice : public testing::TestWithParam<Case> {};

TEST_P(BlockChoice, EntriesAndCurrentBlock)
{
    const Case& c = GetParam();
    kwtest::TempDir dir;
    SilentUi ui;
    kw::Engine engine(ui);
    engine.setProgramPath(dir.path());
    dir.write("D0LARCH.INI", Description(c.startUp));
    dir.write("D01ARCH.INI", Description(c.afterChange));

    engine.description.LoadArchiveDescription(dir.path(), 0);
    ASSERT_TRUE(engine.description.ArchiveLoaded);
    engine.listing.SelectBlock();
    if (!c.afterChange.empty()) {
        engine.Location.DeviceNo = 1;
        engine.description.LoadArchiveDescription(dir.path(), 1);
        ASSERT_TRUE(engine.description.ArchiveLoaded);
        engine.listing.SelectBlock();
    }

    EXPECT_EQ(engine.listing.BlockEntryMap, c.entries);
    EXPECT_EQ(engine.listing.BlockEntries.size(), c.entries.size());
    EXPECT_EQ(engine.listing.SelectedEntry, c.selected);
    EXPECT_EQ(engine.description.CurrentBlock, c.current);
    EXPECT_EQ(engine.description.CurrentBlockTitle, "Blok " + std::to_string(c.current));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlockChoice,
    testing::Values(
        // The description makes block 1 current (its first VYPIS key); start-up
        // takes the only listed block instead.
        Case{"OnlyBlockFourListed", {"OFF", "", "on", "ON", "OFF"}, {}, {4}, 0, 4},
        // After a device change the description's choice stands even when the
        // list does not hold it.
        Case{"DeviceChangeToUnlistedCurrentBlock", {"ON"}, {"", "OFF", "ON", "ON"}, {3, 4}, -1, 2},
        Case{"DeviceChangeToListedCurrentBlock", {"ON"}, {"", "ON", "ON"}, {2, 3}, 0, 2}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

} // namespace
