#include "archive/DateTime.h"

#include <cmath>
#include <ctime>

namespace kw {

namespace {

// Howard Hinnant's civil-date algorithms count days from 1970-01-01, which is
// day 25569 of our epoch.
constexpr int64_t kUnixEpochDay = 25569;

bool RealLeapYear(int64_t y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int32_t RealDaysInMonth(int32_t year, int32_t month)
{
    static const int32_t days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && RealLeapYear(year) ? 29 : days[month - 1];
}

inline int64_t CivilDays(int64_t year, int32_t month, int32_t day)
{
    const int64_t y = month <= 2 ? year - 1 : year;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = month > 2 ? month - 3 : month + 9;
    const int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + kUnixEpochDay;
}

} // namespace

void CivilFromDays(int64_t z, int64_t& y, int32_t& m, int32_t& d)
{
    z += 719468 - kUnixEpochDay; // to days since 0000-03-01
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = yoe + era * 400;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
    if (m <= 2)
        ++y;
}

int64_t DaysFromCivil(int64_t year, int32_t month, int32_t day)
{
    return CivilDays(year, month, day);
}

long double DateTimeToSeconds(int32_t year, int32_t month, int32_t day, int32_t hour,
                              int32_t minute, int32_t second)
{
    return static_cast<long double>(DateTimeToWholeSeconds(year, month, day, hour, minute, second));
}

int64_t DateTimeToWholeSeconds(int32_t year, int32_t month, int32_t day, int32_t hour,
                               int32_t minute, int32_t second)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > RealDaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59)
        return 0;
    const int64_t days = CivilDays(year, month, day);
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

DateTimeParts SecondsToDateTime(long double seconds)
{
    DateTimeParts p;
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e15L)
        return p;
    const int64_t total = static_cast<int64_t>(std::floor(seconds));
    int64_t days = total / 86400;
    int64_t rest = total % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int64_t y = 0;
    CivilFromDays(days, y, p.month, p.day);
    p.year = static_cast<int32_t>(y);
    p.hour = static_cast<int32_t>(rest / 3600);
    p.minute = static_cast<int32_t>(rest % 3600 / 60);
    p.second = static_cast<int32_t>(rest % 60);
    return p;
}

Date TodayDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

Date YesterdayDate()
{
    const Date today = TodayDate();
    const DateTimeParts p =
        SecondsToDateTime(DateTimeToSeconds(today.year, today.month, today.day, 0, 0, 0) - 86400);
    return {p.year, p.month, p.day};
}

} // namespace kw
