#pragma once

#include <cstdint>

namespace kw {

// Time stamps are seconds since 30 December 1899 00:00 in the proleptic
// Gregorian calendar; the graph uses the same moments in days.
struct DateTimeParts {
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// 0 when any part is out of range (year 1..9999, a real day of the month,
// hour 0..23, minute and second 0..59).
long double DateTimeToSeconds(int32_t year, int32_t month, int32_t day, int32_t hour,
                              int32_t minute, int32_t second);
// The same in whole seconds, for the decoding of every record.
int64_t DateTimeToWholeSeconds(int32_t year, int32_t month, int32_t day, int32_t hour,
                               int32_t minute, int32_t second);
// Fractions of a second are dropped.
DateTimeParts SecondsToDateTime(long double seconds);
// Day number since 30 December 1899 of a date (no range check).
int64_t DaysFromCivil(int64_t year, int32_t month, int32_t day);
// The date of a day number since 30 December 1899.
void CivilFromDays(int64_t z, int64_t& y, int32_t& m, int32_t& d);

struct Date {
    int32_t year = 0, month = 0, day = 0;
};
// The system date (local time).
Date TodayDate();
// The day before the system date.
Date YesterdayDate();

} // namespace kw
