#include "archive/Codepage.h"
#include "calendar/DayDivision.h"
#include "output/Log.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

using kw::DayDivision;
using Bytes = DayDivision::Bytes;

constexpr std::size_t Size = DayDivision::RecordSize;

std::size_t GroupAt(int g)
{
    return 260 + 63 * static_cast<std::size_t>(g - 1);
}

std::size_t SumAt(int s)
{
    return 1268 + 286 * static_cast<std::size_t>(s - 1);
}

std::string AsText(const Bytes& b)
{
    return std::string(b.begin(), b.end());
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A record built by hand with a correct checksum, independent of the class.
Bytes HandRecord()
{
    Bytes b{};
    b[0] = 6019 & 0xFF;
    b[1] = 6019 >> 8;
    const std::string name = "ROZ_DNEW.CFG";
    b[4] = static_cast<uint8_t>(name.size());
    for (std::size_t i = 0; i < name.size(); ++i)
        b[5 + i] = static_cast<uint8_t>(name[i]);
    // Group 1 "Noc" with garbage after its name, quarter-hours 0..3.
    b[GroupAt(1)] = 3;
    b[GroupAt(1) + 1] = 'N';
    b[GroupAt(1) + 2] = 'o';
    b[GroupAt(1) + 3] = 'c';
    b[GroupAt(1) + 4] = 0xAB;
    b[GroupAt(1) + 30] = 0x55;
    b[GroupAt(1) + 33] = 0x0F;
    b[5844] = 7;
    b[5845] = 0x2F;
    b[6000] = 0x99;
    uint32_t sum = 0;
    for (std::size_t i = 4; i < Size; ++i)
        sum += b[i];
    b[2] = static_cast<uint8_t>(sum & 0xFF);
    b[3] = static_cast<uint8_t>((sum >> 8) & 0xFF);
    return b;
}

TEST(DayDivision, VariantZeroDefaults)
{
    Bytes expected{};
    expected[0] = 0x83; // 6019
    expected[1] = 0x17;
    const std::string name = "ROZ_DNEW.CFG";
    expected[4] = 12;
    for (std::size_t i = 0; i < name.size(); ++i)
        expected[5 + i] = static_cast<uint8_t>(name[i]);
    expected[5844] = 1;
    expected[5845] = 8;
    expected[5846] = 1;

    DayDivision d;
    EXPECT_EQ(d.bytes(), expected);
    EXPECT_EQ(d.FileName(), "ROZ_DNEW.CFG");
    EXPECT_EQ(d.SumOptions(), DayDivision::ShowSum);
    EXPECT_EQ(d.DayStartOffset(), 0);
    for (int g = 1; g <= 16; ++g)
        EXPECT_EQ(d.GroupName(g), "");

    // Variant 0 again wipes whatever was set.
    d.SetGroupName(3, "Den");
    d.SetSumOptions(0x3F);
    d.AccumulateQuarterHour(1, 0, 0, 1, 1);
    EXPECT_EQ(d.InitDayDivision(0), 0);
    EXPECT_EQ(d.bytes(), expected);
}

// A record with every kind of field set, accumulators included.
DayDivision Populated()
{
    DayDivision d;
    for (int g = 1; g <= 16; ++g) {
        d.SetGroupName(g, "Skupina " + std::to_string(g));
        d.SetGroupOutputOptions(g, static_cast<uint16_t>(g));
        for (int q = g; q < 96; q += 5)
            d.SetGroupQuarterHour(g, q, true);
    }
    for (int s = 1; s <= 16; ++s) {
        d.SetOutputSumName(s, "Součet " + std::to_string(s));
        for (int k = 0; k < 3; ++k)
            d.SetOutputSumGroups(s, k, 0x1FFFEu >> (s % 7 + k));
    }
    d.SetSumOptions(0x3F);
    d.SetDayStartOffset(-42300);
    for (int q = 0; q < 96; ++q)
        d.AccumulateQuarterHour(7, q % 3, q, 0.25f, static_cast<float>(q + 1));
    return d;
}

struct ResetCase {
    int32_t variant;
    std::size_t first, stride, count; // the entries whose accumulators reset
    // Accumulator fields inside an entry: offset, width, fill byte.
    std::vector<std::tuple<std::size_t, std::size_t, uint8_t>> fields;
};

class DayDivisionReset : public testing::TestWithParam<ResetCase> {};

TEST_P(DayDivisionReset, TouchesExactlyTheAccumulators)
{
    const ResetCase& c = GetParam();
    DayDivision d = Populated();
    Bytes expected = d.bytes();
    for (std::size_t e = 0; e < c.count; ++e) {
        for (const auto& [offset, width, fill] : c.fields) {
            for (std::size_t i = 0; i < width; ++i)
                expected[c.first + c.stride * e + offset + i] = fill;
        }
    }
    EXPECT_EQ(d.InitDayDivision(c.variant), 0);
    EXPECT_EQ(d.bytes(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, DayDivisionReset,
    testing::Values(
        // Output sums: sum, maximum, position -1, average, count.
        ResetCase{
            1, 1268, 286, 16, {{268, 4, 0}, {272, 4, 0}, {276, 4, 0xFF}, {280, 4, 0}, {284, 2, 0}}},
        // Groups: sum, maximum, quarter-hour -1, average, count; options stay.
        ResetCase{
            2, 260, 63, 16, {{45, 4, 0}, {49, 4, 0}, {53, 2, 0xFF}, {55, 4, 0}, {59, 2, 0}}}));

TEST(DayDivision, UnknownVariantChangesNothing)
{
    DayDivision d = Populated();
    const Bytes before = d.bytes();
    for (const int32_t variant : {-1, 3, 100})
        EXPECT_NE(d.InitDayDivision(variant), 0) << variant;
    EXPECT_EQ(d.bytes(), before);
}

TEST(DayDivision, ChecksumTable)
{
    struct Case {
        const char* name;
        uint16_t size;
        uint16_t field;                                   // checksum before
        std::vector<std::pair<std::size_t, uint8_t>> set; // bytes set before
        std::size_t fillFrom, fillTo;                     // [from, to) set to 0xFF
        uint16_t result;                                  // checksum after
        bool differs;
    } cases[] = {
        {"Empty", 6019, 0, {}, 0, 0, 0, false},
        {"EmptyWrongField", 6019, 77, {}, 0, 0, 0, true},
        // 300 x 255 = 76500 wraps to 10964.
        {"WrapsAround", 6019, 0, {}, 100, 400, 10964, true},
        {"AlreadyRight", 6019, 10964, {}, 100, 400, 10964, false},
        {"SizeBelowFiveSumsNothing", 4, 9, {{4, 5}, {100, 1}}, 0, 0, 0, true},
        {"SizeLimitsTheSum", 10, 0, {{9, 5}, {10, 7}}, 0, 0, 5, true},
        // Larger than the record but at most 16000: only the record is summed.
        {"SizeBeyondRecordStopsAtItsEnd", 16000, 0, {{6018, 3}}, 0, 0, 3, true},
        {"SizeAbove16000ChangesNothing", 16001, 1234, {{5000, 9}}, 0, 0, 1234, false},
        {"SizeAbove16000Max", 65535, 4321, {{10, 1}}, 0, 0, 4321, false},
    };
    for (const Case& c : cases) {
        Bytes b{};
        for (std::size_t i = c.fillFrom; i < c.fillTo; ++i)
            b[i] = 0xFF;
        for (const auto& [at, v] : c.set)
            b[at] = v;
        b[0] = static_cast<uint8_t>(c.size & 0xFF);
        b[1] = static_cast<uint8_t>(c.size >> 8);
        b[2] = static_cast<uint8_t>(c.field & 0xFF);
        b[3] = static_cast<uint8_t>(c.field >> 8);
        Bytes expected = b;
        expected[2] = static_cast<uint8_t>(c.result & 0xFF);
        expected[3] = static_cast<uint8_t>(c.result >> 8);
        EXPECT_EQ(DayDivision::UpdateChecksum(b), c.differs) << c.name;
        EXPECT_EQ(b, expected) << c.name;
        // A second update finds nothing to change.
        EXPECT_FALSE(DayDivision::UpdateChecksum(b)) << c.name;
    }
}

TEST(DayDivision, LoadsAGoodFileByteForByte)
{
    kwtest::TempDir dir;
    const Bytes hand = HandRecord();
    dir.write("ROZ_DNEW.CFG", AsText(hand));
    DayDivision d;
    EXPECT_EQ(d.LoadDayDivision(dir.path()), 0);
    EXPECT_EQ(d.LastResult, 0);
    EXPECT_EQ(d.bytes(), hand);
    EXPECT_EQ(d.GroupName(1), "Noc");
    EXPECT_TRUE(d.GroupHasQuarterHour(1, 3));
    EXPECT_FALSE(d.GroupHasQuarterHour(1, 4));
    EXPECT_EQ(d.SumOptions(), 0x2F);

    // Saving it unchanged gives the same file, unused bytes included.
    std::filesystem::remove(dir.path() + "ROZ_DNEW.CFG");
    EXPECT_EQ(d.SaveDayDivision(dir.path()), 0);
    EXPECT_EQ(ReadFile(dir.path() + "ROZ_DNEW.CFG"), AsText(hand));
}

struct LoadCase {
    const char* name;
    std::string content; // nothing written when it is "<none>"
    int32_t result;
};

class DayDivisionLoad : public testing::TestWithParam<LoadCase> {};

TEST_P(DayDivisionLoad, FailureKeepsTheRecord)
{
    const LoadCase& c = GetParam();
    kwtest::TempDir dir;
    if (c.content != "<none>")
        dir.write("ROZ_DNEW.CFG", c.content);
    DayDivision d = Populated();
    d.SetFileName("ROZ_DNEW.CFG");
    const Bytes before = d.bytes();
    EXPECT_EQ(d.LoadDayDivision(dir.path()), c.result);
    EXPECT_EQ(d.LastResult, c.result);
    EXPECT_FALSE(d.LastErrorText.empty());
    EXPECT_EQ(d.bytes(), before);
}

std::string Changed(std::size_t offset, uint8_t delta)
{
    std::string s = AsText(HandRecord());
    s[offset] = static_cast<char>(static_cast<uint8_t>(s[offset]) + delta);
    return s;
}

// A consistent checksum over a record that claims another size.
std::string OtherSizeField()
{
    Bytes b = HandRecord();
    b[0] = 6018 & 0xFF;
    DayDivision::UpdateChecksum(b);
    return AsText(b);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DayDivisionLoad,
    testing::Values(LoadCase{"Missing", "<none>", 2},
                    LoadCase{"OneByteShort", AsText(HandRecord()).substr(0, 6018), -1},
                    LoadCase{"OneByteLong", AsText(HandRecord()) + "x", -1},
                    LoadCase{"Empty", "", -1}, LoadCase{"ByteChangedAt4", Changed(4, 1), -3},
                    LoadCase{"ByteChangedInAGroup", Changed(GroupAt(5) + 40, 0x80), -3},
                    LoadCase{"LastByteChanged", Changed(6018, 1), -3},
                    LoadCase{"ChecksumFieldChanged", Changed(2, 1), -3},
                    LoadCase{"ChecksumHighByteChanged", Changed(3, 1), -3},
                    LoadCase{"SizeFieldNot6019", OtherSizeField(), -3}),
    [](const testing::TestParamInfo<LoadCase>& info) { return info.param.name; });

TEST(DayDivision, LoadFindsTheFileWithoutRegardToCaseAndRejectsADirectory)
{
    kwtest::TempDir dir;
    dir.write("roz_dnew.cfg", AsText(HandRecord()));
    DayDivision d;
    EXPECT_EQ(d.LoadDayDivision(dir.path()), 0);
    EXPECT_EQ(d.GroupName(1), "Noc");

    kwtest::TempDir other;
    std::filesystem::create_directory(other.path() + "ROZ_DNEW.CFG");
    DayDivision e;
    const Bytes before = e.bytes();
    EXPECT_GT(e.LoadDayDivision(other.path()), 0);
    EXPECT_EQ(e.bytes(), before);
}

TEST(DayDivision, SaveAndLoadRoundTripWithAccumulators)
{
    kwtest::TempDir dir;
    DayDivision d = Populated();
    ASSERT_NE(d.GroupCount(2), 0);
    ASSERT_NE(d.OutputSumPosition(1), -1);
    EXPECT_EQ(d.SaveDayDivision(dir.path()), 0);
    EXPECT_EQ(d.LastResult, 0);
    EXPECT_TRUE(d.LastErrorText.empty());
    EXPECT_EQ(ReadFile(dir.path() + "ROZ_DNEW.CFG"), AsText(d.bytes()));

    DayDivision loaded;
    EXPECT_EQ(loaded.LoadDayDivision(dir.path()), 0);
    EXPECT_EQ(loaded.bytes(), d.bytes());
    EXPECT_EQ(loaded.DayStartOffset(), -42300);
    EXPECT_EQ(loaded.OutputSumName(16), "Součet 16");
}

TEST(DayDivision, SaveReplacesAFileOfAnotherCase)
{
    kwtest::TempDir dir;
    dir.write("roz_dnew.cfg", "old");
    DayDivision d;
    EXPECT_EQ(d.SaveDayDivision(dir.path()), 0);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"roz_dnew.cfg"});
    EXPECT_EQ(ReadFile(dir.path() + "roz_dnew.cfg"), AsText(d.bytes()));
}

TEST(DayDivision, StoredNameNeverChoosesTheFile)
{
    // The name comes from the file itself; a save must not follow it to the
    // calendar, the program or out of the directory, and an empty one must
    // not stop every save.
    for (const std::string name : {"../escaped.cfg", "/tmp/kwatrix-escaped.cfg", "..", "sub\\x.cfg",
                                   "KALEND.INI", "kwatrix", ""}) {
        kwtest::TempDir parent;
        const std::string dir = parent.path() + "prog/";
        std::filesystem::create_directory(dir);
        for (const char* victim : {"KALEND.INI", "kwatrix"})
            std::ofstream(dir + victim) << "keep";
        DayDivision d;
        ASSERT_TRUE(d.SetFileName(name));
        EXPECT_EQ(d.SaveDayDivision(dir), 0) << name;
        EXPECT_EQ(ReadFile(dir + "ROZ_DNEW.CFG"), AsText(d.bytes())) << name;
        EXPECT_EQ(ReadFile(dir + "KALEND.INI"), "keep") << name;
        EXPECT_EQ(ReadFile(dir + "kwatrix"), "keep") << name;
        EXPECT_FALSE(std::filesystem::exists(parent.path() + "escaped.cfg")) << name;
        EXPECT_FALSE(std::filesystem::exists("/tmp/kwatrix-escaped.cfg")) << name;
        DayDivision loaded;
        EXPECT_EQ(loaded.LoadDayDivision(dir), 0) << name;
        EXPECT_EQ(loaded.FileName(), name) << "the stored name stays as it is";
    }
}

TEST(DayDivision, StartNamesWhatTheRecordGetsWrong)
{
    struct Case {
        std::string name;
        int32_t offset;
        std::string extra; // the error line after the two usual ones, if any
    } cases[] = {
        {"ROZ_DNEW.CFG", -3600, ""},
        {"KALEND.INI", 0,
         " Záznam nese jméno souboru \"KALEND.INI\"; načítá se a ukládá vždy ROZ_DNEW.CFG"},
        {"ROZ_DNEW.CFG", 1000,
         " Chybný začátek dne (posun) v ROZ_DNEW.CFG: 1000 s; platné jsou násobky 900 od -42300 "
         "do 43200"},
        {"ROZ_DNEW.CFG", -43200,
         " Chybný začátek dne (posun) v ROZ_DNEW.CFG: -43200 s; platné jsou násobky 900 od -42300 "
         "do 43200"},
        {"ROZ_DNEW.CFG", 43200, ""},
    };
    for (const Case& c : cases) {
        kwtest::TempDir dir;
        DayDivision written;
        written.SetFileName(c.name);
        written.SetDayStartOffset(c.offset);
        ASSERT_EQ(written.SaveDayDivision(dir.path()), 0);
        kw::Log log;
        std::vector<std::pair<std::string, bool>> lines;
        log.setSink([&](const std::string& line, bool error) { lines.emplace_back(line, error); });
        DayDivision d;
        EXPECT_EQ(d.StartDayDivision(dir.path(), log), 0);
        ASSERT_EQ(lines.size(), c.extra.empty() ? 2u : 3u) << c.name << " " << c.offset;
        if (!c.extra.empty()) {
            EXPECT_EQ(lines[2].first, c.extra);
            EXPECT_TRUE(lines[2].second);
        }
        // The listing still uses the offset as it stands.
        EXPECT_EQ(d.DayStartOffset(), c.offset);
    }
}

std::vector<std::string> Entries(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    return names;
}

TEST(DayDivision, FailedSaveLeavesTheOldFileIntact)
{
    kwtest::TempDir dir;
    const std::string old = AsText(HandRecord());
    dir.write("ROZ_DNEW.CFG", old);
    // A file size limit stops the write even for root; in a child process so
    // that the limit stays there.
    const auto saveWithFullDisk = [&dir] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        DayDivision d;
        d.SetGroupName(1, "Nový");
        const int32_t code = d.SaveDayDivision(dir.path());
        const bool reported = code != 0 && d.LastResult == code && !d.LastErrorText.empty();
        std::_Exit(reported ? 0 : 1);
    };
    EXPECT_EXIT(saveWithFullDisk(), testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadFile(dir.path() + "ROZ_DNEW.CFG"), old);
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"ROZ_DNEW.CFG"}); // no temp left
}

