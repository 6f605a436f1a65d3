#include "app/MainWindow.h"

#include "archive/DateTime.h"
#include "archive/Devices.h"
#include "archive/Errors.h"
#include "archive/FileLookup.h"
#include "listing/Engine.h"
#include "ui/Help.h"
#include "ui/WindowSupport.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSet>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace kw {

namespace {

// What a node of either tree runs, and with which argument.
constexpr int ActionRole = Qt::UserRole;
constexpr int ArgumentRole = Qt::UserRole + 1;

void ExpandWithDescendants(QTreeWidgetItem* item, bool expand)
{
    item->setExpanded(expand);
    for (int i = 0; i < item->childCount(); ++i)
        ExpandWithDescendants(item->child(i), expand);
}

bool IsDescendant(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor)
{
    for (const QTreeWidgetItem* p = item ? item->parent() : nullptr; p; p = p->parent())
        if (p == ancestor)
            return true;
    return false;
}

// A collapsed branch takes the selection of a node hidden inside it, so that
// the panel button never acts on a node the user cannot see.
void SelectVisibleNode(QTreeWidget* tree)
{
    QTreeWidgetItem* current = tree->currentItem();
    if (!current)
        return;
    QList<QTreeWidgetItem*> chain;
    for (QTreeWidgetItem* p = current->parent(); p; p = p->parent())
        chain.prepend(p);
    for (QTreeWidgetItem* p : chain) {
        if (!p->isExpanded()) {
            tree->setCurrentItem(p);
            return;
        }
    }
}

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

MainWindow::FileStamp MainWindow::FileStampOf(const QString& path)
{
    FileStamp stamp;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return stamp;
    stamp.exists = true;
    stamp.size = info.size();
    stamp.modified = info.lastModified().toMSecsSinceEpoch();
    stamp.changed = info.metadataChangeTime().toMSecsSinceEpoch();
    return stamp;
}

MainWindow::MainWindow(Engine& engine) : m_engine(engine)
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
    createPopupMenus();
    // The help window belongs to the main window, whichever window opens it.
    SetHelpOwner(this);

    // Changes in the archive folder show within two seconds; a burst of
    // changes (a copy of many files) is read once.
    m_watcher = new QFileSystemWatcher(this);
    m_refresh = new QTimer(this);
    m_refresh->setSingleShot(true);
    m_refresh->setInterval(300);
    m_poll = new QTimer(this);
    m_poll->setInterval(1000);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_refresh,
            qOverload<>(&QTimer::start));
    connect(m_watcher, &QFileSystemWatcher::fileChanged, m_refresh, qOverload<>(&QTimer::start));
    connect(m_refresh, &QTimer::timeout, this, &MainWindow::refreshFromDisk);
    connect(m_poll, &QTimer::timeout, this, &MainWindow::refreshFromDisk);
    // The client area below the menu bar keeps its design size.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

