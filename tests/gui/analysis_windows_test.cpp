// The analyses of the graph: the heat map's cells under the mouse with the
// day start offset, the load-duration curve's share above the reserved
// capacity, and the program opening both and laying the same period of
// another month or year over the graph.

#include "GuiSupport.h"
#include "analysis/HeatMapWindow.h"
#include "analysis/LoadAnalysis.h"
#include "analysis/LoadDurationWindow.h"
#include "analysis/QuietListing.h"
#include "analysis/YearOverview.h"
#include "archive/DateTime.h"
#include "graph/GraphReadout.h"
#include "graph/GraphWindow.h"

#include <qcustomplot.h>

#include <QAction>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <limits>

#include <optional>

namespace {

// The mouse moved over `widget` to `at`, without a button. Sent to the widget
// itself: QTest moves the cursor, and whichever window lies on top there
// would get the move.
void hover(QWidget* widget, const QPoint& at)
{
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

constexpr int64_t kMarch1 = 45352; // Friday 1 March 2024

// The x of the stamp `seconds` after midnight of day `day`.
double At(int64_t day, int64_t seconds)
{
    return static_cast<double>(day * 86400 + seconds) / 86400.0;
}

// A value as a listing adds it: a bar of the graph and a value of the series.
void Add(kw::Engine& e, int64_t day, int32_t quarter, int64_t seconds, double value)
{
    e.graph.AddGraphBar(At(day, seconds), value);
    e.series.Add(day, quarter, day * 86400.0L + seconds, float(value), float(value));
}

} // namespace

class AnalysisWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void heatMapCells();
    void loadDurationShare_data();
    void loadDurationShare();
    void programOpensAndCompares_data();
    void programOpensAndCompares();
};

void AnalysisWindowsTest::initTestCase()
{
    QVERIFY(kwtest::isolateSettings());
    Q_INIT_RESOURCE(kwatrix);
}

void AnalysisWindowsTest::heatMapCells()
{
    kwtest::BareEngine bare;
    kw::Graph& graph = bare.engine.graph;
    kw::HeatMapWindow window(graph, bare.engine.series);
    bare.engine.series.dayStartOffset = -3600; // listing days from 23:00 the evening before
    window.show();                             // empty, with no dates: day 0 would read "30.12."
    auto* plot = kwtest::findChild<QCustomPlot>(&window, QStringLiteral("HeatMapChart"));
    QVERIFY(QTest::qWaitForWindowExposed(&window) && !plot->xAxis->tickLabels());

    graph.SetGraphTitle("BŘEZEN 2024 - Činná - MĚSÍC", "kW");
    graph.ClearGraph();
    for (int day = 0; day < 2; ++day)
        for (int q = 0; q < 96; ++q)
            if (!(day == 0 && q == 50))
                Add(bare.engine, kMarch1 + day, q, -3600 + (q + 1) * 900, day * 100 + q);
    graph.RelabelGraph();
    window.barsChanged();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.heatMap().firstDay, kMarch1);
    QCOMPARE(window.heatMap().days, 2);
    QVERIFY(plot->xAxis->tickLabels());
    QCOMPARE(window.scaleLabel(), QStringLiteral("Hodnota [kW]"));
    QWidget* chart = kwtest::findChild<QWidget>(&window, QStringLiteral("HeatMapChart"));

    struct Cell {
        int column;
        int quarter;
        const char* text;
    };
    const Cell cells[] = {
        {0, 0, "čt 29.02.2024 23:00–23:15   0 kW"},
        {0, 4, "pá 01.03.2024 00:00–00:15   4 kW"},
        {1, 95, "so 02.03.2024 22:45–23:00   195 kW"},
        {0, 50, "pá 01.03.2024 11:30–11:45   bez hodnoty"},
    };
    for (const Cell& cell : cells) {
        hover(chart, window.cellCentre(cell.column, cell.quarter));
        QCOMPARE(window.hoverText(), QString::fromUtf8(cell.text));
    }
}

