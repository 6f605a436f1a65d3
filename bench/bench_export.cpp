// The exports of a year of quarter-hours: 35,040 bars to CSV (both styles)
// and to JSON, from bars as a listing of a whole year leaves them, each
// through the writer of its format.
#include "export/Formats.h"
#include "export/ListingJson.h"
#include "graph/Graph.h"
#include "graph/Series.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

// 1 January 2024 00:15 onwards, one bar each quarter-hour, values like a meter's.
std::vector<kw::GraphBar> YearOfBars()
{
    std::vector<kw::GraphBar> bars;
    const double first = 45292.0 + 1.0 / 96;
    for (int i = 0; i < 35040; ++i)
        bars.push_back({first + i / 96.0, 150 + 90 * std::sin(i / 15.0) + (i % 7) * 0.35, ""});
    return bars;
}

// The year of bars as the listing's series holds it.
kw::Series YearSeries()
{
    const std::vector<kw::GraphBar> bars = YearOfBars();
    kw::Series series;
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const auto y = static_cast<float>(bars[i].y);
        const auto day = static_cast<int64_t>(bars[i].x - 1.0 / 192);
        series.Add(day, static_cast<int32_t>(i % 96), bars[i].x * 86400, y / 4, y);
        if (i % 96 == 95)
            series.EndDay(2024, 1, 1, day, 0, "");
    }
    return series;
}

void BM_ExportCsvYear(benchmark::State& state)
{
    const kw::Series series = YearSeries();
    const kw::ExportFormat& format = *kw::FindExportFormat(state.range(0) ? "excel-csv" : "csv");
    const kw::ExportSource source = kw::ListingExportSource(series, {}, "/demo/", "MĚSÍC");
    std::string bytes;
    std::string reason;
    for (auto _ : state) {
        format.write(source, bytes, reason);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(series.values.size()));
}
BENCHMARK(BM_ExportCsvYear)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ExportJsonYear(benchmark::State& state)
{
    const kw::Series series = YearSeries();
    kw::ListingFacts facts;
    facts.blockName = "Činná energie";
    facts.unit = "kW";
    facts.command = "MĚSÍC";
    for (auto _ : state)
        benchmark::DoNotOptimize(kw::ListingJson(series, facts));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(series.values.size()));
}
BENCHMARK(BM_ExportJsonYear)->Unit(benchmark::kMillisecond);

} // namespace