MainWindow::~MainWindow() = default;

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

    // Archive folders: before the program's own menus, which stay as they were.
    QMenu* archive = MainMenu1->addMenu(QStringLiteral("Archiv"));
    archive->setObjectName(QStringLiteral("Archiv1"));
    OtevritArchiv = AddNamedAction(archive, "OtevritArchiv", QStringLiteral("Otevřít archiv…"));
    OtevritArchiv->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(OtevritArchiv, &QAction::triggered, this, &MainWindow::archiveOpenRequested);
    NaposledyOtevrene = archive->addMenu(QStringLiteral("Naposledy otevřené"));
    NaposledyOtevrene->setObjectName(QStringLiteral("NaposledyOtevrene"));
    NaposledyOtevrene->setEnabled(false);
    archive->addSeparator()->setObjectName(QStringLiteral("N5"));
    SynchronizovatDoUloziste1 = AddNamedAction(archive, "SynchronizovatDoUloziste1",
                                               QStringLiteral("Synchronizovat do úložiště…"));
    connect(SynchronizovatDoUloziste1, &QAction::triggered, this, &MainWindow::storeSyncRequested);

    QMenu* settings = MainMenu1->addMenu(QStringLiteral("Nastavení"));
    settings->setObjectName(QStringLiteral("Nastaven1"));
    Kalend1 = addItem(settings, "Kalend1", QStringLiteral("Kalendář"),
                      &MainWindow::openCalendarForEditing);
    N2 = addSeparator(settings, "N2");
    Rozdlendnedosmn1 =
        addItem(settings, "Rozdlendnedosmn1", QStringLiteral("Rozdělení dne do směn"),
                &MainWindow::openDayDivisionEditor);
    Vstupnsouty1 = addItem(settings, "Vstupnsouty1", QStringLiteral("Výstupní součty"),
                           &MainWindow::openOutputSums);
    Parametryvpisu1 = addItem(settings, "Parametryvpisu1", QStringLiteral("Parametry výpisu"),
                              &MainWindow::openListingParameters);
    N4 = addSeparator(settings, "N4");
    SmlouvaCenik1 = AddNamedAction(settings, "SmlouvaCenik1", QStringLiteral("Smlouva a ceník…"));
    connect(SmlouvaCenik1, &QAction::triggered, this, &MainWindow::contractRequested);

    QMenu* view = MainMenu1->addMenu(QStringLiteral("Zobraz"));
    view->setObjectName(QStringLiteral("Zobraz1"));
    Vstupnokno1 = addItem(view, "Vstupnokno1", QStringLiteral("Výstupní okno"),
                          &MainWindow::openOutputWindow);
    LOGinformace1 =
        addItem(view, "LOGinformace1", QStringLiteral("LOG informace"), &MainWindow::openLog);
    Graf1 = addItem(view, "Graf1", QStringLiteral("Graf"), &MainWindow::openGraph);
    RocniPrehled1 = addItem(view, "RocniPrehled1", QStringLiteral("Roční přehled"),
                            &MainWindow::openYearOverview);
    KontrolaVyuctovani1 = addItem(view, "KontrolaVyuctovani1",
                                  QStringLiteral("Kontrola vyúčtování"), &MainWindow::openBill);
    Lokality1 = AddNamedAction(view, "Lokality1", QStringLiteral("Lokality"));
    connect(Lokality1, &QAction::triggered, this, &MainWindow::sitesRequested);

    QMenu* help = MainMenu1->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("Help1"));
    Npovda1 = addItem(help, "Npovda1", QStringLiteral("Obsah"), &MainWindow::openHelpContents);
    Popismenu1 =
        addItem(help, "Popismenu1", QStringLiteral("Popis menu"), &MainWindow::openMenuHelp);
    N3 = addSeparator(help, "N3");
    Oprogramu1 =
        addItem(help, "Oprogramu1", QStringLiteral("O programu"), &MainWindow::openAboutBox);
}

