// The calendar window: the month grid, the popup menu writing KALEND.INI,
// the day selection for the listing commands, and its help button.

#include "GuiSupport.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "archive/DateTime.h"
#include "calendar/Calendar.h"
#include "calendar/CalendarWindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

namespace {

using kwtest::BoxAnswerer;
using kwtest::ProgramDir;

// The program started on a device with a description and one month file, and
// with the calendar as given; false when the start-up failed.
bool startProgram(kwtest::Program& program, const QByteArray& calendar)
{
    program.dir.describe();
    program.dir.addMonthFile(0, 2024, 1);
    if (!calendar.isNull())
        program.dir.write(QStringLiteral("KALEND.INI"), calendar);
    return program.start();
}

// The value of key `key` in section `section` of KALEND.INI; null when absent.
QString calendarValue(const ProgramDir& dir, const QString& section, const QString& key)
{
    QFile file(dir.file(QStringLiteral("KALEND.INI")));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QString current;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromLatin1(raw).trimmed();
        if (line.startsWith('['))
            current = line.mid(1, line.size() - 2);
        else if (current == section && line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return QString();
}

// The calendar window alone, without the program, on the calendar of `dir`.
struct CalendarAlone {
    explicit CalendarAlone(const ProgramDir& dir)
    {
        bare.engine.setProgramPath(dir.path());
        window.RegisterDayButtons();
    }

    kwtest::BareEngine bare;
    kw::Calendar& calendar = bare.engine.calendar;
    kw::CalendarWindow window{calendar};
};

QPushButton* dayButton(const kw::CalendarWindow* window, int n)
{
    return window->findChild<QPushButton*>(QStringLiteral("Button%1").arg(n));
}

// The button showing day `day`, "[day]" included.
QPushButton* buttonOfDay(const kw::CalendarWindow* window, int day)
{
    for (int n = 1; n <= kw::DayButtonCount; ++n) {
        QPushButton* b = dayButton(window, n);
        if (!b->isHidden() && QString(b->text()).remove('[').remove(']') == QString::number(day))
            return b;
    }
    return nullptr;
}

// "O P S N KEM ZKEM" as far as enabled.
QString enabledItems(const kw::CalendarWindow* window)
{
    QStringList items;
    for (const char* name : {"O", "P", "S", "N", "KEM", "ZKEM"})
        if (window->findChild<QAction*>(QLatin1String(name))->isEnabled())
            items << QLatin1String(name);
    return items.join(' ');
}

QString fontStyle(const QWidget* w)
{
    return w->font().bold() ? "bold" : (w->font().italic() ? "italic" : "normal");
}

} // namespace

class CalendarWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void monthLayout_data();
    void monthLayout();
    void dayStyles();
    void popupRules();
    void monthButtons();
    void selectionPasses31();
    void failedWriteIsReported();
    void helpButton();
};

void CalendarWindowTest::initTestCase()
{
    QVERIFY(kwtest::isolateSettings());
}

void CalendarWindowTest::monthLayout_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("first"); // button of the 1st
    QTest::addColumn<int>("days");

    QTest::newRow("January 2024 starts on a Monday") << 2024 << 1 << 1 << 31;
    QTest::newRow("September 2024 starts on a Sunday") << 2024 << 9 << 7 << 30;
    QTest::newRow("December 2024 needs Button37") << 2024 << 12 << 7 << 31;
    QTest::newRow("February 2100 has 29 days") << 2100 << 2 << 1 << 29;
    QTest::newRow("February 2023 fills four weeks") << 2023 << 2 << 3 << 28;
}

void CalendarWindowTest::monthLayout()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, first);
    QFETCH(int, days);

    ProgramDir dir;
    CalendarAlone alone(dir);
    kw::CalendarWindow* window = &alone.window;
    QCOMPARE(window->size(), QSize(233, 204));

    alone.calendar.SelectionMode = false;
    alone.calendar.LoadCalendarMonth(year, month, "");
    window->show();
    QCOMPARE(window->windowTitle(), QStringLiteral("Kalendář ") +
                                        QString::fromStdString(kw::MonthNames(month)) + ' ' +
                                        QString::number(year));

    const char* const weekdays[] = {"Po", "Út", "St", "Čt", "Pá", "So", "Ne"};
    for (int n = 1; n <= kw::DayButtonCount; ++n) {
        const QPushButton* button = dayButton(window, n);
        QVERIFY(button);
        const int column = (n - 1) / 7, row = (n - 1) % 7;
        QCOMPARE(button->geometry(), QRect(32 + 32 * column, 24 + 24 * row, 25, 17));
        const int day = n - first + 1;
        const bool shown = day >= 1 && day <= days;
        QCOMPARE(button->isVisible(), shown);
        if (shown) {
            QCOMPARE(button->text(), QString::number(day));
            // The caption is shown whole.
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) <= button->width(),
                     qPrintable(button->text()));
        }
        // Each row is one weekday, labelled in the first column.
        auto* label = window->findChild<QLabel*>(QStringLiteral("Label%1").arg(row + 1));
        QCOMPARE(label->text(), QString::fromUtf8(weekdays[row]));
        QCOMPARE(label->y(), button->y());
    }
}

