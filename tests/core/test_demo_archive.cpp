// The demo generator is checked through small readers of its own here, written
// from the file layouts and independent of the program's readers and of the
// generator's internals, so that a fault on either side shows.

#include "tools/DemoArchive.h"

#include "archive/AtomicFile.h"
#include "archive/Codepage.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using kw::demo::Date;
using kw::demo::DemoOptions;

// ---- Bytes ----

unsigned U8(const std::string& b, std::size_t at)
{
    return static_cast<unsigned char>(b.at(at));
}
unsigned U16(const std::string& b, std::size_t at)
{
    return U8(b, at) | U8(b, at + 1) << 8;
}
uint32_t U32(const std::string& b, std::size_t at)
{
    return U16(b, at) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}
// A length-prefixed text.
std::string Text(const std::string& b, std::size_t at)
{
    return b.substr(at + 1, U8(b, at));
}

// ---- Dates, counted without the generator's helpers ----

bool Leap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
int MonthDays(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && Leap(y) ? 29 : days[m - 1];
}
int64_t Days(int y, int m, int d) // since 30 December 1899
{
    int64_t n = 1;
    for (int year = 1900; year < y; ++year)
        n += Leap(year) ? 366 : 365;
    for (int month = 1; month < m; ++month)
        n += MonthDays(y, month);
    return n + d;
}
int64_t Seconds(int y, int m, int d, int h, int mi, int s)
{
    if (m < 1 || m > 12 || d < 1 || d > MonthDays(y, m) || h > 23 || mi > 59 || s > 59)
        return 0;
    return Days(y, m, d) * 86400 + h * 3600 + mi * 60 + s;
}
int WeekdayOf(int y, int m, int d)
{
    return static_cast<int>((Days(y, m, d) + 5) % 7);
} // 0 = Mon

unsigned FromBcd(unsigned v)
{
    unsigned out = 0;
    for (int shift = 12; shift >= 0; shift -= 4) {
        const unsigned digit = (v >> shift) & 15;
        if (digit > 9)
            break;
        out = out * 10 + digit;
    }
    return out;
}

// ---- INI ----

struct Ini {
    std::vector<std::string> sections;
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> keys;

    const std::string* find(const std::string& section, const std::string& key) const
    {
        const auto s = keys.find(section);
        if (s == keys.end())
            return nullptr;
        for (const auto& [k, v] : s->second) {
            if (k == key)
                return &v;
        }
        return nullptr;
    }
    std::string text(const std::string& section, const std::string& key) const
    {
        const std::string* v = find(section, key);
        return v ? *v : std::string();
    }
    // Numbers may name a section whose VALUE holds them.
    int number(const std::string& section, const std::string& key) const
    {
        std::string v = text(section, key);
        if (!v.empty() && v.front() == '[')
            v = text(v.substr(1, v.find(']') - 1), "VALUE");
        return std::atoi(v.c_str());
    }
};

std::string Trim(const std::string& s)
{
    const auto b = s.find_first_not_of(' ');
    const auto e = s.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

Ini ParseIni(const std::string& cp1250)
{
    Ini ini;
    const std::string text = kw::Cp1250ToUtf8(cp1250);
    std::string section;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find("\r\n", from);
        EXPECT_NE(end, std::string::npos) << "the last line has no CR LF";
        const std::string line = text.substr(from, end - from);
        EXPECT_EQ(line.find('\n'), std::string::npos) << "a bare LF in: " << line;
        from = end == std::string::npos ? text.size() : end + 2;
        if (line.empty())
            continue;
        if (line.front() == '[') {
            section = line.substr(1, line.find(']') - 1);
            ini.sections.push_back(section);
            continue;
        }
        const auto eq = line.find('=');
        std::string value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        ini.keys[section].emplace_back(Trim(line.substr(0, eq)), value);
    }
    return ini;
}

// ---- Archive ----

struct Block {
    std::string title;
    int start = 0, length = 0, records = 0, days = 0;
    double multiplier = 0;
    std::string items[5]; // day, hour, minute, second, value
};

struct Description {
    unsigned plc = 0, ini = 0;
    std::vector<Block> blocks;
    int dataBytes = 0;
};

Description ReadDescription(const std::string& bytes)
{
    const Ini ini = ParseIni(bytes);
    Description d;
    const std::string* plc = ini.find("REV", "REV_PLC");
    d.plc = static_cast<unsigned>(
        std::abs(std::atoi(plc ? plc->c_str() : ini.text("REV", "REV_QX5").c_str())));
    d.ini = static_cast<unsigned>(ini.number("REV", "REV_INI"));
    for (const auto& [name, unused] : ini.keys.at("BLOCK")) {
        Block b;
        b.title = ini.text(name, "POPIS");
        b.start = ini.number(name, "START");
        b.length = ini.number(name, "LENGTH");
        b.records = ini.number(name, "NZAZN");
        b.days = ini.number(name, "NDAY");
        b.multiplier = std::atof(ini.text(name, "NASOB").c_str());
        const char* keys[] = {"DEN", "HOD", "MIN", "SEC", "VALUE"};
        for (int i = 0; i < 5; ++i)
            b.items[i] = ini.text(name, keys[i]);
        d.blocks.push_back(b);
        d.dataBytes = std::max(d.dataBytes, 2 * (b.start + b.records * b.length));
    }
    return d;
}

