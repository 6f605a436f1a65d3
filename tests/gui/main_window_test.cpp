// The main window end to end: the period tree, the listing tree and its
// commands, the panel button, and a listing reaching the output and the graph.

#include "GuiSupport.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Report.h"
#include "archive/ArchiveDescription.h"
#include "archive/DateTime.h"
#include "calendar/CalendarWindow.h"
#include "output/LogWindow.h"
#include "output/Output.h"
#include "output/OutputWindow.h"
#include "tools/DemoArchive.h"
#include "ui/Help.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>
#include <sstream>

namespace demo = kw::demo;

namespace {

using kwtest::BoxAnswerer;
using kwtest::childNamed;
using kwtest::itemCentre;
using kwtest::ProgramDir;
using kwtest::RecordingTarget;
using kwtest::rootStartingWith;

// The demo archive of device 0 for January to March 2024.
demo::DemoOptions januaryToMarch()
{
    demo::DemoOptions options;
    options.devices = {0};
    options.lastDay = {2024, 3, 20};
    options.months = 3;
    options.olderMonths = 0;
    return options;
}

// The program started on that archive; false when the start-up failed.
bool startOnDemoArchive(kwtest::Program& program)
{
    program.dir.writeDemoArchive(januaryToMarch());
    return program.start();
}

QTreeWidget* periodTree(const kw::Application& app)
{
    return kwtest::findChild<QTreeWidget>(app.mainWindow(), QStringLiteral("TreeViewObdobi"));
}

QTreeWidget* listingTree(const kw::Application& app)
{
    return kwtest::findChild<QTreeWidget>(app.mainWindow(), QStringLiteral("TreeViewDir"));
}

void clickItem(QTreeWidget* tree, QTreeWidgetItem* item)
{
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, itemCentre(tree, item));
}

void doubleClickItem(QTreeWidget* tree, QTreeWidgetItem* item)
{
    const QPoint at = itemCentre(tree, item);
    // A real double click: the first click selects, the second activates.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
}

// Clicks the month in the period tree as a user would.
bool pickMonth(const kw::Application& app, int year, const QString& month)
{
    QTreeWidget* tree = periodTree(app);
    QTreeWidgetItem* yearNode = rootStartingWith(tree, QString::number(year));
    QTreeWidgetItem* monthNode = yearNode ? childNamed(yearNode, month) : nullptr;
    if (!monthNode)
        return false;
    clickItem(tree, monthNode);
    return true;
}

QTreeWidgetItem* command(const kw::Application& app, const QString& caption)
{
    QTreeWidgetItem* root = rootStartingWith(listingTree(app), QStringLiteral("VÝPIS "));
    return root ? childNamed(root, caption) : nullptr;
}

// "2024+: LEDEN | 2023-: BŘEZEN LISTOPAD": years with expansion and months.
QString periodTreeText(QTreeWidget* tree)
{
    QStringList years;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* year = tree->topLevelItem(i);
        QStringList months;
        for (int m = 0; m < year->childCount(); ++m)
            months << year->child(m)->text(0);
        years << year->text(0) + (year->isExpanded() ? "+" : "-") + ": " + months.join(' ');
    }
    return years.join(QStringLiteral(" | "));
}

QStringList logLines(const kw::Application& app)
{
    const auto* memo = kwtest::findChild<QPlainTextEdit>(app.logWindow(), QStringLiteral("Memo1"));
    return memo->toPlainText().split(QLatin1Char('\n'));
}

// What kwatrix-report lists for the same directory and arguments.
QStringList reportLines(const ProgramDir& dir, std::vector<std::string> args)
{
    args.insert(args.begin(), {"--dir", dir.path()});
    std::ostringstream out, err;
    const int status = kw::RunReport(args, dir.path(), out, err);
    if (status != 0)
        return {QStringLiteral("status %1: ").arg(status) + QString::fromStdString(err.str())};
    QStringList lines = QString::fromStdString(out.str()).split(QLatin1Char('\n'));
    lines.removeLast(); // after the last "\n"
    return lines;
}

