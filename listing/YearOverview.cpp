#include "listing/YearOverview.h"

#include "archive/ArchiveDescription.h"
#include "archive/Codepage.h"
#include "archive/Ini.h"
#include "archive/NumberFormat.h"
#include "listing/QuietListing.h"
#include "output/Log.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <exception>

namespace kw {

namespace {

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string CapacityText(const YearOverview& o)
{
    return o.capacity ? ExportNumber(*o.capacity) + " " + o.unit : std::string("none");
}

} // namespace

bool IsPowerUnit(const std::string& unit)
{
    const std::string u = Trimmed(unit);
    return EndsWith(u, "W") || EndsWith(u, "VA") || EndsWith(u, "VAr") || EndsWith(u, "var");
}

std::string EnergyUnit(const std::string& unit)
{
    const std::string u = Trimmed(unit);
    return IsPowerUnit(u) ? u + "h" : u;
}

std::vector<OverviewBlock> OverviewBlocks(const std::string& programPath, int32_t device)
{
    IniLayer ini;
    Log log;
    ArchiveDescription description(ini, log);
    try {
        description.LoadArchiveDescription(programPath, device);
    } catch (const std::exception&) {
        return {};
    }
    std::vector<OverviewBlock> blocks;
    if (!description.ArchiveLoaded)
        return blocks;
    for (int32_t n = 1; n <= description.BlockCount; ++n) {
        const BlockDescription& b = description.BlockTable[static_cast<std::size_t>(n)];
        if (b.Listed)
            blocks.push_back({n, b.Description, Utf8Left(b.Unit, 16)});
    }
    return blocks;
}

int32_t MatchingBlock(const std::vector<OverviewBlock>& blocks, const std::string& title)
{
    const std::string first = Utf8Left(title, 1);
    if (first.empty())
        return 0;
    for (const OverviewBlock& block : blocks)
        if (Utf8Left(block.title, 1) == first)
            return block.number;
    return 0;
}

std::vector<MonthBars> ListYear(QuietListing& quiet, int32_t year, int32_t block,
                                std::vector<std::string>* failures)
{
    std::vector<MonthBars> months;
    for (const int32_t month : quiet.MonthsWithFiles(year)) {
        std::vector<GraphBar> bars = quiet.WholeMonth(year, month, block);
        if (!bars.empty())
            months.push_back({month, std::move(bars)});
        else if (failures && !quiet.lastError().empty())
            failures->push_back(MonthKey(year, month) + ": " + quiet.lastError());
    }
    return months;
}

MonthOverview SummariseMonth(int32_t month, const std::vector<GraphBar>& bars, bool powerUnit,
                             std::optional<double> capacity)
{
    MonthOverview m;
    m.month = month;
    if (bars.empty())
        return m;
    long double sum = 0;
    m.maximum = bars.front().y;
    m.maximumX = bars.front().x;
    for (const GraphBar& bar : bars) {
        // A value counts as the listing and the exports show it: the values
        // are single-precision, so 240.0 arrives as 240.0000036, which is no
        // quarter-hour above a capacity of 240 and no energy of its own.
        const double value = ExportValue(bar.y);
        sum += value;
        if (bar.y > m.maximum) {
            m.maximum = bar.y;
            m.maximumX = bar.x;
        }
        if (capacity && value > *capacity)
            ++m.overCapacity;
    }
    m.count = static_cast<int32_t>(bars.size());
    m.average = static_cast<double>(sum / m.count);
    m.energy = static_cast<double>(powerUnit ? sum / 4 : sum);
    return m;
}

YearOverview SummariseYear(const std::vector<MonthBars>& months, const YearOverviewFacts& facts)
{
    YearOverview o;
    o.device = facts.device;
    o.block = facts.block;
    o.year = facts.year;
    o.unit = facts.impulses ? std::string("imp") : Trimmed(facts.unit);
    o.energyUnit = EnergyUnit(o.unit);
    if (!facts.impulses)
        o.capacity = facts.capacity;
    const bool power = IsPowerUnit(o.unit);
    for (const MonthBars& m : months)
        if (!m.bars.empty())
            o.months.push_back(SummariseMonth(m.month, m.bars, power, o.capacity));
    std::sort(o.months.begin(), o.months.end(),
              [](const MonthOverview& a, const MonthOverview& b) { return a.month < b.month; });
    return o;
}

std::string MonthKey(int32_t year, int32_t month)
{
    return FormatInt(year, 4) + "-" + FormatInt(month, 2);
}

std::string YearOverviewText(const YearOverview& o)
{
    const std::vector<std::string> headings = {"month",        "quarter-hours", "energy",
                                               "average",      "maximum",       "time of maximum",
                                               "over capacity"};
    std::vector<std::vector<std::string>> rows;
    for (const MonthOverview& m : o.months)
        rows.push_back({MonthKey(o.year, m.month), std::to_string(m.count), ExportNumber(m.energy),
                        ExportNumber(m.average), ExportNumber(m.maximum), IsoTime(m.maximumX),
                        std::to_string(m.overCapacity)});
    std::vector<std::size_t> widths;
    for (const std::string& h : headings)
        widths.push_back(h.size());
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());