void MainWindow::createPopupMenus()
{
    auto addItem = [this](QMenu* menu, const char* name, const QString& caption,
                          void (MainWindow::*handler)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };

    PopupMenuObdobi = new QMenu(this);
    PopupMenuObdobi->setObjectName(QStringLiteral("PopupMenuObdobi"));
    ExpandAll1 = addItem(PopupMenuObdobi, "ExpandAll1", QStringLiteral("Rozbal vše"),
                         &MainWindow::expandAllYears);
    ColapseAll1 = addItem(PopupMenuObdobi, "ColapseAll1", QStringLiteral("Sbal vše"),
                          &MainWindow::collapseAllYears);
    Rozbalaktulnrok1 =
        addItem(PopupMenuObdobi, "Rozbalaktulnrok1", QStringLiteral("Rozbal aktuální rok"),
                &MainWindow::expandNewestYear);
    N1 = PopupMenuObdobi->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    Klaend1 = addItem(PopupMenuObdobi, "Klaend1", QStringLiteral("Kalendář"),
                      &MainWindow::openCalendarFromPeriodTree);
    RocniPrehled2 = addItem(PopupMenuObdobi, "RocniPrehled2", QStringLiteral("Roční přehled"),
                            &MainWindow::openYearOverviewFromPeriodTree);
    KontrolaVyuctovani2 =
        addItem(PopupMenuObdobi, "KontrolaVyuctovani2", QStringLiteral("Kontrola vyúčtování"),
                &MainWindow::openBillFromPeriodTree);
    TreeViewObdobi->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TreeViewObdobi, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        // The overview is of the year under the mouse, a year or one of its months.
        const QTreeWidgetItem* item = TreeViewObdobi->itemAt(at);
        if (item && item->parent())
            item = item->parent();
        m_popupYear = item ? item->text(0).toInt() : 0;
        RocniPrehled2->setText(m_popupYear > 0 ? QStringLiteral("Roční přehled %1").arg(m_popupYear)
                                               : QStringLiteral("Roční přehled"));
        KontrolaVyuctovani2->setText(m_popupYear > 0
                                         ? QStringLiteral("Kontrola vyúčtování %1").arg(m_popupYear)
                                         : QStringLiteral("Kontrola vyúčtování"));
        PopupMenuObdobi->popup(TreeViewObdobi->viewport()->mapToGlobal(at));
    });

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    // Its check mark toggles by itself; the next build of the listing tree reads it.
    AutSbalList =
        AddNamedAction(PopupMenu1, "AutSbalList", QStringLiteral("Automaticky sbalit LIST"));
    AutSbalList->setCheckable(true);
    AutSbalList->setChecked(true);
    TreeViewDir->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TreeViewDir, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu1->popup(TreeViewDir->viewport()->mapToGlobal(at));
    });
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
    connect(SpeedButton1, &QToolButton::clicked, this, &MainWindow::openOutputWindow);
    connect(SpeedButton2, &QToolButton::clicked, this, &MainWindow::openGraph);
    connect(SpeedButton3, &QToolButton::clicked, this, &MainWindow::openLog);

    Label3 = makeLabel(client, "Label3", QStringLiteral("Zařízení"), 8, 32);
    ComboBoxDeviceNo = new QComboBox(client);
    ComboBoxDeviceNo->setObjectName(QStringLiteral("ComboBoxDeviceNo"));
    ComboBoxDeviceNo->setGeometry(5, 48, 137, 21);
    // Only a pick by the user changes the device, not the filling of the list.
    connect(ComboBoxDeviceNo, &QComboBox::activated, this, &MainWindow::changeDevice);

    Label1 = makeLabel(client, "Label1", QStringLiteral("Období"), 8, 76);
    Label2 = makeLabel(client, "Label2", QStringLiteral("Zobrazit"), 144, 76);

    EditObdobi = new QLineEdit(client);
    EditObdobi->setObjectName(QStringLiteral("EditObdobi"));
    EditObdobi->setReadOnly(true);
    EditObdobi->setToolTip(QStringLiteral("Vybrané období "));
    EditObdobi->setText(QStringLiteral("Načítání období"));
    EditObdobi->setCursorPosition(0);
    EditObdobi->setGeometry(5, 92, 97, 21);

    // Shows and hides the period panel.
    BitBtn1 = new QToolButton(client);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setIcon(SvgIcon(QStringLiteral(":/icons/period.svg")));
    BitBtn1->setIconSize(QSize(16, 16));
    BitBtn1->setToolTip(QStringLiteral("Zobrazení/skrytí panelu pro výběr období"));
    BitBtn1->setGeometry(112, 92, 21, 21);
    connect(BitBtn1, &QToolButton::clicked, this, &MainWindow::togglePeriodPanel);

    ComboBoxAB = new QComboBox(client);
    ComboBoxAB->setObjectName(QStringLiteral("ComboBoxAB"));
    ComboBoxAB->setToolTip(QStringLiteral("Výběr bloku dat, který má být zobrazen"));
    ComboBoxAB->setGeometry(144, 92, 161, 21);
    connect(ComboBoxAB, &QComboBox::activated, this, &MainWindow::chooseBlock);
    connect(ComboBoxAB, &QComboBox::currentIndexChanged, this, &MainWindow::showBlockName);

    EditVypis = new QLineEdit(client);
    EditVypis->setObjectName(QStringLiteral("EditVypis"));
    EditVypis->setReadOnly(true);
    EditVypis->setGeometry(144, 116, 145, 21);

    TreeViewObdobi = makeTree(client, "TreeViewObdobi", QRect(4, 144, 137, 281));
    TreeViewDir = makeTree(client, "TreeViewDir", QRect(144, 144, 233, 281));
    // Long captions ("DEN :..   ADR=..") scroll sideways instead of being cut.
    TreeViewDir->header()->setStretchLastSection(false);
    TreeViewDir->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    connect(TreeViewObdobi, &QTreeWidget::itemClicked, this, &MainWindow::activateChosenMonth);
    connect(TreeViewObdobi, &QTreeWidget::itemDoubleClicked, this,
            &MainWindow::chooseMonthAndFoldPanel);
    connect(TreeViewObdobi, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (IsDescendant(TreeViewObdobi->currentItem(), item))
            TreeViewObdobi->setCurrentItem(item);
    });
    connect(TreeViewDir, &QTreeWidget::itemDoubleClicked, this, &MainWindow::runChosenCommand);
    connect(TreeViewDir, &QTreeWidget::itemExpanded, this, &MainWindow::selectToggledNode);
    connect(TreeViewDir, &QTreeWidget::itemCollapsed, this, &MainWindow::selectToggledNode);
    // The keyboard's Enter does what the mouse does: a month is chosen, a
    // listing command runs.
    TreeViewObdobi->installEventFilter(this);
    TreeViewDir->installEventFilter(this);
}

