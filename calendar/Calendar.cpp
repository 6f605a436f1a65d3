#include "calendar/Calendar.h"

#include "archive/Codepage.h"
#include "archive/Errors.h"
#include "archive/FileLookup.h"
#include "archive/Ini.h"
#include "output/Log.h"

#include <algorithm>

namespace kw {

namespace {

constexpr std::array<uint8_t, 12> OrdinaryYear = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr std::array<uint8_t, 12> LeapYear = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int32_t FloorMod(int64_t a, int32_t m)
{
    const int64_t r = a % m;
    return static_cast<int32_t>(r < 0 ? r + m : r);
}

// Days from 1 January 1970 in the proleptic Gregorian calendar, so that the
// weekday depends on neither locale nor time zone.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d)
{
    y -= m <= 2 ? 1 : 0;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Monday-based weekday index (0 = Monday) of the 1st of a month 1..12.
int32_t MondayIndexOfFirst(int32_t year, int32_t month)
{
    // 1 January 1970 was a Thursday (index 3).
    return FloorMod(DaysFromCivil(year, month, 1) + 3, 7);
}

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The day part of a key: optional leading blanks, then decimal digits only
// ("05" is 5). Signs, hexadecimal and trailing text are no day.
bool ParseDayText(const std::string& text, int32_t& day)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i == text.size())
        return false;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
        if (value > 1000000) // far past any day, and no overflow
            return false;
    }
    day = static_cast<int32_t>(value);
    return true;
}

std::string Join(const std::vector<std::string>& keys)
{
    std::string text;
    for (const std::string& key : keys)
        text += (text.empty() ? "" : ", ") + key;
    return text;
}

char ExplicitLetter(int32_t type)
{
    switch (type) {
    case ExplicitWorkingDay:
        return 'P';
    case ExplicitDayOff:
        return 'S';
    case ExplicitRestDay:
        return 'N';
    default:
        return 0;
    }
}

} // namespace

DayOfYear EasterSunday(int32_t year)
{
    // The anonymous Gregorian computus.
    const int32_t a = year % 19;
    const int32_t b = year / 100;
    const int32_t c = year % 100;
    const int32_t d = b / 4;
    const int32_t e = b % 4;
    const int32_t f = (b + 8) / 25;
    const int32_t g = (b - f + 1) / 3;
    const int32_t h = (19 * a + b - d - g + 15) % 30;
    const int32_t i = c / 4;
    const int32_t k = c % 4;
    const int32_t l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int32_t m = (a + 11 * h + 22 * l) / 451;
    const int32_t n = h + l - 7 * m + 114;
    return {n % 31 + 1, n / 31};
}

std::vector<DayOfYear> CzechPublicHolidays(int32_t year)
{
    // 8 May for every year: Czechoslovakia kept the day on 9 May until 1991,
    // and a user who wants that sets it by hand (the help says so).
    std::vector<DayOfYear> days = {{1, 1},   {1, 5},   {8, 5},   {5, 7},  {6, 7},
                                   {28, 10}, {24, 12}, {25, 12}, {26, 12}};
    // St Wenceslas' Day and the day of the fight for freedom and democracy
    // are public holidays since 2000.
    if (year >= 2000) {
        days.push_back({28, 9});
        days.push_back({17, 11});
    }
    // Easter Sunday falls between 22 March and 25 April.
    const int64_t easter = DaysFromCivil(year, EasterSunday(year).second, EasterSunday(year).first);
    const auto dayAt = [year](int64_t n) {
        for (int32_t month = 3; month <= 4; ++month) {
            const int64_t first = DaysFromCivil(year, month, 1);
            if (n >= first && n < first + DaysInMonth(year, month))
                return DayOfYear{static_cast<int32_t>(n - first + 1), month};
        }
        return DayOfYear{0, 0};
    };
    if (year >= 2016)
        days.push_back(dayAt(easter - 2));
    days.push_back(dayAt(easter + 1));
    std::sort(days.begin(), days.end(), [](const DayOfYear& a, const DayOfYear& b) {
        return a.second != b.second ? a.second < b.second : a.first < b.first;
    });
    return days;
}

const std::string& MonthNames(int32_t month)
{
    static const std::array<std::string, 13> names = {
        "",         "LEDEN", "ÚNOR", "BŘEZEN", "DUBEN",    "KVĚTEN",  "ČERVEN",
        "ČERVENEC", "SRPEN", "ZAŘÍ", "ŘÍJEN",  "LISTOPAD", "PROSINEC"};
    if (month < 1 || month > 12)
        return names[0];
    return names[static_cast<std::size_t>(month)];
}

bool IsLeapYear(int32_t year)
{
    return (year & 3) == 0;
}

