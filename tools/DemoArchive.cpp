#include "tools/DemoArchive.h"

#include "archive/AtomicFile.h"
#include "archive/Codepage.h"
#include "calendar/Calendar.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>
#include <system_error>
#include <utility>

namespace kw::demo {

namespace {

constexpr int kHeaderSize = 560;
constexpr int kRecordHeaderSize = 16;
constexpr int kMaxDataBytes = 8192;
constexpr int kMaxRingSize = 580;
// The largest ring must still fit the day data: device 0 keeps 3 + 4 words per
// quarter-hour after 16 header words, then 8 status words.
static_assert((16 + 7 * kMaxRingSize + 8) * 2 <= kMaxDataBytes);
constexpr int kSnapshotHour = 2;
constexpr int kBoilerRoom = 3; // device 3, a sub-meter that was once off
constexpr int kGapEntry = 15;
constexpr int kOlderPlcRevision = 11;
constexpr int kOlderIniRevision = 2;
constexpr double kPi = 3.14159265358979323846;

// Days from 1970-01-01 to 1899-12-30, the archive's epoch.
constexpr int64_t kEpochShift = 25569;

int64_t DaysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

uint8_t Bcd(int value)
{
    return static_cast<uint8_t>(((value / 10) % 10) << 4 | (value % 10));
}

void PutU8(Bytes& bytes, std::size_t at, unsigned value)
{
    if (at < bytes.size())
        bytes[at] = static_cast<char>(value & 0xFF);
}

void PutU16(Bytes& bytes, std::size_t at, unsigned value)
{
    PutU8(bytes, at, value);
    PutU8(bytes, at + 1, value >> 8);
}

void PutU32(Bytes& bytes, std::size_t at, uint32_t value)
{
    PutU16(bytes, at, value & 0xFFFF);
    PutU16(bytes, at + 2, value >> 16);
}

// A 16-bit word of day data; words outside the buffer are dropped, so a
// crafted description cannot make the writer run past it.
void PutWord(Bytes& data, int64_t word, unsigned value)
{
    if (word >= 0 && word < static_cast<int64_t>(data.size() / 2))
        PutU16(data, static_cast<std::size_t>(word) * 2, value);
}

// Length-prefixed Windows-1250 text in a field of 1 + capacity bytes.
void PutText(Bytes& bytes, std::size_t at, std::size_t capacity, std::string_view utf8)
{
    std::string text = Utf8ToCp1250(utf8);
    if (text.size() > capacity)
        text.resize(capacity);
    PutU8(bytes, at, static_cast<unsigned>(text.size()));
    for (std::size_t i = 0; i < text.size(); ++i)
        PutU8(bytes, at + 1 + i, static_cast<unsigned char>(text[i]));
}

uint64_t SplitMix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// Independent streams of noise, so that changing one use never shifts another.
enum Stream : uint64_t { DayLevel = 1, QuarterLevel, ReactiveShare, SnapshotSeconds, Warnings };

// Uniform in [0, 1), a pure function of its arguments.
double Noise(uint32_t seed, int device, Stream stream, int64_t n)
{
    uint64_t h = SplitMix(seed);
    h = SplitMix(h ^ static_cast<uint64_t>(device));
    h = SplitMix(h ^ stream);
    h = SplitMix(h ^ static_cast<uint64_t>(n));
    return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

// 0 before a, 1 after b, a smooth step between.
double Step(double x, double a, double b)
{
    if (x <= a)
        return 0;
    if (x >= b)
        return 1;
    const double t = (x - a) / (b - a);
    return t * t * (3 - 2 * t);
}

double Window(double x, double rise0, double rise1, double fall0, double fall1)
{
    return Step(x, rise0, rise1) * (1 - Step(x, fall0, fall1));
}

// +1 in mid-January, -1 in mid-July.
double Season(const Date& date)
{
    const int64_t dayOfYear = DayNumber(date) - DayNumber(Date{date.year, 1, 1});
    return std::cos(2 * kPi * static_cast<double>(dayOfYear - 15) / 365.25);
}

// Mean power in kW over quarter-hour q (0..95) of `date`, before quarter noise.
double MeanPower(int device, uint32_t seed, const Date& date, int q)
{
    const double h = (q + 0.5) / 4;
    const bool working = IsWorkingDay(date);
    const double season = Season(date);
    const double dayNoise = 1 + 0.12 * (Noise(seed, device, DayLevel, DayNumber(date)) - 0.5);
    if (device == kBoilerRoom) {
        // Boiler room: heating dominates, a small working-day load on top.
        const double heating = std::clamp(0.55 + 0.45 * season, 0.08, 1.0);
        const double hours = Window(h, 5.0, 6.5, 19.0, 20.5);
        const double extra = working ? 12 * (0.5 + 0.5 * heating) : 2.5;
        return (4 + 10 * heating + extra * hours) * dayNoise;
    }
    // A factory's main meter: night base, two shifts on working days.
    const double base = 55 * (1 + 0.08 * season);
    double load;
    if (working) {
        const double shifts = Window(h, 5.5, 7.0, 21.0, 22.5) * (1 - 0.3 * Step(h, 13.75, 14.5));
        const double lunch = 0.12 * Window(h, 11.25, 11.75, 12.25, 12.75);
        load = base + 170 * (shifts - lunch) * dayNoise;
    } else {
        load = base + 22 * Window(h, 7.5, 9.0, 15.0, 17.0) * dayNoise;
    }
    // Sub-meters of other devices see a part of a similar plant.
    return device == 0 ? load : 0.3 * load;
}

unsigned RawCount(double energy, double multiplier)
{
    if (!(multiplier > 0))
        return 0;
    const double raw = std::round(energy / multiplier);
    return static_cast<unsigned>(std::clamp(raw, 0.0, 65535.0));
}

std::string FormatNumber(double value)
{
    char buffer[32];
    // to_chars ignores the locale: a decimal comma would break the INI reader.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

void IniLine(std::string& out, std::string_view key, std::string_view value)
{
    out += key;
    out += '=';
    // Blanks around a value vanish when it is read, unless it is quoted.
    const bool quote = !value.empty() && (value.front() == ' ' || value.back() == ' ');
    if (quote)
        out += '"';
    out += value;
    if (quote)
        out += '"';
    out += "\r\n";
}

void IniSection(std::string& out, std::string_view name)
{
    if (!out.empty())
        out += "\r\n";
    out += '[';
    out += name;
    out += "]\r\n";
}

DemoBlock ActiveBlock(std::string title, int start, int ringSize, bool byRef, double multiplier)
{
    DemoBlock b;
    b.section = "ACTIVE";
    b.kind = BlockKind::Active;
    b.title = std::move(title);
    b.start = start;
    b.length = 3;
    b.records = ringSize;
    b.recordsByRef = byRef;
    b.days = 4; // a day of a 28-day February still reaches entry 32
    b.multiplier = multiplier;
    b.display = 0;
    b.unit = "kW";
    b.listed = "ON";
    b.day = "L0B";
    b.hour = "H0B";
    b.minute = "L1B";
    b.second = "H1B";
    b.value = "W2N";
    b.format = "L0B2;C.;H0B2;C:;L1B2;C ;W2N5;C | ";
    return b;
}

DemoBlock ReactiveBlock(int start, int ringSize)
{
    DemoBlock b;
    b.section = "REACTIVE";
    b.kind = BlockKind::Reactive;
    b.title = "Jalová energie - hlavní elektroměr";
    b.start = start;
    b.length = 4;
    b.records = ringSize;
    b.recordsByRef = true;
    b.days = 4;
    b.multiplier = 0.05;
    b.display = 0;
    b.unit = "kVAr";
    b.listed = "ON";
    b.day = "H0B";
    b.hour = "L0B";
    b.minute = "L1B";
    b.second = "K0";
    b.value = "W3S";
    b.format = "H0B2;C.;L0B2;C:;L1B2;C ;W3S5;C | ";
    return b;
}

DemoBlock StatusBlock(int start)
{
    DemoBlock b;
    b.section = "STATUS";
    b.kind = BlockKind::Status;
    b.title = "Stav regulátoru";
    b.start = start;
    b.length = 8;
    b.records = 1;
    b.multiplier = 1;
    b.display = 1;
    b.listed = "OFF";
    b.day = "L0B";
    b.hour = "H0B";
    b.minute = "L1B";
    b.second = "H1B";
    b.value = "W2N";
    b.format = "C čas ;L0B2;C. ;H0B2;C:;L1B2;C:;H1B2;C  stav ;W2H4;C  výstrahy ;W4H4;C  chyby ;"
               "W7H4;C  provoz ;W3N5;C  zápis ;W5N3";
    return b;
}

} // namespace

// ---- Dates ----

bool IsValidDate(const Date& date)
{
    return date.year >= 1 && date.year <= 9999 && date.month >= 1 && date.month <= 12 &&
           date.day >= 1 && date.day <= DaysInMonth(date.year, date.month);
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

int64_t DayNumber(const Date& date)
{
    return DaysFromCivil(date.year, date.month, date.day) + kEpochShift;
}

Date DateFromDayNumber(int64_t dayNumber)
{
    const int64_t z = dayNumber - kEpochShift + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yoe + era * 400 + (month <= 2));
    return Date{year, month, day};
}

Date AddDays(const Date& date, int64_t days)
{
    return DateFromDayNumber(DayNumber(date) + days);
}

int Weekday(const Date& date)
{
    // 30 December 1899 was a Saturday.
    return static_cast<int>(((DayNumber(date) + 5) % 7 + 7) % 7);
}

Date EasterSunday(int year)
{
    const kw::DayOfYear easter = kw::EasterSunday(year);
    return Date{year, easter.second, easter.first};
}

bool IsPublicHoliday(const Date& date)
{
    for (const auto& [day, month] : kw::CzechPublicHolidays(date.year)) {
        if (date.day == day && date.month == month)
            return true;
    }
    return false;
}

bool IsWorkingDay(const Date& date)
{
    return Weekday(date) < 5 && !IsPublicHoliday(date);
}

bool ParseDate(std::string_view text, Date& date)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    auto number = [&](std::size_t from, std::size_t count, int& out) {
        out = 0;
        for (std::size_t i = from; i < from + count; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            out = out * 10 + (text[i] - '0');
        }
        return true;
    };
    Date parsed;
    if (!number(0, 4, parsed.year) || !number(5, 2, parsed.month) || !number(8, 2, parsed.day) ||
        !IsValidDate(parsed))
        return false;
    date = parsed;
    return true;
}

std::string FormatDate(const Date& date)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", date.year, date.month, date.day);
    return buffer;
}

bool ParseDeviceList(std::string_view text, std::vector<int>& devices)
{
    std::vector<int> parsed;
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t comma = std::min(text.find(',', from), text.size());
        const std::string_view item = text.substr(from, comma - from);
        int device = -1;
        const auto result = std::from_chars(item.data(), item.data() + item.size(), device);
        if (item.empty() || result.ec != std::errc() || result.ptr != item.data() + item.size() ||
            device < 0 || device > 15 ||
            std::find(parsed.begin(), parsed.end(), device) != parsed.end())
            return false;
        parsed.push_back(device);
        from = comma + 1;
    }
    devices = std::move(parsed);
    return true;
}

