#include "graph/GraphWindow.h"

#include "graph/GraphReadout.h"
#include "graph/Series.h"
#include "graph/SeriesExport.h"
#include "ui/Help.h"
#include "ui/WindowSupport.h"

#include <qcustomplot.h>

#include <QAction>
#include <QActionGroup>
#include <QBuffer>
#include <QButtonGroup>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QRubberBand>
#include <QSvgGenerator>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace kw {

namespace {

const QColor BarColour(0, 0, 255);
const QColor BackWall(255, 255, 128);
// Bar width as a share of the space between neighbouring bars.
constexpr double BarWidthShare = 0.2;
// Mouse travel below which a press counts as a click, not a drag.
constexpr int DragThreshold = 4;
const QColor ComparisonColour(230, 110, 0);
const QColor PeakColour(220, 0, 0);
// Where the readout of the bar under the mouse starts in the tool bar, right
// of the speed buttons.
constexpr int HoverLabelLeft = 272;

// Bars that stop drawing what cannot be seen: once a bar is narrower than a
// pixel or two, each pixel column of the plot gets one line from the base to
// the farthest value that falls into it. A month of quarter-hours on a 600
// pixel axis is some 3000 bars in 600 columns; this keeps replots of a
// year's bars as quick as those of a day's.
class ColumnBars : public QCPBars {
public:
    ColumnBars(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPBars(keyAxis, valueAxis) {}

protected:
    void draw(QCPPainter* painter) override
    {
        QCPAxis* keyAxis = mKeyAxis.data();
        QCPAxis* valueAxis = mValueAxis.data();
        if (!keyAxis || !valueAxis || mDataContainer->isEmpty())
            return;
        QCPBarsDataContainer::const_iterator begin;
        QCPBarsDataContainer::const_iterator end;
        getVisibleDataBounds(begin, end);
        if (begin == end)
            return;

        painter->setAntialiasing(false);
        const double barPixels = std::abs(keyAxis->coordToPixel(begin->key + mWidth) -
                                          keyAxis->coordToPixel(begin->key));
        if (barPixels >= 1.5) {
            QVector<QRectF> rects;
            rects.reserve(static_cast<int>(end - begin));
            for (auto it = begin; it != end; ++it) {
                if (std::isfinite(it->value))
                    rects.append(getBarRect(it->key, it->value));
            }
            painter->setPen(Qt::NoPen);
            painter->setBrush(mBrush);
            painter->drawRects(rects);
            return;
        }

        const QRect area = keyAxis->axisRect()->rect();
        const int columns = area.width() + 1;
        const double top = area.top() - 1;
        const double bottom = area.bottom() + 1;
        const double base = std::clamp(valueAxis->coordToPixel(0), top, bottom);
        std::vector<double> low(static_cast<std::size_t>(columns),
                                std::numeric_limits<double>::infinity());
        std::vector<double> high(static_cast<std::size_t>(columns),
                                 -std::numeric_limits<double>::infinity());
        for (auto it = begin; it != end; ++it) {
            if (!std::isfinite(it->value))
                continue;
            const double x = std::floor(keyAxis->coordToPixel(it->key)) - area.left();
            if (!(x >= 0 && x < columns))
                continue;
            const auto column = static_cast<std::size_t>(x);
            const double y = std::clamp(valueAxis->coordToPixel(it->value), top, bottom);
            low[column] = std::min({low[column], y, base});
            high[column] = std::max({high[column], y, base});
        }
        QVector<QLineF> lines;
        lines.reserve(columns);
        for (int column = 0; column < columns; ++column) {
            const auto c = static_cast<std::size_t>(column);
            if (low[c] <= high[c]) {
                const double x = area.left() + column;
                lines.append(QLineF(x, low[c], x, high[c]));
            }
        }
        painter->setPen(QPen(mBrush.color(), 1));
        painter->drawLines(lines);
    }
};

} // namespace

// Chart1: the chart and its mouse gestures. With zoom allowed, a left drag
// towards the lower right zooms into the dragged rectangle and a left drag the
// other way undoes the zoom; a right drag pans in the directions allowed, and
// a right click undoes the zoom.
class GraphChart : public QCustomPlot {
public:
    GraphChart(GraphWindow& window, QWidget* parent)
        : QCustomPlot(parent), m_window(window),
          m_band(new QRubberBand(QRubberBand::Rectangle, this))
    {
        setObjectName(QStringLiteral("Chart1"));
        setBackground(QBrush(Qt::white));
        axisRect()->setBackground(QBrush(BackWall));

        title = new QCPTextElement(this, QString(), WindowFont(10));
        title->setTextColor(BarColour);
        plotLayout()->insertRow(0);
        plotLayout()->addElement(0, 0, title);

        ticker = QSharedPointer<QCPAxisTickerText>::create();
        ticker->setSubTickCount(0);
        xAxis->setTicker(ticker);
        xAxis->grid()->setVisible(false);
        xAxis->setLabel(QStringLiteral("Čas"));
        for (QCPAxis* axis : {xAxis, yAxis}) {
            axis->setLabelFont(WindowFont(8));
            axis->setTickLabelFont(WindowFont(8));
        }
        xAxis->setRange(0, 1);
        yAxis->setRange(0, 1);

        bars = new ColumnBars(xAxis, yAxis);
        bars->setName(QStringLiteral("Series1"));
        bars->setWidthType(QCPBars::wtPlotCoords);
        bars->setPen(QPen(BarColour));
        bars->setBrush(QBrush(BarColour));
        bars->setAntialiased(false);
        bars->setAntialiasedFill(false);

        // The analyses' additions: hidden until there is something to show.
        comparison = addGraph(xAxis, yAxis);
        comparison->setPen(QPen(ComparisonColour, 1.5));
        comparison->setVisible(false);
        comparison->removeFromLegend();
        legend->setFont(WindowFont(8));
        legend->setBrush(QBrush(QColor(255, 255, 255, 220)));
        axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);

