// KALEND.INI of arbitrary contents: months of the years it names and of fixed
// years loaded, the day buttons and popups derived, and edits applied.
#include "FuzzSupport.h"

#include "archive/Errors.h"
#include "archive/Ini.h"
#include "calendar/Calendar.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

// Years of the sections that the text seems to hold, a few.
std::vector<int32_t> SectionYears(const std::string& text)
{
    std::vector<int32_t> years;
    for (std::size_t at = text.find('['); at != std::string::npos && years.size() < 3;
         at = text.find('[', at + 1)) {
        int32_t year = 0;
        std::size_t i = at + 1;
        for (; i < text.size() && i < at + 6 && text[i] >= '0' && text[i] <= '9'; ++i)
            year = year * 10 + (text[i] - '0');
        if (i > at + 1)
            years.push_back(year);
    }
    return years;
}

void CheckLoaded(const kw::Calendar& cal)
{
    const int32_t days = cal.DaysInMonthLoaded;
    kwfuzz::Check(days >= 0 && days <= 31, "days in month");
    // A key names days 1..31 whatever the month's length, so an end past a
    // short month's last day is read as written.
    kwfuzz::Check(cal.KemDay >= 0 && cal.KemDay <= 31, "energy-month end");
    for (int32_t d = 0; d <= 33; ++d) {
        const int32_t t = cal.DayType(d);
        kwfuzz::Check(t == 0 || t == 1 || t == 2 || t == 10 || t == 11 || t == 12, "day type");
    }
    int32_t visible = 0;
    for (const kw::DayButton& b : cal.DayButtons()) {
        if (!b.visible)
            continue;
        ++visible;
        kwfuzz::Check(b.day >= 1 && b.day <= days, "button day");
        kwfuzz::Check(kwfuzz::IsUtf8(b.caption), "button caption");
    }
    kwfuzz::Check(visible == days, "visible buttons");
}

void Load(kw::Calendar& cal, int32_t year, int32_t month)
{
    // Filling an empty year from the template writes the file; a failed
    // write is reported after the month has been loaded.
    try {
        cal.LoadCalendarMonth(year, month, "");
    } catch (const kw::UserActionError&) {
    }
    CheckLoaded(cal);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string dir = kwfuzz::ScratchDir();
    kwfuzz::WriteFile(dir + kw::Calendar::FileName, data, size);

    kw::IniLayer ini;
    kw::Calendar cal(ini);
    cal.setProgramPath(dir);
    cal.SelectionMode = false;

    std::vector<std::pair<int32_t, int32_t>> months = {{2024, 2}, {2023, 12}, {1980, 1},
                                                       {2100, 2}, {2024, 13}, {0, 0}};
    for (const int32_t year : SectionYears(std::string(reinterpret_cast<const char*>(data), size)))
        for (const int32_t month : {1, 2, 3, 12})
            months.emplace_back(year, month);
    for (const auto& [year, month] : months) {
        Load(cal, year, month);
        for (int32_t d = 0; d <= 33; ++d)
            cal.PopupFor(d);
    }

    // Edits of one day of a month that the file may describe: every enabled
    // item in turn, each written and read back.
    Load(cal, months.back().first, 3);
    const int32_t days = cal.DaysInMonthLoaded;
    if (days > 0) {
        const int32_t day = 1 + static_cast<int32_t>(size % static_cast<size_t>(days));
        for (const kw::PopupItem item : {kw::PopupItem::P, kw::PopupItem::KEM, kw::PopupItem::S,
                                         kw::PopupItem::ZKEM, kw::PopupItem::N, kw::PopupItem::O}) {
            const kw::DayClick click = cal.ClickDay("[" + std::to_string(day) + "]");
            kwfuzz::Check(click.day == day && click.showPopup, "click on a day");
            if (!click.popup.enabled(item))
                continue;
            try {
                cal.PopupAction(item);
            } catch (const kw::UserActionError&) {
                continue;
            }
            CheckLoaded(cal);
            if (item == kw::PopupItem::P)
                kwfuzz::Check(cal.DayType(day) == kw::ExplicitWorkingDay, "P not applied");
            if (item == kw::PopupItem::N)
                kwfuzz::Check(cal.DayType(day) == kw::ExplicitRestDay, "N not applied");
            if (item == kw::PopupItem::KEM)
                kwfuzz::Check(cal.KemDay == day, "energy-month end not applied");
        }
    }
    return 0;
}