// ---- File names ----

char DeviceLetter(int device)
{
    if (device == 0)
        return 'L';
    return "0123456789ABCDEF"[device & 15];
}

std::string DescriptionFileName(int device)
{
    return std::string("D0") + DeviceLetter(device) + "ARCH.INI";
}

std::string AltDescriptionFileName(int device, int plcRevision, int iniRevision)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "D0%c_%02d_%d.INI", DeviceLetter(device), plcRevision,
                  iniRevision);
    return buffer;
}

std::string MonthFileName(int device, int year, int month)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "E%c_%02d_%02d.DAT", DeviceLetter(device), year % 100,
                  month);
    return buffer;
}

std::string RecordName(int entry)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "QX5-DATA-DEN-%02d", entry);
    return buffer;
}

// ---- Descriptions ----

int DemoDescription::dataBytes() const
{
    int words = 11; // up to the BCD second at byte 20
    for (const DemoBlock& b : blocks)
        words = std::max(words, b.start + b.records * b.length);
    return words * 2;
}

DemoDescription CurrentDescription(int device, int ringSize)
{
    DemoDescription d;
    d.device = device;
    if (device == 0) {
        d.revisionKey = "REV_PLC";
        d.revisionValue = 12;
        d.iniRevision = 3;
        d.exportSection = true;
        DemoBlock active =
            ActiveBlock("Činná energie - hlavní elektroměr", 16, ringSize, true, 0.1);
        active.exportName = "+ACTIVE";
        d.blocks = {active, ReactiveBlock(16 + 3 * ringSize, ringSize),
                    StatusBlock(16 + 7 * ringSize)};
        return d;
    }
    // Sub-meter controllers run another program; REV_QX5 is its older key name.
    d.revisionKey = "REV_QX5";
    d.revisionValue = -7;
    d.iniRevision = 1;
    const std::string title = device == kBoilerRoom
                                  ? std::string("Činná energie - kotelna")
                                  : "Činná energie - podružný elektroměr " + std::to_string(device);
    DemoBlock active = ActiveBlock(title, 16, ringSize, false, 0.05);
    if (device == kBoilerRoom)
        active.exportName = "KOTELNA";
    d.blocks = {active, StatusBlock(16 + 3 * ringSize)};
    return d;
}

