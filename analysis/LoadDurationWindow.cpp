#include "analysis/LoadDurationWindow.h"

#include "analysis/LoadAnalysis.h"
#include "graph/GraphReadout.h"
#include "ui/WindowSupport.h"

#include <qcustomplot.h>

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>

namespace kw {

namespace {

const QColor CurveColour(0, 0, 255);
const QColor CapacityColour(220, 0, 0);
const QString Hint = QStringLiteral("Najetím na křivku: jak dlouho zatížení dosáhlo dané hodnoty.");

QString Decimal(double value, int decimals)
{
    return QString::number(value, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString Quarters(std::size_t n)
{
    const char* word = n == 1 ? "čtvrthodina" : (n >= 2 && n <= 4) ? "čtvrthodiny" : "čtvrthodin";
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(word));
}

// A share that is not nothing never reads as 0,0 %, nor a share short of
// everything as 100,0 %.
QString Percent(std::size_t part, std::size_t total)
{
    const double percent =
        total ? 100.0 * static_cast<double>(part) / static_cast<double>(total) : 0;
    if (part > 0 && percent < 0.05)
        return QStringLiteral("méně než 0,1 %");
    if (part < total && percent >= 99.95)
        return QStringLiteral("více než 99,9 %");
    return Decimal(percent, 1) + QStringLiteral(" %");
}

} // namespace

class LoadDurationChart : public QCustomPlot {
public:
    explicit LoadDurationChart(QWidget* parent) : QCustomPlot(parent)
    {
        setObjectName(QStringLiteral("LoadDurationChart"));
        setBackground(QBrush(Qt::white));
        setMouseTracking(true);

        title = new QCPTextElement(this, QString(), WindowFont(10));
        title->setTextColor(QColor(0, 0, 255));
        plotLayout()->insertRow(0);
        plotLayout()->addElement(0, 0, title);
        xAxis->setLabel(QStringLiteral("Doba trvání [h]"));
        for (QCPAxis* axis : {xAxis, yAxis}) {
            axis->setLabelFont(WindowFont(8));
            axis->setTickLabelFont(WindowFont(8));
        }

        curve = addGraph();
        curve->setLineStyle(QCPGraph::lsStepLeft);
        curve->setPen(QPen(CurveColour, 1.5));
        curve->setBrush(QBrush(QColor(0, 0, 255, 40)));

        capacity = new QCPItemStraightLine(this);
        capacity->setPen(QPen(CapacityColour, 1.5, Qt::DashLine));
        capacityText = new QCPItemText(this);
        capacityText->position->setTypeX(QCPItemPosition::ptAxisRectRatio);
        capacityText->position->setTypeY(QCPItemPosition::ptPlotCoords);
        capacityText->setPositionAlignment(Qt::AlignRight | Qt::AlignBottom);
        capacityText->setColor(CapacityColour);
        capacityText->setFont(WindowFont(8));

        peakMark = new QCPItemTracer(this);
        peakMark->setStyle(QCPItemTracer::tsCircle);
        peakMark->setSize(9);
        peakMark->setPen(QPen(CapacityColour, 2));
        peakMark->setClipToAxisRect(false);
        peakText = new QCPItemText(this);
        peakText->position->setType(QCPItemPosition::ptAxisRectRatio);
        peakText->position->setCoords(0.995, 0.01);
        peakText->setPositionAlignment(Qt::AlignRight | Qt::AlignTop);
        peakText->setFont(WindowFont(8));
        peakText->setColor(CapacityColour);
        peakText->setBrush(QBrush(QColor(255, 255, 255, 200)));
        peakText->setPadding(QMargins(3, 1, 3, 1));
    }

