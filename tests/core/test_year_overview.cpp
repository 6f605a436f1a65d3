// The year overview against the whole-month listings it stands for, month by
// month, and the rule that turns a block's unit into an energy.
#include "analysis/Bill.h"
#include "analysis/Contract.h"
#include "analysis/QuietListing.h"
#include "analysis/YearOverview.h"
#include "app/Report.h"
#include "archive/DateTime.h"
#include "calendar/DayDivision.h"
#include "listing/Engine.h"

#include "ArchiveFixture.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using kwtest::DemoArchiveInto;
using kwtest::SetKey;

// kwatrix-report's arguments after --dir; its standard output.
std::string Report(const std::string& dir, std::vector<std::string> args, int status = 0);

// Every month of the year as the calendar has it, of the block listed and
// worth what its listing says, whatever the archive does to it.
TEST(YearOverview, MonthsAreWholeCalendarMonthsOfTheBlock)
{
    using Json = nlohmann::json;
    const struct Case {
        const char* name;
        std::function<void(const std::string& dir)> mutate;
        const char* year;
        int status;
        const char* month; // the month that differs from the untouched archive
        const char* state;
    } cases[] = {
        {"untouched", nullptr, "2024", 0, "", ""},
        // One byte of the header: the month is named, never left out.
        {"damaged header",
         [](const std::string& dir) {
             std::fstream f(dir + "EL_24_02.DAT", std::ios::in | std::ios::out | std::ios::binary);
             f.seekp(1);
             f.put('X');
         },
         "2024", 1, "2024-02", "unreadable"},
        // The older description's block lost its title: no other block's values.
        {"block not found after a switch",
         [](const std::string& dir) {
             SetKey(dir + "D0L_11_2.INI", "ACTIVE", "POPIS=Elektrina - hlavni elektromer");
         },
         "2023", 1, "2023-12", "unreadable"},
        // The energy follows ZOBRAZ, not the unit's text.
        {"energy unit on a mean power",
         [](const std::string& dir) { SetKey(dir + "D0LARCH.INI", "ACTIVE", "JEDN=kWh"); }, "2024",
         0, "", ""},
        // A calendar month whatever the listing's day start.
        {"day from 06:00",
         [](const std::string& dir) {
             kw::DayDivision division;
             ASSERT_EQ(division.LoadDayDivision(dir), 0);
             division.SetDayStartOffset(6 * 3600);
             ASSERT_EQ(division.SaveDayDivision(dir), 0);
         },
         "2024", 0, "", ""},
    };
    std::map<std::string, Json> untouched;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        kwtest::TempDir dir;
        DemoArchiveInto(dir.path());
        if (c.mutate)
            c.mutate(dir.path());
        const Json year =
            Json::parse(Report(dir.path(), {"--year", c.year, "--format", "json"}, c.status));
        EXPECT_EQ(year["unit"], "kW");
        ASSERT_EQ(year["months"].size(), 12u);
        for (const Json& m : year["months"]) {
            const std::string key = m["month"];
            if (!c.mutate) {
                untouched[key] = m;
            } else if (key == c.month) {
                EXPECT_EQ(m["state"], c.state);
                EXPECT_EQ(m["count"], 0);
                EXPECT_FALSE(m["reason"].is_null());
            } else if (untouched.count(key)) {
                EXPECT_EQ(m, untouched[key]) << key;
            }
        }
        // Read straight from the file, a month holds what its whole-month
        // listing from midnight takes, day by day and value by value.
        kw::ListingSettings settings;
        kw::QuietListing quiet(dir.path(), 0, settings, 0);
        for (int month = 1; month <= 12; ++month) {
            const kw::Series fast = quiet.CalendarMonthSeries(std::stoi(c.year), month, 1);
            const kw::Series listed = quiet.WholeMonthSeries(std::stoi(c.year), month, 1);
            ASSERT_EQ(fast.values.size(), listed.values.size()) << month;
            for (std::size_t i = 0; i < fast.values.size(); ++i) {
                const kw::SeriesValue &a = fast.values[i], &b = listed.values[i];
                ASSERT_TRUE(a.stamp == b.stamp && a.stored == b.stored && a.shown == b.shown &&
                            a.day == b.day && a.quarter == b.quarter && a.again == b.again)
                    << month << " " << i;
            }
            ASSERT_EQ(fast.days.size(), listed.days.size()) << month;
            for (std::size_t i = 0; i < fast.days.size(); ++i)
                EXPECT_TRUE(fast.days[i].state == listed.days[i].state &&
                            fast.days[i].result == listed.days[i].result &&
                            fast.days[i].present == listed.days[i].present)
                    << month << " " << i;
            EXPECT_EQ(fast.block.number, listed.block.number);
            EXPECT_EQ(fast.kind, listed.kind);
        }
    }
    EXPECT_EQ(untouched["2024-01"]["count"], 2976);
    EXPECT_EQ(untouched["2024-03"]["expected"], 2976);
    EXPECT_EQ(untouched["2024-04"]["state"], "no_file");

    // A controller clock on summer time: the months of the changes have an
    // hour less and more, with a file or without.
    kwtest::TempDir dir;
    DemoArchiveInto(dir.path());
    std::ofstream(dir.path() + "KWATRIX.INI") << "[Archiv]\r\nLetniCas=1\r\n";
    const Json summer = Json::parse(Report(dir.path(), {"--year", "2024", "--format", "json"}));
    EXPECT_EQ(summer["months"][2]["expected"], 2972);
    EXPECT_EQ(summer["months"][9]["expected"], 2980);
    EXPECT_EQ(summer["months"][9]["state"], "no_file");
}

