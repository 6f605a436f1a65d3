#include "analysis/YearOverview.h"

#include "analysis/QuietListing.h"
#include "archive/ArchiveDescription.h"
#include "archive/Codepage.h"
#include "archive/DateTime.h"
#include "archive/FileLookup.h"
#include "archive/MonthFile.h"
#include "archive/NumberFormat.h"
#include "calendar/Calendar.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <sys/stat.h>

namespace kw {

namespace {

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string CapacityText(const YearOverview& o)
{
    return o.capacity ? ExportNumber(*o.capacity) + " " + o.unit : std::string("none");
}

const char* StateName(MonthState state)
{
    switch (state) {
    case MonthState::NoFile:
        return "no_file";
    case MonthState::Data:
        return "data";
    case MonthState::Partly:
        return "partly_readable";
    case MonthState::Unreadable:
        return "unreadable";
    }
    return "";
}

} // namespace

std::vector<OverviewBlock> OverviewBlocks(const std::string& programPath, int32_t device)
{
    std::vector<OverviewBlock> blocks;
    for (const SeriesBlock& b : OwnBlocks(programPath, device))
        if (b.number > 0 && b.listed)
            blocks.push_back({b.number, b.name, b.unit});
    return blocks;
}

int32_t MatchingBlock(const std::vector<OverviewBlock>& blocks, const std::string& title)
{
    for (const OverviewBlock& block : blocks)
        if (SameBlock(title, block.title))
            return block.number;
    return 0;
}

std::string FileSignature(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return ";";
    return path + ':' + std::to_string(st.st_size) + ':' + std::to_string(st.st_mtim.tv_sec) + '.' +
           std::to_string(st.st_mtim.tv_nsec) + ':' + std::to_string(st.st_ino) + ';';
}

std::string MonthFilesSignature(const std::string& programPath, const DayArchive& archive,
                                int32_t year)
{
    std::string signature;
    for (int32_t month = 1; year > 0 && month <= 12; ++month)
        signature += FileSignature(ResolveFile(programPath, archive.MonthFileName(year, month)));
    return signature;
}

MonthSeries ListMonth(QuietListing& quiet, int32_t year, int32_t month, int32_t block,
                      const std::vector<int32_t>& withFiles)
{
    MonthSeries m;
    m.month = month;
    m.hasFile = std::find(withFiles.begin(), withFiles.end(), month) != withFiles.end();
    if (m.hasFile)
        m.series = quiet.CalendarMonthSeries(year, month, block);
    else
        m.series.clock = quiet.clock(); // a month without a file still has its days
    return m;
}

std::vector<MonthSeries> ListYear(QuietListing& quiet, int32_t year, int32_t block)
{
    std::vector<MonthSeries> months;
    const std::vector<int32_t> withFiles = quiet.MonthsWithFiles(year);
    for (int32_t month = 1; month <= 12; ++month)
        months.push_back(ListMonth(quiet, year, month, block, withFiles));
    return months;
}

MonthOverview SummariseMonth(int32_t year, const MonthSeries& month, std::optional<double> capacity)
{
    const Series& s = month.series;
    MonthOverview m;
    m.month = month.month;
    for (int32_t d = 1; d <= DaysInMonth(year, month.month); ++d)
        m.expected += s.QuartersOfDay(DaysFromCivil(year, month.month, d));
    if (!month.hasFile)
        return m;
    m.count = static_cast<int32_t>(s.present());
    m.energy = s.energy();
    m.average = s.average();
    if (const SeriesValue* top = s.maximum()) {
        m.maximum = ExactValue(top->shown);
        m.maximumX = top->days();
        m.maximumTime = s.Instant(*top);
    }
    if (capacity)
        m.overCapacity = s.countAbove(*capacity);

    // An empty entry is a gap (a day not yet archived); any other failure
    // is a day that could not be read.
    int32_t damaged = 0, lost = 0, code = 0;
    for (const SeriesDay& d : s.days) {
        if (d.state == DayState::BlockNotFound) {
            ++lost;
        } else if (d.state == DayState::NoRecord && d.result != DayArchive::NoRecord) {
            ++damaged;
            code = d.result;
        }
    }
    const int32_t days = DaysInMonth(year, month.month);
    std::vector<std::string> why;
    if (!s.error.empty())
        why.push_back(s.error);
    if (damaged > 0)
        why.push_back("záznamy " + std::to_string(damaged) + " z " + std::to_string(days) +
                      " dnů nelze přečíst (chyba " + std::to_string(-code) + ")");
    if (lost > 0)
        why.push_back("blok „" + s.block.name + "“ se v popisu archivu " + std::to_string(lost) +
                      " z " + std::to_string(days) + " dnů nenašel");
    if (s.days.empty() && s.error.empty())
        why.push_back("měsíc nelze vypsat");
    for (const std::string& w : why)
        m.reason += (m.reason.empty() ? "" : "; ") + w;
    m.state = why.empty()    ? MonthState::Data
              : m.count == 0 ? MonthState::Unreadable
                             : MonthState::Partly;
    return m;
}

YearOverview SummariseYear(const std::vector<MonthSeries>& months, const YearOverviewFacts& facts)
{
    YearOverview o;
    o.device = facts.device;
    o.block = facts.block;
    o.year = facts.year;
    o.unit = facts.impulses ? std::string("imp") : Trimmed(facts.unit);
    o.energyUnit = o.unit;
    // The units are what the values are, which the listed series know.
    for (const MonthSeries& m : months) {
        if (m.hasFile && !m.series.days.empty()) {
            o.unit = m.series.valueUnit();
            o.energyUnit = m.series.energyUnit();
            if (m.series.block.number > 0)
                o.block = m.series.block.number;
            o.blockName = m.series.block.name;
            break;
        }
    }
    if (!facts.impulses)
        o.capacity = facts.capacity;
    for (const MonthSeries& m : months)
        o.months.push_back(SummariseMonth(facts.year, m, o.capacity));
    std::sort(o.months.begin(), o.months.end(),
              [](const MonthOverview& a, const MonthOverview& b) { return a.month < b.month; });
    return o;
}

std::vector<std::string> YearFailures(const YearOverview& o)
{
    std::vector<std::string> failures;
    for (const MonthOverview& m : o.months)
        if (m.state == MonthState::Partly || m.state == MonthState::Unreadable)
            failures.push_back(MonthKey(o.year, m.month) + ": " + m.reason);
    return failures;
}

int32_t MonthsWithData(const YearOverview& o)
{
    int32_t n = 0;
    for (const MonthOverview& m : o.months)
        n += m.count > 0 ? 1 : 0;
    return n;
}

std::string MonthKey(int32_t year, int32_t month)
{
    return FormatInt(year, 4) + "-" + FormatInt(month, 2);
}

std::string YearOverviewText(const YearOverview& o)
{
    const std::vector<std::string> headings = {
        "month",   "state",   "quarter-hours",   "expected",      "energy",
        "average", "maximum", "time of maximum", "over capacity", "reason"};
    std::vector<std::vector<std::string>> rows;
    for (const MonthOverview& m : o.months)
        rows.push_back({MonthKey(o.year, m.month), StateName(m.state), std::to_string(m.count),
                        std::to_string(m.expected), ExportNumber(m.energy), ExportNumber(m.average),
                        ExportNumber(m.maximum), m.maximumTime, std::to_string(m.overCapacity),
                        m.reason});
    std::vector<std::size_t> widths;
    for (const std::string& h : headings)
        widths.push_back(h.size());
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], Utf8Length(row[i]));

    // The month, the state, the instant and the reason read from the left,
    // the numbers from the right; nothing trails the last cell.
    const auto line = [&](const std::vector<std::string>& cells) {
        std::string out;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const std::string pad(widths[i] - Utf8Length(cells[i]), ' ');
            const bool left = i <= 1 || i == 7 || i == 9;
            if (i > 0)
                out += "  ";
            out += left ? cells[i] + (i + 1 < cells.size() ? pad : "") : pad + cells[i];
        }
        while (!out.empty() && out.back() == ' ')
            out.pop_back();
        return out + "\n";
    };
    std::string text = "year overview " + std::to_string(o.year) + ": device " +
                       std::to_string(o.device) + ", block " + std::to_string(o.block) +
                       (o.blockName.empty() ? std::string() : " (" + o.blockName + ")") +
                       ", values in " + o.unit + ", energy in " + o.energyUnit +
                       ", reserved capacity " + CapacityText(o) + "\n";
    text += line(headings);
    for (const auto& row : rows)
        text += line(row);
    if (MonthsWithData(o) == 0)
        text += "no month of the year has data\n";
    return text;
}

