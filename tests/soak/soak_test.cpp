// The desktop program through a long day of use: 2,000 whole-month listings
// in a row, each chosen as a user chooses it (the month clicked in the period
// tree, "CELÝ MĚSÍC" double-clicked in the listing tree), with the device, the
// block and the display mode changing as it goes. It fails when the resident
// memory keeps growing, when one listing is far slower than the others, or
// when a listing does not show what kwatrix-report lists for it.
//
// Each listing is timed from the double click until the output view and the
// chart have been painted. KWATRIX_SOAK_LISTINGS=N runs N listings instead
// (at least 200), for a quicker look.
//
// The output view keeps what was listed up to its capacity and only then
// drops its oldest lines, so it grows by design until it is full, and its
// text storage settles only once the whole text has been replaced. Those
// listings come first, unmeasured: the memory check looks for growth beyond
// what the view is allowed to hold.

#include "gui/GuiSupport.h"

#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Report.h"
#include "archive/ArchiveDescription.h"
#include "archive/Ini.h"
#include "graph/Graph.h"
#include "graph/GraphWindow.h"
#include "listing/Engine.h"
#include "listing/ListingParametersWindow.h"
#include "listing/PeriodTree.h"
#include "output/Log.h"
#include "output/OutputWindow.h"
#include "tools/DemoArchive.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QHash>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTreeWidget>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using kwtest::childNamed;
using kwtest::itemCentre;
using kwtest::rootStartingWith;

constexpr int kYear = 2024;
constexpr int kMonths = 6; // January to June
constexpr int kDevices[] = {0, 3};
constexpr int kListingsPerDevice = 30;
constexpr int kDisplayModes = 5;
constexpr int kFirstSample = 100;     // RSS after this many listings ...
constexpr double kGrowthLimit = 0.05; // ... and at the end may differ by less than this
constexpr double kSlowFactor = 3;     // times the median

const QString kDisplayQuestion = QStringLiteral("Kontrola parametru zobrazení");

int listingCount()
{
    const int asked = qEnvironmentVariableIntValue("KWATRIX_SOAK_LISTINGS");
    return asked >= 2 * kFirstSample ? asked : 2000;
}

// Resident set size of the process.
qint64 residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long long pages = 0;
    long long resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// Nanoseconds this thread has spent ready to run but waiting for a processor
// (0 where the kernel keeps no such count).
qint64 runQueueWait()
{
    std::ifstream schedstat("/proc/thread-self/schedstat");
    long long running = 0;
    long long waiting = 0;
    schedstat >> running >> waiting;
    return waiting;
}

double megabytes(qint64 bytes)
{
    return static_cast<double>(bytes) / (1024 * 1024);
}

// The value below which `share` of the sorted `values` lie.
double quantile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[index];
}

// Answers the display mode question "No" as soon as its box is shown, so
// that the chosen mode stays and the answer adds no waiting to the listing;
// any other box is closed and counted as a failure.
class BoxCloser : public QObject {
public:
    BoxCloser() { qApp->installEventFilter(this); }
    ~BoxCloser() override { qApp->removeEventFilter(this); }

    QStringList unexpected;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (!box)
            return false;
        QAbstractButton* press = nullptr;
        if (box->windowTitle() == kDisplayQuestion) {
            press = box->button(QMessageBox::No);
        } else {
            unexpected << box->windowTitle() + QStringLiteral(": ") + box->text();
            press = box->escapeButton();
            if (!press)
                press = box->defaultButton();
        }
        if (press)
            QMetaObject::invokeMethod(press, &QAbstractButton::click, Qt::QueuedConnection);
        else
            QMetaObject::invokeMethod(box, &QDialog::reject, Qt::QueuedConnection);
        return false;
    }
};

// Counts the paint events of the output view and of the chart.
// Tells when the listing is on screen: the output view painted after the
// listing returned (its new lines are laid out when control gets back to the
// event loop), and the chart painted after its last replot (the chart may
// draw at once, inside the listing, or later).
class ScreenWatch : public QObject {
    Q_OBJECT

public:
    ScreenWatch(QWidget* view, QWidget* chart) : m_view(view), m_chart(chart)
    {
        m_view->installEventFilter(this);
        m_chart->installEventFilter(this);
        // By name: the chart library stays out of the tests' includes.
        connect(m_chart, SIGNAL(beforeReplot()), this, SLOT(countReplot()));
    }
    ~ScreenWatch() override
    {
        m_view->removeEventFilter(this);
        m_chart->removeEventFilter(this);
    }

    // Just before the listing is asked for.
    void listingAsked() { m_replotsAsked = m_replots; }

