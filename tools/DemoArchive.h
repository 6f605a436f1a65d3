#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Writer of realistic controller archives: the demo program directory and the
// fixtures of the tests. The pieces below are public so that a test can build a
// regular file, change one field and serialise it again to get a damaged one.

namespace kw::demo {

struct Date {
    int year = 0;
    int month = 0;
    int day = 0;
};

inline bool operator==(const Date& a, const Date& b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day;
}
inline bool operator!=(const Date& a, const Date& b)
{
    return !(a == b);
}

// What WriteDemoArchive writes into a program directory.
struct DemoOptions {
    std::vector<int> devices{0, 3};
    Date lastDay;             // last day with data (normally yesterday); required
    int months = 14;          // months of month files up to and including lastDay's month
    uint32_t seed = 20240;    // noise seed; the output depends only on options
    bool descriptions = true; // D0xARCH.INI files
    bool calendar = true;     // KALEND.INI
    bool dayDivision = true;  // ROZ_DNEW.CFG
    int ringSize = 100;       // quarter-hour records in the controller's ring, 1..580
    bool gaps = true;         // device 3 misses one snapshot (entry 15) in its oldest month
    // Oldest months of device 0 written by the older controller program
    // (revisions 11/2, D0L_11_2.INI); the newest month always has the current one.
    int olderMonths = 2;
};

// Byte images of files; std::string so they go straight to WriteFileAtomically.
using Bytes = std::string;

// ---- Dates (proleptic Gregorian) ----

bool IsValidDate(const Date& date);
int DaysInMonth(int year, int month);
// Days since 30 December 1899, the epoch of the archive's time stamps.
int64_t DayNumber(const Date& date);
Date DateFromDayNumber(int64_t dayNumber);
Date AddDays(const Date& date, int64_t days);
int Weekday(const Date& date); // 0 = Monday .. 6 = Sunday
Date EasterSunday(int year);
// Czech public holidays: the days KALEND.INI marks "N".
bool IsPublicHoliday(const Date& date);
bool IsWorkingDay(const Date& date); // Monday to Friday and not a public holiday
// Strictly "YYYY-MM-DD" naming an existing day.
bool ParseDate(std::string_view text, Date& date);
std::string FormatDate(const Date& date); // "YYYY-MM-DD"
// Comma-separated device numbers 0..15, each at most once, e.g. "0,3".
bool ParseDeviceList(std::string_view text, std::vector<int>& devices);

// ---- File names ----

char DeviceLetter(int device);               // 'L' for 0, '1'..'F' for 1..15
std::string DescriptionFileName(int device); // D0LARCH.INI
std::string AltDescriptionFileName(int device, int plcRevision,
                                   int iniRevision);        // D0L_11_2.INI
std::string MonthFileName(int device, int year, int month); // EL_24_03.DAT
std::string RecordName(int entry);                          // QX5-DATA-DEN-07

// ---- Archive descriptions ----

enum class BlockKind { Active, Reactive, Status };

// One block of a description and how the generator fills its records.
struct DemoBlock {
    std::string section; // its section, also its key in [BLOCK]
    BlockKind kind = BlockKind::Active;
    std::string title;         // POPIS (UTF-8)
    int start = 0;             // START: word index of record 0
    int length = 0;            // LENGTH: words per record
    int records = 0;           // NZAZN
    bool recordsByRef = false; // NZAZN written as "[RING]" (whose VALUE is `records`)
    int days = 0;              // NDAY; 0 leaves the key out
    double multiplier = 1;     // NASOB
    int display = 0;           // ZOBRAZ
    std::string unit;          // JEDN; empty leaves the key out
    std::string listed;        // VYPIS
    std::string exportName;    // OUTDBF; empty leaves the key out
    std::string day, hour, minute, second, value; // item descriptors
    std::string format;                           // FORMAT (UTF-8)
};

struct DemoDescription {
    int device = 0;
    std::string revisionKey = "REV_PLC"; // or the fallback key REV_QX5
    int revisionValue = 0;               // as written; records carry its absolute value
    int iniRevision = 0;
    std::vector<DemoBlock> blocks;
    bool exportSection = false; // a [BLOCKE] section, which readers skip

