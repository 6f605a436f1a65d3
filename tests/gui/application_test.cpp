// Start-up, device choice, fatal end, shutdown and the main window's menu.

#include "GuiSupport.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "export/Formats.h"
#include "graph/GraphWindow.h"
#include "output/LogWindow.h"
#include "output/OutputWindow.h"
#include "tools/DemoArchive.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <optional>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

using DeviceSet = QList<int>;
Q_DECLARE_METATYPE(DeviceSet)

namespace {

using kwtest::BoxAnswerer;
using kwtest::Boxes;
using kwtest::ProgramDir;

const QString DeviceNoKey = QStringLiteral("Global/Device No");

// The device stored by an earlier run (null: none), and nothing else.
void setStoredDevice(const QString& text)
{
    kwtest::clearSettings();
    kwtest::storeSetting(DeviceNoKey, text.isNull() ? std::nullopt : std::optional<QString>(text));
}

QString storedDevice()
{
    return kwtest::storedSetting(DeviceNoKey);
}

// Ends a message loop that should have ended by itself, so the test fails
// with exit code 99 instead of hanging.
class Watchdog {
public:
    Watchdog()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        m_timer.start(5000);
    }

private:
    QTimer m_timer;
};

// Runs `action` once the message loop of run() is going, as a user would.
class InLoop {
public:
    explicit InLoop(std::function<void()> action) : m_action(std::move(action))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QThread::currentThread()->loopLevel() == 0)
                return;
            m_timer.stop();
            m_action();
        });
        m_timer.start(10);
    }

private:
    std::function<void()> m_action;
    QTimer m_timer;
};

QWidget* topLevel(const QString& name)
{
    QWidget* found = nullptr;
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == name) {
            found = widget;
            ++count;
        }
    }
    return count == 1 ? found : nullptr;
}

QStringList comboItems(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QStringList logLines(const kw::Application& app)
{
    const QString text = kwtest::findChild<QPlainTextEdit>(app.logWindow(), "Memo1")->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

} // namespace

class ApplicationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void startUpOnDemoArchive();
    void mainWindowLayout_data();
    void mainWindowLayout();
    void deviceList_data();
    void deviceList();
    void fatalEnd_data();
    void fatalEnd();
    void deviceChange();
    void storedDeviceWithoutDescriptionFallsBack();
    void damagedDayDivisionIsReportedAtStart();
    void settingsFileIsNeverWrittenOver_data();
    void settingsFileIsNeverWrittenOver();
    void deviceChangeToUndescribedDeviceEndsProgram();
    void activationShowsDeviceInUse();
    void runEndsWhenMainWindowCloses();
    void runEndsAfterFatalDeviceChange();
    void runEndsAfterFatalStart();
    void menuShowsWindow_data();
    void menuShowsWindow();
    void aboutBox();
    void helpWithoutDocument();
    void helpOpensTopic();
    void outputWindowExportsTheGraphsValues();
};

void ApplicationTest::initTestCase()
{
    QVERIFY(kwtest::isolateSettings());
}

void ApplicationTest::init()
{
    setStoredDevice(QString());
}

void ApplicationTest::startUpOnDemoArchive()
{
    ProgramDir dir;
    kw::demo::DemoOptions options;
    options.lastDay = {2024, 3, 15};
    options.months = 2;
    dir.writeDemoArchive(options);

    kw::Application app(dir.path());
    QVERIFY(app.startUp());

    QWidget* main = topLevel(QStringLiteral("TForm1"));
    QVERIFY(main);
    QVERIFY(main->isVisible());
    // The caption names the archive folder.
    QCOMPARE(main->windowTitle(), QStringLiteral("Kwatrix – ") + QDir(dir.qpath()).dirName());

    const auto* devices = kwtest::findChild<QComboBox>(main, "ComboBoxDeviceNo");
    QCOMPARE(comboItems(devices), (QStringList{QStringLiteral("0"), QStringLiteral("3")}));
    QVERIFY(devices->isEnabled());
    QCOMPARE(devices->currentText(), QStringLiteral("0"));

    const QStringList lines = logLines(app);
    QVERIFY(lines.size() >= 3);
    QCOMPARE(lines[0], QStringLiteral("* Inicializace modulu ProgPath"));
    QCOMPARE(lines[1], QStringLiteral("  PROGRAM_PATH=") + dir.qpath() + QStringLiteral(" "));
    QCOMPARE(lines[2], QStringLiteral("  READ_LIST_INI FILE: ") + dir.qpath() +
                           QStringLiteral("D0LARCH.INI :0"));

    for (const char* name : {"TForm2", "TForm3", "TForm4", "TForm5", "TForm6", "TForm7", "TForm8",
                             "TForm9", "TAboutBox"}) {
        const QWidget* window = topLevel(QLatin1String(name));
        QVERIFY2(window, name);
        QVERIFY2(!window->isVisible(), name);
    }
}

