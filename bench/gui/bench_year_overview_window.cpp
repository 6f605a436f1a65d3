// "Roční přehled": from the click on the menu item until the window shows the
// year of month files painted, table and chart.

#include "analysis/YearOverviewWindow.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "tools/DemoArchive.h"

#include <QAction>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void BM_YearOverviewWindowClick(benchmark::State& state)
{
    QTemporaryDir dir;
    kw::demo::DemoOptions options;
    options.devices = {0};
    options.lastDay = {2024, 12, 31};
    options.months = 12;
    if (!dir.isValid() || !kw::demo::WriteDemoArchive(dir.path().toStdString() + "/", options)) {
        state.SkipWithError("no archive");
        return;
    }
    kw::Application app(dir.path().toStdString() + "/");
    if (!app.startUp()) {
        state.SkipWithError("the program did not start");
        return;
    }
    // The listing month is yesterday's; the overview of 2024 is asked for.
    app.engine().listing.ListingYear = 2024;
    auto* item = app.mainWindow()->findChild<QAction*>(QStringLiteral("RocniPrehled1"));
    kw::YearOverviewWindow* window = app.yearOverviewWindow();
    for (auto _ : state) {
        state.PauseTiming();
        window->hide();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        item->trigger();
        // Until the table and the chart are painted.
        QCoreApplication::processEvents();
    }
    state.counters["months"] = static_cast<double>(window->overview().months.size());
    if (window->overview().months.size() != 12)
        state.SkipWithError("the year was not shown");
}
BENCHMARK(BM_YearOverviewWindowClick)->Unit(benchmark::kMillisecond);

} // namespace
