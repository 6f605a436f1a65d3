#include "analysis/WindowNumbers.h"

#include "archive/DateTime.h"
#include "graph/SeriesExport.h"

namespace kw {

const char* const CzechMonthAbbreviations[12] = {"led", "úno", "bře", "dub", "kvě", "čvn",
                                                 "čvc", "srp", "zář", "říj", "lis", "pro"};

QString CzechNumber(double value)
{
    return QString::fromStdString(ExportNumber(value, ','));
}

QString CzechFixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString QuarterHourEndText(double x)
{
    const DateTimeParts p = SecondsToDateTime(StampSeconds(x));
    return QStringLiteral("%1.%2.%3 %4:%5")
        .arg(p.day, 2, 10, QLatin1Char('0'))
        .arg(p.month, 2, 10, QLatin1Char('0'))
        .arg(p.year)
        .arg(p.hour, 2, 10, QLatin1Char('0'))
        .arg(p.minute, 2, 10, QLatin1Char('0'));
}

} // namespace kw
