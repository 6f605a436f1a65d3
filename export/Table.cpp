#include "export/Table.h"

#include "archive/NumberFormat.h"
#include "graph/Series.h"
#include "graph/SeriesExport.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace kw {

Sheet SeriesSheet(const Series& series, const std::string& name)
{
    Sheet sheet;
    sheet.name = name;
    sheet.columns = {{"Začátek", CellKind::DateTime, {}},
                     {"Konec", CellKind::DateTime, {}},
                     {"Posun od UTC", CellKind::Text, {}},
                     {"Hodnota", CellKind::Number, series.valueUnit()}};
    sheet.rows.reserve(series.values.size());
    for (const SeriesValue& v : series.values) {
        const int32_t offset = series.UtcOffsetMinutes(v);
        char zone[16];
        std::snprintf(zone, sizeof zone, "+%02d:%02d", offset / 60, offset % 60);
        SeriesValue start = v;
        start.stamp -= 900;
        sheet.rows.push_back({Cell::Time(start.days()), Cell::Time(v.days()), Cell::Of(zone),
                              Cell::Of(ExportValue(v.shown))});
    }
    return sheet;
}

Sheet ParametersSheet(const std::vector<std::pair<std::string, std::string>>& parameters)
{
    Sheet sheet;
    sheet.name = "Parametry";
    sheet.columns = {{"Parametr", CellKind::Text, {}}, {"Hodnota", CellKind::Text, {}}};
    for (const auto& [key, value] : parameters)
        sheet.rows.push_back({Cell::Of(key), Cell::Of(value)});
    return sheet;
}

namespace {

std::string DayOffsetText(int32_t seconds)
{
    const int32_t minutes = seconds / 60;
    return (minutes < 0 ? "-" : "") + std::to_string(std::abs(minutes) / 60) + ":" +
           FormatInt(std::abs(minutes) % 60, 2);
}

} // namespace

// The sheet "Parametry" of a workbook: what the figures are of.
std::vector<std::pair<std::string, std::string>>
ExportParameters(const std::string& dir, int32_t device, const SeriesBlock& block,
                 const std::string& unit, const std::string& period, int32_t dayStartOffset,
                 std::optional<double> capacity)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    const std::string offset = DayOffsetText(dayStartOffset);
    return {{"Složka archivu", dir},
            {"Zařízení", std::to_string(device)},
            {"Blok", std::to_string(block.number) + " – " + block.name},
            {"Jednotka", unit},
            {"Období", period},
            {"Začátek dne", offset},
            {"Rezervovaná kapacita",
             capacity ? ExportNumber(*capacity, ',') + " " + unit : std::string("nezadána")},
            {"Verze programu", KWATRIX_VERSION},
            {"Čas exportu", stamp}};
}

std::string SeriesPeriod(const Series& series)
{
    if (series.days.empty())
        return std::string();
    return IsoDate(series.days.front().day) + " až " + IsoDate(series.days.back().day);
}

std::vector<std::pair<std::string, std::string>> ReportHeadingOf(const Series& series,
                                                                 const std::string& folder)
{
    std::string name = folder;
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    if (const auto slash = name.rfind('/'); slash != std::string::npos && name.size() > 1)
        name.erase(0, slash + 1);
    const std::string unit = series.valueUnit();
    return {{"Archiv", name},
            {"Zařízení", std::to_string(series.device)},
            {"Blok", std::to_string(series.block.number) + " – " + series.block.name +
                         (unit.empty() ? std::string() : " [" + unit + "]")},
            {"Období", SeriesPeriod(series)},
            {"Začátek dne", DayOffsetText(series.dayStartOffset)}};
}

Workbook SeriesWorkbook(const Series& series, const std::string& folder, const std::string& period)
{
    Workbook book;
    book.sheets.push_back(SeriesSheet(series, "Čtvrthodiny"));
    book.sheets.push_back(
        ParametersSheet(ExportParameters(folder, series.device, series.block, series.valueUnit(),
                                         period, series.dayStartOffset, std::nullopt)));
    return book;
}

} // namespace kw
