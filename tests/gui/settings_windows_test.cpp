// The settings windows: listing parameters, day division editor, output sums.

#include "GuiSupport.h"
#include "analysis/ContractWindow.h"
#include "analysis/YearOverviewWindow.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "calendar/DayDivision.h"
#include "calendar/DayDivisionWindow.h"
#include "calendar/OutputSumWindow.h"
#include "calendar/OutputSumsWindow.h"
#include "listing/ListingParametersWindow.h"
#include "output/Output.h"
#include "tools/DemoArchive.h"
#include "ui/WindowSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using kw::DayDivision;

using kwtest::BoxAnswerer;
using kwtest::Boxes;

// The program started on a demo archive of March 2024.
class DemoProgram : public kwtest::Program {
public:
    explicit DemoProgram(bool dayDivisionFile = true)
    {
        kw::demo::DemoOptions options;
        options.lastDay = {2024, 3, 15};
        options.months = 1;
        options.devices = {0};
        options.dayDivision = dayDivisionFile;
        dir.writeDemoArchive(options);
        restart();
    }

    // A new program on the same directory, as after a restart.
    void restart() { QVERIFY(start()); }

    std::string path() const { return dir.path(); }
    QString file(const QString& name) const { return dir.file(name); }
    DayDivision& division() { return app->engine().division; }
};

