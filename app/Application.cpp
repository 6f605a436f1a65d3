#include "app/Application.h"

#include "app/AboutBox.h"
#include "app/Devices.h"
#include "app/Help.h"
#include "app/MainWindow.h"
#include "archive/Errors.h"
#include "calendar/CalendarWindow.h"
#include "calendar/DayDivisionWindow.h"
#include "calendar/ListingParametersWindow.h"
#include "calendar/OutputSumWindow.h"
#include "calendar/OutputSumsWindow.h"
#include "graph/GraphWindow.h"
#include "output/LogWindow.h"
#include "output/OutputWindow.h"

#include <QApplication>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QSettings>
#include <QSvgRenderer>
#include <QWidget>
#include <QtGlobal>

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

Application::Application(const std::string& programDirectory) : m_programDirectory(programDirectory)
{
    if (!m_programDirectory.empty() && m_programDirectory.back() != '/')
        m_programDirectory += '/';
    initKwatrixResources();
    QApplication::setWindowIcon(SvgIcon(QStringLiteral(":/kwatrix.svg")));

    // In the order of the start-up sequence; the LOG window exists before anything logs.
    m_mainWindow = std::make_unique<MainWindow>(*this);
    m_logWindow = std::make_unique<LogWindow>(m_log);
    m_outputWindow = std::make_unique<OutputWindow>();
    m_calendarWindow = std::make_unique<CalendarWindow>();
    m_dayDivisionWindow = std::make_unique<DayDivisionWindow>();
    m_outputSumsWindow = std::make_unique<OutputSumsWindow>();
    m_outputSumWindow = std::make_unique<OutputSumWindow>();
    m_listingParametersWindow = std::make_unique<ListingParametersWindow>();
    m_graphWindow = std::make_unique<GraphWindow>();
    m_aboutBox = std::make_unique<AboutBox>();
}

Application::~Application()
{
    Shutdown();
}

bool Application::startUp()
{
    m_mainWindow->show();
    // Draw the main window once before the loading starts.
    QCoreApplication::processEvents();

    m_log.WriteLog(false, "* Inicializace modulu ProgPath");
    ProgramPath = m_programDirectory;
    SetHelpDirectory(QString::fromStdString(ProgramPath));
    m_log.WriteLog(false, "  PROGRAM_PATH=" + ProgramPath + " ");

    m_mainWindow->FillDeviceList();
    loadArchiveDescription();
    if (!m_archive.ArchiveLoaded) {
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
    try {
        m_archive.LoadArchiveDescription(ProgramPath, DeviceNo);
    } catch (const UserActionError& e) {
        m_archive.ArchiveLoaded = false;
        QMessageBox::critical(m_mainWindow.get(), QStringLiteral("Kwatrix"),
                              QString::fromStdString(e.what()));
    }
}

void Application::StartDayDivision()
{
    // The day division work loads ROZ_DNEW.CFG here.
}

QFont WindowFont(int pointSize)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(pointSize);
    return font;
}

QIcon SvgIcon(const QString& resource)
{
    // Drawn here rather than left to the SVG icon plugin, which a desktop may lack.
    QSvgRenderer renderer(resource);
    QIcon icon;
    for (const int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void ShowWindowNormal(QWidget* window)
{
    window->showNormal();
    window->raise();
    window->activateWindow();
}

} // namespace kw