        peakMark = new QCPItemTracer(this);
        peakMark->setStyle(QCPItemTracer::tsCircle);
        peakMark->setSize(9);
        peakMark->setPen(QPen(PeakColour, 2));
        peakMark->setBrush(Qt::NoBrush);
        peakMark->setVisible(false);
        // The maximum's text gets a line of its own under the title, so that
        // it never hides the bar it names.
        peakText = new QCPTextElement(this, QString(), WindowFont(8));
        peakText->setTextColor(PeakColour);
        peakText->setVisible(false);
        setMouseTracking(true);
    }

    void showPeakText(bool shown)
    {
        if (shown == peakText->visible())
            return;
        peakText->setVisible(shown);
        if (shown) {
            plotLayout()->insertRow(1);
            plotLayout()->addElement(1, 0, peakText);
        } else {
            plotLayout()->take(peakText);
            plotLayout()->simplify();
        }
    }

    ColumnBars* bars = nullptr;
    QSharedPointer<QCPAxisTickerText> ticker;
    QCPTextElement* title = nullptr;
    QCPGraph* comparison = nullptr;
    QCPItemTracer* peakMark = nullptr;
    QCPTextElement* peakText = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        // Labels for the new width first: the base class draws at once, and
        // would otherwise show the labels of the old width until the next
        // replot.
        m_window.chartResized();
        QCustomPlot::resizeEvent(event);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        m_start = event->position().toPoint();
        m_gesture = Gesture::None;
        if (!axisRect()->rect().contains(m_start))
            return;
        if (event->button() == Qt::LeftButton && m_window.zoomAllowed()) {
            m_gesture = Gesture::Zoom;
            m_band->setGeometry(QRect(m_start, QSize()));
            m_band->show();
        } else if (event->button() == Qt::RightButton) {
            m_gesture = Gesture::RightClick;
            m_startAxes = m_window.axisState();
        }
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        const QPoint at = event->position().toPoint();
        const QPoint moved = at - m_start;
        switch (m_gesture) {
        case Gesture::Zoom:
            m_band->setGeometry(QRect(m_start, at).normalized());
            break;
        case Gesture::RightClick:
            if (moved.manhattanLength() < DragThreshold ||
                m_window.panMode() == GraphWindow::PanMode::None)
                break;
            m_gesture = Gesture::Pan;
            [[fallthrough]];
        case Gesture::Pan:
            m_window.pan(moved.x(), moved.y(), m_startAxes);
            break;
        case Gesture::None:
            m_window.hoverAt(at);
            break;
        }
    }

    void leaveEvent(QEvent* event) override
    {
        m_window.clearHover();
        QCustomPlot::leaveEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const Gesture gesture = m_gesture;
        m_gesture = Gesture::None;
        const QPoint at = event->position().toPoint();
        const QPoint moved = at - m_start;
        if (gesture == Gesture::Zoom) {
            m_band->hide();
            if (moved.x() >= DragThreshold && moved.y() >= DragThreshold)
                m_window.zoomInto(QRect(m_start, at));
            else if (moved.manhattanLength() >= DragThreshold)
                m_window.undoZoom();
        } else if (gesture == Gesture::RightClick) {
            if (m_window.m_beforeZoom)
                m_window.undoZoom();
        }
    }

    // Zoom and pan are the drags above; wheel and double click do nothing.
    void mouseDoubleClickEvent(QMouseEvent*) override {}
    void wheelEvent(QWheelEvent* event) override { event->ignore(); }

private:
    enum class Gesture { None, Zoom, RightClick, Pan };

    GraphWindow& m_window;
    QRubberBand* m_band;
    Gesture m_gesture = Gesture::None;
    QPoint m_start;
    GraphWindow::AxisState m_startAxes;
};

namespace {

QToolButton* makeSpeedButton(QWidget* parent, const char* name, const char* icon,
                             const QString& hint, int left, bool checkable)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIcon(SvgIcon(QLatin1String(icon)));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(hint);
    button->setCheckable(checkable);
    button->setGeometry(left, 4, 25, 25);
    return button;
}

} // namespace

