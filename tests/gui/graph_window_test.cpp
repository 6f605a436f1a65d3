// TForm9: the bars and labels of a listing, the label steps at the design
// width, the mode controls and their synchronisation, the axes, the mouse
// gestures, copying and printing.

#include "GuiSupport.h"
#include "graph/Graph.h"
#include "graph/GraphWindow.h"
#include "ui/Help.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrinter>
#include <QProcess>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

#include <cmath>
#include <memory>

using PanMode = kw::GraphWindow::PanMode;
Q_DECLARE_METATYPE(PanMode)

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

constexpr double kMarch1 = 45352; // 1 March 2024 00:00 as a date-time

// Quarter-hour bars from `first` (a date-time) for `days` whole days: the
// range from the first to the last bar is exactly `days` days.
void addQuarterHours(kw::Graph& graph, double first, int days)
{
    for (int i = 0; i <= days * 96; ++i)
        graph.AddGraphBar(first + i / 96.0, 100 + i % 13);
}

QStringList barLabels(const kw::Graph& graph)
{
    QStringList labels;
    for (const kw::GraphBar& bar : graph.bars())
        if (!bar.label.empty())
            labels << QString::fromStdString(bar.label);
    return labels;
}

} // namespace

class GraphWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void design();
    void labelStepAtDesignWidth_data();
    void labelStepAtDesignWidth();
    void singleBar_data();
    void singleBar();
    void relabelOnlyWhenStepChanges();
    void resizeLabelsForTheNewWidth_data();
    void resizeLabelsForTheNewWidth();
    void oneDayAxis();
    void automaticAxes();
    void listingMakesTimeAxisAutomatic();
    void panningSynchronised_data();
    void panningSynchronised();
    void zoomSynchronised();
    void zoomGestures();
    void panGesture_data();
    void panGesture();
    void copyValues_data();
    void copyValues();
    void copyPictures();
    void printToPdf();
    void exports();
    void helpTopic();

    void listingRescalesValueAxis();
    void hoverReadout_data();
    void hoverReadout();
    void maximumMarked();
    void comparisonOverlay();

private:
    kw::Graph& graph() { return m_alone->bare.engine.graph; }
    QToolButton* button(const char* name) const
    {
        return kwtest::findChild<QToolButton>(m_window, QLatin1String(name));
    }
    QAction* action(const char* name) const
    {
        return kwtest::findChild<QAction>(m_window, QLatin1String(name));
    }
    QWidget* chart() const { return m_window->findChild<QWidget*>(QStringLiteral("Chart1")); }
    void showWindow()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        QTRY_COMPARE(chart()->width(), 645);
    }
    // A listing as the listing run makes it.
    void listDays(int days, double first = kMarch1)
    {
        graph().ClearGraph();
        addQuarterHours(graph(), first, days);
        graph().RelabelGraph();
    }
    // The panning controls show `mode`, and only it.
    void verifyPanControls(PanMode mode)
    {
        QCOMPARE(m_window->panMode(), mode);
        const char* const buttons[] = {"ToolButton5", "ToolButton1", "ToolButton2", "ToolButton3"};
        const char* const items[] = {"Posunvypnut1", "Vodorovn1", "Svisle1", "Obasmry1"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(button(buttons[i])->isChecked(), i == static_cast<int>(mode));
            QCOMPARE(action(items[i])->isChecked(), i == static_cast<int>(mode));
        }
    }

    // The graph window alone, without the program.
    struct GraphAlone {
        kwtest::BareEngine bare;
        QPrinter printer;
        kw::GraphWindow window{bare.engine.graph, bare.engine.series, printer};
    };

    QTemporaryDir m_programDir; // for the help document
    std::unique_ptr<GraphAlone> m_alone;
    kw::GraphWindow* m_window = nullptr;
};

void GraphWindowTest::initTestCase()
{
    QVERIFY(kwtest::isolateSettings());
    // The program registers the icons of the widgets library when it starts;
    // here there is no program.
    Q_INIT_RESOURCE(kwatrix);
}

void GraphWindowTest::init()
{
    m_alone = std::make_unique<GraphAlone>();
    m_window = &m_alone->window;
}

void GraphWindowTest::cleanup()
{
    m_alone.reset();
}

