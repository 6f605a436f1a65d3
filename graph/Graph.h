#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kw {

// One bar of the consumption graph. x is a date-time in days since 30 December
// 1899 00:00 (the fraction is the time of day), y the scaled value. Every bar
// is blue; the window draws it so.
struct GraphBar {
    double x = 0;
    double y = 0;
    std::string label;
};

// What changed, so the window knows what to redraw. Single bars are not
// reported: a listing adds thousands and ends with RelabelGraph.
enum class GraphChange {
    Cleared,      // bars gone, LabelStep 0, horizontal axis back to automatic
    TitleChanged, // bars gone, new title and value-axis title (axes untouched)
    Relabelled,   // the listing's bars are complete; labels may be new
};

// The bars of the last listing and the texts of the chart.
class Graph {
public:
    using ChangeHandler = std::function<void(GraphChange)>;

    static constexpr double kDesignWidth = 645;

    Graph();

    // The step the axis labels were last made with; 0 none yet. The window sets
    // it to 0 to have the labels remade.
    int32_t LabelStep = 0;
    // The chart's width in pixels, kept current by the window.
    double chartWidth = kDesignWidth;

    void setChangeHandler(ChangeHandler handler) { m_onChange = std::move(handler); }

    void ClearGraph();
    // Bars stay in ascending x; a bar whose x is not a finite number has no
    // place on the time axis and is not added.
    void AddGraphBar(double x, double y);
    // The value axis names the block's unit, or "Impulzy" when the listing
    // shows raw impulse counts, which have no unit.
    void SetGraphTitle(const std::string& title, const std::string& unit, bool impulses = false);
    // Labels the time axis over the range of the bars; returns whether the
    // labels were remade.
    bool RelabelGraph();

    const std::vector<GraphBar>& bars() const { return m_bars; }
    // The chart takes mouse input only while it has bars.
    bool enabled() const { return !m_bars.empty(); }
    const std::string& title() const { return m_title; }
    const std::string& valueAxisTitle() const { return m_valueAxisTitle; }
    // The block's unit as SetGraphTitle last gave it, and whether the bars
    // are raw impulse counts, for the analyses' scales.
    const std::string& unit() const { return m_unit; }
    bool impulses() const { return m_impulses; }

private:
    friend bool Relabel(Graph& graph, double first, double last, double widthPixels);

    void notify(GraphChange change)
    {
        if (m_onChange)
            m_onChange(change);
    }

    std::vector<GraphBar> m_bars;
    std::string m_title;
    std::string m_valueAxisTitle;
    std::string m_unit;
    bool m_impulses = false;
    ChangeHandler m_onChange;
};

// The label step for an axis range of [first, last] days drawn over
// widthPixels: 1, 2, 4, 12, 24 or 48. A width that is not a positive finite
// number, or a range that gives no finite step count, yields 48.
int32_t LabelStepFor(double first, double last, double widthPixels);

// Remakes the labels of the graph's bars for the axis range [first, last] when
// the step differs from graph.LabelStep. Returns whether labels were remade
// (never with no bars, nor with the step unchanged).
bool Relabel(Graph& graph, double first, double last, double widthPixels);

// The hour (0..23) and the day of the month of a bar's x.
struct BarTime {
    int32_t hour = 0;
    int32_t day = 0;
};
BarTime BarTimeOf(double x);

// The text that "Kopíruj hodnoty XY" (xy) or "Kopíruj hodnoty Y" puts on the
// clipboard: one line per bar ending with CR LF, x with 4 and y with 2
// decimals, "," for "." when decimalComma. Not limited in length.
std::string CopyValuesText(const std::vector<GraphBar>& bars, bool xy, bool decimalComma);

} // namespace kw