DemoDescription OlderDescription(int ringSize)
{
    DemoDescription d;
    d.device = 0;
    d.revisionKey = "REV_PLC";
    d.revisionValue = kOlderPlcRevision;
    d.iniRevision = kOlderIniRevision;
    DemoBlock active =
        ActiveBlock("Činná energie - hlavní elektroměr", 16 + 4 * ringSize, ringSize, true, 0.1);
    active.exportName = "+ACTIVE";
    d.blocks = {ReactiveBlock(16, ringSize), active, StatusBlock(16 + 7 * ringSize)};
    return d;
}

std::string DescriptionText(const DemoDescription& description)
{
    std::string out;
    IniSection(out, "REV");
    IniLine(out, description.revisionKey, std::to_string(description.revisionValue));
    IniLine(out, "REV_INI", std::to_string(description.iniRevision));

    IniSection(out, "BLOCK");
    for (const DemoBlock& b : description.blocks)
        IniLine(out, b.section, "1");

    if (description.exportSection) {
        IniSection(out, "BLOCKE");
        for (const DemoBlock& b : description.blocks) {
            if (!b.exportName.empty())
                IniLine(out, b.section, "1");
        }
    }

    for (const DemoBlock& b : description.blocks) {
        if (b.recordsByRef) {
            IniSection(out, "RING");
            IniLine(out, "VALUE", std::to_string(b.records));
            break;
        }
    }

    for (const DemoBlock& b : description.blocks) {
        IniSection(out, b.section);
        IniLine(out, "POPIS", b.title);
        IniLine(out, "START", std::to_string(b.start));
        IniLine(out, "LENGTH", std::to_string(b.length));
        IniLine(out, "NZAZN", b.recordsByRef ? "[RING]" : std::to_string(b.records));
        if (b.days != 0)
            IniLine(out, "NDAY", std::to_string(b.days));
        IniLine(out, "NASOB", FormatNumber(b.multiplier));
        IniLine(out, "ZOBRAZ", std::to_string(b.display));
        if (!b.unit.empty())
            IniLine(out, "JEDN", b.unit);
        IniLine(out, "VYPIS", b.listed);
        if (!b.exportName.empty())
            IniLine(out, "OUTDBF", b.exportName);
        IniLine(out, "DEN", b.day);
        IniLine(out, "HOD", b.hour);
        IniLine(out, "MIN", b.minute);
        IniLine(out, "SEC", b.second);
        IniLine(out, "VALUE", b.value);
        IniLine(out, "FORMAT", b.format);
    }
    return out;
}

