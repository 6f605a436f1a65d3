#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kw {

class IniDocument;
class IniLayer;
class Log;

// Czech month name in capitals for month 1..12; an empty text otherwise.
const std::string& MonthNames(int32_t month);
// Length of the month, from the ordinary or the leap-year row; 0 for a month
// outside 1..12.
int32_t DaysInMonth(int32_t year, int32_t month);
// Every year divisible by 4; the calendar has no century rule, so February
// 2100 shows 29 days.
bool IsLeapYear(int32_t year);

// Day type codes: 0..2 follow the weekday, 10..12 were set in KALEND.INI.
// The code mod 10 is the day class of the sums.
enum DayTypeCode : int32_t {
    WorkingDay = 0,
    Saturday = 1,
    Sunday = 2,
    ExplicitWorkingDay = 10, // "P"
    ExplicitDayOff = 11,     // "S"
    ExplicitRestDay = 12,    // "N"
};

enum DayFontStyle : int32_t { FontNormal = 0, FontItalic = 1, FontBold = 2 };

// A day of a month: {day, month}.
using DayOfYear = std::pair<int32_t, int32_t>;

// Easter Sunday of a year of the Gregorian calendar.
DayOfYear EasterSunday(int32_t year);
// The Czech public holidays of a year, in date order: each only in the years
// it was one (28 September and 17 November from 2000, Good Friday from 2016),
// the others and Easter Monday in every year.
std::vector<DayOfYear> CzechPublicHolidays(int32_t year);

constexpr int32_t DayButtonCount = 37;

// Place of day button n (1..37) in the window: seven rows, Monday first.
struct DayButtonPosition {
    int32_t column = 0;
    int32_t row = 0;
    int32_t x = 0;
    int32_t y = 0;
};
DayButtonPosition DayButtonPlace(int32_t n);

// What day button n shows for the loaded month.
struct DayButton {
    bool visible = false;
    int32_t day = 0;       // 0 when hidden
    std::string caption;   // "[d]" for the energy-month end
    int32_t fontStyle = 0; // DayFontStyle from the day class
    DayButtonPosition position;
};

enum class PopupItem { O, P, S, N, KEM, ZKEM };

// Which items of the day's popup menu can be chosen.
struct PopupState {
    bool O = false;
    bool P = false;
    bool S = false;
    bool N = false;
    bool KEM = false;
    bool ZKEM = false;

    bool enabled(PopupItem item) const;
};

// Outcome of a click on a day button.
struct DayClick {
    int32_t day = 0;
    bool hideWindow = false; // selection mode: the window closes
    bool showPopup = false;  // editing mode: open the popup with `popup`
    PopupState popup;
};

// Day types and energy-month ends of one loaded month, kept in KALEND.INI:
// one section per year, keys "day.month", values P/S/N (explicit type) and E
// (energy-month end). Section "1980" is the template copied into a year
// whose section is still empty.
class Calendar {
public:
    static constexpr const char* FileName = "KALEND.INI";
    static constexpr const char* TemplateSection = "1980";

    // `log` (optional) receives the keys a template copy had to skip.
    explicit Calendar(IniLayer& ini, Log* log = nullptr);

    // The program directory, ending in '/'.
    void setProgramPath(const std::string& path) { m_programPath = path; }
    const std::string& programPath() const { return m_programPath; }
    // KALEND.INI in the program directory, whatever the case of its name.
    std::string CalendarFilePath() const;

    // --- Loaded-month state: the month last loaded, shown or not.
    bool Loaded = false;
    int32_t Year = 0;
    int32_t Month = 0;
    std::string YearText;  // section name
    std::string MonthText; // the month part of the keys
    int32_t KemDay = 0;    // 0: no energy-month end in this month
    int32_t DaysInMonthLoaded = 0;
    // (weekday number of the 1st + 4) mod 7, weekday number 1 = Sunday.
    int32_t FirstWeekdayOffset = 0;
    std::array<int32_t, 33> DayTypes{}; // index 1..32; [0] unused
    int32_t ClickedDay = 0;
    bool SelectionMode = true;
    std::function<void(int32_t)> SelectionHandler;
    std::string Caption = "Kalendář";
    // The "<" and ">" buttons: shown only for editing, decided at each load.
    bool MonthButtonsVisible = true;