// The values of a series are compared with a capacity as they were stored,
// and its units follow what the values are.
TEST(YearOverview, SeriesCountsExactValuesInTheUnitsOfWhatTheyAre)
{
    kw::Series series;
    series.kind = kw::SeriesKind::MeanPower;
    for (const float shown : {3.800076f, 3.800076f, 3.9f, 3.0f})
        series.Add(45352, 0, 0, shown / 4, shown);
    EXPECT_EQ(series.countAbove(3.800076), 1);
    EXPECT_EQ(series.countAbove(3.8), 3);
    const struct {
        const char* unit;
        kw::SeriesKind kind;
        const char* valueUnit;
        const char* energyUnit;
    } cases[] = {
        {"kW", kw::SeriesKind::MeanPower, "kW", "kWh"},
        {"kWh", kw::SeriesKind::MeanPower, "kW", "kWh"},
        {"kVAr", kw::SeriesKind::MeanPower, "kVAr", "kVArh"},
        {"m3", kw::SeriesKind::Energy, "m3", "m3"},
        {"kWh", kw::SeriesKind::Energy, "kWh", "kWh"},
        {"kW", kw::SeriesKind::Impulses, "imp", "imp"},
    };
    for (const auto& c : cases) {
        series.block.unit = c.unit;
        series.kind = c.kind;
        EXPECT_EQ(series.valueUnit(), c.valueUnit) << c.unit;
        EXPECT_EQ(series.energyUnit(), c.energyUnit) << c.unit;
    }
    // A clock on summer time: the days of the changes and the offsets of the
    // quarter-hours around them (the end of each, the repeated one twice).
    series.clock = kw::ClockRule::SummerTime;
    const auto at = [](int m, int d, int h, int min) {
        return kw::DateTimeToWholeSeconds(2024, m, d, h, min, 0);
    };
    EXPECT_EQ(series.QuartersOfDay(int64_t(at(3, 31, 0, 0) / 86400)), 92);
    EXPECT_EQ(series.QuartersOfDay(int64_t(at(10, 27, 0, 0) / 86400)), 100);
    EXPECT_EQ(series.QuartersOfDay(int64_t(at(10, 28, 0, 0) / 86400)), 96);
    const struct {
        int64_t stamp;
        bool again;
        int offset;
    } stamps[] = {{at(3, 31, 2, 0), false, 60},   {at(3, 31, 3, 15), false, 120},
                  {at(10, 27, 2, 0), false, 120}, {at(10, 27, 2, 15), false, 120},
                  {at(10, 27, 3, 0), true, 60},   {at(10, 27, 3, 15), false, 60}};
    for (const auto& v : stamps)
        EXPECT_EQ(series.UtcOffsetMinutes({v.stamp, 0, 0, 0, 0, v.again}), v.offset) << v.stamp;
    EXPECT_EQ(series.Instant({at(7, 1, 0, 15)}), "2024-07-01T00:15:00+02:00");
}

