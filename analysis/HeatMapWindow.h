#pragma once

#include "analysis/AnalysisWindow.h"
#include "analysis/LoadAnalysis.h"
#include "graph/Graph.h"
#include "graph/GraphReadout.h"

#include <QPair>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <functional>

class QLabel;

namespace kw {

class HeatMapChart;

// "Teplotní mapa": the values of the last listing as colours, one column per
// listing day and one row per quarter-hour of it, with the colour scale in
// the block's unit. Hovering a cell reads it out; dragging pans, the wheel
// zooms, a double click shows the whole map again.
class HeatMapWindow : public AnalysisWindow {
    Q_OBJECT

public:
    // The values and their listing days come from the listing's series; the
    // title and the unit from the graph.
    HeatMapWindow(const Graph& graph, const Series& series, QWidget* parent = nullptr);
    ~HeatMapWindow() override;

    const HeatMap& heatMap() const { return m_map; }
    // The readout of the cell under the mouse, or the usage hint.
    QString hoverText() const;
    QString scaleLabel() const;
    // Where the middle of a cell lies in the chart widget, as drawn last.
    QPoint cellCentre(int32_t column, int32_t quarter) const;
    // The day range (columns) in view.
    QPair<double, double> dayRange() const;
    // Draws the chart now.
    void replotChart();

private:
    void draw() override;
    void showWholeMap();
    void hoverAt(const QPoint& at, const QPoint& global);

    const Graph& m_graph;
    const Series& m_series;
    int32_t m_offset = 0; // of the listing drawn
    HeatMap m_map;

    HeatMapChart* m_chart = nullptr;
    QLabel* m_hoverLabel = nullptr;
};

} // namespace kw