void AnalysisWindowsTest::loadDurationShare_data()
{
    QTest::addColumn<int>("low");         // values of 100 before the four below
    QTest::addColumn<double>("capacity"); // NaN: none set
    QTest::addColumn<bool>("impulses");
    QTest::addColumn<QString>("share");

    const double none = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("half above") << 0 << 250.0 << false
                                << "Nad kapacitou 250 kW: 50,0 % času (2 čtvrthodiny z 4)";
    QTest::newRow("at the maximum, none above")
        << 0 << 400.0 << false << "Nad kapacitou 400 kW: 0,0 % času (0 čtvrthodin z 4)";
    QTest::newRow("one in thousands is not 0,0 %")
        << 2000 << 350.0 << false
        << "Nad kapacitou 350 kW: méně než 0,1 % času (1 čtvrthodina z 2004)";
    QTest::newRow("none set")
        << 0 << none << false
        << "Rezervovaná kapacita není nastavena (zadává se v Ročním přehledu).";
    QTest::newRow("impulses")
        << 0 << 250.0 << true
        << "Hodnoty jsou v impulzech: s rezervovanou kapacitou je nelze porovnat.";
}

void AnalysisWindowsTest::loadDurationShare()
{
    QFETCH(int, low);
    QFETCH(double, capacity);
    QFETCH(bool, impulses);
    QFETCH(QString, share);

    kwtest::BareEngine bare;
    kw::Graph& graph = bare.engine.graph;
    kw::LoadDurationWindow window(graph, bare.engine.series, [capacity]() -> std::optional<double> {
        if (std::isnan(capacity))
            return std::nullopt;
        return capacity;
    });
    graph.SetGraphTitle("BŘEZEN 2024 - Činná - MĚSÍC", "kW", impulses);
    graph.ClearGraph();
    for (int i = 0; i < low; ++i)
        Add(bare.engine, kMarch1, 0, (i + 1) * 900, 100);
    const double values[] = {300, 100, 400, 200};
    for (int i = 0; i < 4; ++i)
        Add(bare.engine, kMarch1, 0, (low + i + 1) * 900, values[i]);
    graph.RelabelGraph();
    window.barsChanged();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.shareText(), share);
    QCOMPARE(window.curve().front(), 400.0);
    QCOMPARE(window.curve().size(), std::size_t(low + 4));
    if (low == 0 && !impulses) {
        QCOMPARE(window.maximumText(), QStringLiteral("Maximum 400 kW: pá 01.03.2024 00:30–00:45"));
        QWidget* chart = kwtest::findChild<QWidget>(&window, QStringLiteral("LoadDurationChart"));
        hover(chart, window.pointOf(1));
        QCOMPARE(window.hoverText(),
                 QStringLiteral("Alespoň 300 kW po dobu 0,50 h (2 čtvrthodiny, 50,0 % času)"));
    }
}

void AnalysisWindowsTest::programOpensAndCompares_data()
{
    QTest::addColumn<int>("listedYear"); // of March
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("underMarch1"); // the day of the other month drawn over 1 March
    QTest::addColumn<QString>("leftOut"); // the status line's days not shown
    QTest::newRow("previous month")
        << 2024 << "PorovnatMesic1" << 2024 << 2 << "ÚNOR 2024" << 1 << "";
    // Friday 1 March 2024 over Friday 3 March 2023; its 1st and 2nd fall before.
    QTest::newRow("previous year")
        << 2024 << "PorovnatRok1" << 2023 << 3 << "BŘEZEN 2023" << 3 << "01.03.2023–02.03.2023";
    // Listed with the older description, whose blocks lie in another order.
    QTest::newRow("older description")
        << 2023 << "PorovnatMesic1" << 2023 << 2 << "ÚNOR 2023" << 1 << "";
}

