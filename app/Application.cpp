#include "app/Application.h"

#include "export/ExportWindowSupport.h"
#include "export/Table.h"

#include "analysis/BillWindow.h"
#include "analysis/Comparison.h"
#include "analysis/ContractWindow.h"
#include "analysis/HeatMapWindow.h"
#include "analysis/LoadAnalysis.h"
#include "analysis/LoadDurationWindow.h"
#include "analysis/YearOverview.h"
#include "analysis/YearOverviewWindow.h"
#include "app/AboutBox.h"
#include "app/MainWindow.h"
#include "archive/Devices.h"
#include "calendar/CalendarWindow.h"
#include "calendar/DayDivisionWindow.h"
#include "calendar/OutputSumWindow.h"
#include "calendar/OutputSumsWindow.h"
#include "graph/GraphWindow.h"
#include "listing/ListingParametersWindow.h"
#include "output/LogWindow.h"
#include "output/OutputWindow.h"
#include "store/SitesWindow.h"
#include "store/SyncWindow.h"
#include "ui/Help.h"
#include "ui/UserSettings.h"
#include "ui/WindowSupport.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPrinter>
#include <QScreen>
#include <QShortcut>
#include <QStringList>
#include <QTimer>
#include <QToolTip>
#include <QWidget>
#include <QtGlobal>

#include <cerrno>
#include <utility>

// The resources live in a static library; without this reference the linker
// would drop them.
static void initKwatrixResources()
{
    Q_INIT_RESOURCE(kwatrix);
}

namespace kw {

namespace {

const char* const DeviceNoKey = "Global/Device No";
const char* const RecentArchivesKey = "Archiv/Naposledy";
const char* const WindowPlaceKey = "Okna/";
constexpr int MaxRecentArchives = 8;

} // namespace

// The listing's questions and messages as message boxes of the main window,
// and its requests to show windows.
class Application::Ui : public ListingUi {
public:
    explicit Ui(Application& app) : m_app(app) {}