void CalendarWindowTest::dayStyles()
{
    ProgramDir dir;
    dir.write(QStringLiteral("KALEND.INI"),
              QByteArray("[2024]\r\n1.1=N\r\n2.1=s\r\n6.1=P\r\n31.1=E\r\n30.12=E\r\n"));
    CalendarAlone alone(dir);
    kw::CalendarWindow* window = &alone.window;
    alone.calendar.LoadCalendarMonth(2024, 1, "");

    const struct {
        int day;
        const char* caption;
        const char* style;
    } cases[] = {
        {1, "1", "bold"},   // holiday on a Monday
        {2, "2", "italic"}, // day off, lower-case letter
        {3, "3", "normal"}, // Wednesday
        {6, "6", "normal"}, // Saturday made a working day
        {13, "13", "italic"}, {14, "14", "bold"}, {31, "[31]", "normal"},
    };
    for (const auto& c : cases) {
        const QPushButton* button = dayButton(window, c.day); // January 2024 starts at Button1
        QCOMPARE(button->text(), QLatin1String(c.caption));
        QCOMPARE(fontStyle(button), QLatin1String(c.style));
        QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) <= button->width(),
                 c.caption);
    }
    // Loading another month restyles the same buttons.
    alone.calendar.LoadCalendarMonth(2024, 12, "");
    QCOMPARE(dayButton(window, 7)->text(), QStringLiteral("1"));
    QCOMPARE(fontStyle(dayButton(window, 7)), QStringLiteral("bold"));
    QCOMPARE(buttonOfDay(window, 30)->text(), QStringLiteral("[30]"));
}

void CalendarWindowTest::popupRules()
{
    kwtest::Program program;
    QVERIFY(startProgram(program, "[2024]\r\n1.1=N\r\n"));
    kw::Application& app = *program.app;
    kw::CalendarWindow* window = app.calendarWindow();
    app.mainWindow()->findChild<QAction*>(QStringLiteral("Kalend1"))->trigger();
    app.engine().calendar.LoadCalendarMonth(2024, 1, "");
    QVERIFY(window->isVisible());
    auto* popup = window->findChild<QMenu*>(QStringLiteral("PopupMenu1"));

    const struct {
        int day;
        const char* enabled;
        const char* item;
        const char* key;
        const char* value; // nullptr: the key is gone
    } steps[] = {
        // An explicit rest day takes the end of the energy month as "NE".
        {1, "O KEM", "KEM", "1.1", "NE"},
        // One end per month; a weekday can take any other type.
        {2, "S N", "S", "2.1", "S"},
        {1, "O ZKEM", "ZKEM", "1.1", "N"},
        {1, "O KEM", "KEM", "1.1", "NE"},
        // Reverting the type keeps the end.
        {1, "O ZKEM", "O", "1.1", "E"},
        {1, "S N ZKEM", "N", "1.1", "NE"},
        {2, "O", "O", "2.1", nullptr},
        {7, "P S", "P", "7.1", "P"},
    };
    for (const auto& step : steps) {
        const QString what = QStringLiteral("day %1, %2").arg(step.day).arg(step.item);
        QPushButton* button = buttonOfDay(window, step.day);
        QVERIFY2(button, qPrintable(what));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY2(popup->isVisible(), qPrintable(what));
        QCOMPARE(enabledItems(window), QLatin1String(step.enabled));
        QVERIFY(window->isVisible());
        window->findChild<QAction*>(QLatin1String(step.item))->trigger();
        popup->hide();
        // Written at once.
        QCOMPARE(calendarValue(program.dir, QStringLiteral("2024"), QLatin1String(step.key)),
                 step.value ? QString::fromLatin1(step.value) : QString());
    }
    QCOMPARE(buttonOfDay(window, 1)->text(), QStringLiteral("[1]"));
    QCOMPARE(fontStyle(buttonOfDay(window, 7)), QStringLiteral("normal"));

    // The holidays say in the window which days they marked.
    BoxAnswerer answers;
    window->findChild<QAction*>(QStringLiteral("DoplnitSvatky"))->trigger();
    QVERIFY(answers.first().text.startsWith(
        QStringLiteral("Státní svátky roku 2024 označené jako N: 12 (")));
}