    // After the listing returned: processes events until both are on screen,
    // then what is left queued; false when that took over ten seconds.
    bool waitUntilShown()
    {
        const int viewPaints = m_viewPaints;
        const auto shown = [&] {
            return m_viewPaints != viewPaints && m_replots != m_replotsAsked &&
                   m_chartPaintedAt == m_replots;
        };
        QElapsedTimer waited;
        waited.start();
        while (!shown() && waited.elapsed() < 10000)
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return shown();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            if (watched == m_view)
                ++m_viewPaints;
            else if (watched == m_chart)
                m_chartPaintedAt = m_replots;
        }
        return false;
    }

private slots:
    void countReplot() { ++m_replots; }

private:
    QWidget* m_view;
    QWidget* m_chart;
    int m_viewPaints = 0;
    int m_replots = 0;
    int m_replotsAsked = 0;
    int m_chartPaintedAt = -1; // the replot that the chart's last paint showed
};

// What kwatrix-report lists for one choice; computed once per choice.
struct Expected {
    int status = -1;
    QStringList lines;
    QString error;
};

} // namespace

class SoakTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void desktopListings();

private:
    // The steps of one listing before the double click, each as the user
    // does it; every check names the listing.
    void chooseDevice(int device);
    void chooseDisplayMode(int mode);
    void chooseMonth(int month);
    void chooseNextBlock();
    // The last `count` lines of the output view.
    QStringList lastLines(int count) const;
    // What kwatrix-report lists for the block titled `block`, once per choice.
    const Expected& expected(int device, const QString& block, int mode, int month);

    kwtest::Program m_program;
    kw::Application* m_app = nullptr;
    QHash<QString, Expected> m_expected;
};

void SoakTest::initTestCase()
{
    QVERIFY(kwtest::isolateSettings());
    kwtest::clearSettings();
}

void SoakTest::chooseDevice(int device)
{
    kw::MainWindow* main = m_app->mainWindow();
    auto* combo = kwtest::findChild<QComboBox>(main, QStringLiteral("ComboBoxDeviceNo"));
    QVERIFY(combo);
    const int target = combo->findText(QString::number(device));
    QVERIFY(target >= 0);
    while (combo->currentIndex() != target) {
        const int before = combo->currentIndex();
        QTest::keyClick(combo, before < target ? Qt::Key_Down : Qt::Key_Up);
        QVERIFY(combo->currentIndex() != before);
    }
    QCOMPARE(m_app->DeviceNo, device);
}

void SoakTest::chooseDisplayMode(int mode)
{
    kwtest::findChild<QAction>(m_app->mainWindow(), QStringLiteral("Parametryvpisu1"))->trigger();
    kw::ListingParametersWindow* parameters = m_app->listingParametersWindow();
    QVERIFY(parameters->isVisible());
    auto* radio = kwtest::findChild<QAbstractButton>(parameters,
                                                     QStringLiteral("RadioButton%1").arg(mode + 1));
    QVERIFY(radio);
    // On its round mark: the button is wider than its text.
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
    QTest::mouseClick(kwtest::findChild<QAbstractButton>(parameters, QStringLiteral("ButtonOK")),
                      Qt::LeftButton);
    QVERIFY(!parameters->isVisible());
    QCOMPARE(m_app->engine().settings.DisplayMode, mode);
}

void SoakTest::chooseMonth(int month)
{
    kw::MainWindow* main = m_app->mainWindow();
    auto* tree = kwtest::findChild<QTreeWidget>(main, QStringLiteral("TreeViewObdobi"));
    QTreeWidgetItem* yearNode = rootStartingWith(tree, QString::number(kYear));
    QVERIFY(yearNode);
    const QString period = QString::fromStdString(kw::PeriodText(kYear, month));
    QTreeWidgetItem* monthNode = childNamed(yearNode, period.section(QLatin1Char(' '), 0, 0));
    QVERIFY(monthNode);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, itemCentre(tree, monthNode));
    QCOMPARE(main->shownPeriodText(), period);
}

void SoakTest::chooseNextBlock()
{
    auto* combo = kwtest::findChild<QComboBox>(m_app->mainWindow(), QStringLiteral("ComboBoxAB"));
    QVERIFY(combo && combo->count() > 0);
    const bool last = combo->currentIndex() + 1 >= combo->count();
    QTest::keyClick(combo, last ? Qt::Key_Home : Qt::Key_Down);
    QCOMPARE(m_app->engine().listing.SelectedEntry, combo->currentIndex());
}

QStringList SoakTest::lastLines(int count) const
{
    const auto* view =
        kwtest::findChild<QPlainTextEdit>(m_app->outputWindow(), QStringLiteral("Memo1"));
    // The empty block after the last line ends the document.
    QStringList lines;
    for (QTextBlock block = view->document()->lastBlock().previous();
         block.isValid() && lines.size() < count; block = block.previous())
        lines.prepend(block.text());
    return lines;
}