void ApplicationTest::mainWindowLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("SpeedButton1") << "SpeedButton1" << QRect(8, 0, 25, 25);
    QTest::newRow("SpeedButton3") << "SpeedButton3" << QRect(58, 0, 25, 25);
    QTest::newRow("ComboBoxDeviceNo") << "ComboBoxDeviceNo" << QRect(5, 48, 137, 21);
    QTest::newRow("EditObdobi") << "EditObdobi" << QRect(5, 92, 97, 21);
    QTest::newRow("BitBtn1") << "BitBtn1" << QRect(112, 92, 21, 21);
    QTest::newRow("ComboBoxAB") << "ComboBoxAB" << QRect(144, 92, 161, 21);
    QTest::newRow("EditVypis") << "EditVypis" << QRect(144, 116, 145, 21);
    QTest::newRow("TreeViewObdobi") << "TreeViewObdobi" << QRect(4, 144, 137, 281);
    QTest::newRow("TreeViewDir") << "TreeViewDir" << QRect(144, 144, 233, 281);
    QTest::newRow("Label3") << "Label3" << QRect(8, 32, -1, -1);
    QTest::newRow("Label2") << "Label2" << QRect(144, 76, -1, -1);
}

void ApplicationTest::mainWindowLayout()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);

    ProgramDir dir;
    dir.populate({0}, {0});
    kw::Application app(dir.path());
    QVERIFY(app.startUp());
    auto* main = qobject_cast<QMainWindow*>(topLevel(QStringLiteral("TForm1")));
    QVERIFY(main);

    // The client area below the menu bar has its design size and cannot be resized.
    const QWidget* client = main->centralWidget();
    QCOMPARE(client->size(), QSize(382, 429));
    QCOMPARE(client->y(), main->menuBar()->height());
    QCOMPARE(main->minimumSize(), main->maximumSize());
    QVERIFY(!(main->windowFlags() & Qt::WindowMaximizeButtonHint));

    const auto* control = main->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), client);
    if (geometry.width() < 0) {
        // Labels size themselves to their text; their text must not be cut.
        QCOMPARE(control->pos(), geometry.topLeft());
        QVERIFY(control->width() >= control->sizeHint().width());
    } else {
        QCOMPARE(control->geometry(), geometry);
    }
}

