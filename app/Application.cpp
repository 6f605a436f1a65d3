#include "app/Application.h"

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
#include "ui/Help.h"
#include "ui/WindowSupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QPrinter>
#include <QSettings>
#include <QWidget>
#include <QtGlobal>

#include <cerrno>

// The resources live in a static library; without this reference the linker
// would drop them.
static void initKwatrixResources()
{
    Q_INIT_RESOURCE(kwatrix);
}

namespace kw {

namespace {

const char* const SettingsOrganization = "Telvanor";
const char* const SettingsApplication = "Kwatrix";
const char* const DeviceNoKey = "Global/Device No";

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
    void blockListChanged() override { m_app.mainWindow()->blockListChanged(); }
    void editVypisChanged() override { m_app.mainWindow()->editVypisChanged(); }

private:
    Application& m_app;
};

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
    m_mainWindow = std::make_unique<MainWindow>(e);
    m_logWindow = std::make_unique<LogWindow>(e.log);
    m_outputWindow = std::make_unique<OutputWindow>(e.output, *m_printer);
    m_calendarWindow = std::make_unique<CalendarWindow>(e.calendar);
    m_dayDivisionWindow = std::make_unique<DayDivisionWindow>(e.division, e.Location);
    m_outputSumsWindow = std::make_unique<OutputSumsWindow>(e.division, e.Location);
    m_outputSumWindow = std::make_unique<OutputSumWindow>(e.division);
    m_listingParametersWindow =
        std::make_unique<ListingParametersWindow>(e.settings, e.division, e.Location);
    m_graphWindow = std::make_unique<GraphWindow>(e.graph, *m_printer);
    m_aboutBox = std::make_unique<AboutBox>();
    connectWindows();
}

void Application::connectWindows()
{
    MainWindow* main = m_mainWindow.get();
    QObject::connect(main, &MainWindow::windowRequested, main,
                     [this](WindowKind window) { showWindow(window); });
    QObject::connect(main, &MainWindow::dayPickerClosed, m_calendarWindow.get(), &QWidget::hide);
    QObject::connect(main, &MainWindow::fatalErrorShown, main, [this] { terminate(1); });
    QObject::connect(main, &MainWindow::closed, main, [this] { quit(); });

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
    // The windows go before the engine whose state they show.
    m_engine->output.setTarget(nullptr);
    m_aboutBox.reset();
    m_graphWindow.reset();
    m_listingParametersWindow.reset();
    m_outputSumWindow.reset();
    m_outputSumsWindow.reset();
    m_dayDivisionWindow.reset();
    m_calendarWindow.reset();
    m_outputWindow.reset();
    m_logWindow.reset();
    m_mainWindow.reset();
}

bool Application::startUp()
{
    m_mainWindow->show();
    // Draw the main window once before the loading starts.
    QCoreApplication::processEvents();

    m_engine->setProgramPath(m_programDirectory);
    SetHelpDirectory(QString::fromStdString(ProgramPath));
    m_engine->LogProgramPath();

    if (DeviceNo == -1)
        DeviceNo = readStoredDeviceNo();
    m_mainWindow->FillDeviceList();
    loadArchiveDescription();
    if (!archive().ArchiveLoaded && !fallBackToAnotherDevice()) {
        m_mainWindow->ShowFatalError();
        terminate(1);
        return false;
    }
    m_mainWindow->FillPeriodTree();
    m_mainWindow->SetPeriodToYesterday();
    m_calendarWindow->RegisterDayButtons();
    StartDayDivision();
    m_mainWindow->SelectBlock();
    return true;
}

int Application::run()
{
    if (!startUp())
        return m_exitCode;
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
    QWidget* const windows[] = {
        m_aboutBox.get(),        m_graphWindow.get(),      m_listingParametersWindow.get(),
        m_outputSumWindow.get(), m_outputSumsWindow.get(), m_dayDivisionWindow.get(),
        m_calendarWindow.get(),  m_outputWindow.get(),     m_logWindow.get(),
        m_mainWindow.get()};
    for (QWidget* window : windows)
        window->hide();
    if (m_running)
        QCoreApplication::exit(exitCode);
}

void Application::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    // Before the device list was first filled there is no device to remember.
    if (DeviceNo < 0)
        return;
    QSettings settings(SettingsOrganization, SettingsApplication);
    settings.setValue(DeviceNoKey, QString::number(DeviceNo));
    settings.sync();
    if (settings.status() != QSettings::NoError)
        qWarning("Kwatrix: the device number could not be saved to %s",
                 qPrintable(settings.fileName()));
}

int32_t Application::readStoredDeviceNo() const
{
    const QSettings settings(SettingsOrganization, SettingsApplication);
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