void AnalysisWindowsTest::programOpensAndCompares()
{
    QFETCH(int, listedYear);
    QFETCH(QString, item);
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(QString, name);
    QFETCH(int, underMarch1);
    QFETCH(QString, leftOut);

    kwtest::ProgramDir dir;
    kw::demo::DemoOptions options;
    options.lastDay = {2024, 3, 31};
    options.months = 14;
    options.devices = {0};
    dir.writeDemoArchive(options);
    kw::Application app(dir.path());
    QVERIFY(app.startUp());
    kw::Engine& e = app.engine();
    e.listing.ListingYear = listedYear;
    e.listing.ListingMonth = 3;
    e.settings.DisplayMode = 3;
    e.listing.MonthAction(kw::ListingRun::WholeMonth);
    const std::vector<kw::GraphBar> bars = e.graph.bars();
    QVERIFY(bars.size() > 96 * 28);

    kw::GraphWindow* graphWindow = app.graphWindow();
    kwtest::findChild<QAction>(graphWindow, QStringLiteral("TeplotniMapa1"))->trigger();
    QVERIFY(app.heatMapWindow()->isVisible());
    QCOMPARE(app.heatMapWindow()->heatMap().days, 31);
    kwtest::findChild<QAction>(graphWindow, QStringLiteral("KrivkaTrvani1"))->trigger();
    QVERIFY(app.loadDurationWindow()->isVisible());
    QCOMPARE(app.loadDurationWindow()->curve().size(), bars.size());

    graphWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(graphWindow));
    kwtest::findChild<QAction>(graphWindow, item)->trigger();
    QCOMPARE(graphWindow->legendNames(),
             (QStringList{QStringLiteral("BŘEZEN %1").arg(listedYear), name}));
    const QString status = graphWindow->statusBar()->currentMessage();
    QCOMPARE(status.mid(status.indexOf(QStringLiteral(": ")) + 2), leftOut);

    // Over 1 March 10:00 lies <underMarch1> <month> 10:00 of the other period.
    kw::QuietListing quiet(dir.path(), 0, e.settings, e.division.DayStartOffset());
    const int32_t ownBlock =
        kw::MatchingBlock(kw::OverviewBlocks(dir.path(), 0), e.description.CurrentBlockTitle);
    QCOMPARE(ownBlock, 1);
    const std::vector<kw::GraphBar> other = quiet.WholeMonth(year, month, ownBlock);
    const auto otherFirst =
        static_cast<int64_t>(kw::DateTimeToSeconds(year, month, underMarch1, 0, 0, 0) / 86400);
    const std::optional<std::size_t> there = kw::NearestBar(other, At(otherFirst, 36000), 1e-6);
    const auto march1 =
        static_cast<int64_t>(kw::DateTimeToSeconds(listedYear, 3, 1, 0, 0, 0) / 86400);
    const std::optional<std::size_t> here = kw::NearestBar(bars, At(march1, 36000), 1e-6);
    QVERIFY(there && here);
    // A value the two months do not share, so the readout shows which it took.
    QVERIFY(other[*there].y != bars[*here].y);

    // One day in view: each bar has pixels of its own.
    kwtest::findChild<QToolButton>(graphWindow, QStringLiteral("ToolButton10"))->click();
    graphWindow->replotChart();
    QWidget* chart = kwtest::findChild<QWidget>(graphWindow, QStringLiteral("Chart1"));
    hover(chart, QPoint(graphWindow->barPoint(*here).x(), chart->height() / 2));
    const QString unit = QString::fromStdString(e.graph.unit());
    QCOMPARE(graphWindow->hoverText(),
             QString::fromStdString(kw::QuarterText(bars[*here].x)) + QStringLiteral("   ") +
                 QString::fromStdString(kw::ValueText(bars[*here].y)) + QLatin1Char(' ') + unit +
                 QStringLiteral("   ") + name + QStringLiteral(": ") +
                 QString::fromStdString(kw::ValueText(other[*there].y)) + QLatin1Char(' ') + unit);
}

QTEST_MAIN(AnalysisWindowsTest)
#include "analysis_windows_test.moc"