void ApplicationTest::deviceList_data()
{
    QTest::addColumn<DeviceSet>("monthDevices");
    QTest::addColumn<DeviceSet>("described");
    QTest::addColumn<QString>("stored"); // null: nothing stored
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("shown"); // empty: no selection
    QTest::addColumn<int>("device");
    QTest::addColumn<QString>("description");

    QTest::newRow("a single device wins over the stored one")
        << DeviceSet{3} << DeviceSet{0, 3} << "0" << QStringList{"3"} << false << "3" << 3
        << "D03ARCH.INI";
    QTest::newRow("stored device is the second entry")
        << DeviceSet{0, 3} << DeviceSet{0, 3} << "3" << QStringList{"0", "3"} << true << "3" << 3
        << "D03ARCH.INI";
    QTest::newRow("hexadecimal stored device")
        << DeviceSet{0, 3} << DeviceSet{0, 3, 10} << "0x0A" << QStringList{"0", "3"} << true << ""
        << 10 << "D0AARCH.INI";
    QTest::newRow("stored device without month files stays")
        << DeviceSet{0, 3} << DeviceSet{0, 3, 7} << "7" << QStringList{"0", "3"} << true << "" << 7
        << "D07ARCH.INI";
    QTest::newRow("nothing stored gives device 0")
        << DeviceSet{0, 3} << DeviceSet{0, 3} << QString() << QStringList{"0", "3"} << true << "0"
        << 0 << "D0LARCH.INI";
    QTest::newRow("text that is no number gives device 0")
        << DeviceSet{3, 5} << DeviceSet{0} << "drei" << QStringList{"3", "5"} << true << "" << 0
        << "D0LARCH.INI";
    QTest::newRow("no month files at all") << DeviceSet{} << DeviceSet{12} << "12" << QStringList{}
                                           << false << "" << 12 << "D0CARCH.INI";
}

void ApplicationTest::deviceList()
{
    QFETCH(DeviceSet, monthDevices);
    QFETCH(DeviceSet, described);
    QFETCH(QString, stored);
    QFETCH(QStringList, items);
    QFETCH(bool, enabled);
    QFETCH(QString, shown);
    QFETCH(int, device);
    QFETCH(QString, description);

    ProgramDir dir;
    dir.populate(monthDevices, described);
    setStoredDevice(stored);
    {
        kw::Application app(dir.path());
        QVERIFY(app.startUp());
        QCOMPARE(app.DeviceNo, device);

        const auto* combo = kwtest::findChild<QComboBox>(app.mainWindow(), "ComboBoxDeviceNo");
        QCOMPARE(comboItems(combo), items);
        QCOMPARE(combo->isEnabled(), enabled);
        QCOMPARE(combo->currentText(), shown);
        QCOMPARE(logLines(app).value(2), QStringLiteral("  READ_LIST_INI FILE: ") + dir.qpath() +
                                             description + QStringLiteral(" :0"));
    }
    // The device in effect is the default of the next start.
    QCOMPARE(storedDevice(), QString::number(device));
}

void ApplicationTest::fatalEnd_data()
{
    QTest::addColumn<DeviceSet>("monthDevices");
    QTest::addColumn<DeviceSet>("described");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QString>("storedAfter");

    QTest::newRow("device 0 names QX5ARCH.INI")
        << DeviceSet{0} << DeviceSet{} << QString() << "QX5ARCH.INI"
        << "0";
    QTest::newRow("no device of the directory loads") << DeviceSet{0, 3} << DeviceSet{} << "7"
                                                      << "D07ARCH.INI"
                                                      << "7";
    QTest::newRow("single device without description") << DeviceSet{11} << DeviceSet{0} << "0"
                                                       << "D0BARCH.INI"
                                                       << "11";
}

void ApplicationTest::fatalEnd()
{
    QFETCH(DeviceSet, monthDevices);
    QFETCH(DeviceSet, described);
    QFETCH(QString, stored);
    QFETCH(QString, missing);
    QFETCH(QString, storedAfter);

    ProgramDir dir;
    dir.populate(monthDevices, described);
    setStoredDevice(stored);
    {
        kw::Application app(dir.path());
        BoxAnswerer closer(Boxes::NextOnly);
        QVERIFY(!app.startUp());
        QVERIFY(closer.seen());
        const kwtest::SeenBox box = closer.first();
        QCOMPARE(box.caption, QStringLiteral("Kritická chyba programu"));
        QCOMPARE(box.text, QStringLiteral("Nebyl nalezen soubor ") + missing +
                               QStringLiteral("\nProgram nemůže pokračovat"));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.buttons.size(), qsizetype(1));
        QVERIFY(app.terminated());
        QVERIFY(!app.mainWindow()->isVisible());
        // Nothing after the fatal message may run, yet the log shows the failed load.
        QVERIFY(logLines(app).value(2).endsWith(missing + QStringLiteral(" :-1")));
    }
    QCOMPARE(storedDevice(), storedAfter);
}