const Expected& SoakTest::expected(int device, const QString& block, int mode, int month)
{
    const QString key =
        QStringLiteral("%1/%2/%3/%4").arg(device).arg(block.left(1)).arg(mode).arg(month);
    auto found = m_expected.find(key);
    if (found != m_expected.end())
        return *found;

    // kwatrix-report numbers the blocks as the device's own description does;
    // after an older month the block choice may show another description's
    // order. The first character identifies a block in both.
    const std::string dir = m_program.dir.path();
    kw::Log log;
    kw::IniLayer ini;
    kw::ArchiveDescription description(ini, log);
    description.LoadArchiveDescription(dir, device);
    int number = 0;
    for (int i = 1; i <= description.BlockCount && number == 0; ++i)
        if (QString::fromStdString(description.BlockTable[static_cast<std::size_t>(i)].Description)
                .startsWith(block.left(1)))
            number = i;

    char monthText[16];
    std::snprintf(monthText, sizeof monthText, "%04d-%02d", kYear, month);
    std::ostringstream out, err;
    Expected result;
    result.status = kw::RunReport({"--dir", dir, "--device", std::to_string(device), "--month",
                                   monthText, "--block", std::to_string(number), "--mode",
                                   std::to_string(mode), "--whole-month"},
                                  dir, out, err);
    result.lines = QString::fromStdString(out.str()).split(QLatin1Char('\n'));
    result.lines.removeLast(); // after the last "\n"
    result.error = QString::fromStdString(err.str());
    return *m_expected.insert(key, result);
}