QByteArray recordBytes(const DayDivision& division)
{
    return QByteArray(reinterpret_cast<const char*>(division.bytes().data()),
                      static_cast<int>(division.bytes().size()));
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void select(QTableWidget* grid, int top, int left, int bottom, int right)
{
    grid->clearSelection();
    grid->setRangeSelected(QTableWidgetSelectionRange(top, left, bottom, right), true);
}

// A click with the mouse on a cell, as the user chooses a group.
void clickCell(QTableWidget* grid, int row, int column)
{
    const QRect cell = grid->visualItemRect(grid->item(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

QString cell(const QTableWidget* grid, int row, int column)
{
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

// The option check boxes and their bits: the listing's sum options have all
// six, a group's output options the first four.
struct OptionBox {
    const char* row;
    const char* name;
    int bit;
};
const OptionBox OptionBoxes[] = {
    {"count", "CheckBoxNCth", 1},
    {"average", "CheckBoxPrum", 2},
    {"maximum", "CheckBoxMax", 4},
    {"sum", "CheckBoxSoucet", 8},
    {"period sums for one day", "CheckBoxOD", 16},
    {"day sums in every mode", "CheckBoxPZCD", 32},
};
constexpr int SumOptionBoxes = 6;
constexpr int GroupOptionBoxes = 4;

// Columns "box" and "bit", a row for each of the first `count` option boxes.
void addOptionBoxRows(int count)
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("bit");
    for (int i = 0; i < count; ++i)
        QTest::newRow(OptionBoxes[i].row)
            << QString::fromLatin1(OptionBoxes[i].name) << OptionBoxes[i].bit;
}

// The names of the checked boxes among the first `count` option boxes.
QStringList checkedBoxes(const QWidget* window, int count)
{
    QStringList on;
    for (int i = 0; i < count; ++i) {
        if (kwtest::findChild<QCheckBox>(window, OptionBoxes[i].name)->isChecked())
            on << QLatin1String(OptionBoxes[i].name);
    }
    return on;
}

// The quarter-hours of a group as a list, for readable comparisons.
QList<int> quarterHours(const DayDivision& division, int group)
{
    QList<int> list;
    for (int q = 0; q < 96; ++q) {
        if (division.GroupHasQuarterHour(group, q))
            list << q;
    }
    return list;
}

// The day's group sums: the name heading and the values below it.
struct DaySums {
    QString heading;
    QStringList values;
};

DaySums daySums(const QStringList& lines)
{
    for (int i = 0; i + 2 < lines.size(); ++i) {
        if (lines[i].startsWith(QLatin1String("dle skupin")))
            return {lines[i], lines[i + 2].split(QLatin1Char(' '), Qt::SkipEmptyParts)};
    }
    return {};
}

} // namespace

using Setter = std::function<void(DayDivision&)>;
Q_DECLARE_METATYPE(Setter)

class SettingsWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void dayStartText_data();
    void dayStartText();
    void listingParametersShowRecord_data();
    void listingParametersShowRecord();
    void dayStartTrackBar_data();
    void dayStartTrackBar();
    void listingParametersOk();
    void sumOptionBoxes_data();
    void sumOptionBoxes();
    void listingParametersCancel();
    void listingParametersDoors();

    void groupTableSelection_data();
    void groupTableSelection();
    void groupOutputBoxes_data();
    void groupOutputBoxes();
    void quarterHourEditing();
    void unwrittenCellsAreLostOnAnotherGroup();
    void groupChangeReachesNextListingAndSurvivesRestart();

    void outputSumEditing();
    void outputSumColumns_data();
    void outputSumColumns();
    void outputSumCancelAndHide();

    void saveRoundTrip_data();
    void saveRoundTrip();
    void failedSaveReported_data();
    void failedSaveReported();
    void helpButtons_data();
    void helpButtons();

    void capacityMovesIntoContract();
    void contractWindowSaves();
};

void SettingsWindowsTest::initTestCase()
{
    QVERIFY(kwtest::isolateSettings());
}

void SettingsWindowsTest::dayStartText_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    const QLocale czech(QLocale::Czech, QLocale::Czechia);
    QTest::newRow("midnight") << czech << 0 << "0:00:00";
    QTest::newRow("quarter past") << czech << 1 << "0:15:00";
    QTest::newRow("latest start") << czech << 48 << "12:00:00";
    QTest::newRow("previous day") << czech << -1 << "23:45:00 PD";
    QTest::newRow("two hours before") << czech << -8 << "22:00:00 PD";
    QTest::newRow("earliest start") << czech << -47 << "12:15:00 PD";
    // A 12-hour desktop keeps its AM/PM; no locale shows a time zone.
    QTest::newRow("12-hour clock")
        << QLocale(QLocale::English, QLocale::UnitedStates) << -1 << "11:45:00 PM PD";
    QTest::newRow("C locale") << QLocale::c() << -8 << "22:00:00 PD";
}

void SettingsWindowsTest::dayStartText()
{
    QFETCH(QLocale, locale);
    QFETCH(int, position);
    QFETCH(QString, text);
    QCOMPARE(kw::DayStartText(position, locale), text);
}

void SettingsWindowsTest::listingParametersShowRecord_data()
{
    QTest::addColumn<bool>("demoFile");
    QTest::addColumn<Setter>("change");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("checked"); // the option boxes checked, by name
    QTest::addColumn<int>("position");

    const Setter none = [](DayDivision&) {};
    QTest::newRow("defaults without a file") << false << none << 0 << "CheckBoxSoucet" << 0;
    QTest::newRow("demo record") << true << none << 0
                                 << "CheckBoxNCth CheckBoxPrum CheckBoxMax CheckBoxSoucet" << 0;
    QTest::newRow("every option, hour before midnight") << true << Setter([](DayDivision& d) {
        d.SetSumOptions(0xFF);
        d.SetDayStartOffset(-3600);
    }) << 2 << "CheckBoxNCth CheckBoxPrum CheckBoxMax CheckBoxSoucet CheckBoxOD CheckBoxPZCD"
                                                        << -4;
    QTest::newRow("single-day sums, mode out of range")
        << true << Setter([](DayDivision& d) { d.SetSumOptions(16 | 32); }) << 7
        << "CheckBoxOD CheckBoxPZCD" << 0;
}

void SettingsWindowsTest::listingParametersShowRecord()
{
    QFETCH(bool, demoFile);
    QFETCH(Setter, change);
    QFETCH(int, mode);
    QFETCH(QString, checked);
    QFETCH(int, position);

    DemoProgram program(demoFile);
    change(program.division());
    program.app->engine().settings.DisplayMode = mode;
    auto* window = program.app->listingParametersWindow();
    window->prepareAndShow();
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Nastavení parametru výpisu"));

    for (int m = 0; m < 5; ++m) {
        const auto* radio = kwtest::findChild<QRadioButton>(
            window, QStringLiteral("RadioButton%1").arg(m + 1).toLatin1().constData());
        QCOMPARE(radio->isChecked(), m == mode);
    }
    const QStringList on = checked.split(QLatin1Char(' '));
    for (const char* name : {"CheckBoxNCth", "CheckBoxPrum", "CheckBoxMax", "CheckBoxSoucet",
                             "CheckBoxOD", "CheckBoxPZCD"})
        QVERIFY2(kwtest::findChild<QCheckBox>(window, name)->isChecked() ==
                     on.contains(QLatin1String(name)),
                 name);
    QCOMPARE(kwtest::findChild<QSlider>(window, "TrackBarZD")->value(), position);
    QCOMPARE(kwtest::findChild<QLineEdit>(window, "EditZD")->text(),
             kw::DayStartText(position, QLocale::system()));
    QVERIFY(!kwtest::findChild<QCheckBox>(window, "CheckBoxImp")->isChecked());
}

void SettingsWindowsTest::dayStartTrackBar_data()
{
    QTest::addColumn<int>("offset"); // in the record before the window opens
    QTest::addColumn<int>("shown");  // track bar position shown
    QTest::addColumn<int>("moveTo"); // position the user moves to; 99: no move
    QTest::addColumn<int>("stored");

    QTest::newRow("one step back") << 0 << 0 << -1 << -900;
    QTest::newRow("offset not on a quarter-hour") << 1000 << 1 << 99 << 900;
    QTest::newRow("negative offset not on a quarter-hour") << -1000 << -1 << 99 << -900;
    QTest::newRow("beyond noon") << 50000 << 48 << 99 << 43200;
    QTest::newRow("earliest") << 0 << 0 << -47 << -42300;
    QTest::newRow("latest") << -7200 << -8 << 48 << 43200;
}

void SettingsWindowsTest::dayStartTrackBar()
{
    QFETCH(int, offset);
    QFETCH(int, shown);
    QFETCH(int, moveTo);
    QFETCH(int, stored);

    DemoProgram program;
    program.division().SetDayStartOffset(offset);
    auto* window = program.app->listingParametersWindow();
    window->prepareAndShow();
    auto* track = kwtest::findChild<QSlider>(window, "TrackBarZD");
    const auto* edit = kwtest::findChild<QLineEdit>(window, "EditZD");
    QCOMPARE(track->value(), shown);
    QCOMPARE(edit->text(), kw::DayStartText(shown, QLocale::system()));
    if (moveTo != 99) {
        track->setFocus();
        // Moving with the keys is a user's movement of the track bar.
        const Qt::Key key = moveTo < shown ? Qt::Key_Left : Qt::Key_Right;
        for (int i = 0; i < std::abs(moveTo - shown); ++i)
            QTest::keyClick(track, key);
        QCOMPARE(track->value(), moveTo);
        QCOMPARE(edit->text(), kw::DayStartText(moveTo, QLocale::system()));
        QCOMPARE(edit->text().endsWith(QLatin1String(" PD")), moveTo < 0);
    }
    // Nothing reaches the record before "OK".
    QCOMPARE(program.division().DayStartOffset(), offset);
    kwtest::findChild<QPushButton>(window, "ButtonOK")->click();
    QVERIFY(!window->isVisible());
    QCOMPARE(program.division().DayStartOffset(), stored);
}

void SettingsWindowsTest::listingParametersOk()
{
    DemoProgram program;
    program.division().SetSumOptions(0xC8); // "Součet" and two bits no window sets
    auto* window = program.app->listingParametersWindow();
    window->prepareAndShow();
    kwtest::findChild<QRadioButton>(window, "RadioButton4")->click();
    kwtest::findChild<QCheckBox>(window, "CheckBoxSoucet")->click();
    kwtest::findChild<QCheckBox>(window, "CheckBoxNCth")->click();
    kwtest::findChild<QCheckBox>(window, "CheckBoxOD")->click();
    kwtest::findChild<QCheckBox>(window, "CheckBoxPZCD")->click();
    kwtest::findChild<QPushButton>(window, "ButtonOK")->click();

    QCOMPARE(program.app->engine().settings.DisplayMode, 3);
    QCOMPARE(int(program.division().SumOptions()), 1 | 16 | 32);
    // "OK" changes memory only.
    DayDivision onDisk;
    QCOMPARE(onDisk.LoadDayDivision(program.path()), 0);
    QCOMPARE(int(onDisk.SumOptions()), 15);
}

void SettingsWindowsTest::sumOptionBoxes_data()
{
    addOptionBoxRows(SumOptionBoxes);
}

// Each sum option bit alone: exactly its box shows it, and its box alone
// stores exactly that bit.
void SettingsWindowsTest::sumOptionBoxes()
{
    QFETCH(QString, box);
    QFETCH(int, bit);
    DemoProgram program;
    DayDivision& division = program.division();
    auto* window = program.app->listingParametersWindow();

    division.SetSumOptions(uint8_t(bit));
    window->prepareAndShow();
    QCOMPARE(checkedBoxes(window, SumOptionBoxes), QStringList{box});

    division.SetSumOptions(0);
    DayDivision expected = division;
    expected.SetSumOptions(uint8_t(bit));
    window->prepareAndShow();
    QVERIFY(checkedBoxes(window, SumOptionBoxes).isEmpty());
    kwtest::findChild<QCheckBox>(window, box)->click();
    kwtest::findChild<QPushButton>(window, "ButtonOK")->click();
    QCOMPARE(recordBytes(division), recordBytes(expected));
}

void SettingsWindowsTest::listingParametersCancel()
{
    DemoProgram program;
    const QByteArray before = recordBytes(program.division());
    auto* window = program.app->listingParametersWindow();
    window->prepareAndShow();
    kwtest::findChild<QRadioButton>(window, "RadioButton5")->click();
    kwtest::findChild<QCheckBox>(window, "CheckBoxMax")->click();
    kwtest::findChild<QCheckBox>(window, "CheckBoxPZCD")->click();
    kwtest::findChild<QSlider>(window, "TrackBarZD")->setValue(-20);
    kwtest::findChild<QCheckBox>(window, "CheckBoxImp")->click();
    // Takes effect at once, without "OK".
    QCOMPARE(program.app->engine().settings.ConvertValues, false);
    kwtest::findChild<QPushButton>(window, "ButtonCancel")->click();

    QVERIFY(!window->isVisible());
    QCOMPARE(recordBytes(program.division()), before);
    QCOMPARE(program.app->engine().settings.DisplayMode, 0);
    QCOMPARE(program.app->engine().settings.ConvertValues, false);

    window->prepareAndShow();
    QVERIFY(kwtest::findChild<QRadioButton>(window, "RadioButton1")->isChecked());
    QVERIFY(kwtest::findChild<QCheckBox>(window, "CheckBoxMax")->isChecked());
    QVERIFY(!kwtest::findChild<QCheckBox>(window, "CheckBoxPZCD")->isChecked());
    QCOMPARE(kwtest::findChild<QSlider>(window, "TrackBarZD")->value(), 0);
    // The box keeps what the user left in it.
    QVERIFY(kwtest::findChild<QCheckBox>(window, "CheckBoxImp")->isChecked());
    kwtest::findChild<QCheckBox>(window, "CheckBoxImp")->click();
    QCOMPARE(program.app->engine().settings.ConvertValues, true);
}

void SettingsWindowsTest::listingParametersDoors()
{
    DemoProgram program;
    auto* window = program.app->listingParametersWindow();
    window->prepareAndShow();
    auto* dayDivision = program.app->dayDivisionWindow();
    auto* outputSums = program.app->outputSumsWindow();
    QVERIFY(!dayDivision->isVisible());
    kwtest::findChild<QPushButton>(window, "ButtonNastaveniDen")->click();
    QVERIFY(dayDivision->isVisible());
    QCOMPARE(cell(kwtest::findChild<QTableWidget>(dayDivision, "StringGrid1"), 0, 0),
             QStringLiteral("Den - vysoký tarif"));
    QVERIFY(!outputSums->isVisible());
    kwtest::findChild<QPushButton>(window, "ButtonNastaveniObdobi")->click();
    QVERIFY(outputSums->isVisible());
    QCOMPARE(cell(kwtest::findChild<QTableWidget>(outputSums, "StringGrid1"), 2, 0),
             QStringLiteral("Celkem"));
}

void SettingsWindowsTest::groupTableSelection_data()
{
    // Model rows 0..15 are groups A..P; model columns 0 and 1 are name and output.
    QTest::addColumn<QRect>("selection"); // left, top, width, height in model cells
    QTest::addColumn<bool>("nameBox");
    QTest::addColumn<bool>("outputBox");
    QTest::addColumn<bool>("quarterHourBox");
    QTest::addColumn<QList<int>>("renamed");
    QTest::addColumn<QList<int>>("newOptions");

    QTest::newRow("rows 3..5, name column")
        << QRect(0, 2, 1, 3) << true << false << false << QList<int>{3, 4, 5} << QList<int>{};
    QTest::newRow("one row, both columns")
        << QRect(0, 1, 2, 1) << true << true << true << QList<int>{2} << QList<int>{2};
    QTest::newRow("output column of every group")
        << QRect(1, 0, 1, 16) << false << true << false << QList<int>{}
        << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
}

void SettingsWindowsTest::groupTableSelection()
{
    QFETCH(QRect, selection);
    QFETCH(bool, nameBox);
    QFETCH(bool, outputBox);
    QFETCH(bool, quarterHourBox);
    QFETCH(QList<int>, renamed);
    QFETCH(QList<int>, newOptions);

    DemoProgram program;
    DayDivision& division = program.division();
    std::vector<std::string> names;
    std::vector<uint16_t> options;
    for (int g = 1; g <= 16; ++g) {
        names.push_back(division.GroupName(g));
        options.push_back(division.GroupOutputOptions(g));
    }
    auto* window = program.app->dayDivisionWindow();
    window->prepareAndShow();
    auto* grid = kwtest::findChild<QTableWidget>(window, "StringGrid1");
    QCOMPARE(grid->rowCount(), 16);
    QCOMPARE(grid->verticalHeaderItem(2)->text(), QStringLiteral(" SKUP C"));
    QCOMPARE(cell(grid, 1, 0), QStringLiteral("Noc - nízký tarif"));
    QCOMPARE(cell(grid, 1, 1), QStringLiteral("nPMS"));
    for (const char* box : {"GroupBoxNazev", "GroupBoxVystup", "GroupBoxNC"})
        QVERIFY2(!kwtest::findChild<QGroupBox>(window, box)->isVisible(), box);
    auto* save = kwtest::findChild<QPushButton>(window, "ButtonSave");
    QVERIFY(!save->isEnabled());

    select(grid, selection.top(), selection.left(), selection.bottom(), selection.right());
    QCOMPARE(kwtest::findChild<QGroupBox>(window, "GroupBoxNazev")->isVisible(), nameBox);
    QCOMPARE(kwtest::findChild<QGroupBox>(window, "GroupBoxVystup")->isVisible(), outputBox);
    QCOMPARE(kwtest::findChild<QGroupBox>(window, "GroupBoxNC")->isVisible(), quarterHourBox);
    // The boxes show the top row's group.
    auto* edit = kwtest::findChild<QLineEdit>(window, "EditNazev");
    QCOMPARE(edit->text(), QString::fromStdString(names[std::size_t(selection.top())]));

    // A long name with letters of Windows-1250; it is stored cut to 32 characters.
    edit->setText(QStringLiteral("Odpolední směna s velmi dlouhým názvem"));
    kwtest::findChild<QCheckBox>(window, "CheckBoxNCth")->setChecked(true);
    kwtest::findChild<QCheckBox>(window, "CheckBoxPrum")->setChecked(false);
    kwtest::findChild<QCheckBox>(window, "CheckBoxMax")->setChecked(true);
    kwtest::findChild<QCheckBox>(window, "CheckBoxSoucet")->setChecked(false);
    auto* write = nameBox ? kwtest::findChild<QPushButton>(window, "ButtonNastav")
                          : kwtest::findChild<QPushButton>(window, "ButtonZapisVystup");
    write->click();

    const QString cut = QStringLiteral("Odpolední směna s velmi dlouhým ");
    QCOMPARE(cut.size(), 32);
    for (int g = 1; g <= 16; ++g) {
        const std::size_t i = std::size_t(g - 1);
        QCOMPARE(QString::fromStdString(division.GroupName(g)),
                 renamed.contains(g) ? cut : QString::fromStdString(names[i]));
        QCOMPARE(int(division.GroupOutputOptions(g)), newOptions.contains(g) ? 1 | 4 : options[i]);
        // The table shows what the record now holds.
        QCOMPARE(cell(grid, g - 1, 0), QString::fromStdString(division.GroupName(g)));
    }
    if (!newOptions.isEmpty())
        QCOMPARE(cell(grid, newOptions.first() - 1, 1), QStringLiteral("nM"));
    QVERIFY(save->isEnabled());
}

void SettingsWindowsTest::groupOutputBoxes_data()
{
    addOptionBoxRows(GroupOptionBoxes);
}

// Each output option bit of a group alone: a click on the group shows exactly
// its box, and "< Zapiš" with that box alone stores exactly that bit.
void SettingsWindowsTest::groupOutputBoxes()
{
    QFETCH(QString, box);
    QFETCH(int, bit);
    constexpr int group = 5; // its neighbours keep all four bits of the demo record
    DemoProgram program;
    DayDivision& division = program.division();
    QCOMPARE(int(division.GroupOutputOptions(group - 1)), 15);
    auto* window = program.app->dayDivisionWindow();
    auto* groups = kwtest::findChild<QTableWidget>(window, "StringGrid1");

    division.SetGroupOutputOptions(group, uint16_t(bit));
    window->prepareAndShow();
    clickCell(groups, group - 1, 1);
    QCOMPARE(checkedBoxes(window, GroupOptionBoxes), QStringList{box});

    division.SetGroupOutputOptions(group, 0);
    DayDivision expected = division;
    expected.SetGroupOutputOptions(group, uint16_t(bit));
    window->prepareAndShow();
    clickCell(groups, group - 1, 1);
    QVERIFY(checkedBoxes(window, GroupOptionBoxes).isEmpty());
    kwtest::findChild<QCheckBox>(window, box)->click();
    kwtest::findChild<QPushButton>(window, "ButtonZapisVystup")->click();
    QCOMPARE(recordBytes(division), recordBytes(expected));
}

void SettingsWindowsTest::quarterHourEditing()
{
    DemoProgram program;
    DayDivision& division = program.division();
    auto* window = program.app->dayDivisionWindow();
    window->prepareAndShow();
    auto* groups = kwtest::findChild<QTableWidget>(window, "StringGrid1");
    auto* cells = kwtest::findChild<QTableWidget>(window, "StringGrid2");
    QCOMPARE(cells->verticalHeaderItem(1)->text(), QStringLiteral("  4-7"));
    QCOMPARE(cells->horizontalHeaderItem(4)->text(), QStringLiteral(" "));
    QCOMPARE(cells->horizontalHeaderItem(5)->text(), QStringLiteral("1"));

    // Group C "Špička 8-12 h" holds 08:00-12:00: row " 8-11", every quarter-hour column.
    clickCell(groups, 2, 0);
    QVERIFY(kwtest::findChild<QGroupBox>(window, "GroupBoxNC")->isVisible());
    for (int column = 0; column < 19; ++column) {
        const bool separator = column % 5 == 4;
        QCOMPARE(cell(cells, 2, column), separator ? QStringLiteral(" |") : QStringLiteral("x"));
        QCOMPARE(cell(cells, 1, column), separator ? QStringLiteral(" |") : QString());
    }

    // Clear all, mark 04:00-05:00 and a range over a separator, unmark part of it.
    kwtest::findChild<QPushButton>(window, "ButtonClearAll")->click();
    QCOMPARE(cell(cells, 2, 0), QStringLiteral(" "));
    select(cells, 1, 0, 1, 3);
    kwtest::findChild<QPushButton>(window, "Zapni")->click();
    select(cells, 5, 13, 5, 18); // 22:45 .. 23:45 across the last separator
    kwtest::findChild<QPushButton>(window, "Zapni")->click();
    QCOMPARE(cell(cells, 5, 14), QStringLiteral(" |"));
    select(cells, 5, 13, 5, 15);
    kwtest::findChild<QPushButton>(window, "Vypni")->click();
    QCOMPARE(cell(cells, 5, 14), QStringLiteral(" |"));
    // Nothing reaches the record before "< Zapiš do tabulky".
    QCOMPARE(quarterHours(division, 3).size(), 16);
    kwtest::findChild<QPushButton>(window, "ButtonCthOk")->click();
    QCOMPARE(quarterHours(division, 3), (QList<int>{16, 17, 18, 19, 93, 94, 95}));
    QVERIFY(kwtest::findChild<QPushButton>(window, "ButtonSave")->isEnabled());

    // "Zruš vše" and writing empties the set of a group that held the whole day.
    clickCell(groups, 3, 0);
    QCOMPARE(quarterHours(division, 4).size(), 96);
    kwtest::findChild<QPushButton>(window, "ButtonClearAll")->click();
    kwtest::findChild<QPushButton>(window, "ButtonCthOk")->click();
    QVERIFY(quarterHours(division, 4).isEmpty());
    // Other groups keep theirs.
    QCOMPARE(quarterHours(division, 2).size(), 32);
}

void SettingsWindowsTest::unwrittenCellsAreLostOnAnotherGroup()
{
    DemoProgram program;
    auto* window = program.app->dayDivisionWindow();
    window->prepareAndShow();
    auto* groups = kwtest::findChild<QTableWidget>(window, "StringGrid1");
    auto* cells = kwtest::findChild<QTableWidget>(window, "StringGrid2");
    clickCell(groups, 0, 0); // A: 06:00-22:00
    QCOMPARE(cell(cells, 0, 0), QString());
    select(cells, 0, 0, 0, 3);
    kwtest::findChild<QPushButton>(window, "Zapni")->click();
    QCOMPARE(cell(cells, 0, 0), QStringLiteral("x"));
    clickCell(groups, 1, 0);
    clickCell(groups, 0, 0);
    QCOMPARE(cell(cells, 0, 0), QString());
    QCOMPARE(quarterHours(program.division(), 1).first(), 24);

    // Reopening hides the boxes; the next click on the same cell shows them again.
    window->prepareAndShow();
    QVERIFY(!kwtest::findChild<QGroupBox>(window, "GroupBoxNC")->isVisible());
    clickCell(groups, 0, 0);
    QVERIFY(kwtest::findChild<QGroupBox>(window, "GroupBoxNC")->isVisible());
}

void SettingsWindowsTest::groupChangeReachesNextListingAndSurvivesRestart()
{
    DemoProgram program;
    kw::Application* app = program.app.get();
    kwtest::RecordingTarget out(app->engine().output);
    app->engine().listing.ListingYear = 2024;
    app->engine().listing.ListingMonth = 3;

    // The day's group sums also in the quarter-hour listing.
    auto* parameters = app->listingParametersWindow();
    parameters->prepareAndShow();
    kwtest::findChild<QCheckBox>(parameters, "CheckBoxPZCD")->click();
    kwtest::findChild<QPushButton>(parameters, "ButtonOK")->click();

    app->engine().listing.MonthAction(6);
    DaySums before = daySums(out.lines);
    QVERIFY2(before.heading.contains(QStringLiteral("Den - vysoký tarif")),
             qPrintable(out.lines.join('\n')));
    QCOMPARE(before.values.value(0), QStringLiteral("64"));

    // Group A becomes 04:00-05:00 only, under a new name.
    auto* window = app->dayDivisionWindow();
    window->prepareAndShow();
    auto* groups = kwtest::findChild<QTableWidget>(window, "StringGrid1");
    auto* cells = kwtest::findChild<QTableWidget>(window, "StringGrid2");
    select(groups, 0, 0, 0, 1);
    kwtest::findChild<QLineEdit>(window, "EditNazev")->setText(QStringLiteral("Ranní náběh"));
    kwtest::findChild<QPushButton>(window, "ButtonNastav")->click();
    kwtest::findChild<QPushButton>(window, "ButtonClearAll")->click();
    select(cells, 1, 0, 1, 3);
    kwtest::findChild<QPushButton>(window, "Zapni")->click();
    kwtest::findChild<QPushButton>(window, "ButtonCthOk")->click();

    app->engine().listing.MonthAction(6);
    const DaySums after = daySums(out.lines);
    QVERIFY2(after.heading.contains(QStringLiteral("Ranní náběh")),
             qPrintable(out.lines.join('\n')));
    QVERIFY(!after.heading.contains(QStringLiteral("Den - vysoký tarif")));
    QCOMPARE(after.values.value(0), QStringLiteral("4"));
    // The other groups' sums stay as they were.
    QCOMPARE(after.values.mid(4), before.values.mid(4));

    auto* save = kwtest::findChild<QPushButton>(window, "ButtonSave");
    save->click();
    QVERIFY(!save->isEnabled());
    out.detach();

    program.restart();
    app = program.app.get();
    QCOMPARE(QString::fromStdString(program.division().GroupName(1)),
             QStringLiteral("Ranní náběh"));
    QCOMPARE(quarterHours(program.division(), 1), (QList<int>{16, 17, 18, 19}));
    // The whole record was saved, with the option confirmed in the listing parameters.
    QVERIFY(program.division().SumOptions() & DayDivision::DaySumsInAllModes);
    app->dayDivisionWindow()->prepareAndShow();
    QCOMPARE(cell(kwtest::findChild<QTableWidget>(app->dayDivisionWindow(), "StringGrid1"), 0, 0),
             QStringLiteral("Ranní náběh"));
}

void SettingsWindowsTest::outputSumEditing()
{
    DemoProgram program;
    DayDivision& division = program.division();
    auto* list = program.app->outputSumsWindow();
    auto* editor = program.app->outputSumWindow();
    list->prepareAndShow();
    auto* names = kwtest::findChild<QTableWidget>(list, "StringGrid1");
    QCOMPARE(names->verticalHeaderItem(6)->text(), QStringLiteral(" SKUP 7"));
    QCOMPARE(cell(names, 0, 0), QStringLiteral("VT - pracovní dny"));
    QCOMPARE(cell(names, 3, 0), QString());

    // "NT a dny volna": group B on working days, A and B on the other days.
    clickCell(names, 1, 0);
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->windowTitle(), QStringLiteral("Nastavení výstupních součtů pro skupinu 2"));
    auto* grid = kwtest::findChild<QTableWidget>(editor, "StringGrid1");
    QCOMPARE(cell(grid, 1, 0), QStringLiteral("Noc - nízký tarif"));
    const QStringList expected[] = {{"", "x", "x"}, {"x", "x", "x"}, {"", "", ""}};
    for (int row = 0; row < 3; ++row) {
        for (int k = 0; k < 3; ++k)
            QCOMPARE(cell(grid, row, 1 + k), expected[row][k]);
    }
    QCOMPARE(kwtest::findChild<QLineEdit>(editor, "EditNazev")->text(),
             QStringLiteral("NT a dny volna"));

    // Every group for every day class.
    select(grid, 0, 1, 15, 3);
    kwtest::findChild<QPushButton>(editor, "ButtonZapni")->click();
    // Then none on rest days except P ("Zruš" on a block of cells).
    select(grid, 0, 3, 14, 3);
    kwtest::findChild<QPushButton>(editor, "ButtonVypni")->click();
    kwtest::findChild<QLineEdit>(editor, "EditNazev")->setText(QStringLiteral("Všechno"));
    kwtest::findChild<QPushButton>(editor, "ButtonOK")->click();

    QVERIFY(!editor->isVisible());
    QCOMPARE(division.OutputSumGroups(2, 0), 0x1FFFEu); // bits 1..16
    QCOMPARE(division.OutputSumGroups(2, 1), 0x1FFFEu);
    QCOMPARE(division.OutputSumGroups(2, 2), 1u << 16);
    QCOMPARE(QString::fromStdString(division.OutputSumName(2)), QStringLiteral("Všechno"));
    QCOMPARE(cell(names, 1, 0), QStringLiteral("Všechno"));
    // The neighbours are untouched.
    QCOMPARE(division.OutputSumGroups(1, 0), 1u << 1);
    QCOMPARE(division.OutputSumGroups(3, 2), 1u << 4);

    // The seventh, empty output sum.
    clickCell(names, 6, 0);
    QCOMPARE(editor->windowTitle(), QStringLiteral("Nastavení výstupních součtů pro skupinu 7"));
    QCOMPARE(cell(grid, 0, 1), QString());
    QCOMPARE(kwtest::findChild<QLineEdit>(editor, "EditNazev")->text(), QString());
}

