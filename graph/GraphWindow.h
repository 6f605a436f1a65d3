#pragma once

#include "graph/Graph.h"
#include "ui/ReportPage.h"

#include <QMainWindow>
#include <QPair>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

class QAction;
class QActionGroup;
class QButtonGroup;
class QImage;
class QLabel;
class QPrinter;
class QToolButton;

namespace kw {

class Series;

class GraphChart;

// TForm9: the bar chart of the last listing. The chart library stays inside
// GraphWindow.cpp; the rest of the program talks to the core Graph, whose
// change handler this window is.
class GraphWindow : public QMainWindow {
    Q_OBJECT

public:
    enum class PanMode { None, Horizontal, Vertical, Both };
    // What "Porovnat s…" lays over the listing: the same period a year or a
    // month earlier.
    enum class Comparison { None, PreviousYear, PreviousMonth };
    Q_ENUM(Comparison)

    GraphWindow(Graph& graph, const Series& series, QPrinter& printer, QWidget* parent = nullptr);
    ~GraphWindow() override;

    // Prints the chart on one page of printer (the print dialog has been
    // answered). False when the printer could not be started.
    bool printChart(QPrinter& printer);
    // The chart as "Kopíruj jako BMP" and "Kopíruj jako Metafile" copy it.
    QImage chartImage() const;
    QByteArray chartSvg() const;
    // The chart as a vector PDF page, A4 landscape, with its title.
    QByteArray chartPdf() const;
    // Whether the chart shows a listing: another choice of period or block
    // empties it, and then it exports nothing.
    bool showsListing() const { return !m_graph.bars().empty(); }
    // "Export": the program puts the export of each format before "Uložit jako PDF…".
    QMenu* exportMenu() const { return m_exportMenu; }
    // What the chart's PDF is of, asked when it is saved.
    void setReportHeading(ReportHeadingSource source) { m_reportHeading = std::move(source); }

    PanMode panMode() const { return m_panMode; }
    bool zoomAllowed() const { return m_zoomAllowed; }
    // The axis ranges as drawn, and whether they follow the bars.
    QPair<double, double> horizontalRange() const;
    QPair<double, double> verticalRange() const;
    bool horizontalAutomatic() const { return m_axes.xAuto; }
    bool verticalAutomatic() const { return m_axes.yAuto; }
    // The labels under the time axis, in ascending x.
    QStringList axisLabels() const;
    // The labels of the time axis in the picture last drawn.
    QStringList drawnAxisLabels() const;
    // Draws the chart now.
    void replotChart();

    // The comparison asked for with comparisonRequested: the other period's
    // bars, already moved onto this period's days (AlignToPeriod), drawn as a
    // line with a legend naming both periods. No bars: the legend says so.
    // `note` (the other period's days not shown) stands in the status line.
    void showComparison(const std::vector<GraphBar>& bars, const QString& periodName,
                        const QString& comparisonName, const QString& note = QString());
    Comparison comparison() const { return m_comparisonKind; }
    // "Rok podle dnů v týdnu": the previous year's Monday over this Monday;
    // unchecked, day d of a month over day d.
    bool comparisonByWeekday() const;
    // The names in the legend; empty while it is hidden.
    QStringList legendNames() const;
    // The maximum's mark as drawn; empty when it is not shown.
    QString maximumText() const;
    // The readout of the bar under the mouse; empty when none.
    QString hoverText() const;
    // Where the top of bar `index` is drawn in the chart, as drawn last.
    QPoint barPoint(std::size_t index) const;

signals:
    void heatMapRequested();
    void loadDurationRequested();
    // Emitted when a comparison is chosen and after every listing while one
    // is chosen; the program answers with showComparison.
    void comparisonRequested(kw::GraphWindow::Comparison kind);
    // The bars changed: a listing started, ended or was re-titled.
    void barsChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class GraphChart;

    // What undo zoom goes back to.
    struct AxisState {
        bool xAuto = true;
        bool yAuto = true;
        double xMin = 0;
        double xMax = 1;
        double yMin = 0;
        double yMax = 1;
    };