void MainWindow::FillDeviceList()
{
    ProgramLocation& location = m_engine.Location;
    const DeviceList list = kw::FillDeviceList(location.ProgramPath, location.DeviceNo);
    location.DeviceNo = list.deviceNo;
    showDeviceList(list);
}

void MainWindow::showDeviceList(const DeviceList& list)
{
    m_shownDevices = list.devices;
    const QSignalBlocker blocker(ComboBoxDeviceNo);
    ComboBoxDeviceNo->clear();
    for (const int32_t device : list.devices)
        ComboBoxDeviceNo->addItem(QString::number(device));
    ComboBoxDeviceNo->setCurrentIndex(list.selected);
    ComboBoxDeviceNo->setEnabled(list.enabled);
}

void MainWindow::LoadArchiveDescription()
{
    try {
        m_engine.description.LoadArchiveDescription(m_engine.Location.ProgramPath,
                                                    m_engine.Location.DeviceNo);
    } catch (const UserActionError& e) {
        m_engine.description.ArchiveLoaded = false;
        QMessageBox::critical(this, QString::fromStdString(e.caption()),
                              QString::fromStdString(e.what()));
    }
}

void MainWindow::changeDevice(int index)
{
    if (index < 0)
        return;
    bool ok = false;
    const int device = ComboBoxDeviceNo->itemText(index).toInt(&ok);
    // Picking the device already in use changes nothing: the period and the
    // block the user chose stay.
    if (!ok || device == m_engine.Location.DeviceNo)
        return;
    closeDayPicker();
    m_engine.Location.DeviceNo = device;
    LoadArchiveDescription();
    if (!m_engine.description.ArchiveLoaded) {
        ShowFatalError();
        emit fatalErrorShown();
        return;
    }
    FillPeriodTree();
    // The listing tree shows the new device's month file even when yesterday's
    // month is the one already shown.
    const QString shown = EditObdobi->text();
    SetPeriodToYesterday();
    if (EditObdobi->text() == shown)
        RunUserAction(this, [this] { listingMonthChanged(); });
    SelectBlock();
    // The graph's title names the block chosen now, the new device's.
    m_engine.listing.EditVypisChange();
}

void MainWindow::ShowFatalError()
{
    const QString text = QStringLiteral("Nebyl nalezen soubor ") +
                         QString::fromStdString(m_engine.description.ArchivePrefix) +
                         QStringLiteral("ARCH.INI\nProgram nemůže pokračovat");
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Kritická chyba programu"), text,
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("FatalErrorBox"));
    box.exec();
}

void MainWindow::showDeviceInUse()
{
    // No selection when the device in use has no entry.
    const QSignalBlocker blocker(ComboBoxDeviceNo);
    ComboBoxDeviceNo->setCurrentIndex(
        ComboBoxDeviceNo->findText(QString::number(m_engine.Location.DeviceNo)));
}

void MainWindow::FillPeriodTree()
{
    showPeriodTree(
        PeriodTreeContent(DirectoryListing(m_engine.Location.ProgramPath), m_engine.archive));
    TreeViewObdobi->collapseAll();
    SelectVisibleNode(TreeViewObdobi);
    if (TreeViewObdobi->topLevelItemCount() > 0)
        ExpandWithDescendants(TreeViewObdobi->topLevelItem(0), true);
    watchArchive();
}

void MainWindow::showPeriodTree(const std::vector<PeriodYearNode>& years)
{
    m_shownPeriods.clear();
    for (const PeriodYearNode& year : years)
        for (const PeriodMonthNode& month : year.months)
            m_shownPeriods.push_back(month.argument);
    TreeViewObdobi->clear();
    QTreeWidgetItem* yearNode = nullptr;
    for (const PeriodYearNode& year : years) {
        yearNode = AddTreeNode(0, TreeViewObdobi, yearNode, 0, NodeActionKind::None,
                               QString::number(year.year));
        for (const PeriodMonthNode& month : year.months)
            AddTreeNode(1, TreeViewObdobi, yearNode, month.argument, NodeActionKind::SetPeriodMonth,
                        QString::fromStdString(month.caption));
    }
}

