// The year overview against the whole-month listings it stands for, month by
// month, and the rule that turns a block's unit into an energy.
#include "listing/Engine.h"
#include "listing/QuietListing.h"
#include "listing/Report.h"
#include "listing/YearOverview.h"

#include "ArchiveFixture.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using kwtest::DemoArchiveInto;

// The bars of a whole-month listing as the program makes it: a fresh engine
// started on the archive, the block chosen in its block list.
std::vector<kw::GraphBar> WholeMonthBars(const std::string& dir, int month, int block,
                                         int32_t offset, bool impulses)
{
    kwtest::QuietUi ui;
    kw::Engine engine(ui);
    kw::CountingOutputTarget nowhere;
    engine.output.setTarget(&nowhere);
    engine.setProgramPath(dir);
    engine.Location.DeviceNo = 0;
    engine.description.LoadArchiveDescription(dir, 0);
    engine.division.StartDayDivision(dir, engine.log);
    engine.division.SetDayStartOffset(offset);
    engine.listing.ListingYear = 2024;
    engine.listing.ListingMonth = month;
    engine.listing.SelectBlock();
    const auto& map = engine.listing.BlockEntryMap;
    const auto entry = std::find(map.begin(), map.end(), block) - map.begin();
    engine.listing.ComboBoxABChange(static_cast<int32_t>(entry));
    engine.settings.DisplayMode = 3;
    engine.settings.ConvertValues = !impulses;
    engine.listing.MonthAction(kw::ListingRun::WholeMonth);
    return engine.graph.bars();
}

TEST(YearOverview, MonthsAgreeWithTheirWholeMonthListings)
{
    kwtest::TempDir dir;
    DemoArchiveInto(dir.path());
    // A month file that lists no bar at all is no month with data.
    dir.write("EL_24_05.DAT", "");

    enum class Capacity { None, Halfway, AtPeak };
    const struct Case {
        const char* name;
        int block;
        int32_t offset;
        bool impulses;
        Capacity capacity;
        const char* unit;
        const char* energyUnit;
    } cases[] = {
        {"active", 1, 0, false, Capacity::Halfway, "kW", "kWh"},
        {"reactive", 2, 0, false, Capacity::Halfway, "kVAr", "kVArh"},
        {"capacity at the peak", 1, 0, false, Capacity::AtPeak, "kW", "kWh"},
        {"day from 22:00 the day before", 1, -2 * 3600, false, Capacity::None, "kW", "kWh"},
        {"impulses", 1, 0, true, Capacity::Halfway, "imp", "imp"},
    };
    // A value as the listing shows it: the values are single-precision.
    const auto shown = [](double y) { return std::round(y * 10000) / 10000; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::vector<kw::GraphBar>> expected;
        for (int month = 1; month <= 3; ++month)
            expected.push_back(WholeMonthBars(dir.path(), month, c.block, c.offset, c.impulses));
        // Halfway between January's mean and its peak, some bars lie above;
        // at the peak as shown, none.
        std::optional<double> capacity;
        if (c.capacity != Capacity::None) {
            double sum = 0, peak = expected[0][0].y;
            for (const kw::GraphBar& bar : expected[0]) {
                sum += bar.y;
                peak = std::max(peak, bar.y);
            }
            capacity = c.capacity == Capacity::AtPeak ? shown(peak)
                                                      : (sum / expected[0].size() + peak) / 2;
        }

        kw::ListingSettings settings;
        settings.ConvertValues = !c.impulses;
        // One quiet listing for the whole year, as the window and the report use it.
        kw::QuietListing quiet(dir.path(), 0, settings, c.offset);
        const std::vector<kw::OverviewBlock> blocks = kw::OverviewBlocks(dir.path(), 0);
        kw::YearOverviewFacts facts;
        facts.block = c.block;
        facts.year = 2024;
        facts.unit = blocks.at(static_cast<std::size_t>(c.block - 1)).unit;
        facts.impulses = c.impulses;
        facts.capacity = capacity;
        const kw::YearOverview o = kw::SummariseYear(kw::ListYear(quiet, 2024, c.block), facts);

        EXPECT_EQ(o.unit, c.unit);
        EXPECT_EQ(o.energyUnit, c.energyUnit);
        ASSERT_EQ(o.months.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            SCOPED_TRACE(i + 1);
            const std::vector<kw::GraphBar>& bars = expected[i];
            const kw::MonthOverview& m = o.months[i];
            ASSERT_GT(bars.size(), 96u * 19);
            EXPECT_EQ(m.month, static_cast<int32_t>(i + 1));
            double sum = 0;
            std::size_t top = 0;
            int over = 0;
            for (std::size_t k = 0; k < bars.size(); ++k) {
                sum += shown(bars[k].y);
                if (bars[k].y > bars[top].y)
                    top = k;
                if (capacity && !c.impulses && shown(bars[k].y) > *capacity)
                    ++over;
            }
            EXPECT_EQ(m.count, static_cast<int32_t>(bars.size()));
            EXPECT_NEAR(m.energy, c.impulses ? sum : sum / 4, 1e-6);
            EXPECT_NEAR(m.average, sum / bars.size(), 1e-9);
            EXPECT_EQ(m.maximum, bars[top].y);
            EXPECT_EQ(m.maximumX, bars[top].x);
            EXPECT_EQ(m.overCapacity, over);
            if (c.capacity == Capacity::Halfway && !c.impulses && i == 0) {
                EXPECT_TRUE(over > 0 && over < m.count) << over;
            }
            if (c.capacity == Capacity::AtPeak && i == 0) {
                EXPECT_EQ(m.overCapacity, 0);
            }
        }
    }
}

