#include "export/Formats.h"

#include "export/Csv.h"
#include "export/ListingJson.h"
#include "export/Xlsx.h"
#include "graph/Series.h"
#include "graph/SeriesExport.h"

namespace kw {

namespace {

bool WriteCsv(const ExportSource& source, std::string& bytes, std::string&)
{
    bytes = CsvText(source.table(), CsvStyle::Standard);
    return true;
}

bool WriteExcelCsv(const ExportSource& source, std::string& bytes, std::string&)
{
    bytes = CsvText(source.czechTable(), CsvStyle::Excel);
    return true;
}

bool WriteJson(const ExportSource& source, std::string& bytes, std::string&)
{
    bytes = source.json();
    return true;
}

bool WriteXlsx(const ExportSource& source, std::string& bytes, std::string& reason)
{
    return XlsxBytes(source.workbook(), bytes, &reason);
}

} // namespace

const std::vector<ExportFormat>& ExportFormats()
{
    static const std::vector<ExportFormat> formats{
        {"csv", "Exportovat do CSV…", "ExportCSV1", "csv", "CSV (*.csv)", WriteCsv},
        {"excel-csv", "Exportovat do CSV pro Excel…", "ExportExcelCSV1", "csv",
         "CSV pro Excel (*.csv)", WriteExcelCsv},
        {"json", "Exportovat do JSON…", "ExportJSON1", "json", "JSON (*.json)", WriteJson},
        {"xlsx", "Exportovat do Excelu…", "ExportXLSX1", "xlsx", "Sešit Excelu (*.xlsx)",
         WriteXlsx},
    };
    return formats;
}

const ExportFormat* FindExportFormat(const std::string& name)
{
    for (const ExportFormat& format : ExportFormats())
        if (name == format.name)
            return &format;
    return nullptr;
}

Sheet SeriesCsvSheet(const Series& series)
{
    Sheet sheet;
    sheet.name = "values";
    sheet.columns = {{"end", CellKind::Text, {}}, {"value", CellKind::Number, {}}};
    sheet.rows.reserve(series.values.size());
    for (const SeriesValue& v : series.values)
        sheet.rows.push_back({Cell::Of(series.Instant(v)), Cell::Of(ExportValue(v.shown))});
    return sheet;
}

ExportSource ListingExportSource(const Series& series, const ListingFacts& facts,
                                 const std::string& folder, const std::string& period)
{
    ExportSource source;
    source.table = [&series] { return SeriesCsvSheet(series); };
    source.czechTable = [&series] { return SeriesSheet(series, "Čtvrthodiny"); };
    source.json = [&series, facts] { return ListingJson(series, facts); };
    source.workbook = [&series, folder, period] { return SeriesWorkbook(series, folder, period); };
    return source;
}

} // namespace kw
