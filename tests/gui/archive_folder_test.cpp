// The archive folder: chosen at start, opened while running, watched for new
// files; and the desktop's ways: window places remembered, F1 for help.
#include "GuiSupport.h"

#include "analysis/BillWindow.h"
#include "analysis/HeatMapWindow.h"
#include "app/MainWindow.h"
#include "archive/DateTime.h"
#include "calendar/CalendarWindow.h"
#include "graph/GraphWindow.h"
#include "listing/Engine.h"
#include "output/LogWindow.h"
#include "output/OutputWindow.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextBrowser>
#include <QTreeWidget>

namespace {

using kwtest::findChild;
using kwtest::ProgramDir;

QStringList periodYears(const kw::Application& app)
{
    auto* tree = kwtest::findChild<QTreeWidget>(app.mainWindow(), QStringLiteral("TreeViewObdobi"));
    QStringList years;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        years << tree->topLevelItem(i)->text(0);
    return years;
}

QStringList devices(const kw::Application& app)
{
    auto* combo =
        kwtest::findChild<QComboBox>(app.mainWindow(), QStringLiteral("ComboBoxDeviceNo"));
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    return entries;
}

QStringList recentFolders(const kw::Application& app)
{
    auto* menu = kwtest::findChild<QMenu>(app.mainWindow(), QStringLiteral("NaposledyOtevrene"));
    QStringList folders;
    for (const QAction* action : menu->actions())
        folders << action->text();
    return folders;
}

QStringList logLines(kw::Application& app)
{
    auto* memo = kwtest::findChild<QPlainTextEdit>(app.logWindow(), QStringLiteral("Memo1"));
    return memo->toPlainText().split(QLatin1Char('\n'));
}

QString folderName(const ProgramDir& dir)
{
    return QDir(dir.qpath()).dirName();
}

} // namespace

class ArchiveFolderTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(kwtest::isolateSettings()); }
    void init() { kwtest::clearSettings(); }

    void noFolderAsksAndCancelEndsQuietly();
    void folderWithoutDescriptionAsksAgain();
    void anotherArchiveRunsTheStartUpSequence();
    void newFilesShowWithoutRestart();
    void windowPlacesAreKeptOnScreen();
    void f1OpensTheTopicOfTheWindow();
};

void ArchiveFolderTest::noFolderAsksAndCancelEndsQuietly()
{
    kw::Application app("");
    int asked = 0;
    app.setFolderChooser([&asked](const QString&) {
        ++asked;
        return std::string();
    });
    kwtest::BoxAnswerer boxes;
    QCOMPARE(app.run(), 0);
    QCOMPARE(asked, 1);
    QVERIFY(!boxes.seen());
}

void ArchiveFolderTest::folderWithoutDescriptionAsksAgain()
{
    ProgramDir broken;
    broken.populate({0}, {});
    ProgramDir good;
    good.populate({0}, {0});
    kw::Application app(broken.path());
    QStringList offered;
    app.setFolderChooser([&](const QString& caption) {
        offered << caption;
        return good.path();
    });
    kwtest::BoxAnswerer boxes;
    // The program runs on the folder chosen; closing its window ends it.
    QTimer::singleShot(200, app.mainWindow(), [&app] { app.mainWindow()->close(); });
    QCOMPARE(app.run(), 0);
    // The dialog names the folder that held no archive.
    QCOMPARE(offered, QStringList{QStringLiteral("Vyberte složku s archivem (ve složce ") +
                                  broken.qpath() + QStringLiteral(" není archiv)")});
    QCOMPARE(boxes.captions(), QStringList{QStringLiteral("Kritická chyba programu")});
    QCOMPARE(app.ProgramPath, good.path());
    QCOMPARE(app.mainWindow()->windowTitle(), QStringLiteral("Kwatrix – ") + folderName(good));
}

void ArchiveFolderTest::anotherArchiveRunsTheStartUpSequence()
{
    kwtest::Program program;
    program.dir.populate({0, 3}, {0, 3});
    QVERIFY(program.start());
    kw::Application& app = *program.app;
    ProgramDir other;
    other.populate({5}, {5});

    app.openAnotherArchive(other.path());
    QCOMPARE(app.ProgramPath, other.path());
    QCOMPARE(devices(app), QStringList{QStringLiteral("5")});
    QCOMPARE(app.DeviceNo, 5);
    QCOMPARE(app.mainWindow()->windowTitle(), QStringLiteral("Kwatrix – ") + folderName(other));
    const QStringList log = logLines(app);
    QVERIFY(log.contains(QStringLiteral("  PROGRAM_PATH=") + other.qpath() + QStringLiteral(" ")));
    QVERIFY(log.contains(QStringLiteral("  READ_LIST_INI FILE: ") + other.qpath() +
                         QStringLiteral("D05ARCH.INI :0")));
    QCOMPARE(recentFolders(app), (QStringList{other.qpath(), program.dir.qpath()}));

    // A folder without a description: the fatal message, the dialog again,
    // and giving up brings the archive shown before back.
    ProgramDir broken;
    broken.populate({1}, {});
    int asked = 0;
    app.setFolderChooser([&asked](const QString&) {
        ++asked;
        return std::string();
    });
    kwtest::BoxAnswerer boxes;
    app.openAnotherArchive(broken.path());
    QCOMPARE(boxes.captions(), QStringList{QStringLiteral("Kritická chyba programu")});
    QCOMPARE(asked, 1);
    QVERIFY(!app.terminated());
    QCOMPARE(app.ProgramPath, other.path());
    QCOMPARE(devices(app), QStringList{QStringLiteral("5")});
}