void SettingsWindowsTest::outputSumColumns_data()
{
    QTest::addColumn<int>("dayClass");
    QTest::addColumn<int>("group");
    QTest::newRow("P, working days") << 0 << 3;
    QTest::newRow("S, days off") << 1 << 7;
    QTest::newRow("N, rest days") << 2 << 16;
}

// One group in one day class alone: exactly one "x", in that class's column;
// "Zruš vše" empties every column; one marked cell stores exactly that bit in
// exactly that class's set.
void SettingsWindowsTest::outputSumColumns()
{
    QFETCH(int, dayClass);
    QFETCH(int, group);
    constexpr int sum = 4; // unnamed and empty in the demo record
    DemoProgram program;
    DayDivision& division = program.division();
    for (int k = 0; k < 3; ++k)
        division.SetOutputSumGroups(sum, k, k == dayClass ? 1u << group : 0);
    auto* list = program.app->outputSumsWindow();
    auto* editor = program.app->outputSumWindow();
    list->prepareAndShow();
    clickCell(kwtest::findChild<QTableWidget>(list, "StringGrid1"), sum - 1, 0);
    auto* grid = kwtest::findChild<QTableWidget>(editor, "StringGrid1");

    const auto marked = [grid] {
        QList<QPoint> cells; // x: day class, y: group
        for (int row = 0; row < 16; ++row) {
            for (int k = 0; k < 3; ++k) {
                if (cell(grid, row, 1 + k) == QLatin1String("x"))
                    cells << QPoint(k, row + 1);
            }
        }
        return cells;
    };
    QCOMPARE(marked(), QList<QPoint>{QPoint(dayClass, group)});

    // The other columns full as well, so that "Zruš vše" has something to clear.
    select(grid, 0, 1, 15, 3);
    kwtest::findChild<QPushButton>(editor, "ButtonZapni")->click();
    QCOMPARE(marked().size(), 48);
    kwtest::findChild<QPushButton>(editor, "ButtonClearAll")->click();
    QVERIFY(marked().isEmpty());

    division.SetOutputSumGroups(sum, dayClass, 0);
    DayDivision expected = division;
    expected.SetOutputSumGroups(sum, dayClass, 1u << group);
    select(grid, group - 1, 1 + dayClass, group - 1, 1 + dayClass);
    kwtest::findChild<QPushButton>(editor, "ButtonZapni")->click();
    kwtest::findChild<QPushButton>(editor, "ButtonOK")->click();
    QCOMPARE(recordBytes(division), recordBytes(expected));
}

