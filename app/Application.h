#pragma once

#include "listing/Engine.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

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
class HeatMapWindow;
class LoadDurationWindow;
class AboutBox;
class YearOverviewWindow;
class ContractWindow;
class BillWindow;
class SyncWindow;
class SitesWindow;
enum class WindowKind;

// The running program: one of each state object and every window, wired
// together. The core stays free of Qt; this class is the glue between them.
class Application {
public:
    // `programDirectory` is the archive folder (the program directory of the
    // files), normally with a final '/' (one is added when missing); empty:
    // run() asks for one. Creates every window, hidden.
    explicit Application(const std::string& programDirectory);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The start-up sequence up to the message loop. False when the archive
    // description could not be loaded (the fatal message has been shown).
    bool startUp();
    // The start-up sequence, where a folder in which no description loads
    // (and no folder at all) makes the folder dialog ask for another; then
    // the message loop. The exit code of the program.
    int run();

    // "Otevřít archiv…" and "Naposledy otevřené": runs the start-up sequence
    // for another folder (asked for when `folder` is empty). A folder in
    // which no description loads shows the fatal message and the dialog
    // again; giving up brings the archive shown before back.
    void openAnotherArchive(const std::string& folder);
    // The last archive folder opened, empty when none.
    static std::string lastArchiveFolder();
    // Answers the folder dialog, given its caption, instead of the user
    // (tests); empty: cancel.
    void setFolderChooser(std::function<std::string(const QString& caption)> chooser)
    {
        m_folderChooser = std::move(chooser);
    }

    // What was wrong with the folder given on the command line: the first
    // folder dialog says so in its caption.
    void setArchiveFolderProblem(const std::string& problem) { m_folderProblem = problem; }

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

    // Shows a window that the main window, the listing or a settings window asked for.
    void showWindow(WindowKind window);

    // Loads ROZ_DNEW.CFG at start-up, with its two log lines; a file that is
    // there but does not load is reported in a message box.
    void StartDayDivision();

private:
    // The signals by which windows open other windows.
    void connectWindows();
    // "Porovnat s…": the listed period a year or a month earlier, listed
    // quietly and laid over the graph.
    void listComparison(bool previousYear);
    // The block on screen as the device's own description numbers it, which
    // is how quiet listings and stored capacities name blocks: a listing of
    // an older month may have switched to a description whose blocks lie in
    // another order.
    int32_t ownBlockNumber() const;
    void showMainWindow();
    // The start-up sequence for one folder: log lines, device list,
    // description (the fatal message when none loads: false), period tree,
    // day buttons, day division, block choice.
    bool openArchiveFolder(const std::string& folder);
    std::string askArchiveFolder(const std::string& start);
    void rememberArchive(const std::string& folder);
    std::vector<QWidget*> windows() const;
    // Every window's size and place per user, kept on the screen.
    void restoreWindowPlaces();
    void placeBesideMainWindow();
    void saveWindowPlaces();
    // After the stored device's description failed at start-up: the first
    // other device of the directory whose description loads, with a log line
    // and a message. False (device and prefix as before) when none loads.
    bool fallBackToAnotherDevice();
    // A message box that does not wait for its answer.
    void showLater(int icon, const QString& caption, const QString& text,
                   const QString& objectName);

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
    HeatMapWindow* heatMapWindow() const { return m_heatMapWindow.get(); }
    LoadDurationWindow* loadDurationWindow() const { return m_loadDurationWindow.get(); }
    // The program's one printer, shared by the output and graph windows.
    QPrinter& printer() { return *m_printer; }
    AboutBox* aboutBox() const { return m_aboutBox.get(); }
    YearOverviewWindow* yearOverviewWindow() const { return m_yearOverviewWindow.get(); }
    ContractWindow* contractWindow() const { return m_contractWindow.get(); }
    BillWindow* billWindow() const { return m_billWindow.get(); }
    SyncWindow* syncWindow() const { return m_syncWindow.get(); }
    SitesWindow* sitesWindow() const { return m_sitesWindow.get(); }

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
    std::unique_ptr<HeatMapWindow> m_heatMapWindow;
    std::unique_ptr<LoadDurationWindow> m_loadDurationWindow;
    std::unique_ptr<AboutBox> m_aboutBox;
    std::unique_ptr<YearOverviewWindow> m_yearOverviewWindow;
    std::unique_ptr<ContractWindow> m_contractWindow;
    std::unique_ptr<BillWindow> m_billWindow;
    std::unique_ptr<SyncWindow> m_syncWindow;
    std::unique_ptr<SitesWindow> m_sitesWindow;

    // Every window once, in the order of creation, with its help topic: F1,
    // the places kept, the hiding at the end and the destruction read it.
    struct WindowEntry {
        QWidget* window = nullptr;
        const char* helpTopic = "";
        std::function<void()> destroy;
    };
    std::vector<WindowEntry> m_windowTable;
    template <typename T, typename... Args>
    T* create(std::unique_ptr<T>& slot, const char* helpTopic, Args&&... args);

    std::function<std::string(const QString& caption)> m_folderChooser;
    std::string m_folderProblem;
    std::set<QWidget*> m_placed; // windows whose place was stored
    bool m_registered = false;   // the calendar's day buttons are registered
    bool m_running = false;      // inside the message loop of run()
    bool m_quitRequested = false;
    bool m_shutDown = false;
    bool m_terminated = false;
    int m_exitCode = 0;
};

} // namespace kw