GraphWindow::GraphWindow(Graph& model, const Series& series, QPrinter& printer, QWidget* parent)
    : QMainWindow(parent), m_graph(model), m_series(series), m_printer(printer)
{
    setObjectName(QStringLiteral("TForm9"));
    setWindowTitle(QStringLiteral("Graf spotřeby energie"));
    // Sizeable, with minimise but without maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(WindowFont(8));

    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* toolBar = new QWidget(client);
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->setFixedHeight(33);
    layout->addWidget(toolBar);
    Chart1 = new GraphChart(*this, client);
    layout->addWidget(Chart1, 1);
    setCentralWidget(client);

    createToolBar(toolBar);
    createMenu();
    m_hoverLabel = new QLabel(toolBar);
    m_hoverLabel->setObjectName(QStringLiteral("HoverLabel"));
    m_hoverLabel->setGeometry(HoverLabelLeft, 4, 100, 25);

    // The outer 655 x 456 of the design leaves the chart its design width of
    // 645 pixels inside a window frame.
    resize(static_cast<int>(Graph::kDesignWidth), 422);
    move(110, 102);

    Graph& g = graph();
    g.chartWidth = Graph::kDesignWidth;
    Chart1->title->setText(QString::fromStdString(g.title()));
    Chart1->yAxis->setLabel(QString::fromStdString(g.valueAxisTitle()));
    fillBars();
    fillLabels();
    applyAutomaticRanges();
    Chart1->setEnabled(g.enabled());
    g.setChangeHandler([this](GraphChange change) { graphChanged(change); });
}

GraphWindow::~GraphWindow()
{
    graph().setChangeHandler(nullptr);
}

Graph& GraphWindow::graph()
{
    return m_graph;
}

void GraphWindow::createToolBar(QWidget* toolBar)
{
    ToolButton1 = makeSpeedButton(toolBar, "ToolButton1", ":/icons/graph-pan-x.svg",
                                  QStringLiteral("Vodorovný posun povolen"), 8, true);
    ToolButton2 = makeSpeedButton(toolBar, "ToolButton2", ":/icons/graph-pan-y.svg",
                                  QStringLiteral("Svislý posun povolen"), 33, true);
    ToolButton3 = makeSpeedButton(toolBar, "ToolButton3", ":/icons/graph-pan-xy.svg",
                                  QStringLiteral("Posun povolen v obou směrech"), 58, true);
    ToolButton5 = makeSpeedButton(toolBar, "ToolButton5", ":/icons/graph-pan-off.svg",
                                  QStringLiteral("Zákaz posunu"), 83, true);
    ToolButton6 = makeSpeedButton(toolBar, "ToolButton6", ":/icons/graph-zoom-on.svg",
                                  QStringLiteral("Zoom grafu povolen"), 120, true);
    ToolButton7 = makeSpeedButton(toolBar, "ToolButton7", ":/icons/graph-zoom-off.svg",
                                  QStringLiteral("Zoom grafu zakázán"), 145, true);
    ToolButton10 = makeSpeedButton(toolBar, "ToolButton10", ":/icons/graph-one-day.svg",
                                   QStringLiteral("Nastavení vodorovné osy na 1 den"), 184, false);
    ToolButton11 =
        makeSpeedButton(toolBar, "ToolButton11", ":/icons/graph-auto-x.svg",
                        QStringLiteral("Automatické nastavení vodorovné osy"), 209, false);
    ToolButton13 = makeSpeedButton(toolBar, "ToolButton13", ":/icons/graph-auto-y.svg",
                                   QStringLiteral("Automatické nastavení svislé osy"), 234, false);

    m_panButtons = new QButtonGroup(this);
    m_panButtons->addButton(ToolButton1, static_cast<int>(PanMode::Horizontal));
    m_panButtons->addButton(ToolButton2, static_cast<int>(PanMode::Vertical));
    m_panButtons->addButton(ToolButton3, static_cast<int>(PanMode::Both));
    m_panButtons->addButton(ToolButton5, static_cast<int>(PanMode::None));
    ToolButton5->setChecked(true);
    connect(m_panButtons, &QButtonGroup::idClicked, this,
            [this](int id) { setPanFromButton(static_cast<PanMode>(id)); });

    m_zoomButtons = new QButtonGroup(this);
    m_zoomButtons->addButton(ToolButton6);
    m_zoomButtons->addButton(ToolButton7);
    ToolButton7->setChecked(true);
    connect(ToolButton6, &QToolButton::clicked, this, [this] { setZoomFromButton(true); });
    connect(ToolButton7, &QToolButton::clicked, this, [this] { setZoomFromButton(false); });

    connect(ToolButton10, &QToolButton::clicked, this, &GraphWindow::showOneDay);
    connect(ToolButton11, &QToolButton::clicked, this, &GraphWindow::makeTimeAxisAutomatic);
    connect(ToolButton13, &QToolButton::clicked, this, &GraphWindow::makeValueAxisAutomatic);
}