void SettingsWindowsTest::outputSumCancelAndHide()
{
    DemoProgram program;
    const QByteArray before = recordBytes(program.division());
    auto* list = program.app->outputSumsWindow();
    auto* editor = program.app->outputSumWindow();
    list->prepareAndShow();
    auto* names = kwtest::findChild<QTableWidget>(list, "StringGrid1");

    clickCell(names, 2, 0);
    kwtest::findChild<QPushButton>(editor, "ButtonClearAll")->click();
    QCOMPARE(cell(kwtest::findChild<QTableWidget>(editor, "StringGrid1"), 3, 1), QString());
    kwtest::findChild<QLineEdit>(editor, "EditNazev")->setText(QStringLiteral("jiný"));
    kwtest::findChild<QPushButton>(editor, "ButtonCancel")->click();
    QVERIFY(!editor->isVisible());
    QCOMPARE(recordBytes(program.division()), before);
    // The next opening shows the record again.
    clickCell(names, 2, 0);
    QCOMPARE(cell(kwtest::findChild<QTableWidget>(editor, "StringGrid1"), 3, 1),
             QStringLiteral("x"));

    // Hiding the list hides the editor without applying its edits.
    kwtest::findChild<QPushButton>(editor, "ButtonClearAll")->click();
    list->hide();
    QVERIFY(!editor->isVisible());
    QCOMPARE(recordBytes(program.division()), before);
}

