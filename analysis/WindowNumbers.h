#pragma once

#include <QString>

namespace kw {

// The figures of the analysis windows' tables, in the Czech way: the decimal
// comma, the end of a quarter-hour as the listing stamps it.

// As the exports write it (no trailing zeros), with the decimal comma.
QString CzechNumber(double value);
// To `decimals` places: "12,35".
QString CzechFixed(double value, int decimals);
// "15.01.2024 10:45" of a graph x.
QString QuarterHourEndText(double x);
// "led" .. "pro".
extern const char* const CzechMonthAbbreviations[12];

} // namespace kw