TEST(DayDivision, FailedSaveIntoAnUnwritableDirectory)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    kwtest::TempDir dir;
    const std::string old = AsText(HandRecord());
    dir.write("ROZ_DNEW.CFG", old);
    ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
    DayDivision d;
    EXPECT_NE(d.SaveDayDivision(dir.path()), 0);
    chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(ReadFile(dir.path() + "ROZ_DNEW.CFG"), old);
}

TEST(DayDivision, SaveWhereTheDirectoryIsAFileReportsAnError)
{
    kwtest::TempDir dir;
    dir.write("plain", "x");
    DayDivision d;
    for (const std::string& path : {dir.path() + "plain/", dir.path() + "missing/"}) {
        const int32_t code = d.SaveDayDivision(path);
        EXPECT_GT(code, 0) << path;
        EXPECT_EQ(d.LastResult, code);
        EXPECT_FALSE(d.LastErrorText.empty());
    }
    EXPECT_EQ(ReadFile(dir.path() + "plain"), "x");
}

TEST(DayDivision, StartLogsTheLoadResult)
{
    struct Case {
        bool present;
        std::string second;
        bool error;
    } cases[] = {
        {false, " Načtení souboru: ROZ_DNEW.CFG :2", true},
        {true, " Načtení souboru: ROZ_DNEW.CFG :0", false},
    };
    for (const Case& c : cases) {
        kwtest::TempDir dir;
        if (c.present)
            dir.write("ROZ_DNEW.CFG", AsText(HandRecord()));
        kw::Log log;
        log.LogMode = 1; // the first line shows in every mode
        std::vector<std::pair<std::string, bool>> lines;
        log.setSink([&](const std::string& line, bool error) { lines.emplace_back(line, error); });
        DayDivision d = Populated();
        const int32_t code = d.StartDayDivision(dir.path(), log);
        EXPECT_EQ(code, c.present ? 0 : 2);
        EXPECT_EQ(d.LastResult, code);
        const std::vector<std::pair<std::string, bool>> expected =
            c.error
                ? std::vector<std::pair<std::string, bool>>{{"*Inicializace modulu ROZ_DNE", true},
                                                            {c.second, true}}
                : std::vector<std::pair<std::string, bool>>{
                      {"*Inicializace modulu ROZ_DNE", false}};
        EXPECT_EQ(lines, expected);
        // A failed load runs with the defaults, not with what was there before.
        EXPECT_EQ(d.bytes(), c.present ? HandRecord() : DayDivision().bytes());
    }
}