// ---- Load and day data ----

int64_t QuarterHourMark(const Date& date, int hour, int minute)
{
    return DayNumber(date) * 96 + hour * 4 + minute / 15;
}

QuarterHourEnergy MeteredEnergy(int device, uint32_t seed, int64_t mark)
{
    const int64_t begin = mark - 1; // the quarter-hour that this mark ends
    const int64_t dayNumber = begin >= 0 ? begin / 96 : (begin - 95) / 96;
    const int q = static_cast<int>(begin - dayNumber * 96);
    const double power = MeanPower(device, seed, DateFromDayNumber(dayNumber), q) *
                         (1 + 0.08 * (Noise(seed, device, QuarterLevel, mark) - 0.5));
    QuarterHourEnergy energy;
    energy.active = power / 4;
    energy.reactive = energy.active * (0.30 + 0.10 * Noise(seed, device, ReactiveShare, mark));
    return energy;
}

int SnapshotSecond(int device, uint32_t seed, const Date& day)
{
    return static_cast<int>(Noise(seed, device, SnapshotSeconds, DayNumber(day)) * 10);
}

Bytes SnapshotData(const DemoDescription& description, uint32_t seed, const Date& day, int second,
                   const Date& running)
{
    Bytes data(static_cast<std::size_t>(std::max(description.dataBytes(), 0)), '\0');
    PutU8(data, 0, static_cast<unsigned>(description.plcRevision()));
    PutU8(data, 1, static_cast<unsigned>(description.iniRevision));
    PutU8(data, 14, Bcd(day.day));
    PutU8(data, 16, Bcd(kSnapshotHour));
    PutU8(data, 18, Bcd(0));
    PutU8(data, 20, Bcd(second));

    const int64_t latest = QuarterHourMark(day, kSnapshotHour, 0);
    const int64_t started =
        running.year != 0 ? QuarterHourMark(running, 0, 0) : std::numeric_limits<int64_t>::min();
    int ringSize = 0;
    for (const DemoBlock& b : description.blocks) {
        if (b.kind != BlockKind::Status)
            ringSize = std::max(ringSize, b.records);
    }

    for (const DemoBlock& b : description.blocks) {
        if (b.kind == BlockKind::Status) {
            const int64_t w = b.start;
            const bool warning = Noise(seed, description.device, Warnings, DayNumber(day)) < 0.1;
            const int64_t quarters = running.year != 0 ? latest - started : latest;
            PutWord(data, w, Bcd(day.day) | Bcd(kSnapshotHour) << 8);
            PutWord(data, w + 1, Bcd(0) | Bcd(second) << 8);
            PutWord(data, w + 2, 0x0001u | (IsWorkingDay(day) ? 0x0010u : 0u));
            PutWord(data, w + 3, static_cast<unsigned>((quarters / 4) & 0xFFFF));
            PutWord(data, w + 4, warning ? 0x0008u : 0u);
            PutWord(data, w + 5, ringSize > 0 ? static_cast<unsigned>(latest % ringSize) : 0u);
            continue;
        }
        for (int n = 0; n < b.records; ++n) {
            // Slot n holds the latest mark congruent to n: the ring is written
            // at slot mark mod size, so it always holds the last `size` marks.
            const int64_t mark = latest - (((latest - n) % b.records) + b.records) % b.records;
            if (mark <= started)
                continue;
            const Date stampDay = DateFromDayNumber(mark / 96);
            const int minuteOfDay = static_cast<int>(mark % 96) * 15;
            const int hour = minuteOfDay / 60;
            const int minute = minuteOfDay % 60;
            const QuarterHourEnergy energy = MeteredEnergy(description.device, seed, mark);
            const int64_t w = static_cast<int64_t>(b.start) + static_cast<int64_t>(n) * b.length;
            if (b.kind == BlockKind::Active) {
                PutWord(data, w, Bcd(stampDay.day) | Bcd(hour) << 8);
                PutWord(data, w + 1, Bcd(minute));
                PutWord(data, w + 2, RawCount(energy.active, b.multiplier));
            } else {
                const unsigned raw = RawCount(energy.reactive, b.multiplier);
                PutWord(data, w, Bcd(hour) | Bcd(stampDay.day) << 8);
                PutWord(data, w + 1, Bcd(minute));
                PutWord(data, w + 3, (raw >> 8) | (raw & 0xFF) << 8); // stored byte-swapped
            }
        }
    }
    return data;
}