int32_t DaysInMonth(int32_t year, int32_t month)
{
    if (month < 1 || month > 12)
        return 0;
    const auto& row = IsLeapYear(year) ? LeapYear : OrdinaryYear;
    return row[static_cast<std::size_t>(month - 1)];
}

DayButtonPosition DayButtonPlace(int32_t n)
{
    DayButtonPosition p;
    if (n < 1 || n > DayButtonCount)
        return p;
    p.column = (n - 1) / 7;
    p.row = (n - 1) % 7;
    p.x = 32 + 32 * p.column;
    p.y = 24 + 24 * p.row;
    return p;
}

bool PopupState::enabled(PopupItem item) const
{
    switch (item) {
    case PopupItem::O:
        return O;
    case PopupItem::P:
        return P;
    case PopupItem::S:
        return S;
    case PopupItem::N:
        return N;
    case PopupItem::KEM:
        return KEM;
    case PopupItem::ZKEM:
        return ZKEM;
    }
    return false;
}

Calendar::Calendar(IniLayer& ini, Log* log) : m_ini(ini), m_log(log) {}

std::string Calendar::CalendarFilePath() const
{
    return ResolveFile(m_programPath, FileName);
}

int32_t Calendar::ReadSection(const std::string& file, const std::string& section, Entries& out)
{
    out.clear();
    const int32_t first = m_ini.ReadIniValue(file, section, "*");
    for (int32_t status = first; status >= 1; status = m_ini.NextIniKey())
        out.emplace_back(m_ini.IniKey, m_ini.IniValue);
    return first;
}

int32_t Calendar::KeyDay(const std::string& key) const
{
    // "." + month + "." inside key + "." takes "5.1" but neither "1.11" nor
    // "5.01" for January.
    const std::string probe = key + ".";
    const std::size_t p = probe.find("." + MonthText + ".");
    if (p == std::string::npos)
        return 0;
    int32_t day = 0;
    if (!ParseDayText(probe.substr(0, p), day) || day < 1 || day > 31)
        return 0;
    return day;
}

void Calendar::ApplyEntry(MonthMarks& marks, const std::string& key, const std::string& value) const
{
    const int32_t day = KeyDay(key);
    if (day == 0 || value.empty())
        return;
    auto& type = marks.dayTypes[static_cast<std::size_t>(day)];
    switch (Upper(value[0])) {
    case 'E':
        marks.kemDay = day;
        break;
    case 'N':
        type = ExplicitRestDay;
        break;
    case 'P':
        type = ExplicitWorkingDay;
        break;
    case 'S':
        type = ExplicitDayOff;
        break;
    default:
        break;
    }
    // The second letter counts by characters: a non-ASCII first letter takes
    // several bytes.
    const std::size_t second = Utf8Left(value, 1).size();
    if (second < value.size() && Upper(value[second]) == 'E')
        marks.kemDay = day;
}

Calendar::MonthMarks Calendar::MarksOf(const Entries& entries) const
{
    MonthMarks marks;
    for (int32_t d = 1; d <= 32; ++d) {
        const int32_t w = (d + FirstWeekdayOffset) % 7;
        marks.dayTypes[static_cast<std::size_t>(d)] =
            w <= 4 ? WorkingDay : (w == 5 ? Saturday : Sunday);
    }
    for (const auto& [key, value] : entries)
        ApplyEntry(marks, key, value);
    return marks;
}

Calendar::Entries Calendar::CopyTemplateIfEmpty(IniDocument& doc, const std::string& file)
{
    Entries year = doc.Entries(YearText);
    if (!year.empty())
        return year;
    const Entries templ = doc.Entries(TemplateSection);
    for (const auto& [key, value] : templ) {
        if (doc.Set(YearText, key, value))
            year.emplace_back(key, value);
        else if (m_log)
            m_log->WriteLog(true, "Kalendář: klíč \"" + key + "=" + value + "\" šablony " +
                                      TemplateSection + " nelze zapsat do roku " + YearText + " (" +
                                      file + "), vynechán");
    }
    return year;
}

