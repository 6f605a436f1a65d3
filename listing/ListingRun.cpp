#include "listing/ListingRun.h"

#include "archive/ArchiveDescription.h"
#include "archive/Codepage.h"
#include "archive/DateTime.h"
#include "archive/MonthFile.h"
#include "archive/NumberFormat.h"
#include "calendar/Calendar.h"
#include "calendar/DayDivision.h"
#include "graph/Graph.h"
#include "graph/Series.h"
#include "listing/DayListing.h"
#include "listing/SumTables.h"
#include "output/Log.h"
#include "output/Output.h"

#include <algorithm>
#include <cstdlib>

namespace kw {

ListingRun::ListingRun(ArchiveDescription& description, DayArchive& archive, DayListing& dayListing,
                       SumTables& sums, Calendar& calendar, DayDivision& division, Graph& graph,
                       Output& output, Log& log, ListingSettings& settings, ListingUi& ui)
    : m_desc(description), m_archive(archive), m_dayListing(dayListing), m_sums(sums),
      m_calendar(calendar), m_division(division), m_graph(graph), m_out(output), m_log(log),
      m_settings(settings), m_ui(ui)
{}

void ListingRun::SetEditVypis(const std::string& text)
{
    if (text == EditVypis)
        return;
    EditVypis = text;
    m_ui.editVypisChanged();
    EditVypisChange();
}

void ListingRun::MonthAction(int32_t n)
{
    LastStatus = Status::Done;
    if (n == ShowListingParameters) {
        m_ui.showListingParameters();
        return;
    }
    if (n >= 1 && n <= 31) {
        // A picker left open while the listing month changed may offer a day
        // this month does not have.
        if (n > DaysInMonth(ListingYear, ListingMonth))
            return;
        SetEditVypis("DEN " + std::to_string(n));
        SuggestDisplayMode(1);
        m_ui.showOutputWindow();
        ListingFirstDay = n;
        ListingSpan = 1;
        RunListing();
        return;
    }
    if (n != WholeMonth && n != EnergyMonth)
        return;
    m_calendar.LoadCalendarMonth(ListingYear, ListingMonth, "-");
    if (n == WholeMonth) {
        SetEditVypis("MĚSÍC");
    } else {
        if (CheckEnergyMonthEnds() != 0) {
            LastStatus = Status::EnergyMonthEndsMissing;
            m_ui.showMessage("Chyba nastavení KEM",
                             "Chyba při testování konce energetického měsíce. \r\n"
                             "KEM nastavte pomocí Kalendáře",
                             true);
            return;
        }
        SetEditVypis("ENERGETICKÝ MĚSÍC");
    }
    SuggestDisplayMode(0);
    m_ui.showOutputWindow();
    ListingFirstDay = 1;
    ListingSpan = n;
    RunListing();
}

void ListingRun::PickAction(int32_t n)
{
    const auto pick = [this](const char* caption, void (ListingRun::*handler)(int32_t)) {
        m_calendar.SelectionHandler = [this, handler](int32_t day) { (this->*handler)(day); };
        m_calendar.SelectionMode = true;
        m_calendar.LoadCalendarMonth(ListingYear, ListingMonth, caption);
        m_ui.showCalendar();
    };
    const bool monthHasDay = n >= 1 && n <= DaysInMonth(ListingYear, ListingMonth);
    if (n == PickDay) {
        pick("VÝPIS - Výběr dne", &ListingRun::MonthAction);
    } else if (n == PickRange) {
        SuggestDisplayMode(0);
        RangeStartDay = 0;
        pick("VÝPIS - Ode dne", &ListingRun::PickAction);
    } else if (monthHasDay && RangeStartDay == 0) {
        RangeStartDay = n;
        pick("VÝPIS - Do dne", &ListingRun::PickAction);
    } else if (monthHasDay) {
        RangeEndDay = n;
        if (RangeEndDay < RangeStartDay)
            std::swap(RangeStartDay, RangeEndDay);
        m_ui.showOutputWindow();
        ListingFirstDay = RangeStartDay;
        ListingSpan = RangeEndDay - RangeStartDay + 1;
        SetEditVypis("OBDOBÍ od " + std::to_string(RangeStartDay) + " do " +
                     std::to_string(RangeEndDay));
        RunListing();
    }
}

void ListingRun::SuggestDisplayMode(int32_t kind)
{
    const char* const caption = "Kontrola parametru zobrazení";
    if (kind == 0 && m_settings.DisplayMode < 3) {
        if (m_ui.askYesNo(caption, "Pro zobrazení více dnů doporučuji\r\n"
                                   "přepnout parametr zobrazeni - výpis dne\r\n"
                                   "na CELÝ DEN\r\n\r\n"
                                   "Chcete to provést ?"))
            m_settings.DisplayMode = 3;
    } else if (kind == 1 && m_settings.DisplayMode > 2) {
        if (m_ui.askYesNo(caption, "Pro zobrazení jednoho dne doporučuji\r\n"
                                   "přepnout parametr zobrazeni - výpis dne\r\n"
                                   "na čtvrthodiny\r\n\r\n"
                                   "Chcete to provést ?"))
            m_settings.DisplayMode = 0;
    }
}

void ListingRun::RestoreListingMonth(const ListingPeriod& period)
{
    ListingYear = period.year;
    ListingMonth = period.month;
    ListingSpan = period.span;
    // The calendar may have been left on the month before; the next listing
    // and the calendar window expect the listing month. The error that ended
    // the action is the one to report, not a second one from this load.
    if (m_calendar.Year != ListingYear || m_calendar.Month != ListingMonth) {
        try {
            m_calendar.LoadCalendarMonth(ListingYear, ListingMonth, "-");
        } catch (...) {
        }
    }
}

int32_t ListingRun::CheckEnergyMonthEnds()
{
    const ListingPeriod period{ListingYear, ListingMonth, ListingSpan};
    try {
        return CheckBothEnergyMonthEnds();
    } catch (...) {
        RestoreListingMonth(period);
        throw;
    }
}

int32_t ListingRun::CheckBothEnergyMonthEnds()
{
    bool failed = false;
    const auto check = [&] {
        if (m_calendar.KemDay != 0)
            return;
        m_log.WriteLog(true, "Chyba energetického měsíce - Období " + MonthNames(ListingMonth) +
                                 " " + FormatInt(ListingYear, 4) +
                                 " - není nastaven KEM (poslední den energetického měsíce)");
        failed = true;
    };
    check();
    m_calendar.PrevCalendarMonth(ListingYear, ListingMonth);
    check();
    m_calendar.NextCalendarMonth(ListingYear, ListingMonth);
    if (!failed)
        return 0;
    ListingFirstDay = 1;
    ListingSpan = WholeMonth;
    return -1;
}

void ListingRun::RunListing()
{
    // An energy month steps the listing month back for its first pass; an
    // I/O error there must not leave the next listing on the month before.
    const ListingPeriod period{ListingYear, ListingMonth, ListingSpan};
    try {
        ListPeriod();
    } catch (const std::exception& error) {
        if (m_series)
            m_series->error = error.what();
        RestoreListingMonth(period);
        throw;
    } catch (...) {
        RestoreListingMonth(period);
        throw;
    }
}

void ListingRun::ListPeriod()
{
    // Titled again for this listing: "Zobrazit impulzy" may have changed since
    // the title was set, and the value axis must name what the bars hold.
    EditVypisChange();
    m_graph.ClearGraph();
    if (m_startSeries)
        m_startSeries();
    m_out.ClearOutputIfSet();
    FirstDayListed = -1;
    LastDayListed = -1;
    bool first = true;
    bool energy = false;
    std::string periodName, startDate, endDate;
    const uint8_t options = m_division.SumOptions();
    const int32_t mode = m_settings.DisplayMode;

    for (;;) {
        if (ListingSpan == EnergyMonth) {
            energy = true;
            periodName = MonthNames(ListingMonth) + " " + FormatInt(ListingYear, 4);
            endDate = FormatInt(m_calendar.KemDay, 2) + "." + FormatInt(ListingMonth, 2);
            m_calendar.PrevCalendarMonth(ListingYear, ListingMonth);
            ListingFirstDay = m_calendar.KemDay + 1;
            startDate = FormatInt(ListingFirstDay, 2) + "." + FormatInt(ListingMonth, 2);
            if (m_calendar.DaysInMonthLoaded < ListingFirstDay)
                startDate = "01" + endDate.substr(2);
            ListingSpan = EnergyMonthSecondPass;
        } else if (ListingSpan == EnergyMonthSecondPass) {
            m_calendar.NextCalendarMonth(ListingYear, ListingMonth);
            ListingFirstDay = 1;
            ListingSpan = m_calendar.KemDay;
        }

        const int32_t last = std::min<int64_t>(int64_t(ListingFirstDay) + ListingSpan - 1,
                                               DaysInMonth(ListingYear, ListingMonth));
        if (energy && ListingSpan != EnergyMonthSecondPass)
            ListingSpan = EnergyMonth;
        if (first)
            m_division.InitDayDivision(1);

        for (int32_t d = ListingFirstDay; d <= last; ++d) {
            const auto dayNumber = static_cast<int64_t>(
                DateTimeToSeconds(ListingYear, ListingMonth, d, 0, 0, 0) / 86400);
            if (FirstDayListed < 0)
                FirstDayListed = dayNumber;
            LastDayListed = dayNumber;
            m_division.InitDayDivision(2);
            if (mode < 3 || first) {
                m_out.SetOutputStyle(1);
                if (energy)
                    m_out.WriteOutputLine("    **** VÝPIS ENERGETICKÝ MĚSÍC: " + periodName + " (" +
                                          startDate + "-" + endDate + ")");
                else
                    m_out.WriteOutputLine("    **** VÝPIS OBDOBÍ: " + MonthNames(ListingMonth) +
                                          " " + FormatInt(ListingYear, 4));
                m_out.WriteOutputLine("    * " + m_desc.CurrentBlockTitle + "  ");
                m_out.SetOutputStyle(0);
            }
            if (mode == 3 && first) {
                m_out.WriteOutputLine("");
                m_sums.WriteDaySums(0);
            }
            first = false;
            if (mode <= 3)
                m_out.WriteOutput(" DEN: " + FormatInt(d, 2));
            if (mode < 3) {
                m_out.WriteOutputLine("");
                m_out.WriteOutputLine("");
            }
            const int32_t r =
                m_dayListing.ListDay(ListingYear, ListingMonth, d, m_division.DayStartOffset());
            if (m_series) {
                const BlockDescription* block = m_desc.currentBlock();
                m_series->EndDay(ListingYear, ListingMonth, d, dayNumber, r,
                                 block ? block->Description : std::string());
            }
            if (r == DayArchive::NoFittingDescription) {
                m_out.WriteOutputLine(" Chyba: Nelze otevřít soubor: " + m_desc.AltDescriptionName);
            } else if (r != 0) {
                m_out.WriteOutputLine(" Záznam tento den není dostupný [" +
                                      std::to_string(std::abs(r)) + "]");
            } else {
                const bool everyMode = (options & DayDivision::DaySumsInAllModes) != 0;
                if (mode < 3 && everyMode) {
                    m_out.WriteOutputLine("");
                    m_sums.WriteDaySums(0);
                    m_out.WriteOutput("        ");
                }
                if (mode == 3 || (everyMode && mode != 4))
                    m_sums.WriteDaySums(1);
            }
            if (mode < 3)
                m_out.WriteOutputLine("");
        }

        if ((ListingFirstDay != last || (options & DayDivision::PeriodSumsForOneDay) != 0) &&
            ListingSpan != EnergyMonthSecondPass) {
            m_out.WriteOutputLine("");
            m_out.WriteOutputLine("");
            m_sums.WritePeriodSums();
        }
        if (ListingSpan != EnergyMonthSecondPass)
            break;
    }
    if (energy)
        ListingSpan = EnergyMonth;
    m_graph.RelabelGraph();
}

void ListingRun::ArchivedDayAction(int32_t n)
{
    m_out.ClearOutputIfSet();
    m_out.SetOutputStyle(1);
    m_out.WriteOutputLine("");
    m_out.WriteOutputLine("---------------------------- LIST DEN: " + std::to_string(n) +
                          " ----------------------------");
    m_out.SetOutputStyle(0);
    const int32_t r = m_archive.ReadDayRecord(
        DayArchive::RawListingMode(n), m_archive.MonthFileName(ListingYear, ListingMonth), 4);
    m_ui.showOutputWindow();
    m_log.WriteLog(r != 0, " LIST: " + std::to_string(n) + " rk: " + std::to_string(r) + "\\");
    LastStatus = r != 0 ? Status::RawReadFailed : Status::Done;
    if (r != 0)
        m_ui.showMessage("QX5_VIEW-CHYBA",
                         "Při zpracování programu nastala chyba, bližší informace v LOG info",
                         false);
    if (r == DayArchive::NoFittingDescription)
        m_log.WriteLog(true, " [Nelze otevřít soubor " + m_desc.AltDescriptionName + "]\\");
    m_log.WriteLog(r != 0, " ");
}

void ListingRun::FillBlockList()
{
    BlockEntries.clear();
    BlockEntryMap.clear();
    for (int32_t i = 1; i <= m_desc.BlockCount; ++i) {
        const BlockDescription& block = m_desc.BlockTable[static_cast<std::size_t>(i)];
        if (block.Listed) {
            BlockEntries.push_back(block.Description);
            BlockEntryMap.push_back(i);
        }
    }
}

void ListingRun::SelectBlock()
{
    FillBlockList();
    SelectedEntry = -1;
    if (BlockChoiceState == 0) {
        // With no listable block there is nothing to choose: the current block
        // stays as the description left it.
        if (!BlockEntryMap.empty()) {
            SelectedEntry = 0;
            m_desc.CurrentBlock = BlockEntryMap[0];
        }
        BlockChoiceState = 1;
    } else {
        for (std::size_t i = 0; i < BlockEntryMap.size(); ++i)
            if (BlockEntryMap[i] == m_desc.CurrentBlock)
                SelectedEntry = static_cast<int32_t>(i);
    }
    const BlockDescription* block = m_desc.currentBlock();
    m_desc.CurrentBlockTitle = block ? Utf8Left(block->Description, 64) : std::string();
    m_ui.blockListChanged();
}

void ListingRun::ComboBoxABChange(int32_t index)
{
    if (index < 0 || index >= static_cast<int32_t>(BlockEntryMap.size()))
        return;
    SelectedEntry = index;
    m_desc.CurrentBlock = BlockEntryMap[static_cast<std::size_t>(index)];
    const BlockDescription* block = m_desc.currentBlock();
    m_desc.CurrentBlockTitle = block ? block->Description : std::string();
    EditVypisChange();
}

std::string ListingRun::BlockChoiceText() const
{
    if (SelectedEntry < 0 || SelectedEntry >= static_cast<int32_t>(BlockEntries.size()))
        return std::string();
    return BlockEntries[static_cast<std::size_t>(SelectedEntry)];
}

std::string ListingRun::GraphTitle() const
{
    return MonthNames(ListingMonth) + " " + std::to_string(ListingYear) + " - " +
           BlockChoiceText() + " - " + EditVypis;
}

void ListingRun::EditVypisChange()
{
    const BlockDescription* block = m_desc.currentBlock();
    m_graph.SetGraphTitle(GraphTitle(), block ? Utf8Left(block->Unit, 16) : std::string(),
                          !m_settings.ConvertValues);
}

} // namespace kw
