// Start-up work that grows with the archive: the device probe over the
// program directory and the load of an archive description.
#include "BenchSupport.h"
#include "archive/ArchiveDescription.h"
#include "archive/Devices.h"
#include "archive/Ini.h"
#include "output/Log.h"
#include "tools/DemoArchive.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const std::string& DemoDirectory()
{
    static const std::string dir = [] {
        kw::demo::DemoOptions options;
        options.lastDay = {2024, 3, 10};
        return kwbench::DemoArchiveDirectory("kwatrix-bench", options);
    }();
    return dir;
}

void BM_FillDeviceList(benchmark::State& state)
{
    const std::string dir = DemoDirectory();
    for (auto _ : state)
        benchmark::DoNotOptimize(kw::FillDeviceList(dir, 0));
}
BENCHMARK(BM_FillDeviceList)->Unit(benchmark::kMicrosecond);

void BM_LoadArchiveDescription(benchmark::State& state)
{
    const std::string dir = DemoDirectory();
    kw::Log log;
    kw::IniLayer ini;
    kw::ArchiveDescription desc(ini, log);
    for (auto _ : state) {
        desc.LoadArchiveDescription(dir, 0);
        benchmark::DoNotOptimize(desc.BlockCount);
    }
}
BENCHMARK(BM_LoadArchiveDescription)->Unit(benchmark::kMicrosecond);

} // namespace
