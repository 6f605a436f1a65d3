#include "graph/Graph.h"

#include "archive/DateTime.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kw {

Graph::Graph()
    : m_title("-------------------------Spotřeba energie-------------------------"),
      m_valueAxisTitle("Spotřeba energie [kw]" + std::string(28, ' '))
{}

void Graph::ClearGraph()
{
    m_bars.clear();
    LabelStep = 0;
    notify(GraphChange::Cleared);
}

void Graph::AddGraphBar(double x, double y)
{
    // A NaN would break the ordering that the insertion search relies on.
    if (!std::isfinite(x))
        return;
    // The listing adds its bars in time order, so appending is the usual case.
    if (m_bars.empty() || x >= m_bars.back().x) {
        m_bars.push_back({x, y, "    "});
        return;
    }
    // After any bars of the same x, as the listing added them.
    const auto at = std::upper_bound(m_bars.begin(), m_bars.end(), x,
                                     [](double v, const GraphBar& bar) { return v < bar.x; });
    m_bars.insert(at, GraphBar{x, y, "    "});
}

void Graph::SetGraphTitle(const std::string& title, const std::string& unit, bool impulses)
{
    m_bars.clear();
    m_title = title;
    m_unit = unit;
    m_impulses = impulses;
    m_valueAxisTitle = impulses ? std::string("Impulzy") : "Spotřeba energie [" + unit + "]";
    notify(GraphChange::TitleChanged);
}

bool Graph::RelabelGraph()
{
    bool remade = false;
    if (!m_bars.empty())
        remade = Relabel(*this, m_bars.front().x, m_bars.back().x, chartWidth);
    // Always: the bars added since the last change are not drawn yet.
    notify(GraphChange::Relabelled);
    return remade;
}

int32_t LabelStepFor(double first, double last, double widthPixels)
{
    if (!std::isfinite(widthPixels) || widthPixels <= 0)
        return 48;
    const double q = (last - first) * 400 / widthPixels;
    if (!std::isfinite(q))
        return 48;
    // Kept in double: the count may be far outside any integer type.
    const double s = std::trunc(q) + 1;
    if (s == 1)
        return 1;
    if (s == 2)
        return 2;
    if (s >= 3 && s <= 4)
        return 4;
    if (s >= 5 && s <= 12)
        return 12;
    if (s >= 13 && s <= 24)
        return 24;
    return 48;
}

BarTime BarTimeOf(double x)
{
    // x comes from whole seconds / 86400, which is rarely exact in binary: the
    // first bar of an hour may sit a hair below the hour and would be counted
    // in the hour before. Rounding to the nearest second first puts it back.
    const double seconds = std::round(x * 86400.0);
    const DateTimeParts parts = SecondsToDateTime(static_cast<long double>(seconds));
    return {parts.hour, parts.day};
}

bool Relabel(Graph& graph, double first, double last, double widthPixels)
{
    std::vector<GraphBar>& bars = graph.m_bars;
    if (bars.empty())
        return false;
    const int32_t step = LabelStepFor(first, last, widthPixels);
    if (step == graph.LabelStep)
        return false;
    graph.LabelStep = step;

    const bool bracketDays = step < 4;
    int32_t previousHour = 23;
    std::string current = " ";
    for (GraphBar& bar : bars) {
        const BarTime t = BarTimeOf(bar.x);
        if (t.hour != previousHour) {
            if (t.hour == 0) {
                if (!(step == 48 && t.day % 2 != 0)) {
                    const std::string day = std::to_string(t.day);
                    current = bracketDays ? "[" + day + "]" : day;
                }
            } else if (t.hour % step == 0) {
                current = step > 2 ? "." : std::to_string(t.hour);
            }
        }
        previousHour = t.hour;
        bar.label = current;
        current.clear();
    }
    return true;
}

namespace {

// Fixed-point text of v without the locale: the desktop's locale may use a
// decimal comma, and the comma is the user's choice here. A value that is
// exactly zero prints without a sign ("-0.00" for a negative zero from scaling
// would be wrong); a tiny negative value keeps its sign as printf gives it
// (-0.001 -> "-0.00").
void appendFixed(std::string& out, double v, int decimals, bool decimalComma)
{
    // Longest finite double in fixed notation: 309 digits, sign, point, decimals.
    char buf[330];
    const auto result =
        std::to_chars(buf, buf + sizeof buf, v + 0.0, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return;
    if (decimalComma)
        std::replace(buf, result.ptr, '.', ',');
    out.append(buf, result.ptr);
}

} // namespace

std::string CopyValuesText(const std::vector<GraphBar>& bars, bool xy, bool decimalComma)
{
    std::string text;
    // About 20 characters an XY line, 8 a Y line: one allocation for most listings.
    text.reserve(bars.size() * (xy ? 22 : 10));
    for (const GraphBar& bar : bars) {
        if (xy) {
            appendFixed(text, bar.x, 4, decimalComma);
            text += '\t';
        }
        appendFixed(text, bar.y, 2, decimalComma);
        text += "\r\n";
    }
    return text;
}

} // namespace kw