void GraphWindow::createMenu()
{
    QMenuBar* bar = menuBar();
    const auto addItem = AddNamedAction;
    const auto addMenu = [bar](const char* name, const QString& title) {
        return AddNamedMenu(bar, name, title);
    };

    AddPrintMenu(
        bar, this, m_printer, [this](QPrinter& printer) { return printChart(printer); }, false);

    QMenu* edit = addMenu("pravy1", QStringLiteral("Úpravy"));
    edit->setToolTipsVisible(true);
    KoprujjakoBMP1 = addItem(edit, "KoprujjakoBMP1", QStringLiteral("Kopíruj jako BMP"));
    KoprujjakoBMP1->setToolTip(QStringLiteral("Kopíruje graf jako obrázek formátu BMP"));
    KoprujjakoBMP1->setStatusTip(KoprujjakoBMP1->toolTip());
    KoprujjakoMetafile1 =
        addItem(edit, "KoprujjakoMetafile1", QStringLiteral("Kopíruj jako Metafile"));
    edit->addSeparator()->setObjectName(QStringLiteral("N1"));
    OddCarka = addItem(edit, "OddCarka", QStringLiteral("Oddělovač čárka"));
    OddCarka->setCheckable(true);
    OddCarka->setChecked(true);
    KoprujhodnotyXY1 = addItem(edit, "KoprujhodnotyXY1", QStringLiteral("Kopíruj hodnoty XY"));
    KoprujhodnotyY1 = addItem(edit, "KoprujhodnotyY1", QStringLiteral("Kopíruj hodnoty Y"));
    connect(KoprujjakoBMP1, &QAction::triggered, this, &GraphWindow::copyAsBitmap);
    connect(KoprujjakoMetafile1, &QAction::triggered, this, &GraphWindow::copyAsVectorPicture);
    connect(KoprujhodnotyXY1, &QAction::triggered, this, [this] { copyValues(true); });
    connect(KoprujhodnotyY1, &QAction::triggered, this, [this] { copyValues(false); });

    QMenu* zoom = addMenu("Zoom1", QStringLiteral("Zoom"));
    m_panItems = new QActionGroup(this);
    struct PanItem {
        QAction** action;
        const char* name;
        const char* text;
        PanMode mode;
    };
    const PanItem items[] = {
        {&Posunvypnut1, "Posunvypnut1", "Posun vypnut", PanMode::None},
        {&Vodorovn1, "Vodorovn1", "Vodorovně", PanMode::Horizontal},
        {&Svisle1, "Svisle1", "Svisle", PanMode::Vertical},
        {&Obasmry1, "Obasmry1", "Oba směry", PanMode::Both},
    };
    for (const PanItem& item : items) {
        QAction* action = addItem(zoom, item.name, QString::fromUtf8(item.text));
        action->setCheckable(true);
        m_panItems->addAction(action);
        *item.action = action;
        const PanMode mode = item.mode;
        connect(action, &QAction::triggered, this, [this, mode] { setPanFromMenu(mode); });
    }
    Posunvypnut1->setChecked(true);
    // "Posun vypnut" also does what the "Zákaz posunu" button does.
    connect(Posunvypnut1, &QAction::triggered, ToolButton5, &QToolButton::click);
    zoom->addSeparator()->setObjectName(QStringLiteral("N2"));
    Zoom2 = addItem(zoom, "Zoom2", QStringLiteral("Zoom"));
    Zoom2->setCheckable(true);
    connect(Zoom2, &QAction::triggered, this, &GraphWindow::setZoomFromMenu);

    // Exports sit in a menu of their own, after the menus the window always had.
    m_exportMenu = addMenu("Export1", QStringLiteral("Export"));
    UlozitPDF1 = addItem(m_exportMenu, "UlozitPDF1", QStringLiteral("Uložit jako PDF…"));
    UlozitPDF1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(UlozitPDF1, &QAction::triggered, this, &GraphWindow::saveAsPdf);

    createAnalysisMenu();

    QMenu* help = addMenu("Help1", QStringLiteral("Help"));
    Npovdakegrafu1 = addItem(help, "Npovdakegrafu1", QStringLiteral("Nápověda ke grafu"));
    connect(Npovdakegrafu1, &QAction::triggered, this,
            [this] { OpenHelp(this, QStringLiteral("GR")); });
}

