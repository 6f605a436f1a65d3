#pragma once

#include <cstdint>
#include <string>

namespace kw {

class ArchiveDescription;
class Calendar;
class DayArchive;
class DayDivision;
class Graph;
class Log;
class Output;
class Series;

// How a listing shows its values; program-wide, not saved.
struct ListingSettings {
    // 0 quarter-hours, 1 hours, 2 hours in 4 columns, 3 whole day, 4 nothing
    // (period sums only).
    int32_t DisplayMode = 0;
    // false: raw impulse counts instead of converted values.
    bool ConvertValues = true;
};

// Items of a block record.
enum class Item { Day = 1, Hour = 2, Minute = 3, Second = 4, Value = 5 };

// Decodes the quarter-hour values of the current block for one listing day
// and writes them in the chosen display mode, accumulating every value into
// the day division and the graph.
class DayListing {
public:
    DayListing(ArchiveDescription& description, DayArchive& archive, Calendar& calendar,
               DayDivision& division, Graph& graph, Output& output, Log& log,
               const ListingSettings& settings);

    uint16_t ReadItem(int32_t recordNumber, Item item) const;
    // 0 when the day was written; otherwise the result of reading the day's
    // own entry (DayArchive::CannotOpen .. NoFittingDescription) and nothing
    // is written.
    int32_t ListDay(int32_t year, int32_t month, int32_t day, int32_t dayStartOffset);

    float DisplayMultiplier() const;
    std::string UnitText() const;

    // Where the listed values go besides the output and the graph; none by
    // default.
    void setSeries(Series* series) { m_series = series; }
    // Values only: the days go to the series alone, not to the output, the
    // day division or the graph.
    void setValuesOnly(bool on) { m_valuesOnly = on; }

private:
    struct Slot {
        float value = 0.0f;
        int64_t stamp = 0; // seconds
        bool filled = false;
    };
    using Table = Slot[96][4];
    void Interpret(int32_t year, int32_t month, int32_t sourceEntry, int64_t dayStart,
                   int32_t limit, int32_t& earliest, Table& table);

    ArchiveDescription& m_desc;
    DayArchive& m_archive;
    Calendar& m_calendar;
    DayDivision& m_division;
    Graph& m_graph;
    Series* m_series = nullptr;
    bool m_valuesOnly = false;
    Output& m_out;
    Log& m_log;
    const ListingSettings& m_settings;
};

// Decodes one item descriptor ("W2N", "L0B", "K30", ...) of the record that
// starts at word `recordStart` of the day data.
uint16_t DecodeItem(const std::string& item, const DayArchive& archive, int64_t recordStart);

// An item descriptor read once, for decoding it in every record of a block.
struct ItemCode {
    char kind = 0; // 'W', 'H', 'L' or 'K'; 0 decodes as 0
    int32_t offset = 0;
    char encoding = 0;
    uint16_t constant = 0;
};
ItemCode CompileItem(const std::string& item);
uint16_t DecodeItem(const ItemCode& code, const DayArchive& archive, int64_t recordStart);

} // namespace kw