// February 2026 of a power block: every quarter-hour at `power` kW (or
// kVAr) but those `special` gives; `days` of it.
kw::MonthSeries February(double power, std::map<int, double> special = {}, int days = 28)
{
    kw::MonthSeries m{2, true, {}};
    m.series.kind = kw::SeriesKind::MeanPower;
    for (int d = 1; d <= days; ++d) {
        const int64_t day = kw::DaysFromCivil(2026, 2, d);
        for (int q = 0; q < 96; ++q) {
            const auto at = special.find(d * 100 + q);
            const float shown = static_cast<float>(at == special.end() ? power : at->second);
            m.series.Add(day, q, kw::DateTimeToWholeSeconds(2026, 2, d, 0, 0, 0) + (q + 1) * 900,
                         shown / 4, shown);
        }
        m.series.EndDay(2026, 2, d, day, 0, "");
    }
    return m;
}

// The worked example of the bill, every item by hand: RK 250 kW, one
// quarter-hour (10.2. 10:00-10:15, a Tuesday) at 287.5 kW, 100 kW otherwise;
// 36 kVAr inductive throughout, 20 kVAr capacitive in one quarter-hour;
// "VT" 06:00-22:00 on working days, "NT" the rest.
TEST(Bill, WorkedExampleAndWhatMakesAMonthIncomplete)
{
    kw::DayDivision division;
    for (int q = 0; q < 96; ++q)
        division.SetGroupQuarterHour(q >= 24 && q < 88 ? 1 : 2, q, true);
    division.SetOutputSumName(1, "VT");
    division.SetOutputSumGroups(1, 0, 1u << 1);
    division.SetOutputSumName(2, "NT");
    division.SetOutputSumGroups(2, 0, 1u << 2);
    division.SetOutputSumGroups(2, 1, 1u << 1 | 1u << 2);
    division.SetOutputSumGroups(2, 2, 1u << 1 | 1u << 2);

    kw::DeviceContract contract;
    contract.activeBlock = 1;
    contract.reactiveBlock = 2;
    contract.capacitiveBlock = 3;
    contract.terms = {{"2026-01-01", 250.0, 280.0}};
    kw::PriceList prices;
    prices.from = "2026-01-01";
    prices.annualCapacityPrice = 155.5;
    prices.monthlyCapacityPrice = 215.3;
    prices.networkPrice = 95;
    prices.tariffPrices = {{"VT", 1200}, {"NT", 800}};
    prices.capacitivePrice = 0.5;
    contract.prices = {prices};

    const auto input = [](int days) {
        kw::BillInput in;
        in.year = 2026;
        in.month = 2;
        in.active = February(100, {{1040, 287.5}}, days);
        in.reactive = February(36);
        in.capacitive = February(0, {{1500, 20}});
        in.reactiveBlock = in.capacitiveBlock = true;
        for (int d = 1; d <= 28; ++d) // 1.2.2026 is a Sunday
            in.dayClass[static_cast<std::size_t>(d)] = (d % 7 == 1) ? 2 : (d % 7 == 0) ? 1 : 0;
        return in;
    };
    const auto zones = kw::TariffZones(division);
    const kw::MonthBill b = kw::ComputeMonthBill(input(28), contract, zones);
    ASSERT_TRUE(b.complete) << b.incomplete.front();
    EXPECT_EQ(b.active.maximum, 287.5);
    EXPECT_EQ(b.active.maximumTime, "2026-02-10T10:15:00+01:00");
    EXPECT_EQ(b.capacityExceedance, 37.5);
    EXPECT_EQ(b.quartersAboveCapacity, 1);
    EXPECT_EQ(b.inputExceedance, 7.5);
    EXPECT_EQ(b.energy, 67246.875); // 2687 x 25 + 71.875 kWh
    ASSERT_EQ(b.zones.size(), 2u);
    EXPECT_EQ(b.zones[0].energy, 32046.875); // 20 working days x 64 quarter-hours
    EXPECT_EQ(b.zones[0].quarters, 1280);
    EXPECT_EQ(b.zones[1].energy, 35200); // their 32 night quarter-hours, and 8 whole days
    EXPECT_EQ(b.tanPhi, 0.359);          // 24192 / 67246.875 = 0.35975
    EXPECT_NEAR(b.cosPhi, 0.9412, 5e-5);
    EXPECT_EQ(b.surchargePercent, 2.26);
    EXPECT_EQ(b.capacitive, 5);
    const std::map<std::string, double> expected = {
        {"rk", 38875.00},                // 250 x 155.5
        {"prekroceni_rk", 12110.63},     // 1.5 x 215.3 x 37.5
        {"prekroceni_prikonu", 6459.00}, // 4 x 215.3 x 7.5
        {"sit", 6388.45},                // 67.246875 MWh x 95
        {"tarif:VT", 38456.25},          // 32.046875 x 1200
        {"tarif:NT", 28160.00},          // 35.2 x 800
        {"ucinik", 1022.95},             // 2.26 % of 38875 + 6388.45
        {"kapacitni", 2.50},             // 5 kvarh x 0.5
        {"celkem", 131474.78}};
    for (const kw::BillItem& item : kw::BillItems(b)) {
        ASSERT_TRUE(item.amount) << item.key;
        EXPECT_DOUBLE_EQ(*item.amount, expected.at(item.key)) << item.key;
    }
    // The invoice beside it: off by more than the tolerance is marked.
    kw::Invoice invoice{"2026-02", {{"rk", 38875}, {"sit", 6500}, {"celkem", 131500}}};
    for (const kw::InvoiceRow& r : kw::CompareInvoice(b, &invoice, 1)) {
        if (r.invoiced) {
            EXPECT_EQ(r.exceeds, r.key == "sit") << r.key;
        }
    }

    const struct {
        const char* name;
        std::function<void(kw::BillInput&, kw::DeviceContract&)> change;
        const char* why;
    } incomplete[] = {
        {"a day missing", [&](kw::BillInput& in, kw::DeviceContract&) { in = input(27); },
         "chybí 96 z 2688"},
        {"an unreadable entry",
         [](kw::BillInput& in, kw::DeviceContract&) {
             in.reactive.series.days[3].result = -3;
             in.reactive.series.days[3].state = kw::DayState::NoRecord;
         },
         "nelze přečíst"},
        {"no reactive block",
         [](kw::BillInput& in, kw::DeviceContract&) { in.reactiveBlock = false; }, "jalový"},
        {"a quarter-hour in no zone",
         [](kw::BillInput&, kw::DeviceContract& c) { c.prices[0].tariffPrices.erase("NT"); },
         "žádného oceněného tarifu"},
    };
    for (const auto& c : incomplete) {
        kw::BillInput in = input(28);
        kw::DeviceContract changed = contract;
        c.change(in, changed);
        const kw::MonthBill m = kw::ComputeMonthBill(in, changed, kw::TariffZones(division));
        EXPECT_FALSE(m.complete) << c.name;
        EXPECT_FALSE(m.total) << c.name;
        ASSERT_FALSE(m.incomplete.empty()) << c.name;
        EXPECT_NE(m.incomplete.front().find(c.why), std::string::npos) << m.incomplete.front();
    }
}

