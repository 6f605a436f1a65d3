#pragma once

#include "export/Table.h"

#include <functional>
#include <string>
#include <vector>

namespace kw {

class Series;
struct ListingFacts;

// What an export writes, each part made only when its format asks for it.
struct ExportSource {
    std::function<Sheet()> table;       // the plain CSV: ISO 8601, the keys scripts read
    std::function<Sheet()> czechTable;  // the Excel CSV: Czech headings with units
    std::function<std::string()> json;  // the JSON text
    std::function<Workbook()> workbook; // the XLSX
};

// A format an export can be written in; a new format is one writer and one
// line in ExportFormats().
struct ExportFormat {
    const char* name;       // kwatrix-report --format
    const char* menuText;   // its item in the export menus
    const char* actionName; // the item's objectName
    const char* suffix;     // of the file name the save dialog suggests
    const char* filter;     // the save dialog's file type
    // The file's bytes; false with the Czech reason when they cannot be made.
    bool (*write)(const ExportSource& source, std::string& bytes, std::string& reason);
};

// CSV, Excel CSV, JSON, XLSX, in the order of the menus.
const std::vector<ExportFormat>& ExportFormats();
// The format of that --format name; null for none.
const ExportFormat* FindExportFormat(const std::string& name);

// "end,value" and one row per value of the series: the end of its
// quarter-hour with its UTC offset ("2024-03-05T00:15:00+01:00").
Sheet SeriesCsvSheet(const Series& series);
// The exports of a listing: its series, what the JSON says of it, and the
// archive folder and period its workbook names.
ExportSource ListingExportSource(const Series& series, const ListingFacts& facts,
                                 const std::string& folder, const std::string& period);

} // namespace kw
