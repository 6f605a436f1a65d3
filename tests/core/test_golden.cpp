// Whole listings compared line by line with reviewed golden files in
// tests/data: each case builds a small archive with the demo generator (fixed
// dates), changes what it needs, and runs kwatrix-report's engine on it.
// KWATRIX_UPDATE_GOLDEN=1 rewrites the files; review every change by eye.
#include "app/Report.h"
#include "archive/Codepage.h"
#include "archive/Ini.h"
#include "calendar/DayDivision.h"
#include "tools/DemoArchive.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace demo = kw::demo;

using Mutation = std::function<void(const std::string& dir, const demo::DemoOptions&)>;

struct GoldenCase {
    const char* name;
    std::vector<std::string> args;
    Mutation mutate = nullptr;
    demo::Date lastDay = {2024, 3, 10};
    int months = 3;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteMonth(const std::string& dir, const demo::MonthImage& image, int device, int year,
                int month)
{
    std::ofstream(dir + demo::MonthFileName(device, year, month), std::ios::binary)
        << demo::SerializeMonthFile(image);
}

// Mutations of the generated archive.
Mutation DivisionWith(uint8_t sumOptions, int32_t dayStartOffset)
{
    return [=](const std::string& dir, const demo::DemoOptions&) {
        kw::DayDivision division;
        ASSERT_EQ(division.LoadDayDivision(dir), 0);
        division.SetSumOptions(sumOptions);
        division.SetDayStartOffset(dayStartOffset);
        ASSERT_EQ(division.SaveDayDivision(dir), 0);
    };
}

Mutation MonthEntry(int year, int month, int entry,
                    std::function<void(demo::MonthImage&, demo::MonthEntry&)> change)
{
    return [=](const std::string& dir, const demo::DemoOptions& options) {
        demo::MonthImage image = demo::BuildMonthImage(options, 0, year, month);
        change(image, image.entries[static_cast<std::size_t>(entry - 1)]);
        WriteMonth(dir, image, 0, year, month);
    };
}

// Records of every entry of March 2024 written by a controller program that no
// description file fits.
void UnknownRevisions(const std::string& dir, const demo::DemoOptions& options)
{
    demo::MonthImage image = demo::BuildMonthImage(options, 0, 2024, 3);
    for (demo::MonthEntry& e : image.entries)
        if (e.present) {
            e.data[0] = 9;
            e.data[1] = 9;
        }
    WriteMonth(dir, image, 0, 2024, 3);
}

// A valid NASOB so large that every converted value overflows.
void HugeMultiplier(const std::string& dir, const demo::DemoOptions&)
{
    std::string text = ReadFile(dir + "D0LARCH.INI");
    const auto at = text.find("NASOB=") + 6;
    text.replace(at, text.find('\r', at) - at, "3e38");
    std::ofstream(dir + "D0LARCH.INI", std::ios::binary) << text;
}

// A folder where a file of the archive is: there, but unreadable, also as root.
Mutation Folder(const std::string& name)
{
    return [name](const std::string& dir, const demo::DemoOptions&) {
        const std::string path = dir + name;
        ASSERT_EQ(std::remove(path.c_str()) + mkdir(path.c_str(), 0755), 0);
    };
}

void CalendarWithoutKem(const std::string& dir, const demo::DemoOptions&)
{
    std::ofstream(dir + "KALEND.INI", std::ios::binary) << "[1980]\r\n1.1=N\r\n";
}

// The energy month of March 2024 then starts on 28 February, in a month
// written by the older controller program.
void KemOn27February(const std::string& dir, const demo::DemoOptions&)
{
    kw::IniLayer ini;
    ini.DeleteIniKey(dir + "KALEND.INI", "2024", "29.2");
    ini.WriteIniValue(dir + "KALEND.INI", "2024", "27.2", "E");
}

const std::vector<GoldenCase>& Cases()
{
    static const std::vector<GoldenCase> cases = {
        {"day_quarter_hours", {"--month", "2024-03", "--day", "5", "--mode", "0"}},
        {"day_hours", {"--month", "2024-03", "--day", "5", "--mode", "1"}},
        {"day_hours_4_columns", {"--month", "2024-03", "--day", "5", "--mode", "2"}},
        {"day_impulses", {"--month", "2024-03", "--day", "4", "--mode", "0", "--impulses"}},
        {"day_second_block", {"--month", "2024-03", "--day", "4", "--mode", "0", "--block", "2"}},
        {"month_whole_day_alt_description", {"--month", "2024-02", "--whole-month", "--mode", "3"}},
        {"month_sums_only", {"--month", "2024-01", "--whole-month", "--mode", "4"}},
        {"month_current_unfinished", {"--month", "2024-03", "--whole-month", "--mode", "3"}},
        {"range_picked_backwards", {"--month", "2024-02", "--range", "17-3", "--mode", "3"}},
        {"range_single_day_no_period_sums",
         {"--month", "2024-04", "--range", "30-30", "--mode", "1"},
         nullptr,
         {2024, 5, 10},
         3},
        {"range_beyond_short_month", {"--month", "2024-02", "--range", "30-31", "--mode", "1"}},
        {"energy_month_previous_kem_last_day",
         {"--month", "2024-02", "--energy-month", "--mode", "3"}},
        {"energy_month_january",
         {"--month", "2024-01", "--energy-month", "--mode", "4"},
         nullptr,
         {2024, 3, 10},
         4},
        {"energy_month_switch_and_back",
         {"--month", "2024-03", "--energy-month", "--mode", "3"},
         KemOn27February},
        {"energy_month_kem_missing",
         {"--month", "2024-02", "--energy-month", "--mode", "3"},
         CalendarWithoutKem},
        {"offset_minus_hour",
         {"--month", "2024-03", "--day", "5", "--mode", "1"},
         DivisionWith(kw::DayDivision::ShowSum, -3600)},
        {"offset_plus_half_day",
         {"--month", "2024-03", "--day", "5", "--mode", "0"},
         DivisionWith(kw::DayDivision::ShowSum, 43200)},
        {"day_sums_every_mode_and_period_for_one_day",
         {"--month", "2024-03", "--day", "6", "--mode", "1"},
         DivisionWith(kw::DayDivision::ShowCount | kw::DayDivision::ShowAverage |
                          kw::DayDivision::ShowMaximum | kw::DayDivision::ShowSum |
                          kw::DayDivision::PeriodSumsForOneDay | kw::DayDivision::DaySumsInAllModes,
                      0)},
        {"gap_in_device_3", {"--device", "3", "--month", "2024-01", "--day", "14", "--mode", "1"}},
        {"revisions_fit_no_description",
         {"--month", "2024-03", "--range", "4-5", "--mode", "3"},
         UnknownRevisions},
        {"raw_latest_entry", {"--month", "2024-02", "--raw", "0"}},
        {"raw_missing_file", {"--month", "2023-06", "--raw", "3"}},
        {"raw_bad_signature",
         {"--month", "2024-03", "--raw", "3"},
         [](const std::string& dir, const demo::DemoOptions& options) {
             demo::MonthImage image = demo::BuildMonthImage(options, 0, 2024, 3);
             image.signature = "QX5 nactene udajX";
             WriteMonth(dir, image, 0, 2024, 3);
         }},
        {"raw_record_of_another_entry",
         {"--month", "2024-03", "--raw", "5"},
         MonthEntry(
             2024, 3, 5,
             [](demo::MonthImage&, demo::MonthEntry& e) { e.recordName = demo::RecordName(4); })},
        {"raw_record_too_long",
         {"--month", "2024-03", "--raw", "5"},
         MonthEntry(2024, 3, 5, [](demo::MonthImage&, demo::MonthEntry& e) { e.length = 8193; })},
        {"raw_offset_past_end",
         {"--month", "2024-03", "--raw", "5"},
         MonthEntry(2024, 3, 5,
                    [](demo::MonthImage&, demo::MonthEntry& e) { e.offset = 0x7FFFFFF0; })},
        {"raw_empty_entry", {"--month", "2024-03", "--raw", "20"}},
        {"values_xy_comma", {"--month", "2024-03", "--day", "5", "--values", "xy"}},
        {"values_y_point", {"--month", "2024-03", "--day", "5", "--values", "y", "--point"}},
        {"no_description",
         {"--month", "2024-03", "--day", "5"},
         [](const std::string& dir, const demo::DemoOptions&) {
             std::remove((dir + "D0LARCH.INI").c_str());
         }},
    };
    return cases;
}

class Golden : public testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, ListingMatchesReviewedFile)
{
    const GoldenCase& c = GetParam();
    kwtest::TempDir dir;
    demo::DemoOptions options;
    options.lastDay = c.lastDay;
    options.months = c.months;
    std::string error;
    ASSERT_TRUE(demo::WriteDemoArchive(dir.path(), options, &error)) << error;
    if (c.mutate)
        c.mutate(dir.path(), options);

