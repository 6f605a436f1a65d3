// The analyses of the graph: the heat map and the load-duration curve of a
// year of quarter-hours drawn from the bars, a frame of panning the heat map,
// and the readouts under the mouse in the heat map and in the graph window.

#include "analysis/HeatMapWindow.h"
#include "analysis/LoadDurationWindow.h"
#include "app/Application.h"
#include "graph/Graph.h"
#include "graph/GraphWindow.h"
#include "graph/Series.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QToolButton>

#include <benchmark/benchmark.h>

#include <cmath>
#include <optional>

namespace {

constexpr double kFirstDay = 45292; // 1 January 2024
constexpr int kYear = 35040;        // quarter-hours of 365 days

// A load curve with a working-day shape, a yearly swing and some noise, as
// a listing puts it into the graph and its series.
void fillYear(kw::Graph& graph, kw::Series& series)
{
    graph.SetGraphTitle("ROK 2024 - Činná - MĚSÍC", "kW");
    graph.ClearGraph();
    series = kw::Series();
    for (int i = 1; i <= kYear; ++i) {
        const double hour = std::fmod(i / 4.0, 24.0);
        const double day = hour > 6 && hour < 21 ? 200 : 60;
        const double season = 40 * std::cos(i / 96.0 / 365.0 * 2 * M_PI);
        const double value = day + season + 15 * std::sin(i * 0.7) + (i % 7);
        graph.AddGraphBar(kFirstDay + i / 96.0, value);
        series.Add(static_cast<int64_t>(kFirstDay) + (i - 1) / 96, (i - 1) % 96,
                   (kFirstDay + i / 96.0) * 86400, float(value / 4), float(value));
    }
    graph.RelabelGraph();
}

void send(QWidget* widget, QEvent::Type type, QPointF at, Qt::MouseButton button,
          Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// Back and forth over 40 steps of 5 pixels, so the view stays over the data.
QPointF swing(QPointF start, int& step)
{
    step = (step + 1) % 40;
    return start + QPointF(step < 20 ? step * 5 : (40 - step) * 5, 0);
}

struct ShownHeatMap {
    ShownHeatMap() : window(graph, series)
    {
        window.show();
        fillYear(graph, series);
        window.barsChanged();
        QCoreApplication::processEvents();
        chart = window.findChild<QWidget*>(QStringLiteral("HeatMapChart"));
    }
    kw::Graph graph;
    kw::Series series;
    kw::HeatMapWindow window;
    QWidget* chart = nullptr;
};

// A year's bars into the heat map: the cells made, the colour map filled and
// coloured, drawn and painted.
void BM_HeatMapYear(benchmark::State& state)
{
    ShownHeatMap shown;
    for (auto _ : state) {
        shown.window.barsChanged();
        QCoreApplication::processEvents();
    }
    state.counters["cells"] = shown.window.heatMap().days * 96.0;
}
BENCHMARK(BM_HeatMapYear)->Unit(benchmark::kMillisecond);

// One frame of dragging the heat map: a mouse move of a few pixels with the
// left button down, then the replot it queued.
void BM_HeatMapPan(benchmark::State& state)
{
    ShownHeatMap shown;
    QWidget* chart = shown.chart;
    const QPointF start(chart->width() / 2.0, chart->height() / 2.0);
    send(chart, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        send(chart, QEvent::MouseMove, swing(start, step), Qt::NoButton, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    send(chart, QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
}
BENCHMARK(BM_HeatMapPan)->Unit(benchmark::kMillisecond);

// The readout of the cell under the mouse (label and tool tip).
void BM_HeatMapHover(benchmark::State& state)
{
    ShownHeatMap shown;
    QWidget* chart = shown.chart;
    const QPointF start(chart->width() / 3.0, chart->height() / 2.0);
    int step = 0;
    for (auto _ : state) {
        send(chart, QEvent::MouseMove, swing(start, step), Qt::NoButton, Qt::NoButton);
        QCoreApplication::processEvents();
    }
    if (!shown.window.hoverText().contains(QStringLiteral(" kW")))
        state.SkipWithError("no readout under the mouse");
}
BENCHMARK(BM_HeatMapHover)->Unit(benchmark::kMicrosecond);

// A year's bars into the load-duration curve: sorted, drawn and painted.
void BM_LoadDurationYear(benchmark::State& state)
{
    kw::Graph graph;
    kw::Series series;
    kw::LoadDurationWindow window(graph, series, [] { return std::optional<double>(230); });
    window.show();
    fillYear(graph, series);
    for (auto _ : state) {
        window.barsChanged();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_LoadDurationYear)->Unit(benchmark::kMillisecond);

// The readout of the bar under the mouse in the graph window with a year of
// bars: arg 0 the whole year in view (a pixel column holds some 60 bars),
// arg 1 one day in view.
void BM_GraphHover(benchmark::State& state)
{
    QTemporaryDir dir;
    kw::Application app(dir.path().toStdString() + "/");
    kw::GraphWindow& window = *app.graphWindow();
    window.show();
    fillYear(app.engine().graph, app.engine().series);
    if (state.range(0))
        window.findChild<QToolButton*>(QStringLiteral("ToolButton10"))->click();
    QCoreApplication::processEvents();
    QWidget* chart = window.findChild<QWidget*>(QStringLiteral("Chart1"));
    const QPointF start(chart->width() / 3.0, chart->height() / 2.0);
    int step = 0;
    for (auto _ : state) {
        send(chart, QEvent::MouseMove, swing(start, step), Qt::NoButton, Qt::NoButton);
        QCoreApplication::processEvents();
    }
    if (window.hoverText().isEmpty())
        state.SkipWithError("no readout under the mouse");
}
BENCHMARK(BM_GraphHover)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