void MainWindow::SetPeriodToYesterday()
{
    const Date yesterday = YesterdayDate();
    ListingRun& listing = m_engine.listing;
    listing.ListingYear = yesterday.year;
    listing.ListingMonth = yesterday.month;
    // Called at start-up, outside any event: a failed read is reported here.
    RunUserAction(this, [this] { SetPeriodMonth(-1); });
}

void MainWindow::SetPeriodMonth(int32_t argument)
{
    ListingRun& listing = m_engine.listing;
    if (argument >= 0) {
        listing.ListingYear = PeriodYear(argument);
        listing.ListingMonth = PeriodMonth(argument);
    }
    const QString text =
        QString::fromStdString(PeriodText(listing.ListingYear, listing.ListingMonth));
    // The same month again rebuilds nothing.
    if (text == EditObdobi->text())
        return;
    closeDayPicker();
    EditObdobi->setText(text);
    EditObdobi->setCursorPosition(0);
    listingMonthChanged();
}

void MainWindow::listingMonthChanged()
{
    BuildListingTree();
    m_engine.listing.EditVypisChange();
}

void MainWindow::BuildListingTree()
{
    struct Building {
        bool& flag;
        explicit Building(bool& f) : flag(f) { flag = true; }
        ~Building() { flag = false; }
    } building(m_buildingDir);

    TreeViewDir->clear();
    const ListingRun& listing = m_engine.listing;
    const std::string path =
        ResolveFile(m_engine.Location.ProgramPath,
                    m_engine.archive.MonthFileName(listing.ListingYear, listing.ListingMonth));
    m_shownMonthFile = QString::fromStdString(path);
    m_shownMonthStamp = FileStampOf(m_shownMonthFile);
    watchArchive();
    const ListingTreeContent content =
        ReadListingTree(path, listing.ListingYear, listing.ListingMonth);

    QTreeWidgetItem* root = AddTreeNode(0, TreeViewDir, nullptr, 0, NodeActionKind::None,
                                        QString::fromStdString(content.listCaption));
    for (const ArchivedDayNode& day : content.days)
        AddTreeNode(1, TreeViewDir, root, day.entry, NodeActionKind::ArchivedDayAction,
                    QString::fromStdString(day.caption));
    if (!content.ioError.empty())
        throw UserActionError(content.ioError);
    if (!content.validFile)
        return;

    root = AddTreeNode(0, TreeViewDir, nullptr, 0, NodeActionKind::None,
                       QString::fromStdString(content.commandsCaption));
    for (const ListingCommand& command : ListingCommands())
        AddTreeNode(1, TreeViewDir, root, command.argument, command.action,
                    QString::fromUtf8(command.caption));
    if (AutSbalList->isChecked())
        ExpandWithDescendants(TreeViewDir->topLevelItem(0), false);
}

QTreeWidgetItem* MainWindow::AddTreeNode(int kind, QTreeWidget* tree, QTreeWidgetItem* relative,
                                         int32_t argument, NodeActionKind action,
                                         const QString& caption)
{
    auto* item = new QTreeWidgetItem(QStringList{caption});
    item->setData(0, ActionRole, static_cast<int>(action));
    item->setData(0, ArgumentRole, argument);
    QTreeWidgetItem* parent = kind == 1 ? relative : (relative ? relative->parent() : nullptr);
    if (parent)
        parent->addChild(item);
    else
        tree->addTopLevelItem(item);
    // Selecting a node opens the branches above it, as the user would see it.
    for (QTreeWidgetItem* p = item->parent(); p; p = p->parent())
        p->setExpanded(true);
    tree->setCurrentItem(item);
    return item;
}

void MainWindow::ActivateSelectedNode(QTreeWidget* tree)
{
    const QTreeWidgetItem* item = tree->currentItem();
    if (!item)
        return;
    const auto action = static_cast<NodeActionKind>(item->data(0, ActionRole).toInt());
    if (action != NodeActionKind::None)
        RunNodeAction(action, item->data(0, ArgumentRole).toInt());
}