    std::vector<std::string> args = {"--dir", dir.path()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::ostringstream out, err;
    const int status = kw::RunReport(args, dir.path(), out, err);

    std::string actual = "$ kwatrix-report";
    for (const std::string& a : c.args)
        actual += " " + a;
    actual += "\nexit: " + std::to_string(status) + "\n--- stdout\n" + out.str() + "--- stderr\n" +
              err.str();
    // The temporary directory differs from run to run.
    for (std::size_t at; (at = actual.find(dir.path())) != std::string::npos;)
        actual.replace(at, dir.path().size(), "<DIR>/");

    const std::string path = std::string(KWATRIX_TEST_DATA) + "/" + c.name + ".txt";
    if (std::getenv("KWATRIX_UPDATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    const std::string expected = ReadFile(path);
    ASSERT_FALSE(expected.empty()) << "no golden file " << path;
    std::istringstream a(actual), e(expected);
    std::string al, el;
    for (int line = 1;; ++line) {
        const bool more = static_cast<bool>(std::getline(a, al));
        const bool moreExpected = static_cast<bool>(std::getline(e, el));
        if (!more && !moreExpected)
            break;
        ASSERT_EQ(more, moreExpected) << c.name << ": line count differs at line " << line;
        ASSERT_EQ(al, el) << c.name << ": line " << line;
    }
}

// A period that cannot be listed as asked says so in the exit status, not in
// a table of zeros or a status of 0.
TEST(ReportExitStatus, PeriodsThatCannotBeListed)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        Mutation mutate = nullptr;
        const char* message = nullptr; // in the error text; the month when none
        const char* logged = nullptr;  // numbers only, and this once on standard error
    } cases[] = {
        {{"--month", "2023-02", "--day", "29"}, 2},
        {{"--month", "2024-02", "--day", "29"}, 0},
        {{"--month", "2025-02", "--range", "27-31"}, 2},
        {{"--month", "2025-02", "--range", "31-27"}, 2},
        {{"--month", "2025-02", "--range", "28-27"}, 0},
        {{"--month", "2024-03", "--raw", "3"},
         5,
         [](const std::string& dir, const demo::DemoOptions&) {
             // A month file whose read fails with EIO (page 0 is never mapped).
             std::remove((dir + "EL_24_03.DAT").c_str());
             ASSERT_EQ(symlink("/proc/self/mem", (dir + "EL_24_03.DAT").c_str()), 0);
         }},
        // The exports hold a listing's quarter-hour values, which a raw
        // listing does not have and --values already gives otherwise.
        {{"--month", "2024-03", "--raw", "3", "--format", "csv"}, 2, nullptr, "--format"},
        {{"--month", "2024-03", "--whole-month", "--values", "y", "--format", "json"},
         2,
         nullptr,
         "--format"},
        {{"--month", "2024-03", "--whole-month", "--csv-excel"}, 2, nullptr, "--csv-excel"},
        {{"--month", "2024-03", "--whole-month", "--format", "xml"}, 2, nullptr, "--format"},
        {{"--month", "2024-03", "--whole-month", "--format", "json"}, 0},
        // The file names hold 1980..2079 only; 2080 would list 1980's file.
        {{"--month", "2080-02", "--day", "5"}, 2},
        {{"--month", "0001-02", "--day", "5"}, 2},
        // Values that overflow are listed, drawn, summed and exported as 0.
        {{"--month", "2024-03", "--day", "5"}, 0, HugeMultiplier, nullptr, "(NASOB=3e+38)"},
        {{"--month", "2024-03", "--day", "5", "--format", "json"}, 0, HugeMultiplier, nullptr, ""},
        {{"--year", "2024", "--format", "json"}, 0, HugeMultiplier, nullptr, ""},
        // A read-only calendar without the year: listed from the template.
        {{"--month", "2024-03", "--energy-month"},
         0,
         [](const std::string& dir, const demo::DemoOptions&) {
             std::ofstream(dir + "KALEND.INI", std::ios::trunc) << "[1980]\n29.2=E\n31.3=E\n";
             ASSERT_EQ(chmod((dir + "KALEND.INI").c_str(), 0444), 0);
         },
         nullptr,
         "se nepodařilo uložit: přístup odepřen"},
        // An INI file that cannot be read is no empty file (2024-01: D0L_11_2.INI).
        {{"--month", "2024-03", "--day", "5"}, 1, Folder("KALEND.INI"), nullptr, "LEND.INI nelze"},
        {{"--month", "2024-03", "--day", "5"}, 1, Folder("D0LARCH.INI"), nullptr, "ARCH.INI nelze"},
        {{"--month", "2024-01", "--day", "5"}, 1, Folder("D0L_11_2.INI"), nullptr, "2.INI nelze"},
    };
    for (const Case& c : cases) {
        kwtest::TempDir dir;
        demo::DemoOptions options;
        options.lastDay = {2024, 3, 10};
        options.months = 3;
        std::string error;
        ASSERT_TRUE(demo::WriteDemoArchive(dir.path(), options, &error)) << error;
        if (c.mutate)
            c.mutate(dir.path(), options);
        const std::string calendar = ReadFile(dir.path() + "KALEND.INI");
        std::vector<std::string> args = {"--dir", dir.path()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::ostringstream out, err;
        std::string what;
        for (const std::string& arg : c.args)
            what += arg + " ";
        EXPECT_EQ(kw::RunReport(args, dir.path(), out, err), c.status) << what << "\n" << err.str();
        if (c.logged) {
            const auto at = err.str().find(c.logged);
            EXPECT_TRUE(!*c.logged || (at != std::string::npos && at == err.str().rfind(c.logged)))
                << what << err.str();
            for (const char* nan : {"inf", "INF", "nan", "\"value\": null"})
                EXPECT_EQ(out.str().find(nan), std::string::npos) << what << nan;
        }
        if (c.status == 2) {
            EXPECT_EQ(out.str(), "") << what;
            EXPECT_EQ(ReadFile(dir.path() + "KALEND.INI"), calendar) << what;
            EXPECT_NE(err.str().find(c.message ? c.message : c.args[1].c_str()), std::string::npos)
                << what;
        }
    }
}

TEST(ReportExport, CsvHoldsTheBarsOfValuesXy)
{
    kwtest::TempDir dir;
    demo::DemoOptions options;
    options.lastDay = {2024, 3, 10};
    options.months = 2;
    std::string error;
    ASSERT_TRUE(demo::WriteDemoArchive(dir.path(), options, &error)) << error;
    const auto run = [&](std::vector<std::string> more) {
        std::vector<std::string> args = {"--dir", dir.path(), "--month", "2024-02",
                                         "--whole-month"};
        args.insert(args.end(), more.begin(), more.end());
        std::ostringstream out, err;
        EXPECT_EQ(kw::RunReport(args, dir.path(), out, err), 0) << err.str();
        std::vector<std::string> lines;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    };
    const std::vector<std::string> xy = run({"--values", "xy", "--point"});
    const std::vector<std::string> csv = run({"--format", "csv"});
    ASSERT_EQ(csv.size(), xy.size() + 1);
    EXPECT_EQ(csv[0], "end,value\r");
    for (std::size_t i = 0; i < xy.size(); ++i) {
        // x is a day number with four decimals: the instant to the minute.
        const double x = std::stod(xy[i].substr(0, xy[i].find('\t')));
        const auto seconds = static_cast<std::time_t>(std::llround((x - 25569.0) * 1440.0) * 60);
        std::tm t{};
        gmtime_r(&seconds, &t);
        char instant[32];
        std::strftime(instant, sizeof instant, "%Y-%m-%dT%H:%M:00", &t);
        ASSERT_EQ(csv[i + 1].substr(0, 25), instant + std::string("+01:00")) << i;
        EXPECT_NEAR(std::stod(csv[i + 1].substr(26)), std::stod(xy[i].substr(xy[i].find('\t') + 1)),
                    0.005)
            << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Listings, Golden, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<GoldenCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