void GraphWindow::createAnalysisMenu()
{
    // The analyses sit in a menu of their own after the window's menus, as
    // the exports do; nothing in the menus before changes.
    QMenu* menu = AddNamedMenu(menuBar(), "Analyza1", QStringLiteral("Analýza"));
    TeplotniMapa1 = AddNamedAction(menu, "TeplotniMapa1", QStringLiteral("Teplotní mapa"));
    KrivkaTrvani1 = AddNamedAction(menu, "KrivkaTrvani1", QStringLiteral("Křivka trvání zatížení"));
    menu->addSeparator();
    QMenu* compare = menu->addMenu(QStringLiteral("Porovnat s…"));
    compare->setObjectName(QStringLiteral("PorovnatS1"));
    PorovnatRok1 = AddNamedAction(compare, "PorovnatRok1", QStringLiteral("Předchozím rokem"));
    PorovnatMesic1 =
        AddNamedAction(compare, "PorovnatMesic1", QStringLiteral("Předchozím měsícem"));
    compare->addSeparator();
    BezPorovnani1 = AddNamedAction(compare, "BezPorovnani1", QStringLiteral("Bez porovnání"));
    compare->addSeparator();
    PodleDnuTydne1 =
        AddNamedAction(compare, "PodleDnuTydne1", QStringLiteral("Rok podle dnů v týdnu"));
    PodleDnuTydne1->setCheckable(true);
    PodleDnuTydne1->setChecked(true);
    connect(PodleDnuTydne1, &QAction::toggled, this, [this] {
        if (m_comparisonKind == Comparison::PreviousYear)
            chooseComparison(m_comparisonKind);
    });
    auto* kinds = new QActionGroup(this);
    for (QAction* item : {PorovnatRok1, PorovnatMesic1, BezPorovnani1}) {
        item->setCheckable(true);
        kinds->addAction(item);
    }
    BezPorovnani1->setChecked(true);
    VyznacitMaximum1 = AddNamedAction(menu, "VyznacitMaximum1", QStringLiteral("Vyznačit maximum"));
    VyznacitMaximum1->setCheckable(true);
    VyznacitMaximum1->setChecked(true);

    connect(TeplotniMapa1, &QAction::triggered, this, &GraphWindow::heatMapRequested);
    connect(KrivkaTrvani1, &QAction::triggered, this, &GraphWindow::loadDurationRequested);
    connect(PorovnatRok1, &QAction::triggered, this,
            [this] { chooseComparison(Comparison::PreviousYear); });
    connect(PorovnatMesic1, &QAction::triggered, this,
            [this] { chooseComparison(Comparison::PreviousMonth); });
    connect(BezPorovnani1, &QAction::triggered, this,
            [this] { chooseComparison(Comparison::None); });
    connect(VyznacitMaximum1, &QAction::triggered, this, [this] {
        markMaximum();
        redraw();
    });
}

void GraphWindow::graphChanged(GraphChange change)
{
    Graph& g = graph();
    switch (change) {
    case GraphChange::Cleared:
        m_axes.xAuto = true;
        // A new listing is drawn to its own values: a value axis zoomed or
        // panned for the last one would cut off this one's peaks.
        m_axes.yAuto = true;
        if (m_beforeZoom) {
            m_beforeZoom->xAuto = true;
            m_beforeZoom->yAuto = true;
        }
        dropComparison();
        break;
    case GraphChange::TitleChanged:
        Chart1->title->setText(QString::fromStdString(g.title()));
        Chart1->yAxis->setLabel(QString::fromStdString(g.valueAxisTitle()));
        dropComparison();
        break;
    case GraphChange::Relabelled:
        break;
    }
    clearHover();
    fillBars();
    fillLabels();
    applyAutomaticRanges();
    Chart1->setEnabled(g.enabled());
    redraw();
    emit barsChanged();
    // The comparison follows the listing: the new period's counterpart.
    if (change == GraphChange::Relabelled && m_comparisonKind != Comparison::None &&
        !g.bars().empty())
        emit comparisonRequested(m_comparisonKind);
}

void GraphWindow::chooseComparison(Comparison kind)
{
    m_comparisonKind = kind;
    dropComparison();
    applyAutomaticRanges();
    redraw();
    if (kind != Comparison::None && !graph().bars().empty())
        emit comparisonRequested(kind);
}

void GraphWindow::dropComparison()
{
    m_comparison.clear();
    m_comparisonShown = false;
    fillComparison();
    if (!m_comparisonNote.isEmpty() && statusBar()->currentMessage() == m_comparisonNote)
        statusBar()->clearMessage();
    m_comparisonNote.clear();
}

bool GraphWindow::comparisonByWeekday() const
{
    return PodleDnuTydne1->isChecked();
}

void GraphWindow::showComparison(const std::vector<GraphBar>& bars, const QString& periodName,
                                 const QString& comparisonName, const QString& note)
{
    if (m_comparisonKind == Comparison::None)
        return;
    m_comparisonNote = note;
    if (!note.isEmpty())
        statusBar()->showMessage(note);
    m_comparison = bars;
    m_periodName = periodName;
    m_comparisonName = comparisonName;
    m_comparisonShown = true;
    fillComparison();
    applyAutomaticRanges();
    redraw();
}

void GraphWindow::fillComparison()
{
    QVector<QCPGraphData> data;
    data.reserve(static_cast<int>(m_comparison.size()));
    const double gap = 1.5 * m_barSpacing;
    m_comparisonMin = 0;
    m_comparisonMax = 0;
    for (std::size_t i = 0; i < m_comparison.size(); ++i) {
        const GraphBar& bar = m_comparison[i];
        if (std::isfinite(bar.y)) {
            m_comparisonMin = std::min(m_comparisonMin, bar.y);
            m_comparisonMax = std::max(m_comparisonMax, bar.y);
        }
        // Missing quarter-hours break the line rather than bridge it.
        if (i > 0 && bar.x - m_comparison[i - 1].x > gap)
            data.append(QCPGraphData((bar.x + m_comparison[i - 1].x) / 2, qQNaN()));
        data.append(QCPGraphData(bar.x, bar.y));
    }
    Chart1->comparison->data()->set(data, true);
    Chart1->comparison->setVisible(m_comparisonShown && !m_comparison.empty());

    QCPLegend* legend = Chart1->legend;
    legend->clearItems();
    legend->setVisible(m_comparisonShown);
    // The bars keep their series name outside the comparison.
    Chart1->bars->setName(QStringLiteral("Series1"));
    if (!m_comparisonShown)
        return;
    Chart1->bars->setName(m_periodName);
    Chart1->bars->addToLegend();
    Chart1->comparison->setName(
        m_comparison.empty() ? m_comparisonName + QStringLiteral(" (bez dat)") : m_comparisonName);
    Chart1->comparison->addToLegend();
}