TEST(DayDivision, StartLogsTheSecondLineInFullMode)
{
    kwtest::TempDir dir;
    dir.write("ROZ_DNEW.CFG", AsText(HandRecord()));
    kw::Log log;
    std::vector<std::string> lines;
    log.setSink([&](const std::string& line, bool) { lines.push_back(line); });
    DayDivision d;
    d.StartDayDivision(dir.path(), log);
    EXPECT_EQ(lines, (std::vector<std::string>{"*Inicializace modulu ROZ_DNE",
                                               " Načtení souboru: ROZ_DNEW.CFG :0"}));
}

// Groups 1 and 2 both hold quarter-hour 40; output sum 1 takes both on
// working days and nothing on rest days.
DayDivision TwoGroups()
{
    DayDivision d;
    d.SetGroupQuarterHour(1, 40, true);
    d.SetGroupQuarterHour(2, 40, true);
    d.SetGroupQuarterHour(2, 41, true);
    d.SetOutputSumGroups(1, 0, (1u << 1) | (1u << 2));
    d.SetOutputSumGroups(1, 1, 1u << 2);
    d.InitDayDivision(1);
    d.InitDayDivision(2);
    return d;
}

TEST(DayDivision, AccumulateByDayClass)
{
    struct Case {
        int32_t dayClass;
        uint16_t count;
        float sum, maximum, average;
        int32_t position;
    } cases[] = {
        // Working day: the quarter-hour counts once per group of the sum.
        {0, 2, 5.0f, 10.0f, 10.0f, 1240},
        // Day off: only group 2.
        {1, 1, 2.5f, 10.0f, 10.0f, 1240},
        // Rest day with an empty set: nothing.
        {2, 0, 0.0f, 0.0f, 0.0f, -1},
        // Not a day class: no output sum.
        {3, 0, 0.0f, 0.0f, 0.0f, -1},
        {-1, 0, 0.0f, 0.0f, 0.0f, -1},
    };
    for (const Case& c : cases) {
        DayDivision d = TwoGroups();
        d.AccumulateQuarterHour(12, c.dayClass, 40, 4.0f, 2.5f);
        EXPECT_EQ(d.OutputSumCount(1), c.count) << c.dayClass;
        EXPECT_FLOAT_EQ(d.OutputSumSum(1), c.sum) << c.dayClass;
        EXPECT_FLOAT_EQ(d.OutputSumMaximum(1), c.maximum) << c.dayClass;
        EXPECT_FLOAT_EQ(d.OutputSumAverage(1), c.average) << c.dayClass;
        EXPECT_EQ(d.OutputSumPosition(1), c.position) << c.dayClass;
        // The groups take the value whatever the day class.
        for (int g = 1; g <= 2; ++g) {
            EXPECT_EQ(d.GroupCount(g), 1) << g;
            EXPECT_FLOAT_EQ(d.GroupSum(g), 2.5f) << g;
            EXPECT_FLOAT_EQ(d.GroupMaximum(g), 10.0f) << g;
            EXPECT_EQ(d.GroupMaximumQuarterHour(g), 40) << g;
            EXPECT_FLOAT_EQ(d.GroupAverage(g), 10.0f) << g;
        }
        EXPECT_EQ(d.GroupCount(3), 0);
        EXPECT_EQ(d.OutputSumCount(2), 0);
    }
}