// ---- Month files ----

Bytes SerializeMonthFile(const MonthImage& image)
{
    Bytes out(kHeaderSize, '\0');
    PutText(out, 0, 31, image.signature);
    PutU16(out, 544, image.count);
    for (std::size_t i = 546; i < kHeaderSize; ++i)
        out[i] = 0x55;
    for (int n = 1; n <= 32; ++n) {
        const MonthEntry& e = image.entries[static_cast<std::size_t>(n - 1)];
        const std::size_t at = 32 + 16 * static_cast<std::size_t>(n - 1);
        uint32_t offset = 0;
        if (e.present) {
            offset = static_cast<uint32_t>(out.size());
            Bytes header(kRecordHeaderSize, '\0');
            PutText(header, 0, 15, e.recordName.empty() ? RecordName(n) : e.recordName);
            out += header;
            out += e.data;
        }
        PutU16(out, at, e.numbers[0]);
        PutU16(out, at + 2, e.numbers[1]);
        PutU16(out, at + 4, e.numbers[2]);
        PutU32(out, at + 8, e.offset.value_or(offset));
        PutU16(out, at + 12, e.length.value_or(e.present ? e.data.size() : 0));
    }
    return out;
}

Date FirstMonth(const DemoOptions& options)
{
    const int index =
        options.lastDay.year * 12 + (options.lastDay.month - 1) - (options.months - 1);
    return Date{index / 12, index % 12 + 1, 1};
}

