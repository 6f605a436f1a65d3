// The CSV and JSON of a listing hold exactly what the graph holds: read back
// with a real CSV reader and a real JSON parser, every row is a bar, in the
// graph's order, with its instant and value.
#include "analysis/QuietListing.h"
#include "export/Formats.h"
#include "graph/SeriesExport.h"
#include "listing/Engine.h"

#include "ArchiveFixture.h"

#include <gtest/gtest.h>

#include <csv.h>
#include <nlohmann/json.hpp>

#include <clocale>
#include <cmath>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace {

using kwtest::Archive;

// The instant of a graph x, worked out apart from the program's own dates:
// day 25569 is 1 January 1970.
std::string InstantOf(double x)
{
    const auto seconds = static_cast<std::time_t>(std::llround((x - 25569.0) * 86400.0));
    std::tm t{};
    gmtime_r(&seconds, &t);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &t);
    return text;
}

// Rows of a CSV text as libcsv reads them.
std::vector<std::vector<std::string>> ReadCsv(const std::string& text, char separator)
{
    struct Reading {
        std::vector<std::vector<std::string>> rows;
        std::vector<std::string> row;
    } reading;
    csv_parser parser;
    EXPECT_EQ(csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI), 0);
    csv_set_delim(&parser, static_cast<unsigned char>(separator));
    const auto field = [](void* data, size_t size, void* out) {
        static_cast<Reading*>(out)->row.emplace_back(static_cast<const char*>(data), size);
    };
    const auto rowEnd = [](int, void* out) {
        auto* r = static_cast<Reading*>(out);
        r->rows.push_back(std::move(r->row));
        r->row.clear();
    };
    EXPECT_EQ(csv_parse(&parser, text.data(), text.size(), field, rowEnd, &reading), text.size())
        << csv_strerror(csv_error(&parser));
    EXPECT_EQ(csv_fini(&parser, field, rowEnd, &reading), 0);
    csv_free(&parser);
    return reading.rows;
}

struct Listing {
    const char* name;
    std::function<void(kw::Engine&)> run;
    int month = 3;         // of 2024
    bool handMade = false; // the archive with an hour that repeats
};

using kwtest::DemoArchiveInto;

void Start(kw::Engine& engine, const std::string& dir, int year, int month)
{
    engine.setProgramPath(dir);
    engine.Location.DeviceNo = 0;
    engine.description.LoadArchiveDescription(dir, 0);
    engine.division.StartDayDivision(dir, engine.log);
    engine.listing.ListingYear = year;
    engine.listing.ListingMonth = month;
    engine.listing.SelectBlock();
    engine.settings.DisplayMode = 4;
}

const std::vector<Listing>& Listings()
{
    static const std::vector<Listing> listings = {
        {"whole month", [](kw::Engine& e) { e.listing.MonthAction(kw::ListingRun::WholeMonth); }},
        // December's energy-month end is the 29th: January's starts in 2023.
        {"energy month over two months",
         [](kw::Engine& e) { e.listing.MonthAction(kw::ListingRun::EnergyMonth); }, 1},
        {"range",
         [](kw::Engine& e) {
             e.listing.PickAction(kw::ListingRun::PickRange);
             e.listing.PickAction(17);
             e.listing.PickAction(3);
         }},
        {"impulses",
         [](kw::Engine& e) {
             e.settings.ConvertValues = false;
             e.listing.MonthAction(kw::ListingRun::WholeMonth);
         }},
        {"an hour that repeats", [](kw::Engine& e) { e.listing.MonthAction(5); }, 3, true},
    };
    return listings;
}

// The archive of the hand-made listing: day 5 of March 2024 holds the hour
// 02:00-03:00 twice, as a clock set back by an hour leaves it.
void RepeatedHourArchive(Archive& a)
{
    std::vector<Archive::Rec> recs;
    int value = 10;
    for (const int minute : {45}) // 01:45
        recs.push_back({5, 1, minute, 0, value++});
    for (int round = 0; round < 2; ++round) {
        for (const int minute : {0, 15, 30, 45})
            recs.push_back({5, 2, minute, 0, value++});
        recs.push_back({5, 3, 0, 0, value++});
    }
    a.month({{6, Archive::Data(recs)}}, 6);
}