TEST(YearOverview, PowerUnitsGiveEnergyInUnitHours)
{
    // Three quarter-hours of 4, 8 and 8: the peak is the first 8, and only
    // values above the capacity of 4 count.
    std::vector<kw::GraphBar> bars;
    for (const double value : {4, 8, 8})
        bars.push_back({45352.0 + (bars.size() + 1) / 96.0, value, ""});
    const struct {
        const char* unit;
        bool power;
        const char* energyUnit;
    } cases[] = {
        {"kW", true, "kWh"},   {"MW", true, "MWh"},     {"W", true, "Wh"},
        {"kVA", true, "kVAh"}, {"kVAr", true, "kVArh"}, {"kvar", true, "kvarh"},
        {" kW ", true, "kWh"}, {"kWh", false, "kWh"},   {"kVArh", false, "kVArh"},
        {"m3", false, "m3"},   {"JEDN", false, "JEDN"}, {"imp", false, "imp"},
        {"", false, ""},       {"kw", false, "kw"},     {"Wh", false, "Wh"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.unit + "\"");
        EXPECT_EQ(kw::IsPowerUnit(c.unit), c.power);
        EXPECT_EQ(kw::EnergyUnit(c.unit), c.energyUnit);
        kw::YearOverviewFacts facts;
        facts.unit = c.unit;
        facts.capacity = 4;
        const kw::YearOverview o = kw::SummariseYear({{3, bars}}, facts);
        EXPECT_EQ(o.energyUnit, c.energyUnit);
        ASSERT_EQ(o.months.size(), 1u);
        EXPECT_EQ(o.months[0].energy, c.power ? 5 : 20);
        EXPECT_EQ(o.months[0].maximumX, bars[1].x);
        EXPECT_EQ(o.months[0].overCapacity, 2);
    }
}

// kwatrix-report's arguments after --dir; its standard output.
std::string Report(const std::string& dir, std::vector<std::string> args, int status = 0)
{
    args.insert(args.begin(), {"--dir", dir});
    std::ostringstream out, err;
    EXPECT_EQ(kw::RunReport(args, dir, out, err), status) << err.str();
    return out.str();
}

