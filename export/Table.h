#pragma once

#include <cstdint>
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
    std::vector<Chart> charts; // placed to the right of the table
};

struct Workbook {
    std::vector<Sheet> sheets;
};

// The quarter-hour values of a series: start and end of each quarter-hour
// (the controller's clock), its UTC offset and the value in its unit.
Sheet SeriesSheet(const Series& series, const std::string& name);
// Two columns, "Parametr" and "Hodnota".
Sheet ParametersSheet(const std::vector<std::pair<std::string, std::string>>& parameters);

} // namespace kw