void MainWindow::RunNodeAction(NodeActionKind action, int32_t argument)
{
    ListingRun& listing = m_engine.listing;
    switch (action) {
    case NodeActionKind::None:
        break;
    case NodeActionKind::SetPeriodMonth:
        SetPeriodMonth(argument);
        break;
    case NodeActionKind::MonthAction:
        listing.MonthAction(argument);
        break;
    case NodeActionKind::PickAction:
        listing.PickAction(argument);
        break;
    case NodeActionKind::ArchivedDayAction:
        listing.ArchivedDayAction(argument);
        break;
    }
}

void MainWindow::activateChosenMonth()
{
    RunUserAction(this, [this] { ActivateSelectedNode(TreeViewObdobi); });
}

void MainWindow::chooseMonthAndFoldPanel()
{
    if (RunUserAction(this, [this] { ActivateSelectedNode(TreeViewObdobi); }))
        togglePeriodPanel();
}

void MainWindow::togglePeriodPanel()
{
    if (!RunUserAction(this, [this] { ActivateSelectedNode(TreeViewObdobi); }))
        return;

    // The panel's width: the other controls close up by it.
    const int w = TreeViewObdobi->width() + 4;
    const bool hide = !TreeViewObdobi->isHidden();
    const int dx = hide ? -w : w;
    const int dy = hide ? 30 : -30;
    TreeViewObdobi->setVisible(!hide);
    for (QWidget* control : {static_cast<QWidget*>(TreeViewDir), static_cast<QWidget*>(ComboBoxAB),
                             static_cast<QWidget*>(EditVypis)})
        control->move(control->x() + dx, control->y() + dy);
    TreeViewDir->resize(TreeViewDir->width(), TreeViewDir->height() - dy);
    QWidget* client = centralWidget();
    client->setFixedSize(client->width() + dx, client->height());
    Label2->setVisible(!hide);
}

void MainWindow::expandAllYears()
{
    for (int i = 0; i < TreeViewObdobi->topLevelItemCount(); ++i)
        ExpandWithDescendants(TreeViewObdobi->topLevelItem(i), true);
}

void MainWindow::collapseAllYears()
{
    if (TreeViewObdobi->topLevelItemCount() > 0)
        TreeViewObdobi->setCurrentItem(TreeViewObdobi->topLevelItem(0));
    TreeViewObdobi->collapseAll();
    TreeViewObdobi->viewport()->update();
}

void MainWindow::expandNewestYear()
{
    TreeViewObdobi->collapseAll();
    SelectVisibleNode(TreeViewObdobi);
    if (TreeViewObdobi->topLevelItemCount() > 0)
        ExpandWithDescendants(TreeViewObdobi->topLevelItem(0), true);
}

void MainWindow::openCalendarFromPeriodTree()
{
    Calendar& calendar = m_engine.calendar;
    calendar.SelectionHandler = nullptr;
    calendar.SelectionMode = false;
    showCalendarMonth();
}

QString MainWindow::shownPeriodText() const
{
    return EditObdobi->text();
}

void MainWindow::rebuildListingTree()
{
    RunUserAction(this, [this] { listingMonthChanged(); });
}

void MainWindow::showArchiveName(const QString& name)
{
    setWindowTitle(QStringLiteral("Kwatrix – ") + name);
}

void MainWindow::setRecentArchives(const QStringList& folders)
{
    NaposledyOtevrene->clear();
    for (const QString& folder : folders) {
        QAction* action = NaposledyOtevrene->addAction(folder);
        connect(action, &QAction::triggered, this,
                [this, folder] { emit recentArchiveChosen(folder); });
    }
    NaposledyOtevrene->setEnabled(!folders.isEmpty());
}

void MainWindow::watchArchive()
{
    // The folder itself sees files come and go; the shown month file is
    // watched too, as controllers overwrite it in place.
    QStringList wanted{QString::fromStdString(m_engine.Location.ProgramPath)};
    if (!m_shownMonthFile.isEmpty() && QFileInfo::exists(m_shownMonthFile))
        wanted << m_shownMonthFile;
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    if (QSet<QString>(watched.begin(), watched.end()) ==
        QSet<QString>(wanted.begin(), wanted.end()))
        return;
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    const QStringList failed = m_watcher->addPaths(wanted);
    // Where the system offers no watching (no inotify left), a light look at
    // the folder every second does the same.
    if (failed.isEmpty())
        m_poll->stop();
    else if (!m_poll->isActive())
        m_poll->start();
}