Sheet YearCsvSheet(const YearOverview& o)
{
    Sheet sheet;
    sheet.name = "months";
    for (const char* key : {"month", "state", "count", "expected", "energy", "average", "max",
                            "max_time", "capacity", "over_capacity", "reason"})
        sheet.columns.push_back({key, CellKind::Text, {}});
    const Cell capacity = o.capacity ? Cell::Of(ExportValue(*o.capacity)) : Cell::Blank();
    for (const MonthOverview& m : o.months)
        sheet.rows.push_back({Cell::Of(MonthKey(o.year, m.month)), Cell::Of(StateName(m.state)),
                              Cell::Count(m.count), Cell::Count(m.expected),
                              Cell::Of(ExportValue(m.energy)), Cell::Of(ExportValue(m.average)),
                              Cell::Of(ExportValue(m.maximum)), Cell::Of(m.maximumTime), capacity,
                              Cell::Count(m.overCapacity), Cell::Of(m.reason)});
    return sheet;
}

Sheet YearSummarySheet(const YearOverview& o)
{
    Sheet summary;
    summary.name = "Přehled";
    summary.columns = {{"Měsíc", CellKind::Text, {}},
                       {"Stav", CellKind::Text, {}},
                       {"Čtvrthodin", CellKind::Integer, {}},
                       {"Z možných", CellKind::Integer, {}},
                       {"Energie", CellKind::Number, o.energyUnit},
                       {"Průměr", CellKind::Number, o.unit},
                       {"Maximum", CellKind::Number, o.unit},
                       {"Konec čtvrthodiny maxima", CellKind::DateTime, {}},
                       {"Rezervovaná kapacita", CellKind::Number, o.unit},
                       {"Nad kapacitou", CellKind::Integer, {}},
                       {"Důvod", CellKind::Text, {}}};
    static const char* const kStates[] = {"bez souboru", "data", "čitelný zčásti", "nečitelný"};
    for (const MonthOverview& m : o.months) {
        const bool values = m.count > 0;
        summary.rows.push_back(
            {Cell::Of(MonthKey(o.year, m.month)), Cell::Of(kStates[static_cast<int>(m.state)]),
             Cell::Count(m.count), Cell::Count(m.expected), Cell::Of(ExportValue(m.energy)),
             values ? Cell::Of(ExportValue(m.average)) : Cell::Blank(),
             values ? Cell::Of(ExportValue(m.maximum)) : Cell::Blank(),
             values ? Cell::Time(m.maximumX) : Cell::Blank(),
             o.capacity ? Cell::Of(ExportValue(*o.capacity)) : Cell::Blank(),
             o.capacity ? Cell::Count(m.overCapacity) : Cell::Blank(), Cell::Of(m.reason)});
    }
    summary.charts.push_back(
        {Chart::Type::Column, "Energie po měsících", 0, {4}, "Energie [" + o.energyUnit + "]"});
    summary.charts.push_back(
        {Chart::Type::Line, "Čtvrthodinové maximum a rezervovaná kapacita", 0,
         o.capacity ? std::vector<std::size_t>{6, 8} : std::vector<std::size_t>{6},
         "Výkon [" + o.unit + "]"});
    return summary;
}