QWidget* client(const kw::Application& app)
{
    return app.mainWindow()->centralWidget();
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void periodTreeOrder_data();
    void periodTreeOrder();
    void listingTreeOfMonthFile();
    void autoCollapseOfList();
    void rebuildOnlyWhenPeriodChanges();
    void panelHideAndShow();
    void doubleClickOnMonthChoosesAndFolds();
    void wholeMonthListing_data();
    void wholeMonthListing();
    void rangePicked17Then3();
    void energyMonthWithoutKem_data();
    void energyMonthWithoutKem();
    void rawListingOfArchivedDay();
    void ioErrorEndsTheActionOnly();
    void deviceChangeRebuildsTheShownMonth();
    void calendarFromMenuAndPopup();
    void dayPickerNeverListsAnotherMonth();
    void calendarCaptionNamesTheMonthShown();
    void helpOfEveryTopic();
};

void MainWindowTest::initTestCase()
{
    QVERIFY(kwtest::isolateSettings());
}

void MainWindowTest::init()
{
    kwtest::clearSettings();
}

void MainWindowTest::periodTreeOrder_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("tree");

    QTest::newRow("newest year expanded")
        << QStringList{"EL_23_03.DAT", "EL_23_11.DAT", "EL_24_01.DAT"}
        << "2024+: LEDEN | 2023-: BŘEZEN LISTOPAD";
    QTest::newRow("two-digit years 79 and 80")
        << QStringList{"EL_80_02.DAT", "EL_79_12.DAT", "EL_99_07.DAT", "EL_00_01.DAT"}
        << "2079+: PROSINEC | 2000-: LEDEN | 1999-: ČERVENEC | 1980-: ÚNOR";
    QTest::newRow("no month files") << QStringList{} << "";
}

void MainWindowTest::periodTreeOrder()
{
    QFETCH(QStringList, files);
    QFETCH(QString, tree);

    ProgramDir dir;
    dir.describe();
    for (const QString& name : files)
        dir.write(name, QByteArray());
    kw::Application app(dir.path());
    QVERIFY(app.startUp());
    QCOMPARE(periodTreeText(periodTree(app)), tree);

    // The popup menu's commands keep the order and change only the expansion.
    auto trigger = [&](const char* name) {
        kwtest::findChild<QAction>(app.mainWindow(), QLatin1String(name))->trigger();
    };
    trigger("ExpandAll1");
    QVERIFY(!periodTreeText(periodTree(app)).contains(QStringLiteral("-:")));
    trigger("ColapseAll1");
    QVERIFY(!periodTreeText(periodTree(app)).contains(QStringLiteral("+:")));
    trigger("Rozbalaktulnrok1");
    QCOMPARE(periodTreeText(periodTree(app)), tree);
}

void MainWindowTest::listingTreeOfMonthFile()
{
    ProgramDir dir;
    dir.describe();
    demo::MonthImage image;
    image.count = 4;
    for (const int entry : {1, 2, 4}) {
        demo::MonthEntry& e = image.entries[static_cast<std::size_t>(entry - 1)];
        e.present = true;
        e.numbers = {2, 0, static_cast<uint16_t>(10 + entry)};
        e.data = std::string("\x0b\x02", 2) + std::string(40, '\0');
    }
    dir.write(QStringLiteral("EL_23_03.DAT"), demo::SerializeMonthFile(image));
    kw::Application app(dir.path());
    QVERIFY(app.startUp());
    QVERIFY(pickMonth(app, 2023, QStringLiteral("BŘEZEN")));
    QCOMPARE(kwtest::findChild<QLineEdit>(app.mainWindow(), QStringLiteral("EditObdobi"))->text(),
             QStringLiteral("BŘEZEN 2023"));

    QTreeWidget* tree = listingTree(app);
    QCOMPARE(tree->topLevelItemCount(), 2);
    QTreeWidgetItem* list = tree->topLevelItem(0);
    QCOMPARE(list->text(0), QStringLiteral("LIST BŘEZEN 2023"));
    QStringList days;
    QList<int> arguments;
    for (int i = 0; i < list->childCount(); ++i) {
        days << list->child(i)->text(0);
        arguments << list->child(i)->data(0, Qt::UserRole + 1).toInt();
    }
    QCOMPARE(arguments, (QList<int>{1, 2, 4}));
    // Records follow the 560-byte header in entry order, each 16 + 42 bytes.
    QCOMPARE(days, (QStringList{"DEN :01   02:00:11   ADR=0230  11 2",
                                "DEN :02   02:00:12   ADR=026A  11 2",
                                "DEN :04   02:00:14   ADR=02A4  11 2"}));

    QTreeWidgetItem* commands = tree->topLevelItem(1);
    QCOMPARE(commands->text(0), QStringLiteral("VÝPIS BŘEZEN 2023"));
    QStringList captions;
    for (int i = 0; i < commands->childCount(); ++i)
        captions << commands->child(i)->text(0);
    QCOMPARE(captions, (QStringList{"Nastavení parametrů výpisu", "CELÝ MĚSÍC", "ENERGETICKÝ MĚSÍC",
                                    "OBDOBÍ", "DEN"}));
    // As after every build: "DEN" selected, its branch open, LIST folded.
    QCOMPARE(tree->currentItem(), commands->child(4));
    QVERIFY(commands->isExpanded());
    QVERIFY(!list->isExpanded());

    // Opening or folding a branch by hand selects it.
    list->setExpanded(true);
    QCOMPARE(tree->currentItem(), list);
    commands->setExpanded(false);
    QCOMPARE(tree->currentItem(), commands);
}