void MainWindow::refreshFromDisk()
{
    const ProgramLocation& location = m_engine.Location;
    if (location.ProgramPath.empty() || !m_engine.description.ArchiveLoaded)
        return;
    // New devices show in the list; the device in use stays what it is.
    DeviceList list = kw::FillDeviceList(location.ProgramPath, location.DeviceNo);
    if (list.devices != m_shownDevices) {
        list.selected = -1;
        for (std::size_t i = 0; i < list.devices.size(); ++i)
            if (list.devices[i] == location.DeviceNo)
                list.selected = static_cast<int>(i);
        list.enabled = list.devices.size() > 1 || (!list.devices.empty() && list.selected < 0);
        showDeviceList(list);
    }

    const std::vector<PeriodYearNode> years =
        PeriodTreeContent(DirectoryListing(location.ProgramPath), m_engine.archive);
    std::vector<int32_t> periods;
    for (const PeriodYearNode& year : years)
        for (const PeriodMonthNode& month : year.months)
            periods.push_back(month.argument);
    if (periods != m_shownPeriods) {
        // The user's view of the tree stays: open years, the chosen month.
        QSet<QString> open;
        for (int i = 0; i < TreeViewObdobi->topLevelItemCount(); ++i)
            if (TreeViewObdobi->topLevelItem(i)->isExpanded())
                open.insert(TreeViewObdobi->topLevelItem(i)->text(0));
        const QTreeWidgetItem* current = TreeViewObdobi->currentItem();
        const QVariant chosen = current ? current->data(0, ArgumentRole) : QVariant();
        const bool chosenIsMonth = current && current->data(0, ActionRole).toInt() !=
                                                  static_cast<int>(NodeActionKind::None);
        showPeriodTree(years);
        for (int i = 0; i < TreeViewObdobi->topLevelItemCount(); ++i) {
            QTreeWidgetItem* year = TreeViewObdobi->topLevelItem(i);
            year->setExpanded(open.contains(year->text(0)) || (open.isEmpty() && i == 0));
            for (int m = 0; m < year->childCount(); ++m)
                if (chosenIsMonth && year->child(m)->data(0, ArgumentRole) == chosen)
                    TreeViewObdobi->setCurrentItem(year->child(m));
        }
    }

    // The shown month's file was written, or now has another name: one that
    // arrived in other letters than the name looked for, or the exact name
    // beside it. Its archived days are read again; the listings already in
    // the output and graph windows stay as they are.
    const ListingRun& listing = m_engine.listing;
    const QString monthFile = QString::fromStdString(
        ResolveFile(location.ProgramPath,
                    m_engine.archive.MonthFileName(listing.ListingYear, listing.ListingMonth)));
    if (monthFile != m_shownMonthFile || FileStampOf(m_shownMonthFile) != m_shownMonthStamp) {
        try {
            BuildListingTree();
        } catch (const UserActionError&) {
            // Still being written: the next change reads it again.
        }
    }
    watchArchive();
}

void MainWindow::closeDayPicker()
{
    // A day picked in a grid of another month or device would list a day
    // that is not on screen (day 31 of a month of 30): the picker goes.
    Calendar& calendar = m_engine.calendar;
    if (!calendar.SelectionMode)
        return;
    calendar.SelectionHandler = nullptr;
    emit dayPickerClosed();
}

void MainWindow::runChosenCommand()
{
    RunUserAction(this, [this] { ActivateSelectedNode(TreeViewDir); });
}

void MainWindow::selectToggledNode(QTreeWidgetItem* item)
{
    if (!m_buildingDir)
        TreeViewDir->setCurrentItem(item);
}

void MainWindow::SelectBlock()
{
    m_engine.listing.SelectBlock();
}

void MainWindow::blockListChanged()
{
    const ListingRun& listing = m_engine.listing;
    const QSignalBlocker blocker(ComboBoxAB);
    ComboBoxAB->clear();
    for (const std::string& entry : listing.BlockEntries)
        ComboBoxAB->addItem(QString::fromStdString(entry));
    ComboBoxAB->setCurrentIndex(listing.SelectedEntry);
    // The field keeps its size; the open list shows the descriptions whole.
    ComboBoxAB->view()->setMinimumWidth(ComboBoxAB->view()->sizeHintForColumn(0) + 8);
    showBlockName();
}

void MainWindow::showBlockName()
{
    // The narrow field cuts a long description: the hint names it whole.
    const QString hint = QStringLiteral("Výběr bloku dat, který má být zobrazen");
    const QString name = ComboBoxAB->currentText();
    ComboBoxAB->setToolTip(name.isEmpty() ? hint : hint + QLatin1Char('\n') + name);
}

