// Start-up and listing work on a large program directory: ten years of month
// files of sixteen devices (about 2,000 files), and a month file whose 32
// entries are all 8192 bytes long.
#include "BenchSupport.h"
#include "archive/Devices.h"
#include "archive/FileLookup.h"
#include "listing/Engine.h"
#include "tools/DemoArchive.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace demo = kw::demo;

using kwbench::LargeArchive;

void BM_LargeFillDeviceList(benchmark::State& state)
{
    const std::string& dir = LargeArchive();
    for (auto _ : state) {
        const kw::DeviceList list = kw::FillDeviceList(dir, 0);
        if (list.devices.size() != 16)
            state.SkipWithError("not every device found");
        benchmark::DoNotOptimize(list);
    }
}
BENCHMARK(BM_LargeFillDeviceList)->Unit(benchmark::kMillisecond);

void BM_LargeLoadArchiveDescription(benchmark::State& state)
{
    const std::string& dir = LargeArchive();
    kw::Log log;
    kw::IniLayer ini;
    kw::ArchiveDescription desc(ini, log);
    for (auto _ : state) {
        desc.LoadArchiveDescription(dir, 5);
        benchmark::DoNotOptimize(desc.BlockCount);
    }
    if (!desc.ArchiveLoaded)
        state.SkipWithError("description not loaded");
}
BENCHMARK(BM_LargeLoadArchiveDescription)->Unit(benchmark::kMicrosecond);

// The core of the period tree: one reading of the directory, then for each of
// the 100 years the question for the year and one for each month.
int PeriodTreeQuestions(const std::string& dir, const kw::DayArchive& archive)
{
    const kw::DirectoryListing listing(dir);
    int months = 0;
    for (int32_t year = 1980; year <= 2079; ++year) {
        if (!listing.anyMatch(archive.MonthFileName(year, 0)))
            continue;
        for (int32_t month = 1; month <= 12; ++month)
            months += listing.anyMatch(archive.MonthFileName(year, month));
    }
    return months;
}

void BM_LargePeriodTree(benchmark::State& state)
{
    const std::string& dir = LargeArchive();
    kwbench::NoQuestions ui;
    kw::Engine engine(ui);
    engine.setProgramPath(dir);
    engine.Location.DeviceNo = 7;
    for (auto _ : state) {
        const int months = PeriodTreeQuestions(dir, engine.archive);
        if (months != 120)
            state.SkipWithError("wrong number of months");
        benchmark::DoNotOptimize(months);
    }
}
BENCHMARK(BM_LargePeriodTree)->Unit(benchmark::kMillisecond);

// What the program does in the core from its start to a shown main window:
// the device list, the description, the day division, the calendar month and
// the period tree.
void BM_LargeStartupCore(benchmark::State& state)
{
    const std::string& dir = LargeArchive();
    for (auto _ : state) {
        kwbench::NoQuestions ui;
        kw::Engine engine(ui);
        engine.log.setSink([](const std::string&, bool) {});
        engine.setProgramPath(dir);
        engine.LogProgramPath();
        engine.Location.DeviceNo = kw::FillDeviceList(dir, 0).deviceNo;
        engine.description.LoadArchiveDescription(dir, engine.Location.DeviceNo);
        engine.division.StartDayDivision(dir, engine.log);
        engine.calendar.LoadCalendarMonth(2024, 3, "");
        engine.listing.ListingYear = 2024;
        engine.listing.ListingMonth = 3;
        engine.listing.SelectBlock();
        benchmark::DoNotOptimize(PeriodTreeQuestions(dir, engine.archive));
    }
}
BENCHMARK(BM_LargeStartupCore)->Unit(benchmark::kMillisecond);

// A whole-month listing of one device among the 2,000 files.
void BM_LargeWholeMonthListing(benchmark::State& state)
{
    const std::string& dir = LargeArchive();
    kwbench::NoQuestions ui;
    kw::Engine engine(ui);
    kw::CountingOutputTarget out;
    engine.output.setTarget(&out);
    engine.log.setSink([](const std::string&, bool) {});
    engine.setProgramPath(dir);
    engine.Location.DeviceNo = 3;
    engine.description.LoadArchiveDescription(dir, 3);
    engine.division.StartDayDivision(dir, engine.log);
    engine.listing.ListingYear = 2023;
    engine.listing.ListingMonth = 7;
    engine.listing.SelectBlock();
    for (auto _ : state)
        engine.listing.MonthAction(32);
    if (out.lines() < 31)
        state.SkipWithError("the month was not listed");
}
BENCHMARK(BM_LargeWholeMonthListing)->Unit(benchmark::kMillisecond);

// A month whose 32 entries all hold 8192 bytes: the largest day record a
// month file can carry, with the controller's largest ring.
const std::string& FullMonthDirectory()
{
    static const std::string dir = [] {
        const std::string d = kwbench::TemporaryDirectory("kwatrix-bench-full");
        demo::DemoOptions options;
        options.devices = {0};
        options.lastDay = {2024, 4, 2};
        options.months = 2;
        options.olderMonths = 0;
        options.ringSize = 580;
        std::vector<demo::DemoFile> files;
        if (!demo::BuildDemoArchive(options, files))
            std::abort();
        demo::MonthImage image = demo::BuildMonthImage(options, 0, 2024, 3);
        for (demo::MonthEntry& e : image.entries) {
            if (!e.present || e.data.size() > 8192)
                std::abort();
            e.data.resize(8192, '\0');
        }
        for (demo::DemoFile& f : files)
            if (f.name == demo::MonthFileName(0, 2024, 3))
                f.bytes = demo::SerializeMonthFile(image);
        if (!demo::WriteDemoFiles(d, files))
            std::abort();
        return d;
    }();
    return dir;
}

// Display modes 0..4 list the whole month; 5 stands for the raw listing of
// every one of the 32 entries.
void BM_FullMonthFile(benchmark::State& state)
{
    const std::string& dir = FullMonthDirectory();
    kwbench::NoQuestions ui;
    kw::Engine engine(ui);
    kw::CountingOutputTarget out;
    engine.output.setTarget(&out);
    engine.log.setSink([](const std::string&, bool) {});
    engine.setProgramPath(dir);
    engine.Location.DeviceNo = 0;
    engine.description.LoadArchiveDescription(dir, 0);
    engine.division.StartDayDivision(dir, engine.log);
    engine.listing.ListingYear = 2024;
    engine.listing.ListingMonth = 3;
    engine.listing.SelectBlock();
    const auto mode = static_cast<int32_t>(state.range(0));
    engine.settings.DisplayMode = mode <= 4 ? mode : 0;
    for (auto _ : state) {
        if (mode <= 4) {
            engine.listing.MonthAction(32);
        } else {
            for (int32_t entry = 1; entry <= 32; ++entry)
                engine.listing.ArchivedDayAction(entry);
        }
    }
    state.counters["lines"] =
        benchmark::Counter(static_cast<double>(out.lines()), benchmark::Counter::kAvgIterations);
    if (out.lines() == 0)
        state.SkipWithError("nothing listed");
}
BENCHMARK(BM_FullMonthFile)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

} // namespace