void SettingsWindowsTest::saveRoundTrip_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("listing parameters") << "TForm8";
    QTest::newRow("day division") << "TForm5";
    QTest::newRow("output sums") << "TForm6";
}

// Accumulators and all: what is in memory is what the file holds, and what
// loads back.
void SettingsWindowsTest::saveRoundTrip()
{
    QFETCH(QString, window);
    DemoProgram program;
    DayDivision& division = program.division();
    kw::Application* app = program.app.get();
    const QString file = program.file(QStringLiteral("ROZ_DNEW.CFG"));
    app->engine().output.setTarget(nullptr);
    app->engine().listing.ListingYear = 2024;
    app->engine().listing.ListingMonth = 3;
    app->engine().listing.MonthAction(4); // fills the accumulators
    QVERIFY(division.GroupCount(4) > 0);
    division.SetGroupName(9, "Údržba");
    division.SetOutputSumGroups(5, 1, 0x2A);

    if (window == QLatin1String("TForm8")) {
        auto* w = app->listingParametersWindow();
        w->prepareAndShow();
        kwtest::findChild<QSlider>(w, "TrackBarZD")->setValue(-3);
        kwtest::findChild<QPushButton>(w, "ButtonSave")->click();
        QVERIFY(!w->isVisible());
        QCOMPARE(division.DayStartOffset(), -2700);
    } else if (window == QLatin1String("TForm5")) {
        auto* w = app->dayDivisionWindow();
        w->prepareAndShow();
        select(kwtest::findChild<QTableWidget>(w, "StringGrid1"), 5, 0, 5, 0);
        kwtest::findChild<QLineEdit>(w, "EditNazev")->setText(QStringLiteral("Víkend"));
        kwtest::findChild<QPushButton>(w, "ButtonNastav")->click();
        kwtest::findChild<QPushButton>(w, "ButtonSave")->click();
    } else {
        auto* w = app->outputSumsWindow();
        w->prepareAndShow();
        kwtest::findChild<QPushButton>(w, "ButtonSave")->click();
    }

    const QByteArray saved = readFile(file);
    QCOMPARE(saved.size(), 6019);
    QCOMPARE(saved, recordBytes(division));
    DayDivision loaded;
    QCOMPARE(loaded.LoadDayDivision(program.path()), 0);
    QCOMPARE(recordBytes(loaded), saved);
    // No temporary file is left beside it.
    QCOMPARE(QDir(program.file(QString())).entryList({QStringLiteral("ROZ_DNEW.CFG*")}),
             QStringList{QStringLiteral("ROZ_DNEW.CFG")});
}

