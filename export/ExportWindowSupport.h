#pragma once

#include <QString>

#include <string>

class QWidget;

namespace kw {

class Series;
struct Workbook;

// "Exportovat do Excelu…" of the windows: asks for the file with the save
// dialog and saves `workbook` there; a failure is a Czech message box with
// the reason, like a failed save. True when saved.
bool ExportWorkbook(QWidget* parent, const QString& caption, const QString& suggestedName,
                    const Workbook& workbook);
// The workbook of the last listing's values and what they are of (the
// archive folder `folder`). A listing without days is refused with a
// message, never saved as an empty workbook.
bool ExportSeriesWorkbook(QWidget* parent, const Series& series, const std::string& folder);

} // namespace kw