TEST(DayDivision, MaximumKeepsTheFirstOfEqualProductsAndIgnoresNonPositive)
{
    DayDivision d = TwoGroups();
    d.AccumulateQuarterHour(3, 0, 40, 2.0f, 3.0f); // product 6 at 3/40
    d.AccumulateQuarterHour(4, 0, 40, 3.0f, 2.0f); // product 6 again
    d.AccumulateQuarterHour(5, 0, 41, 1.0f, 6.0f); // 6 once more, group 2 only
    EXPECT_EQ(d.OutputSumPosition(1), 340);
    EXPECT_FLOAT_EQ(d.OutputSumMaximum(1), 6.0f);
    EXPECT_EQ(d.GroupMaximumQuarterHour(2), 40);
    EXPECT_EQ(d.OutputSumCount(1), 5);
    EXPECT_FLOAT_EQ(d.OutputSumSum(1), 3 + 3 + 2 + 2 + 6);
    // The average scales the sum by the last factor: 1 x 16 / 5.
    EXPECT_FLOAT_EQ(d.OutputSumAverage(1), 16.0f / 5);

    DayDivision n = TwoGroups();
    n.AccumulateQuarterHour(3, 0, 40, 1.0f, -2.0f);
    n.AccumulateQuarterHour(3, 0, 40, 0.0f, 5.0f);
    EXPECT_EQ(n.OutputSumPosition(1), -1);
    EXPECT_EQ(n.GroupMaximumQuarterHour(1), -1);
    EXPECT_FLOAT_EQ(n.OutputSumMaximum(1), 0.0f);
    EXPECT_EQ(n.OutputSumCount(1), 4);
}

