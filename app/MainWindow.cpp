#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "app/Application.h"
#include "app/Devices.h"
#include "app/Help.h"
#include "calendar/CalendarWindow.h"
#include "calendar/DayDivisionWindow.h"
#include "calendar/ListingParametersWindow.h"
#include "calendar/OutputSumsWindow.h"
#include "graph/GraphWindow.h"
#include "output/LogWindow.h"
#include "output/OutputWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QToolButton>
#include <QTreeWidget>

namespace kw {

namespace {

QToolButton* makeSpeedButton(QWidget* parent, const char* name, const QString& icon,
                             const QString& hint, int left)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIcon(SvgIcon(icon));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(hint);
    button->setGeometry(left, 0, 25, 25);
    return button;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left, int top)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

QTreeWidget* makeTree(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(QLatin1String(name));
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setGeometry(geometry);
    return tree;
}

} // namespace

MainWindow::MainWindow(Application& app) : m_app(app)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Kwatrix"));
    // Fixed single border: system menu and minimise, no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(WindowFont(8));
    createMenu();
    createControls();
    // The client area below the menu bar keeps its design size.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

MainWindow::~MainWindow()
{
    FormDestroy();
}

void MainWindow::createMenu()
{
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    setMenuBar(MainMenu1);

    auto addItem = [this](QMenu* menu, const char* name, const QString& caption,
                          void (MainWindow::*handler)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    auto addSeparator = [](QMenu* menu, const char* name) {
        QAction* action = menu->addSeparator();
        action->setObjectName(QLatin1String(name));
        return action;
    };

    QMenu* settings = MainMenu1->addMenu(QStringLiteral("Nastavení"));
    settings->setObjectName(QStringLiteral("Nastaven1"));
    Kalend1 = addItem(settings, "Kalend1", QStringLiteral("Kalendář"), &MainWindow::Kalend1Click);
    N2 = addSeparator(settings, "N2");
    Rozdlendnedosmn1 =
        addItem(settings, "Rozdlendnedosmn1", QStringLiteral("Rozdělení dne do směn"),
                &MainWindow::Rozdlendnedosmn1Click);
    Vstupnsouty1 = addItem(settings, "Vstupnsouty1", QStringLiteral("Výstupní součty"),
                           &MainWindow::Vstupnsouty1Click);
    Parametryvpisu1 = addItem(settings, "Parametryvpisu1", QStringLiteral("Parametry výpisu"),
                              &MainWindow::Parametryvpisu1Click);

    QMenu* view = MainMenu1->addMenu(QStringLiteral("Zobraz"));
    view->setObjectName(QStringLiteral("Zobraz1"));
    Vstupnokno1 = addItem(view, "Vstupnokno1", QStringLiteral("Výstupní okno"),
                          &MainWindow::Vstupnokno1Click);
    LOGinformace1 = addItem(view, "LOGinformace1", QStringLiteral("LOG informace"),
                            &MainWindow::LOGinformace1Click);
    Graf1 = addItem(view, "Graf1", QStringLiteral("Graf"), &MainWindow::Graf1Click);

    QMenu* help = MainMenu1->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("Help1"));
    Npovda1 = addItem(help, "Npovda1", QStringLiteral("Obsah"), &MainWindow::Npovda1Click);
    Popismenu1 =
        addItem(help, "Popismenu1", QStringLiteral("Popis menu"), &MainWindow::Popismenu1Click);
    N3 = addSeparator(help, "N3");
    Oprogramu1 =
        addItem(help, "Oprogramu1", QStringLiteral("O programu"), &MainWindow::Oprogramu1Click);
}

void MainWindow::createControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(382, 429);
    setCentralWidget(client);

    SpeedButton1 = makeSpeedButton(client, "SpeedButton1", QStringLiteral(":/icons/output.svg"),
                                   QStringLiteral("Výstupní okno"), 8);
    SpeedButton2 = makeSpeedButton(client, "SpeedButton2", QStringLiteral(":/icons/graph.svg"),
                                   QStringLiteral("Graf"), 33);
    SpeedButton3 = makeSpeedButton(client, "SpeedButton3", QStringLiteral(":/icons/log.svg"),
                                   QStringLiteral("LOG informace"), 58);
    connect(SpeedButton1, &QToolButton::clicked, this, &MainWindow::Vstupnokno1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &MainWindow::Graf1Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &MainWindow::LOGinformace1Click);

    Label3 = makeLabel(client, "Label3", QStringLiteral("Zařízení"), 8, 32);
    ComboBoxDeviceNo = new QComboBox(client);
    ComboBoxDeviceNo->setObjectName(QStringLiteral("ComboBoxDeviceNo"));
    ComboBoxDeviceNo->setGeometry(5, 48, 137, 21);
    // Only a pick by the user changes the device, not the filling of the list.
    connect(ComboBoxDeviceNo, &QComboBox::activated, this, &MainWindow::ComboBoxDeviceNoChange);

    Label1 = makeLabel(client, "Label1", QStringLiteral("Období"), 8, 76);
    Label2 = makeLabel(client, "Label2", QStringLiteral("Zobrazit"), 144, 76);

    EditObdobi = new QLineEdit(client);
    EditObdobi->setObjectName(QStringLiteral("EditObdobi"));
    EditObdobi->setReadOnly(true);
    EditObdobi->setToolTip(QStringLiteral("Vybrané období "));
    EditObdobi->setText(QStringLiteral("Načítání období"));
    EditObdobi->setCursorPosition(0);
    EditObdobi->setGeometry(5, 92, 97, 21);

    // Shows and hides the period panel; the period tree work connects it.
    BitBtn1 = new QToolButton(client);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setIcon(SvgIcon(QStringLiteral(":/icons/period.svg")));
    BitBtn1->setIconSize(QSize(16, 16));
    BitBtn1->setToolTip(QStringLiteral("Zobrazení/skrytí panelu pro výběr období"));
    BitBtn1->setGeometry(112, 92, 21, 21);

    ComboBoxAB = new QComboBox(client);
    ComboBoxAB->setObjectName(QStringLiteral("ComboBoxAB"));
    ComboBoxAB->setToolTip(QStringLiteral("Výběr bloku dat, který má být zobrazen"));
    ComboBoxAB->setGeometry(144, 92, 161, 21);
    connect(ComboBoxAB, &QComboBox::activated, this, &MainWindow::ComboBoxABChange);

    EditVypis = new QLineEdit(client);
    EditVypis->setObjectName(QStringLiteral("EditVypis"));
    EditVypis->setReadOnly(true);
    EditVypis->setGeometry(144, 116, 145, 21);

    TreeViewObdobi = makeTree(client, "TreeViewObdobi", QRect(4, 144, 137, 281));
    TreeViewDir = makeTree(client, "TreeViewDir", QRect(144, 144, 233, 281));
}