    // Called after every load, so that a window redraws.
    std::function<void()> Changed;

    // Loads day types and the energy-month end of the month. Title: empty
    // gives "Kalendář MONTH YEAR", "-" keeps the caption, anything else
    // becomes the caption; while editing (not in selection mode) the caption
    // always names the month loaded, so it never disagrees with the grid.
    // Copying the template into an empty year writes KALEND.INI once, whole
    // or not at all (keys that cannot be stored are skipped and logged). A
    // refused write (a read-only archive) does not stop the load: the month
    // takes the template as read, the refusal is logged once per file and
    // year, and each later load of that year tries the store again. A
    // KALEND.INI that is there but cannot be read throws UserActionError,
    // after the month took the weekday types.
    void LoadCalendarMonth(int32_t year, int32_t month, const std::string& title);
    // Step the caller's month one forward or back, then load it keeping the
    // caption.
    void NextCalendarMonth(int32_t& year, int32_t& month);
    void PrevCalendarMonth(int32_t& year, int32_t& month);
    void ReloadCalendarMonth();
    // The "<" and ">" buttons: step the loaded month and show its name.
    void ShowPreviousMonth();
    void ShowNextMonth();

    // Type code of day 1..32 of the loaded month; 0 outside.
    int32_t DayType(int32_t day) const;

    std::array<DayButton, DayButtonCount> DayButtons() const;

    PopupState PopupFor(int32_t day) const;
    static PopupState PopupFor(int32_t day, int32_t type, int32_t kemDay);

    // A click on a day button with this caption (its digits give the day).
    // Selection mode: calls `hideWindow` (when given), then the selection
    // handler. Editing mode: records the clicked day and returns the popup
    // state. A caption that names no day of the loaded month does nothing.
    DayClick ClickDay(const std::string& caption, const std::function<void()>& hideWindow = {});

    // "Doplnit státní svátky": writes "N" for every public holiday of the
    // loaded year that has no key of its own yet, in one locked
    // read-modify-write of KALEND.INI, logs what it wrote and reloads the
    // month. Nothing else in the file changes. Returns the keys written. A
    // failed write throws UserActionError.
    std::vector<std::string> AddPublicHolidays();

    // Applies a popup item to the clicked day in one locked read-modify-write
    // of KALEND.INI and reloads the month. What is written is decided from
    // the file as it is now, so an edit made meanwhile by another copy of the
    // program is never written over. Returns false (and changes nothing) when
    // the item is not enabled for that day, as loaded or as the file now
    // stands. A failed write throws UserActionError.
    bool PopupAction(PopupItem item);

private:
    // One key of a section with its value, in file order.
    using Entries = std::vector<std::pair<std::string, std::string>>;
    // Day types and energy-month end of the loaded month, by its entries.
    struct MonthMarks {
        int32_t kemDay = 0;
        std::array<int32_t, 33> dayTypes{};
    };
    // 1: key found; -2: the section has no keys; other: nothing read.
    int32_t ReadSection(const std::string& file, const std::string& section, Entries& out);
    MonthMarks MarksOf(const Entries& entries) const;
    void ApplyEntry(MonthMarks& marks, const std::string& key, const std::string& value) const;
    // Copies the template into the year's section of `doc` when the year has
    // no keys; the year's entries afterwards.
    Entries CopyTemplateIfEmpty(IniDocument& doc, const std::string& file);
    // Stores the template into the empty year on load; see LoadCalendarMonth.
    void StoreTemplateCopy(const std::string& file, Entries& entries);
    // Day of the loaded month that a key names, 0 when none.
    int32_t KeyDay(const std::string& key) const;

    IniLayer& m_ini;
    Log* m_log;
    std::string m_programPath;
    // File and year ("path\nyear") whose template copy was refused and
    // logged; not logged again until a store succeeds.
    std::set<std::string> m_refusedTemplateCopies;
};

} // namespace kw