void SettingsWindowsTest::failedSaveReported_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("failure");
    for (const char* window : {"TForm5", "TForm6", "TForm8"}) {
        for (const char* failure : {"directory in the way", "program directory gone", "disk full"})
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(window, failure)))
                << window << failure;
    }
}

void SettingsWindowsTest::failedSaveReported()
{
    QFETCH(QString, window);
    QFETCH(QString, failure);
    DemoProgram program;
    const QString file = program.file(QStringLiteral("ROZ_DNEW.CFG"));
    const QByteArray old = readFile(file);
    QCOMPARE(old.size(), 6019);
    kw::Application* app = program.app.get();
    program.division().SetGroupName(1, "Nový název");

    QDialog* dialog = nullptr;
    if (window == QLatin1String("TForm5")) {
        auto* w = app->dayDivisionWindow();
        w->prepareAndShow();
        select(kwtest::findChild<QTableWidget>(w, "StringGrid1"), 0, 0, 0, 0);
        kwtest::findChild<QPushButton>(w, "ButtonNastav")->click();
        dialog = w;
    } else if (window == QLatin1String("TForm6")) {
        dialog = app->outputSumsWindow();
        app->outputSumsWindow()->prepareAndShow();
    } else {
        dialog = app->listingParametersWindow();
        app->listingParametersWindow()->prepareAndShow();
    }
    auto* save = kwtest::findChild<QPushButton>(dialog, "ButtonSave");

    rlimit oldLimit{};
    if (failure == QLatin1String("directory in the way")) {
        QVERIFY(QFile::remove(file));
        QVERIFY(QDir().mkdir(file));
    } else if (failure == QLatin1String("program directory gone")) {
        QVERIFY(QDir(program.file(QString())).removeRecursively());
    } else {
        // A file size limit stands in for a full disk; permissions would not
        // stop a test that runs as root.
        std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
        rlimit small = oldLimit;
        small.rlim_cur = 1000;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    }

    BoxAnswerer closer(Boxes::NextOnly);
    save->click();
    if (failure == QLatin1String("disk full"))
        setrlimit(RLIMIT_FSIZE, &oldLimit);

    QVERIFY(closer.seen());
    const kwtest::SeenBox box = closer.first();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QVERIFY2(box.text.contains(QStringLiteral("nepodařilo uložit")), qPrintable(box.text));
    QVERIFY(!program.division().LastErrorText.empty());
    QVERIFY2(box.text.contains(QString::fromStdString(program.division().LastErrorText)),
             qPrintable(box.text));
    QVERIFY(program.division().LastResult != 0);
    if (failure == QLatin1String("disk full")) {
        QCOMPARE(readFile(file), old);
        QCOMPARE(QDir(program.file(QString())).entryList({QStringLiteral("ROZ_DNEW.CFG*")}),
                 QStringList{QStringLiteral("ROZ_DNEW.CFG")});
    }
    // The day division editor keeps its save button for another try.
    if (window == QLatin1String("TForm5"))
        QVERIFY(save->isEnabled());
    // The change is still in effect.
    QCOMPARE(QString::fromStdString(program.division().GroupName(1)), QStringLiteral("Nový název"));
}