void GraphWindowTest::design()
{
    QCOMPARE(m_window->objectName(), QStringLiteral("TForm9"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Graf spotřeby energie"));
    QVERIFY(!(m_window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(m_window->windowFlags() & Qt::WindowMinimizeButtonHint);

    struct Button {
        const char* name;
        const char* hint;
        int x;
        bool checkable;
        bool down;
    };
    const Button buttons[] = {
        {"ToolButton1", "Vodorovný posun povolen", 8, true, false},
        {"ToolButton2", "Svislý posun povolen", 33, true, false},
        {"ToolButton3", "Posun povolen v obou směrech", 58, true, false},
        {"ToolButton5", "Zákaz posunu", 83, true, true},
        {"ToolButton6", "Zoom grafu povolen", 120, true, false},
        {"ToolButton7", "Zoom grafu zakázán", 145, true, true},
        {"ToolButton10", "Nastavení vodorovné osy na 1 den", 184, false, false},
        {"ToolButton11", "Automatické nastavení vodorovné osy", 209, false, false},
        {"ToolButton13", "Automatické nastavení svislé osy", 234, false, false},
    };
    for (const Button& b : buttons) {
        const QToolButton* found = button(b.name);
        QCOMPARE(found->toolTip(), QString::fromUtf8(b.hint));
        QCOMPARE(found->geometry(), QRect(b.x, 4, 25, 25));
        QCOMPARE(found->isCheckable(), b.checkable);
        QCOMPARE(found->isChecked(), b.down);
        QVERIFY(!found->icon().isNull());
    }
    QCOMPARE(button("ToolButton1")->parentWidget()->height(), 33);

    verifyPanControls(PanMode::None);
    QVERIFY(!m_window->zoomAllowed());
    QVERIFY(!action("Zoom2")->isChecked());
    QVERIFY(action("OddCarka")->isChecked());
    QCOMPARE(action("KoprujjakoBMP1")->toolTip(),
             QStringLiteral("Kopíruje graf jako obrázek formátu BMP"));
    QCOMPARE(graph().LabelStep, 0);
    QVERIFY(m_window->horizontalAutomatic());
    QVERIFY(m_window->verticalAutomatic());

    // Without bars the chart takes no mouse input.
    QVERIFY(!chart()->isEnabled());
    showWindow();
    QCOMPARE(graph().chartWidth, 645.0);
    listDays(1);
    QVERIFY(chart()->isEnabled());
    graph().ClearGraph();
    QVERIFY(!chart()->isEnabled());
}

void GraphWindowTest::labelStepAtDesignWidth_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("firstDayLabel");
    QTest::addColumn<QString>("secondLabel"); // the label after the first day's
    QTest::addColumn<int>("labels");

    // From 1 March 00:00: the first bar opens day 1.
    QTest::newRow("1 day") << 1 << 1 << "[1]"
                           << "1" << 25;
    QTest::newRow("2 days") << 2 << 2 << "[1]"
                            << "2" << 25;
    QTest::newRow("4 days") << 4 << 4 << "1"
                            << "." << 25;
    QTest::newRow("7 days") << 7 << 12 << "1"
                            << "." << 15;
    QTest::newRow("31 days") << 31 << 24 << "1"
                             << "2" << 32;
    // Odd days carry no label at step 48: the first bar keeps its space.
    QTest::newRow("39 days") << 39 << 48 << " "
                             << "2" << 20;
}

void GraphWindowTest::labelStepAtDesignWidth()
{
    QFETCH(int, days);
    QFETCH(int, step);
    QFETCH(QString, firstDayLabel);
    QFETCH(QString, secondLabel);
    QFETCH(int, labels);

    showWindow();
    listDays(days);
    QCOMPARE(graph().LabelStep, step);
    const QStringList made = barLabels(graph());
    QCOMPARE(made.size(), labels);
    QCOMPARE(made.value(0), firstDayLabel);
    QCOMPARE(made.value(1), secondLabel);
    // Every label the labelling made is drawn, in order.
    QCOMPARE(m_window->axisLabels(), made);
}

void GraphWindowTest::singleBar_data()
{
    QTest::addColumn<int>("minute"); // of 15 March
    QTest::addColumn<QString>("label");
    QTest::newRow("midnight") << 0 << "[15]";
    QTest::newRow("05:15") << 5 * 60 + 15 << "5";
    QTest::newRow("23:45") << 23 * 60 + 45 << " ";
}

void GraphWindowTest::singleBar()
{
    QFETCH(int, minute);
    QFETCH(QString, label);

    showWindow();
    graph().ClearGraph();
    graph().AddGraphBar(kMarch1 + 14 + minute / 1440.0, 42);
    graph().RelabelGraph();
    QCOMPARE(graph().LabelStep, 1);
    QCOMPARE(barLabels(graph()), QStringList{label});
    QCOMPARE(m_window->axisLabels(), QStringList{label});
    // The automatic axis shows the bar inside it.
    const auto range = m_window->horizontalRange();
    QVERIFY(range.first < graph().bars()[0].x && graph().bars()[0].x < range.second);
}

void GraphWindowTest::relabelOnlyWhenStepChanges()
{
    showWindow();
    listDays(31);
    QCOMPARE(graph().LabelStep, 24);
    const QStringList atDesignWidth = m_window->axisLabels();

    // Wider, but s stays within 13..24: the labels stand.
    m_window->resize(m_window->width() + 80, m_window->height());
    QTRY_COMPARE(chart()->width(), 725);
    QCOMPARE(graph().chartWidth, 725.0);
    QCOMPARE(graph().LabelStep, 24);
    QCOMPARE(m_window->axisLabels(), atDesignWidth);

    // Wide enough for s = 12: hour marks at noon appear.
    m_window->resize(1100, m_window->height());
    QTRY_COMPARE(chart()->width(), 1100);
    QCOMPARE(graph().LabelStep, 12);
    QVERIFY(m_window->axisLabels().contains(QStringLiteral(".")));
    QCOMPARE(m_window->axisLabels(), barLabels(graph()));

    // Back again: remade for step 24, as they were.
    m_window->resize(645, m_window->height());
    QTRY_COMPARE(chart()->width(), 645);
    QCOMPARE(graph().LabelStep, 24);
    QCOMPARE(m_window->axisLabels(), atDesignWidth);
}

void GraphWindowTest::resizeLabelsForTheNewWidth_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("step");

    QTest::newRow("31 days, narrower") << 31 << 450 << 48;
    QTest::newRow("31 days, wider") << 31 << 1100 << 12;
    // 1 day over 402 pixels is s = 1, as the listing reckons it; the half
    // slot the axis adds beside each outer bar would make it s = 2.
    QTest::newRow("1 day, near a boundary") << 1 << 402 << 1;
}

void GraphWindowTest::resizeLabelsForTheNewWidth()
{
    QFETCH(int, days);
    QFETCH(int, width);
    QFETCH(int, step);

    showWindow();
    listDays(days);
    m_window->resize(width, m_window->height());
    QTRY_COMPARE(chart()->width(), width);
    QCOMPARE(graph().LabelStep, step);
    // The picture shows the labels made for this width, not the old ones.
    QCOMPARE(m_window->drawnAxisLabels(), barLabels(graph()));
}

void GraphWindowTest::oneDayAxis()
{
    showWindow();
    listDays(31, kMarch1 + 1 / 96.0);
    button("ToolButton10")->click();

    const double first = graph().bars().front().x;
    QCOMPARE(m_window->horizontalRange(), qMakePair(first, first + 1));
    QVERIFY(!m_window->horizontalAutomatic());
    verifyPanControls(PanMode::Horizontal);
    // One day over 645 pixels: hour numbers.
    QCOMPARE(graph().LabelStep, 1);
    QCOMPARE(m_window->axisLabels().mid(0, 4), (QStringList{"[1]", "1", "2", "3"}));
}

void GraphWindowTest::automaticAxes()
{
    showWindow();
    listDays(31);
    const auto fullX = m_window->horizontalRange();
    const auto fullY = m_window->verticalRange();
    QVERIFY(fullX.first <= kMarch1 && fullX.second >= kMarch1 + 31);
    QVERIFY(fullY.first <= 0 && fullY.second >= 112);

    button("ToolButton10")->click();
    QCOMPARE(graph().LabelStep, 1);
    button("ToolButton11")->click();
    QVERIFY(m_window->horizontalAutomatic());
    QCOMPARE(m_window->horizontalRange(), fullX);
    QCOMPARE(graph().LabelStep, 24);

    // ToolButton13 gives the vertical axis back to the bars, labels untouched.
    action("Zoom2")->trigger();
    QTest::mouseClick(chart(), Qt::LeftButton); // a click is no zoom
    QVERIFY(m_window->verticalAutomatic());
    const QPoint centre = chart()->rect().center();
    QTest::mousePress(chart(), Qt::LeftButton, {}, centre - QPoint(100, 80));
    QTest::mouseMove(chart(), centre);
    QTest::mouseRelease(chart(), Qt::LeftButton, {}, centre);
    QVERIFY(!m_window->verticalAutomatic());
    const QStringList labels = m_window->axisLabels();
    button("ToolButton13")->click();
    QVERIFY(m_window->verticalAutomatic());
    QCOMPARE(m_window->verticalRange(), fullY);
    QCOMPARE(m_window->axisLabels(), labels);
}

void GraphWindowTest::listingMakesTimeAxisAutomatic()
{
    showWindow();
    listDays(31);
    button("ToolButton10")->click();
    const auto oneDay = m_window->horizontalRange();

    // A new title keeps the user's axis; the next listing's ClearGraph does not.
    graph().SetGraphTitle("BŘEZEN 2024 - Činná energie - MĚSÍC", "kWh");
    QVERIFY(graph().bars().empty());
    QVERIFY(!chart()->isEnabled());
    QCOMPARE(m_window->horizontalRange(), oneDay);
    listDays(2);
    QVERIFY(m_window->horizontalAutomatic());
    QCOMPARE(graph().LabelStep, 2);
    QVERIFY(m_window->horizontalRange().second - m_window->horizontalRange().first > 2);
}

void GraphWindowTest::panningSynchronised_data()
{
    QTest::addColumn<QStringList>("clicks"); // buttons and menu items, in order
    QTest::addColumn<PanMode>("mode");

    QTest::newRow("ToolButton1") << QStringList{"ToolButton1"} << PanMode::Horizontal;
    QTest::newRow("ToolButton2") << QStringList{"ToolButton2"} << PanMode::Vertical;
    QTest::newRow("ToolButton3") << QStringList{"ToolButton3"} << PanMode::Both;
    QTest::newRow("ToolButton5 after 3")
        << QStringList{"ToolButton3", "ToolButton5"} << PanMode::None;
    QTest::newRow("Vodorovně") << QStringList{"Vodorovn1"} << PanMode::Horizontal;
    QTest::newRow("Svisle") << QStringList{"Svisle1"} << PanMode::Vertical;
    QTest::newRow("Oba směry") << QStringList{"Obasmry1"} << PanMode::Both;
    QTest::newRow("Posun vypnut after Oba směry")
        << QStringList{"Obasmry1", "Posunvypnut1"} << PanMode::None;
    QTest::newRow("button, then menu")
        << QStringList{"ToolButton2", "Vodorovn1"} << PanMode::Horizontal;
    QTest::newRow("menu, then button") << QStringList{"Svisle1", "ToolButton3"} << PanMode::Both;
}

void GraphWindowTest::panningSynchronised()
{
    QFETCH(QStringList, clicks);
    QFETCH(PanMode, mode);

    showWindow();
    for (const QString& name : clicks) {
        if (name.startsWith(QLatin1String("ToolButton")))
            QTest::mouseClick(button(name.toLatin1().constData()), Qt::LeftButton);
        else
            action(name.toLatin1().constData())->trigger();
    }
    verifyPanControls(mode);
}

void GraphWindowTest::zoomSynchronised()
{
    showWindow();
    action("Zoom2")->trigger();
    QVERIFY(m_window->zoomAllowed());
    QVERIFY(button("ToolButton6")->isChecked());
    QVERIFY(!button("ToolButton7")->isChecked());

    QTest::mouseClick(button("ToolButton7"), Qt::LeftButton);
    QVERIFY(!m_window->zoomAllowed());
    QVERIFY(!action("Zoom2")->isChecked());
    QVERIFY(!button("ToolButton6")->isChecked());

    QTest::mouseClick(button("ToolButton6"), Qt::LeftButton);
    QVERIFY(m_window->zoomAllowed());
    QVERIFY(action("Zoom2")->isChecked());
    QVERIFY(!button("ToolButton7")->isChecked());
}

void GraphWindowTest::zoomGestures()
{
    showWindow();
    listDays(31);
    const auto fullX = m_window->horizontalRange();
    const QPoint centre = chart()->rect().center();
    const QPoint from = centre - QPoint(60, 60);
    const QPoint to = centre + QPoint(60, 40);
    auto drag = [this](QPoint start, QPoint end) {
        QTest::mousePress(chart(), Qt::LeftButton, {}, start);
        QTest::mouseMove(chart(), end);
        QTest::mouseRelease(chart(), Qt::LeftButton, {}, end);
    };

    // Zoom not allowed: a drag changes nothing.
    drag(from, to);
    QCOMPARE(m_window->horizontalRange(), fullX);

    action("Zoom2")->trigger();
    drag(from, to);
    const auto zoomedX = m_window->horizontalRange();
    // The labels follow the zoomed range.
    QCOMPARE(graph().LabelStep, kw::LabelStepFor(zoomedX.first, zoomedX.second, 645));
    QVERIFY(graph().LabelStep < 24);
    QVERIFY(!m_window->horizontalAutomatic());
    QVERIFY(!m_window->verticalAutomatic());
    const double width = fullX.second - fullX.first;
    QVERIFY(zoomedX.second - zoomedX.first < width / 4);
    QVERIFY(zoomedX.first > fullX.first && zoomedX.second < fullX.second);

    // Dragging towards the upper left undoes the zoom.
    drag(to, from);
    QCOMPARE(m_window->horizontalRange(), fullX);
    QVERIFY(m_window->horizontalAutomatic());
    QVERIFY(m_window->verticalAutomatic());
    QCOMPARE(graph().LabelStep, 24);

    // So does a right click.
    drag(from, to);
    QVERIFY(!m_window->horizontalAutomatic());
    QTest::mouseClick(chart(), Qt::RightButton, {}, centre);
    QCOMPARE(m_window->horizontalRange(), fullX);
}

void GraphWindowTest::panGesture_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("movesX");
    QTest::addColumn<bool>("movesY");
    QTest::newRow("none") << "Posunvypnut1" << false << false;
    QTest::newRow("horizontal") << "Vodorovn1" << true << false;
    QTest::newRow("vertical") << "Svisle1" << false << true;
    QTest::newRow("both") << "Obasmry1" << true << true;
}

void GraphWindowTest::panGesture()
{
    QFETCH(QString, item);
    QFETCH(bool, movesX);
    QFETCH(bool, movesY);

    showWindow();
    listDays(31);
    action(item.toLatin1().constData())->trigger();
    const auto x = m_window->horizontalRange();
    const auto y = m_window->verticalRange();
    const QPoint centre = chart()->rect().center();
    QTest::mousePress(chart(), Qt::RightButton, {}, centre);
    QTest::mouseMove(chart(), centre + QPoint(-50, 30));
    QTest::mouseRelease(chart(), Qt::RightButton, {}, centre + QPoint(-50, 30));

    // Dragging left shows later times; dragging down shows higher values.
    const auto newX = m_window->horizontalRange();
    const auto newY = m_window->verticalRange();
    QCOMPARE(newX.first > x.first, movesX);
    QCOMPARE(newY.first > y.first, movesY);
    QCOMPARE(m_window->horizontalAutomatic(), !movesX);
    QCOMPARE(m_window->verticalAutomatic(), !movesY);
    if (movesX)
        QVERIFY(std::abs((newX.second - newX.first) - (x.second - x.first)) < 1e-9);
}

void GraphWindowTest::copyValues_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("comma");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Y with full stop")
        << "KoprujhodnotyY1" << false << QStringLiteral("3.00\r\n-0.13\r\n12.50\r\n");
    QTest::newRow("Y with comma") << "KoprujhodnotyY1" << true
                                  << QStringLiteral("3,00\r\n-0,13\r\n12,50\r\n");
    QTest::newRow("XY with comma")
        << "KoprujhodnotyXY1" << true
        << QStringLiteral("36891,9896\t3,00\r\n36891,9990\t-0,13\r\n36892,0104\t12,50\r\n");
    QTest::newRow("XY with full stop")
        << "KoprujhodnotyXY1" << false
        << QStringLiteral("36891.9896\t3.00\r\n36891.9990\t-0.13\r\n36892.0104\t12.50\r\n");
}