void ApplicationTest::deviceChange()
{
    ProgramDir dir;
    dir.populate({0, 3}, {0, 3});
    {
        kw::Application app(dir.path());
        QVERIFY(app.startUp());
        auto* combo = kwtest::findChild<QComboBox>(app.mainWindow(), "ComboBoxDeviceNo");
        QCOMPARE(combo->currentText(), QStringLiteral("0"));

        // The user steps to the next entry with the keyboard.
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(app.DeviceNo, 3);
        QVERIFY(app.archive().ArchiveLoaded);
        QCOMPARE(app.archive().ArchivePrefix, std::string("D03"));
        QVERIFY(logLines(app).constLast().endsWith(QStringLiteral("D03ARCH.INI :0")));
        QVERIFY(!app.terminated());
        QVERIFY(app.mainWindow()->isVisible());

        // Picking the device in use again reloads nothing.
        const qsizetype logged = logLines(app).size();
        emit combo->activated(combo->currentIndex());
        QCOMPARE(logLines(app).size(), logged);
    }
    QCOMPARE(storedDevice(), QStringLiteral("3"));
}

void ApplicationTest::storedDeviceWithoutDescriptionFallsBack()
{
    ProgramDir dir;
    dir.populate({0, 3}, {3});
    setStoredDevice(QStringLiteral("7"));
    {
        kw::Application app(dir.path());
        QVERIFY(app.startUp());
        QCOMPARE(app.DeviceNo, 3);
        QCOMPARE(kwtest::findChild<QComboBox>(app.mainWindow(), "ComboBoxDeviceNo")->currentText(),
                 QStringLiteral("3"));
        QVERIFY(logLines(app).contains(
            QStringLiteral("  Zařízení 7: popis archivu D07ARCH.INI nelze načíst, použito "
                           "zařízení 3")));
        auto* box = app.mainWindow()->findChild<QMessageBox*>(QStringLiteral("DeviceFallbackBox"));
        QVERIFY(box);
        QVERIFY(box->isVisible());
        QVERIFY(box->text().contains(QStringLiteral("D07ARCH.INI")));
    }
    QCOMPARE(storedDevice(), QStringLiteral("3"));
}