// Invoices from a spreadsheet: a row a month, Czech or plain numbers; a
// file that would not read back as a contract is refused with its line.
TEST(Bill, InvoiceCsv)
{
    std::vector<kw::Invoice> invoices;
    std::string error;
    ASSERT_TRUE(kw::ParseInvoiceCsv("\xEF\xBB\xBFmonth;rk;tarif:VT\r\n2026-01;38 875,50;\r\n"
                                    "2026-02;1;2,5\r\n",
                                    invoices, error))
        << error;
    ASSERT_EQ(invoices.size(), 2u);
    EXPECT_EQ(invoices[0].items, (std::map<std::string, double>{{"rk", 38875.5}}));
    EXPECT_EQ(invoices[1].items.at("tarif:VT"), 2.5);
    for (const char* bad : {"month,rk\n2026-01,1\n2026-01,2\n", "month,rk\n0926-01,1\n",
                            "month,vt\n2026-01,1\n", "month;rk\n2026-01;-5\n"}) {
        EXPECT_FALSE(kw::ParseInvoiceCsv(bad, invoices, error)) << bad;
        EXPECT_EQ(error.rfind("řádek ", 0), 0u) << error;
    }
}

// Booking the capacity: the annual RK only rises within the year, each
// month's own booking covers the rest, a small exceedance is paid instead.
TEST(Bill, CheapestCapacityPlan)
{
    kw::PriceList p;
    p.annualCapacityPrice = 100;
    p.monthlyCapacityPrice = 150;
    std::array<const kw::PriceList*, 12> prices;
    prices.fill(&p);
    // Ten months at 200 kW and two at 260: booking 60 kW for two months
    // (18,000) beats 60 kW more all year (72,000).
    std::array<double, 12> maxima;
    maxima.fill(200);
    maxima[6] = maxima[7] = 260;
    kw::CapacityPlan plan = kw::BestCapacityPlan(maxima, prices);
    EXPECT_EQ(plan.annual[0], 200);
    EXPECT_EQ(plan.monthly[6], 60);
    EXPECT_EQ(plan.cost, 12 * 200 * 100 + 2 * 60 * 150);
    // A step that lasts: the annual RK is raised, never lowered again.
    maxima.fill(200);
    for (int m = 4; m < 12; ++m)
        maxima[static_cast<std::size_t>(m)] = 300;
    plan = kw::BestCapacityPlan(maxima, prices);
    EXPECT_EQ(plan.annual[3], 200);
    EXPECT_EQ(plan.annual[4], 300);
    EXPECT_EQ(plan.annual[11], 300);
    EXPECT_EQ(plan.cost, 4 * 200 * 100 + 8 * 300 * 100);
    // 0.4 kW over: a 1.5 x penalty (90) is cheaper than a whole kW booked (150).
    maxima.fill(200);
    maxima[0] = 200.4;
    plan = kw::BestCapacityPlan(maxima, prices);
    EXPECT_EQ(plan.monthly[0], 0);
    EXPECT_DOUBLE_EQ(plan.over[0], 200.4 - 200);
}