    QCPTextElement* title = nullptr;
    QCPGraph* curve = nullptr;
    QCPItemStraightLine* capacity = nullptr;
    QCPItemText* capacityText = nullptr;
    QCPItemTracer* peakMark = nullptr;
    QCPItemText* peakText = nullptr;
};

LoadDurationWindow::LoadDurationWindow(const Graph& graph, const Series& series,
                                       CapacityProvider reservedCapacity, QWidget* parent)
    : AnalysisWindow(QStringLiteral("LoadDurationWindow"), QStringLiteral("Křivka trvání zatížení"),
                     parent),
      m_graph(graph), m_series(series), m_reservedCapacity(std::move(reservedCapacity))
{
    m_chart = new LoadDurationChart(client());
    setChart(m_chart, 760, 520);
    m_shareLabel = addLabel(QStringLiteral("ShareLabel"), QString());
    QFont bold = WindowFont(9);
    bold.setBold(true);
    m_shareLabel->setFont(bold);
    m_hoverLabel = addLabel(QStringLiteral("HoverLabel"), Hint);

    connect(m_chart, &QCustomPlot::mouseMove, this,
            [this](QMouseEvent* event) { hoverAt(event->pos()); });
}

LoadDurationWindow::~LoadDurationWindow() = default;

void LoadDurationWindow::changeEvent(QEvent* event)
{
    AnalysisWindow::changeEvent(event);
    // Back from the year overview, perhaps with another capacity.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !stale() &&
        readCapacity()) {
        drawCapacity();
        fitValueAxis();
        m_chart->replot();
    }
}

bool LoadDurationWindow::readCapacity()
{
    std::optional<double> capacity;
    // Impulse counts are not in the block's unit, so no capacity applies.
    if (m_reservedCapacity && !m_graph.impulses())
        capacity = m_reservedCapacity();
    if (capacity && !std::isfinite(*capacity))
        capacity.reset();
    const bool changed = capacity != m_capacity;
    m_capacity = capacity;
    return changed;
}

void LoadDurationWindow::draw()
{
    m_curve = DurationCurve(m_series);
    LoadDurationChart& chart = *m_chart;
    chart.title->setText(QString::fromStdString(m_graph.title()));
    chart.yAxis->setLabel(
        m_graph.impulses()
            ? QStringLiteral("Impulzy")
            : QStringLiteral("Hodnota [%1]").arg(QString::fromStdString(m_graph.unit())));

    // Value i lasts the quarter-hour from i/4 h to (i+1)/4 h; the last step
    // is closed by a point at the end.
    QVector<QCPGraphData> data;
    data.reserve(static_cast<int>(m_curve.size()) + 1);
    for (std::size_t i = 0; i < m_curve.size(); ++i)
        data.append(QCPGraphData(static_cast<double>(i) / 4, m_curve[i]));
    if (!m_curve.empty())
        data.append(QCPGraphData(static_cast<double>(m_curve.size()) / 4, m_curve.back()));
    chart.curve->data()->set(data, true);
    chart.xAxis->setRange(0, std::max(0.25, static_cast<double>(m_curve.size()) / 4));

    const std::optional<PeakBar> peak = PeriodMaximum(m_graph.bars());
    chart.peakMark->setVisible(peak.has_value());
    chart.peakText->setVisible(peak.has_value());
    if (peak) {
        chart.peakMark->position->setCoords(0, peak->value);
        const QString unit = m_graph.impulses()
                                 ? QStringLiteral(" imp.")
                                 : QLatin1Char(' ') + QString::fromStdString(m_graph.unit());
        chart.peakText->setText(QStringLiteral("Maximum %1%2: %3")
                                    .arg(QString::fromStdString(ValueText(peak->value)), unit,
                                         QString::fromStdString(QuarterText(peak->x))));
    }
    readCapacity();
    drawCapacity();
    fitValueAxis();
    m_hoverLabel->setText(Hint);
    m_chart->replot();
}

void LoadDurationWindow::drawCapacity()
{
    LoadDurationChart& chart = *m_chart;
    chart.capacity->setVisible(m_capacity.has_value());
    chart.capacityText->setVisible(m_capacity.has_value());
    const QString unit = QString::fromStdString(m_graph.unit());
    if (m_curve.empty()) {
        m_shareLabel->setText(QStringLiteral("Žádné hodnoty: nejprve vypište období."));
    } else if (m_graph.impulses()) {
        m_shareLabel->setText(QStringLiteral(
            "Hodnoty jsou v impulzech: s rezervovanou kapacitou je nelze porovnat."));
    } else if (!m_capacity) {
        m_shareLabel->setText(
            QStringLiteral("Rezervovaná kapacita není nastavena (zadává se v Ročním přehledu)."));
    } else {
        const CapacityShare share = ShareAbove(m_curve, *m_capacity);
        m_shareLabel->setText(QStringLiteral("Nad kapacitou %1 %2: %3 času (%4 z %5)")
                                  .arg(QString::fromStdString(ValueText(*m_capacity)), unit,
                                       Percent(share.above, share.total), Quarters(share.above))
                                  .arg(share.total));
    }
    if (!m_capacity)
        return;
    chart.capacity->point1->setCoords(0, *m_capacity);
    chart.capacity->point2->setCoords(1, *m_capacity);
    chart.capacityText->position->setCoords(0.99, *m_capacity);
    chart.capacityText->setText(QStringLiteral("Rezervovaná kapacita %1 %2")
                                    .arg(QString::fromStdString(ValueText(*m_capacity)), unit));
}

void LoadDurationWindow::fitValueAxis()
{
    // The curve, zero and the capacity line all in view.
    double low = 0;
    double high = 0;
    if (!m_curve.empty()) {
        low = std::min(low, m_curve.back());
        high = std::max(high, m_curve.front());
    }
    if (m_capacity) {
        low = std::min(low, *m_capacity);
        high = std::max(high, *m_capacity);
    }
    if (!(high > low))
        high = low + 1;
    const double margin = (high - low) * 0.08;
    m_chart->yAxis->setRange(low < 0 ? low - margin : low, high + margin);
}

void LoadDurationWindow::hoverAt(const QPoint& at)
{
    const double hours = m_chart->xAxis->pixelToCoord(at.x());
    const double position = std::floor(hours * 4);
    if (m_curve.empty() || !m_chart->axisRect()->rect().contains(at) || position < 0 ||
        position >= static_cast<double>(m_curve.size())) {
        m_hoverLabel->setText(Hint);
        return;
    }
    // Values 0..i are at least value i: they last i + 1 quarter-hours.
    const auto i = static_cast<std::size_t>(position);
    const std::size_t lasting = i + 1;
    const QString unit =
        m_graph.impulses() ? QStringLiteral("imp.") : QString::fromStdString(m_graph.unit());
    m_hoverLabel->setText(QStringLiteral("Alespoň %1 %2 po dobu %3 h (%4, %5 času)")
                              .arg(QString::fromStdString(ValueText(m_curve[i])), unit,
                                   Decimal(static_cast<double>(lasting) / 4, 2), Quarters(lasting),
                                   Percent(lasting, m_curve.size())));
}

QString LoadDurationWindow::shareText() const
{
    return m_shareLabel->text();
}

QString LoadDurationWindow::maximumText() const
{
    return m_chart->peakText->visible() ? m_chart->peakText->text() : QString();
}

QString LoadDurationWindow::hoverText() const
{
    return m_hoverLabel->text();
}

QPoint LoadDurationWindow::pointOf(std::size_t index) const
{
    const double value = index < m_curve.size() ? m_curve[index] : 0;
    return QPoint(static_cast<int>(std::lround(m_chart->xAxis->coordToPixel((index + 0.5) / 4))),
                  static_cast<int>(std::lround(m_chart->yAxis->coordToPixel(value))));
}

void LoadDurationWindow::replotChart()
{
    m_chart->replot(QCustomPlot::rpImmediateRefresh);
}

} // namespace kw