void GraphWindowTest::copyValues()
{
    QFETCH(QString, item);
    QFETCH(bool, comma);
    QFETCH(QString, expected);

    // No bars: an empty text replaces what was on the clipboard.
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    action(item.toLatin1().constData())->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());

    graph().ClearGraph();
    // 31 Dec 2000 23:45, 23:58:30 and 1 Jan 2001 00:15.
    graph().AddGraphBar(36891 + 95 / 96.0, 3);
    graph().AddGraphBar(36892 + 15 / 1440.0, 12.5);
    graph().AddGraphBar(36891 + 1438.5 / 1440.0, -0.126);
    graph().RelabelGraph();
    if (!comma)
        action("OddCarka")->trigger();
    QCOMPARE(action("OddCarka")->isChecked(), comma);
    action(item.toLatin1().constData())->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

void GraphWindowTest::copyPictures()
{
    showWindow();
    listDays(7);

    action("KoprujjakoBMP1")->trigger();
    const QImage image = QGuiApplication::clipboard()->image();
    QCOMPARE(image.size(), chart()->size());
    // Blue bars on the light yellow back wall.
    bool blue = false;
    bool wall = false;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 2) {
            const QColor c = image.pixelColor(x, y);
            blue = blue || c == QColor(0, 0, 255);
            wall = wall || c == QColor(255, 255, 128);
        }
    }
    QVERIFY(blue);
    QVERIFY(wall);

    action("KoprujjakoMetafile1")->trigger();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data->hasFormat(QStringLiteral("image/svg+xml")));
    const QByteArray svg = data->data(QStringLiteral("image/svg+xml"));
    QVERIFY(svg.contains("<svg"));
    // Text stays text: the axis title is in the picture as characters.
    QVERIFY(svg.contains(QStringLiteral("Čas").toUtf8()) || svg.contains("&#x10c;as") ||
            svg.contains("&#268;as"));
}