void MainWindowTest::autoCollapseOfList()
{
    kwtest::Program program;
    QVERIFY(startOnDemoArchive(program));
    kw::Application& app = *program.app;
    QAction* autoCollapse =
        kwtest::findChild<QAction>(app.mainWindow(), QStringLiteral("AutSbalList"));
    QVERIFY(autoCollapse->isChecked());

    autoCollapse->trigger();
    QVERIFY(!autoCollapse->isChecked());
    // Takes effect at the next build only.
    QTreeWidgetItem* list = listingTree(app)->topLevelItem(0);
    QVERIFY(!list->isExpanded());
    QVERIFY(pickMonth(app, 2024, QStringLiteral("ÚNOR")));
    list = listingTree(app)->topLevelItem(0);
    QVERIFY(list->childCount() > 0);
    QVERIFY(list->isExpanded());
    QCOMPARE(listingTree(app)->currentItem()->text(0), QStringLiteral("DEN"));

    autoCollapse->trigger();
    QVERIFY(pickMonth(app, 2024, QStringLiteral("BŘEZEN")));
    QVERIFY(!listingTree(app)->topLevelItem(0)->isExpanded());
}

void MainWindowTest::rebuildOnlyWhenPeriodChanges()
{
    kwtest::Program program;
    QVERIFY(startOnDemoArchive(program));
    kw::Application& app = *program.app;
    QVERIFY(pickMonth(app, 2024, QStringLiteral("ÚNOR")));
    QTreeWidget* tree = listingTree(app);
    const int days = tree->topLevelItem(0)->childCount();
    QVERIFY(days > 0);

    // The same month again keeps the very nodes, even when the file changed.
    tree->topLevelItem(0)->setData(0, Qt::UserRole + 7, QStringLiteral("kept"));
    program.dir.write(QStringLiteral("EL_24_02.DAT"), QByteArray());
    QVERIFY(pickMonth(app, 2024, QStringLiteral("ÚNOR")));
    QCOMPARE(tree->topLevelItem(0)->data(0, Qt::UserRole + 7).toString(), QStringLiteral("kept"));
    QCOMPARE(tree->topLevelItem(0)->childCount(), days);

    // Another month rebuilds and re-titles the graph.
    QVERIFY(pickMonth(app, 2024, QStringLiteral("LEDEN")));
    QVERIFY(tree->topLevelItem(0)->data(0, Qt::UserRole + 7).isNull());
    QCOMPARE(app.engine().listing.ListingMonth, 1);
    QVERIFY(QString::fromStdString(app.engine().graph.title()).startsWith("LEDEN 2024 - "));
    // Back to the changed file: now it is read again, and is no month file.
    QVERIFY(pickMonth(app, 2024, QStringLiteral("ÚNOR")));
    QCOMPARE(tree->topLevelItemCount(), 1);
}