    int plcRevision() const { return revisionValue < 0 ? -revisionValue : revisionValue; }
    // Bytes of day data the blocks need (the entries' length).
    int dataBytes() const;
};

// The description the current controller program of `device` uses.
DemoDescription CurrentDescription(int device, int ringSize);
// Device 0's older controller program (revisions 11/2): same blocks, other order.
DemoDescription OlderDescription(int ringSize);
// INI text of a description, UTF-8 with CR LF line ends (files hold Windows-1250).
std::string DescriptionText(const DemoDescription& description);

// ---- Load and day data ----

// Quarter-hour marks count quarter-hours from 30 December 1899 00:00; mark k is
// the end of the quarter-hour that the record stamped k * 900 s measures.
int64_t QuarterHourMark(const Date& date, int hour, int minute);

struct QuarterHourEnergy {
    double active = 0;   // kWh
    double reactive = 0; // kVArh
};
// Energy metered by `device` in the quarter-hour ending at `mark`; depends only
// on its arguments, so a record reads the same in every snapshot holding it.
QuarterHourEnergy MeteredEnergy(int device, uint32_t seed, int64_t mark);

// Seconds past 02:00:00 at which the controller takes the snapshot of `day`.
int SnapshotSecond(int device, uint32_t seed, const Date& day);

// Day data of the snapshot taken at 02:00:`second` on `day`: revision bytes,
// BCD snapshot time at bytes 14..20, and every block's ring of the last
// `records` quarter-hour records (record n = ring slot n = the mark congruent
// to n). Records of quarter-hours ending before `running` (00:00 of that
// day) stay zero; a default Date means the controller always ran.
Bytes SnapshotData(const DemoDescription& description, uint32_t seed, const Date& day, int second,
                   const Date& running = Date{});

// ---- Month files ----

struct MonthEntry {
    bool present = false;              // a day record is written for the entry
    std::array<uint16_t, 3> numbers{}; // hour, minute, second of the snapshot
    Bytes data;                        // the record's data
    std::string recordName;            // record header text; empty: RecordName(entry)
    std::optional<uint32_t> offset;    // stored instead of where the record lies
    std::optional<uint16_t> length;    // stored instead of data.size()
};

struct MonthImage {
    std::string signature = "QX5 nactene udaje";
    uint16_t count = 0;                   // number of the latest entry written
    std::array<MonthEntry, 32> entries{}; // entries[n - 1] is entry n
};

// Header (560 bytes), then the present entries' records in entry order.
Bytes SerializeMonthFile(const MonthImage& image);

// First month with month files, as {year, month, 1}.
Date FirstMonth(const DemoOptions& options);
// The description the records of a month of `device` are written for.
DemoDescription DescriptionForMonth(const DemoOptions& options, int device, int year, int month);
// The month file as the controller leaves it: snapshots of days 1..28/31 and
// entry 32 (02:00 on the 1st of the next month), up to 02:00 after lastDay.
MonthImage BuildMonthImage(const DemoOptions& options, int device, int year, int month);

// ---- Calendar and day division ----

// KALEND.INI (ASCII, CR LF): template section "1980", then each year with its
// public holidays "N" and the energy-month end "E" of every month.
std::string CalendarText(int firstYear, int lastYear);

// ROZ_DNEW.CFG: the 6019-byte day division record with tariff groups and output sums.
Bytes DayDivisionRecord();

// ---- Whole directory ----

struct DemoFile {
    std::string name;
    Bytes bytes;
};

// False with `error` filled when the options cannot make an archive.
bool CheckOptions(const DemoOptions& options, std::string* error = nullptr);
// Every file of the program directory, in memory.
bool BuildDemoArchive(const DemoOptions& options, std::vector<DemoFile>& files,
                      std::string* error = nullptr);
// Writes the files into `dir` (created when missing), each one atomically.
bool WriteDemoFiles(const std::string& dir, const std::vector<DemoFile>& files,
                    std::string* error = nullptr);

// Writes a complete program directory for the options into `dir` (created when
// missing). False with `error` filled on failure.
bool WriteDemoArchive(const std::string& dir, const DemoOptions& options,
                      std::string* error = nullptr);

} // namespace kw::demo