    Graph& graph();
    void createMenu();
    void createToolBar(QWidget* toolBar);

    void graphChanged(GraphChange change);
    void fillBars();
    void fillLabels();
    void applyAutomaticRanges();
    AxisState axisState() const;
    void setAxisState(const AxisState& state);
    // The labelling of the time axis with the range taken from the axis.
    void labelFromAxis();
    void redraw(bool queued = false);

    void setPanFromButton(PanMode mode);
    void setPanFromMenu(PanMode mode);
    void setZoomFromButton(bool allowed);

    // Chart events.
    void chartResized();
    void zoomInto(const QRect& area);
    void undoZoom();
    void pan(double dxPixels, double dyPixels, const AxisState& start);

    void showOneDay();
    void makeTimeAxisAutomatic();
    void makeValueAxisAutomatic();
    void copyAsBitmap();
    void copyAsVectorPicture();
    void copyValues(bool xy);
    void saveAsPdf();
    void setZoomFromMenu(bool checked);

    void createAnalysisMenu();
    void chooseComparison(Comparison kind);
    void dropComparison();
    void fillComparison();
    void markMaximum();
    // The readout for the mouse at `at` in the chart; outside the plot none.
    void hoverAt(const QPoint& at);
    void clearHover();
    QString unitSuffix() const;

    Graph& m_graph;
    const Series& m_series;
    QPrinter& m_printer;
    ReportHeadingSource m_reportHeading;
    PanMode m_panMode = PanMode::None;
    bool m_zoomAllowed = false;
    AxisState m_axes;
    std::unique_ptr<AxisState> m_beforeZoom; // set while zoomed
    double m_barSpacing = 1.0 / 96;          // days between neighbouring bars
    double m_valueMin = 0;                   // the bars' values, for the automatic axis
    double m_valueMax = 0;
    bool m_stale = false; // changed while hidden

    Comparison m_comparisonKind = Comparison::None;
    std::vector<GraphBar> m_comparison; // aligned onto this period
    QString m_periodName;
    QString m_comparisonName;
    QString m_comparisonNote; // shown in the status line
    bool m_comparisonShown = false;
    double m_comparisonMin = 0; // its values, for the automatic axis
    double m_comparisonMax = 0;

    GraphChart* Chart1 = nullptr;
    QToolButton* ToolButton1 = nullptr;
    QToolButton* ToolButton2 = nullptr;
    QToolButton* ToolButton3 = nullptr;
    QToolButton* ToolButton5 = nullptr;
    QToolButton* ToolButton6 = nullptr;
    QToolButton* ToolButton7 = nullptr;
    QToolButton* ToolButton10 = nullptr;
    QToolButton* ToolButton11 = nullptr;
    QToolButton* ToolButton13 = nullptr;
    QButtonGroup* m_panButtons = nullptr;
    QButtonGroup* m_zoomButtons = nullptr;

    QAction* KoprujjakoBMP1 = nullptr;
    QAction* KoprujjakoMetafile1 = nullptr;
    QAction* OddCarka = nullptr;
    QAction* KoprujhodnotyXY1 = nullptr;
    QAction* KoprujhodnotyY1 = nullptr;
    QAction* Posunvypnut1 = nullptr;
    QAction* Vodorovn1 = nullptr;
    QAction* Svisle1 = nullptr;
    QAction* Obasmry1 = nullptr;
    QAction* Zoom2 = nullptr;
    QAction* UlozitPDF1 = nullptr;
    QMenu* m_exportMenu = nullptr;
    QAction* Npovdakegrafu1 = nullptr;
    QActionGroup* m_panItems = nullptr;

    QAction* TeplotniMapa1 = nullptr;
    QAction* KrivkaTrvani1 = nullptr;
    QAction* PorovnatRok1 = nullptr;
    QAction* PorovnatMesic1 = nullptr;
    QAction* BezPorovnani1 = nullptr;
    QAction* PodleDnuTydne1 = nullptr;
    QAction* VyznacitMaximum1 = nullptr;
    QLabel* m_hoverLabel = nullptr;
};

} // namespace kw