std::vector<kw::GraphBar> BarsOf(const Listing& listing, std::string& json,
                                 kw::Series* series = nullptr)
{
    if (listing.handMade) {
        Archive a("START=16\r\nLENGTH=3\r\nNZAZN=12\r\n");
        RepeatedHourArchive(a);
        a.engine.listing.ListingYear = 2024;
        a.engine.listing.ListingMonth = 3;
        a.engine.listing.SelectBlock();
        listing.run(a.engine);
        json = kw::ListingJson(a.engine.series, kw::FactsOf(a.engine));
        if (series)
            *series = a.engine.series;
        return a.engine.graph.bars();
    }
    kwtest::TempDir dir;
    DemoArchiveInto(dir.path());
    kwtest::QuietUi ui;
    kw::Engine engine(ui);
    kw::CountingOutputTarget nowhere;
    engine.output.setTarget(&nowhere);
    Start(engine, dir.path(), 2024, listing.month);
    listing.run(engine);
    json = kw::ListingJson(engine.series, kw::FactsOf(engine));
    if (series)
        *series = engine.series;
    return engine.graph.bars();
}

TEST(Export, CsvReadsBackAsTheGraphHoldsIt)
{
    for (const Listing& listing : Listings()) {
        SCOPED_TRACE(listing.name);
        std::string json;
        kw::Series series;
        const std::vector<kw::GraphBar> bars = BarsOf(listing, json, &series);
        ASSERT_GT(bars.size(), 5u);
        const kw::ExportSource source = kw::ListingExportSource(series, {}, "/a/", "MĚSÍC");
        for (const char* name : {"csv", "excel-csv"}) {
            const bool excel = name == std::string("excel-csv");
            std::string text, reason;
            ASSERT_TRUE(kw::FindExportFormat(name)->write(source, text, reason));
            if (excel) {
                ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
                text.erase(0, 3);
            }
            EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1) << "CR LF line ends";
            const auto rows = ReadCsv(text, excel ? ';' : ',');
            ASSERT_EQ(rows.size(), bars.size() + 1);
            const std::string unit = listing.name == std::string("impulses") ? "imp" : "kW";
            EXPECT_EQ(rows[0], excel ? (std::vector<std::string>{"Začátek", "Konec", "Posun od UTC",
                                                                 "Hodnota [" + unit + "]"})
                                     : (std::vector<std::string>{"end", "value"}));
            for (std::size_t i = 0; i < bars.size(); ++i) {
                const std::vector<std::string>& row = rows[i + 1];
                ASSERT_EQ(row.size(), excel ? 4u : 2u) << i;
                const std::string iso = InstantOf(bars[i].x);
                // A Czech spreadsheet reads "05.03.2024 00:15" as a date-time.
                const std::string czech = iso.substr(8, 2) + "." + iso.substr(5, 2) + "." +
                                          iso.substr(0, 4) + " " + iso.substr(11, 5);
                EXPECT_EQ(excel ? row[1] + row[2] : row[0],
                          excel ? czech + "+01:00" : iso + "+01:00")
                    << i;
                std::string number = row.back();
                if (excel) {
                    EXPECT_EQ(number.find('.'), std::string::npos) << number;
                    for (char& c : number)
                        c = c == ',' ? '.' : c;
                }
                EXPECT_NEAR(std::stod(number), bars[i].y, 0.00005) << i;
            }
        }
        if (listing.handMade) {
            // Both readings of the repeated hour stay, in the graph's order.
            EXPECT_EQ(bars[1].x, bars[2].x);
            EXPECT_LT(bars[1].y, bars[2].y);
        }
    }
}

TEST(Export, JsonParsesAndRoundTrips)
{
    for (const Listing& listing : Listings()) {
        SCOPED_TRACE(listing.name);
        std::string text;
        const std::vector<kw::GraphBar> bars = BarsOf(listing, text);
        const nlohmann::ordered_json json = nlohmann::ordered_json::parse(text);
        EXPECT_EQ(nlohmann::ordered_json::parse(json.dump()), json);
        std::vector<std::string> keys;
        for (const auto& item : json.items())
            keys.push_back(item.key());
        EXPECT_EQ(keys, (std::vector<std::string>{"device", "block", "block_name", "unit", "period",
                                                  "time_marks", "clock", "count", "expected",
                                                  "series", "days"}));
        ASSERT_EQ(json["series"].size(), bars.size());
        for (std::size_t i = 0; i < bars.size(); ++i) {
            EXPECT_EQ(json["series"][i]["time"], InstantOf(bars[i].x) + "+01:00") << i;
            EXPECT_NEAR(json["series"][i]["value"].get<double>(), bars[i].y, 0.00005) << i;
        }
        // Every bar is counted on one day.
        std::size_t counted = 0;
        for (const auto& day : json["days"])
            counted += day["count"].get<std::size_t>();
        EXPECT_EQ(counted, bars.size());
        EXPECT_EQ(json["unit"], listing.name == std::string("impulses") ? "imp" : "kW");
    }
}