void GraphWindowTest::printToPdf()
{
    for (const bool withBars : {false, true}) {
        if (withBars)
            listDays(31);
        const kwtest::PrintedPdf pdf =
            kwtest::printToPdf([this](QPrinter& printer) { return m_window->printChart(printer); });
        QVERIFY(pdf.printed);
        QCOMPARE(pdf.docName, QStringLiteral("Chart1"));
        QVERIFY(pdf.bytes.startsWith("%PDF"));
        QCOMPARE(pdf.pages(), 1);
    }
}

void GraphWindowTest::exports()
{
    // Before a listing no PDF is saved, and the user is told so.
    {
        QTemporaryDir empty;
        kwtest::BoxAnswerer boxes;
        kwtest::FileDialogAnswerer answer(empty.filePath(QStringLiteral("x.pdf")));
        action("UlozitPDF1")->trigger();
        QCOMPARE(boxes.captions(), QStringList{QStringLiteral("Export")});
        QVERIFY(QDir(empty.path()).isEmpty());
    }
    listDays(2);
    graph().SetGraphTitle("BŘEZEN 2024 - Činná - MĚSÍC", "kW");
    listDays(2);
    QTemporaryDir dir;
    kw::Series& series = m_alone->bare.engine.series;
    for (const kw::GraphBar& bar : graph().bars())
        series.Add(int64_t(bar.x), 0, bar.x * 86400, float(bar.y) / 4, float(bar.y));

    // The PDF is one A4 landscape page of vector text holding the title.
    const QString pdf = dir.filePath(QStringLiteral("graf.pdf"));
    m_window->setReportHeading([] { return kw::ReportHeading{{"Archiv", "DEMO"}}; });
    {
        kwtest::FileDialogAnswerer answer(pdf);
        action("UlozitPDF1")->trigger();
    }
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY(info.waitForFinished());
    const QString infoText = QString::fromUtf8(info.readAllStandardOutput());
    QVERIFY2(infoText.contains(QStringLiteral("Pages:           1")), qPrintable(infoText));
    QVERIFY2(infoText.contains(QStringLiteral("Page size:       842 x 595 pts (A4)")),
             qPrintable(infoText));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished());
    const QString pdfText = QString::fromUtf8(text.readAllStandardOutput());
    QVERIFY(pdfText.contains(QStringLiteral("BŘEZEN 2024 - Činná - MĚSÍC")));
    QVERIFY(pdfText.contains(QStringLiteral("Archiv: DEMO")) &&
            pdfText.contains(QStringLiteral("strana 1 z 1")));

    // A folder that is not there: a message, and nothing written.
    kwtest::BoxAnswerer boxes;
    {
        kwtest::FileDialogAnswerer answer(dir.filePath(QStringLiteral("none/c.pdf")));
        action("UlozitPDF1")->trigger();
    }
    QCOMPARE(boxes.captions(), QStringList{QStringLiteral("Chyba při ukládání")});
    QVERIFY(boxes.first().text.contains(QStringLiteral("se nepodařilo uložit")));
}

