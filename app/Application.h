#pragma once

#include "app/Engine.h"

#include <QFont>
#include <QIcon>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>

class QAction;
class QMenu;
class QMenuBar;
class QPrinter;
class QWidget;

namespace kw {

class MainWindow;
class LogWindow;
class OutputWindow;
class CalendarWindow;
class DayDivisionWindow;
class OutputSumsWindow;
class OutputSumWindow;
class ListingParametersWindow;
class GraphWindow;
class AboutBox;

// The running program: one of each state object and every window, wired
// together. The core stays free of Qt; this class is the glue between them.
class Application {
public:
    // `programDirectory` is the directory of the executable, normally with a
    // final '/' (one is added when missing). Creates every window, hidden.
    explicit Application(const std::string& programDirectory);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The start-up sequence up to the message loop. False when the archive
    // description could not be loaded (the fatal message has been shown).
    bool startUp();
    // startUp, then the message loop; the exit code of the program.
    int run();

    // Ends the message loop when it runs (the main window was closed).
    void quit();
    // Writes the device number to the settings store, once.
    void Shutdown();
    // Ends the program at once: settings written, windows hidden, the message
    // loop asked to return `exitCode`.
    void terminate(int exitCode);
    bool terminated() const { return m_terminated; }

    // The "Device No" of the settings store (0 when missing or invalid).
    int32_t readStoredDeviceNo() const;

    // Loads the archive description of DeviceNo. A platform I/O error is
    // shown to the user and leaves the description not loaded.
    void loadArchiveDescription();

    // Loads ROZ_DNEW.CFG at start-up, with its two log lines; a file that is
    // there but does not load is reported in a message box.
    void StartDayDivision();

private:
    // After the stored device's description failed at start-up: the first
    // other device of the directory whose description loads, with a log line
    // and a message. False (device and prefix as before) when none loads.
    bool fallBackToAnotherDevice();
    // A message box that does not wait for its answer.
    void showLater(int icon, const QString& caption, const QString& text,
                   const QString& objectName);

public:
private:
    class Ui;
    std::unique_ptr<Ui> m_ui; // answers the listing's questions with message boxes
    std::unique_ptr<Engine> m_engine;

public:
    std::string& ProgramPath; // with its final '/'
    int32_t& DeviceNo;        // -1 until the device list is first filled

    Engine& engine() { return *m_engine; }
    Log& log() { return m_engine->log; }
    IniLayer& ini() { return m_engine->ini; }
    ArchiveDescription& archive() { return m_engine->description; }

    MainWindow* mainWindow() const { return m_mainWindow.get(); }
    LogWindow* logWindow() const { return m_logWindow.get(); }
    OutputWindow* outputWindow() const { return m_outputWindow.get(); }
    CalendarWindow* calendarWindow() const { return m_calendarWindow.get(); }
    DayDivisionWindow* dayDivisionWindow() const { return m_dayDivisionWindow.get(); }
    OutputSumsWindow* outputSumsWindow() const { return m_outputSumsWindow.get(); }
    OutputSumWindow* outputSumWindow() const { return m_outputSumWindow.get(); }
    ListingParametersWindow* listingParametersWindow() const
    {
        return m_listingParametersWindow.get();
    }
    GraphWindow* graphWindow() const { return m_graphWindow.get(); }
    // The program's one printer, shared by the output and graph windows.
    QPrinter& printer() { return *m_printer; }
    AboutBox* aboutBox() const { return m_aboutBox.get(); }

private:
    std::string m_programDirectory;
    std::unique_ptr<QPrinter> m_printer;

    // Created in this order and destroyed in the reverse one, so the main
    // window goes last.
    std::unique_ptr<MainWindow> m_mainWindow;
    std::unique_ptr<LogWindow> m_logWindow;
    std::unique_ptr<OutputWindow> m_outputWindow;
    std::unique_ptr<CalendarWindow> m_calendarWindow;
    std::unique_ptr<DayDivisionWindow> m_dayDivisionWindow;
    std::unique_ptr<OutputSumsWindow> m_outputSumsWindow;
    std::unique_ptr<OutputSumWindow> m_outputSumWindow;
    std::unique_ptr<ListingParametersWindow> m_listingParametersWindow;
    std::unique_ptr<GraphWindow> m_graphWindow;
    std::unique_ptr<AboutBox> m_aboutBox;

    bool m_running = false; // inside the message loop of run()
    bool m_quitRequested = false;
    bool m_shutDown = false;
    bool m_terminated = false;
    int m_exitCode = 0;
};

// Shared by the windows.

// The desktop's sans-serif font at `pointSize`; it stands for "MS Sans Serif".
QFont WindowFont(int pointSize = 8);
// An icon drawn from an SVG resource at the usual icon sizes.
QIcon SvgIcon(const QString& resource);
// Un-minimises a window, shows it and brings it to the front.
void ShowWindowNormal(QWidget* window);
// Menus and items carry their given names as objectName.
QMenu* AddNamedMenu(QMenuBar* bar, const char* name, const QString& title);
QAction* AddNamedAction(QMenu* menu, const char* name, const QString& text);

} // namespace kw
