// TForm9: filling the chart with a listing's bars, replotting it, and panning
// it, at the design size, for an energy month over two months (about 6000
// quarter-hours) and for a year of quarter-hours.

#include "app/Application.h"
#include "graph/Graph.h"
#include "graph/GraphWindow.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QToolButton>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

constexpr double kFirstDay = 45292; // 1 January 2024

// A load curve with a working-day shape and some noise.
void addBars(kw::Graph& graph, int count)
{
    for (int i = 1; i <= count; ++i) {
        const double x = kFirstDay + i / 96.0;
        const double hour = std::fmod(i / 4.0, 24.0);
        const double day = hour > 6 && hour < 21 ? 200 : 60;
        graph.AddGraphBar(x, day + 15 * std::sin(i * 0.7) + (i % 7));
    }
}

struct ShownGraph {
    ShownGraph() : app(dir.path().toStdString() + "/"), window(*app.graphWindow())
    {
        window.show();
        QCoreApplication::processEvents();
    }

    QTemporaryDir dir;
    kw::Application app;
    kw::GraphWindow& window;
};

void fill(kw::Graph& graph, int count)
{
    graph.ClearGraph();
    addBars(graph, count);
    graph.RelabelGraph();
}

// ClearGraph, the bars, RelabelGraph: the chart takes them and redraws.
void BM_GraphFill(benchmark::State& state)
{
    ShownGraph shown;
    kw::Graph& graph = shown.app.engine().graph;
    for (auto _ : state) {
        fill(graph, static_cast<int>(state.range(0)));
        QCoreApplication::processEvents();
    }
    state.counters["width_px"] = graph.chartWidth;
}
BENCHMARK(BM_GraphFill)->Arg(6000)->Arg(35040)->Unit(benchmark::kMillisecond);

// One full replot and repaint of the whole listing.
void BM_GraphReplot(benchmark::State& state)
{
    ShownGraph shown;
    fill(shown.app.engine().graph, static_cast<int>(state.range(0)));
    QCoreApplication::processEvents();
    for (auto _ : state)
        shown.window.replotChart();
}
BENCHMARK(BM_GraphReplot)->Arg(6000)->Arg(35040)->Unit(benchmark::kMillisecond);

// A frame of panning with the right mouse button: one mouse move of a few
// pixels, the relabelling check and the redraw. Arg 1: in the one-day view;
// arg 0: the whole year in view.
void BM_GraphPan(benchmark::State& state)
{
    ShownGraph shown;
    fill(shown.app.engine().graph, 35040);
    auto* button = shown.window.findChild<QToolButton*>(
        state.range(0) ? QStringLiteral("ToolButton10") : QStringLiteral("ToolButton1"));
    button->click();
    QCoreApplication::processEvents();

    QWidget* chart = shown.window.findChild<QWidget*>(QStringLiteral("Chart1"));
    const QPointF start(chart->width() / 2.0, chart->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, start, chart->mapToGlobal(start), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(chart, &press);
    int step = 0;
    for (auto _ : state) {
        // Back and forth, so the view stays over the bars.
        step = (step + 1) % 40;
        const QPointF at = start + QPointF(step < 20 ? step * 5 : (40 - step) * 5, 0);
        QMouseEvent move(QEvent::MouseMove, at, chart->mapToGlobal(at), Qt::NoButton,
                         Qt::RightButton, Qt::NoModifier);
        QCoreApplication::sendEvent(chart, &move);
        QCoreApplication::processEvents();
    }
    QMouseEvent release(QEvent::MouseButtonRelease, start, chart->mapToGlobal(start),
                        Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(chart, &release);
}
BENCHMARK(BM_GraphPan)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