void GraphWindowTest::helpTopic()
{
    QFile help(m_programDir.filePath(QStringLiteral("qx5view.html")));
    QVERIFY(help.open(QIODevice::WriteOnly));
    help.write("<html><body><a name=\"GR\"></a><h2>Graf</h2></body></html>");
    help.close();
    kw::SetHelpDirectory(m_programDir.path() + QLatin1Char('/'));

    action("Npovdakegrafu1")->trigger();
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    const QTextBrowser* browser = nullptr;
    for (QWidget* widget : QApplication::allWidgets())
        if (widget->objectName() == QLatin1String("HelpBrowser"))
            browser = qobject_cast<QTextBrowser*>(widget);
    QVERIFY(browser);
    QVERIFY(browser->isVisible());
    QCOMPARE(browser->source().fragment(), QStringLiteral("GR"));
}

void GraphWindowTest::listingRescalesValueAxis()
{
    showWindow();
    listDays(2);
    action("Zoom2")->trigger();
    const QPoint centre = chart()->rect().center();
    QTest::mousePress(chart(), Qt::LeftButton, {}, centre - QPoint(100, 80));
    QTest::mouseMove(chart(), centre);
    QTest::mouseRelease(chart(), Qt::LeftButton, {}, centre);
    const auto zoomed = m_window->verticalRange();
    QVERIFY(!m_window->verticalAutomatic());

    // A new title keeps the zoomed value axis, as it keeps the time axis.
    graph().SetGraphTitle("DUBEN 2024 - Činná energie - MĚSÍC", "kW");
    QCOMPARE(m_window->verticalRange(), zoomed);

    // The next listing, with peaks far above the zoomed range, is drawn whole.
    graph().ClearGraph();
    for (int i = 1; i <= 96; ++i)
        graph().AddGraphBar(kMarch1 + 30 + i / 96.0, i == 50 ? 5000 : 200);
    graph().RelabelGraph();
    QVERIFY(m_window->verticalAutomatic());
    QVERIFY(m_window->verticalRange().second >= 5000);
    QVERIFY(m_window->verticalRange().first <= 0);
}