const Block& BlockTitled(const Description& d, const std::string& prefix)
{
    for (const Block& b : d.blocks) {
        if (b.title.rfind(prefix, 0) == 0)
            return b;
    }
    throw std::runtime_error("no block " + prefix);
}

unsigned Word(const std::string& data, int64_t word)
{
    return U16(data, static_cast<std::size_t>(word) * 2);
}

// An item descriptor applied to record n of a block.
unsigned Item(const std::string& data, const Block& b, int n, const std::string& item)
{
    if (item.empty())
        return 0;
    if (item[0] == 'K')
        return static_cast<unsigned>(std::atoi(item.c_str() + 1));
    const int64_t word =
        b.start + static_cast<int64_t>(n) * b.length + std::stoi(item.substr(1, 1), nullptr, 16);
    const char enc = item.size() > 2 ? item[2] : ' ';
    unsigned v = Word(data, word);
    if (item[0] == 'W') {
        if (enc == 'S' || enc == 'I')
            v = (v >> 8) | (v & 0xFF) << 8;
        return enc == 'B' || enc == 'I' ? FromBcd(v) : v;
    }
    v = item[0] == 'H' ? v >> 8 : v & 0xFF;
    return enc == 'B' ? FromBcd(v) : v;
}

struct Entry {
    bool present = false;
    unsigned numbers[3] = {};
    uint32_t offset = 0;
    unsigned length = 0;
    std::string name;
    std::string data;
};

struct Month {
    std::string bytes;
    std::array<Entry, 33> entries; // 1..32
};

Month ReadMonth(const std::string& bytes)
{
    Month m;
    m.bytes = bytes;
    for (int n = 1; n <= 32; ++n) {
        Entry& e = m.entries[n];
        const std::size_t at = 32 + 16 * (n - 1);
        for (int i = 0; i < 3; ++i)
            e.numbers[i] = U16(bytes, at + 2 * i);
        e.offset = U32(bytes, at + 8);
        e.length = U16(bytes, at + 12);
        e.present = e.offset != 0;
        if (e.present) {
            e.name = Text(bytes, e.offset);
            e.data = bytes.substr(e.offset + 16, e.length);
        }
    }
    return m;
}

char Letter(int device)
{
    return device == 0 ? 'L' : "0123456789ABCDEF"[device];
}

std::string MonthName(int device, int y, int m)
{
    char name[32];
    std::snprintf(name, sizeof name, "E%c_%02d_%02d.DAT", Letter(device), y % 100, m);
    return name;
}

std::string DescriptionName(int device)
{
    return std::string("D0") + Letter(device) + "ARCH.INI";
}

struct Archive {
    std::map<std::string, std::string> files;

    explicit Archive(const DemoOptions& options)
    {
        std::vector<kw::demo::DemoFile> list;
        std::string error;
        EXPECT_TRUE(kw::demo::BuildDemoArchive(options, list, &error)) << error;
        for (auto& f : list)
            files[f.name] = f.bytes;
    }
    bool has(const std::string& name) const { return files.count(name) != 0; }
    Month month(int device, int y, int m) const
    {
        return ReadMonth(files.at(MonthName(device, y, m)));
    }
    // The description a record's revision bytes ask for: the device's own, else
    // the alternative file named after them.
    Description descriptionFor(int device, const std::string& data) const
    {
        Description d = ReadDescription(files.at(DescriptionName(device)));
        if (d.plc == U8(data, 0) && d.ini == U8(data, 1))
            return d;
        char alt[32];
        std::snprintf(alt, sizeof alt, "D0%c_%02u_%u.INI", Letter(device), U8(data, 0),
                      U8(data, 1));
        d = ReadDescription(files.at(alt));
        EXPECT_EQ(d.plc, U8(data, 0));
        EXPECT_EQ(d.ini, U8(data, 1));
        return d;
    }
};

DemoOptions Options(Date lastDay, int months)
{
    DemoOptions o;
    o.lastDay = lastDay;
    o.months = months;
    return o;
}

const Archive& March2024()
{
    static const Archive archive(Options({2024, 3, 10}, 3));
    return archive;
}

struct Placed {
    int64_t stamp;
    unsigned raw;
};
using DayTable = std::array<std::vector<Placed>, 96>;

