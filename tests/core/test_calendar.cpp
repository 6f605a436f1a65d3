#include "archive/Errors.h"
#include "archive/Ini.h"
#include "calendar/Calendar.h"
#include "output/Log.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using kw::PopupItem;

// A calendar over its own program directory.
struct Fixture {
    kwtest::TempDir dir;
    kw::IniLayer ini;
    kw::Calendar cal{ini};

    Fixture() { cal.setProgramPath(dir.path()); }
    explicit Fixture(const std::string& kalend) : Fixture() { dir.write("KALEND.INI", kalend); }

    std::string file() const { return dir.path() + "KALEND.INI"; }
};

// A value as a fresh reader sees it on disk; nullopt when the key is missing.
std::optional<std::string> Stored(const std::string& file, const std::string& section,
                                  const std::string& key)
{
    kw::IniLayer reader;
    if (reader.ReadIniValue(file, section, key) != 1)
        return std::nullopt;
    return reader.IniValue;
}

std::vector<std::string> Keys(const std::string& file, const std::string& section)
{
    kw::IniLayer reader;
    std::vector<std::string> keys;
    for (int32_t s = reader.ReadIniValue(file, section, "*"); s >= 1; s = reader.NextIniKey())
        keys.push_back(reader.IniKey);
    return keys;
}

