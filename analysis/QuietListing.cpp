#include "analysis/QuietListing.h"

#include "archive/DateTime.h"
#include "archive/FileLookup.h"
#include "calendar/Calendar.h"
#include "listing/Engine.h"

#include <exception>

namespace kw {

// Questions keep the settings given; messages and lines go nowhere.
struct QuietListing::Silent : ListingUi {
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&, bool) override {}
    CountingOutputTarget nowhere;
};

QuietListing::QuietListing(const std::string& programPath, int32_t device,
                           const ListingSettings& settings, int32_t dayStartOffset)
    : m_silent(std::make_unique<Silent>()), m_engine(std::make_unique<Engine>(*m_silent)),
      m_dayStartOffset(dayStartOffset)
{
    Engine& e = *m_engine;
    e.output.setTarget(&m_silent->nowhere);
    e.setProgramPath(programPath);
    e.Location.DeviceNo = device;
    try {
        e.description.LoadArchiveDescription(programPath, device);
    } catch (const std::exception&) {
        e.description.ArchiveLoaded = false;
    }
    e.division.LoadDayDivision(programPath);
    e.division.SetDayStartOffset(dayStartOffset);
    e.settings = settings;
    // Several days are listed without asking which display mode to take;
    // the values do not depend on it.
    e.settings.DisplayMode = 4;
    // The block is chosen by List, as by the user after the program's start:
    // a switch of description files keeps the block it finds again instead
    // of taking the first one of the list.
    e.listing.BlockChoiceState = 1;
}

QuietListing::~QuietListing() = default;

bool QuietListing::loaded() const
{
    return m_engine->description.ArchiveLoaded;
}

bool QuietListing::SelectOwnBlock(int32_t block)
{
    Engine& e = *m_engine;
    // An earlier listing may have switched to another description file, whose
    // blocks can lie in another order; `block` is one of the device's own.
    if (!loaded() || !e.description.OwnDescriptionLoaded()) {
        try {
            e.description.LoadArchiveDescription(e.Location.ProgramPath, e.Location.DeviceNo);
        } catch (const std::exception&) {
            e.description.ArchiveLoaded = false;
        }
    }
    if (!loaded() || block < 1 || block > e.description.BlockCount)
        return false;
    e.description.CurrentBlock = block;
    e.description.CurrentBlockTitle =
        e.description.BlockTable[static_cast<std::size_t>(block)].Description;
    return true;
}

std::vector<GraphBar> QuietListing::List(int32_t year, int32_t month, int32_t block,
                                         const std::function<void(ListingRun&)>& command)
{
    Engine& e = *m_engine;
    m_lastError.clear();
    e.series = Series();
    if (!SelectOwnBlock(block))
        return {};
    e.division.SetDayStartOffset(m_dayStartOffset);
    e.graph.ClearGraph();
    e.listing.ListingYear = year;
    e.listing.ListingMonth = month;
    try {
        command(e.listing);
    } catch (const std::exception& error) {
        m_lastError = error.what();
        e.series.error = m_lastError;
        return {};
    }
    // A switch of description files during the listing may have moved the
    // block; the bars are those of the listing all the same.
    return e.graph.bars();
}

std::vector<GraphBar> QuietListing::WholeMonth(int32_t year, int32_t month, int32_t block)
{
    return List(year, month, block,
                [](ListingRun& listing) { listing.MonthAction(ListingRun::WholeMonth); });
}

Series QuietListing::WholeMonthSeries(int32_t year, int32_t month, int32_t block)
{
    WholeMonth(year, month, block);
    return m_engine->series;
}

Series QuietListing::CalendarMonthSeries(int32_t year, int32_t month, int32_t block)
{
    Engine& e = *m_engine;
    m_lastError.clear();
    Series& series = e.series;
    series = Series();
    if (!SelectOwnBlock(block))
        return series;
    series.Start(e.Location.DeviceNo, e.ListedBlock(), e.description, e.settings.ConvertValues, 0);
    series.clock = ArchiveClock(e.ini, e.Location.ProgramPath);
    e.dayListing.setValuesOnly(true);
    try {
        const DayArchive::Hold hold(e.archive);
        const int32_t days = DaysInMonth(year, month);
        for (int32_t d = 1; d <= days; ++d) {
            const int32_t r = e.dayListing.ListDay(year, month, d, 0);
            const BlockDescription* current = e.description.currentBlock();
            series.EndDay(year, month, d,
                          static_cast<int64_t>(DateTimeToSeconds(year, month, d, 0, 0, 0) / 86400),
                          r, current ? current->Description : std::string());
        }
    } catch (const std::exception& error) {
        m_lastError = error.what();
        series.error = m_lastError;
    }
    e.dayListing.setValuesOnly(false);
    Series out = std::move(series);
    series = Series();
    return out;
}

std::array<int32_t, 32> QuietListing::DayClasses(int32_t year, int32_t month)
{
    std::array<int32_t, 32> classes{};
    Calendar& calendar = m_engine->calendar;
    try {
        calendar.LoadCalendarMonth(year, month, "-");
    } catch (const std::exception&) {
        // An unreadable KALEND.INI leaves the weekday types, as in a listing.
    }
    for (int32_t d = 1; d <= DaysInMonth(year, month); ++d)
        classes[static_cast<std::size_t>(d)] = calendar.DayType(d) % 10;
    return classes;
}

ClockRule QuietListing::clock() const
{
    return ArchiveClock(m_engine->ini, m_engine->Location.ProgramPath);
}

const Series& QuietListing::series() const
{
    return m_engine->series;
}

std::vector<int32_t> QuietListing::MonthsWithFiles(int32_t year) const
{
    std::vector<int32_t> months;
    const DirectoryListing dir(m_engine->Location.ProgramPath);
    for (int32_t month = 1; month <= 12; ++month)
        if (dir.anyMatch(m_engine->archive.MonthFileName(year, month)))
            months.push_back(month);
    return months;
}

} // namespace kw
