// The pieces under the listings: number texts, dates, item descriptors, the
// month-file reader and the placement of values in the quarter-hours of a day.
#include "archive/DateTime.h"
#include "archive/Errors.h"
#include "archive/NumberFormat.h"
#include "listing/Engine.h"
#include "listing/PeriodTree.h"
#include "tools/DemoArchive.h"

#include "ArchiveFixture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace demo = kw::demo;

TEST(NumberFormat, Texts)
{
    struct Case {
        std::string actual;
        const char* expected;
    } cases[] = {
        {kw::FormatReal(6, 5, -1, 12345.6), " 12346"},
        {kw::FormatReal(6, 5, -1, 0.0), "   0.0"},
        {kw::FormatReal(6, 5, -1, 100.0), " 100.0"},
        {kw::FormatReal(6, 6, -1, 123456.7), "123457"},
        {kw::FormatReal(6, 6, -1, 1234567.0), "1234567"},
        {kw::FormatReal(6, 5, -1, -12.25), " -12.2"},
        {kw::FormatReal(0, 0, 2, 3.14159), "3.14"},
        {kw::FormatInt(7, 2), "07"},
        {kw::FormatInt(7, -3), "  7"},
        {kw::FormatInt(123, 2), "123"},
        {kw::FormatInt(5, 0), "5"},
        {kw::FormatHex(255, 4), "00FF"},
        {kw::FormatHex(4660, 2), "34"},
        {kw::FormatHex(4660, 0), ""},
        {kw::FormatFixed(8, 1, 99999.94), " 99999.9"},
        {kw::FormatFixed(8, 0, 123456.4), "  123456"},
        {kw::FormatFixed(10, 1, 12.5), "      12.5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

TEST(NumberFormat, BcdStopsAtTheFirstDigitAboveNine)
{
    const std::pair<uint16_t, int32_t> cases[] = {{0x1234, 1234}, {0x25, 25},  {0x1A, 1},
                                                  {0x0930, 930},  {0xA123, 0}, {0x9999, 9999}};
    for (const auto& [bcd, value] : cases)
        EXPECT_EQ(kw::BcdToInt(bcd), value) << std::hex << bcd;
}

TEST(DateTime, SecondsSinceTheEpochAndBack)
{
    EXPECT_EQ(kw::DateTimeToSeconds(1899, 12, 30, 0, 0, 0), 0); // also the "invalid" value
    EXPECT_EQ(kw::DateTimeToSeconds(2001, 1, 1, 0, 15, 0), 36892.0L * 86400 + 900);
    EXPECT_EQ(kw::DateTimeToSeconds(2024, 2, 30, 0, 0, 0), 0);
    EXPECT_EQ(kw::DateTimeToSeconds(2023, 2, 29, 0, 0, 0), 0);
    EXPECT_EQ(kw::DateTimeToSeconds(2100, 2, 29, 0, 0, 0), 0); // the Gregorian rule here
    EXPECT_EQ(kw::DateTimeToSeconds(2024, 13, 1, 0, 0, 0), 0);
    EXPECT_EQ(kw::DateTimeToSeconds(2024, 1, 1, 24, 0, 0), 0);
    EXPECT_EQ(kw::DateTimeToSeconds(2024, 1, 1, 0, 60, 0), 0);
    EXPECT_EQ(kw::DateTimeToSeconds(0, 1, 1, 0, 0, 0), 0);

    const kw::DateTimeParts p =
        kw::SecondsToDateTime(kw::DateTimeToSeconds(2024, 2, 29, 23, 59, 59) + 0.9L);
    EXPECT_EQ(p.year, 2024);
    EXPECT_EQ(p.month, 2);
    EXPECT_EQ(p.day, 29);
    EXPECT_EQ(p.hour, 23);
    EXPECT_EQ(p.minute, 59);
    EXPECT_EQ(p.second, 59);
    const kw::DateTimeParts before = kw::SecondsToDateTime(-3600);
    EXPECT_EQ(before.day, 29);
    EXPECT_EQ(before.hour, 23);
}

using kwtest::Archive;
using kwtest::Lines;
using kwtest::QuietUi;

TEST(MonthFile, Names)
{
    Archive a("START=16\r\nLENGTH=3\r\nNZAZN=1\r\n");
    a.engine.Location.DeviceNo = 11;
    EXPECT_EQ(a.engine.archive.MonthFileName(2024, 3), "EB_24_03.DAT");
    EXPECT_EQ(a.engine.archive.MonthFileName(2024, 0), "EB_24_??.DAT");
    EXPECT_EQ(a.engine.archive.MonthFileName(0, 7), "QX5-DATA-DEN-07");
    a.engine.Location.DeviceNo = 0;
    EXPECT_EQ(a.engine.archive.MonthFileName(2079, 12), "EL_79_12.DAT");
    // Years the two digits cannot hold name no file of another century.
    EXPECT_EQ(a.engine.archive.MonthFileName(1979, 12), "EL_1979_12.DAT");
    EXPECT_EQ(a.engine.archive.MonthFileName(80, 2), "EL_0080_02.DAT");
}

TEST(MonthFile, ResultCodesOfReads)
{
    Archive a("START=16\r\nLENGTH=3\r\nNZAZN=1\r\n");
    const std::string name = "EL_24_03.DAT";
    kw::DayArchive& archive = a.engine.archive;
    EXPECT_EQ(archive.ReadDayRecord(201, name, 0), -1); // no file yet

    a.month({}, 0);
    EXPECT_EQ(archive.ReadDayRecord(0, name, 0), -1);
    EXPECT_EQ(archive.ReadDayRecord(100, name, 0), -4); // count 0: no latest entry

    a.month({{1, Archive::Data({})}, {2, Archive::Data({})}}, 2);
    EXPECT_EQ(archive.ReadDayRecord(100, name, 0), 0);
    EXPECT_EQ(archive.ReadDayRecord(203, name, 0), -4);
    EXPECT_EQ(archive.ReadDayRecord(201, "el_24_03.dat", 0), 0); // any letter case

    // A count above the header's 32 entries reads entry 32.
    a.month({{32, Archive::Data({})}}, 40);
    EXPECT_EQ(archive.ReadDayRecord(100, name, 0), 0);

    std::string foreign = Archive::Data({});
    foreign[0] = 9; // a controller program that no description file fits
    a.month({{1, foreign}}, 1);
    EXPECT_EQ(archive.ReadDayRecord(201, name, 0), -6);

    std::ofstream(a.dir.path() + name, std::ios::binary) << std::string(100, 'x');
    EXPECT_EQ(archive.ReadDayRecord(201, name, 0), -2); // short header
}

TEST(MonthFile, ShortRecordDoesNotShowTheDayBefore)
{
    Archive a("START=16\r\nLENGTH=3\r\nNZAZN=1\r\n");
    a.month({{1, std::string(8192, '\x01')}, {2, std::string("\x01\x01", 2)}});
    ASSERT_EQ(a.engine.archive.ReadDay(2024, 3, 1), 0);
    ASSERT_EQ(a.engine.archive.ReadDay(2024, 3, 2), 0);
    EXPECT_EQ(a.engine.archive.Word(100), 0);
    EXPECT_EQ(a.engine.archive.Word(-1), 0);
    EXPECT_EQ(a.engine.archive.Word(4096), 0);
}

TEST(MonthFile, DirectoryListing)
{
    Archive a("START=16\r\nLENGTH=3\r\nNZAZN=1\r\n");
    a.month({{1, Archive::Data({})}, {2, Archive::Data({})}, {4, Archive::Data({})}}, 4);
    ASSERT_EQ(a.engine.archive.ReadDayRecord(1, "EL_24_03.DAT", 0), 0);
    ASSERT_EQ(a.out.lines.size(), 3u);
    EXPECT_EQ(a.out.lines[0], "DEN :01   02:00:01   ADR=0230  01 1");
    EXPECT_EQ(a.out.lines[2].substr(0, 19), "DEN :04   02:00:04 ");
}

TEST(MonthFile, RawFormatItems)
{
    Archive a("START=16\r\nLENGTH=3\r\nNZAZN=1\r\n");
    a.month({{1, Archive::Data({{5, 13, 45, 0, 0x1234}})}});
    ASSERT_EQ(a.engine.archive.ReadDay(2024, 3, 1), 0);
    struct Case {
        const char* format;
        const char* text;
    } cases[] = {
        {"W2H4", "1234"},  {"W2S4", "13330"},  {"W2H2", "34"},   {"L0B2", "05"},
        {"H0B2", "13"},    {"L1H2", "45"},     {"W2N0", "4660"}, {"C - ", " - "},
        {"W2H4;", "1234"}, {"X123;W", "4869"}, {"W2I4", "3412"}, {"H2H2;C/;L2H2", "12/34"},
        {"W2", "4660"},    {";;", ""},
    };
    for (const Case& c : cases) {
        a.out.lines.clear();
        a.engine.archive.ListRecordFormat(16, c.format);
        a.engine.output.WriteOutputLine();
        ASSERT_EQ(a.out.lines.size(), 1u);
        EXPECT_EQ(a.out.lines[0], c.text) << c.format;
    }
}

TEST(MonthFile, AbsurdBlockGeometryNeitherHangsNorReadsOutside)
{
    for (const char* geometry : {"START=-5\r\nLENGTH=3\r\nNZAZN=2000000000\r\nFORMAT=W0N0\r\n",
                                 "START=4095\r\nLENGTH=0\r\nNZAZN=2000000000\r\nFORMAT=W5N0\r\n",
                                 "START=100000\r\nLENGTH=-1\r\nNZAZN=5\r\nFORMAT=W0N0\r\n"}) {
        Archive a(geometry);
        a.month({{1, Archive::Data({}, 4096)}, {2, Archive::Data({}, 4096)}});
        EXPECT_EQ(a.engine.archive.ReadDayRecord(101, "EL_24_03.DAT", 1), 0) << geometry;
        EXPECT_LE(a.out.lines.size(), 4100u * 2) << geometry;
        EXPECT_EQ(a.engine.dayListing.ListDay(2024, 3, 1, 0), 0) << geometry;
    }
}

TEST(DayListing, ItemDescriptors)
{
    Archive a("START=16\r\nLENGTH=3\r\nNZAZN=1\r\n");
    a.month({{1, Archive::Data({{5, 13, 45, 0, 0x0930}})}});
    ASSERT_EQ(a.engine.archive.ReadDay(2024, 3, 1), 0);
    struct Case {
        const char* item;
        uint16_t value;
    } cases[] = {
        {"", 0},      {"I", 0},        {"X2N", 0},       {"K30", 30},
        {"K$1F", 31}, {"K12ab", 12},   {"K70000", 4464}, {"W2N", 0x0930},
        {"W2B", 930}, {"W2S", 0x3009}, {"W2I", 3009},    {"H0B", 13},
        {"L0B", 5},   {"L0N", 5},      {"H0N", 0x13},    {"W", 0x0505 + 0x1300 - 0x0500},
        {"WFN", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kw::DecodeItem(c.item, a.engine.archive, 16), c.value) << c.item;
}

TEST(DayListing, TimeStampsMarkTheEndOfTheirQuarterHour)
{
    Archive a("START=16\r\nLENGTH=3\r\nNZAZN=9\r\nNDAY=1\r\n");
    a.month({{6, Archive::Data({{5, 0, 15, 0, 100},
                                {5, 0, 0, 0, 7},   // the end of day 4, not day 5
                                {6, 0, 0, 0, 200}, // the last quarter-hour of day 5
                                {5, 0, 7, 30, 9},  // r = 0: skipped
                                {5, 1, 0, 0, 1},   // five values in one quarter-hour:
                                {5, 1, 0, 0, 2},   // two shown, four summed, one dropped
                                {5, 1, 0, 0, 3},
                                {5, 1, 0, 0, 4},
                                {5, 1, 0, 0, 5}})}});
    a.engine.settings.DisplayMode = 0;
    ASSERT_EQ(a.engine.dayListing.ListDay(2024, 3, 5, 0), 0);
    ASSERT_EQ(a.out.lines.size(), 24u);
    // Value x 0.25 x 4 in the columns; the hour sum adds the stored values,
    // all four of the crowded quarter-hour.
    EXPECT_EQ(a.out.lines[0],
              "[00:00]  100.0      |            |            |   1.0   2.0|S   27.5 kW");
    const std::string empty(12, ' ');
    EXPECT_EQ(a.out.lines[23],
              "[23:00] " + empty + "|" + empty + "|" + empty + "| 200.0      |S   50.0 kW");
    EXPECT_EQ(a.engine.graph.bars().size(), 6u);
}

TEST(DayListing, DayStartOffsetShiftsTheDayAndTheClockQuarterHours)
{
    Archive a("START=16\r\nLENGTH=3\r\nNZAZN=2\r\nNDAY=1\r\n");
    a.month({{5, Archive::Data({{4, 23, 15, 0, 40}})}, {6, Archive::Data({{5, 0, 15, 0, 80}})}});
    a.engine.settings.DisplayMode = 0;
    ASSERT_TRUE(a.engine.division.SetGroupQuarterHour(1, 92, true));
    ASSERT_TRUE(a.engine.division.SetGroupName(1, "G"));
    a.engine.division.InitDayDivision(2);
    ASSERT_EQ(a.engine.dayListing.ListDay(2024, 3, 5, -3600), 0);
    EXPECT_EQ(a.out.lines[0].substr(0, 14), "[23:00]   40.0");
    EXPECT_EQ(a.out.lines[1].substr(0, 14), "[00:00]   80.0");
    // Listing quarter-hour 0 is clock quarter-hour 92 (23:00-23:15).
    EXPECT_EQ(a.engine.division.GroupCount(1), 1);
    EXPECT_FLOAT_EQ(a.engine.division.GroupSum(1), 10.0f);
}

TEST(DayListing, PassBFillsOnlyTheStartPassALeftEmpty)
{
    Archive a("START=16\r\nLENGTH=3\r\nNZAZN=3\r\nNDAY=1\r\n");
    a.month({{5, Archive::Data({{5, 0, 15, 0, 4}, {5, 3, 0, 0, 8}})},
             {6, Archive::Data({{5, 2, 15, 0, 12}})}});
    a.engine.settings.DisplayMode = 1;
    ASSERT_EQ(a.engine.dayListing.ListDay(2024, 3, 5, 0), 0);
    EXPECT_EQ(a.out.lines[0], "[00:00]    1.0 kW"); // from entry 5
    EXPECT_EQ(a.out.lines[2], "[02:00]    3.0 kW"); // entry 6 only: 03:00 of entry 5 is late
}

TEST(DayListing, UnreadableDayReportsItsOwnEntry)
{
    Archive a("START=16\r\nLENGTH=3\r\nNZAZN=3\r\nNDAY=2\r\n");
    a.month({{7, Archive::Data({{5, 12, 0, 0, 4}})}});
    // NDAY 2 reaches entry 7 for day 5.
    EXPECT_EQ(a.engine.dayListing.ListDay(2024, 3, 5, 0), 0);
    EXPECT_EQ(a.engine.graph.bars().size(), 1u);
    EXPECT_EQ(a.engine.dayListing.ListDay(2024, 3, 10, 0), -4);
}

TEST(DayListing, InvalidTimeStampIsLogged)
{
    Archive a("START=16\r\nLENGTH=3\r\nNZAZN=2\r\nNDAY=1\r\n");
    a.month({{6, Archive::Data({{5, 25, 0, 0, 4}, {31, 1, 0, 0, 4}})}});
    ASSERT_EQ(a.engine.dayListing.ListDay(2024, 3, 5, 0), 0);
    ASSERT_GE(a.log.size(), 2u);
    EXPECT_EQ(a.log[a.log.size() - 2], "Chyba interpretace času - den: 6 záznam: 0");
    EXPECT_TRUE(a.engine.graph.bars().empty());
}

// A picker left open on a longer month may hand over a day the listing month
// does not have; nothing is listed then.
TEST(ListingRun, NeverListsADayTheMonthDoesNotHave)
{
    struct Case {
        int year, month;
        std::vector<int> picks; // > 100: PickAction, else the day for the open picker
        bool range;             // the days go to PickAction (OBDOBÍ), else MonthAction (DEN)
        const char* listed;     // EditVypis afterwards; "" when nothing was listed
    } cases[] = {
        {2024, 11, {31}, false, ""},
        {2024, 11, {30}, false, "DEN 30"},
        {2024, 2, {29}, false, "DEN 29"},
        {2023, 2, {29}, false, ""},
        {2024, 11, {102, 5, 31}, true, ""},
        {2024, 11, {102, 31, 5}, true, ""},
        {2024, 11, {102, 31, 5, 30}, true, "OBDOBÍ od 5 do 30"},
    };
    for (const Case& c : cases) {
        Archive a("START=16\r\nLENGTH=3\r\nNZAZN=1\r\n");
        kw::ListingRun& listing = a.engine.listing;
        listing.ListingYear = c.year;
        listing.ListingMonth = c.month;
        for (const int n : c.picks)
            (c.range || n > 100) ? listing.PickAction(n) : listing.MonthAction(n);
        const std::string what = std::to_string(c.year) + "-" + std::to_string(c.month) + " " +
                                 std::to_string(c.picks.back());
        EXPECT_EQ(listing.EditVypis, c.listed) << what;
        EXPECT_EQ(a.out.lines.empty(), std::string(c.listed).empty()) << what;
    }
}

// The commands of the "VÝPIS" root hand the listing the old system's command
// numbers, and each number runs what the command's caption says.
TEST(ListingRun, TreeCommandsCarryTheOldCommandNumbers)
{
    using Kind = kw::NodeActionKind;
    struct Case {
        const char* caption;
        Kind action;
        int32_t argument;
        const char* effect; // EditVypis, else the calendar's caption
    } cases[] = {
        {"Nastavení parametrů výpisu", Kind::MonthAction, 0, "TForm8"},
        {"CELÝ MĚSÍC", Kind::MonthAction, 32, "MĚSÍC"},
        {"ENERGETICKÝ MĚSÍC", Kind::MonthAction, 33, "ENERGETICKÝ MĚSÍC"},
        {"OBDOBÍ", Kind::PickAction, 102, "VÝPIS - Ode dne"},
        {"DEN", Kind::PickAction, 101, "VÝPIS - Výběr dne"},
    };
    const auto& commands = kw::ListingCommands();
    ASSERT_EQ(commands.size(), std::size(cases));
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const Case& c = cases[i];
        const kw::ListingCommand& command = commands[i];
        EXPECT_STREQ(command.caption, c.caption);
        EXPECT_EQ(command.action, c.action) << c.caption;
        EXPECT_EQ(command.argument, c.argument) << c.caption;

        Archive a("START=16\r\nLENGTH=3\r\nNZAZN=1\r\n");
        a.dir.write("KALEND.INI", "[2024]\r\n20.2=E\r\n25.3=E\r\n");
        kw::ListingRun& listing = a.engine.listing;
        listing.ListingYear = 2024;
        listing.ListingMonth = 3;
        if (command.action == Kind::MonthAction)
            listing.MonthAction(command.argument);
        else
            listing.PickAction(command.argument);
        const std::string effect = a.ui.parametersShown        ? "TForm8"
                                   : listing.EditVypis.empty() ? a.engine.calendar.Caption
                                                               : listing.EditVypis;
        EXPECT_EQ(effect, c.effect) << c.caption;
    }
}

// An error that ends an energy-month listing (a month file whose read fails,
// a calendar step that fails) leaves the listing month as it was, so the next
// "CELÝ MĚSÍC" lists the month on screen.
TEST(ListingRun, ErrorInEnergyMonthKeepsTheListingMonth)
{
    struct Case {
        const char* name;
        int32_t span; // afterwards: as the failed step found it
        std::function<void(Archive&)> breakIt;
    } cases[] = {
        {"read of the month before", 33,
         [](Archive& a) {
             // Its read fails with EIO at any offset of the unmapped page 0.
             std::filesystem::create_symlink("/proc/self/mem", a.dir.path() + "EL_24_02.DAT");
         }},
        {"calendar step of the check", 1,
         [](Archive& a) {
             a.engine.calendar.Changed = [&a] {
                 if (a.engine.calendar.Month == 2)
                     throw kw::UserActionError("Input/output error");
             };
         }},
    };
    for (const Case& c : cases) {
        Archive a("START=16\r\nLENGTH=3\r\nNZAZN=1\r\n");
        a.dir.write("KALEND.INI", "[2024]\r\n20.2=E\r\n25.3=E\r\n");
        kw::ListingRun& listing = a.engine.listing;
        listing.ListingYear = 2024;
        listing.ListingMonth = 3;
        c.breakIt(a);
        EXPECT_THROW(listing.MonthAction(33), kw::UserActionError) << c.name;
        a.engine.calendar.Changed = nullptr;
        EXPECT_EQ(listing.ListingYear, 2024) << c.name;
        EXPECT_EQ(listing.ListingMonth, 3) << c.name;
        EXPECT_EQ(listing.ListingSpan, c.span) << c.name;
        EXPECT_EQ(a.engine.calendar.Month, 3) << c.name;

        a.out.lines.clear();
        listing.MonthAction(32);
        ASSERT_FALSE(a.out.lines.empty()) << c.name;
        EXPECT_EQ(a.out.lines[0], "    **** VÝPIS OBDOBÍ: BŘEZEN 2024") << c.name;
    }
}

// Impulse counts have no unit; the axis names what the listing shown holds,
// even when "Zobrazit impulzy" changed after the title was last set.
TEST(ListingRun, ValueAxisNamesWhatTheListingShows)
{
    Archive a("START=16\r\nLENGTH=3\r\nNZAZN=1\r\n");
    a.engine.listing.ListingYear = 2024;
    a.engine.listing.ListingMonth = 3;
    a.engine.listing.SelectBlock();
    const std::pair<bool, const char*> listings[] = {
        {false, "Impulzy"},
        {true, "Spotřeba energie [kW]"},
        {false, "Impulzy"},
    };
    for (const auto& [convert, title] : listings) {
        a.engine.settings.ConvertValues = convert;
        a.engine.listing.MonthAction(5);
        EXPECT_EQ(a.engine.graph.valueAxisTitle(), title) << convert;
    }
}

} // namespace