void SettingsWindowsTest::helpButtons_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("topic");
    QTest::newRow("display") << "TForm8"
                             << "ButtonHelpPPZ"
                             << "NPV_PPZ";
    QTest::newRow("day sums") << "TForm8"
                              << "ButtonHelpSZD"
                              << "NPV_SZD";
    QTest::newRow("period sums") << "TForm8"
                                 << "ButtonHelpSZO"
                                 << "NPV_SZO";
    QTest::newRow("listing parameters") << "TForm8"
                                        << "ButtonHelpPV"
                                        << "MENU_PV";
    QTest::newRow("day division") << "TForm5"
                                  << "Button2"
                                  << "MENU_RDDS";
    QTest::newRow("output sums") << "TForm6"
                                 << "Button2"
                                 << "MENU_VS";
}

void SettingsWindowsTest::helpButtons()
{
    QFETCH(QString, window);
    QFETCH(QString, button);
    QFETCH(QString, topic);
    DemoProgram program;
    QFile help(program.file(QStringLiteral("qx5view.html")));
    QVERIFY(help.open(QIODevice::WriteOnly));
    help.write("<html><body><a name=\"NPV_PPZ\"></a><a name=\"NPV_SZD\"></a>"
               "<a name=\"NPV_SZO\"></a><a name=\"MENU_PV\"></a><a name=\"MENU_RDDS\"></a>"
               "<a name=\"MENU_VS\"></a></body></html>");
    help.close();

    QDialog* dialog = nullptr;
    if (window == QLatin1String("TForm8")) {
        dialog = program.app->listingParametersWindow();
        program.app->listingParametersWindow()->prepareAndShow();
    } else if (window == QLatin1String("TForm5")) {
        dialog = program.app->dayDivisionWindow();
        program.app->dayDivisionWindow()->prepareAndShow();
    } else {
        dialog = program.app->outputSumsWindow();
        program.app->outputSumsWindow()->prepareAndShow();
    }
    auto* helpButton = dialog->findChild<QPushButton*>(button);
    QVERIFY(helpButton);
    QCOMPARE(helpButton->text(), QStringLiteral("?"));
    QCOMPARE(helpButton->cursor().shape(), Qt::WhatsThisCursor);
    helpButton->click();
    QTextBrowser* browser = nullptr;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (widget->objectName() == QLatin1String("HelpBrowser") && widget->isVisible())
            browser = qobject_cast<QTextBrowser*>(widget);
    }
    QVERIFY(browser);
    QCOMPARE(browser->source().fragment(), topic);
    browser->window()->close();
}

namespace {

const QByteArray DamagedContract = "[Nesmysl]\nx = 1\n";

} // namespace

void SettingsWindowsTest::capacityMovesIntoContract()
{
    // The kW block's capacity moves into a contract without terms; the key
    // goes only with a saved file, and the kVAr block keeps its own.
    enum Kind { Fresh, WithTerms, Damaged, Unsaveable };
    const std::vector<kw::OverviewBlock> blocks{{1, "Činný", "kW"}, {2, "Jalový", "kVAr"}};
    for (const Kind kind : {Fresh, WithTerms, Damaged, Unsaveable}) {
        kwtest::clearSettings();
        kwtest::ProgramDir dir;
        const QString contract = dir.file(QLatin1String(kw::ContractFile::FileName));
        kw::SetReservedCapacity(dir.qpath(), 0, 1, 250.5);
        kw::SetReservedCapacity(dir.qpath(), 0, 2, 40);
        kw::ContractFile file;
        file.contracts.forDevice(0).terms.push_back({"2025-01-01", 300, std::nullopt});
        file.contracts.forDevice(0).activeBlock = 1;
        if (kind == WithTerms)
            QCOMPARE(file.Save(dir.path()), 0);
        if (kind == Damaged)
            dir.write(QLatin1String(kw::ContractFile::FileName), DamagedContract);
        // A link into a folder that is not there: the save cannot write.
        if (kind == Unsaveable)
            QVERIFY(QFile::link(dir.file(QStringLiteral("chybi/smlouva.ini")), contract));
        const QByteArray before = readFile(contract);
        const std::string problem = kw::MigrateReservedCapacity(dir.path(), 0, blocks);
        QCOMPARE(problem.empty(), kind != Unsaveable);
        QCOMPARE(!kw::ReservedCapacity(dir.qpath(), 0, 1), kind == Fresh);
        QVERIFY(kw::ReservedCapacity(dir.qpath(), 0, 2) == std::optional<double>(40));
        const kw::BlockCapacity shown = kw::CapacityOfBlock(dir.path(), 0, 1, "2026-01-01");
        QCOMPARE(shown.fromContract, kind == Fresh || kind == WithTerms);
        QCOMPARE(shown.value.value_or(-1), kind == WithTerms ? 300 : 250.5);
        if (kind != Fresh) {
            QCOMPARE(readFile(contract), before);
            continue;
        }
        QCOMPARE(file.Load(dir.path()), 0);
        const kw::DeviceContract& moved = *file.contracts.find(0);
        QCOMPARE(moved.terms.size(), std::size_t(1));
        QCOMPARE(moved.terms[0].from, std::string("2000-01-01"));
        QVERIFY(moved.activeBlock == 1 && moved.reactiveBlock == 2);
    }
}

