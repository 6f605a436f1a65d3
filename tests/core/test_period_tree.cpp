// The main window's trees as data: which years and months have month files,
// the period encoding, and the archived days read from a month file.
#include "archive/FileLookup.h"
#include "listing/Engine.h"
#include "listing/PeriodTree.h"
#include "tools/DemoArchive.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

namespace demo = kw::demo;

class SilentUi : public kw::ListingUi {
public:
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&, bool) override {}
};

// "2024: 1 | 2023: 3 11" for the tree's years and month numbers.
std::string TreeText(const std::vector<kw::PeriodYearNode>& years)
{
    std::string out;
    for (const auto& year : years) {
        if (!out.empty())
            out += " | ";
        out += std::to_string(year.year) + ":";
        for (const auto& month : year.months) {
            out += " " + std::to_string(month.month);
            EXPECT_EQ(kw::PeriodYear(month.argument), year.year);
            EXPECT_EQ(kw::PeriodMonth(month.argument), month.month);
        }
    }
    return out;
}

TEST(PeriodTree, EncodingCoversTheHundredYears)
{
    struct Case {
        int32_t year, month, argument;
    } cases[] = {{1980, 1, 0}, {1980, 12, 11}, {2023, 3, 518}, {2024, 1, 528}, {2079, 12, 1199}};
    for (const Case& c : cases) {
        EXPECT_EQ(kw::PeriodArgument(c.year, c.month), c.argument);
        EXPECT_EQ(kw::PeriodYear(c.argument), c.year);
        EXPECT_EQ(kw::PeriodMonth(c.argument), c.month);
    }
    EXPECT_EQ(kw::PeriodText(2024, 5), "KVĚTEN 2024");
    EXPECT_EQ(kw::PeriodText(2023, 9), "ZAŘÍ 2023");
}

TEST(PeriodTree, YearsNewestFirstMonthsFromJanuary)
{
    struct Case {
        int32_t device;
        std::vector<std::string> files;
        const char* tree;
    } cases[] = {
        {0, {"EL_23_11.DAT", "EL_24_01.DAT", "EL_23_03.DAT"}, "2024: 1 | 2023: 3 11"},
        // Two-digit years: 79 is the last year of the window, 80 the first.
        {0, {"EL_80_01.DAT", "EL_79_12.DAT", "EL_00_02.DAT"}, "2079: 12 | 2000: 2 | 1980: 1"},
        {0, {"el_24_05.dat", "E3_24_06.DAT", "EL_24_13.DAT"}, "2024: 5"},
        {3, {"EL_24_05.DAT", "E3_24_06.DAT"}, "2024: 6"},
        {10, {"EA_21_04.DAT", "EL_24_05.DAT"}, "2021: 4"},
        {0, {"README.TXT"}, ""},
    };
    for (const Case& c : cases) {
        kwtest::TempDir dir;
        for (const std::string& name : c.files)
            dir.write(name, "");
        SilentUi ui;
        kw::Engine engine(ui);
        engine.setProgramPath(dir.path());
        engine.Location.DeviceNo = c.device;
        const kw::DirectoryListing listing(dir.path());
        EXPECT_EQ(TreeText(kw::PeriodTreeContent(listing, engine.archive)), c.tree)
            << "device " << c.device << ", first file " << c.files.front();
    }
}

demo::MonthEntry Entry(uint16_t second, std::string data)
{
    demo::MonthEntry e;
    e.present = true;
    e.numbers = {2, 0, second};
    e.data = std::move(data);
    return e;
}