void ApplicationTest::damagedDayDivisionIsReportedAtStart()
{
    ProgramDir dir;
    dir.populate({0}, {0});
    QFile file(dir.qpath() + QStringLiteral("ROZ_DNEW.CFG"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(6019, '\x07'));
    file.close();
    kw::Application app(dir.path());
    QVERIFY(app.startUp());
    auto* box =
        app.mainWindow()->findChild<QMessageBox*>(QStringLiteral("DayDivisionLoadErrorBox"));
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QVERIFY(box->text().contains(QStringLiteral("ROZ_DNEW.CFG")));
    QVERIFY(box->text().contains(QStringLiteral("poškozen")));
    box->close();

    // A missing file is no fault: no message.
    QVERIFY(file.remove());
    kw::Application fresh(dir.path());
    QVERIFY(fresh.startUp());
    QVERIFY(
        !fresh.mainWindow()->findChild<QMessageBox*>(QStringLiteral("DayDivisionLoadErrorBox")));
}

void ApplicationTest::settingsFileIsNeverWrittenOver_data()
{
    QTest::addColumn<QString>("target"); // what the settings file links to
    for (const char* target : {"device", "fifo", "protected", "huge", "file"})
        QTest::newRow(target) << QString::fromLatin1(target);
}

void ApplicationTest::settingsFileIsNeverWrittenOver()
{
    QFETCH(QString, target);
    const bool stored = target == QLatin1String("file"); // the only regular, writable target
    const QTemporaryDir folder;
    const QString node = folder.filePath(QStringLiteral("node"));
    const QByteArray path = node.toLocal8Bit();
    if (target == QLatin1String("device")) {
        // A node of our own, never one of the machine's devices.
        if (::mknod(path.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("mknod is refused here");
    } else if (target == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    } else {
        QFile file(node);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(target == QLatin1String("huge") ? QByteArray(int(kw::MaxSettingsBytes) + 1, 'x')
                                                   : QByteArray("[Global]\nDevice%20No=5\n"));
        file.close();
        if (target == QLatin1String("protected"))
            QVERIFY(QFile::setPermissions(node, QFile::ReadOwner));
    }
    struct stat before {
    }, after{};
    QCOMPARE(::stat(path.constData(), &before), 0);
    const QString conf = folder.filePath(QStringLiteral("Telvanor/Kwatrix.conf"));
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Telvanor")) && QFile::link(node, conf));

    // A start-up's read and a shutdown's save, in a child that an alarm ends
    // if the file blocks it: exit 1 when a problem was told.
    const kw::UserSettings warm; // the private copies' folder outlives the child
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(10);
        kw::UserSettings::setFolder(folder.path());
        bool told = false;
        kw::UserSettings::setProblemHandler([&told](const QString&) { told = true; });
        kw::UserSettings().setValue(DeviceNoKey, QStringLiteral("15"));
        ::_exit(told ? 1 : 0);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY2(WIFEXITED(status), "the settings file blocked or crashed the program");
    QCOMPARE(WEXITSTATUS(status), stored ? 0 : 1);
    QVERIFY(QFileInfo(conf).isSymLink());
    QCOMPARE(::stat(path.constData(), &after), 0);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_rdev, before.st_rdev);
    QCOMPARE(after.st_size == before.st_size, !stored);
}

void ApplicationTest::deviceChangeToUndescribedDeviceEndsProgram()
{
    ProgramDir dir;
    dir.populate({0, 3}, {0});
    kw::Application app(dir.path());
    QVERIFY(app.startUp());
    auto* combo = kwtest::findChild<QComboBox>(app.mainWindow(), "ComboBoxDeviceNo");

    BoxAnswerer closer(Boxes::NextOnly);
    QTest::keyClick(combo, Qt::Key_Down);
    QVERIFY(closer.seen());
    QCOMPARE(closer.first().caption, QStringLiteral("Kritická chyba programu"));
    QVERIFY(closer.first().text.contains(QStringLiteral("D03ARCH.INI")));
    QVERIFY(app.terminated());
    QVERIFY(!app.mainWindow()->isVisible());
    // Stored at once, so the next start tries the same device first.
    QCOMPARE(storedDevice(), QStringLiteral("3"));
}

void ApplicationTest::activationShowsDeviceInUse()
{
    ProgramDir dir;
    dir.populate({0, 3}, {0, 3});
    setStoredDevice(QStringLiteral("3"));
    kw::Application app(dir.path());
    QVERIFY(app.startUp());
    auto* combo = kwtest::findChild<QComboBox>(app.mainWindow(), "ComboBoxDeviceNo");

    const QSignalBlocker blocker(combo);
    combo->setCurrentIndex(0);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(app.mainWindow(), &activate);
    QCOMPARE(combo->currentText(), QStringLiteral("3"));

    // A device without an entry shows no selection rather than a wrong one.
    app.DeviceNo = 9;
    QApplication::sendEvent(app.mainWindow(), &activate);
    QCOMPARE(combo->currentIndex(), -1);
}

void ApplicationTest::runEndsWhenMainWindowCloses()
{
    ProgramDir dir;
    dir.populate({0, 3}, {0, 3});
    setStoredDevice(QStringLiteral("3"));
    kw::Application app(dir.path());
    InLoop user([&app] {
        kwtest::findChild<QAction>(app.mainWindow(), QStringLiteral("LOGinformace1"))->trigger();
        app.mainWindow()->close();
    });
    const Watchdog watchdog;
    QCOMPARE(app.run(), 0);
    QCOMPARE(storedDevice(), QStringLiteral("3"));
}

void ApplicationTest::runEndsAfterFatalDeviceChange()
{
    ProgramDir dir;
    dir.populate({0, 3}, {0});
    kw::Application app(dir.path());
    BoxAnswerer closer(Boxes::NextOnly);
    InLoop user([&app] {
        QTest::keyClick(kwtest::findChild<QComboBox>(app.mainWindow(), "ComboBoxDeviceNo"),
                        Qt::Key_Down);
    });
    const Watchdog watchdog;
    QCOMPARE(app.run(), 1);
    QVERIFY(closer.seen());
    QCOMPARE(storedDevice(), QStringLiteral("3"));
}

void ApplicationTest::runEndsAfterFatalStart()
{
    ProgramDir dir;
    dir.populate({0}, {});
    kw::Application app(dir.path());
    // After the fatal message the folder dialog asks for another folder;
    // cancelling it ends the program.
    int asked = 0;
    app.setFolderChooser([&asked](const QString&) {
        ++asked;
        return std::string();
    });
    BoxAnswerer closer(Boxes::NextOnly);
    const Watchdog watchdog;
    QCOMPARE(app.run(), 1);
    QVERIFY(closer.seen());
    QCOMPARE(asked, 1);

    // A later modal dialog still waits for its answer.
    BoxAnswerer later(Boxes::NextOnly);
    QMessageBox::information(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    QVERIFY(later.seen());
}

void ApplicationTest::menuShowsWindow_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");

    QTest::newRow("Kalend1") << "Kalend1"
                             << "TForm4"
                             << "Kalendář";
    QTest::newRow("Rozdlendnedosmn1") << "Rozdlendnedosmn1"
                                      << "TForm5"
                                      << "Rozdělení dne do směn";
    QTest::newRow("Vstupnsouty1") << "Vstupnsouty1"
                                  << "TForm6"
                                  << "Nastavení výstupních součtů";
    QTest::newRow("Parametryvpisu1") << "Parametryvpisu1"
                                     << "TForm8"
                                     << "Nastavení parametru výpisu";
    QTest::newRow("Vstupnokno1") << "Vstupnokno1"
                                 << "TForm3"
                                 << "QX5view - výstupní okno";
    QTest::newRow("LOGinformace1") << "LOGinformace1"
                                   << "TForm2"
                                   << "LOG informace";
    QTest::newRow("Graf1") << "Graf1"
                           << "TForm9"
                           << "Graf spotřeby energie";
    QTest::newRow("SpeedButton1") << "SpeedButton1"
                                  << "TForm3"
                                  << "QX5view - výstupní okno";
    QTest::newRow("SpeedButton2") << "SpeedButton2"
                                  << "TForm9"
                                  << "Graf spotřeby energie";
    QTest::newRow("SpeedButton3") << "SpeedButton3"
                                  << "TForm2"
                                  << "LOG informace";
}

void ApplicationTest::menuShowsWindow()
{
    QFETCH(QString, trigger);
    QFETCH(QString, window);
    QFETCH(QString, caption);

    ProgramDir dir;
    dir.populate({0}, {0});
    kw::Application app(dir.path());
    QVERIFY(app.startUp());
    QPointer<QWidget> shown = topLevel(window);
    QVERIFY(shown);
    QCOMPARE(shown->windowTitle(), caption);

    auto activate = [&] {
        if (auto* action = app.mainWindow()->findChild<QAction*>(trigger))
            action->trigger();
        else
            QTest::mouseClick(app.mainWindow()->findChild<QToolButton*>(trigger), Qt::LeftButton);
    };

    shown->showMinimized();
    QVERIFY(shown->isMinimized());
    activate();
    QVERIFY(shown->isVisible());
    QVERIFY(!shown->isMinimized());

    // Closing a secondary window only hides it; it opens again with its state.
    shown->close();
    QVERIFY(shown);
    QVERIFY(!shown->isVisible());
    activate();
    QVERIFY(shown && shown->isVisible());
    QVERIFY(app.mainWindow()->isVisible());
}

void ApplicationTest::aboutBox()
{
    ProgramDir dir;
    dir.populate({0}, {0});
    kw::Application app(dir.path());
    QVERIFY(app.startUp());

    auto* box = qobject_cast<QDialog*>(topLevel(QStringLiteral("TAboutBox")));
    QVERIFY(box);
    kwtest::findChild<QAction>(app.mainWindow(), QStringLiteral("Oprogramu1"))->trigger();
    QVERIFY(box->isVisible());
    QVERIFY(!box->isModal());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QCOMPARE(box->windowTitle(), QStringLiteral("O programu QX5view"));
    QCOMPARE(box->size(), QSize(300, 161));
    QVERIFY(box->windowFlags() & Qt::WindowStaysOnTopHint);

    auto* ok = kwtest::findChild<QPushButton>(box, "OKButton");
    QVERIFY(ok->isDefault());
    // Every text of the box is shown whole.
    for (const QLabel* label : box->findChildren<QLabel*>())
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!box->isVisible());
}

void ApplicationTest::helpWithoutDocument()
{
    ProgramDir dir;
    dir.populate({0}, {0});
    kw::Application app(dir.path());
    QVERIFY(app.startUp());

    for (const char* item : {"Npovda1", "Popismenu1"}) {
        BoxAnswerer closer(Boxes::NextOnly);
        kwtest::findChild<QAction>(app.mainWindow(), QLatin1String(item))->trigger();
        QVERIFY2(closer.seen(), item);
        QVERIFY(closer.first().text.startsWith(QStringLiteral("Nápověda není nainstalována.")));
        QVERIFY(closer.first().text.contains(dir.qpath() + QStringLiteral("qx5view.html")));
    }
}

void ApplicationTest::helpOpensTopic()
{
    ProgramDir dir;
    dir.populate({0}, {0});
    // Written on a case-insensitive platform, so the letter case may differ.
    dir.write(QStringLiteral("QX5VIEW.HTML"),
              "<html><head><title>Kwatrix help</title></head><body>"
              "<h1>Contents</h1><a name=\"MENU\"></a><h2>Menu</h2></body></html>");
    kw::Application app(dir.path());
    QVERIFY(app.startUp());

    kwtest::findChild<QAction>(app.mainWindow(), QStringLiteral("Popismenu1"))->trigger();
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    // It belongs to the main window, so it goes when the program ends.
    const QWidget* help = app.mainWindow()->findChild<QWidget*>(QStringLiteral("HelpWindow"));
    QVERIFY(help);
    QVERIFY(help->isVisible());
    const auto* browser = kwtest::findChild<QTextBrowser>(help, "HelpBrowser");
    QCOMPARE(browser->source().fileName(), QStringLiteral("QX5VIEW.HTML"));
    QCOMPARE(browser->source().fragment(), QStringLiteral("MENU"));
    QVERIFY(browser->toPlainText().contains(QStringLiteral("Menu")));

    // The contents open in the same window.
    kwtest::findChild<QAction>(app.mainWindow(), QStringLiteral("Npovda1"))->trigger();
    QCOMPARE(app.mainWindow()->findChildren<QWidget*>(QStringLiteral("HelpWindow")).size(), 1);
    QCOMPARE(browser->source().fragment(), QString());
}

void ApplicationTest::outputWindowExportsTheGraphsValues()
{
    ProgramDir dir;
    kw::demo::DemoOptions options;
    options.lastDay = {2024, 3, 15};
    options.months = 1;
    options.devices = {0};
    dir.writeDemoArchive(options);
    kw::Application app(dir.path());
    QVERIFY(app.startUp());
    const QList<QMainWindow*> windows{app.outputWindow(), app.graphWindow()};
    const auto exportFrom = [&](QMainWindow* window, const kw::ExportFormat& format) {
        const QString path =
            dir.file(window->objectName() + QLatin1Char('-') + QLatin1String(format.name) +
                     QLatin1Char('.') + QLatin1String(format.suffix));
        kwtest::FileDialogAnswerer answer(path);
        kwtest::findChild<QAction>(window, format.actionName)->trigger();
        return path;
    };
    // Before a listing every export of both windows refuses, with a message.
    for (QMainWindow* window : windows) {
        for (const kw::ExportFormat& format : kw::ExportFormats()) {
            kwtest::BoxAnswerer boxes;
            QVERIFY(!QFile::exists(exportFrom(window, format)));
            QCOMPARE(boxes.captions(), QStringList{QStringLiteral("Export")});
        }
        kwtest::BoxAnswerer boxes;
        kwtest::FileDialogAnswerer answer(dir.file(QStringLiteral("nic.pdf")));
        kwtest::findChild<QAction>(window, "UlozitPDF1")->trigger();
        QCOMPARE(boxes.captions(), QStringList{QStringLiteral("Export")});
    }
    app.engine().listing.ListingYear = 2024;
    app.engine().listing.ListingMonth = 3;
    app.engine().settings.DisplayMode = 3;
    app.engine().listing.MonthAction(kw::ListingRun::WholeMonth);
    const std::size_t bars = app.engine().graph.bars().size();
    QVERIFY(bars > 96);

    // The PDF report holds the listing's own text, line for line, below the
    // heading of each page.
    const QString pdf = dir.file(QStringLiteral("vypis.pdf"));
    {
        kwtest::FileDialogAnswerer answer(pdf);
        kwtest::findChild<QAction>(app.outputWindow(), "UlozitPDF1")->trigger();
    }
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(pdftotext.waitForFinished());
    QStringList printed;
    for (const QString& page :
         QString::fromUtf8(pdftotext.readAllStandardOutput()).split(QLatin1Char('\f'))) {
        QStringList lines = page.split(QLatin1Char('\n'));
        while (!lines.isEmpty() && !lines.takeFirst().contains(QStringLiteral("Vytištěno:"))) {
        }
        for (const QString& line : lines)
            if (!line.trimmed().isEmpty() && !line.trimmed().startsWith(QStringLiteral("strana ")))
                printed << line.simplified();
    }
    QStringList shown;
    for (const QString& line : kwtest::findChild<QPlainTextEdit>(app.outputWindow(), "Memo1")
                                   ->toPlainText()
                                   .split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            shown << line.simplified();
    QVERIFY(shown.size() > 10);
    QCOMPARE(printed, shown);

    for (QMainWindow* window : windows) {
        for (const kw::ExportFormat& format : kw::ExportFormats()) {
            const QString path = exportFrom(window, format);
            QFile file(path);
            QVERIFY2(file.open(QIODevice::ReadOnly), format.name);
            const QByteArray bytes = file.readAll();
            QVERIFY(window->statusBar()->currentMessage().contains(QFileInfo(path).fileName()));
            if (format.name == std::string("csv"))
                QVERIFY(bytes.startsWith("end,value\r\n"));
            else if (format.name == std::string("excel-csv"))
                QVERIFY(
                    bytes.startsWith("\xEF\xBB\xBFZačátek;Konec;Posun od UTC;Hodnota [kW]\r\n"));
            if (QByteArray(format.name).contains("csv"))
                QCOMPARE(bytes.count('\n'), qsizetype(bars + 1));
        }
    }

    // Another month chosen but not listed: the emptied graph exports nothing,
    // the output window still shows the listing and exports it.
    app.engine().listing.ListingMonth = 2;
    app.engine().listing.EditVypisChange();
    QVERIFY(QFile::remove(dir.file(QStringLiteral("TForm9-csv.csv"))));
    kwtest::BoxAnswerer boxes;
    QVERIFY(!QFile::exists(exportFrom(app.graphWindow(), kw::ExportFormats()[0])));
    QCOMPARE(boxes.captions(), QStringList{QStringLiteral("Export")});
    QVERIFY(QFile::remove(dir.file(QStringLiteral("TForm3-csv.csv"))));
    QVERIFY(QFile::exists(exportFrom(app.outputWindow(), kw::ExportFormats()[0])));
}

QTEST_MAIN(ApplicationTest)
#include "application_test.moc"
