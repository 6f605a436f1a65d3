#include "listing/Series.h"

#include "archive/ArchiveDescription.h"
#include "archive/Codepage.h"
#include "archive/Ini.h"
#include "archive/NumberFormat.h"
#include "graph/SeriesExport.h"
#include "output/Log.h"

#include <cmath>
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
        blocks[static_cast<std::size_t>(n)] = {n, b.Description, Trim(Utf8Left(b.Unit, 16))};
    }
    return blocks;
}

SeriesBlock OwnBlockOf(const std::vector<SeriesBlock>& own, const std::string& title)
{
    const std::string first = Utf8Left(title, 1);
    if (!first.empty())
        for (const SeriesBlock& block : own)
            if (block.number > 0 && Utf8Left(block.name, 1) == first)
                return block;
    return {0, title, {}};
}

int32_t ListingQuarter(long double stamp, long double dayStart)
{
    const long double r = stamp - 450 - dayStart;
    if (r <= 0)
        return -1;
    const long double q = std::floor(r / 900);
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
    days.clear();
    error.clear();
    m_dayStart = 0;
}

void Series::Add(int64_t day, int32_t quarter, long double stamp, float stored, float shown)
{
    values.push_back({stamp, stored, shown, day, quarter});
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
    d.expected = 96;
    if (result != 0) {
        d.state = DayState::NoRecord;
    } else if (!block.name.empty() && Utf8Left(blockTitle, 1) != Utf8Left(block.name, 1)) {
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
    int32_t n = 0;
    for (const SeriesValue& v : values)
        n += ExactValue(v.shown) > limit ? 1 : 0;
    return n;
}

} // namespace kw