// One listing day of a block, placed as the listing places records: the
// entries after the day first (up to NDAY of them), then the day's own entry
// for the quarter-hours before the first one filled.
DayTable ListDay(const Archive& a, int device, int y, int m, int d, const std::string& title)
{
    const Month month = a.month(device, y, m);
    DayTable table;
    const int64_t dayStart = Seconds(y, m, d, 0, 0, 0);
    int found = 0;
    int earliest = 95;
    auto interpret = [&](const Entry& e, int limit) {
        const Block b = BlockTitled(a.descriptionFor(device, e.data), title);
        for (int n = 0; n < b.records; ++n) {
            const int day = static_cast<int>(Item(e.data, b, n, b.items[0]));
            if (day == 0)
                continue;
            int ry = y, rm = m;
            if (found < 10 && day > 20 && --rm == 0)
                rm = 12, --ry;
            if (found == 32 && day < 10 && ++rm == 13)
                rm = 1, ++ry;
            const int64_t t = Seconds(ry, rm, day, static_cast<int>(Item(e.data, b, n, b.items[1])),
                                      static_cast<int>(Item(e.data, b, n, b.items[2])),
                                      static_cast<int>(Item(e.data, b, n, b.items[3])));
            EXPECT_NE(t, 0) << "invalid stamp in record " << n;
            const int64_t r = t - 450 - dayStart;
            if (t == 0 || r <= 0 || r / 900 > limit)
                continue;
            const int q = static_cast<int>(r / 900);
            earliest = std::min(earliest, q - 1);
            table[q].push_back({t, Item(e.data, b, n, b.items[4])});
        }
    };
    const Description current = ReadDescription(a.files.at(DescriptionName(device)));
    const int nday = std::max(BlockTitled(current, title).days, 1);
    for (int e = d + 1; e <= d + nday && e <= 32; ++e) {
        if (month.entries[e].present) {
            found = e;
            interpret(month.entries[e], 95);
            break;
        }
    }
    if ((found == 0 || earliest >= 0) && month.entries[d].present) {
        const int limit = found != 0 ? earliest : 95;
        if (found == 0)
            found = d;
        interpret(month.entries[d], limit);
    }
    return table;
}

// ---- Tests ----

TEST(DemoDates, CalendarArithmetic)
{
    struct Case {
        Date date;
        int64_t dayNumber;
        int weekday;
    } cases[] = {
        {{1899, 12, 30}, 0, 5},    {{1900, 3, 1}, 61, 3},    {{2024, 2, 29}, 45351, 3},
        {{2024, 3, 10}, 45361, 6}, {{2000, 1, 1}, 36526, 5}, {{2099, 12, 31}, 73050, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kw::demo::DayNumber(c.date), c.dayNumber) << kw::demo::FormatDate(c.date);
        EXPECT_EQ(kw::demo::DateFromDayNumber(c.dayNumber), c.date) << c.dayNumber;
        EXPECT_EQ(kw::demo::Weekday(c.date), c.weekday) << kw::demo::FormatDate(c.date);
    }
    EXPECT_EQ(kw::demo::AddDays({2024, 2, 28}, 2), (Date{2024, 3, 1}));
    EXPECT_EQ(kw::demo::AddDays({2023, 1, 1}, -1), (Date{2022, 12, 31}));
}

TEST(DemoDates, EasterAndHolidays)
{
    const std::pair<int, Date> easter[] = {
        {2008, {2008, 3, 23}}, {2019, {2019, 4, 21}}, {2023, {2023, 4, 9}},
        {2024, {2024, 3, 31}}, {2025, {2025, 4, 20}}, {2038, {2038, 4, 25}},
    };
    for (const auto& [year, date] : easter)
        EXPECT_EQ(kw::demo::EasterSunday(year), date) << year;

    const std::pair<Date, bool> holidays[] = {
        {{2024, 3, 29}, true},  // Good Friday
        {{2024, 4, 1}, true},   // Easter Monday
        {{2024, 3, 31}, false}, // Easter Sunday is a Sunday anyway, not a listed holiday
        {{2015, 4, 3}, false},  // Good Friday before it became a holiday
        {{2024, 5, 1}, true},   {{2024, 5, 8}, true},    {{2024, 7, 5}, true},
        {{2024, 9, 28}, true},  {{2024, 10, 28}, true},  {{2024, 11, 17}, true},
        {{2024, 12, 24}, true}, {{2024, 12, 27}, false}, {{2024, 1, 5}, false},
    };
    for (const auto& [date, holiday] : holidays)
        EXPECT_EQ(kw::demo::IsPublicHoliday(date), holiday) << kw::demo::FormatDate(date);
}

TEST(DemoDates, ArgumentTexts)
{
    const std::pair<const char*, bool> dates[] = {
        {"2024-02-29", true},  {"2023-02-29", false}, {"2024-2-29", false},   {"2024-13-01", false},
        {"2024-03-00", false}, {"2024/03/10", false}, {"2024-03-10x", false}, {"", false},
    };
    for (const auto& [text, ok] : dates) {
        Date d{1, 1, 1};
        EXPECT_EQ(kw::demo::ParseDate(text, d), ok) << text;
        if (ok)
            EXPECT_EQ(kw::demo::FormatDate(d), text);
        else
            EXPECT_EQ(d, (Date{1, 1, 1})) << "a rejected text changed the date";
    }
    const std::pair<const char*, std::vector<int>> lists[] = {
        {"0,3", {0, 3}}, {"15", {15}}, {"3,0,11", {3, 0, 11}}, {"", {}},  {"0,,3", {}}, {"16", {}},
        {"-1", {}},      {"3,3", {}},  {"0,3,", {}},           {"a", {}},
    };
    for (const auto& [text, expected] : lists) {
        std::vector<int> devices{7};
        EXPECT_EQ(kw::demo::ParseDeviceList(text, devices), !expected.empty()) << text;
        EXPECT_EQ(devices, expected.empty() ? std::vector<int>{7} : expected) << text;
    }
}