void Calendar::LoadCalendarMonth(int32_t year, int32_t month, const std::string& title)
{
    // While editing, the caption names the month shown, whatever the caller
    // passes: a listing loading another month must not leave an old name.
    if (title.empty() || (title == "-" && !SelectionMode))
        Caption = "Kalendář " + MonthNames(month) + " " + std::to_string(year);
    else if (title != "-")
        Caption = title;
    MonthButtonsVisible = !SelectionMode;

    Loaded = true;
    Year = year;
    Month = month;
    KemDay = 0;
    DaysInMonthLoaded = DaysInMonth(year, month);
    YearText = std::to_string(year);
    MonthText = std::to_string(month);

    const bool validMonth = month >= 1 && month <= 12;
    // The weekday number (1 = Sunday) is (Monday index + 1) mod 7 + 1, so
    // (number + 4) mod 7 is (Monday index + 6) mod 7.
    FirstWeekdayOffset = validMonth ? (MondayIndexOfFirst(year, month) + 6) % 7 : 0;

    const auto show = [this](const Entries& entries) {
        const MonthMarks marks = MarksOf(entries);
        KemDay = marks.kemDay;
        DayTypes = marks.dayTypes;
        if (Changed)
            Changed();
    };
    Entries entries;
    // A month outside 1..12 has no days, so no key can name one of them.
    if (validMonth) {
        const std::string file = CalendarFilePath();
        try {
            if (ReadSection(file, YearText, entries) == -2 &&
                ReadSection(file, TemplateSection, entries) >= 1)
                StoreTemplateCopy(file, entries);
        } catch (const UserActionError&) {
            // A KALEND.INI that cannot be read ends the action that needs the
            // month; the month shown meanwhile is its weekdays, not the marks
            // of the month loaded before.
            show({});
            throw;
        }
    }
    show(entries);
}

void Calendar::StoreTemplateCopy(const std::string& file, Entries& entries)
{
    // The year takes the template: copied in one write under the lock, so it
    // is there whole or not at all, and a copy of the program that filled
    // the year meanwhile is not written over.
    const std::string refusal = file + "\n" + YearText;
    const bool reported = m_refusedTemplateCopies.count(refusal) != 0;
    try {
        m_ini.EditIniFile(
            file, [&](IniDocument& doc) { entries = CopyTemplateIfEmpty(doc, file); }, !reported);
        m_refusedTemplateCopies.erase(refusal);
    } catch (const UserActionError&) {
        // A read-only archive is still listed, from the template as read;
        // the user asked for no write, so this is the log's business only,
        // once, and the next load of the year tries again.
        m_refusedTemplateCopies.insert(refusal);
    }
}

void Calendar::NextCalendarMonth(int32_t& year, int32_t& month)
{
    ++month;
    if (month > 12) {
        month = 1;
        ++year;
    }
    LoadCalendarMonth(year, month, "-");
}

void Calendar::PrevCalendarMonth(int32_t& year, int32_t& month)
{
    --month;
    if (month < 1) {
        month = 12;
        --year;
    }
    LoadCalendarMonth(year, month, "-");
}

void Calendar::ReloadCalendarMonth()
{
    LoadCalendarMonth(Year, Month, "-");
}

void Calendar::ShowPreviousMonth()
{
    int32_t year = Year;
    int32_t month = Month;
    PrevCalendarMonth(year, month);
    LoadCalendarMonth(year, month, "");
}

void Calendar::ShowNextMonth()
{
    int32_t year = Year;
    int32_t month = Month;
    NextCalendarMonth(year, month);
    LoadCalendarMonth(year, month, "");
}

int32_t Calendar::DayType(int32_t day) const
{
    if (day < 1 || day > 32)
        return 0;
    return DayTypes[static_cast<std::size_t>(day)];
}

std::array<DayButton, DayButtonCount> Calendar::DayButtons() const
{
    std::array<DayButton, DayButtonCount> buttons;
    const int32_t shift = (FirstWeekdayOffset + 1) % 7;
    for (int32_t n = 1; n <= DayButtonCount; ++n) {
        DayButton& b = buttons[static_cast<std::size_t>(n - 1)];
        b.position = DayButtonPlace(n);
        const int32_t d = n - shift;
        if (!Loaded || d < 1 || d > DaysInMonthLoaded)
            continue;
        b.visible = true;
        b.day = d;
        b.caption = d == KemDay ? "[" + std::to_string(d) + "]" : std::to_string(d);
        b.fontStyle = DayType(d) % 10;
    }
    return buttons;
}

PopupState Calendar::PopupFor(int32_t day) const
{
    return PopupFor(day, DayType(day), KemDay);
}

PopupState Calendar::PopupFor(int32_t day, int32_t type, int32_t kemDay)
{
    PopupState s;
    // An explicit type must be reverted with O before another can be set.
    s.O = type >= 10;
    s.P = type < 10 && type != WorkingDay;
    s.S = type < 10 && type != Saturday;
    s.N = type < 10 && type != Sunday;
    // At most one energy-month end per month.
    s.KEM = kemDay == 0;
    s.ZKEM = day == kemDay && kemDay != 0;
    return s;
}

