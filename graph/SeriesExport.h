#pragma once

#include "graph/Graph.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kw {

// How the exports write the quarter-hour values of the last listing, for
// spreadsheets and scripts: exactly the bars the graph holds, their instants
// and values written the same way everywhere.

// A graph x (days since 30 December 1899) as whole seconds: the bars carry
// their stamps as fractions of a day, which round trips to the second.
long double StampSeconds(double x);
// A value as the exports write it: rounded to four decimals, never "-0".
double ExportValue(double value);

// The instant of a graph x (days since 30 December 1899) in ISO 8601 local
// time, to the second: "2024-03-05T00:15:00".
std::string IsoTime(double x);
// "2024-03-05" of a day number (days since 30 December 1899).
std::string IsoDate(int64_t day);
// A value with at most four decimals, no thousands separator and no trailing
// zeros, whatever the desktop's locale: "12.3", "-0.1255" rounds to "-0.1255".
std::string ExportNumber(double value, char decimalPoint = '.');

} // namespace kw