void GraphWindowTest::hoverReadout_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("expected");

    // Bar 39 closes 10:00 of 1 March and holds 40.
    QTest::newRow("one day: the bar under the mouse")
        << 1 << QStringLiteral("pá 01.03.2024 09:45–10:00   40 kW");
    // Some five bars share each pixel column: the readout is the highest of
    // them, the one the column draws, not whichever lies nearest.
    QTest::newRow("a month: the column's peak")
        << 31 << QStringLiteral("út 12.03.2024 11:45–12:00   900 kW");
}

void GraphWindowTest::hoverReadout()
{
    QFETCH(int, days);
    QFETCH(QString, expected);

    showWindow();
    graph().SetGraphTitle("BŘEZEN 2024 - Činná - MĚSÍC", "kW");
    const int count = days * 96;
    // The peak: 12 March 12:00 in the month, bar 39 in the day.
    const int peak = days == 1 ? 39 : 11 * 96 + 47;
    graph().ClearGraph();
    for (int i = 0; i < count; ++i)
        graph().AddGraphBar(kMarch1 + (i + 1) / 96.0, days == 1 ? i + 1 : (i == peak ? 900 : 100));
    graph().RelabelGraph();
    m_window->replotChart();

    const int y = chart()->height() / 2;
    QPoint at(m_window->barPoint(peak).x(), y);
    if (days > 1) {
        // The peak must not be the bar nearest the column's middle.
        QCOMPARE(m_window->barPoint(peak - 2).x(), at.x());
    }
    hover(chart(), at);
    QCOMPARE(m_window->hoverText(), expected);
    // And the whole readout fits on screen in the tool bar.
    const auto* label = kwtest::findChild<QLabel>(m_window, QStringLiteral("HoverLabel"));
    QVERIFY(label->isVisible());
    QVERIFY(label->width() >= label->sizeHint().width());
    QVERIFY(label->geometry().right() < label->parentWidget()->width());

    // Off the plot, on the axis labels: nothing.
    hover(chart(), QPoint(at.x(), chart()->height() - 3));
    QCOMPARE(m_window->hoverText(), QString());
}