void MainWindowTest::panelHideAndShow()
{
    kwtest::Program program;
    QVERIFY(startOnDemoArchive(program));
    kw::Application& app = *program.app;
    QWidget* main = app.mainWindow();
    const QString before = kwtest::findChild<QLineEdit>(main, QStringLiteral("EditObdobi"))->text();

    QMap<QString, QRect> geometries;
    for (const QWidget* w : client(app)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        geometries[w->objectName()] = w->geometry();
    const QSize windowSize = main->size();

    auto* button = kwtest::findChild<QToolButton>(main, QStringLiteral("BitBtn1"));
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!periodTree(app)->isVisible());
    QVERIFY(!kwtest::findChild<QLabel>(main, QStringLiteral("Label2"))->isVisible());
    QCOMPARE(listingTree(app)->geometry(), QRect(3, 174, 233, 251));
    QCOMPARE(kwtest::findChild<QWidget>(main, QStringLiteral("ComboBoxAB"))->geometry(),
             QRect(3, 122, 161, 21));
    QCOMPARE(kwtest::findChild<QWidget>(main, QStringLiteral("EditVypis"))->geometry(),
             QRect(3, 146, 145, 21));
    QCOMPARE(client(app)->width(), 382 - 141);
    QTRY_COMPARE(main->width(), windowSize.width() - 141);
    // Nothing of the narrowed window reaches past its edge.
    for (const QWidget* w : client(app)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->isVisible())
            QVERIFY2(w->geometry().right() < client(app)->width(), qPrintable(w->objectName()));

    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(periodTree(app)->isVisible());
    QVERIFY(kwtest::findChild<QLabel>(main, QStringLiteral("Label2"))->isVisible());
    for (const QWidget* w : client(app)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        QCOMPARE(w->geometry(), geometries.value(w->objectName()));
    QTRY_COMPARE(main->size(), windowSize);
    // The period tree's selection at start-up is a year: the button chose nothing.
    QCOMPARE(kwtest::findChild<QLineEdit>(main, QStringLiteral("EditObdobi"))->text(), before);
}

void MainWindowTest::doubleClickOnMonthChoosesAndFolds()
{
    kwtest::Program program;
    QVERIFY(startOnDemoArchive(program));
    kw::Application& app = *program.app;
    QTreeWidgetItem* year = rootStartingWith(periodTree(app), QStringLiteral("2024"));
    doubleClickItem(periodTree(app), childNamed(year, QStringLiteral("LEDEN")));
    QCOMPARE(kwtest::findChild<QLineEdit>(app.mainWindow(), QStringLiteral("EditObdobi"))->text(),
             QStringLiteral("LEDEN 2024"));
    QVERIFY(!periodTree(app)->isVisible());
    QCOMPARE(listingTree(app)->topLevelItem(0)->text(0), QStringLiteral("LIST LEDEN 2024"));

    // The button brings the panel back and, with the month still selected,
    // keeps the month.
    QTest::mouseClick(kwtest::findChild<QToolButton>(app.mainWindow(), QStringLiteral("BitBtn1")),
                      Qt::LeftButton);
    QVERIFY(periodTree(app)->isVisible());
    QCOMPARE(app.engine().listing.ListingMonth, 1);
}

void MainWindowTest::wholeMonthListing_data()
{
    QTest::addColumn<bool>("acceptWholeDay");
    QTest::addColumn<int>("mode");
    QTest::newRow("Yes switches to the whole day") << true << 3;
    QTest::newRow("No keeps quarter-hours") << false << 0;
}

void MainWindowTest::wholeMonthListing()
{
    QFETCH(bool, acceptWholeDay);
    QFETCH(int, mode);

    kwtest::Program program;
    QVERIFY(startOnDemoArchive(program));
    kw::Application& app = *program.app;
    RecordingTarget output(app.engine().output);
    QVERIFY(pickMonth(app, 2024, QStringLiteral("ÚNOR")));

    BoxAnswerer answers(acceptWholeDay ? QMessageBox::Yes : QMessageBox::No);
    doubleClickItem(listingTree(app), command(app, QStringLiteral("CELÝ MĚSÍC")));
    output.detach();

    QCOMPARE(answers.captions(), QStringList{QStringLiteral("Kontrola parametru zobrazení")});
    QVERIFY(answers.first().text.startsWith(QStringLiteral("Pro zobrazení více dnů doporučuji")));
    QCOMPARE(answers.first().icon, QMessageBox::Warning);
    QCOMPARE(app.engine().settings.DisplayMode, mode);
    QCOMPARE(kwtest::findChild<QLineEdit>(app.mainWindow(), QStringLiteral("EditVypis"))->text(),
             QStringLiteral("MĚSÍC"));
    QVERIFY(app.outputWindow()->isVisible());

    // The window lists exactly what the report program lists.
    QCOMPARE(output.lines, reportLines(program.dir, {"--month", "2024-02", "--mode",
                                                     std::to_string(mode), "--whole-month"}));
    QVERIFY(output.lines.contains(QStringLiteral("    **** VÝPIS OBDOBÍ: ÚNOR 2024")));
    QVERIFY(!output.lines.filter(QStringLiteral(" DEN: 29")).isEmpty());

    // Every bar lies in February 2024 (a day's last value ends at its midnight).
    const auto& bars = app.engine().graph.bars();
    QVERIFY(bars.size() >= 96);
    const double first = static_cast<double>(kw::DaysFromCivil(2024, 2, 1));
    const double last = static_cast<double>(kw::DaysFromCivil(2024, 3, 1));
    for (const kw::GraphBar& bar : bars)
        QVERIFY(bar.x > first && bar.x <= last + 1e-9);
    QVERIFY(app.engine().graph.LabelStep != 0);
    const auto* box = kwtest::findChild<QComboBox>(app.mainWindow(), QStringLiteral("ComboBoxAB"));
    const QString block = box->currentText();
    QVERIFY(!block.isEmpty());
    // The narrow field's hint names the whole description.
    QVERIFY(box->toolTip().endsWith(QLatin1Char('\n') + block));
    QCOMPARE(QString::fromStdString(app.engine().graph.title()),
             QStringLiteral("ÚNOR 2024 - ") + block + QStringLiteral(" - MĚSÍC"));
}

void MainWindowTest::rangePicked17Then3()
{
    kwtest::Program program;
    QVERIFY(startOnDemoArchive(program));
    kw::Application& app = *program.app;
    app.engine().settings.DisplayMode = 3; // no question
    RecordingTarget output(app.engine().output);
    QVERIFY(pickMonth(app, 2024, QStringLiteral("BŘEZEN")));

    doubleClickItem(listingTree(app), command(app, QStringLiteral("OBDOBÍ")));
    kw::CalendarWindow* calendar = app.calendarWindow();
    QVERIFY(calendar->isVisible());
    QCOMPARE(calendar->windowTitle(), QStringLiteral("VÝPIS - Ode dne"));
    QVERIFY(!kwtest::findChild<QWidget>(calendar, QStringLiteral("ButtonPM"))->isVisible());
    QVERIFY(!kwtest::findChild<QWidget>(calendar, QStringLiteral("ButtonNM"))->isVisible());

    auto clickDay = [&](int day) {
        for (QPushButton* b : calendar->findChildren<QPushButton*>()) {
            if (b->isVisible() && b->objectName().startsWith(QStringLiteral("Button")) &&
                QString(b->text()).remove('[').remove(']') == QString::number(day)) {
                QTest::mouseClick(b, Qt::LeftButton);
                return true;
            }
        }
        return false;
    };
    QVERIFY(clickDay(17));
    QVERIFY(calendar->isVisible());
    QCOMPARE(calendar->windowTitle(), QStringLiteral("VÝPIS - Do dne"));
    QVERIFY(output.lines.isEmpty());
    QVERIFY(clickDay(3));
    QVERIFY(!calendar->isVisible());
    output.detach();

    QCOMPARE(kwtest::findChild<QLineEdit>(app.mainWindow(), QStringLiteral("EditVypis"))->text(),
             QStringLiteral("OBDOBÍ od 3 do 17"));
    QCOMPARE(output.lines,
             reportLines(program.dir, {"--month", "2024-03", "--mode", "3", "--range", "3-17"}));
    QCOMPARE(output.lines.filter(QStringLiteral(" DEN: ")).first().left(8),
             QStringLiteral(" DEN: 03"));
    QCOMPARE(output.lines.filter(QStringLiteral(" DEN: ")).last().left(8),
             QStringLiteral(" DEN: 17"));
}

void MainWindowTest::energyMonthWithoutKem_data()
{
    QTest::addColumn<QByteArray>("calendar");
    QTest::addColumn<QStringList>("missing");

    QTest::newRow("listing month")
        << QByteArray("[2024]\r\n31.1=E\r\n1.1=N\r\n") << QStringList{"ÚNOR 2024"};
    QTest::newRow("month before") << QByteArray("[2024]\r\n29.2=E\r\n")
                                  << QStringList{"LEDEN 2024"};
    QTest::newRow("both") << QByteArray("[2024]\r\n1.1=N\r\n")
                          << QStringList{"ÚNOR 2024", "LEDEN 2024"};
}

void MainWindowTest::energyMonthWithoutKem()
{
    QFETCH(QByteArray, calendar);
    QFETCH(QStringList, missing);

    kwtest::Program program;
    program.dir.writeDemoArchive(januaryToMarch());
    program.dir.write(QStringLiteral("KALEND.INI"), calendar);
    QVERIFY(program.start());
    kw::Application& app = *program.app;
    app.engine().settings.DisplayMode = 3;
    RecordingTarget output(app.engine().output);
    QVERIFY(pickMonth(app, 2024, QStringLiteral("ÚNOR")));

    BoxAnswerer answers;
    doubleClickItem(listingTree(app), command(app, QStringLiteral("ENERGETICKÝ MĚSÍC")));
    output.detach();

    QCOMPARE(answers.captions(), QStringList{QStringLiteral("Chyba nastavení KEM")});
    QCOMPARE(answers.first().text, QStringLiteral("Chyba při testování konce energetického "
                                                  "měsíce. \r\nKEM nastavte pomocí Kalendáře"));
    QCOMPARE(answers.first().icon, QMessageBox::Critical);
    QVERIFY(output.lines.isEmpty());
    QVERIFY(!app.outputWindow()->isVisible());
    // The listing month is the chosen one again.
    QCOMPARE(app.engine().listing.ListingMonth, 2);
    QCOMPARE(app.engine().listing.ListingYear, 2024);
    const QStringList errors = logLines(app).filter(QStringLiteral("není nastaven KEM"));
    QCOMPARE(errors.size(), missing.size());
    for (int i = 0; i < missing.size(); ++i)
        QVERIFY2(errors[i].contains(QStringLiteral("Období ") + missing[i] + QStringLiteral(" -")),
                 qPrintable(errors[i]));
}

void MainWindowTest::rawListingOfArchivedDay()
{
    kwtest::Program program;
    QVERIFY(startOnDemoArchive(program));
    kw::Application& app = *program.app;
    RecordingTarget output(app.engine().output);
    QVERIFY(pickMonth(app, 2024, QStringLiteral("ÚNOR")));
    QTreeWidgetItem* list = listingTree(app)->topLevelItem(0);
    QTreeWidgetItem* day = list->child(1);
    QCOMPARE(day->data(0, Qt::UserRole + 1).toInt(), 2);

    BoxAnswerer answers;
    doubleClickItem(listingTree(app), day);
    QVERIFY(answers.boxes.isEmpty());
    QCOMPARE(output.lines.mid(0, 2),
             (QStringList{QString(), QStringLiteral("---------------------------- LIST DEN: 2 "
                                                    "----------------------------")}));
    QCOMPARE(output.lines, reportLines(program.dir, {"--month", "2024-02", "--raw", "2"}));
    QVERIFY(app.outputWindow()->isVisible());

    // A record the description cannot read: the message box, and the code in the log.
    demo::MonthImage image = demo::BuildMonthImage(januaryToMarch(), 0, 2024, 2);
    image.entries[1].recordName = "QX5-DATA-DEN-99";
    program.dir.write(QStringLiteral("EL_24_02.DAT"), demo::SerializeMonthFile(image));
    doubleClickItem(listingTree(app), day);
    output.detach();
    QCOMPARE(answers.captions(), QStringList{QStringLiteral("QX5_VIEW-CHYBA")});
    QCOMPARE(answers.first().text,
             QStringLiteral("Při zpracování programu nastala chyba, bližší informace v LOG info"));
    QCOMPARE(answers.first().icon, QMessageBox::NoIcon);
    QVERIFY(logLines(app).last().startsWith(QStringLiteral(" LIST: 2 rk: -")));
}

void MainWindowTest::ioErrorEndsTheActionOnly()
{
    kwtest::Program program;
    program.dir.writeDemoArchive(januaryToMarch());
    // A month file that opens as a regular file but whose reading fails: the
    // kernel answers a read of an unmapped address of its memory file with EIO.
    QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), program.dir.file("EL_23_12.DAT")));
    QVERIFY(program.start());
    kw::Application& app = *program.app;

    BoxAnswerer answers;
    QVERIFY(pickMonth(app, 2023, QStringLiteral("PROSINEC")));
    QCOMPARE(answers.boxes.size(), 1);
    QVERIFY(!answers.first().text.isEmpty());
    QCOMPARE(answers.first().icon, QMessageBox::Critical);
    QCOMPARE(listingTree(app)->topLevelItemCount(), 1);
    QVERIFY(app.mainWindow()->isVisible());

    // The program goes on with the next month.
    QVERIFY(pickMonth(app, 2024, QStringLiteral("LEDEN")));
    QCOMPARE(listingTree(app)->topLevelItemCount(), 2);
    QCOMPARE(answers.boxes.size(), 1);
}