namespace {

int MonthIndex(const Date& first, int year, int month)
{
    return (year * 12 + month - 1) - (first.year * 12 + first.month - 1);
}

} // namespace

DemoDescription DescriptionForMonth(const DemoOptions& options, int device, int year, int month)
{
    const int older = std::min(options.olderMonths, options.months - 1);
    const int index = MonthIndex(FirstMonth(options), year, month);
    if (device == 0 && index >= 0 && index < older)
        return OlderDescription(options.ringSize);
    return CurrentDescription(device, options.ringSize);
}

MonthImage BuildMonthImage(const DemoOptions& options, int device, int year, int month)
{
    const DemoDescription description = DescriptionForMonth(options, device, year, month);
    const Date first = FirstMonth(options);
    // A week of running before the first month fills even the largest ring.
    const Date running = AddDays(first, -7);
    const int64_t lastSnapshot = DayNumber(options.lastDay) + 1;
    const bool gapMonth = options.gaps && device == kBoilerRoom && options.months >= 2 &&
                          MonthIndex(first, year, month) == 0;

    MonthImage image;
    for (int n = 1; n <= 32; ++n) {
        Date day{year, month, n};
        if (n == 32)
            day = AddDays(Date{year, month, DaysInMonth(year, month)}, 1);
        else if (n > DaysInMonth(year, month))
            continue;
        if (DayNumber(day) > lastSnapshot || (gapMonth && n == kGapEntry))
            continue;
        MonthEntry& entry = image.entries[static_cast<std::size_t>(n - 1)];
        const int second = SnapshotSecond(device, options.seed, day);
        entry.present = true;
        entry.numbers = {kSnapshotHour, 0, static_cast<uint16_t>(second)};
        entry.data = SnapshotData(description, options.seed, day, second, running);
        image.count = static_cast<uint16_t>(n);
    }
    return image;
}