    // The month and the instant read from the left, the numbers from the right.
    const auto line = [&](const std::vector<std::string>& cells) {
        std::string out;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const std::string pad(widths[i] - cells[i].size(), ' ');
            const bool left = i == 0 || i == 5;
            if (i > 0)
                out += "  ";
            out += left ? cells[i] + (i + 1 < cells.size() ? pad : "") : pad + cells[i];
        }
        return out + "\n";
    };
    std::string text = "year overview " + std::to_string(o.year) + ": device " +
                       std::to_string(o.device) + ", block " + std::to_string(o.block) +
                       ", values in " + o.unit + ", energy in " + o.energyUnit +
                       ", reserved capacity " + CapacityText(o) + "\n";
    text += line(headings);
    for (const auto& row : rows)
        text += line(row);
    if (rows.empty())
        text += "no month of the year has data\n";
    return text;
}

std::string YearOverviewCsv(const YearOverview& o, CsvStyle style)
{
    const bool excel = style == CsvStyle::Excel;
    const std::string separator(1, excel ? ';' : ',');
    const char* const lineEnd = excel ? "\r\n" : "\n";
    const char point = excel ? ',' : '.';
    std::string csv;
    if (excel)
        csv += "\xEF\xBB\xBF";
    csv += "month" + separator + "count" + separator + "energy" + separator + "average" +
           separator + "max" + separator + "max_time" + separator + "over_capacity" + lineEnd;
    // No field holds a separator, a quote or a line break: none is quoted.
    for (const MonthOverview& m : o.months) {
        csv += MonthKey(o.year, m.month) + separator + std::to_string(m.count) + separator +
               ExportNumber(m.energy, point) + separator + ExportNumber(m.average, point) +
               separator + ExportNumber(m.maximum, point) + separator + IsoTime(m.maximumX) +
               separator + std::to_string(m.overCapacity) + lineEnd;
    }
    return csv;
}

std::string YearOverviewJson(const YearOverview& o)
{
    using Json = nlohmann::ordered_json;
    Json months = Json::array();
    for (const MonthOverview& m : o.months)
        months.push_back(
            {{"month", MonthKey(o.year, m.month)},
             {"count", m.count},
             {"energy", ExportValue(m.energy)},
             {"average", ExportValue(m.average)},
             {"max", {{"value", ExportValue(m.maximum)}, {"time", IsoTime(m.maximumX)}}},
             {"over_capacity", m.overCapacity}});
    const Json root = {{"device", o.device},          {"block", o.block}, {"unit", o.unit},
                       {"energy_unit", o.energyUnit}, {"year", o.year},   {"months", months}};
    // Texts that are not UTF-8 are replaced, never a reason to fail.
    return root.dump(1, '\t', false, Json::error_handler_t::replace) + "\n";
}

} // namespace kw