TEST(DayDivision, QuarterHourBits)
{
    struct Case {
        int32_t q;
        std::size_t byte; // within the set of 12 bytes
        uint8_t mask;
    } cases[] = {{0, 0, 0x01}, {7, 0, 0x80}, {8, 1, 0x01}, {40, 5, 0x01}, {95, 11, 0x80}};
    for (const Case& c : cases) {
        DayDivision d;
        Bytes expected = d.bytes();
        expected[GroupAt(16) + 33 + c.byte] = c.mask;
        ASSERT_TRUE(d.SetGroupQuarterHour(16, c.q, true));
        EXPECT_EQ(d.bytes(), expected) << c.q;
        for (int32_t q = 0; q < 96; ++q)
            EXPECT_EQ(d.GroupHasQuarterHour(16, q), q == c.q) << c.q << " " << q;
        ASSERT_TRUE(d.SetGroupQuarterHour(16, c.q, false));
        EXPECT_EQ(d.bytes(), DayDivision().bytes());
    }
}

TEST(DayDivision, OutOfRangeNumbersNeverTouchTheRecord)
{
    DayDivision d;
    for (int g = 1; g <= 16; ++g) {
        for (int q = 0; q < 96; ++q)
            d.SetGroupQuarterHour(g, q, true);
    }
    d.SetOutputSumGroups(1, 0, 0xFFFFFFFFu);
    d.InitDayDivision(1);
    d.InitDayDivision(2);
    const Bytes before = d.bytes();

    for (const int32_t q : {-1, 96, 1000, INT32_MIN, INT32_MAX})
        d.AccumulateQuarterHour(1, 0, q, 1.0f, 1.0f);
    for (const int32_t bad : {0, 17, -1, INT32_MIN, INT32_MAX}) {
        EXPECT_FALSE(d.SetGroupName(bad, "x"));
        EXPECT_FALSE(d.SetGroupQuarterHour(bad, 0, false));
        EXPECT_FALSE(d.SetGroupOutputOptions(bad, 1));
        EXPECT_FALSE(d.SetOutputSumName(bad, "x"));
        EXPECT_FALSE(d.SetOutputSumGroups(bad, 0, 0));
        EXPECT_EQ(d.GroupName(bad), "");
        EXPECT_FALSE(d.GroupHasQuarterHour(bad, 0));
        EXPECT_EQ(d.GroupCount(bad), 0);
        EXPECT_EQ(d.OutputSumCount(bad), 0);
        EXPECT_EQ(d.OutputSumGroups(bad, 0), 0u);
    }
    for (const int32_t q : {-1, 96, 1000, INT32_MIN, INT32_MAX}) {
        EXPECT_FALSE(d.SetGroupQuarterHour(1, q, false));
        EXPECT_FALSE(d.GroupHasQuarterHour(1, q));
    }
    for (const int32_t k : {-1, 3})
        EXPECT_FALSE(d.SetOutputSumGroups(1, k, 0));
    EXPECT_EQ(d.bytes(), before);
}

