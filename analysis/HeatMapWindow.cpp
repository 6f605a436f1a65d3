#include "analysis/HeatMapWindow.h"

#include "ui/WindowSupport.h"

#include <qcustomplot.h>

#include <QLabel>
#include <QMouseEvent>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace kw {

namespace {

const QColor NoValue(225, 225, 225);
const QString Hint = QStringLiteral(
    "Tažením myší posun, kolečkem zvětšení, dvojklikem celá mapa; najetím na buňku její hodnota.");

// The first of `steps` that leaves no more ticks than the axis wants, else
// `beyond` for ranges longer than the longest step fits.
double TickStep(const QCPRange& range, int tickCount, std::initializer_list<double> steps,
                double beyond)
{
    const double perTick = range.size() / std::max(1, tickCount);
    for (const double step : steps)
        if (step >= perTick)
            return step;
    return beyond;
}

// Day columns labelled with their dates, a tick every 1, 2, 7, 14... days
// as the width allows.
class DayTicker : public QCPAxisTicker {
public:
    int64_t firstDay = 0;

protected:
    double getTickStep(const QCPRange& range) override
    {
        const double years = std::ceil(range.size() / std::max(1, tickCount()) / 364.0);
        return TickStep(range, tickCount(), {1, 2, 7, 14, 28, 56, 91, 182, 364}, years * 364);
    }
    int getSubTickCount(double) override { return 0; }
    QString getTickLabel(double tick, const QLocale&, QChar, int) override
    {
        return QString::fromStdString(ShortDate(firstDay + std::llround(tick)));
    }
};

// Quarter-hour boundaries of the listing day labelled with the clock time,
// which the day start offset shifts.
class TimeTicker : public QCPAxisTicker {
public:
    int32_t offset = 0;

protected:
    double getTickStep(const QCPRange& range) override
    {
        return TickStep(range, tickCount(), {1, 2, 4, 8, 12, 24, 48}, 96);
    }
    int getSubTickCount(double) override { return 0; }
    QString getTickLabel(double tick, const QLocale&, QChar, int) override
    {
        const int64_t quarter = std::llround(tick);
        // The end of a day that starts at midnight is 24:00, not the next 00:00.
        if (quarter == QuartersPerDay && offset == 0)
            return QStringLiteral("24:00");
        return QString::fromStdString(ClockText(offset + quarter * 900));
    }
};

} // namespace

class HeatMapChart : public QCustomPlot {
public:
    explicit HeatMapChart(QWidget* parent) : QCustomPlot(parent)
    {
        setObjectName(QStringLiteral("HeatMapChart"));
        setBackground(QBrush(Qt::white));
        setMouseTracking(true);
        setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);

        title = new QCPTextElement(this, QString(), WindowFont(10));
        title->setTextColor(QColor(0, 0, 255));
        plotLayout()->insertRow(0);
        plotLayout()->addElement(0, 0, title);

        axisRect()->setBackground(QBrush(NoValue));
        days = QSharedPointer<DayTicker>::create();
        times = QSharedPointer<TimeTicker>::create();
        xAxis->setTicker(days);
        yAxis->setTicker(times);
        xAxis->setLabel(QStringLiteral("Den výpisu"));
        yAxis->setLabel(QStringLiteral("Čas"));
        yAxis->setRangeReversed(true);
        for (QCPAxis* axis : {xAxis, yAxis}) {
            axis->setLabelFont(WindowFont(8));
            axis->setTickLabelFont(WindowFont(8));
            axis->grid()->setVisible(false);
        }

        scale = new QCPColorScale(this);
        scale->setType(QCPAxis::atRight);
        scale->setBarWidth(14);
        scale->axis()->setLabelFont(WindowFont(8));
        scale->axis()->setTickLabelFont(WindowFont(8));
        plotLayout()->addElement(1, 1, scale);
        auto* margins = new QCPMarginGroup(this);
        axisRect()->setMarginGroup(QCP::msTop | QCP::msBottom, margins);
        scale->setMarginGroup(QCP::msTop | QCP::msBottom, margins);

        map = new QCPColorMap(xAxis, yAxis);
        map->setInterpolate(false);
        map->setTightBoundary(false);
        map->setColorScale(scale);
        QCPColorGradient gradient(QCPColorGradient::gpJet);
        gradient.setNanHandling(QCPColorGradient::nhTransparent);
        map->setGradient(gradient);

        empty = new QCPItemText(this);
        empty->position->setType(QCPItemPosition::ptAxisRectRatio);
        empty->position->setCoords(0.5, 0.5);
        empty->setFont(WindowFont(10));
        empty->setText(QStringLiteral("Žádné hodnoty: nejprve vypište období."));
    }

    QCPTextElement* title = nullptr;
    QSharedPointer<DayTicker> days;
    QSharedPointer<TimeTicker> times;
    QCPColorScale* scale = nullptr;
    QCPColorMap* map = nullptr;
    QCPItemText* empty = nullptr;
};

HeatMapWindow::HeatMapWindow(const Graph& graph, const Series& series, QWidget* parent)
    : AnalysisWindow(QStringLiteral("HeatMapWindow"), QStringLiteral("Teplotní mapa"), parent),
      m_graph(graph), m_series(series)
{
    m_chart = new HeatMapChart(client());
    setChart(m_chart, 900, 560);
    m_hoverLabel = addLabel(QStringLiteral("HoverLabel"), Hint);

    connect(m_chart, &QCustomPlot::mouseMove, this, [this](QMouseEvent* event) {
        hoverAt(event->pos(), event->globalPosition().toPoint());
    });
    connect(m_chart, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) {
        showWholeMap();
        m_chart->replot();
    });
}