QStringList GraphWindow::legendNames() const
{
    QStringList names;
    if (!Chart1->legend->visible())
        return names;
    for (int i = 0; i < Chart1->legend->itemCount(); ++i)
        if (auto* item = qobject_cast<QCPPlottableLegendItem*>(Chart1->legend->item(i)))
            names << item->plottable()->name();
    return names;
}

void GraphWindow::markMaximum()
{
    const std::optional<PeakBar> peak = PeriodMaximum(graph().bars());
    const bool shown = peak && VyznacitMaximum1->isChecked();
    Chart1->peakMark->setVisible(shown);
    Chart1->showPeakText(shown);
    if (!shown)
        return;
    Chart1->peakMark->position->setCoords(peak->x, peak->value);
    Chart1->peakText->setText(QStringLiteral("Maximum %1%2: %3")
                                  .arg(QString::fromStdString(ValueText(peak->value)), unitSuffix(),
                                       QString::fromStdString(QuarterText(peak->x))));
}

QString GraphWindow::maximumText() const
{
    return Chart1->peakText->visible() ? Chart1->peakText->text() : QString();
}

QString GraphWindow::unitSuffix() const
{
    const Graph& g = m_graph;
    if (g.impulses())
        return QStringLiteral(" imp.");
    return g.unit().empty() ? QString() : QLatin1Char(' ') + QString::fromStdString(g.unit());
}

void GraphWindow::hoverAt(const QPoint& at)
{
    const std::vector<GraphBar>& bars = graph().bars();
    const QRect area = Chart1->axisRect()->rect();
    if (bars.empty() || !area.contains(at)) {
        clearHover();
        return;
    }
    // Zoomed out, a pixel column holds many bars and shows the highest of
    // them; zoomed in, the nearest bar within half its slot is the one meant.
    const double from = Chart1->xAxis->pixelToCoord(at.x());
    const double to = Chart1->xAxis->pixelToCoord(at.x() + 1);
    std::optional<std::size_t> index = HighestBarIn(bars, from, to);
    if (!index)
        index = NearestBar(bars, Chart1->xAxis->pixelToCoord(at.x() + 0.5), m_barSpacing / 2);
    if (!index) {
        clearHover();
        return;
    }
    const GraphBar& bar = bars[*index];
    QString text = QStringLiteral("%1   %2%3")
                       .arg(QString::fromStdString(QuarterText(bar.x)),
                            QString::fromStdString(ValueText(bar.y)), unitSuffix());
    if (m_comparisonShown) {
        const std::optional<std::size_t> other = NearestBar(m_comparison, bar.x, m_barSpacing / 2);
        text += QStringLiteral("   %1: %2")
                    .arg(m_comparisonName,
                         other ? QString::fromStdString(ValueText(m_comparison[*other].y)) +
                                     unitSuffix()
                               : QStringLiteral("—"));
    }
    m_hoverLabel->setText(text);
}

void GraphWindow::clearHover()
{
    m_hoverLabel->clear();
}

QString GraphWindow::hoverText() const
{
    return m_hoverLabel->text();
}

QPoint GraphWindow::barPoint(std::size_t index) const
{
    const GraphBar& bar = m_graph.bars().at(index);
    return QPoint(static_cast<int>(std::floor(Chart1->xAxis->coordToPixel(bar.x))),
                  static_cast<int>(std::lround(Chart1->yAxis->coordToPixel(bar.y))));
}

void GraphWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // The tool bar spans the window but is laid out only after this event, so
    // its own width would still be the old one.
    if (m_hoverLabel)
        m_hoverLabel->resize(std::max(0, width() - HoverLabelLeft - 4), 25);
}

void GraphWindow::fillBars()
{
    const std::vector<GraphBar>& bars = graph().bars();
    QVector<QCPBarsData> data;
    data.reserve(static_cast<int>(bars.size()));
    double spacing = std::numeric_limits<double>::infinity();
    double low = 0;
    double high = 0;
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const GraphBar& bar = bars[i];
        data.append(QCPBarsData(bar.x, bar.y));
        if (i > 0 && bar.x > bars[i - 1].x)
            spacing = std::min(spacing, bar.x - bars[i - 1].x);
        if (std::isfinite(bar.y)) {
            low = std::min(low, bar.y);
            high = std::max(high, bar.y);
        }
    }
    Chart1->bars->data()->set(data, true);
    // The narrowest gap is the slot of one value (a quarter-hour, an hour, a
    // day); a single bar gets the slot of a quarter-hour.
    m_barSpacing = std::isfinite(spacing) ? spacing : 1.0 / 96;
    Chart1->bars->setWidth(BarWidthShare * m_barSpacing);
    m_valueMin = low;
    m_valueMax = high;
    markMaximum();
}