void MainWindowTest::deviceChangeRebuildsTheShownMonth()
{
    ProgramDir dir;
    const kw::Date yesterday = kw::YesterdayDate();
    demo::DemoOptions options;
    options.devices = {0, 3};
    options.lastDay = {yesterday.year, yesterday.month, yesterday.day};
    options.months = 1;
    dir.writeDemoArchive(options);
    // Device 3 archived other days of the same month.
    demo::MonthImage image;
    image.count = 4;
    for (const int entry : {1, 2, 4}) {
        image.entries[static_cast<std::size_t>(entry - 1)].present = true;
        image.entries[static_cast<std::size_t>(entry - 1)].data = std::string(8, '\0');
    }
    const QString name =
        QString::fromStdString(demo::MonthFileName(3, yesterday.year, yesterday.month));
    dir.write(name, demo::SerializeMonthFile(image));

    kw::Application app(dir.path());
    QVERIFY(app.startUp());
    QVERIFY(listingTree(app)->topLevelItem(0)->childCount() != 3);
    QTest::keyClick(
        kwtest::findChild<QComboBox>(app.mainWindow(), QStringLiteral("ComboBoxDeviceNo")),
        Qt::Key_Down);
    QCOMPARE(app.DeviceNo, 3);
    // The month shown stays, but its days are now those of device 3.
    QTreeWidgetItem* list = listingTree(app)->topLevelItem(0);
    QCOMPARE(list->childCount(), 3);
    QCOMPARE(list->child(2)->data(0, Qt::UserRole + 1).toInt(), 4);
    // The graph's title names device 3's block, not device 0's.
    const QString block =
        kwtest::findChild<QComboBox>(app.mainWindow(), QStringLiteral("ComboBoxAB"))->currentText();
    QVERIFY(QString::fromStdString(app.engine().graph.title()).contains(" - " + block + " - ") &&
            !block.contains(QStringLiteral("hlavní")));
}