std::string Report(const std::string& dir, std::vector<std::string> args, int status)
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
    EXPECT_EQ(keys, (std::vector<std::string>{"device", "block", "block_name", "unit",
                                              "energy_unit", "year", "capacity", "months"}));
    EXPECT_EQ(year["capacity"], std::stod(capacity));
    EXPECT_EQ(year["block"], 2);
    EXPECT_EQ(year["unit"], "kVAr");
    EXPECT_EQ(year["energy_unit"], "kVArh");
    EXPECT_EQ(year["year"], 2024);
    ASSERT_EQ(year["months"].size(), 12u);

    const std::vector<std::string> csv = [&] {
        std::vector<std::string> lines;
        std::istringstream in(Report(dir.path(), {"--year", "2024", "--block", "2", "--format",
                                                  "csv", "--csv-excel", "--capacity", capacity}));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }();
    ASSERT_EQ(csv.size(), 13u);
    EXPECT_EQ(csv[0], "\xEF\xBB\xBFMěsíc;Stav;Čtvrthodin;Z možných;Energie [kVArh];Průměr [kVAr];"
                      "Maximum [kVAr];Konec čtvrthodiny maxima;Rezervovaná kapacita [kVAr];"
                      "Nad kapacitou;Důvod\r");

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
            if (day["max"].is_null()) // a day not yet archived
                continue;
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
        const std::string& row = csv[static_cast<std::size_t>(month)];
        std::istringstream fields(row);
        std::vector<std::string> f;
        for (std::string field; std::getline(fields, field, ';');) {
            if (f.size() != 7) {
                EXPECT_EQ(field.find('.'), std::string::npos) << row;
                std::replace(field.begin(), field.end(), ',', '.');
            }
            f.push_back(field);
        }
        ASSERT_EQ(f.size(), 11u) << row;
        EXPECT_EQ(f[10], "\r"); // no reason
        EXPECT_EQ(f[0], key);
        EXPECT_EQ(std::stoi(f[2]), count);
        EXPECT_EQ(std::stod(f[6]), top);
        // The date-time as a Czech spreadsheet reads it.
        EXPECT_EQ(f[7], topTime.substr(8, 2) + "." + topTime.substr(5, 2) + "." +
                            topTime.substr(0, 4) + " " + topTime.substr(11, 5));
        EXPECT_EQ(f[9], std::to_string(over));
    }
    EXPECT_GT(overSome, 0);
}