void GraphWindowTest::maximumMarked()
{
    showWindow();
    QCOMPARE(m_window->maximumText(), QString());
    graph().SetGraphTitle("BŘEZEN 2024 - Činná - MĚSÍC", "kW");
    graph().ClearGraph();
    // Two bars reach the maximum: the first is the one marked.
    const double values[] = {5, 12.5, 3, 12.5};
    for (int i = 0; i < 4; ++i)
        graph().AddGraphBar(kMarch1 + (i + 41) / 96.0, values[i]);
    graph().RelabelGraph();
    QCOMPARE(m_window->maximumText(), QStringLiteral("Maximum 12,5 kW: pá 01.03.2024 10:15–10:30"));

    action("VyznacitMaximum1")->trigger();
    QCOMPARE(m_window->maximumText(), QString());
    action("VyznacitMaximum1")->trigger();
    graph().ClearGraph();
    QCOMPARE(m_window->maximumText(), QString());
}

void GraphWindowTest::comparisonOverlay()
{
    using Comparison = kw::GraphWindow::Comparison;
    QSignalSpy requests(m_window, &kw::GraphWindow::comparisonRequested);
    showWindow();

    // Nothing listed, nothing to compare.
    action("PorovnatMesic1")->trigger();
    QCOMPARE(requests.size(), 0);

    graph().SetGraphTitle("BŘEZEN 2024 - Činná - MĚSÍC", "kW");
    listDays(2);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.last().at(0).value<Comparison>(), Comparison::PreviousMonth);
    QCOMPARE(m_window->legendNames(), QStringList());

    // The other period's values, already on this period's days: one high.
    std::vector<kw::GraphBar> other;
    for (std::size_t i = 0; i < graph().bars().size(); ++i)
        other.push_back({graph().bars()[i].x, i == 10 ? 777.0 : 50.0, {}});
    m_window->showComparison(other, QStringLiteral("BŘEZEN 2024"), QStringLiteral("ÚNOR 2024"));
    QCOMPARE(m_window->legendNames(),
             (QStringList{QStringLiteral("BŘEZEN 2024"), QStringLiteral("ÚNOR 2024")}));
    QVERIFY(m_window->verticalRange().second >= 777);
    m_window->replotChart();
    hover(chart(), QPoint(m_window->barPoint(10).x(), chart()->height() / 2));
    QVERIFY2(m_window->hoverText().endsWith(QStringLiteral("ÚNOR 2024: 777 kW")),
             qPrintable(m_window->hoverText()));

    // The next listing asks for its own counterpart; until it comes, none.
    listDays(3);
    QCOMPARE(requests.size(), 2);
    QCOMPARE(m_window->legendNames(), QStringList());
    m_window->showComparison({}, QStringLiteral("BŘEZEN 2024"), QStringLiteral("ÚNOR 2024"));
    QCOMPARE(m_window->legendNames(),
             (QStringList{QStringLiteral("BŘEZEN 2024"), QStringLiteral("ÚNOR 2024 (bez dat)")}));

    action("BezPorovnani1")->trigger();
    QCOMPARE(m_window->legendNames(), QStringList());
    listDays(1);
    QCOMPARE(requests.size(), 2);
    // An answer that comes after the comparison was turned off is not drawn.
    m_window->showComparison(other, QStringLiteral("BŘEZEN 2024"), QStringLiteral("ÚNOR 2024"));
    QCOMPARE(m_window->legendNames(), QStringList());
}

QTEST_MAIN(GraphWindowTest)
#include "graph_window_test.moc"