void SettingsWindowsTest::contractWindowSaves()
{
    kwtest::clearSettings();
    kwtest::Program program;
    kw::demo::DemoOptions options;
    options.devices = {0};
    options.lastDay = {2026, 3, 20};
    options.months = 3;
    program.dir.writeDemoArchive(options);
    const QString path = program.dir.file(QLatin1String(kw::ContractFile::FileName));
    program.dir.write(QLatin1String(kw::ContractFile::FileName), DamagedContract);
    QVERIFY(program.start());
    kw::Application& app = *program.app;
    kw::ContractWindow* window = app.contractWindow();
    const auto find = [window](const char* name) {
        return kwtest::findChild<QWidget>(window, QLatin1String(name));
    };
    {
        // A damaged file is said, in a box and in the window.
        BoxAnswerer ok;
        kwtest::findChild<QAction>(app.mainWindow(), QStringLiteral("SmlouvaCenik1"))->trigger();
        QTRY_VERIFY(ok.seen());
        QVERIFY(ok.first().text.contains(QStringLiteral("poškozen")));
    }
    QVERIFY(find("LabelPoskozeno")->isVisible());
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&answer] {
        if (auto* d = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
            answer.stop();
            d->setTextValue(QStringLiteral("1.1.2026"));
            d->accept();
        }
    });
    answer.start(10);
    qobject_cast<QPushButton*>(find("ButtonNovyCenik"))->click();
    auto* terms = qobject_cast<QTableWidget*>(find("TableSmlouva"));
    qobject_cast<QPushButton*>(find("ButtonPridatSmlouvu"))->click();
    const char* const typed[][2] = {
        {"EditCenaRocniRK", "155,5"}, {"EditCenaMesicniRK", "215.3"}, {"EditCenaSite", "-5"}};
    for (const auto& [name, text] : typed)
        qobject_cast<QLineEdit*>(find(name))->setText(QString::fromUtf8(text));
    const QStringList row{QStringLiteral("1.1.2026"), QStringLiteral("250"), QStringLiteral("400")};
    for (int column = 0; column < 3; ++column)
        terms->item(0, column)->setText(row[column]);
    auto* tariffs = qobject_cast<QTableWidget*>(find("TableTarify"));
    QVERIFY(tariffs->rowCount() > 0);
    tariffs->item(0, 1)->setText(QStringLiteral("1850,5"));
    {
        // A wrong field is named, and nothing is written.
        BoxAnswerer ok;
        QVERIFY(!window->save());
        QVERIFY(ok.first().text.contains(QStringLiteral("Použití sítě")));
    }
    QCOMPARE(readFile(path), DamagedContract);
    qobject_cast<QLineEdit*>(find("EditCenaSite"))->setText(QStringLiteral("95"));
    QVERIFY(window->save());
    const QDir folder(program.dir.qpath());
    const QStringList kept = folder.entryList({QStringLiteral("KWATRIX-SMLOUVA-*")});
    QCOMPARE(kept.size(), 1);
    QCOMPARE(readFile(folder.filePath(kept[0])), DamagedContract);
    QVERIFY(qobject_cast<QLabel*>(find("LabelStav"))->text().contains(kept[0]));

    // Another copy adds an invoice and a device meanwhile: overwriting keeps them.
    kw::ContractFile other;
    QCOMPARE(other.Load(program.dir.path()), 0);
    other.contracts.forDevice(0).invoiceFor(2026, 2).items["rk"] = 1;
    other.contracts.forDevice(3).tolerancePercent = 7;
    QCOMPARE(other.Save(program.dir.path()), 0);
    terms->item(0, 1)->setText(QStringLiteral("260"));
    {
        BoxAnswerer yes(QMessageBox::Yes);
        QVERIFY(window->save());
        QVERIFY(yes.first().text.contains(QStringLiteral("jiná kopie")));
    }
    QCOMPARE(other.Load(program.dir.path()), 0);
    const kw::DeviceContract& saved = *other.contracts.find(0);
    QVERIFY(other.contracts.find(3) && saved.invoiceOf(2026, 2));
    QCOMPARE(saved.terms.at(0).from, std::string("2026-01-01"));
    QVERIFY(saved.terms[0].annualCapacity == 260.0 && saved.terms[0].reservedInput == 400.0);
    const kw::PriceList& prices = saved.prices.at(0);
    QVERIFY(prices.annualCapacityPrice == 155.5 && prices.monthlyCapacityPrice == 215.3);
    QCOMPARE(prices.networkPrice, 95.0);
    QCOMPARE(prices.tariffPrices.at(tariffs->item(0, 0)->text().toStdString()), 1850.5);

    // The year overview's capacity of the active block is the contract's RK.
    kwtest::findChild<QAction>(app.mainWindow(), QStringLiteral("RocniPrehled1"))->trigger();
    auto* capacity =
        kwtest::findChild<QLineEdit>(app.yearOverviewWindow(), QStringLiteral("EditKapacita"));
    QCOMPARE(capacity->text(), QStringLiteral("260"));
    capacity->setFocus();
    capacity->setText(QStringLiteral("270,5"));
    QTest::keyClick(capacity, Qt::Key_Return);
    QCOMPARE(other.Load(program.dir.path()), 0);
    QVERIFY(other.contracts.find(0)->terms.at(0).annualCapacity == 270.5);
}

QTEST_MAIN(SettingsWindowsTest)
#include "settings_windows_test.moc"