std::string Ini(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

TEST(CalendarTables, MonthNamesDaysAndLeapYears)
{
    const char* names[] = {"LEDEN",    "ÚNOR",  "BŘEZEN", "DUBEN", "KVĚTEN",   "ČERVEN",
                           "ČERVENEC", "SRPEN", "ZAŘÍ",   "ŘÍJEN", "LISTOPAD", "PROSINEC"};
    for (int32_t m = 1; m <= 12; ++m)
        EXPECT_EQ(kw::MonthNames(m), names[m - 1]) << m;
    for (const int32_t bad : {0, 13, -1, 1000})
        EXPECT_EQ(kw::MonthNames(bad), "") << bad;

    struct Case {
        int32_t year, month, days;
    } cases[] = {
        {2023, 1, 31}, {2023, 2, 28}, {2024, 2, 29}, {2023, 4, 30}, {2023, 12, 31}, {1900, 2, 29},
        {2100, 2, 29}, {2000, 2, 29}, {2101, 2, 28}, {2024, 0, 0},  {2024, 13, 0},  {2024, -5, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kw::DaysInMonth(c.year, c.month), c.days) << c.year << "-" << c.month;

    EXPECT_TRUE(kw::IsLeapYear(2100));
    EXPECT_TRUE(kw::IsLeapYear(1900));
    EXPECT_TRUE(kw::IsLeapYear(2024));
    EXPECT_FALSE(kw::IsLeapYear(2023));
    EXPECT_FALSE(kw::IsLeapYear(2102));
}

struct LayoutCase {
    int32_t year, month;
    int32_t firstButton; // button of the 1st
    int32_t days;
    int32_t offset; // first-weekday offset
};

class CalendarLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(CalendarLayout, DaysSitInTheirWeekdayRows)
{
    const LayoutCase& c = GetParam();
    Fixture f;
    f.cal.LoadCalendarMonth(c.year, c.month, "");
    EXPECT_EQ(f.cal.DaysInMonthLoaded, c.days);
    EXPECT_EQ(f.cal.FirstWeekdayOffset, c.offset);
    EXPECT_EQ(f.cal.KemDay, 0);

    const auto buttons = f.cal.DayButtons();
    for (int32_t n = 1; n <= kw::DayButtonCount; ++n) {
        const kw::DayButton& b = buttons[static_cast<std::size_t>(n - 1)];
        const int32_t day = n - c.firstButton + 1;
        const bool shown = day >= 1 && day <= c.days;
        ASSERT_EQ(b.visible, shown) << "Button" << n;
        EXPECT_EQ(b.position.x, 32 + 32 * ((n - 1) / 7)) << n;
        EXPECT_EQ(b.position.y, 24 + 24 * ((n - 1) % 7)) << n;
        if (!shown)
            continue;
        EXPECT_EQ(b.day, day);
        EXPECT_EQ(b.caption, std::to_string(day));
        // Row 5 is Saturday, row 6 Sunday: no KALEND.INI, so weekday styles.
        const int32_t row = (n - 1) % 7;
        const int32_t style =
            row == 5 ? kw::FontItalic : (row == 6 ? kw::FontBold : kw::FontNormal);
        EXPECT_EQ(b.fontStyle, style) << "day " << day;
        EXPECT_EQ(f.cal.DayType(day), style) << "day " << day;
    }
}

INSTANTIATE_TEST_SUITE_P(Months, CalendarLayout,
                         testing::Values(
                             // 1 July 2024 is a Monday: Button1.
                             LayoutCase{2024, 7, 1, 31, 6},
                             // 1 September 2024 is a Sunday: Button7.
                             LayoutCase{2024, 9, 7, 30, 5},
                             // 31 days from a Sunday end at Button37.
                             LayoutCase{2024, 12, 7, 31, 5},
                             // No century rule: February 2100 has 29 days.
                             LayoutCase{2100, 2, 1, 29, 6}, LayoutCase{2024, 2, 4, 29, 2},
                             LayoutCase{2023, 2, 3, 28, 1}, LayoutCase{1900, 3, 4, 31, 2},
                             LayoutCase{1980, 1, 2, 31, 0}, LayoutCase{2023, 12, 5, 31, 3}));

TEST(Calendar, LastDayOfALongMonthFromSundayIsButton37)
{
    Fixture f;
    f.cal.LoadCalendarMonth(2024, 12, "");
    const auto buttons = f.cal.DayButtons();
    EXPECT_TRUE(buttons[36].visible);
    EXPECT_EQ(buttons[36].day, 31);
    EXPECT_FALSE(buttons[5].visible);
    EXPECT_EQ(buttons[6].day, 1);
}

TEST(Calendar, MissingFileGivesWeekdayDefaultsAndWritesNothing)
{
    Fixture f;
    int changed = 0;
    f.cal.Changed = [&] { ++changed; };
    f.cal.LoadCalendarMonth(2024, 1, "");
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(f.cal.KemDay, 0);
    // 6 and 7 January 2024 are Saturday and Sunday.
    EXPECT_EQ(f.cal.DayType(5), kw::WorkingDay);
    EXPECT_EQ(f.cal.DayType(6), kw::Saturday);
    EXPECT_EQ(f.cal.DayType(7), kw::Sunday);
    EXPECT_EQ(f.cal.DayType(0), 0);
    EXPECT_EQ(f.cal.DayType(33), 0);
    EXPECT_FALSE(std::filesystem::exists(f.file()));
}

struct ReadCase {
    const char* name;
    std::vector<std::string> lines;
    int32_t year, month;
    std::vector<std::pair<int32_t, int32_t>> types; // day, expected type
    int32_t kem;
};

class CalendarReading : public testing::TestWithParam<ReadCase> {};

TEST_P(CalendarReading, TypesAndEnergyMonthEnd)
{
    const ReadCase& c = GetParam();
    Fixture f(Ini(c.lines));
    f.cal.LoadCalendarMonth(c.year, c.month, "-");
    for (const auto& [day, type] : c.types)
        EXPECT_EQ(f.cal.DayType(day), type) << "day " << day;
    EXPECT_EQ(f.cal.KemDay, c.kem);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, CalendarReading,
    testing::Values(
        // 1 January 2024 is a Monday, 1 November 2024 a Friday.
        ReadCase{"MonthMatchedAsAWholeNumberJanuary",
                 {"[2024]", "1.11=N", "11.1=S", "05.1=P", "5.01=N", "0.1=N", "32.1=N", "x.1=N"},
                 2024,
                 1,
                 {{1, 0}, {11, 11}, {5, 10}, {31, 0}},
                 0},
        ReadCase{"MonthMatchedAsAWholeNumberNovember",
                 {"[2024]", "1.11=N", "11.1=S", "05.1=P"},
                 2024,
                 11,
                 {{1, 12}, {11, 0}, {5, 0}},
                 0},
        ReadCase{
            "LettersAnyCaseAndEnergyMonthEnds",
            {"[2024]", "2.1=p", "3.1=S", "4.1=n", "6.1=E", "8.1=", "9.1=Q", "10.1=QE", "29.1=se"},
            2024,
            1,
            {{2, 10}, {3, 11}, {4, 12}, {6, 1}, {8, 0}, {9, 0}, {10, 0}, {29, 11}},
            29},
        ReadCase{"LastEnergyMonthEndWins",
                 {"[2024]", "31.1=E", "15.1=NE", "20.1=e"},
                 2024,
                 1,
                 {{15, 12}, {31, 0}},
                 20},
        ReadCase{"TheDaysOfAnotherYearDoNotCount",
                 {"[2023]", "2.1=N", "[2024]", "3.1=S"},
                 2024,
                 1,
                 {{2, 0}, {3, 11}},
                 0},
        ReadCase{"SectionNameIsTheYearWithoutLeadingZeros",
                 {"[0024]", "2.1=N", "[24]", "3.1=S"},
                 24,
                 1,
                 {{3, 11}},
                 0}),
    [](const testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

TEST(Calendar, EmptyYearTakesEveryTemplateKey)
{
    Fixture f(Ini({"[1980]", "1.1=N", "24.12=N", "1.5=n", "bad=X", "31.1=E", "[2023]", "1.1=P"}));
    f.cal.LoadCalendarMonth(2024, 1, "");
    // Template days show as explicit rest days: bold.
    EXPECT_EQ(f.cal.DayType(1), kw::ExplicitRestDay);
    EXPECT_EQ(f.cal.DayButtons()[0].fontStyle, kw::FontBold);
    EXPECT_EQ(f.cal.KemDay, 31);
    EXPECT_EQ(f.cal.DayButtons()[30].caption, "[31]");

    // All months and even keys that name no day are copied, values unchanged.
    const std::vector<std::string> expected = {"1.1", "24.12", "1.5", "bad", "31.1"};
    EXPECT_EQ(Keys(f.file(), "2024"), expected);
    EXPECT_EQ(Stored(f.file(), "2024", "1.5"), "n");
    EXPECT_EQ(Stored(f.file(), "2024", "bad"), "X");
    EXPECT_EQ(Keys(f.file(), "2023"), std::vector<std::string>{"1.1"});

    // From now on the year has its own keys: template changes no longer reach it.
    kw::IniLayer writer;
    writer.WriteIniValue(f.file(), "1980", "2.1", "N");
    f.cal.LoadCalendarMonth(2024, 1, "");
    EXPECT_EQ(f.cal.DayType(2), kw::WorkingDay);
    EXPECT_EQ(Keys(f.file(), "2024").size(), 5u);
}

TEST(Calendar, YearWithKeysIsNotFilledFromTheTemplate)
{
    Fixture f(Ini({"[1980]", "1.1=N", "[2023]", "5.5=P"}));
    f.cal.LoadCalendarMonth(2023, 1, "");
    // 1 January 2023 is a Sunday.
    EXPECT_EQ(f.cal.DayType(1), kw::Sunday);
    EXPECT_EQ(Keys(f.file(), "2023"), std::vector<std::string>{"5.5"});
}

TEST(Calendar, FailedTemplateCopyStillLoadsTheMonth)
{
    Fixture f(Ini({"[1980]", "1.1=N", "31.1=E"}));
    int errors = 0;
    kw::Log log;
    log.setSink([&errors](const std::string&, bool error) { errors += error; });
    f.ini.setLog(&log);
    ASSERT_EQ(chmod(f.file().c_str(), 0444), 0); // refused to root too
    for (const int32_t month : {1, 2, 1})
        f.cal.LoadCalendarMonth(2024, month, "");
    EXPECT_TRUE(f.cal.DayType(1) == kw::ExplicitRestDay && f.cal.KemDay == 31 && errors == 1);
    // Writable again: the next load of the year stores the copy, quietly.
    ASSERT_EQ(chmod(f.file().c_str(), 0644), 0);
    f.cal.LoadCalendarMonth(2024, 3, "");
    EXPECT_TRUE(Keys(f.file(), "2024").size() == 2 && errors == 1);
}

TEST(Calendar, CaptionRule)
{
    Fixture f;
    EXPECT_EQ(f.cal.Caption, "Kalendář");
    f.cal.LoadCalendarMonth(2024, 7, "-");
    EXPECT_EQ(f.cal.Caption, "Kalendář");
    f.cal.LoadCalendarMonth(2024, 7, "");
    EXPECT_EQ(f.cal.Caption, "Kalendář ČERVENEC 2024");
    f.cal.LoadCalendarMonth(2024, 8, "-");
    EXPECT_EQ(f.cal.Caption, "Kalendář ČERVENEC 2024");
    f.cal.LoadCalendarMonth(2024, 8, "Výběr dne");
    EXPECT_EQ(f.cal.Caption, "Výběr dne");
}

TEST(Calendar, StepsAcrossYearEnds)
{
    struct Case {
        int32_t year, month;
        bool next;
        int32_t year2, month2;
    } cases[] = {
        {2023, 12, true, 2024, 1}, {2024, 1, false, 2023, 12}, {2024, 6, true, 2024, 7},
        {2024, 6, false, 2024, 5}, {2000, 1, false, 1999, 12},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.cal.LoadCalendarMonth(2030, 3, "Titulek");
        int32_t year = c.year, month = c.month;
        if (c.next)
            f.cal.NextCalendarMonth(year, month);
        else
            f.cal.PrevCalendarMonth(year, month);
        EXPECT_EQ(year, c.year2);
        EXPECT_EQ(month, c.month2);
        EXPECT_EQ(f.cal.Year, c.year2);
        EXPECT_EQ(f.cal.Month, c.month2);
        EXPECT_EQ(f.cal.DaysInMonthLoaded, kw::DaysInMonth(c.year2, c.month2));
        EXPECT_EQ(f.cal.Caption, "Titulek");
    }

    Fixture f;
    f.cal.LoadCalendarMonth(2023, 12, "");
    f.cal.ShowNextMonth();
    EXPECT_EQ(f.cal.Caption, "Kalendář LEDEN 2024");
    f.cal.ShowPreviousMonth();
    f.cal.ShowPreviousMonth();
    EXPECT_EQ(f.cal.Caption, "Kalendář LISTOPAD 2023");
}

TEST(Calendar, SelectionModeHandsTheDayOver)
{
    Fixture f(Ini({"[2024]", "31.1=E"}));
    std::vector<std::string> events;
    f.cal.SelectionHandler = [&](int32_t day) { events.push_back("day " + std::to_string(day)); };
    ASSERT_TRUE(f.cal.SelectionMode);
    f.cal.LoadCalendarMonth(2024, 1, "Zvolte den");
    EXPECT_FALSE(f.cal.MonthButtonsVisible);
    EXPECT_EQ(f.cal.DayButtons()[30].caption, "[31]");

    const kw::DayClick click = f.cal.ClickDay("[31]", [&] { events.push_back("hide"); });
    EXPECT_EQ(click.day, 31);
    EXPECT_TRUE(click.hideWindow);
    EXPECT_FALSE(click.showPopup);
    // The window is gone before the handler starts a listing.
    EXPECT_EQ(events, (std::vector<std::string>{"hide", "day 31"}));

    // Captions that name no day of the month do nothing.
    for (const char* caption : {"", "[]", "32", "0", "99999999999999"}) {
        events.clear();
        EXPECT_EQ(f.cal.ClickDay(caption).day, 0) << caption;
        EXPECT_TRUE(events.empty()) << caption;
    }
}

TEST(Calendar, EditingModeOpensThePopup)
{
    Fixture f(Ini({"[2024]", "2.1=P"}));
    int handled = 0;
    f.cal.SelectionHandler = [&](int32_t) { ++handled; };
    f.cal.SelectionMode = false;
    f.cal.LoadCalendarMonth(2024, 1, "");
    EXPECT_TRUE(f.cal.MonthButtonsVisible);
    const kw::DayClick click = f.cal.ClickDay("2");
    EXPECT_EQ(handled, 0);
    EXPECT_TRUE(click.showPopup);
    EXPECT_FALSE(click.hideWindow);
    EXPECT_EQ(f.cal.ClickedDay, 2);
    EXPECT_TRUE(click.popup.O);
    EXPECT_FALSE(click.popup.P);
}

TEST(Calendar, PopupEnablingRules)
{
    // 1 January 2024 Monday, 6 Saturday, 7 Sunday.
    Fixture f(Ini({"[2024]", "2.1=P", "3.1=S", "4.1=N", "31.1=E"}));
    f.cal.LoadCalendarMonth(2024, 1, "");
    struct Case {
        int32_t day;
        bool O, P, S, N, KEM, ZKEM;
    } cases[] = {
        {1, false, false, true, true, false, false},  {6, false, true, false, true, false, false},
        {7, false, true, true, false, false, false},  {2, true, false, false, false, false, false},
        {3, true, false, false, false, false, false}, {4, true, false, false, false, false, false},
        {31, false, false, true, true, false, true},
    };
    for (const Case& c : cases) {
        const kw::PopupState s = f.cal.PopupFor(c.day);
        EXPECT_EQ(s.O, c.O) << c.day;
        EXPECT_EQ(s.P, c.P) << c.day;
        EXPECT_EQ(s.S, c.S) << c.day;
        EXPECT_EQ(s.N, c.N) << c.day;
        EXPECT_EQ(s.KEM, c.KEM) << c.day;
        EXPECT_EQ(s.ZKEM, c.ZKEM) << c.day;
    }
}

struct ActionCase {
    const char* name;
    std::vector<std::string> lines; // KALEND.INI before
    int32_t day;
    PopupItem item;
    // Section 2024 afterwards, key by key, in file order.
    std::vector<std::pair<std::string, std::string>> after;
    int32_t type; // day type after the reload
    int32_t kem;
};

class CalendarPopupAction : public testing::TestWithParam<ActionCase> {};

TEST_P(CalendarPopupAction, WritesKalendIniAndReloads)
{
    const ActionCase& c = GetParam();
    Fixture f(Ini(c.lines));
    f.cal.SelectionMode = false;
    f.cal.LoadCalendarMonth(2024, 1, "");
    int changed = 0;
    f.cal.Changed = [&] { ++changed; };
    ASSERT_TRUE(f.cal.ClickDay(std::to_string(c.day)).showPopup);
    ASSERT_TRUE(f.cal.PopupAction(c.item));
    EXPECT_EQ(changed, 1); // reloaded

    std::vector<std::pair<std::string, std::string>> after;
    for (const std::string& key : Keys(f.file(), "2024"))
        after.emplace_back(key, Stored(f.file(), "2024", key).value_or("<missing>"));
    EXPECT_EQ(after, c.after);
    EXPECT_EQ(f.cal.DayType(c.day), c.type);
    EXPECT_EQ(f.cal.KemDay, c.kem);
}

INSTANTIATE_TEST_SUITE_P(
    Items, CalendarPopupAction,
    testing::Values(
        ActionCase{
            "KemOnExplicitRestDay", {"[2024]", "1.1=N"}, 1, PopupItem::KEM, {{"1.1", "NE"}}, 12, 1},
        ActionCase{"KemOnWeekdayDefault",
                   {"[2024]", "1.1=N"},
                   31,
                   PopupItem::KEM,
                   {{"1.1", "N"}, {"31.1", "E"}},
                   0,
                   31},
        ActionCase{"ZkemOnExplicitRestDay",
                   {"[2024]", "1.1=NE"},
                   1,
                   PopupItem::ZKEM,
                   {{"1.1", "N"}},
                   12,
                   0},
        // 2 January 2024 is a Tuesday, 6 a Saturday: the letter comes from the
        // explicit type, not from the weekday.
        ActionCase{"KemOnExplicitWorkingDay",
                   {"[2024]", "6.1=P"},
                   6,
                   PopupItem::KEM,
                   {{"6.1", "PE"}},
                   10,
                   6},
        ActionCase{
            "KemOnExplicitDayOff", {"[2024]", "2.1=S"}, 2, PopupItem::KEM, {{"2.1", "SE"}}, 11, 2},
        ActionCase{"ZkemOnExplicitWorkingDay",
                   {"[2024]", "6.1=PE"},
                   6,
                   PopupItem::ZKEM,
                   {{"6.1", "P"}},
                   10,
                   0},
        ActionCase{"ZkemOnExplicitDayOff",
                   {"[2024]", "2.1=SE"},
                   2,
                   PopupItem::ZKEM,
                   {{"2.1", "S"}},
                   11,
                   0},
        ActionCase{"ZkemWithoutExplicitTypeLeavesAnEmptyValue",
                   {"[2024]", "31.1=E"},
                   31,
                   PopupItem::ZKEM,
                   {{"31.1", ""}},
                   0,
                   0},
        ActionCase{"RevertOnExplicitKemDayKeepsTheEnd",
                   {"[2024]", "1.1=NE"},
                   1,
                   PopupItem::O,
                   {{"1.1", "E"}},
                   0,
                   1},
        ActionCase{"RevertDeletesTheKey",
                   {"[2024]", "1.1=N", "2.1=P"},
                   1,
                   PopupItem::O,
                   {{"2.1", "P"}},
                   0,
                   0},
        ActionCase{"TypeOnKemDayKeepsTheEnd",
                   {"[2024]", "6.1=E"},
                   6,
                   PopupItem::P,
                   {{"6.1", "PE"}},
                   10,
                   6},
        ActionCase{"TypeOnPlainDay",
                   {"[2024]", "2.1=P"},
                   3,
                   PopupItem::S,
                   {{"2.1", "P"}, {"3.1", "S"}},
                   11,
                   0},
        ActionCase{"RestDayOnSaturday",
                   {"[2024]", "2.1=P"},
                   6,
                   PopupItem::N,
                   {{"2.1", "P"}, {"6.1", "N"}},
                   12,
                   0},
        // Reverting the last key must not let the template come back.
        ActionCase{"RevertOfTheOnlyKeyKeepsTheSection",
                   {"[1980]", "1.1=N", "[2024]", "1.1=N"},
                   1,
                   PopupItem::O,
                   {{"1.1", ""}},
                   0,
                   0},
        // "05.1" names day 5 as well; left alone it would undo the change.
        ActionCase{"OtherSpellingOfTheDayGoes",
                   {"[2024]", "05.1=NE", "5.11=S"},
                   5,
                   PopupItem::ZKEM,
                   {{"5.11", "S"}, {"5.1", "N"}},
                   12,
                   0}),
    [](const testing::TestParamInfo<ActionCase>& info) { return info.param.name; });

TEST(Calendar, KemStaysDisabledForOtherDaysUntilCleared)
{
    Fixture f(Ini({"[2024]", "2.1=P"}));
    f.cal.SelectionMode = false;
    f.cal.LoadCalendarMonth(2024, 1, "");
    f.cal.ClickDay("10");
    ASSERT_TRUE(f.cal.PopupAction(PopupItem::KEM));
    for (int32_t day = 1; day <= 31; ++day)
        EXPECT_FALSE(f.cal.PopupFor(day).KEM) << day;
    EXPECT_TRUE(f.cal.PopupFor(10).ZKEM);
    EXPECT_FALSE(f.cal.PopupFor(11).ZKEM);

    // Disabled items change nothing.
    f.cal.ClickDay("11");
    const std::vector<std::string> keys = Keys(f.file(), "2024");
    EXPECT_FALSE(f.cal.PopupAction(PopupItem::KEM));
    EXPECT_FALSE(f.cal.PopupAction(PopupItem::ZKEM));
    EXPECT_FALSE(f.cal.PopupAction(PopupItem::O));
    EXPECT_EQ(Keys(f.file(), "2024"), keys);

    f.cal.ClickDay("[10]");
    ASSERT_TRUE(f.cal.PopupAction(PopupItem::ZKEM));
    EXPECT_EQ(f.cal.KemDay, 0);
    EXPECT_TRUE(f.cal.PopupFor(11).KEM);
}

TEST(Calendar, FileFoundWithoutRegardToCase)
{
    kwtest::TempDir dir;
    dir.write("kalend.ini", Ini({"[2024]", "2.1=N"}));
    kw::IniLayer ini;
    kw::Calendar cal(ini);
    cal.setProgramPath(dir.path());
    cal.SelectionMode = false;
    cal.LoadCalendarMonth(2024, 1, "");
    EXPECT_EQ(cal.DayType(2), kw::ExplicitRestDay);
    cal.ClickDay("2");
    ASSERT_TRUE(cal.PopupAction(PopupItem::O));
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "KALEND.INI"));
    EXPECT_EQ(Stored(dir.path() + "kalend.ini", "2024", "2.1"), "");
}

TEST(Calendar, PublicHolidaysWithEaster)
{
    const std::vector<std::pair<int32_t, std::vector<kw::DayOfYear>>> cases = {
        // Easter Sunday 31 March: Good Friday in March, Easter Monday in April.
        {2024, {{29, 3}, {1, 4}}},
        // Easter in March (the 23rd), before Good Friday was a holiday.
        {2008, {{24, 3}}},
        // The first year with Good Friday.
        {2016, {{25, 3}, {28, 3}}},
        {2019, {{19, 4}, {22, 4}}},
        {1999, {{5, 4}}},
        {2000, {{24, 4}}},
    };
    const std::vector<kw::DayOfYear> fixed = {{1, 1},   {1, 5},   {8, 5},   {5, 7},
                                              {6, 7},   {28, 9},  {28, 10}, {17, 11},
                                              {24, 12}, {25, 12}, {26, 12}};
    for (const auto& [year, easter] : cases) {
        std::vector<kw::DayOfYear> expected = fixed;
        expected.insert(expected.begin() + 1, easter.begin(), easter.end());
        for (const kw::DayOfYear& day : {kw::DayOfYear{28, 9}, kw::DayOfYear{17, 11}})
            if (year < 2000)
                expected.erase(std::find(expected.begin(), expected.end(), day));
        EXPECT_EQ(kw::CzechPublicHolidays(year), expected) << year;
    }
}

TEST(Calendar, AddingHolidaysKeepsEveryKeyThereIs)
{
    // The user's own keys for holidays stay, whatever they say.
    const std::string before =
        Ini({"; kalendář", "[2024]", "05.7=P", "24.12=SE", "3.3=N", "", "[2025]", "1.1=N"});
    Fixture f(before);
    kw::Log log;
    std::vector<std::string> lines;
    log.setSink([&](const std::string& line, bool) { lines.push_back(line); });
    kw::Calendar cal(f.ini, &log);
    cal.setProgramPath(f.dir.path());
    cal.SelectionMode = false;
    cal.LoadCalendarMonth(2024, 12, "");
    const std::vector<std::string> written = cal.AddPublicHolidays();
    EXPECT_EQ(written, (std::vector<std::string>{"1.1", "29.3", "1.4", "1.5", "8.5", "6.7", "28.9",
                                                 "28.10", "17.11", "25.12", "26.12"}));
    EXPECT_EQ(Stored(f.file(), "2024", "05.7"), "P");
    EXPECT_EQ(Stored(f.file(), "2024", "5.7"), std::nullopt) << "05.7 names the day already";
    EXPECT_EQ(Stored(f.file(), "2024", "24.12"), "SE");
    EXPECT_EQ(Stored(f.file(), "2024", "25.12"), "N");
    EXPECT_EQ(cal.DayType(25), kw::ExplicitRestDay);
    EXPECT_EQ(Keys(f.file(), "2025"), std::vector<std::string>{"1.1"});
    // The other lines stay byte for byte: only the year's new keys are added.
    std::ifstream in(f.file(), std::ios::binary);
    const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(after.substr(0, before.find("\r\n\r\n[2025]")),
              before.substr(0, before.find("\r\n\r\n[2025]")));
    EXPECT_EQ(after.substr(after.find("\r\n\r\n[2025]")),
              before.substr(before.find("\r\n\r\n[2025]")));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("29.3"), std::string::npos);
    // A second time there is nothing left to add.
    EXPECT_TRUE(cal.AddPublicHolidays().empty());
}

} // namespace