void CalendarWindowTest::monthButtons()
{
    kwtest::Program program;
    QVERIFY(startProgram(program, QByteArray()));
    kw::Application& app = *program.app;
    kw::CalendarWindow* window = app.calendarWindow();
    app.engine().calendar.SelectionMode = false;
    app.engine().calendar.LoadCalendarMonth(2024, 1, "");
    window->show();

    auto* next = window->findChild<QPushButton*>(QStringLiteral("ButtonNM"));
    auto* previous = window->findChild<QPushButton*>(QStringLiteral("ButtonPM"));
    QVERIFY(next->isVisible() && previous->isVisible());
    QCOMPARE(next->toolTip(), QStringLiteral("Nastavení následujícího měsíce"));
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(window->windowTitle(), QStringLiteral("Kalendář ÚNOR 2024"));
    QTest::mouseClick(previous, Qt::LeftButton);
    QTest::mouseClick(previous, Qt::LeftButton);
    QCOMPARE(window->windowTitle(), QStringLiteral("Kalendář PROSINEC 2023"));
    // The grid follows: 1 December 2023 was a Friday.
    QCOMPARE(dayButton(window, 5)->text(), QStringLiteral("1"));
    // The listing month stays.
    QCOMPARE(app.engine().listing.ListingYear * 100 + app.engine().listing.ListingMonth,
             kw::YesterdayDate().year * 100 + kw::YesterdayDate().month);
}

void CalendarWindowTest::selectionPasses31()
{
    ProgramDir dir;
    dir.write(QStringLiteral("KALEND.INI"), QByteArray("[2024]\r\n31.1=E\r\n"));
    CalendarAlone alone(dir);
    kw::CalendarWindow* window = &alone.window;
    kw::Calendar& calendar = alone.calendar;

    QList<int> picked;
    calendar.SelectionHandler = [&](int32_t day) {
        // The window is gone before the handler runs.
        QVERIFY(!window->isVisible());
        picked << day;
    };
    calendar.SelectionMode = true;
    calendar.LoadCalendarMonth(2024, 1, "VÝPIS - Výběr dne");
    window->show();
    QCOMPARE(window->windowTitle(), QStringLiteral("VÝPIS - Výběr dne"));
    QVERIFY(!window->findChild<QWidget*>(QStringLiteral("ButtonPM"))->isVisible());
    QVERIFY(!window->findChild<QWidget*>(QStringLiteral("ButtonNM"))->isVisible());

    QPushButton* last = dayButton(window, 31);
    QCOMPARE(last->text(), QStringLiteral("[31]"));
    QTest::mouseClick(last, Qt::LeftButton);
    QCOMPARE(picked, QList<int>{31});
    QVERIFY(!window->isVisible());
    QVERIFY(!window->findChild<QMenu*>(QStringLiteral("PopupMenu1"))->isVisible());
}

void CalendarWindowTest::failedWriteIsReported()
{
    ProgramDir dir;
    // The calendar file cannot be replaced: a folder holds its name.
    QVERIFY(QDir(dir.qpath()).mkdir(QStringLiteral("KALEND.INI")));
    CalendarAlone alone(dir);
    kw::CalendarWindow* window = &alone.window;
    alone.calendar.SelectionMode = false;
    QVERIFY_THROWS_EXCEPTION(std::exception, alone.calendar.LoadCalendarMonth(2024, 1, ""));
    window->show();

    BoxAnswerer answers;
    QTest::mouseClick(dayButton(window, 3), Qt::LeftButton);
    window->findChild<QAction*>(QStringLiteral("N"))->trigger();
    QCOMPARE(answers.boxes.size(), 1);
    QVERIFY(!answers.first().text.isEmpty());
    QCOMPARE(answers.first().icon, QMessageBox::Critical);
    QCOMPARE(answers.first().parent, window);
    // Nothing changed, and the window goes on.
    QVERIFY(window->isVisible());
    QCOMPARE(fontStyle(dayButton(window, 3)), QStringLiteral("normal"));
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("ButtonNM")), Qt::LeftButton);
    QCOMPARE(window->windowTitle(), QStringLiteral("Kalendář ÚNOR 2024"));
}

void CalendarWindowTest::helpButton()
{
    kwtest::Program program;
    QVERIFY(startProgram(program, QByteArray()));
    kw::Application& app = *program.app;
    kw::CalendarWindow* window = app.calendarWindow();
    window->show();
    auto* help = window->findChild<QPushButton*>(QStringLiteral("Button38"));
    QCOMPARE(help->text(), QStringLiteral("?"));
    QCOMPARE(help->cursor().shape(), Qt::WhatsThisCursor);
    QVERIFY(window->rect().contains(help->geometry()));

    {
        BoxAnswerer answers;
        QTest::mouseClick(help, Qt::LeftButton);
        QCOMPARE(answers.boxes.size(), 1);
        QVERIFY(answers.first().text.startsWith(QStringLiteral("Nápověda není nainstalována.")));
    }

    program.dir.write(QStringLiteral("qx5view.html"),
                      "<html><body><a name=\"MENU\"></a><h1>Menu</h1>"
                      "<a name=\"MENU_KALEND\"></a><h1>Kalendář</h1></body></html>");
    QTest::mouseClick(help, Qt::LeftButton);
    // The help window belongs to the main window, not to the calendar.
    auto* browser = app.mainWindow()->findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
    QVERIFY(browser);
    QVERIFY(browser->window()->isVisible());
    QCOMPARE(browser->source().fragment(), QStringLiteral("MENU_KALEND"));
}

QTEST_MAIN(CalendarWindowTest)
#include "calendar_window_test.moc"
