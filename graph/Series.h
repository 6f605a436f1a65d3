#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kw {

class ArchiveDescription;
class IniLayer;

// How the controller's clock runs, a setting of the archive folder (key
// "LetniCas" of section [Archiv] in KWATRIX.INI beside the month files):
// on standard time (CET, UTC+01:00) all year, the default and what a
// controller that is never set forward does, or on Central European time
// with summer time (UTC+02:00 from the last Sunday of March 02:00 to the last
// Sunday of October 03:00), "LetniCas=1".
enum class ClockRule { StandardTime, SummerTime };
ClockRule ArchiveClock(IniLayer& ini, const std::string& programPath);

// The quarter-hour values of one listing, with everything needed to read
// them right: the one home of the listed values. A listing fills it as it
// writes its days; the analyses and the exports read nothing else, so that
// which day and quarter-hour a value belongs to, what it is worth and which
// block it is of are decided here and in the listing only.

// What the values are, by ZOBRAZ and "Zobrazit impulzy": the stored value of
// a quarter-hour is always its amount (the hour sums and "Celkem" add the
// stored values); for ZOBRAZ 0 the listing shows four times it, the mean
// power of the quarter-hour.
enum class SeriesKind {
    MeanPower, // ZOBRAZ 0
    Energy,    // any other ZOBRAZ: shown as stored (ZOBRAZ 3 a 24th of it)
    Impulses,  // raw impulse counts
};

// A block by its identity in the device's own description: a listing that
// switches description files on the way keeps naming it so.
struct SeriesBlock {
    int32_t number = 0; // in the device's own description; 0 when not found there
    std::string name;   // its POPIS
    std::string unit;   // its JEDN, trimmed
    bool listed = true; // its VYPIS is ON: offered for listing
};
// A power unit ends in "W", "VA" or "VAr" (kW, MW, kVA, kVAr; also the IEC
// spelling "var"); blanks around it do not count.
bool IsPowerUnit(const std::string& unit);

// The blocks of the device's own description (prefix "D0x" or "QX5"), by
// number; index 0 unused. Empty when it does not load.
std::vector<SeriesBlock> OwnBlocks(const std::string& programPath, int32_t device);
// The block of the device's own description that the block titled `title`
// of any of its descriptions stands for: a switch finds a block again by the
// first character of its title. Number 0 when none.
SeriesBlock OwnBlockOf(const std::vector<SeriesBlock>& own, const std::string& title);

// The listing quarter-hour 0..95 of a record stamped `stamp` (seconds) in the
// listing day that starts at `dayStart`, -1 when it lies outside: a stamp is
// the end of its quarter-hour, so stamps after the start + 450 s up to the
// start + 1350 s (exclusive) are quarter-hour 0. Stamps are whole seconds.
int32_t ListingQuarter(int64_t stamp, int64_t dayStart);

struct SeriesValue {
    int64_t stamp = 0;   // seconds, the end of the quarter-hour on the controller's clock
    float stored = 0;    // the amount of the quarter-hour
    float shown = 0;     // as the listing shows it
    int64_t day = 0;     // the listing day, as a day number (days since 30.12.1899)
    int32_t quarter = 0; // 0..95 of the listing day
    bool again = false;  // the second value of its quarter-hour (a clock set back)

    // The stamp in days, as the graph places its bar.
    double days() const { return static_cast<double>(static_cast<long double>(stamp) / 86400); }
};

enum class DayState {
    Listed,
    NoRecord,      // "Záznam tento den není dostupný" (or no description fits)
    BlockNotFound, // a description switch did not find the block: no values of another
};

struct SeriesDay {
    int64_t day = 0; // day number
    int32_t year = 0, month = 0, dayOfMonth = 0;
    DayState state = DayState::Listed;
    int32_t result = 0;   // of ListDay
    int32_t present = 0;  // quarter-hours with a value
    int32_t expected = 0; // quarter-hours the day has
};

class Series {
public:
    int32_t device = 0;
    SeriesBlock block;
    SeriesKind kind = SeriesKind::Energy;
    int32_t dayStartOffset = 0; // seconds
    ClockRule clock = ClockRule::StandardTime;
    std::vector<SeriesValue> values;
    std::vector<SeriesDay> days;
    // What ended the listing before its end (an I/O error); empty when none.
    std::string error;

    // Empties the series for a new listing of `block` (of the device's own
    // description) with the current block of `description` and the
    // conversion given.
    void Start(int32_t deviceNo, const SeriesBlock& ownBlock, const ArchiveDescription& description,
               bool convertValues, int32_t dayStart);
    // A value of the listing day `day`, as the listing takes it.
    void Add(int64_t day, int32_t quarter, int64_t stamp, float stored, float shown);
    // The end of a listed day: `result` of ListDay, and the title of the block
    // whose values it took (after any switch of description files).
    void EndDay(int32_t year, int32_t month, int32_t dayOfMonth, int64_t day, int32_t result,
                const std::string& blockTitle);

    // The quarter-hours that listing day `day` has: 96, and on the days the
    // clock changes 92 and 100 when it follows summer time.
    int32_t QuartersOfDay(int64_t day) const;
    // The UTC offset of a value's instant, in minutes: 60, or 120 in summer
    // time; in the hour that the autumn change repeats, the first value of
    // a quarter-hour is the summer one.
    int32_t UtcOffsetMinutes(const SeriesValue& value) const;
    // "2024-03-05T00:15:00+01:00": the end of the value's quarter-hour.
    std::string Instant(const SeriesValue& value) const;

    // The unit of the shown values and of the amounts ("kWh" for a mean
    // power in "kW"), "imp" for impulses.
    std::string valueUnit() const;
    std::string energyUnit() const;

    int64_t present() const;
    int64_t expected() const;
    // Days that gave no values of the block (no record, block not found).
    int32_t daysWithout() const;
    // The listing's "Celkem": the sum of the stored values.
    double energy() const;
    // The mean and the highest of the shown values; the first value that
    // reaches the highest. nullopt without values.
    double average() const;
    const SeriesValue* maximum() const;
    // Quarter-hours whose shown value, exactly as stored, lies above `limit`.
    int32_t countAbove(double limit) const;

private:
    std::size_t m_dayStart = 0; // index of the first value of the day being listed
};

} // namespace kw
