#include "export/ExportWindowSupport.h"

#include "export/Table.h"
#include "export/Xlsx.h"
#include "graph/Series.h"
#include "ui/WindowSupport.h"

namespace kw {

bool ExportWorkbook(QWidget* parent, const QString& caption, const QString& suggestedName,
                    const Workbook& workbook)
{
    const QString path =
        AskExportPath(parent, caption, suggestedName, QStringLiteral("Sešit Excelu (*.xlsx)"));
    if (path.isEmpty())
        return false;
    std::string reason;
    if (SaveXlsx(workbook, path.toStdString(), &reason)) {
        ReportExportSaved(parent, path);
        return true;
    }
    ShowExportFailure(parent, path, reason);
    return false;
}

bool ExportSeriesWorkbook(QWidget* parent, const Series& series, const std::string& folder)
{
    if (series.days.empty() && series.values.empty()) {
        RefuseEmptyExport(parent);
        return false;
    }
    return ExportWorkbook(parent, QStringLiteral("Exportovat hodnoty do Excelu"),
                          QStringLiteral("hodnoty.xlsx"),
                          SeriesWorkbook(series, folder, SeriesPeriod(series)));
}

} // namespace kw
