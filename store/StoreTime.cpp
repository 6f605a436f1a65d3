#include "store/StoreTime.h"

#include "archive/DateTime.h"

#include <cstdio>
#include <cstring>

namespace kw {

namespace {

int64_t FloorDiv(int64_t a, int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

void Digits(char* at, int64_t value, int count)
{
    for (int i = count - 1; i >= 0; --i, value /= 10)
        at[i] = static_cast<char>('0' + value % 10);
}

} // namespace

// By hand: six million rows of a large archive each take two.
int TimeChars(int64_t seconds, bool utc, char* text)
{
    const int64_t dayNumber = FloorDiv(seconds, 86400);
    const int64_t s = seconds - dayNumber * 86400;
    int64_t y = 0;
    int32_t m = 0, d = 0;
    CivilFromDays(dayNumber, y, m, d);
    if (y < 0 || y > 9999)
        y = 0; // no stamp of the archive lies there
    std::memcpy(text, "0000-00-00 00:00:00+00", 22);
    Digits(text, y, 4);
    Digits(text + 5, m, 2);
    Digits(text + 8, d, 2);
    Digits(text + 11, s / 3600, 2);
    Digits(text + 14, s / 60 % 60, 2);
    Digits(text + 17, s % 60, 2);
    return utc ? 22 : 19;
}

namespace {

std::string TimeText(int64_t seconds, bool utc)
{
    char text[24];
    return std::string(text, static_cast<std::size_t>(TimeChars(seconds, utc, text)));
}

} // namespace

int64_t UtcStart(const Series& series, const SeriesValue& value)
{
    return value.stamp - 900 - int64_t{series.UtcOffsetMinutes(value)} * 60;
}

std::string StampText(int64_t stamp)
{
    return TimeText(stamp, false);
}

bool ParseStampText(const std::string& text, int64_t& stamp)
{
    // "YYYY-MM-DD HH:MM:SS", by hand: a year of sixteen sites reads half a
    // million.
    if (text.size() < 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':')
        return false;
    const auto number = [&](std::size_t at, std::size_t digits, int& value) {
        value = 0;
        for (std::size_t i = at; i < at + digits; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            value = value * 10 + (text[i] - '0');
        }
        return true;
    };
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!number(0, 4, y) || !number(5, 2, mo) || !number(8, 2, d) || !number(11, 2, h) ||
        !number(14, 2, mi) || !number(17, 2, s))
        return false;
    stamp = DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
    return true;
}

MonthRange UtcRangeOfMonth(int32_t year, int32_t month)
{
    const int64_t first = DaysFromCivil(year, month, 1) - 1;
    const int64_t next =
        DaysFromCivil(month == 12 ? year + 1 : year, month == 12 ? 1 : month + 1, 1) + 1;
    return {TimeText(first * 86400, true), TimeText(next * 86400, true)};
}

SeriesValue ValueAt(int64_t stamp, float stored, float shown, bool again)
{
    SeriesValue v;
    v.stamp = stamp;
    v.stored = stored;
    v.shown = shown;
    v.again = again;
    // ListingQuarter: quarter-hour q of a day holds the stamps after
    // start + 450 + 900 q up to start + 1350 + 900 q.
    v.day = FloorDiv(stamp - 451, 86400);
    v.quarter = static_cast<int32_t>((stamp - 450 - v.day * 86400) / 900);
    return v;
}

} // namespace kw
