// The store of many sites: the sync of the large archive into SQLite and
// PostgreSQL, a second sync of the unchanged folder, and the year overview of
// sixteen sites read back. PostgreSQL runs when KWATRIX_BENCH_PG holds the
// URL of a server (tests/store/pg-server.sh starts one); its schema is made
// and dropped here.
#include "BenchSupport.h"
#include "store/StoreDb.h"
#include "store/StoreRead.h"
#include "store/Sync.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// A new, empty store of the kind: an SQLite file, or a schema on the server.
std::string FreshStore(int kind, const char* name)
{
    static int count = 0;
    if (kind == 0)
        return "sqlite:" + kwbench::TemporaryDirectory(name) + "store.sqlite";
    const char* base = std::getenv("KWATRIX_BENCH_PG");
    const std::string schema = "kwb_" + std::to_string(::getpid()) + "_" + std::to_string(++count);
    struct Dropper {
        std::vector<std::string> schemas;
        ~Dropper()
        {
            for (const std::string& s : schemas)
                try {
                    kw::OpenStore(std::getenv("KWATRIX_BENCH_PG"))
                        ->Exec("DROP SCHEMA " + s + " CASCADE");
                } catch (const kw::StoreError&) {
                }
        }
    };
    static Dropper dropper;
    kw::OpenStore(base)->Exec("CREATE SCHEMA " + schema);
    dropper.schemas.push_back(schema);
    return std::string(base) + "&options=-csearch_path%3D" + schema;
}

bool Skip(benchmark::State& state, int kind)
{
    if (kind == 1 && !std::getenv("KWATRIX_BENCH_PG")) {
        state.SkipWithError("KWATRIX_BENCH_PG names no PostgreSQL server");
        return true;
    }
    return false;
}

// The first sync of the 1,939 files into an empty store; then a second one
// of the unchanged folder, which reads no file.
void BM_SyncLargeArchive(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    const bool second = state.range(1) != 0;
    if (Skip(state, kind))
        return;
    const std::string& dir = kwbench::LargeArchive();
    std::string url = FreshStore(kind, "kwatrix-bench-store");
    if (second)
        kw::SyncArchive(*kw::OpenStore(url), dir, "large");
    int64_t rows = 0;
    for (auto _ : state) {
        if (!second) {
            state.PauseTiming();
            url = FreshStore(kind, "kwatrix-bench-store");
            state.ResumeTiming();
        }
        const auto db = kw::OpenStore(url);
        const kw::SyncResult r = kw::SyncArchive(*db, dir, "large");
        if (second && r.read != 0)
            state.SkipWithError("the second sync read files");
        rows = r.rows;
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_SyncLargeArchive)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"postgres", "second"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// Sixteen sites of a year and a quarter each, one device; the year overview
// of every site and month.
void BM_SitesYear(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    if (Skip(state, kind))
        return;
    const std::string url = FreshStore(kind, "kwatrix-bench-sites");
    {
        const auto db = kw::OpenStore(url);
        for (int site = 0; site < 16; ++site) {
            kw::demo::DemoOptions options;
            options.devices = {0};
            options.lastDay = {2024, 3, 31};
            options.months = 15;
            options.seed = 20240 + static_cast<uint32_t>(site);
            const std::string dir = kwbench::DemoArchiveDirectory("kwatrix-bench-site", options);
            kw::SyncArchive(*db, dir, "Závod " + std::to_string(site + 1));
        }
    }
    const auto db = kw::OpenStore(url);
    std::size_t rows = 0;
    for (auto _ : state) {
        const std::vector<kw::SiteMonth> year = kw::SitesYear(*db, 2023, std::nullopt);
        benchmark::DoNotOptimize(year.data());
        rows = year.size();
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_SitesYear)->Arg(0)->Arg(1)->ArgName("postgres")->Unit(benchmark::kMillisecond);

} // namespace