Workbook YearWorkbook(const YearOverview& o, const std::vector<MonthSeries>& months,
                      const std::vector<std::pair<std::string, std::string>>& parameters)
{
    Workbook book;
    book.sheets.push_back(YearSummarySheet(o));
    for (const MonthSeries& m : months) {
        if (!m.hasFile || m.series.values.empty())
            continue;
        // "Čtvrthodiny 2024-03": a sheet name holds none of []:*?/\.
        book.sheets.push_back(SeriesSheet(m.series, "Čtvrthodiny " + MonthKey(o.year, m.month)));
    }
    book.sheets.push_back(ParametersSheet(parameters));
    return book;
}

std::string YearOverviewJson(const YearOverview& o)
{
    using Json = nlohmann::ordered_json;
    Json months = Json::array();
    for (const MonthOverview& m : o.months) {
        const Json maximum = m.count > 0
                                 ? Json{{"value", ExportValue(m.maximum)}, {"time", m.maximumTime}}
                                 : Json(nullptr);
        months.push_back({{"month", MonthKey(o.year, m.month)},
                          {"state", StateName(m.state)},
                          {"reason", m.reason.empty() ? Json(nullptr) : Json(m.reason)},
                          {"count", m.count},
                          {"expected", m.expected},
                          {"energy", ExportValue(m.energy)},
                          {"average", ExportValue(m.average)},
                          {"max", maximum},
                          {"over_capacity", m.overCapacity}});
    }
    const Json root = {{"device", o.device},
                       {"block", o.block},
                       {"block_name", o.blockName},
                       {"unit", o.unit},
                       {"energy_unit", o.energyUnit},
                       {"year", o.year},
                       {"capacity", o.capacity ? Json(ExportValue(*o.capacity)) : Json(nullptr)},
                       {"months", months}};
    // Texts that are not UTF-8 are replaced, never a reason to fail.
    return root.dump(1, '\t', false, Json::error_handler_t::replace) + "\n";
}

ExportSource YearExportSource(const YearOverview& overview, const std::vector<MonthSeries>& months,
                              const std::vector<std::pair<std::string, std::string>>& parameters)
{
    ExportSource source;
    source.table = [&overview] { return YearCsvSheet(overview); };
    source.czechTable = [&overview] { return YearSummarySheet(overview); };
    source.json = [&overview] { return YearOverviewJson(overview); };
    source.workbook = [&overview, &months, parameters] {
        return YearWorkbook(overview, months, parameters);
    };
    return source;
}

} // namespace kw