HeatMapWindow::~HeatMapWindow() = default;

void HeatMapWindow::draw()
{
    m_map = MakeHeatMap(m_series);
    m_offset = m_map.dayStartOffset;
    HeatMapChart& chart = *m_chart;
    chart.title->setText(QString::fromStdString(m_graph.title()));
    chart.days->firstDay = m_map.firstDay;
    chart.times->offset = m_offset;
    chart.scale->axis()->setLabel(
        m_graph.impulses()
            ? QStringLiteral("Impulzy")
            : QStringLiteral("Hodnota [%1]").arg(QString::fromStdString(m_graph.unit())));

    const bool any = m_map.days > 0;
    chart.empty->setVisible(!any);
    chart.map->setVisible(any);
    // No days, no dates: day 0 would read "30.12." of 1899.
    m_chart->xAxis->setTickLabels(any);
    // A single column would have no width: the colour map measures a cell
    // by the distance between the first and the last. An empty second
    // column gives it one.
    const int columns = std::max(2, static_cast<int>(m_map.days));
    QCPColorMapData* data = chart.map->data();
    data->setSize(columns, QuartersPerDay);
    data->setRange(QCPRange(0, columns - 1), QCPRange(0.5, QuartersPerDay - 0.5));
    for (int column = 0; column < columns; ++column) {
        for (int quarter = 0; quarter < QuartersPerDay; ++quarter) {
            const bool inside = column < m_map.days;
            data->setCell(column, quarter,
                          inside ? m_map.values[m_map.index(column, quarter)] : qQNaN());
        }
    }
    const double high = m_map.high > m_map.low ? m_map.high : m_map.low + 1;
    chart.map->setDataRange(QCPRange(m_map.low, high));
    showWholeMap();
    m_hoverLabel->setText(Hint);
    m_chart->replot();
}

void HeatMapWindow::showWholeMap()
{
    m_chart->xAxis->setRange(-0.5, std::max(1, static_cast<int>(m_map.days)) - 0.5);
    m_chart->yAxis->setRange(0, QuartersPerDay);
}

void HeatMapWindow::hoverAt(const QPoint& at, const QPoint& global)
{
    if (m_map.days == 0 || !m_chart->axisRect()->rect().contains(at)) {
        m_hoverLabel->setText(Hint);
        QToolTip::hideText();
        return;
    }
    const auto column = static_cast<int32_t>(std::lround(m_chart->xAxis->pixelToCoord(at.x())));
    const auto quarter = static_cast<int32_t>(std::floor(m_chart->yAxis->pixelToCoord(at.y())));
    if (!m_map.contains(column, quarter)) {
        m_hoverLabel->setText(Hint);
        QToolTip::hideText();
        return;
    }
    const std::size_t cell = m_map.index(column, quarter);
    QString text;
    // The map is rebuilt whenever the bars change; a bar it does not find
    // any more reads as an empty cell rather than outside the bars.
    const auto barIndex = static_cast<std::size_t>(std::max(m_map.bar[cell], 0));
    if (m_map.bar[cell] < 0 || barIndex >= m_series.values.size()) {
        // The quarter-hour as the listing day has it, though it holds nothing.
        const int64_t end = (m_map.firstDay + column) * 86400 + m_offset + (quarter + 1) * 900;
        text = QStringLiteral("%1   bez hodnoty")
                   .arg(QString::fromStdString(QuarterText(static_cast<double>(end) / 86400.0)));
    } else {
        const double x = m_series.values[barIndex].days();
        const QString unit = m_graph.impulses() ? QStringLiteral(" imp.")
                             : m_graph.unit().empty()
                                 ? QString()
                                 : QLatin1Char(' ') + QString::fromStdString(m_graph.unit());
        text = QStringLiteral("%1   %2%3")
                   .arg(QString::fromStdString(QuarterText(x)),
                        QString::fromStdString(ValueText(m_map.values[cell])), unit);
        // A quarter-hour archived twice (the night the clocks go back) shows its peak.
        const int count = m_map.count[cell];
        if (count > 1)
            text += QStringLiteral("   (%1 %2 ve čtvrthodině, ukázána nejvyšší)")
                        .arg(count)
                        .arg(count < 5 ? QStringLiteral("hodnoty") : QStringLiteral("hodnot"));
    }
    m_hoverLabel->setText(text);
    if (isVisible())
        QToolTip::showText(global, text, m_chart);
}

QString HeatMapWindow::hoverText() const
{
    return m_hoverLabel->text();
}

QString HeatMapWindow::scaleLabel() const
{
    return m_chart->scale->axis()->label();
}

QPoint HeatMapWindow::cellCentre(int32_t column, int32_t quarter) const
{
    return QPoint(static_cast<int>(std::lround(m_chart->xAxis->coordToPixel(column))),
                  static_cast<int>(std::lround(m_chart->yAxis->coordToPixel(quarter + 0.5))));
}

QPair<double, double> HeatMapWindow::dayRange() const
{
    const QCPRange range = m_chart->xAxis->range();
    return {range.lower, range.upper};
}

void HeatMapWindow::replotChart()
{
    m_chart->replot(QCustomPlot::rpImmediateRefresh);
}

} // namespace kw
