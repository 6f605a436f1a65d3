#pragma once

#include "analysis/AnalysisWindow.h"
#include "graph/Graph.h"

#include <QPoint>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QLabel;

namespace kw {

class Series;

class LoadDurationChart;

// "Křivka trvání zatížení": the values of the last listing sorted from the
// highest, over the hours they last, with the maximum, the reserved capacity
// as a line and the share of time above it.
class LoadDurationWindow : public AnalysisWindow {
    Q_OBJECT

public:
    using CapacityProvider = std::function<std::optional<double>()>;

    // `reservedCapacity` gives the reserved capacity of the listed device and
    // block (none when not set); it is asked whenever the curve is drawn and
    // when the window is activated, since the year overview may change it.
    LoadDurationWindow(const Graph& graph, const Series& series, CapacityProvider reservedCapacity,
                       QWidget* parent = nullptr);
    ~LoadDurationWindow() override;

    const std::vector<double>& curve() const { return m_curve; }
    // The capacity drawn; none when not set or not comparable.
    std::optional<double> capacity() const { return m_capacity; }
    // "Nad kapacitou: …" or why there is no share.
    QString shareText() const;
    QString maximumText() const;
    QString hoverText() const;
    // Where the curve's value number `index` (0 the highest) is drawn.
    QPoint pointOf(std::size_t index) const;
    void replotChart();

protected:
    void changeEvent(QEvent* event) override;

private:
    void draw() override;
    // Reads the capacity again; true when it changed.
    bool readCapacity();
    void drawCapacity();
    void fitValueAxis();
    void hoverAt(const QPoint& at);

    const Graph& m_graph;
    const Series& m_series;
    CapacityProvider m_reservedCapacity;
    std::vector<double> m_curve;
    std::optional<double> m_capacity;

    LoadDurationChart* m_chart = nullptr;
    QLabel* m_shareLabel = nullptr;
    QLabel* m_hoverLabel = nullptr;
};

} // namespace kw
