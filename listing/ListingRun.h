#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kw {

class ArchiveDescription;
class Calendar;
class DayArchive;
class DayDivision;
class DayListing;
class Graph;
class Log;
class Output;
class Series;
class SumTables;
struct ListingSettings;

// The questions and windows of a listing run: the main window answers with
// message boxes and shows its windows; kwatrix-report answers without asking.
class ListingUi {
public:
    virtual ~ListingUi() = default;
    // A Yes/No question with the warning icon; true for Yes.
    virtual bool askYesNo(const std::string& caption, const std::string& text) = 0;
    // A message with an OK button; `errorIcon` false shows no icon.
    virtual void showMessage(const std::string& caption, const std::string& text,
                             bool errorIcon) = 0;
    virtual void showOutputWindow() {}
    virtual void showCalendar() {}
    virtual void showListingParameters() {}
    // The block choice or the text of EditVypis changed.
    virtual void blockListChanged() {}
    virtual void editVypisChanged() {}
};

// The listing driver of the main window: turns a chosen period into a
// listing, and keeps the period, the block choice and the listing kind.
class ListingRun {
public:
    ListingRun(ArchiveDescription& description, DayArchive& archive, DayListing& dayListing,
               SumTables& sums, Calendar& calendar, DayDivision& division, Graph& graph,
               Output& output, Log& log, ListingSettings& settings, ListingUi& ui);

    // ListingSpan beyond the 1..31 days of a range. WholeMonth and EnergyMonth
    // are also the MonthAction arguments of the two listing commands.
    enum ListingSpanCode : int32_t {
        WholeMonth = 32,
        EnergyMonth = 33,
        // Only inside RunListing, while the days of the month before are
        // listed: the listing month's own days follow in a second pass.
        EnergyMonthSecondPass = 34,
    };
    // MonthAction's argument of "Nastavení parametrů výpisu".
    static constexpr int32_t ShowListingParameters = 0;
    // PickAction's commands; other arguments are the days the calendar hands over.
    enum PickCommand : int32_t {
        PickDay = 101,   // "DEN"
        PickRange = 102, // "OBDOBÍ"
    };

    int32_t ListingYear = 0;
    int32_t ListingMonth = 0;
    int32_t ListingFirstDay = 0;
    int32_t ListingSpan = 1; // 1..31 days, or a ListingSpanCode
    int32_t RangeStartDay = 0;
    int32_t RangeEndDay = 0;
    std::vector<int32_t> BlockEntryMap; // entry of ComboBoxAB -> block number
    std::vector<std::string> BlockEntries;
    int32_t SelectedEntry = -1;
    int32_t BlockChoiceState = 0;
    std::string EditVypis; // what the last listing covered
    // The first and the last day the last listing went through (day numbers
    // since 30 December 1899); -1 before any listing.
    int64_t FirstDayListed = -1;
    int64_t LastDayListed = -1;

    // How the last listing command ended, for callers that do not read
    // message boxes (kwatrix-report's exit status).
    enum class Status {
        Done,
        EnergyMonthEndsMissing, // "Chyba nastavení KEM"
        RawReadFailed,          // the raw listing's read failed
    };
    Status LastStatus = Status::Done;

    void MonthAction(int32_t n);
    void PickAction(int32_t n);
    void ArchivedDayAction(int32_t n);
    int32_t CheckEnergyMonthEnds();
    void SuggestDisplayMode(int32_t kind);
    void RunListing();

    void FillBlockList();
    void SelectBlock();
    void ComboBoxABChange(int32_t index);
    // Sets the text of EditVypis; a change re-titles the graph.
    void SetEditVypis(const std::string& text);
    void EditVypisChange();
    std::string GraphTitle() const;

    // Where each listing puts its values, and what starts it anew for a
    // listing (it knows how the block is named in the device's own
    // description).
    void setSeries(Series* series, std::function<void()> start)
    {
        m_series = series;
        m_startSeries = std::move(start);
    }

private:
    struct ListingPeriod {
        int32_t year = 0;
        int32_t month = 0;
        int32_t span = 0;
    };

    std::string BlockChoiceText() const;
    int32_t CheckBothEnergyMonthEnds();
    void ListPeriod();
    // After an action ended by an error: the period as it was, and the
    // calendar on the listing month again.
    void RestoreListingMonth(const ListingPeriod& period);

    ArchiveDescription& m_desc;
    DayArchive& m_archive;
    DayListing& m_dayListing;
    SumTables& m_sums;
    Calendar& m_calendar;
    DayDivision& m_division;
    Graph& m_graph;
    Output& m_out;
    Log& m_log;
    ListingSettings& m_settings;
    ListingUi& m_ui;
    Series* m_series = nullptr;
    std::function<void()> m_startSeries;
};

} // namespace kw