TEST(DayDivision, CountsPastTheSignedRange)
{
    DayDivision d;
    d.SetGroupQuarterHour(1, 10, true);
    d.SetOutputSumGroups(1, 0, 1u << 1);
    struct Step {
        int32_t total; // values added so far
        uint16_t count;
    } steps[] = {{32767, 32767}, {32768, 32768}, {65535, 65535}, {65540, 65535}};
    int32_t added = 0;
    for (const Step& s : steps) {
        for (; added < s.total; ++added)
            d.AccumulateQuarterHour(1, 0, 10, 2.0f, 1.0f);
        EXPECT_EQ(d.GroupCount(1), s.count) << s.total;
        EXPECT_EQ(d.OutputSumCount(1), s.count) << s.total;
        // Exact while the count holds; never infinite, negative or NaN.
        const float average = d.GroupAverage(1);
        EXPECT_TRUE(std::isfinite(average)) << s.total;
        EXPECT_FLOAT_EQ(average, 2.0f * static_cast<float>(s.total) / s.count) << s.total;
        EXPECT_FLOAT_EQ(d.OutputSumAverage(1), average) << s.total;
    }
}

TEST(DayDivision, NamesInWindows1250)
{
    // 'č' takes two bytes in UTF-8 but is one character.
    const auto cs = [](int n) {
        std::string t;
        for (int i = 0; i < n; ++i)
            t += "č";
        return t;
    };
    struct Case {
        int32_t capacity;
        std::string name;
        std::string expected;
    } cases[] = {
        {32, "Noční proud", "Noční proud"},
        {32, "Příliš žluťoučký kůň úpěl ďábelské ódy", "Příliš žluťoučký kůň úpěl ďábels"},
        {32, "", ""},
        {32, "日本", "??"},
        {32, cs(40), cs(32)},
        {255, std::string(300, 'x'), std::string(255, 'x')},
        {255, "Špička " + cs(260), "Špička " + cs(248)},
    };

    for (const Case& c : cases) {
        DayDivision d;
        if (c.capacity == 32) {
            ASSERT_TRUE(d.SetGroupName(9, c.name));
            EXPECT_EQ(d.GroupName(9), c.expected);
            const std::string raw = kw::Utf8ToCp1250(c.expected);
            EXPECT_EQ(d.bytes()[GroupAt(9)], raw.size());
            EXPECT_EQ(std::string(d.bytes().begin() + GroupAt(9) + 1,
                                  d.bytes().begin() + GroupAt(9) + 1 + raw.size()),
                      raw);
        } else {
            ASSERT_TRUE(d.SetOutputSumName(9, c.name));
            EXPECT_EQ(d.OutputSumName(9), c.expected);
            EXPECT_EQ(d.bytes()[SumAt(9)], 255);
        }
        // Nothing spills into the next field.
        EXPECT_EQ(d.bytes()[GroupAt(9) + 33], 0);
        EXPECT_EQ(d.bytes()[SumAt(9) + 256], 0);
    }

    // The Windows-1250 byte of "Č" is 0xC8; a shorter name leaves no trace of
    // the longer one it replaced.
    DayDivision d;
    d.SetGroupName(1, std::string(32, 'z'));
    d.SetGroupName(1, "Č");
    Bytes expected = DayDivision().bytes();
    expected[GroupAt(1)] = 1;
    expected[GroupAt(1) + 1] = 0xC8;
    EXPECT_EQ(d.bytes(), expected);
}

TEST(DayDivision, NameLengthByteBeyondCapacityIsClamped)
{
    Bytes b = HandRecord();
    b[GroupAt(2)] = 200; // longer than the 32 the field holds
    for (std::size_t i = 1; i <= 62; ++i)
        b[GroupAt(2) + i] = 'a';
    DayDivision::UpdateChecksum(b);
    kwtest::TempDir dir;
    dir.write("ROZ_DNEW.CFG", AsText(b));
    DayDivision d;
    ASSERT_EQ(d.LoadDayDivision(dir.path()), 0);
    EXPECT_EQ(d.GroupName(2), std::string(32, 'a'));
}

TEST(DayDivision, ErrorTexts)
{
    EXPECT_EQ(DayDivision::ErrorText(0), "");
    for (const int32_t code : {-1, -3, 2, 13, -77})
        EXPECT_FALSE(DayDivision::ErrorText(code).empty()) << code;
    EXPECT_NE(DayDivision::ErrorText(-1), DayDivision::ErrorText(-3));
}

} // namespace