void MainWindow::FillDeviceList()
{
    if (m_app.DeviceNo == -1)
        m_app.DeviceNo = m_app.readStoredDeviceNo();
    const DeviceList list = kw::FillDeviceList(m_app.ProgramPath, m_app.DeviceNo);
    m_app.DeviceNo = list.deviceNo;

    const QSignalBlocker blocker(ComboBoxDeviceNo);
    ComboBoxDeviceNo->clear();
    for (const int32_t device : list.devices)
        ComboBoxDeviceNo->addItem(QString::number(device));
    ComboBoxDeviceNo->setCurrentIndex(list.selected);
    ComboBoxDeviceNo->setEnabled(list.enabled);
}

void MainWindow::ComboBoxDeviceNoChange(int index)
{
    if (index < 0)
        return;
    bool ok = false;
    const int device = ComboBoxDeviceNo->itemText(index).toInt(&ok);
    if (!ok)
        return;
    m_app.DeviceNo = device;
    m_app.loadArchiveDescription();
    if (!m_app.archive().ArchiveLoaded) {
        ShowFatalError();
        m_app.terminate(1);
        return;
    }
    FillPeriodTree();
    SetPeriodToYesterday();
    SelectBlock();
}

void MainWindow::ShowFatalError()
{
    const QString text = QStringLiteral("Nebyl nalezen soubor ") +
                         QString::fromStdString(m_app.archive().ArchivePrefix) +
                         QStringLiteral("ARCH.INI\nProgram nemůže pokračovat");
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Kritická chyba programu"), text,
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("FatalErrorBox"));
    box.exec();
}

void MainWindow::FormActivate()
{
    // No selection when the device in use has no entry.
    const QSignalBlocker blocker(ComboBoxDeviceNo);
    ComboBoxDeviceNo->setCurrentIndex(ComboBoxDeviceNo->findText(QString::number(m_app.DeviceNo)));
}

void MainWindow::FillPeriodTree()
{
    // The period tree work rebuilds TreeViewObdobi here.
}

void MainWindow::SetPeriodToYesterday()
{
    // The period tree work sets the listing period to yesterday's month here.
}

void MainWindow::SelectBlock()
{
    m_app.engine().listing.SelectBlock();
}

void MainWindow::blockListChanged()
{
    const ListingRun& listing = m_app.engine().listing;
    const QSignalBlocker blocker(ComboBoxAB);
    ComboBoxAB->clear();
    for (const std::string& entry : listing.BlockEntries)
        ComboBoxAB->addItem(QString::fromStdString(entry));
    ComboBoxAB->setCurrentIndex(listing.SelectedEntry);
}

void MainWindow::editVypisChanged()
{
    EditVypis->setText(QString::fromStdString(m_app.engine().listing.EditVypis));
    EditVypis->setCursorPosition(0);
}

void MainWindow::ComboBoxABChange(int index)
{
    m_app.engine().listing.ComboBoxABChange(index);
}

void MainWindow::showOutputWindow()
{
    ShowWindowNormal(m_app.outputWindow());
}

void MainWindow::showCalendar()
{
    ShowWindowNormal(m_app.calendarWindow());
}

void MainWindow::showListingParameters()
{
    m_app.listingParametersWindow()->prepareAndShow();
}

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing the main window ends the program, whatever else is open.
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        m_app.quit();
}

void MainWindow::FormDestroy()
{
    m_app.Shutdown();
}

void MainWindow::Kalend1Click()
{
    // The calendar work loads the listing month into the window here.
    ShowWindowNormal(m_app.calendarWindow());
}

void MainWindow::Rozdlendnedosmn1Click()
{
    m_app.dayDivisionWindow()->prepareAndShow();
}

void MainWindow::Vstupnsouty1Click()
{
    m_app.outputSumsWindow()->prepareAndShow();
}

void MainWindow::Parametryvpisu1Click()
{
    showListingParameters();
}

void MainWindow::Vstupnokno1Click()
{
    ShowWindowNormal(m_app.outputWindow());
}

void MainWindow::LOGinformace1Click()
{
    ShowWindowNormal(m_app.logWindow());
}

void MainWindow::Graf1Click()
{
    ShowWindowNormal(m_app.graphWindow());
}

void MainWindow::Npovda1Click()
{
    OpenHelp(this, QString());
}

void MainWindow::Popismenu1Click()
{
    OpenHelp(this, QStringLiteral("MENU"));
}

void MainWindow::Oprogramu1Click()
{
    AboutBox* box = m_app.aboutBox();
    box->show();
    box->raise();
    box->activateWindow();
}

} // namespace kw