void ArchiveFolderTest::newFilesShowWithoutRestart()
{
    kwtest::Program program;
    kw::demo::DemoOptions options;
    const kw::Date yesterday = kw::YesterdayDate();
    options.lastDay = {yesterday.year, yesterday.month, yesterday.day};
    options.months = 2;
    options.devices = {0};
    program.dir.writeDemoArchive(options);
    QVERIFY(program.start());
    kw::Application& app = *program.app;
    kwtest::RecordingTarget output(app.engine().output);
    const QStringList years = periodYears(app);
    QVERIFY(!years.contains(QStringLiteral("2030")));

    // A listing made before the files change stays as it is.
    app.engine().settings.DisplayMode = 3;
    app.engine().listing.MonthAction(32);
    const qsizetype listed = output.lines.size();
    const std::size_t bars = app.engine().graph.bars().size();
    QVERIFY(listed > 0);

    // Another year and another device arrive, copied in by the controller.
    QFile::copy(program.dir.file(QString::fromStdString(
                    kw::demo::MonthFileName(0, yesterday.year, yesterday.month))),
                program.dir.file(QStringLiteral("EL_30_01.DAT")));
    program.dir.addMonthFile(7, 2030, 1);
    QTRY_VERIFY_WITH_TIMEOUT(periodYears(app).contains(QStringLiteral("2030")), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(devices(app), (QStringList{QStringLiteral("0"), QStringLiteral("7")}),
                              2000);
    QCOMPARE(app.DeviceNo, 0);

    // The shown month's file overwritten in place: its archived days are read again.
    auto* tree = kwtest::findChild<QTreeWidget>(app.mainWindow(), QStringLiteral("TreeViewDir"));
    QVERIFY(tree->topLevelItem(0)->childCount() > 0);
    const kw::ListingRun& listing = app.engine().listing;
    const QString shown = QString::fromStdString(
        kw::demo::MonthFileName(0, listing.ListingYear, listing.ListingMonth));
    // Gone, then back with its name in small letters: listed at once.
    QVERIFY(QFile::remove(program.dir.file(shown)));
    QTRY_COMPARE_WITH_TIMEOUT(tree->topLevelItemCount(), 1, 2000);
    QFile::copy(program.dir.file(QStringLiteral("EL_30_01.DAT")),
                program.dir.file(shown.toLower()));
    QTRY_COMPARE_WITH_TIMEOUT(tree->topLevelItemCount(), 2, 2000);
    program.dir.write(shown.toLower(), QByteArray());
    QTRY_COMPARE_WITH_TIMEOUT(tree->topLevelItemCount(), 1, 2000);
    QCOMPARE(tree->topLevelItem(0)->childCount(), 0);

    QCOMPARE(output.lines.size(), listed);
    QCOMPARE(app.engine().graph.bars().size(), bars);
}

void ArchiveFolderTest::windowPlacesAreKeptOnScreen()
{
    kwtest::Program program;
    program.dir.populate({0}, {0});
    QVERIFY(program.start());
    // On the first start the listing windows open beside the main window.
    const QRect main = program.app->mainWindow()->frameGeometry();
    for (QWidget* window : {static_cast<QWidget*>(program.app->outputWindow()),
                            static_cast<QWidget*>(program.app->graphWindow()),
                            static_cast<QWidget*>(program.app->logWindow())}) {
        window->show();
        QVERIFY2(!window->frameGeometry().intersects(main) ||
                     window->frameGeometry().right() >=
                         QGuiApplication::primaryScreen()->availableGeometry().right(),
                 qPrintable(window->objectName()));
    }

    program.app->graphWindow()->move(30, 60);
    QVERIFY(program.start());
    // Within the few pixels of a window frame that this platform adds.
    QVERIFY((program.app->graphWindow()->pos() - QPoint(30, 60)).manhattanLength() <= 4);

    // A place stored on a larger screen comes back inside this one.
    program.app->graphWindow()->move(5000, 4000);
    QVERIFY(program.start());
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(area.contains(program.app->graphWindow()->frameGeometry().topLeft()));
}

void ArchiveFolderTest::f1OpensTheTopicOfTheWindow()
{
    kwtest::Program program;
    program.dir.populate({0}, {0});
    program.dir.write(QStringLiteral("qx5view.html"),
                      "<html><body><a name=\"MENU\"></a><a name=\"MENU_KALEND\"></a>"
                      "<a name=\"GR\"></a><a name=\"ANALYZA\"></a><a name=\"VYSTUP\"></a>"
                      "<a name=\"LOG\"></a><a name=\"VYUCTOVANI\"></a></body></html>");
    QVERIFY(program.start());
    const struct {
        QWidget* window;
        const char* topic;
    } cases[] = {
        {program.app->mainWindow(), "MENU"},       {program.app->calendarWindow(), "MENU_KALEND"},
        {program.app->graphWindow(), "GR"},        {program.app->heatMapWindow(), "ANALYZA"},
        {program.app->outputWindow(), "VYSTUP"},   {program.app->logWindow(), "LOG"},
        {program.app->billWindow(), "VYUCTOVANI"},
    };
    for (const auto& c : cases) {
        c.window->show();
        QVERIFY(QTest::qWaitForWindowActive(c.window) || c.window->isVisible());
        QTest::keyClick(c.window, Qt::Key_F1);
        auto* browser = qApp->findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
        if (!browser) {
            for (QWidget* top : QApplication::topLevelWidgets())
                if ((browser = top->findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"))))
                    break;
        }
        QVERIFY2(browser, c.topic);
        QCOMPARE(browser->source().fragment(), QLatin1String(c.topic));
    }
}

QTEST_MAIN(ArchiveFolderTest)
#include "archive_folder_test.moc"