// ---- Calendar and day division ----

namespace {

// Holidays on the same date every year: the template section "1980".
constexpr std::pair<int, int> kFixedHolidays[] = {
    {1, 1},   {1, 5},   {8, 5},   {5, 7},   {6, 7},   {28, 9},
    {28, 10}, {17, 11}, {24, 12}, {25, 12}, {26, 12},
};

} // namespace

std::string CalendarText(int firstYear, int lastYear)
{
    std::string out;
    IniSection(out, "1980");
    for (const auto& [day, month] : kFixedHolidays)
        IniLine(out, std::to_string(day) + "." + std::to_string(month), "N");

    for (int year = firstYear; year <= lastYear; ++year) {
        std::map<std::pair<int, int>, std::string> values; // (month, day) -> value
        for (int month = 1; month <= 12; ++month) {
            int kem = 0;
            for (int day = 1; day <= DaysInMonth(year, month); ++day) {
                const Date date{year, month, day};
                if (IsPublicHoliday(date))
                    values[{month, day}] = "N";
                if (IsWorkingDay(date))
                    kem = day;
            }
            // The energy month ends on its last working day; a day that already
            // has a type letter carries the end as a second letter.
            if (kem != 0)
                values[{month, kem}] += "E";
        }
        IniSection(out, std::to_string(year));
        for (const auto& [date, value] : values)
            IniLine(out, std::to_string(date.second) + "." + std::to_string(date.first), value);
    }
    return out;
}

Bytes DayDivisionRecord()
{
    constexpr int kSize = 6019;
    Bytes r(kSize, '\0');
    PutU16(r, 0, kSize);
    PutText(r, 4, 255, "ROZ_DNEW.CFG");

    struct Group {
        const char* name;
        std::vector<std::pair<int, int>> quarters; // inclusive ranges
    };
    const Group groups[] = {
        {"Den - vysoký tarif", {{24, 87}}},
        {"Noc - nízký tarif", {{0, 23}, {88, 95}}},
        {"Špička 8-12 h", {{32, 47}}},
        {"Celý den", {{0, 95}}},
    };
    for (std::size_t g = 0; g < std::size(groups); ++g) {
        const std::size_t at = 260 + 63 * g;
        PutText(r, at, 32, groups[g].name);
        for (const auto& [from, to] : groups[g].quarters) {
            for (int q = from; q <= to; ++q) {
                const std::size_t byte = at + 33 + static_cast<std::size_t>(q / 8);
                r[byte] = static_cast<char>(static_cast<unsigned char>(r[byte]) | 1u << (q % 8));
            }
        }
        PutU16(r, at + 53, 0xFFFF); // no maximum yet
        PutU16(r, at + 61, 15);     // count, average, maximum and sum
    }

    struct Sum {
        const char* name;
        uint32_t working, dayOff, restDay; // bit g = group g
    };
    const Sum sums[] = {
        {"VT - pracovní dny", 1u << 1, 0, 0},
        {"NT a dny volna", 1u << 2, 1u << 1 | 1u << 2, 1u << 1 | 1u << 2},
        {"Celkem", 1u << 4, 1u << 4, 1u << 4},
    };
    for (std::size_t s = 0; s < std::size(sums); ++s) {
        const std::size_t at = 1268 + 286 * s;
        PutText(r, at, 255, sums[s].name);
        PutU32(r, at + 256, sums[s].working);
        PutU32(r, at + 260, sums[s].dayOff);
        PutU32(r, at + 264, sums[s].restDay);
        PutU32(r, at + 276, 0xFFFFFFFFu); // no maximum yet
    }

    PutU8(r, 5844, 1);
    PutU8(r, 5845, 15); // the output sums' count, average, maximum and sum
    PutU16(r, 5846, 1);
    PutU32(r, 5848, 0); // the listing day starts at midnight

    unsigned checksum = 0;
    for (std::size_t i = 4; i < r.size(); ++i)
        checksum += static_cast<unsigned char>(r[i]);
    PutU16(r, 2, checksum & 0xFFFF);
    return r;
}