void MainWindowTest::calendarFromMenuAndPopup()
{
    kwtest::Program program;
    QVERIFY(startOnDemoArchive(program));
    kw::Application& app = *program.app;
    QVERIFY(pickMonth(app, 2024, QStringLiteral("ÚNOR")));
    kw::CalendarWindow* calendar = app.calendarWindow();

    // Picking a day leaves selection mode on; the menu opens it for editing.
    app.engine().calendar.SelectionMode = true;
    kwtest::findChild<QAction>(app.mainWindow(), QStringLiteral("Kalend1"))->trigger();
    QVERIFY(calendar->isVisible());
    QCOMPARE(calendar->windowTitle(), QStringLiteral("Kalendář ÚNOR 2024"));
    QVERIFY(!app.engine().calendar.SelectionMode);
    QVERIFY(kwtest::findChild<QWidget>(calendar, QStringLiteral("ButtonPM"))->isVisible());
    calendar->hide();

    int handled = 0;
    app.engine().calendar.SelectionHandler = [&](int32_t) { ++handled; };
    app.engine().calendar.SelectionMode = true;
    QVERIFY(pickMonth(app, 2024, QStringLiteral("LEDEN")));
    kwtest::findChild<QAction>(app.mainWindow(), QStringLiteral("Klaend1"))->trigger();
    QCOMPARE(calendar->windowTitle(), QStringLiteral("Kalendář LEDEN 2024"));
    QVERIFY(!app.engine().calendar.SelectionHandler);
    QTest::mouseClick(kwtest::findChild<QPushButton>(calendar, QStringLiteral("Button10")),
                      Qt::LeftButton);
    QCOMPARE(handled, 0);
    QVERIFY(calendar->isVisible());
}