TEST(ListingTree, ArchivedDaysOfTheMonthFile)
{
    const std::string data = std::string("\x07\xff", 2) + std::string(30, '\x01');
    struct Case {
        const char* name;
        demo::MonthImage image;
        bool valid;
        std::vector<std::string> days;
        uint32_t farRecord = 0; // a record placed here, after a gap
    };
    std::vector<Case> cases;
    {
        Case c{"entries 1, 2 and 4", {}, true, {}};
        c.image.count = 4;
        c.image.entries[0] = Entry(1, data);
        c.image.entries[1] = Entry(2, data);
        c.image.entries[3] = Entry(4, data);
        c.days = {"DEN :01   02:00:01   ADR=0230  07 255", "DEN :02   02:00:02   ADR=0260  07 255",
                  "DEN :04   02:00:04   ADR=0290  07 255"};
        cases.push_back(c);
    }
    {
        // The entries beyond the count are not looked at.
        Case c{"count below the entries", {}, true, {}};
        c.image.count = 1;
        c.image.entries[0] = Entry(1, data);
        c.image.entries[1] = Entry(2, data);
        c.days = {"DEN :01   02:00:01   ADR=0230  07 255"};
        cases.push_back(c);
    }
    {
        // A count past the 32 entries of the header stops at 32.
        Case c{"count above 32", {}, true, {}};
        c.image.count = 400;
        c.image.entries[31] = Entry(59, data);
        c.days = {"DEN :32   02:00:59   ADR=0230  07 255"};
        cases.push_back(c);
    }
    {
        // An offset past the end gives no node; a record cut after its header
        // shows zeros for the data.
        Case c{"short records", {}, true, {}};
        c.image.count = 3;
        c.image.entries[0] = Entry(1, data);
        c.image.entries[1].offset = 100000;
        c.image.entries[2] = Entry(3, "");
        c.days = {"DEN :01   02:00:01   ADR=0230  07 255", "DEN :03   02:00:03   ADR=0260  00 0"};
        cases.push_back(c);
    }
    {
        // Only the lowest four hexadecimal digits of the offset are shown.
        Case c{"far record", {}, true, {}};
        c.image.count = 1;
        c.image.entries[0].offset = 0x10240;
        c.farRecord = 0x10240;
        c.days = {"DEN :01   00:00:00   ADR=0240  07 255"};
        cases.push_back(c);
    }
    {
        Case c{"other signature", {}, false, {}};
        c.image.signature = "QX5 nactene udajx";
        c.image.count = 1;
        c.image.entries[0] = Entry(1, data);
        cases.push_back(c);
    }
    {
        Case c{"empty directory", {}, true, {}};
        cases.push_back(c);
    }

    for (const Case& c : cases) {
        kwtest::TempDir dir;
        std::string bytes = demo::SerializeMonthFile(c.image);
        if (c.farRecord) {
            bytes.resize(c.farRecord, '\0');
            bytes += std::string(16, '\0') + data;
        }
        const std::string path = dir.write("EL_23_03.DAT", bytes);
        const kw::ListingTreeContent tree = kw::ReadListingTree(path, 2023, 3);
        EXPECT_EQ(tree.listCaption, "LIST BŘEZEN 2023");
        EXPECT_EQ(tree.commandsCaption, "VÝPIS BŘEZEN 2023");
        EXPECT_EQ(tree.validFile, c.valid) << c.name;
        EXPECT_TRUE(tree.ioError.empty()) << c.name;
        std::vector<std::string> days;
        for (const auto& day : tree.days) {
            days.push_back(day.caption);
            EXPECT_EQ(day.entry, std::stoi(day.caption.substr(5, 2))) << c.name;
        }
        EXPECT_EQ(days, c.days) << c.name;
    }
}

TEST(ListingTree, UnreadableFiles)
{
    kwtest::TempDir dir;
    // Missing, and a header cut short: the "LIST" root alone, nothing reported.
    const kw::ListingTreeContent missing =
        kw::ReadListingTree(dir.path() + "EL_23_03.DAT", 2023, 3);
    EXPECT_FALSE(missing.validFile);
    EXPECT_TRUE(missing.ioError.empty());

    demo::MonthImage image;
    image.count = 1;
    image.entries[0] = Entry(1, "ab");
    const std::string bytes = demo::SerializeMonthFile(image);
    const kw::ListingTreeContent cut =
        kw::ReadListingTree(dir.write("EL_23_04.DAT", bytes.substr(0, 559)), 2023, 4);
    EXPECT_FALSE(cut.validFile);
    EXPECT_TRUE(cut.days.empty());

    // A directory or a FIFO named like a month file is no month file: the
    // "LIST" root alone, never an error box and never a hang.
    const std::string folder = dir.path() + "EL_23_05.DAT";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::string fifo = dir.path() + "EL_23_06.DAT";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {folder, fifo}) {
        const kw::ListingTreeContent special = kw::ReadListingTree(path, 2023, 5);
        EXPECT_FALSE(special.validFile) << path;
        EXPECT_TRUE(special.ioError.empty()) << special.ioError;
    }
}

} // namespace