void GraphWindow::fillLabels()
{
    QMap<double, QString> ticks;
    for (const GraphBar& bar : graph().bars()) {
        // Bars come in ascending x, so each label goes in at the end.
        if (!bar.label.empty() && (ticks.isEmpty() || (--ticks.cend()).key() < bar.x))
            ticks.insert(ticks.cend(), bar.x, QString::fromStdString(bar.label));
    }
    Chart1->ticker->setTicks(ticks);
}

void GraphWindow::applyAutomaticRanges()
{
    const std::vector<GraphBar>& bars = graph().bars();
    if (m_axes.xAuto) {
        if (bars.empty())
            Chart1->xAxis->setRange(0, 1);
        else
            // Half a slot on either side, so the outer bars sit inside the axis.
            Chart1->xAxis->setRange(bars.front().x - m_barSpacing / 2,
                                    bars.back().x + m_barSpacing / 2);
    }
    if (m_axes.yAuto) {
        double low = m_valueMin;
        double high = m_valueMax;
        // The comparison line is drawn whole, as the bars are.
        if (m_comparisonShown) {
            low = std::min(low, m_comparisonMin);
            high = std::max(high, m_comparisonMax);
        }
        if (!(high > low))
            high = low + 1;
        // Some room above the highest bar (and below the lowest negative one).
        const double margin = (high - low) * 0.05;
        Chart1->yAxis->setRange(low < 0 ? low - margin : low, high > 0 ? high + margin : high);
    }
}

GraphWindow::AxisState GraphWindow::axisState() const
{
    AxisState state = m_axes;
    const QCPRange x = Chart1->xAxis->range();
    const QCPRange y = Chart1->yAxis->range();
    state.xMin = x.lower;
    state.xMax = x.upper;
    state.yMin = y.lower;
    state.yMax = y.upper;
    return state;
}

void GraphWindow::setAxisState(const AxisState& state)
{
    m_axes = state;
    if (!state.xAuto)
        Chart1->xAxis->setRange(state.xMin, state.xMax);
    if (!state.yAuto)
        Chart1->yAxis->setRange(state.yMin, state.yMax);
    applyAutomaticRanges();
}

void GraphWindow::labelFromAxis()
{
    Graph& g = graph();
    Chart1->setEnabled(g.enabled());
    if (!g.enabled())
        return;
    applyAutomaticRanges();
    // The automatic axis adds half a slot beside the outer bars so that they
    // show whole; its range is still that of the bars, as the listing labelled
    // it. With the padding a resize near a step boundary would pick another
    // step than the listing did.
    double first = g.bars().front().x;
    double last = g.bars().back().x;
    if (!m_axes.xAuto) {
        const QCPRange range = Chart1->xAxis->range();
        first = range.lower;
        last = range.upper;
    }
    if (Relabel(g, first, last, g.chartWidth))
        fillLabels();
}

void GraphWindow::redraw(bool queued)
{
    // A hidden chart is drawn when it is shown.
    if (!isVisible()) {
        m_stale = true;
        return;
    }
    Chart1->replot(queued ? QCustomPlot::rpQueuedReplot : QCustomPlot::rpRefreshHint);
}

void GraphWindow::replotChart()
{
    Chart1->replot(QCustomPlot::rpImmediateRefresh);
}

void GraphWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_stale) {
        m_stale = false;
        Chart1->replot();
    }
}

QPair<double, double> GraphWindow::horizontalRange() const
{
    const QCPRange range = Chart1->xAxis->range();
    return {range.lower, range.upper};
}

QPair<double, double> GraphWindow::verticalRange() const
{
    const QCPRange range = Chart1->yAxis->range();
    return {range.lower, range.upper};
}

QStringList GraphWindow::drawnAxisLabels() const
{
    QStringList labels;
    for (const QString& label : Chart1->xAxis->tickVectorLabels())
        labels.append(label);
    return labels;
}

QStringList GraphWindow::axisLabels() const
{
    QStringList labels;
    const QMap<double, QString>& ticks = Chart1->ticker->ticks();
    for (auto it = ticks.cbegin(); it != ticks.cend(); ++it)
        labels.append(it.value());
    return labels;
}

void GraphWindow::setPanFromButton(PanMode mode)
{
    m_panMode = mode;
    QAction* const items[] = {Posunvypnut1, Vodorovn1, Svisle1, Obasmry1};
    items[static_cast<int>(mode)]->setChecked(true);
}

void GraphWindow::setPanFromMenu(PanMode mode)
{
    m_panMode = mode;
    m_panButtons->button(static_cast<int>(mode))->setChecked(true);
}

void GraphWindow::setZoomFromButton(bool allowed)
{
    m_zoomAllowed = allowed;
    Zoom2->setChecked(allowed);
}

void GraphWindow::setZoomFromMenu(bool checked)
{
    m_zoomAllowed = checked;
    (checked ? ToolButton6 : ToolButton7)->setChecked(true);
}

void GraphWindow::chartResized()
{
    graph().chartWidth = Chart1->width();
    labelFromAxis();
}