void SoakTest::desktopListings()
{
    kw::demo::DemoOptions options;
    options.devices = {std::begin(kDevices), std::end(kDevices)};
    options.lastDay = {kYear, kMonths, 30};
    options.months = kMonths;
    m_program.dir.writeDemoArchive(options);
    QVERIFY(m_program.start());
    m_app = m_program.app.get();
    kw::MainWindow* main = m_app->mainWindow();

    // The chart stays open beside the output window, as a user keeps it.
    QTest::mouseClick(kwtest::findChild<QWidget>(main, QStringLiteral("SpeedButton2")),
                      Qt::LeftButton);
    QVERIFY(m_app->graphWindow()->isVisible());
    QCoreApplication::processEvents();

    auto* listingTree = kwtest::findChild<QTreeWidget>(main, QStringLiteral("TreeViewDir"));
    auto* view = kwtest::findChild<QPlainTextEdit>(m_app->outputWindow(), QStringLiteral("Memo1"));
    ScreenWatch screen(view->viewport(),
                       kwtest::findChild<QWidget>(m_app->graphWindow(), QStringLiteral("Chart1")));
    BoxCloser boxes;

    const int count = listingCount();
    std::vector<double> wallMs;
    std::vector<double> ownMs; // without the time spent waiting for a processor
    wallMs.reserve(static_cast<std::size_t>(count));
    ownMs.reserve(static_cast<std::size_t>(count));
    qint64 firstRss = 0;
    qint64 filledRss = 0;
    int warmUp = -1;          // listings until the view was full; -1 while filling
    std::size_t appended = 0; // characters handed to the view so far
    QElapsedTimer run;
    run.start();

    for (int i = 0; warmUp < 0 || i < warmUp + count; ++i) {
        // Every listing has another month and another display mode; the block
        // moves on each time and the device every thirty listings, so each
        // choice of device, block, mode and month comes back again and again.
        const int device = kDevices[(i / kListingsPerDevice) % std::size(kDevices)];
        const int mode = i % kDisplayModes;
        const int month = 1 + i % kMonths;
        if (m_app->DeviceNo != device)
            chooseDevice(device);
        chooseDisplayMode(mode);
        chooseMonth(month);
        chooseNextBlock();
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("listing %1 could not be chosen").arg(i + 1)));

        const QString block =
            kwtest::findChild<QComboBox>(main, QStringLiteral("ComboBoxAB"))->currentText();
        QTreeWidgetItem* commands = rootStartingWith(listingTree, QStringLiteral("VÝPIS "));
        QTreeWidgetItem* wholeMonth =
            commands ? childNamed(commands, QStringLiteral("CELÝ MĚSÍC")) : nullptr;
        QVERIFY2(wholeMonth, qPrintable(QStringLiteral("listing %1: no CELÝ MĚSÍC").arg(i + 1)));
        const QPoint at = itemCentre(listingTree, wholeMonth);

        QElapsedTimer wall;
        const qint64 waitBefore = runQueueWait();
        wall.start();
        screen.listingAsked();
        // A real double click: the first click selects, the second lists.
        QTest::mouseClick(listingTree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(listingTree->viewport(), Qt::LeftButton, {}, at);
        const bool painted = screen.waitUntilShown();
        const qint64 elapsed = wall.nsecsElapsed();
        const qint64 waited = runQueueWait() - waitBefore;
        wallMs.push_back(static_cast<double>(elapsed) / 1e6);
        ownMs.push_back(static_cast<double>(std::max<qint64>(elapsed - waited, 0)) / 1e6);

        const QString what = QStringLiteral("listing %1 (device %2, %3, mode %4, %5): ")
                                 .arg(i + 1)
                                 .arg(device)
                                 .arg(block)
                                 .arg(mode)
                                 .arg(QString::fromStdString(kw::PeriodText(kYear, month)));
        QVERIFY2(painted,
                 qPrintable(what + QStringLiteral("the view or the chart was not painted")));
        QVERIFY2(boxes.unexpected.isEmpty(), qPrintable(what + boxes.unexpected.join('\n')));
        QCOMPARE(m_app->engine().listing.ListingSpan, int(kw::ListingRun::WholeMonth));

        // The listing is the one asked for, whole: what kwatrix-report lists.
        const Expected& report = expected(device, block, mode, month);
        QVERIFY2(report.status == 0, qPrintable(what + report.error));
        const QStringList shown = lastLines(report.lines.size());
        if (shown != report.lines) {
            int line = 0;
            while (line < shown.size() && line < report.lines.size() &&
                   shown[line] == report.lines[line])
                ++line;
            QFAIL(qPrintable(what + QStringLiteral("line %1 is \"%2\" instead of \"%3\"")
                                        .arg(line + 1)
                                        .arg(shown.value(line), report.lines.value(line))));
        }
        // And the chart shows it.
        const kw::Graph& graph = m_app->engine().graph;
        QVERIFY2(!graph.bars().empty(), qPrintable(what + QStringLiteral("no bars")));
        QCOMPARE(QString::fromStdString(graph.title()),
                 QString::fromStdString(kw::PeriodText(kYear, month)) + QStringLiteral(" - ") +
                     block + QStringLiteral(" - MĚSÍC"));

        // What the program's event loop would delete by now.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (warmUp < 0) {
            for (const QString& line : report.lines)
                appended += static_cast<std::size_t>(line.size()) + 1;
            const auto held = static_cast<std::size_t>(view->document()->characterCount());
            // Filled, then every character of it replaced once.
            if (held >= kw::OutputWindow::DefaultCapacity * 99 / 100 &&
                appended >= 2 * kw::OutputWindow::DefaultCapacity) {
                warmUp = i + 1;
                filledRss = residentBytes();
                wallMs.clear();
                ownMs.clear();
            }
            QVERIFY2(i < 1000, "the output view never reached its capacity");
        } else if (i + 1 - warmUp == kFirstSample) {
            firstRss = residentBytes();
        }
    }
    const qint64 lastRss = residentBytes();
    const double seconds = static_cast<double>(run.elapsed()) / 1000;

    const double median = quantile(wallMs, 0.5);
    const double ownMedian = quantile(ownMs, 0.5);
    const auto slowest = std::max_element(ownMs.begin(), ownMs.end());
    const double change = static_cast<double>(lastRss - firstRss) / static_cast<double>(firstRss);
    std::printf("soak: %d listings after the %d that filled the output view and replaced its "
                "text once, in %.0f s\n"
                "  listing, click to painted: median %.2f ms, p95 %.2f ms, max %.2f ms\n"
                "  without waiting for a processor: median %.2f ms, p95 %.2f ms, max %.2f ms "
                "(listing %d)\n"
                "  RSS with the output view full %.1f MB; after %d more listings %.1f MB, "
                "after %d %.1f MB, change %+.2f %%\n"
                "  the memory check catches a leak of %.0f bytes per listing\n",
                count, warmUp, seconds, median, quantile(wallMs, 0.95),
                *std::max_element(wallMs.begin(), wallMs.end()), ownMedian, quantile(ownMs, 0.95),
                *slowest, static_cast<int>(slowest - ownMs.begin()) + 1 + warmUp,
                megabytes(filledRss), kFirstSample, megabytes(firstRss), count, megabytes(lastRss),
                100 * change,
                kGrowthLimit * static_cast<double>(firstRss) / (count - kFirstSample));
    std::fflush(stdout);

    QVERIFY2(std::abs(change) < kGrowthLimit,
             qPrintable(QStringLiteral("RSS changed by %1 %").arg(100 * change, 0, 'f', 2)));
    QVERIFY2(*slowest <= kSlowFactor * ownMedian,
             qPrintable(QStringLiteral("listing %1 took %2 ms, the median is %3 ms")
                            .arg(slowest - ownMs.begin() + 1 + warmUp)
                            .arg(*slowest, 0, 'f', 2)
                            .arg(ownMedian, 0, 'f', 2)));
}

QTEST_MAIN(SoakTest)
#include "soak_test.moc"
