// The year overview's core: the series of the twelve calendar months of a
// year of month files on an engine of their own and their summary, as the
// window makes them at a click; one month's series; and the summary alone,
// as a new capacity recounts it.
#include "BenchSupport.h"
#include "analysis/Bill.h"
#include "analysis/QuietListing.h"
#include "analysis/YearOverview.h"
#include "archive/AtomicFile.h"
#include "calendar/DayDivision.h"
#include "export/Xlsx.h"
#include "tools/DemoArchive.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Device 0 with every month of 2024; January and February were written by
// the older controller program, so the year's listings switch descriptions
// as a real archive's do.
const std::string& YearDirectory()
{
    static const std::string dir = [] {
        kw::demo::DemoOptions options;
        options.devices = {0};
        options.lastDay = {2024, 12, 31};
        options.months = 12;
        return kwbench::DemoArchiveDirectory("kwatrix-bench-year", options);
    }();
    return dir;
}

kw::YearOverviewFacts Facts()
{
    kw::YearOverviewFacts facts;
    facts.block = 1;
    facts.year = 2024;
    facts.unit = "kW";
    facts.capacity = 200;
    return facts;
}

// What a click costs the core: a quiet listing made with the settings of
// the moment, the months with files, twelve whole-month listings, the rows.
void BM_YearOverview(benchmark::State& state)
{
    const std::string& dir = YearDirectory();
    kw::ListingSettings settings;
    std::size_t months = 0, bars = 0;
    for (auto _ : state) {
        kw::QuietListing quiet(dir, 0, settings, 0);
        const std::vector<kw::MonthSeries> listed = kw::ListYear(quiet, 2024, 1);
        const kw::YearOverview overview = kw::SummariseYear(listed, Facts());
        months = static_cast<std::size_t>(kw::MonthsWithData(overview));
        bars = 0;
        for (const kw::MonthSeries& m : listed)
            bars += m.series.values.size();
        benchmark::DoNotOptimize(overview.months.data());
    }
    state.counters["months"] = static_cast<double>(months);
    state.counters["bars"] = static_cast<double>(bars);
    if (months != 12)
        state.SkipWithError("the year was not listed");
}
BENCHMARK(BM_YearOverview)->Unit(benchmark::kMillisecond);

// The contract of the bill check: RK, a price list with the two tariff
// zones of a day division, the reactive block beside the active one.
kw::DeviceContract BenchContract()
{
    kw::DeviceContract c;
    c.activeBlock = 1;
    c.reactiveBlock = 2;
    c.terms = {{"2024-01-01", 200.0, 300.0}};
    kw::PriceList p;
    p.from = "2024-01-01";
    p.annualCapacityPrice = 155.5;
    p.monthlyCapacityPrice = 215.3;
    p.networkPrice = 95;
    p.tariffPrices = {{"VT", 1200}, {"NT", 800}};
    c.prices = {p};
    return c;
}

kw::DayDivision BenchDivision()
{
    kw::DayDivision d;
    for (int q = 0; q < 96; ++q)
        d.SetGroupQuarterHour(q >= 24 && q < 88 ? 1 : 2, q, true);
    d.SetOutputSumName(1, "VT");
    d.SetOutputSumGroups(1, 0, 1u << 1);
    d.SetOutputSumName(2, "NT");
    d.SetOutputSumGroups(2, 0, 1u << 2);
    d.SetOutputSumGroups(2, 1, 6);
    d.SetOutputSumGroups(2, 2, 6);
    return d;
}

// "Kontrola vyúčtování" of a year: both blocks of twelve calendar months
// read, the day classes, every month's bill.
void BM_YearBill(benchmark::State& state)
{
    const kw::DeviceContract contract = BenchContract();
    const kw::DayDivision division = BenchDivision();
    kw::ListingSettings settings;
    std::size_t totals = 0;
    for (auto _ : state) {
        kw::QuietListing quiet(YearDirectory(), 0, settings, 0);
        const kw::YearBill bill = kw::ListBills(quiet, contract, division, 2024, 0);
        totals = 0;
        for (const kw::MonthBill& m : bill.months)
            totals += m.total ? 1 : 0;
        benchmark::DoNotOptimize(bill.months.data());
    }
    state.counters["priced_months"] = static_cast<double>(totals);
    if (totals != 12)
        state.SkipWithError("the year was not priced whole");
}
BENCHMARK(BM_YearBill)->Unit(benchmark::kMillisecond);

// The capacity advice from a year's bills: the ten highest quarter-hours
// and the cheapest booking for this year and the next.
void BM_CapacityAdvice(benchmark::State& state)
{
    const kw::DeviceContract contract = BenchContract();
    kw::ListingSettings settings;
    kw::QuietListing quiet(YearDirectory(), 0, settings, 0);
    const kw::YearBill bill = kw::ListBills(quiet, contract, BenchDivision(), 2024, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(kw::AdviseCapacity(bill, contract).best.cost);
}
BENCHMARK(BM_CapacityAdvice)->Unit(benchmark::kMillisecond);

// One calendar month's series straight from its file, on a quiet listing
// made once: what each month of the overview costs.
void BM_CalendarMonthSeries(benchmark::State& state)
{
    kw::ListingSettings settings;
    kw::QuietListing quiet(YearDirectory(), 0, settings, 0);
    std::size_t values = 0;
    for (auto _ : state) {
        const kw::Series series = quiet.CalendarMonthSeries(2024, 3, 1);
        values = series.values.size();
        benchmark::DoNotOptimize(series.values.data());
    }
    state.counters["values"] = static_cast<double>(values);
    if (values != 31 * 96)
        state.SkipWithError("the month was not read whole");
}
BENCHMARK(BM_CalendarMonthSeries)->Unit(benchmark::kMillisecond);

// The rows again from the listed bars: a capacity typed into the window.
void BM_YearOverviewSummarise(benchmark::State& state)
{
    kw::ListingSettings settings;
    kw::QuietListing quiet(YearDirectory(), 0, settings, 0);
    const std::vector<kw::MonthSeries> listed = kw::ListYear(quiet, 2024, 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(kw::SummariseYear(listed, Facts()).months.data());
    if (listed.size() != 12)
        state.SkipWithError("the year was not listed");
}
BENCHMARK(BM_YearOverviewSummarise)->Unit(benchmark::kMicrosecond);

// "Exportovat do Excelu…" of a year: the workbook (the overview with its two
// charts, twelve sheets of quarter-hour values, the parameters) built and
// saved with libxlsxwriter, from the series of the year listed once.
void BM_YearWorkbook(benchmark::State& state)
{
    kw::ListingSettings settings;
    kw::QuietListing quiet(YearDirectory(), 0, settings, 0);
    const std::vector<kw::MonthSeries> listed = kw::ListYear(quiet, 2024, 1);
    const kw::YearOverview overview = kw::SummariseYear(listed, Facts());
    const std::string path = kwbench::TemporaryDirectory("kwatrix-bench-xlsx") + "rok.xlsx";
    for (auto _ : state) {
        std::string bytes, reason;
        if (!kw::XlsxBytes(kw::YearWorkbook(overview, listed, {}), bytes, &reason) ||
            !kw::SaveFile(path, bytes, &reason))
            state.SkipWithError(reason.c_str());
    }
    state.counters["sheets"] = 14;
}
BENCHMARK(BM_YearWorkbook)->Unit(benchmark::kMillisecond);

} // namespace