void GraphWindow::zoomInto(const QRect& area)
{
    if (!m_beforeZoom)
        m_beforeZoom = std::make_unique<AxisState>(axisState());
    AxisState zoomed;
    zoomed.xAuto = false;
    zoomed.yAuto = false;
    zoomed.xMin = Chart1->xAxis->pixelToCoord(area.left());
    zoomed.xMax = Chart1->xAxis->pixelToCoord(area.right());
    zoomed.yMin = Chart1->yAxis->pixelToCoord(area.bottom());
    zoomed.yMax = Chart1->yAxis->pixelToCoord(area.top());
    setAxisState(zoomed);
    labelFromAxis();
    redraw();
}

void GraphWindow::undoZoom()
{
    // Not zoomed: back to both axes following the bars.
    const AxisState restored = m_beforeZoom ? *m_beforeZoom : AxisState();
    m_beforeZoom.reset();
    setAxisState(restored);
    labelFromAxis();
    redraw();
}

void GraphWindow::pan(double dxPixels, double dyPixels, const AxisState& start)
{
    AxisState state = axisState();
    const QRect area = Chart1->axisRect()->rect();
    if ((m_panMode == PanMode::Horizontal || m_panMode == PanMode::Both) && area.width() > 0) {
        const double shift = dxPixels * (start.xMax - start.xMin) / area.width();
        state.xAuto = false;
        state.xMin = start.xMin - shift;
        state.xMax = start.xMax - shift;
    }
    if ((m_panMode == PanMode::Vertical || m_panMode == PanMode::Both) && area.height() > 0) {
        // Pixel y grows downwards, values upwards.
        const double shift = dyPixels * (start.yMax - start.yMin) / area.height();
        state.yAuto = false;
        state.yMin = start.yMin + shift;
        state.yMax = start.yMax + shift;
    }
    setAxisState(state);
    labelFromAxis();
    // Mouse moves come faster than frames; one replot per frame is enough.
    redraw(true);
}

void GraphWindow::showOneDay()
{
    setPanFromButton(PanMode::Horizontal);
    setPanFromMenu(PanMode::Horizontal);
    Graph& g = graph();
    if (!g.bars().empty()) {
        AxisState state = axisState();
        state.xAuto = false;
        state.xMin = g.bars().front().x;
        state.xMax = state.xMin + 1;
        setAxisState(state);
    }
    g.LabelStep = 0;
    labelFromAxis();
    redraw();
}

void GraphWindow::makeTimeAxisAutomatic()
{
    m_axes.xAuto = true;
    applyAutomaticRanges();
    graph().LabelStep = 0;
    labelFromAxis();
    redraw();
}

void GraphWindow::makeValueAxisAutomatic()
{
    m_axes.yAuto = true;
    applyAutomaticRanges();
    redraw();
}

bool GraphWindow::printChart(QPrinter& printer)
{
    printer.setDocName(QStringLiteral("Chart1"));
    QCPPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    // The page's width, in the chart's proportions as far as the page allows.
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const int width = page.width();
    const int height =
        std::min(page.height(), static_cast<int>(std::lround(double(width) * Chart1->height() /
                                                             std::max(1, Chart1->width()))));
    Chart1->toPainter(&painter, width, height);
    return painter.end();
}

QByteArray GraphWindow::chartPdf() const
{
    // A vector page: A4 landscape, the chart with its title as the screen
    // shows it, below the heading of every report.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(QString::fromStdString(m_graph.title()));
    writer.setCreator(QStringLiteral("Kwatrix"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                     QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
    writer.setResolution(96);
    QCPPainter painter;
    if (!painter.begin(&writer))
        return QByteArray();
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    const ReportPageFrame frame(writer, m_reportHeading ? m_reportHeading() : ReportHeading());
    frame.draw(painter, 1, 1);
    const QRectF body = frame.body();
    painter.translate(body.topLeft());
    Chart1->toPainter(&painter, static_cast<int>(body.width()), static_cast<int>(body.height()));
    return painter.end() ? buffer.data() : QByteArray();
}

void GraphWindow::saveAsPdf()
{
    if (!showsListing()) {
        RefuseEmptyExport(this);
        return;
    }
    const QString path = AskExportPath(this, QStringLiteral("Uložit graf jako PDF"),
                                       QStringLiteral("graf.pdf"), QStringLiteral("PDF (*.pdf)"));
    if (!path.isEmpty())
        SaveExport(this, path, chartPdf());
}

QImage GraphWindow::chartImage() const
{
    return Chart1->toPixmap(Chart1->width(), Chart1->height()).toImage();
}

QByteArray GraphWindow::chartSvg() const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const QSize size = Chart1->size();
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(windowTitle());
    QCPPainter painter;
    painter.begin(&generator);
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    Chart1->toPainter(&painter, size.width(), size.height());
    painter.end();
    return buffer.data();
}

void GraphWindow::copyAsBitmap()
{
    QGuiApplication::clipboard()->setImage(chartImage());
}

void GraphWindow::copyAsVectorPicture()
{
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/svg+xml"), chartSvg());
    QGuiApplication::clipboard()->setMimeData(data);
}

void GraphWindow::copyValues(bool xy)
{
    const std::string text = CopyValuesText(graph().bars(), xy, OddCarka->isChecked());
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

} // namespace kw