DayClick Calendar::ClickDay(const std::string& caption, const std::function<void()>& hideWindow)
{
    DayClick click;
    int64_t day = 0;
    bool any = false;
    for (const char c : caption) {
        if (c < '0' || c > '9')
            continue;
        any = true;
        day = day * 10 + (c - '0');
        if (day > 1000) // no day button has such a caption
            return click;
    }
    if (!any || !Loaded || day < 1 || day > DaysInMonthLoaded)
        return click;

    ClickedDay = static_cast<int32_t>(day);
    click.day = ClickedDay;
    if (SelectionMode) {
        click.hideWindow = true;
        if (hideWindow)
            hideWindow();
        if (SelectionHandler)
            SelectionHandler(ClickedDay);
        return click;
    }
    click.showPopup = true;
    click.popup = PopupFor(ClickedDay);
    return click;
}

std::vector<std::string> Calendar::AddPublicHolidays()
{
    if (!Loaded || Month < 1 || Month > 12)
        return {};
    const std::string file = CalendarFilePath();
    std::vector<std::string> written;
    try {
        m_ini.EditIniFile(file, [&](IniDocument& doc) {
            written.clear();
            const Entries entries = CopyTemplateIfEmpty(doc, file);
            for (const auto& [day, month] : CzechPublicHolidays(Year)) {
                // Any key naming the day ("5.7", "05.7") is the user's own.
                const std::string monthText = "." + std::to_string(month) + ".";
                bool taken = false;
                for (const auto& entry : entries) {
                    const std::string probe = entry.first + ".";
                    const std::size_t p = probe.find(monthText);
                    int32_t keyDay = 0;
                    if (p != std::string::npos && ParseDayText(probe.substr(0, p), keyDay) &&
                        keyDay == day)
                        taken = true;
                }
                const std::string key = std::to_string(day) + "." + std::to_string(month);
                if (!taken && doc.Set(YearText, key, "N"))
                    written.push_back(key);
            }
        });
    } catch (...) {
        ReloadCalendarMonth();
        throw;
    }
    if (m_log)
        m_log->WriteLog(false, "Kalendář " + YearText + ": doplněny státní svátky " +
                                   (written.empty() ? std::string("(žádný, všechny už zapsány)")
                                                    : Join(written)));
    ReloadCalendarMonth();
    return written;
}

bool Calendar::PopupAction(PopupItem item)
{
    if (!Loaded || ClickedDay < 1 || ClickedDay > DaysInMonthLoaded)
        return false;
    if (!PopupFor(ClickedDay).enabled(item))
        return false;

    const std::string file = CalendarFilePath();
    const std::string key = std::to_string(ClickedDay) + "." + MonthText;
    bool done = false;
    try {
        m_ini.EditIniFile(file, [&](IniDocument& doc) {
            // The month as the file holds it now: another copy of the program
            // may have changed it since it was loaded here.
            const Entries entries = CopyTemplateIfEmpty(doc, file);
            const MonthMarks now = MarksOf(entries);
            const int32_t type = now.dayTypes[static_cast<std::size_t>(ClickedDay)];
            if (!PopupFor(ClickedDay, type, now.kemDay).enabled(item))
                return;
            const bool isKem = ClickedDay == now.kemDay;
            const char explicitLetter = ExplicitLetter(type);

            bool remove = false;
            std::string value;
            switch (item) {
            case PopupItem::O:
                if (isKem)
                    value = "E";
                else
                    remove = true;
                break;
            case PopupItem::P:
            case PopupItem::S:
            case PopupItem::N:
                value = item == PopupItem::P ? "P" : (item == PopupItem::S ? "S" : "N");
                if (isKem)
                    value += "E";
                break;
            case PopupItem::KEM:
                if (explicitLetter)
                    value += explicitLetter;
                value += "E";
                break;
            case PopupItem::ZKEM:
                if (explicitLetter)
                    value += explicitLetter;
                break;
            }

            if (remove)
                doc.Delete(YearText, key);
            else if (!doc.Set(YearText, key, value))
                m_ini.SaveFailed(file, "klíč " + key + " nelze zapsat");
            // Another spelling of the same day ("05.1" beside "5.1") would
            // still be read after the written key and undo the change, so it
            // goes.
            for (const auto& entry : entries) {
                if (!EqualsNoCase(entry.first, key) && KeyDay(entry.first) == ClickedDay)
                    doc.Delete(YearText, entry.first);
            }
            // A year left without keys would take the template again at the
            // next load and bring back what was just removed; an empty value
            // keeps the section and is ignored when read.
            if (remove && doc.Entries(YearText).empty())
                doc.Set(YearText, key, "");
            done = true;
        });
    } catch (...) {
        // Show what the file holds now, then let the window report the failure.
        ReloadCalendarMonth();
        throw;
    }
    ReloadCalendarMonth();
    return done;
}

} // namespace kw