// ---- Whole directory ----

bool CheckOptions(const DemoOptions& options, std::string* error)
{
    auto fail = [&](const std::string& text) {
        if (error)
            *error = text;
        return false;
    };
    if (!IsValidDate(options.lastDay))
        return fail("the last day is not a valid date");
    if (options.months < 1 || options.months > 1200)
        return fail("the number of months must be 1 to 1200");
    if (options.devices.empty())
        return fail("no device given");
    for (std::size_t i = 0; i < options.devices.size(); ++i) {
        const int device = options.devices[i];
        if (device < 0 || device > 15)
            return fail("device " + std::to_string(device) + " is not 0 to 15");
        if (std::count(options.devices.begin(), options.devices.end(), device) > 1)
            return fail("device " + std::to_string(device) + " is given twice");
    }
    if (options.ringSize < 1 || options.ringSize > kMaxRingSize)
        return fail("the ring size must be 1 to " + std::to_string(kMaxRingSize));
    if (options.olderMonths < 0)
        return fail("the number of older months must not be negative");
    // 1980 is the calendar's template section, and file names carry two-digit years.
    if (FirstMonth(options).year < 1981 || options.lastDay.year > 2099)
        return fail("the months must lie between 1981 and 2099");
    return true;
}

bool BuildDemoArchive(const DemoOptions& options, std::vector<DemoFile>& files, std::string* error)
{
    if (!CheckOptions(options, error))
        return false;
    files.clear();
    const Date first = FirstMonth(options);
    std::vector<int> devices = options.devices;
    std::sort(devices.begin(), devices.end());

    for (const int device : devices) {
        if (options.descriptions) {
            files.push_back(
                {DescriptionFileName(device),
                 Utf8ToCp1250(DescriptionText(CurrentDescription(device, options.ringSize)))});
            if (device == 0 && std::min(options.olderMonths, options.months - 1) > 0) {
                const DemoDescription older = OlderDescription(options.ringSize);
                files.push_back({AltDescriptionFileName(0, older.plcRevision(), older.iniRevision),
                                 Utf8ToCp1250(DescriptionText(older))});
            }
        }
        for (int i = 0; i < options.months; ++i) {
            const int index = first.year * 12 + first.month - 1 + i;
            const int year = index / 12;
            const int month = index % 12 + 1;
            files.push_back({MonthFileName(device, year, month),
                             SerializeMonthFile(BuildMonthImage(options, device, year, month))});
        }
    }
    if (options.calendar)
        files.push_back({"KALEND.INI", CalendarText(first.year, options.lastDay.year)});
    if (options.dayDivision)
        files.push_back({"ROZ_DNEW.CFG", DayDivisionRecord()});
    return true;
}

bool WriteDemoFiles(const std::string& dir, const std::vector<DemoFile>& files, std::string* error)
{
    const std::filesystem::path root = std::filesystem::path(dir.empty() ? std::string(".") : dir);
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    if (ec) {
        if (error)
            *error = root.string() + ": " + ec.message();
        return false;
    }
    for (const DemoFile& file : files) {
        std::string reason;
        if (!WriteFileAtomically((root / file.name).string(), file.bytes, &reason)) {
            if (error)
                *error = (root / file.name).string() + ": " + reason;
            return false;
        }
    }
    return true;
}

bool WriteDemoArchive(const std::string& dir, const DemoOptions& options, std::string* error)
{
    std::vector<DemoFile> files;
    return BuildDemoArchive(options, files, error) && WriteDemoFiles(dir, files, error);
}

} // namespace kw::demo