void MainWindow::editVypisChanged()
{
    EditVypis->setText(QString::fromStdString(m_engine.listing.EditVypis));
    EditVypis->setCursorPosition(0);
}

void MainWindow::chooseBlock(int index)
{
    m_engine.listing.ComboBoxABChange(index);
}

void MainWindow::showOutputWindow()
{
    emit windowRequested(WindowKind::Output);
}

void MainWindow::showCalendar()
{
    emit windowRequested(WindowKind::Calendar);
}

void MainWindow::showListingParameters()
{
    emit windowRequested(WindowKind::ListingParameters);
}

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        showDeviceInUse();
    return QMainWindow::event(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == TreeViewObdobi) {
                activateChosenMonth();
                return true;
            }
            if (watched == TreeViewDir) {
                runChosenCommand();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing the main window ends the program, whatever else is open.
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

void MainWindow::openCalendarForEditing()
{
    // Editing; the selection handler may stay, editing never calls it.
    m_engine.calendar.SelectionMode = false;
    showCalendarMonth();
}

void MainWindow::showCalendarMonth()
{
    const ListingRun& listing = m_engine.listing;
    // A failed copy of the template still shows the loaded month.
    RunUserAction(this, [&] {
        m_engine.calendar.LoadCalendarMonth(listing.ListingYear, listing.ListingMonth, "");
    });
    emit windowRequested(WindowKind::Calendar);
}

void MainWindow::openDayDivisionEditor()
{
    emit windowRequested(WindowKind::DayDivision);
}

void MainWindow::openOutputSums()
{
    emit windowRequested(WindowKind::OutputSums);
}

void MainWindow::openListingParameters()
{
    showListingParameters();
}

void MainWindow::openOutputWindow()
{
    emit windowRequested(WindowKind::Output);
}

void MainWindow::openLog()
{
    emit windowRequested(WindowKind::Log);
}

void MainWindow::openGraph()
{
    emit windowRequested(WindowKind::Graph);
}

void MainWindow::openYearOverview()
{
    emit yearOverviewRequested(m_engine.listing.ListingYear);
}

void MainWindow::openYearOverviewFromPeriodTree()
{
    emit yearOverviewRequested(m_popupYear > 0 ? m_popupYear : m_engine.listing.ListingYear);
}

void MainWindow::openBill()
{
    emit billRequested(m_engine.listing.ListingYear);
}

void MainWindow::openBillFromPeriodTree()
{
    emit billRequested(m_popupYear > 0 ? m_popupYear : m_engine.listing.ListingYear);
}

void MainWindow::listWholeMonth(int year, int month, const QString& blockTitle)
{
    RunUserAction(this, [&] {
        ListingRun& listing = m_engine.listing;
        const std::string title = blockTitle.toStdString();
        for (std::size_t i = 0; i < listing.BlockEntries.size(); ++i) {
            if (!SameBlock(title, listing.BlockEntries[i]))
                continue;
            if (static_cast<int32_t>(i) != listing.SelectedEntry) {
                const QSignalBlocker blocker(ComboBoxAB);
                ComboBoxAB->setCurrentIndex(static_cast<int>(i));
                chooseBlock(static_cast<int>(i));
            }
            break;
        }
        SetPeriodMonth(PeriodArgument(year, month));
        highlightPeriod(PeriodArgument(year, month));
        listing.MonthAction(ListingRun::WholeMonth);
    });
}

void MainWindow::highlightPeriod(int32_t argument)
{
    // A month listed from elsewhere is the one the tree shows chosen; its
    // year opens. Choosing it here must not run the tree's own action.
    const QSignalBlocker blocker(TreeViewObdobi);
    for (int i = 0; i < TreeViewObdobi->topLevelItemCount(); ++i) {
        QTreeWidgetItem* year = TreeViewObdobi->topLevelItem(i);
        for (int m = 0; m < year->childCount(); ++m) {
            if (year->child(m)->data(0, ArgumentRole).toInt() != argument)
                continue;
            year->setExpanded(true);
            TreeViewObdobi->setCurrentItem(year->child(m));
            return;
        }
    }
}

void MainWindow::openHelpContents()
{
    OpenHelp(this, QString());
}

void MainWindow::openMenuHelp()
{
    OpenHelp(this, QStringLiteral("MENU"));
}

void MainWindow::openAboutBox()
{
    emit windowRequested(WindowKind::About);
}

} // namespace kw