const char kContract[] = "[Zarizeni 0]\nCinnyBlok = 1\nJalovyBlok = 2\n"
                         "[Zarizeni 0 Smlouva 2023-06-01]\nRocniRK = 250\n"
                         "[Zarizeni 0 Cenik 2024-01-01]\nCenaRocniRK = 155.5\n";

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
    EXPECT_NE(csv.find("\n2024-01,data,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n2024-02,unreadable,0,2784,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n2024-03,data,"), std::string::npos) << csv;
    // The bill of that year names it too.
    std::ofstream(dir.path() + "KWATRIX-SMLOUVA.INI") << kContract;
    std::ostringstream billOut, billErr;
    EXPECT_EQ(kw::RunReport({"--dir", dir.path(), "--bill", "2024"}, dir.path(), billOut, billErr),
              1);
    EXPECT_NE(billErr.str().find("\n2024-02: "), std::string::npos) << billErr.str();
}

// The bill of the demo year rests on the same months as the year overview;
// a contract that does not do is named, and refused.
TEST(ReportYear, BillAgreesWithTheOverviewAndNamesABadContract)
{
    using Json = nlohmann::json;
    kwtest::TempDir dir;
    DemoArchiveInto(dir.path());
    const std::string file = dir.path() + "KWATRIX-SMLOUVA.INI";
    std::ofstream(file) << kContract;
    const Json year = Json::parse(Report(dir.path(), {"--year", "2024", "--format", "json"}));
    const Json bill = Json::parse(Report(dir.path(), {"--bill", "2024", "--format", "json"}));
    ASSERT_EQ(bill["months"].size(), 12u);
    for (std::size_t m = 0; m < 12; ++m) {
        EXPECT_EQ(bill["months"][m]["max"], year["months"][m]["max"]) << m;
        EXPECT_EQ(bill["months"][m]["energy"], year["months"][m]["energy"]) << m;
        EXPECT_EQ(bill["months"][m]["count"], year["months"][m]["count"]) << m;
    }
    EXPECT_TRUE(bill["months"][0]["complete"]);
    EXPECT_FALSE(bill["months"][2]["complete"]); // written up to the 20th
    EXPECT_EQ(bill["months"][0]["items"]["rk"], 38875);

    const struct {
        const char* text;
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {"[Zarizeni 0]\nCinnyBlok = 1\nRocniRK = 250\n", {"--bill", "2024"}, "řádek 3"},
        {"[Zarizeni 0]\nCinnyBlok = 1\n[Zarizeni 0 Smlouva 2024-01-01]\nRocniRK = x\n",
         {"--bill", "2024-02"},
         "řádek 4 [Zarizeni 0 Smlouva 2024-01-01]: RocniRK"},
        {kContract, {"--bill", "2023-12"}, "[Zarizeni 0 Cenik"},
        {"[Zarizeni 1]\nCinnyBlok = 1\n", {"--bill", "2024"}, "[Zarizeni 0]"},
        {kContract, {"--advise-capacity", "2024-01"}, "--advise-capacity"},
    };
    for (const auto& c : cases) {
        std::ofstream(file, std::ios::trunc) << c.text;
        std::vector<std::string> args = {"--dir", dir.path()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::ostringstream out, err;
        EXPECT_EQ(kw::RunReport(args, dir.path(), out, err), 2) << c.message;
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    }
    // A damaged file is kept whole at the next save, never written over.
    kw::ContractFile contract;
    EXPECT_EQ(contract.Load(dir.path()), 0);
    std::ofstream(file, std::ios::trunc) << "[Zarizeni 0]\nCinnyBlok = jedna\n";
    EXPECT_EQ(contract.Save(dir.path()), kw::ContractFile::ChangedOnDisk);
    EXPECT_EQ(contract.Load(dir.path()), kw::ContractFile::BadContent);
    contract.contracts.forDevice(0).activeBlock = 1;
    ASSERT_EQ(contract.Save(dir.path()), 0) << contract.LastErrorText;
    std::ifstream kept(contract.KeptCopyPath);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}),
              "[Zarizeni 0]\nCinnyBlok = jedna\n");
    EXPECT_EQ(contract.Load(dir.path()), 0);
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
        // A workbook goes to a file only, and a file only takes a workbook.
        {{"--year", "2024", "--format", "xlsx"}, "--output"},
        {{"--month", "2024-01", "--whole-month", "--output", "x.csv"}, "--output"},
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
