#include "export/Csv.h"

#include "archive/DateTime.h"
#include "export/Table.h"
#include "graph/SeriesExport.h"

#include <cmath>
#include <cstdio>

namespace kw {

namespace {

void AppendText(std::string& csv, const std::string& text, char separator)
{
    if (text.find_first_of(std::string("\"\r\n") + separator) == std::string::npos) {
        csv += text;
        return;
    }
    csv += '"';
    for (const char c : text) {
        if (c == '"')
            csv += '"';
        csv += c;
    }
    csv += '"';
}

void AppendTime(std::string& csv, double days, bool excel)
{
    if (!excel) {
        csv += IsoTime(days);
        return;
    }
    const DateTimeParts p = SecondsToDateTime(StampSeconds(days));
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d", p.day, p.month, p.year, p.hour,
                  p.minute);
    csv += text;
}

} // namespace

std::string CsvText(const Sheet& sheet, CsvStyle style)
{
    const bool excel = style == CsvStyle::Excel;
    const char separator = excel ? ';' : ',';
    std::string csv;
    csv.reserve(64 + sheet.rows.size() * (24 + 12 * sheet.columns.size()));
    if (excel)
        csv += "\xEF\xBB\xBF";
    for (std::size_t c = 0; c < sheet.columns.size(); ++c) {
        if (c > 0)
            csv += separator;
        AppendText(csv, sheet.columns[c].heading(), separator);
    }
    csv += "\r\n";
    for (const std::vector<Cell>& row : sheet.rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0)
                csv += separator;
            const Cell& cell = row[c];
            switch (cell.kind) {
            case CellKind::Empty:
                break;
            case CellKind::Text:
                AppendText(csv, cell.text, separator);
                break;
            case CellKind::Number:
                csv += ExportNumber(cell.number, excel ? ',' : '.');
                break;
            case CellKind::Integer:
                csv += std::to_string(std::llround(cell.number));
                break;
            case CellKind::DateTime:
                AppendTime(csv, cell.number, excel);
                break;
            }
        }
        csv += "\r\n";
    }
    return csv;
}

} // namespace kw