TEST(Export, DaysAndPeriodOfAnEnergyMonth)
{
    std::string text;
    BarsOf(Listings()[1], text);
    const nlohmann::json json = nlohmann::json::parse(text);
    // The demo's energy month of January 2024 starts after December's end.
    const std::string first = json["period"]["first"];
    EXPECT_EQ(first, "2023-12-30");
    EXPECT_EQ(json["period"]["last"].get<std::string>().substr(0, 7), "2024-01");
    EXPECT_EQ(json["period"]["command"], "ENERGETICKÝ MĚSÍC");
    // A listing day runs from the stamp 00:15 to the stamp of midnight that
    // ends it: every day of this energy month has its 96 quarter-hours, and
    // the maximum of the first is one of its own.
    ASSERT_EQ(json["days"].size(), 33u);
    EXPECT_EQ(json["days"][0]["date"], first);
    for (const auto& day : json["days"])
        EXPECT_EQ(day["count"], 96) << day["date"];
    const std::string firstMax = json["days"][0]["max"]["time"];
    EXPECT_TRUE(firstMax > first + "T00:00:00" && firstMax <= "2023-12-31T00:00:00") << firstMax;
}

TEST(Export, NumbersIgnoreTheLocaleAndKeepFourDecimals)
{
    const struct {
        double value;
        const char* point;
        const char* comma;
    } cases[] = {
        {12.3, "12.3", "12,3"},      {0.0, "0", "0"},
        {-0.00001, "0", "0"},        {241.6, "241.6", "241,6"},
        {1e6, "1000000", "1000000"}, {0.12345, "0.1235", "0,1235"},
        {-7.5, "-7.5", "-7,5"},      {HUGE_VAL, "0", "0"},
        {std::nan(""), "0", "0"},
    };
    // Under a desktop locale with a decimal comma, where the machine has one.
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* locale : {"C", "cs_CZ.UTF-8"}) {
        if (!std::setlocale(LC_NUMERIC, locale))
            continue;
        for (const auto& c : cases) {
            EXPECT_EQ(kw::ExportNumber(c.value), c.point) << c.value << " " << locale;
            EXPECT_EQ(kw::ExportNumber(c.value, ','), c.comma) << c.value << " " << locale;
        }
    }
    std::setlocale(LC_NUMERIC, before.c_str());
}

TEST(QuietListing, BarsAreThoseOfTheListingOnScreen)
{
    kwtest::TempDir dir;
    DemoArchiveInto(dir.path());
    kwtest::QuietUi ui;
    kw::Engine engine(ui);
    kw::CountingOutputTarget nowhere;
    engine.output.setTarget(&nowhere);
    Start(engine, dir.path(), 2024, 2);
    engine.settings.ConvertValues = false;
    for (const int32_t block : {1, 2}) {
        engine.listing.ComboBoxABChange(block - 1);
        engine.listing.MonthAction(kw::ListingRun::WholeMonth);
        kw::QuietListing quiet(dir.path(), 0, engine.settings, engine.division.DayStartOffset());
        ASSERT_TRUE(quiet.loaded());
        const std::vector<kw::GraphBar> bars = quiet.WholeMonth(2024, 2, block);
        ASSERT_GT(bars.size(), 96u * 28) << block;
        ASSERT_EQ(bars.size(), engine.graph.bars().size()) << block;
        for (std::size_t i = 0; i < bars.size(); ++i) {
            EXPECT_EQ(bars[i].x, engine.graph.bars()[i].x);
            EXPECT_EQ(bars[i].y, engine.graph.bars()[i].y);
        }
        EXPECT_EQ(quiet.MonthsWithFiles(2024), (std::vector<int32_t>{1, 2, 3}));
    }
}

} // namespace
