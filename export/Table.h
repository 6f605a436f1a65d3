#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kw {

class Series;

// A neutral table of an export: typed columns with their units and rows of
// cells, grouped into sheets of a workbook; the writers (XLSX, ...) know
// nothing of listings, the builders nothing of file formats.

enum class CellKind { Empty, Text, Number, Integer, DateTime };

struct Cell {
    CellKind kind = CellKind::Empty;
    std::string text;  // Text
    double number = 0; // Number, Integer; DateTime: days since 30.12.1899
    static Cell Blank() { return {}; }
    static Cell Of(std::string t) { return {CellKind::Text, std::move(t), 0}; }
    static Cell Of(double n) { return {CellKind::Number, {}, n}; }
    static Cell Count(int64_t n) { return {CellKind::Integer, {}, static_cast<double>(n)}; }
    static Cell Time(double days) { return {CellKind::DateTime, {}, days}; }
};

struct Column {
    std::string name; // the heading, in Czech
    CellKind kind = CellKind::Text;
    std::string unit; // shown in the heading as "name [unit]"; empty for none
    std::string heading() const { return unit.empty() ? name : name + " [" + unit + "]"; }
};

// A native chart of a sheet's own columns, one value per row.
struct Chart {
    enum class Type { Column, Line };
    Type type = Type::Column;
    std::string title;
    std::size_t categories = 0;      // the column of the categories
    std::vector<std::size_t> values; // a series for each of these columns
    std::string valueAxis;           // the name of the value axis
};

struct Sheet {
    std::string name; // at most 31 characters, none of []:*?/\ .
    std::vector<Column> columns;
    std::vector<std::vector<Cell>> rows;
    std::vector<Chart> charts; // placed below the table
};

struct Workbook {
    std::vector<Sheet> sheets;
};

// The quarter-hour values of a series: start and end of each quarter-hour
// (the controller's clock), its UTC offset and the value in its unit.
Sheet SeriesSheet(const Series& series, const std::string& name);
// Two columns, "Parametr" and "Hodnota".
Sheet ParametersSheet(const std::vector<std::pair<std::string, std::string>>& parameters);

struct SeriesBlock;
// What the figures of an export are of, for its sheet "Parametry": the
// archive folder, the device, the block and its unit, the period, the day
// start offset (seconds), the reserved capacity, the program's version and
// the time of the export.
std::vector<std::pair<std::string, std::string>>
ExportParameters(const std::string& folder, int32_t device, const SeriesBlock& block,
                 const std::string& unit, const std::string& period, int32_t dayStartOffset,
                 std::optional<double> capacity);
// The period of a series: "2024-03-01 až 2024-03-31"; empty without days.
std::string SeriesPeriod(const Series& series);
// The heading of a PDF report of a listing: the archive folder's name, the
// device, the block with its unit, the period and the day start offset.
std::vector<std::pair<std::string, std::string>> ReportHeadingOf(const Series& series,
                                                                 const std::string& folder);
// The workbook of a listing: its values ("Čtvrthodiny") and "Parametry".
Workbook SeriesWorkbook(const Series& series, const std::string& folder, const std::string& period);

} // namespace kw