TEST(DemoArchive, RejectsOptionsItCannotWrite)
{
    struct Case {
        const char* what;
        DemoOptions options;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, auto change) {
        DemoOptions o = Options({2024, 3, 10}, 3);
        change(o);
        cases.push_back({what, o});
    };
    add("no last day", [](DemoOptions& o) { o.lastDay = {}; });
    add("29 February 2023", [](DemoOptions& o) { o.lastDay = {2023, 2, 29}; });
    add("no months", [](DemoOptions& o) { o.months = 0; });
    add("device 16", [](DemoOptions& o) { o.devices = {0, 16}; });
    add("device twice", [](DemoOptions& o) { o.devices = {3, 3}; });
    add("no device", [](DemoOptions& o) { o.devices.clear(); });
    add("empty ring", [](DemoOptions& o) { o.ringSize = 0; });
    add("ring beyond the day data", [](DemoOptions& o) { o.ringSize = 581; });
    add("months reaching the template year", [](DemoOptions& o) {
        o.lastDay = {1981, 1, 5};
        o.months = 2;
    });
    add("year 2100", [](DemoOptions& o) { o.lastDay = {2100, 1, 5}; });
    for (const Case& c : cases) {
        std::string error;
        std::vector<kw::demo::DemoFile> files;
        EXPECT_FALSE(kw::demo::BuildDemoArchive(c.options, files, &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
    DemoOptions largest = Options({2024, 3, 10}, 1);
    largest.ringSize = 580;
    EXPECT_TRUE(kw::demo::CheckOptions(largest));
}

TEST(DemoArchive, WritesTheProgramDirectory)
{
    const Archive& a = March2024();
    std::set<std::string> names;
    for (const auto& [name, bytes] : a.files)
        names.insert(name);
    const std::set<std::string> expected = {"D0LARCH.INI",  "D0L_11_2.INI", "D03ARCH.INI",
                                            "EL_24_01.DAT", "EL_24_02.DAT", "EL_24_03.DAT",
                                            "E3_24_01.DAT", "E3_24_02.DAT", "E3_24_03.DAT",
                                            "KALEND.INI",   "ROZ_DNEW.CFG"};
    EXPECT_EQ(names, expected);

    kwtest::TempDir dir;
    const std::string target = dir.path() + "new/program/";
    std::string error;
    ASSERT_TRUE(kw::demo::WriteDemoArchive(target, Options({2024, 3, 10}, 3), &error)) << error;
    for (const auto& [name, bytes] : a.files) {
        std::string written;
        ASSERT_TRUE(kw::ReadWholeFile(target + name, written)) << name;
        EXPECT_EQ(written, bytes) << name;
    }

    // A regular file where the directory should be: reported, not ignored.
    const std::string blocker = dir.write("blocker", "x");
    error.clear();
    EXPECT_FALSE(kw::demo::WriteDemoArchive(blocker + "/sub", Options({2024, 3, 10}, 1), &error));
    EXPECT_FALSE(error.empty());
}

TEST(DemoArchive, WithoutOlderMonthsNoAlternativeDescription)
{
    const Archive a(Options({2024, 3, 10}, 1));
    EXPECT_FALSE(a.has("D0L_11_2.INI"));
    const Month march = a.month(0, 2024, 3);
    EXPECT_EQ(U8(march.entries[1].data, 0), 12u);
    EXPECT_EQ(U8(march.entries[1].data, 1), 3u);
}

TEST(DemoArchive, DescriptionsAsWritten)
{
    const Archive& a = March2024();
    const Ini main = ParseIni(a.files.at("D0LARCH.INI"));
    EXPECT_EQ(main.text("REV", "REV_PLC"), "12");
    EXPECT_EQ(main.text("REV", "REV_INI"), "3");
    EXPECT_EQ(main.text("ACTIVE", "NZAZN"), "[RING]");
    EXPECT_EQ(main.number("ACTIVE", "NZAZN"), 100);
    EXPECT_EQ(main.number("REACTIVE", "NZAZN"), 100);
    EXPECT_EQ(main.text("ACTIVE", "POPIS"), "Činná energie - hlavní elektroměr");
    EXPECT_EQ(main.text("ACTIVE", "OUTDBF"), "+ACTIVE");
    EXPECT_EQ(main.text("ACTIVE", "VYPIS"), "ON");
    EXPECT_EQ(main.text("STATUS", "VYPIS"), "OFF");
    EXPECT_EQ(main.find("STATUS", "JEDN"), nullptr);
    // The quotes keep the blank that ends the format.
    EXPECT_EQ(main.text("ACTIVE", "FORMAT"), "L0B2;C.;H0B2;C:;L1B2;C ;W2N5;C | ");

    const Ini boiler = ParseIni(a.files.at("D03ARCH.INI"));
    EXPECT_EQ(boiler.find("REV", "REV_PLC"), nullptr);
    EXPECT_EQ(boiler.text("REV", "REV_QX5"), "-7");
    EXPECT_EQ(boiler.text("REV", "REV_INI"), "1");
    EXPECT_EQ(boiler.text("ACTIVE", "NZAZN"), "100");
    EXPECT_EQ(boiler.text("ACTIVE", "POPIS"), "Činná energie - kotelna");

    // The older program's blocks: another order, the same titles.
    const Description older = ReadDescription(a.files.at("D0L_11_2.INI"));
    const Description current = ReadDescription(a.files.at("D0LARCH.INI"));
    ASSERT_EQ(older.blocks.size(), 3u);
    EXPECT_EQ(older.blocks[0].title, "Jalová energie - hlavní elektroměr");
    EXPECT_EQ(older.blocks[0].start, 16);
    EXPECT_EQ(older.blocks[1].start, 416);
    EXPECT_EQ(current.dataBytes, 1448);
    EXPECT_EQ(older.dataBytes, 1448);

    // Titles and formats fit the program's text fields.
    for (const char* file : {"D0LARCH.INI", "D0L_11_2.INI", "D03ARCH.INI"}) {
        const Ini ini = ParseIni(a.files.at(file));
        for (const auto& [block, unused] : ini.keys.at("BLOCK")) {
            EXPECT_LE(kw::Utf8Length(ini.text(block, "POPIS")), 64u) << file << " " << block;
            EXPECT_LE(kw::Utf8Length(ini.text(block, "FORMAT")), 128u) << file << " " << block;
        }
    }
}

TEST(DemoMonthFiles, HeadersEntriesAndRecords)
{
    const Archive& a = March2024();
    for (const int device : {0, 3}) {
        for (int m = 1; m <= 3; ++m) {
            const std::string name = MonthName(device, 2024, m);
            SCOPED_TRACE(name);
            const Month month = a.month(device, 2024, m);
            const std::string& b = month.bytes;
            EXPECT_EQ(U8(b, 0), 17u);
            EXPECT_EQ(b.substr(1, 17), "QX5 nactene udaje");
            EXPECT_EQ(b.substr(18, 14), std::string(14, '\0'));
            EXPECT_EQ(b.substr(546, 14), std::string(14, '\x55'));

            int latest = 0;
            std::size_t next = 560; // records follow the header in entry order
            for (int n = 1; n <= 32; ++n) {
                const Entry& e = month.entries[n];
                if (!e.present)
                    continue;
                SCOPED_TRACE(n);
                latest = n;
                EXPECT_EQ(e.offset, next);
                EXPECT_EQ(e.name, kw::demo::RecordName(n));
                EXPECT_EQ(U8(b, e.offset), 15u);
                const Description d = a.descriptionFor(device, e.data);
                EXPECT_EQ(e.length, static_cast<unsigned>(d.dataBytes));
                ASSERT_EQ(e.data.size(), e.length) << "record beyond the end of the file";
                next = e.offset + 16 + e.length;

                // Revisions: the older program wrote device 0's two oldest months.
                const unsigned plc = device == 3 ? 7 : m <= 2 ? 11 : 12;
                const unsigned ini = device == 3 ? 1 : m <= 2 ? 2 : 3;
                EXPECT_EQ(U8(e.data, 0), plc);
                EXPECT_EQ(U8(e.data, 1), ini);

                // Snapshot time: 02:00 and a few seconds, in the entry and as BCD.
                const int snapshotDay = n == 32 ? 1 : n;
                EXPECT_EQ(e.numbers[0], 2u);
                EXPECT_EQ(e.numbers[1], 0u);
                EXPECT_LE(e.numbers[2], 9u);
                EXPECT_EQ(FromBcd(U8(e.data, 14)), static_cast<unsigned>(snapshotDay));
                EXPECT_EQ(FromBcd(U8(e.data, 16)), 2u);
                EXPECT_EQ(FromBcd(U8(e.data, 18)), 0u);
                EXPECT_EQ(FromBcd(U8(e.data, 20)), e.numbers[2]);

                // The status record repeats the snapshot time.
                const Block& status = BlockTitled(d, "Stav");
                EXPECT_EQ(Item(e.data, status, 0, status.items[0]),
                          static_cast<unsigned>(snapshotDay));
                EXPECT_EQ(Item(e.data, status, 0, status.items[1]), 2u);
                EXPECT_EQ(Item(e.data, status, 0, status.items[3]), e.numbers[2]);
            }
            EXPECT_EQ(U16(b, 544), static_cast<unsigned>(latest));
            EXPECT_EQ(b.size(), next);
        }
    }
}

TEST(DemoMonthFiles, EntriesThatExist)
{
    auto range = [](int from, int to) {
        std::set<int> s;
        for (int n = from; n <= to; ++n)
            s.insert(n);
        return s;
    };
    auto with = [](std::set<int> s, std::initializer_list<int> add,
                   std::initializer_list<int> remove) {
        s.insert(add);
        for (int n : remove)
            s.erase(n);
        return s;
    };
    struct Case {
        const char* what;
        Date lastDay;
        int months;
        int device, year, month;
        std::set<int> entries;
    } cases[] = {
        {"complete January", {2024, 3, 10}, 3, 0, 2024, 1, with(range(1, 32), {}, {})},
        {"leap February", {2024, 3, 10}, 3, 0, 2024, 2, with(range(1, 29), {32}, {})},
        {"month of the last day", {2024, 3, 10}, 3, 0, 2024, 3, range(1, 11)},
        {"controller off once", {2024, 3, 10}, 3, 3, 2024, 1, with(range(1, 32), {}, {15})},
        {"gap only in the oldest month",
         {2024, 3, 10},
         3,
         3,
         2024,
         2,
         with(range(1, 29), {32}, {})},
        {"last day ends February", {2024, 2, 29}, 2, 0, 2024, 2, with(range(1, 29), {32}, {})},
        {"last day ends April", {2024, 4, 30}, 1, 3, 2024, 4, with(range(1, 30), {32}, {})},
        {"ordinary February", {2023, 3, 1}, 2, 0, 2023, 2, with(range(1, 28), {32}, {})},
        {"last day on the 1st", {2023, 3, 1}, 2, 0, 2023, 3, range(1, 2)},
    };
    for (const Case& c : cases) {
        const Archive a(Options(c.lastDay, c.months));
        const Month m = a.month(c.device, c.year, c.month);
        std::set<int> present;
        for (int n = 1; n <= 32; ++n) {
            if (m.entries[n].present)
                present.insert(n);
        }
        EXPECT_EQ(present, c.entries) << c.what;
        EXPECT_EQ(U16(m.bytes, 544), static_cast<unsigned>(*c.entries.rbegin())) << c.what;
    }

    DemoOptions noGaps = Options({2024, 3, 10}, 3);
    noGaps.gaps = false;
    EXPECT_TRUE(Archive(noGaps).month(3, 2024, 1).entries[15].present);
}

// Each snapshot holds the last ring-size quarter-hours before 02:00, each once,
// and a quarter-hour reads the same in every snapshot that holds it.
TEST(DemoMonthFiles, RingOfQuarterHours)
{
    for (const int ring : {100, 96}) {
        DemoOptions o = Options({2024, 3, 10}, 3);
        o.ringSize = ring;
        const Archive a(o);
        for (const int device : {0, 3}) {
            for (const char* title : {"Činná", "Jalová"}) {
                if (device == 3 && std::string(title) == "Jalová")
                    continue;
                std::map<int64_t, unsigned> seen; // stamp -> raw value
                for (int mo = 1; mo <= 3; ++mo) {
                    const Month month = a.month(device, 2024, mo);
                    for (int n = 1; n <= 32; ++n) {
                        const Entry& e = month.entries[n];
                        if (!e.present)
                            continue;
                        SCOPED_TRACE(testing::Message()
                                     << "ring " << ring << " device " << device << " " << title
                                     << " month " << mo << " entry " << n);
                        const Block b = BlockTitled(a.descriptionFor(device, e.data), title);
                        ASSERT_EQ(b.records, ring);
                        const int ey = n == 32 && mo == 12 ? 2025 : 2024;
                        const int em = n == 32 ? mo % 12 + 1 : mo;
                        const int64_t snapshot = Seconds(ey, em, n == 32 ? 1 : n, 2, 0, 0);
                        std::set<int64_t> stamps;
                        for (int r = 0; r < b.records; ++r) {
                            int item[5];
                            for (int i = 0; i < 5; ++i)
                                item[i] = static_cast<int>(Item(e.data, b, r, b.items[i]));
                            // A stamp lies on the snapshot's day or the day before,
                            // which may be in the month before.
                            int64_t t = Seconds(ey, em, item[0], item[1], item[2], item[3]);
                            if (t == 0 || t > snapshot)
                                t = Seconds(em == 1 ? ey - 1 : ey, em == 1 ? 12 : em - 1, item[0],
                                            item[1], item[2], item[3]);
                            ASSERT_NE(t, 0) << "record " << r;
                            stamps.insert(t);
                            EXPECT_GT(item[4], 0);
                            EXPECT_EQ(seen.emplace(t, item[4]).first->second,
                                      static_cast<unsigned>(item[4]))
                                << "quarter-hour read differently at " << t;
                        }
                        ASSERT_EQ(stamps.size(), static_cast<std::size_t>(ring)) << "a stamp twice";
                        EXPECT_EQ(*stamps.rbegin(), snapshot);
                        EXPECT_EQ(*stamps.begin(), snapshot - (ring - 1) * 900);
                        EXPECT_EQ(*stamps.rbegin() - *stamps.begin(), (ring - 1) * 900);
                    }
                }
            }
        }
    }
}

// Every day lists in full through the listing's placement of records: entry
// D + 1 gives the day from 01:15 (02:15 with a ring of 96), entry D its start.
TEST(DemoMonthFiles, EveryDayListsInFull)
{
    for (const int ring : {100, 96}) {
        DemoOptions o = Options({2024, 3, 10}, 3);
        o.ringSize = ring;
        const Archive a(o);
        const int firstFromNext = ring == 100 ? 4 : 8; // first quarter-hour that entry D + 1 gives
        for (const int device : {0, 3}) {
            for (int m = 1; m <= 3; ++m) {
                for (int d = 1; d <= (m == 3 ? 10 : MonthDays(2024, m)); ++d) {
                    SCOPED_TRACE(testing::Message() << "ring " << ring << " device " << device
                                                    << " 2024-" << m << "-" << d);
                    const DayTable active = ListDay(a, device, 2024, m, d, "Činná");
                    // Device 3 missed the snapshot at 02:00 on 15 January: day 14
                    // keeps only its start, day 15 lacks it.
                    int from = 0, to = 95;
                    if (device == 3 && m == 1 && d == 14)
                        to = 7; // up to 02:00, from entry 14
                    if (device == 3 && m == 1 && d == 15)
                        from = firstFromNext;
                    const int64_t start = Seconds(2024, m, d, 0, 0, 0);
                    for (int q = 0; q < 96; ++q) {
                        if (q < from || q > to) {
                            EXPECT_TRUE(active[q].empty()) << "quarter-hour " << q;
                            continue;
                        }
                        ASSERT_EQ(active[q].size(), 1u) << "quarter-hour " << q;
                        EXPECT_EQ(active[q][0].stamp, start + 900 * (q + 1)) << q;
                    }
                    if (device != 0)
                        continue;
                    const DayTable reactive = ListDay(a, device, 2024, m, d, "Jalová");
                    for (int q = 0; q < 96; ++q) {
                        ASSERT_EQ(reactive[q].size(), 1u) << "quarter-hour " << q;
                        EXPECT_EQ(reactive[q][0].stamp, active[q][0].stamp);
                        // Reactive energy is 30 to 40 % of active (0.05 vs 0.1 per count).
                        const double share = reactive[q][0].raw * 0.05 / (active[q][0].raw * 0.1);
                        EXPECT_GT(share, 0.29) << q;
                        EXPECT_LT(share, 0.41) << q;
                    }
                }
            }
        }
    }
}

// The load follows a working week: days busier than nights, working days
// busier than Sundays and holidays, the boiler room smaller than the plant.
TEST(DemoMonthFiles, LoadShape)
{
    const Archive& a = March2024();
    auto energy = [&](int device, int m, int d, int fromQ, int toQ) {
        const DayTable t = ListDay(a, device, 2024, m, d, "Činná");
        double sum = 0;
        for (int q = fromQ; q <= toQ; ++q)
            sum += t[q].at(0).raw * (device == 0 ? 0.1 : 0.05);
        return sum / (toQ - fromQ + 1);
    };
    for (const int device : {0, 3}) {
        SCOPED_TRACE(device);
        // Tuesday 6 February vs Sunday 11 February and Good Friday 29 March.
        const double workday = energy(device, 2, 6, 36, 43);
        EXPECT_GT(workday, 1.3 * energy(device, 2, 6, 4, 11)) << "day vs night";
        EXPECT_GT(workday, 1.3 * energy(device, 2, 11, 36, 43)) << "working day vs Sunday";
        EXPECT_GT(workday, 1.3 * energy(device, 3, 1, 4, 11)) << "day vs night, March";
    }
    EXPECT_GT(energy(0, 2, 6, 0, 95), 3 * energy(3, 2, 6, 0, 95));
    EXPECT_GT(energy(0, 2, 6, 36, 43), 1.5 * energy(0, 1, 1, 36, 43)) << "New Year's Day";
}

TEST(DemoArchive, SameOptionsSameBytesOtherSeedOtherValues)
{
    const Archive& a = March2024();
    const Archive again(Options({2024, 3, 10}, 3));
    EXPECT_EQ(a.files, again.files);

    DemoOptions other = Options({2024, 3, 10}, 3);
    other.seed = 7;
    const Archive b(other);
    for (const char* same :
         {"D0LARCH.INI", "D0L_11_2.INI", "D03ARCH.INI", "KALEND.INI", "ROZ_DNEW.CFG"})
        EXPECT_EQ(a.files.at(same), b.files.at(same)) << same;
    const DayTable one = ListDay(a, 0, 2024, 2, 6, "Činná");
    const DayTable two = ListDay(b, 0, 2024, 2, 6, "Činná");
    int differ = 0;
    for (int q = 0; q < 96; ++q)
        differ += one[q].at(0).raw != two[q].at(0).raw;
    EXPECT_GT(differ, 48);
}

TEST(DemoCalendar, HolidaysAndEnergyMonthEnds)
{
    const Archive a(Options({2024, 3, 10}, 14)); // February 2023 to March 2024
    const Ini ini = ParseIni(a.files.at("KALEND.INI"));
    ASSERT_FALSE(ini.sections.empty());
    EXPECT_EQ(ini.sections.front(), "1980");
    const std::vector<std::pair<std::string, std::string>> fixed = {
        {"1.1", "N"},   {"1.5", "N"},   {"8.5", "N"},   {"5.7", "N"},
        {"6.7", "N"},   {"28.9", "N"},  {"28.10", "N"}, {"17.11", "N"},
        {"24.12", "N"}, {"25.12", "N"}, {"26.12", "N"}};
    EXPECT_EQ(ini.keys.at("1980"), fixed);

    EXPECT_EQ(ini.text("2024", "29.3"), "N"); // Good Friday
    EXPECT_EQ(ini.text("2024", "1.4"), "N");  // Easter Monday
    EXPECT_EQ(ini.text("2023", "10.4"), "N");
    EXPECT_EQ(ini.text("2024", "28.3"), "E"); // 29th is Good Friday, then a weekend
    EXPECT_EQ(ini.text("2024", "31.12"), "E");

    // One energy-month end in every month of the covered years, on the month's
    // last working day.
    for (const int year : {2023, 2024}) {
        const std::string section = std::to_string(year);
        ASSERT_TRUE(ini.keys.count(section)) << year;
        for (int m = 1; m <= 12; ++m) {
            int kem = 0, ends = 0;
            for (const auto& [key, value] : ini.keys.at(section)) {
                const auto dot = key.find('.');
                if (std::stoi(key.substr(dot + 1)) == m && value.find('E') != std::string::npos) {
                    kem = std::stoi(key.substr(0, dot));
                    ++ends;
                }
            }
            EXPECT_EQ(ends, 1) << year << "-" << m;
            int lastWorking = 0;
            for (int d = 1; d <= MonthDays(year, m); ++d) {
                const std::string key = std::to_string(d) + "." + std::to_string(m);
                if (WeekdayOf(year, m, d) < 5 &&
                    ini.text(section, key).find('N') == std::string::npos)
                    lastWorking = d;
            }
            EXPECT_EQ(kem, lastWorking) << year << "-" << m;
        }
    }
}

TEST(DemoDayDivision, RecordLayout)
{
    const std::string& r = March2024().files.at("ROZ_DNEW.CFG");
    ASSERT_EQ(r.size(), 6019u);
    EXPECT_EQ(U16(r, 0), 6019u);
    unsigned sum = 0;
    for (std::size_t i = 4; i < r.size(); ++i)
        sum += U8(r, i);
    EXPECT_EQ(U16(r, 2), sum % 65536);
    EXPECT_EQ(Text(r, 4), "ROZ_DNEW.CFG");

    struct Group {
        const char* name;
        int from, to, from2, to2;
    } groups[] = {
        {"Den - vysoký tarif", 24, 87, -1, -1},
        {"Noc - nízký tarif", 0, 23, 88, 95},
        {"Špička 8-12 h", 32, 47, -1, -1},
        {"Celý den", 0, 95, -1, -1},
    };
    for (int g = 0; g < 4; ++g) {
        const std::size_t at = 260 + 63 * g;
        EXPECT_EQ(kw::Cp1250ToUtf8(Text(r, at)), groups[g].name);
        for (int q = 0; q < 96; ++q) {
            const bool in = (q >= groups[g].from && q <= groups[g].to) ||
                            (q >= groups[g].from2 && q <= groups[g].to2);
            EXPECT_EQ((U8(r, at + 33 + q / 8) >> (q % 8)) & 1, in ? 1u : 0u) << g << " " << q;
        }
        EXPECT_EQ(U16(r, at + 53), 0xFFFFu);
        EXPECT_EQ(U16(r, at + 61), 15u);
        EXPECT_EQ(U32(r, at + 45), 0u);
        EXPECT_EQ(U16(r, at + 59), 0u);
    }
    EXPECT_EQ(r.substr(260 + 63 * 4, 63), std::string(63, '\0')) << "group 5 is unused";

    struct Sum {
        const char* name;
        uint32_t p, s, n;
    } sums[] = {
        {"VT - pracovní dny", 0x2, 0, 0},
        {"NT a dny volna", 0x4, 0x6, 0x6},
        {"Celkem", 0x10, 0x10, 0x10},
    };
    for (int s = 0; s < 3; ++s) {
        const std::size_t at = 1268 + 286 * s;
        EXPECT_EQ(kw::Cp1250ToUtf8(Text(r, at)), sums[s].name);
        EXPECT_EQ(U32(r, at + 256), sums[s].p);
        EXPECT_EQ(U32(r, at + 260), sums[s].s);
        EXPECT_EQ(U32(r, at + 264), sums[s].n);
        EXPECT_EQ(U32(r, at + 276), 0xFFFFFFFFu);
    }
    EXPECT_EQ(U8(r, 5844), 1u);
    EXPECT_EQ(U8(r, 5845), 15u);
    EXPECT_EQ(U16(r, 5846), 1u);
    EXPECT_EQ(U32(r, 5848), 0u);
    EXPECT_EQ(r.substr(5852), std::string(167, '\0'));
}

// Tests of the readers build damaged files from a regular image.
TEST(DemoMonthFiles, DamagedImages)
{
    const DemoOptions o = Options({2024, 3, 10}, 3);
    kw::demo::MonthImage image = kw::demo::BuildMonthImage(o, 0, 2024, 3);
    image.entries[4].recordName = "QX5-DATA-DEN-04"; // entry 5
    image.entries[5].length = 8193;                  // entry 6
    image.entries[6].offset = 0;                     // entry 7: record written, not listed
    image.signature = "QX5 nactene udajeX";
    image.count = 40;
    const Month m = ReadMonth(kw::demo::SerializeMonthFile(image));
    EXPECT_EQ(Text(m.bytes, 0), "QX5 nactene udajeX");
    EXPECT_EQ(U16(m.bytes, 544), 40u);
    EXPECT_EQ(m.entries[5].name, "QX5-DATA-DEN-04");
    EXPECT_EQ(m.entries[6].length, 8193u);
    EXPECT_EQ(m.entries[6].offset, m.entries[5].offset + 16 + 1448);
    EXPECT_FALSE(m.entries[7].present);
    EXPECT_EQ(m.entries[8].offset, m.entries[6].offset + 2 * (16 + 1448));
}

} // namespace
