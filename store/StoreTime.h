#pragma once

#include "graph/Series.h"

#include <cstdint>
#include <string>

namespace kw {

// The times of the store's rows, as text in one form for both databases:
// UTC starts "2024-03-01 00:00:00+00", local stamps "2024-03-01 01:15:00"
// (the controller's clock), days as IsoDate writes them. Stamps are seconds since
// 30 December 1899, as the archive counts them.

// The start of the value's interval in UTC: its stamp ends the quarter-hour.
int64_t UtcStart(const Series& series, const SeriesValue& value);
std::string StampText(int64_t stamp);
// The same into `out` without allocating: 22 characters with "+00" when
// `utc`, else 19; no terminating zero. Returns the length.
int TimeChars(int64_t seconds, bool utc, char* out);
// The stamp of a local stamp text; false when it is not one.
bool ParseStampText(const std::string& text, int64_t& stamp);

// The UTC starts that can belong to a calendar month of the controller's
// clock, with a day to spare either side.
struct MonthRange {
    std::string from, to; // from inclusive, to exclusive
};
MonthRange UtcRangeOfMonth(int32_t year, int32_t month);

// A value of a calendar-month series (days from midnight) with its listing
// day and quarter-hour worked out from its stamp, as the listing placed it.
SeriesValue ValueAt(int64_t stamp, float stored, float shown, bool again);

} // namespace kw