void MainWindowTest::dayPickerNeverListsAnotherMonth()
{
    kwtest::Program program;
    QVERIFY(startOnDemoArchive(program));
    kw::Application& app = *program.app;
    RecordingTarget output(app.engine().output);
    kw::CalendarWindow* calendar = app.calendarWindow();

    // The picker of March's days goes away when February is chosen: its
    // "31" would list a day February does not have.
    QVERIFY(pickMonth(app, 2024, QStringLiteral("BŘEZEN")));
    doubleClickItem(listingTree(app), command(app, QStringLiteral("DEN")));
    QVERIFY(calendar->isVisible());
    QVERIFY(pickMonth(app, 2024, QStringLiteral("ÚNOR")));
    QVERIFY(!calendar->isVisible());
    QVERIFY(output.lines.isEmpty());
    output.detach();
}

void MainWindowTest::calendarCaptionNamesTheMonthShown()
{
    kwtest::Program program;
    QVERIFY(startOnDemoArchive(program));
    kw::Application& app = *program.app;
    app.engine().settings.DisplayMode = 3; // no question
    QVERIFY(pickMonth(app, 2024, QStringLiteral("BŘEZEN")));
    kw::CalendarWindow* calendar = app.calendarWindow();
    kwtest::findChild<QAction>(app.mainWindow(), QStringLiteral("Kalend1"))->trigger();
    QTest::mouseClick(kwtest::findChild<QPushButton>(calendar, QStringLiteral("ButtonPM")),
                      Qt::LeftButton);
    QCOMPARE(calendar->windowTitle(), QStringLiteral("Kalendář ÚNOR 2024"));

    // A listing of March loads March into the open calendar: its caption follows.
    RecordingTarget output(app.engine().output);
    doubleClickItem(listingTree(app), command(app, QStringLiteral("CELÝ MĚSÍC")));
    output.detach();
    QCOMPARE(app.engine().calendar.Month, 3);
    QCOMPARE(calendar->windowTitle(), QStringLiteral("Kalendář BŘEZEN 2024"));
}

