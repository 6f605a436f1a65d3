// kwatrix_save_once: one save of the program, as the windows make it, for the
// fault-injection run (inject-saves.sh). Exit status 0 when the save reported
// success, 1 when it reported a failure (its message on stderr), 2 on bad
// arguments.
//
//   kwatrix_save_once DIR popup         calendar popup "S" on 4 March 2024
//   kwatrix_save_once DIR template      a new year (2031) takes the template
//   kwatrix_save_once DIR holidays      "Doplnit státní svátky" for 2024
//   kwatrix_save_once DIR day-division  "Ulož nastavení" with a group renamed
//   kwatrix_save_once DIR export OUT    the CSV export of a month of
//                                       quarter-hours saved to OUT, as the
//                                       windows save every export
//   kwatrix_save_once DIR settings OUT  the settings file OUT saved as the
//                                       desktop program saves it, "No=5" to 7
#include "archive/AtomicFile.h"
#include "archive/Errors.h"
#include "archive/Ini.h"
#include "calendar/Calendar.h"
#include "calendar/DayDivision.h"
#include "export/Csv.h"
#include "export/Table.h"
#include "graph/Graph.h"
#include "graph/Series.h"
#include "graph/SeriesExport.h"
#include "output/Log.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

int Failed(const std::string& why)
{
    std::cerr << why << '\n';
    return 1;
}

int CalendarSave(const std::string& dir, const std::string& kind)
{
    kw::Log log;
    kw::IniLayer ini;
    ini.setLog(&log);
    kw::Calendar calendar(ini, &log);
    calendar.setProgramPath(dir);
    calendar.SelectionMode = false;
    try {
        if (kind == "template") {
            // A calendar that could not be read shows the month without its
            // marks and copies nothing: no save was made.
            calendar.LoadCalendarMonth(2031, 12, "");
            // A refused copy is only logged: whether it was stored is read back.
            if (kw::IniLayer().ReadIniValue(calendar.CalendarFilePath(), "2031", "*") != 1)
                return Failed("the template was not stored");
            return calendar.DayType(25) == kw::ExplicitRestDay
                       ? 0
                       : Failed("the template was not copied");
        }
        calendar.LoadCalendarMonth(2024, 3, "");
        if (kind == "holidays")
            return calendar.AddPublicHolidays().empty() ? Failed("no holiday written") : 0;
        if (!calendar.ClickDay("4").showPopup)
            return Failed("no popup for the 4th");
        return calendar.PopupAction(kw::PopupItem::S) ? 0 : Failed("popup item not enabled");
    } catch (const kw::UserActionError& e) {
        return Failed(e.what());
    }
}

int DayDivisionSave(const std::string& dir)
{
    kw::DayDivision division;
    if (division.LoadDayDivision(dir) != 0)
        return Failed("ROZ_DNEW.CFG not loaded");
    division.SetGroupName(1, "Špička");
    if (division.SaveDayDivision(dir) != 0)
        return Failed(division.LastErrorText);
    return 0;
}

// The bytes are made in memory, as a window holds its listing: the system
// calls are those of the save.
int ExportSave(const std::string& out)
{
    constexpr double March2024 = 45352; // day number of 1 March 2024
    kw::Series series;
    for (int i = 0; i < 31 * 96; ++i)
        series.Add(March2024 + i / 96, i % 96, (March2024 + (i + 1) / 96.0) * 86400, 10,
                   40 + (i * 37 % 101) / 4.0f);
    const std::string bytes =
        kw::CsvText(kw::SeriesSheet(series, "Čtvrthodiny"), kw::CsvStyle::Excel);
    std::string reason;
    if (!kw::SaveFile(out, bytes, &reason))
        return Failed(kw::SaveFailureText(out, reason));
    return 0;
}

// The file side of the settings store's save, which merges its keys into the
// file as read under the lock.
int SettingsSave(const std::string& out)
{
    std::string reason;
    if (!kw::UpdateFile(
            out, 1 << 20,
            [](const std::string& old, std::string& updated) {
                updated = old;
                return updated.find("No=5") != std::string::npos &&
                       updated.replace(updated.find("No=5"), 4, "No=7").size() > 0;
            },
            &reason))
        return Failed(kw::SaveFailureText(out, reason));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 2)
        return 2;
    std::string dir = args[0];
    if (dir.back() != '/')
        dir += '/';
    const std::string& kind = args[1];
    if (args.size() == 2 && (kind == "popup" || kind == "template" || kind == "holidays"))
        return CalendarSave(dir, kind);
    if (args.size() == 2 && kind == "day-division")
        return DayDivisionSave(dir);
    if (args.size() == 3 && kind == "export")
        return ExportSave(args[2]);
    if (args.size() == 3 && kind == "settings")
        return SettingsSave(args[2]);
    std::cerr << "usage: kwatrix_save_once DIR popup|template|holidays|day-division\n"
                 "       kwatrix_save_once DIR export|settings OUT\n";
    return 2;
}