    bool askYesNo(const std::string& caption, const std::string& text) override
    {
        return QMessageBox::warning(m_app.mainWindow(), QString::fromStdString(caption),
                                    QString::fromStdString(text),
                                    QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
    void showMessage(const std::string& caption, const std::string& text, bool errorIcon) override
    {
        QMessageBox box(errorIcon ? QMessageBox::Critical : QMessageBox::NoIcon,
                        QString::fromStdString(caption), QString::fromStdString(text),
                        QMessageBox::Ok, m_app.mainWindow());
        box.exec();
    }
    void showOutputWindow() override { m_app.showWindow(WindowKind::Output); }
    void showCalendar() override { m_app.showWindow(WindowKind::Calendar); }
    void showListingParameters() override { m_app.showWindow(WindowKind::ListingParameters); }
    void blockListChanged() override
    {
        m_app.mainWindow()->blockListChanged();
        // Also after a device change or another archive folder.
        if (YearOverviewWindow* overview = m_app.yearOverviewWindow())
            overview->archiveChanged();
        if (ContractWindow* contract = m_app.contractWindow())
            contract->archiveChanged();
        if (BillWindow* bill = m_app.billWindow())
            bill->archiveChanged();
        if (SyncWindow* sync = m_app.syncWindow())
            sync->archiveChanged();
    }
    void editVypisChanged() override { m_app.mainWindow()->editVypisChanged(); }

private:
    Application& m_app;
};

template <typename T, typename... Args>
T* Application::create(std::unique_ptr<T>& slot, const char* helpTopic, Args&&... args)
{
    slot = std::make_unique<T>(std::forward<Args>(args)...);
    m_windowTable.push_back({slot.get(), helpTopic, [&slot] { slot.reset(); }});
    return slot.get();
}

Application::Application(const std::string& programDirectory)
    : m_ui(std::make_unique<Ui>(*this)), m_engine(std::make_unique<Engine>(*m_ui)),
      ProgramPath(m_engine->Location.ProgramPath), DeviceNo(m_engine->Location.DeviceNo),
      m_programDirectory(programDirectory), m_printer(std::make_unique<QPrinter>())
{
    if (!m_programDirectory.empty() && m_programDirectory.back() != '/')
        m_programDirectory += '/';
    initKwatrixResources();
    QApplication::setWindowIcon(SvgIcon(QStringLiteral(":/kwatrix.svg")));

    // In the order of the start-up sequence; the LOG window exists before
    // anything logs. Each window gets the state it shows, nothing more.
    Engine& e = *m_engine;
    create(m_mainWindow, "MENU", e);
    create(m_logWindow, "LOG", e.log);
    create(m_outputWindow, "VYSTUP", e.output, *m_printer);
    create(m_calendarWindow, "MENU_KALEND", e.calendar);
    create(m_dayDivisionWindow, "MENU_RDDS", e.division, e.Location);
    create(m_outputSumsWindow, "MENU_VS", e.division, e.Location);
    create(m_outputSumWindow, "MENU_VS", e.division);
    create(m_listingParametersWindow, "MENU_PV", e.settings, e.division, e.Location);
    create(m_graphWindow, "GR", e.graph, e.series, *m_printer);
    create(m_heatMapWindow, "ANALYZA", e.graph, e.series);
    create(m_loadDurationWindow, "ANALYZA", e.graph, e.series,
           LoadDurationWindow::CapacityProvider([this] {
               // As the year overview has it: the contract's RK in force today
               // for its active block.
               return CapacityOfBlock(
                          ProgramPath, DeviceNo, ownBlockNumber(),
                          QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")).toStdString())
                   .value;
           }));
    create(m_aboutBox, "");
    create(m_yearOverviewWindow, "ANALYZA", e.Location, e.description, e.archive, e.settings,
           e.division);
    create(m_contractWindow, "VYUCTOVANI", e.Location, e.division);
    create(m_billWindow, "VYUCTOVANI", e.Location, e.description, e.archive, e.settings,
           e.division);
    create(m_syncWindow, "ULOZISTE", e.Location);
    create(m_sitesWindow, "ULOZISTE", e.Location);
    connectWindows();
    // A save that waits for another copy's lock says so instead of freezing
    // without a word.
    m_engine->ini.lockPatience.waiting = [this](bool starts) {
        if (!starts) {
            QToolTip::hideText();
            QApplication::restoreOverrideCursor();
            return;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QToolTip::showText(m_mainWindow->mapToGlobal(m_mainWindow->rect().center()),
                           QStringLiteral("Čekám, až jiná kopie programu nebo jiný program "
                                          "uvolní zámek souborů archivu…"),
                           m_mainWindow.get());
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    // A settings file that cannot be read or written is said once, in the
    // log and, while the program runs, in a message that does not block.
    UserSettings::setProblemHandler([this](const QString& problem) {
        m_engine->log.WriteLog(true, QString(problem)
                                         .replace(QStringLiteral("\n\n"), QStringLiteral(" "))
                                         .replace(QLatin1Char('\n'), QLatin1Char(' '))
                                         .toStdString());
        if (m_shutDown)
            qWarning("Kwatrix: %s", qPrintable(problem));
        else
            // After the start-up has shown the main window, so it is not hidden behind it.
            QTimer::singleShot(0, m_mainWindow.get(), [this, problem] {
                showLater(QMessageBox::Warning, QStringLiteral("Nastavení programu"), problem,
                          QStringLiteral("SettingsProblemBox"));
            });
    });
}

void Application::connectWindows()
{
    MainWindow* main = m_mainWindow.get();
    QObject::connect(main, &MainWindow::windowRequested, main,
                     [this](WindowKind window) { showWindow(window); });
    QObject::connect(main, &MainWindow::dayPickerClosed, m_calendarWindow.get(), &QWidget::hide);
    QObject::connect(main, &MainWindow::fatalErrorShown, main, [this] { terminate(1); });
    QObject::connect(main, &MainWindow::closed, main, [this] { quit(); });
    QObject::connect(main, &MainWindow::archiveOpenRequested, main,
                     [this] { openAnotherArchive(std::string()); });
    QObject::connect(main, &MainWindow::recentArchiveChosen, main,
                     [this](const QString& folder) { openAnotherArchive(folder.toStdString()); });
    {
        const UserSettings settings;
        main->setRecentArchives(settings.value(RecentArchivesKey).toStringList());
    }

    // F1 opens the topic of the window in front, as its "?" button does.
    for (const WindowEntry& entry : m_windowTable) {
        QWidget* window = entry.window;
        auto* f1 = new QShortcut(QKeySequence::HelpContents, window);
        f1->setObjectName(QStringLiteral("HelpShortcut"));
        const QString key = QLatin1String(entry.helpTopic);
        QObject::connect(f1, &QShortcut::activated, window,
                         [window = window, key] { OpenHelp(window, key); });
    }

    YearOverviewWindow* overview = m_yearOverviewWindow.get();
    QObject::connect(main, &MainWindow::yearOverviewRequested, overview,
                     &YearOverviewWindow::showYear);
    QObject::connect(overview, &YearOverviewWindow::wholeMonthRequested, main,
                     &MainWindow::listWholeMonth);
    ContractWindow* contract = m_contractWindow.get();
    QObject::connect(main, &MainWindow::contractRequested, contract,
                     [contract] { ShowWindowNormal(contract); });
    QObject::connect(contract, &ContractWindow::contractSaved, overview,
                     &YearOverviewWindow::contractChanged);
    BillWindow* bill = m_billWindow.get();
    QObject::connect(main, &MainWindow::billRequested, bill, &BillWindow::showYear);
    QObject::connect(bill, &BillWindow::wholeMonthRequested, main, &MainWindow::listWholeMonth);
    QObject::connect(bill, &BillWindow::contractRequested, contract,
                     [contract] { ShowWindowNormal(contract); });
    QObject::connect(contract, &ContractWindow::contractSaved, bill, &BillWindow::contractChanged);

    SyncWindow* sync = m_syncWindow.get();
    SitesWindow* sites = m_sitesWindow.get();
    QObject::connect(main, &MainWindow::storeSyncRequested, sync, &SyncWindow::prepareAndShow);
    QObject::connect(main, &MainWindow::sitesRequested, sites, &SitesWindow::prepareAndShow);
    QObject::connect(sync, &SyncWindow::synced, sites, &SitesWindow::storeSynced);
    // A site's archive opens as "Otevřít archiv…" opens one; the folder
    // open already stays as it is.
    QObject::connect(sites, &SitesWindow::archiveRequested, main, [this](const QString& folder) {
        if (folder.toStdString() != ProgramPath)
            openAnotherArchive(folder.toStdString());
        ShowWindowNormal(m_mainWindow.get());
    });

    GraphWindow* graph = m_graphWindow.get();
    HeatMapWindow* heatMap = m_heatMapWindow.get();
    LoadDurationWindow* loadDuration = m_loadDurationWindow.get();
    // Shown the first time over the graph they come from, unless a place was stored.
    const auto showAnalysis = [this](QWidget* window) {
        if (!window->testAttribute(Qt::WA_WState_Created) && !m_placed.count(window)) {
            window->move(m_graphWindow->frameGeometry().topLeft() + QPoint(40, 40));
            KeepOnScreen(window);
        }
        ShowWindowNormal(window);
    };
    QObject::connect(graph, &GraphWindow::heatMapRequested, heatMap,
                     [heatMap, showAnalysis] { showAnalysis(heatMap); });
    QObject::connect(graph, &GraphWindow::loadDurationRequested, loadDuration,
                     [loadDuration, showAnalysis] { showAnalysis(loadDuration); });
    QObject::connect(graph, &GraphWindow::barsChanged, heatMap, &HeatMapWindow::barsChanged);
    QObject::connect(graph, &GraphWindow::barsChanged, loadDuration,
                     &LoadDurationWindow::barsChanged);
    QObject::connect(graph, &GraphWindow::comparisonRequested, graph,
                     [this](GraphWindow::Comparison kind) {
                         listComparison(kind == GraphWindow::Comparison::PreviousYear);
                     });

    OutputWindow* output = m_outputWindow.get();
    const auto heading = [this] {
        return ReportHeadingOf(m_engine->series, m_engine->Location.ProgramPath);
    };
    output->setReportHeading(heading);
    graph->setReportHeading(heading);
    // The values of the listing on screen, in every export format.
    const ExportSourceOf listed = [this]() -> std::optional<ExportSource> {
        const Series& series = m_engine->series;
        if (series.days.empty() && series.values.empty())
            return std::nullopt;
        const ListingFacts facts = FactsOf(*m_engine);
        return ListingExportSource(series, facts, m_engine->Location.ProgramPath,
                                   facts.command + " (" + SeriesPeriod(series) + ")");
    };
    AddExportItems(output->exportMenu(), output->exportMenu()->actions().value(0), output,
                   QStringLiteral("hodnoty"), listed);
    // The graph exports what it draws: none once another choice emptied it.
    AddExportItems(graph->exportMenu(), graph->exportMenu()->actions().value(0), graph,
                   QStringLiteral("hodnoty"), [graph, listed]() -> std::optional<ExportSource> {
                       return graph->showsListing() ? listed() : std::nullopt;
                   });

    ListingParametersWindow* parameters = m_listingParametersWindow.get();
    QObject::connect(parameters, &ListingParametersWindow::dayDivisionEditorRequested, parameters,
                     [this] { showWindow(WindowKind::DayDivision); });
    QObject::connect(parameters, &ListingParametersWindow::outputSumsRequested, parameters,
                     [this] { showWindow(WindowKind::OutputSums); });

    OutputSumsWindow* sums = m_outputSumsWindow.get();
    OutputSumWindow* sum = m_outputSumWindow.get();
    QObject::connect(sums, &OutputSumsWindow::outputSumChosen, sum, [sum](int n) {
        sum->PrepareOutputSumEditor(n);
        ShowWindowNormal(sum);
    });
    // The editor belongs to the list: it closes with it, and "OK" shows in it.
    QObject::connect(sums, &OutputSumsWindow::listClosed, sum, &QWidget::hide);
    QObject::connect(sum, &OutputSumWindow::outputSumChanged, sums,
                     &OutputSumsWindow::RefreshOutputSumList);
}

void Application::listComparison(bool previousYear)
{
    EarlierPeriod other;
    const ListingRun& listing = m_engine->listing;
    RunUserAction(m_graphWindow.get(), [&] {
        other = ListEarlierPeriod(*m_engine, previousYear, m_graphWindow->comparisonByWeekday());
    });
    if (other.year == 0)
        return;
    const auto name = [](int32_t y, int32_t m) {
        return QString::fromStdString(MonthNames(m) + " " + std::to_string(y));
    };
    // Days of the other period with no day here are said, not dropped unseen.
    const QString note = other.leftOutDays.empty()
                             ? QString()
                             : QStringLiteral("Z porovnání nezobrazeno (mimo vypsané období): ") +
                                   QString::fromStdString(DaysText(other.leftOutDays));
    m_graphWindow->showComparison(other.bars, name(listing.ListingYear, listing.ListingMonth),
                                  name(other.year, other.month), note);
}

int32_t Application::ownBlockNumber() const
{
    // The block listed, as the device's own description numbers it.
    return m_engine->series.block.number;
}

void Application::showWindow(WindowKind window)
{
    switch (window) {
    case WindowKind::Output:
        ShowWindowNormal(m_outputWindow.get());
        break;
    case WindowKind::Log:
        ShowWindowNormal(m_logWindow.get());
        break;
    case WindowKind::Graph:
        ShowWindowNormal(m_graphWindow.get());
        break;
    case WindowKind::Calendar:
        ShowWindowNormal(m_calendarWindow.get());
        break;
    case WindowKind::DayDivision:
        m_dayDivisionWindow->prepareAndShow();
        break;
    case WindowKind::OutputSums:
        m_outputSumsWindow->prepareAndShow();
        break;
    case WindowKind::ListingParameters:
        m_listingParametersWindow->prepareAndShow();
        break;
    case WindowKind::About:
        m_aboutBox->show();
        m_aboutBox->raise();
        m_aboutBox->activateWindow();
        break;
    }
}

Application::~Application()
{
    Shutdown();
    // The windows go before the engine whose state they show, the main
    // window last.
    m_engine->output.setTarget(nullptr);
    for (auto entry = m_windowTable.rbegin(); entry != m_windowTable.rend(); ++entry)
        entry->destroy();
    m_windowTable.clear();
    UserSettings::setProblemHandler(nullptr);
}

void Application::showMainWindow()
{
    if (m_mainWindow->isVisible())
        return;
    restoreWindowPlaces();
    // On the first start the main window takes the top left of the screen.
    if (!m_placed.count(m_mainWindow.get())) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            m_mainWindow->move(area.left() + 40, area.top() + 40);
        }
    }
    m_mainWindow->show();
    // Draw the main window once before the loading starts.
    QCoreApplication::processEvents();
    placeBesideMainWindow();
}

bool Application::startUp()
{
    showMainWindow();
    if (!openArchiveFolder(m_programDirectory)) {
        terminate(1);
        return false;
    }
    return true;
}

bool Application::openArchiveFolder(const std::string& folder)
{
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    const bool reopening = m_registered;
    m_engine->setProgramPath(dir);
    SetHelpDirectory(QString::fromStdString(ProgramPath));
    m_engine->LogProgramPath();
    // A copy killed while saving may have left its temporary files here.
    m_engine->RemoveStaleTemporaries();

    if (DeviceNo == -1)
        DeviceNo = readStoredDeviceNo();
    m_mainWindow->FillDeviceList();
    loadArchiveDescription();
    if (!archive().ArchiveLoaded && !fallBackToAnotherDevice()) {
        m_mainWindow->ShowFatalError();
        return false;
    }
    if (reopening) {
        // Another archive starts as the program starts: the first block, the
        // month of yesterday, nothing picked from the folder before.
        m_calendarWindow->hide();
        m_engine->listing.BlockChoiceState = 0;
    }
    m_mainWindow->FillPeriodTree();
    const QString shown = m_mainWindow->shownPeriodText();
    m_mainWindow->SetPeriodToYesterday();
    if (reopening && m_mainWindow->shownPeriodText() == shown)
        m_mainWindow->rebuildListingTree();
    if (!m_registered) {
        m_calendarWindow->RegisterDayButtons();
        m_registered = true;
    }
    StartDayDivision();
    m_mainWindow->SelectBlock();
    if (reopening && m_engine->calendar.Loaded) {
        RunUserAction(m_mainWindow.get(), [this] { m_engine->calendar.ReloadCalendarMonth(); });
    }
    m_mainWindow->showArchiveName(QString::fromStdString(ArchiveFolderName(ProgramPath)));
    rememberArchive(ProgramPath);
    return true;
}

namespace {

// The folder dialog after a folder without an archive names that folder.
std::string NoArchiveProblem(const std::string& folder)
{
    return "ve složce " + folder + " není archiv";
}

} // namespace

std::string Application::askArchiveFolder(const std::string& start)
{
    // Only the first dialog answers for the folder given on the command line.
    const std::string problem = std::exchange(m_folderProblem, std::string());
    QString caption = QStringLiteral("Vyberte složku s archivem");
    if (!problem.empty())
        caption += QStringLiteral(" (") + QString::fromStdString(problem) + QStringLiteral(")");
    if (m_folderChooser)
        return m_folderChooser(caption);
    QFileDialog dialog(m_mainWindow.get(), caption,
                       start.empty() ? QDir::homePath() : QString::fromStdString(start));
    dialog.setObjectName(QStringLiteral("ArchiveFolderDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // The same dialog on every desktop, and one that a test can find.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::string();
    return QDir(dialog.selectedFiles().first()).absolutePath().toStdString() + "/";
}

void Application::openAnotherArchive(const std::string& folder)
{
    const std::string previous = ProgramPath;
    std::string next = folder.empty() ? askArchiveFolder(previous) : folder;
    while (!next.empty()) {
        if (openArchiveFolder(next))
            return;
        // The fatal message was shown: the user may pick another folder.
        m_folderProblem = NoArchiveProblem(next);
        next = askArchiveFolder(next);
    }
    // None chosen: the archive shown before comes back.
    if (!previous.empty() && !openArchiveFolder(previous))
        terminate(1);
}

void Application::rememberArchive(const std::string& folder)
{
    UserSettings settings;
    QStringList recent = settings.value(RecentArchivesKey).toStringList();
    const QString entry = QString::fromStdString(folder);
    recent.removeAll(entry);
    recent.prepend(entry);
    while (recent.size() > MaxRecentArchives)
        recent.removeLast();
    settings.setValue(RecentArchivesKey, recent);
    m_mainWindow->setRecentArchives(recent);
}

std::string Application::lastArchiveFolder()
{
    const UserSettings settings;
    const QStringList recent = settings.value(RecentArchivesKey).toStringList();
    return recent.isEmpty() ? std::string() : recent.first().toStdString();
}

int Application::run()
{
    showMainWindow();
    std::string folder = m_programDirectory;
    if (folder.empty()) {
        // Nowhere to look: the user chooses, and cancelling ends quietly.
        folder = askArchiveFolder(std::string());
        if (folder.empty()) {
            terminate(0);
            return 0;
        }
    }
    while (!openArchiveFolder(folder)) {
        m_folderProblem = NoArchiveProblem(folder);
        folder = askArchiveFolder(folder);
        if (folder.empty()) {
            terminate(1);
            return m_exitCode;
        }
    }
    // The main window may have been closed while start-up drew it.
    if (m_quitRequested)
        return 0;
    m_running = true;
    const int code = QApplication::exec();
    m_running = false;
    Shutdown();
    return m_terminated ? m_exitCode : code;
}

void Application::quit()
{
    // Exiting a loop that is not running would make the next modal dialog
    // return at once, so only a running loop is told.
    if (m_running)
        QCoreApplication::exit(0);
    else
        m_quitRequested = true;
}

void Application::terminate(int exitCode)
{
    m_terminated = true;
    m_exitCode = exitCode;
    Shutdown();
    for (QWidget* window : windows())
        window->hide();
    if (m_running)
        QCoreApplication::exit(exitCode);
}

void Application::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    saveWindowPlaces();
    // Before the device list was first filled there is no device to remember.
    if (DeviceNo < 0)
        return;
    UserSettings settings;
    settings.setValue(DeviceNoKey, QString::number(DeviceNo));
    settings.save();
}

std::vector<QWidget*> Application::windows() const
{
    std::vector<QWidget*> all;
    for (const WindowEntry& entry : m_windowTable)
        all.push_back(entry.window);
    return all;
}

void Application::restoreWindowPlaces()
{
    const UserSettings settings;
    for (QWidget* window : windows()) {
        const QByteArray stored = QByteArray::fromBase64(
            settings.value(WindowPlaceKey + window->objectName()).toString().toLatin1());
        if (!stored.isEmpty() && window->restoreGeometry(stored)) {
            m_placed.insert(window);
            KeepOnScreen(window);
        }
    }
}

void Application::placeBesideMainWindow()
{
    // On the first start the listing windows open beside the main window,
    // not over its trees.
    const QRect main = m_mainWindow->frameGeometry();
    int top = main.top();
    for (QWidget* window :
         {static_cast<QWidget*>(m_outputWindow.get()), static_cast<QWidget*>(m_graphWindow.get()),
          static_cast<QWidget*>(m_logWindow.get())}) {
        if (m_placed.count(window))
            continue;
        window->move(main.right() + 8, top);
        top += 40;
        KeepOnScreen(window);
    }
}

void Application::saveWindowPlaces()
{
    UserSettings settings;
    for (QWidget* window : windows()) {
        // A window never shown this time keeps the place it had; it has none
        // of its own to give.
        if (!window->testAttribute(Qt::WA_WState_Created))
            continue;
        settings.setValue(WindowPlaceKey + window->objectName(),
                          QString::fromLatin1(window->saveGeometry().toBase64()));
    }
}

int32_t Application::readStoredDeviceNo() const
{
    const UserSettings settings;
    const QVariant value = settings.value(DeviceNoKey);
    return StoredDeviceNo(value.isValid() ? value.toString().toStdString() : std::string());
}

void Application::loadArchiveDescription()
{
    m_mainWindow->LoadArchiveDescription();
}

bool Application::fallBackToAnotherDevice()
{
    // A stored device whose description is gone would otherwise end every
    // start; another device of the directory that loads is shown instead.
    const int32_t stored = DeviceNo;
    const std::string storedPrefix = archive().ArchivePrefix;
    for (const int32_t device : kw::FillDeviceList(ProgramPath, stored).devices) {
        if (device == stored)
            continue;
        DeviceNo = device;
        loadArchiveDescription();
        if (!archive().ArchiveLoaded)
            continue;
        const std::string file = storedPrefix + "ARCH.INI";
        log().WriteLog(true, "  Zařízení " + std::to_string(stored) + ": popis archivu " + file +
                                 " nelze načíst, použito zařízení " + std::to_string(device));
        m_mainWindow->showDeviceInUse();
        showLater(QMessageBox::Warning, QStringLiteral("Kwatrix"),
                  QStringLiteral("Popis archivu zařízení %1 (soubor %2) se nepodařilo načíst.\n"
                                 "Zobrazuje se zařízení %3.")
                      .arg(stored)
                      .arg(QString::fromStdString(file))
                      .arg(device),
                  QStringLiteral("DeviceFallbackBox"));
        return true;
    }
    // No device loads: the fatal message names the stored device's file, and
    // the next start tries that device first again.
    DeviceNo = stored;
    archive().ArchivePrefix = storedPrefix;
    return false;
}

void Application::StartDayDivision()
{
    DayDivision& division = m_engine->division;
    const int32_t code = division.StartDayDivision(ProgramPath, m_engine->log);
    // A missing file simply means no settings yet; anything else may be a
    // damaged file with hours of the user's work in it.
    if (code == 0 || code == ENOENT)
        return;
    const QString path = QString::fromStdString(DayDivision::StoragePath(ProgramPath));
    showLater(QMessageBox::Warning, QStringLiteral("Nastavení ROZ_DNEW.CFG"),
              QStringLiteral("Soubor nastavení %1 se nepodařilo načíst: %2.\n\n"
                             "Program pracuje s výchozím nastavením (bez skupin a výstupních "
                             "součtů). Soubor zůstává na disku beze změny; před prvním uložením "
                             "nastavení bude uschován pod jménem ROZ_DNEW-poskozeny-….CFG.")
                  .arg(path, QString::fromStdString(DayDivision::ErrorText(code))),
              QStringLiteral("DayDivisionLoadErrorBox"));
}

void Application::showLater(int icon, const QString& caption, const QString& text,
                            const QString& objectName)
{
    // Shown without stopping the start-up: the main window is usable behind
    // it, and nothing waits for an answer.
    auto* box = new QMessageBox(static_cast<QMessageBox::Icon>(icon), caption, text,
                                QMessageBox::Ok, m_mainWindow.get());
    box->setObjectName(objectName);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

} // namespace kw