TEST(ReportYear, JsonAgreesWithTheWholeMonthJson)
{
    kwtest::TempDir dir;
    DemoArchiveInto(dir.path());
    // The reactive block's values are multiples of 0.05: none lies on it.
    const std::string capacity = "31.025";
    const nlohmann::ordered_json year = nlohmann::ordered_json::parse(
        Report(dir.path(),
               {"--year", "2024", "--block", "2", "--format", "json", "--capacity", capacity}));
    std::vector<std::string> keys;
    for (const auto& item : year.items())
        keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"device", "block", "unit", "energy_unit", "year",
                                              "months"}));
    EXPECT_EQ(year["block"], 2);
    EXPECT_EQ(year["unit"], "kVAr");
    EXPECT_EQ(year["energy_unit"], "kVArh");
    EXPECT_EQ(year["year"], 2024);
    ASSERT_EQ(year["months"].size(), 3u);

    const std::vector<std::string> csv = [&] {
        std::vector<std::string> lines;
        std::istringstream in(Report(dir.path(), {"--year", "2024", "--block", "2", "--format",
                                                  "csv", "--csv-excel", "--capacity", capacity}));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }();
    ASSERT_EQ(csv.size(), 4u);
    EXPECT_EQ(csv[0], "\xEF\xBB\xBFmonth;count;energy;average;max;max_time;over_capacity\r");

    int overSome = 0;
    for (int month = 1; month <= 3; ++month) {
        SCOPED_TRACE(month);
        const std::string key = "2024-0" + std::to_string(month);
        const nlohmann::json listing = nlohmann::json::parse(Report(
            dir.path(), {"--month", key, "--whole-month", "--block", "2", "--format", "json"}));
        const auto& m = year["months"][static_cast<std::size_t>(month - 1)];
        EXPECT_EQ(m["month"], key);

        int count = 0;
        double top = listing["days"][0]["max"]["value"];
        std::string topTime = listing["days"][0]["max"]["time"];
        for (const auto& day : listing["days"]) {
            count += day["count"].get<int>();
            if (day["max"]["value"].get<double>() > top) {
                top = day["max"]["value"];
                topTime = day["max"]["time"];
            }
        }
        double sum = 0;
        int over = 0;
        for (const auto& bar : listing["series"]) {
            sum += bar["value"].get<double>();
            over += bar["value"].get<double>() > std::stod(capacity);
        }
        overSome += over > 0;
        EXPECT_EQ(m["count"], count);
        EXPECT_EQ(m["max"]["value"].get<double>(), top);
        EXPECT_EQ(m["max"]["time"], topTime);
        EXPECT_NEAR(m["energy"].get<double>(), sum / 4, 0.0001);
        EXPECT_NEAR(m["average"].get<double>(), sum / count, 0.0001);
        EXPECT_EQ(m["over_capacity"], over);

        // The spreadsheet's row holds the same, with a decimal comma.
        std::string row = csv[static_cast<std::size_t>(month)];
        EXPECT_EQ(row.find('.'), std::string::npos) << row;
        std::replace(row.begin(), row.end(), ',', '.');
        std::istringstream fields(row);
        std::vector<std::string> f;
        for (std::string field; std::getline(fields, field, ';');)
            f.push_back(field);
        ASSERT_EQ(f.size(), 7u) << row;
        EXPECT_EQ(f[0], key);
        EXPECT_EQ(std::stoi(f[1]), count);
        EXPECT_EQ(std::stod(f[4]), top);
        EXPECT_EQ(f[5], topTime);
        EXPECT_EQ(f[6], std::to_string(over) + "\r");
    }
    EXPECT_GT(overSome, 0);
}

// A month file that cannot be read is no month without data: the other
// months are still shown, and the run names the month and fails.
TEST(ReportYear, UnreadableMonthFailsTheRun)
{
    kwtest::TempDir dir;
    DemoArchiveInto(dir.path());
    namespace fs = std::filesystem;
    int replaced = 0;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 10 && name.compare(name.size() - 10, 10, "_24_02.DAT") == 0) {
            // Its read fails with EIO: page 0 is never mapped.
            fs::remove(entry.path());
            fs::create_symlink("/proc/self/mem", entry.path());
            ++replaced;
        }
    }
    ASSERT_EQ(replaced, 1);

    std::ostringstream out, err;
    EXPECT_EQ(kw::RunReport({"--dir", dir.path(), "--year", "2024", "--format", "csv"}, dir.path(),
                            out, err),
              1);
    EXPECT_NE(err.str().find("\n2024-02: "), std::string::npos) << err.str();
    const std::string csv = out.str();
    EXPECT_NE(csv.find("\n2024-01,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n2024-03,"), std::string::npos) << csv;
    EXPECT_EQ(csv.find("2024-02"), std::string::npos) << csv;
}

TEST(ReportYear, ArgumentsThatDoNotFit)
{
    kwtest::TempDir dir;
    DemoArchiveInto(dir.path());
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--year", "24"}, "--year"},
        {{"--year", "2080"}, "--year"},
        {{"--year", "2024", "--month", "2024-01"}, "--month"},
        {{"--year", "2024", "--whole-month"}, "only one period"},
        {{"--month", "2024-01", "--whole-month", "--capacity", "50"}, "--capacity"},
        {{"--year", "2024", "--impulses", "--capacity", "50"}, "--impulses"},
        {{"--year", "2024", "--capacity", "-5"}, "--capacity"},
        {{"--year", "2024", "--capacity", "inf"}, "--capacity"},
        {{"--year", "2024", "--capacity", "1e3"}, "--capacity"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--dir", dir.path()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::ostringstream out, err;
        EXPECT_EQ(kw::RunReport(args, dir.path(), out, err), 2) << c.args.back();
        EXPECT_EQ(out.str(), "");
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    }
    // A year without month files is an empty overview, not a failure.
    const std::string text = Report(dir.path(), {"--year", "2019"});
    EXPECT_NE(text.find("no month"), std::string::npos) << text;
}

} // namespace
