#pragma once

#include <string>

namespace kw {

struct Sheet;

enum class CsvStyle {
    Standard, // RFC 4180: comma, decimal point, CR LF, date-times in ISO 8601
    Excel,    // the Czech spreadsheet: semicolon, decimal comma, CR LF, byte order
              // mark, date-times as "dd.mm.yyyy hh:mm"
};

// The table of a sheet as CSV: the headings with their units, then a line
// per row. A text holding the separator, a quote or a line break is quoted.
std::string CsvText(const Sheet& sheet, CsvStyle style);

} // namespace kw