void MainWindowTest::helpOfEveryTopic()
{
    // The document that the build puts beside the program.
    const QString document =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../qx5view.html");
    QFile file(document);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(document));
    const QString html = QString::fromUtf8(file.readAll());

    ProgramDir dir;
    dir.describe();
    dir.write(QStringLiteral("qx5view.html"), html.toUtf8());
    kw::Application app(dir.path());
    QVERIFY(app.startUp());

    int previous = -1;
    for (const char* key : {"MENU", "MENU_KALEND", "MENU_RDDS", "MENU_VS", "MENU_PV", "NPV_PPZ",
                            "NPV_SZD", "NPV_SZO", "GR", "ANALYZA", "VYUCTOVANI", "ULOZISTE"}) {
        QVERIFY2(html.contains(QStringLiteral("<a name=\"%1\">").arg(QLatin1String(key))), key);
        kw::OpenHelp(app.mainWindow(), QLatin1String(key));
        auto* browser = app.mainWindow()->findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
        QVERIFY(browser);
        QCOMPARE(browser->source().fragment(), QLatin1String(key));
        // Topics follow in this order, so each opens further down.
        const int at = browser->verticalScrollBar()->value();
        QVERIFY2(at > previous || at == browser->verticalScrollBar()->maximum(), key);
        previous = at;
    }
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
