#include "export/Table.h"

#include "graph/Series.h"
#include "graph/SeriesExport.h"

#include <cstdio>

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

} // namespace kw
