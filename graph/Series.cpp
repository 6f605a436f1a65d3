#include "graph/Series.h"

#include "archive/ArchiveDescription.h"
#include "archive/Codepage.h"
#include "archive/DateTime.h"
#include "archive/FileLookup.h"
#include "archive/Ini.h"
#include "archive/NumberFormat.h"
#include "graph/SeriesExport.h"
#include "output/Log.h"

#include <cmath>
#include <cstdio>
#include <exception>

namespace kw {

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

bool IsPowerUnit(const std::string& unit)
{
    const std::string u = Trim(unit);
    return EndsWith(u, "W") || EndsWith(u, "VA") || EndsWith(u, "VAr") || EndsWith(u, "var");
}

std::vector<SeriesBlock> OwnBlocks(const std::string& programPath, int32_t device)
{
    IniLayer ini;
    Log log;
    ArchiveDescription description(ini, log);
    try {
        description.LoadArchiveDescription(programPath, device);
    } catch (const std::exception&) {
        return {};
    }
    if (!description.ArchiveLoaded)
        return {};
    std::vector<SeriesBlock> blocks(static_cast<std::size_t>(description.BlockCount) + 1);
    for (int32_t n = 1; n <= description.BlockCount; ++n) {
        const BlockDescription& b = description.BlockTable[static_cast<std::size_t>(n)];
        blocks[static_cast<std::size_t>(n)] = {n, b.Description, Trim(Utf8Left(b.Unit, 16)),
                                               b.Listed};
    }
    return blocks;
}

SeriesBlock OwnBlockOf(const std::vector<SeriesBlock>& own, const std::string& title)
{
    for (const SeriesBlock& block : own)
        if (block.number > 0 && SameBlock(title, block.name))
            return block;
    return {0, title, {}, false};
}

ClockRule ArchiveClock(IniLayer& ini, const std::string& programPath)
{
    const std::string file = ResolveFile(programPath, "KWATRIX.INI");
    return ini.ReadIniValue(file, "Archiv", "LetniCas") == 1 && Trim(ini.IniValue) == "1"
               ? ClockRule::SummerTime
               : ClockRule::StandardTime;
}

namespace {

// The local wall-clock seconds of 02:00 on the last Sunday of `month`
// (March or October) of `year`: where summer time starts, and where the
// hour it ends with begins again.
long double ChangeAt(int32_t year, int32_t month)
{
    const int64_t day = DaysFromCivil(year, month, 31); // March and October both have 31
    // Day 0 (30 December 1899) was a Saturday: Sunday is day % 7 == 1.
    const int64_t sunday = day - (((day - 1) % 7) + 7) % 7;
    return static_cast<long double>(sunday) * 86400 + 2 * 3600;
}

} // namespace

int32_t Series::QuartersOfDay(int64_t day) const
{
    if (clock != ClockRule::SummerTime)
        return 96;
    const DateTimeParts p = SecondsToDateTime(static_cast<long double>(day) * 86400);
    const long double start = static_cast<long double>(day) * 86400 + dayStartOffset;
    const auto within = [&](long double at) { return at >= start && at < start + 86400; };
    if (within(ChangeAt(p.year, 3)) || within(ChangeAt(p.year + 1, 3)))
        return 92;
    if (within(ChangeAt(p.year, 10)) || within(ChangeAt(p.year - 1, 10)))
        return 100;
    return 96;
}

int32_t Series::UtcOffsetMinutes(const SeriesValue& value) const
{
    if (clock != ClockRule::SummerTime)
        return 60;
    const int32_t year = SecondsToDateTime(static_cast<long double>(value.stamp)).year;
    const long double spring = ChangeAt(year, 3), autumn = ChangeAt(year, 10);
    // A quarter-hour ends after the change it follows: 03:15 is the first
    // of summer, 02:00 in October the last of summer; 02:15 .. 03:00 come
    // twice then.
    if (value.stamp <= spring || value.stamp > autumn + 3600)
        return 60;
    if (value.stamp > autumn)
        return value.again ? 60 : 120;
    return 120;
}

std::string Series::Instant(const SeriesValue& value) const
{
    const int32_t offset = UtcOffsetMinutes(value);
    char zone[32];
    std::snprintf(zone, sizeof zone, "+%02d:%02d", offset / 60, offset % 60);
    return IsoTime(value.days()) + zone;
}

int32_t ListingQuarter(int64_t stamp, int64_t dayStart)
{
    const int64_t r = stamp - 450 - dayStart;
    if (r <= 0)
        return -1;
    const int64_t q = r / 900;
    return q > 95 ? -1 : static_cast<int32_t>(q);
}

void Series::Start(int32_t deviceNo, const SeriesBlock& ownBlock,
                   const ArchiveDescription& description, bool convertValues, int32_t dayStart)
{
    device = deviceNo;
    block = ownBlock;
    const BlockDescription* current = description.currentBlock();
    if (!convertValues)
        kind = SeriesKind::Impulses;
    else
        kind = current && current->DisplayMode == 0 ? SeriesKind::MeanPower : SeriesKind::Energy;
    if (block.unit.empty() && current)
        block.unit = Trim(Utf8Left(current->Unit, 16));
    dayStartOffset = dayStart;
    values.clear();
    values.reserve(32 * 96); // a whole month without growing
    days.clear();
    error.clear();
    m_dayStart = 0;
}

void Series::Add(int64_t day, int32_t quarter, int64_t stamp, float stored, float shown)
{
    const bool again =
        values.size() > m_dayStart && values.back().day == day && values.back().quarter == quarter;
    values.push_back({stamp, stored, shown, day, quarter, again});
}

void Series::EndDay(int32_t year, int32_t month, int32_t dayOfMonth, int64_t day, int32_t result,
                    const std::string& blockTitle)
{
    SeriesDay d;
    d.day = day;
    d.year = year;
    d.month = month;
    d.dayOfMonth = dayOfMonth;
    d.result = result;
    d.expected = QuartersOfDay(day);
    if (result != 0) {
        d.state = DayState::NoRecord;
    } else if (!block.name.empty() && !SameBlock(block.name, blockTitle)) {
        // The listing went on with another block: none of its values are ours.
        d.state = DayState::BlockNotFound;
        values.resize(m_dayStart);
    }
    d.present = static_cast<int32_t>(values.size() - m_dayStart);
    days.push_back(d);
    m_dayStart = values.size();
}

std::string Series::valueUnit() const
{
    if (kind == SeriesKind::Impulses)
        return "imp";
    // A mean power labelled with its energy unit ("kWh" on a ZOBRAZ 0 block)
    // is still a power.
    if (kind == SeriesKind::MeanPower && EndsWith(block.unit, "h") &&
        IsPowerUnit(block.unit.substr(0, block.unit.size() - 1)))
        return block.unit.substr(0, block.unit.size() - 1);
    return block.unit;
}

std::string Series::energyUnit() const
{
    const std::string unit = valueUnit();
    return kind != SeriesKind::Impulses && IsPowerUnit(unit) ? unit + "h" : unit;
}

int64_t Series::present() const
{
    int64_t n = 0;
    for (const SeriesDay& d : days)
        n += d.present;
    return n;
}

int64_t Series::expected() const
{
    int64_t n = 0;
    for (const SeriesDay& d : days)
        n += d.expected;
    return n;
}

int32_t Series::daysWithout() const
{
    int32_t n = 0;
    for (const SeriesDay& d : days)
        n += d.state != DayState::Listed ? 1 : 0;
    return n;
}

double Series::energy() const
{
    // Each value to the four decimals the exports write, which the single
    // precision of a value and its NASOB carry: 31.925, not 31.925001, so a
    // month adds up to what its values read.
    long double sum = 0;
    for (const SeriesValue& v : values)
        sum += ExportValue(v.stored);
    return static_cast<double>(sum);
}

double Series::average() const
{
    if (values.empty())
        return 0;
    long double sum = 0;
    for (const SeriesValue& v : values)
        sum += ExportValue(v.shown);
    return static_cast<double>(sum / static_cast<long double>(values.size()));
}

const SeriesValue* Series::maximum() const
{
    const SeriesValue* best = nullptr;
    for (const SeriesValue& v : values)
        if (!best || v.shown > best->shown)
            best = &v;
    return best;
}

int32_t Series::countAbove(double limit) const
{
    // A value above the float nearest to the limit reads above the limit
    // too, one below it reads below; only a value equal to that float needs
    // its shortest decimal form.
    const auto nearest = static_cast<float>(limit);
    int32_t n = 0;
    for (const SeriesValue& v : values)
        n += v.shown > nearest || (v.shown == nearest && ExactValue(v.shown) > limit) ? 1 : 0;
    return n;
}

} // namespace kw
