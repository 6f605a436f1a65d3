// The month listing from files on disk: time, heap allocations per listing and
// whether memory grows from one listing to the next. The global operator new
// below counts every allocation of this benchmark program.
#include "BenchSupport.h"
#include "listing/Engine.h"
#include "tools/DemoArchive.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <new>
#include <string>
#include <vector>

namespace {

std::atomic<long long> g_allocations{0};
std::atomic<long long> g_liveBytes{0};

void* CountedAlloc(std::size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    g_liveBytes.fetch_add(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
    return p;
}

void CountedFree(void* p)
{
    if (!p)
        return;
    g_liveBytes.fetch_sub(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
    std::free(p);
}

} // namespace

void* operator new(std::size_t size)
{
    return CountedAlloc(size);
}
void* operator new[](std::size_t size)
{
    return CountedAlloc(size);
}
void operator delete(void* p) noexcept
{
    CountedFree(p);
}
void operator delete[](void* p) noexcept
{
    CountedFree(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    CountedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    CountedFree(p);
}

namespace {

// The demo archive of device 0 with March 2024 complete (31 days).
const std::string& MonthDirectory()
{
    static const std::string dir = [] {
        kw::demo::DemoOptions options;
        options.devices = {0};
        options.lastDay = {2024, 4, 5};
        options.months = 3;
        options.olderMonths = 0;
        return kwbench::DemoArchiveDirectory("kwatrix-bench-listing", options);
    }();
    return dir;
}

// The whole of March 2024 listed by the listing driver, as the "MĚSÍC"
// command of the main window lists it.
void BM_RunListingWholeMonth(benchmark::State& state)
{
    const std::string& dir = MonthDirectory();
    kwbench::NoQuestions ui;
    kw::Engine engine(ui);
    kw::CountingOutputTarget out;
    engine.setProgramPath(dir);
    engine.output.setTarget(&out);
    engine.log.setSink([](const std::string&, bool) {});
    engine.Location.DeviceNo = 0;
    engine.description.LoadArchiveDescription(dir, 0);
    engine.division.StartDayDivision(dir, engine.log);
    engine.listing.ListingYear = 2024;
    engine.listing.ListingMonth = 3;
    engine.listing.SelectBlock();
    engine.settings.DisplayMode = static_cast<int32_t>(state.range(0));

    // One listing first, so that what the first one keeps (the graph's
    // storage, the INI layer's parsed files) is not counted as growth.
    engine.listing.MonthAction(32);
    const std::size_t lines = out.lines();
    const long long liveBefore = g_liveBytes.load();
    const long long allocationsBefore = g_allocations.load();
    for (auto _ : state) {
        engine.listing.MonthAction(32);
        benchmark::DoNotOptimize(out.lines());
    }
    // Both read before the counters map allocates its entries.
    const long long allocations = g_allocations.load() - allocationsBefore;
    const long long growth = g_liveBytes.load() - liveBefore;
    const double listings = static_cast<double>(state.iterations());
    state.counters["allocs_per_listing"] = static_cast<double>(allocations) / listings;
    state.counters["live_bytes_growth_per_listing"] = static_cast<double>(growth) / listings;
    state.counters["lines_per_listing"] = static_cast<double>(lines);
    if (lines < 31)
        state.SkipWithError("the month was not listed");
    else if (growth > 0)
        state.SkipWithError("memory grows from listing to listing");
}
BENCHMARK(BM_RunListingWholeMonth)
    ->Arg(0)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("max", [](const std::vector<double>& v) {
        return *std::max_element(v.begin(), v.end());
    });

} // namespace
