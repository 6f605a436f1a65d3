#include "graph/SeriesExport.h"

#include "archive/DateTime.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kw {

namespace {

constexpr double SecondsPerDay = 86400;

std::string TwoDigits(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

} // namespace

long double StampSeconds(double x)
{
    return std::llround(static_cast<long double>(x) * SecondsPerDay);
}

double ExportValue(double value)
{
    // The listing counts a value it cannot hold as 0; an export must never
    // carry "inf" or a JSON null instead of a number.
    if (!std::isfinite(value))
        return 0.0;
    const double r = std::round(value * 10000.0) / 10000.0;
    return r == 0 ? 0.0 : r; // no "-0"
}

std::string IsoTime(double x)
{
    const DateTimeParts p = SecondsToDateTime(StampSeconds(x));
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second);
    return text;
}

std::string IsoDate(int64_t day)
{
    const DateTimeParts p = SecondsToDateTime(static_cast<long double>(day) * SecondsPerDay);
    return std::to_string(p.year) + "-" + TwoDigits(p.month) + "-" + TwoDigits(p.day);
}

std::string ExportNumber(double value, char decimalPoint)
{
    // to_chars ignores the locale: a Czech desktop must not get "12,3" here.
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, ExportValue(value), std::chars_format::fixed, 4);
    std::string out(text, result.ptr);
    const auto point = out.find('.');
    if (point != std::string::npos) {
        while (out.back() == '0')
            out.pop_back();
        if (out.back() == '.')
            out.pop_back();
        else
            out[point] = decimalPoint;
    }
    return out;
}

} // namespace kw
