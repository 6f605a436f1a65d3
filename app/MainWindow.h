#pragma once

#include "archive/Devices.h"
#include "listing/PeriodTree.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class QAction;
class QComboBox;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kw {

class Engine;

// The windows that the main window opens; the program shows them.
enum class WindowKind {
    Output,
    Log,
    Graph,
    Calendar,
    DayDivision,
    OutputSums,
    ListingParameters,
    About,
};

// TForm1: the main window with the device choice, the period and listing trees,
// the main menu and the tool buttons that open the other windows.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(Engine& engine);
    ~MainWindow() override;

    // Fills ComboBoxDeviceNo from the month files beside the program and fixes
    // DeviceNo (the stored one unless a single device has month files).
    void FillDeviceList();
    // Loads the archive description of DeviceNo. A platform I/O error is
    // shown to the user and leaves the description not loaded.
    void LoadArchiveDescription();
    // Switches to the device of the chosen entry; a failed load shows the
    // fatal message and ends the program.
    void changeDevice(int index);
    // "Kritická chyba programu" for the current ArchivePrefix.
    void ShowFatalError();
    // Shows the device in use in ComboBoxDeviceNo.
    void showDeviceInUse();

    // Rebuilds TreeViewObdobi from the month files of DeviceNo: newest year
    // first and expanded, months from January.
    void FillPeriodTree();
    // Makes yesterday's month the listing period.
    void SetPeriodToYesterday();
    // A month node's action: argument >= 0 sets the listing month from the
    // period encoding; EditObdobi then names the listing month, and a new
    // text rebuilds the listing tree.
    void SetPeriodMonth(int32_t argument);
    // Rebuilds TreeViewDir for the listing month: the "LIST" root with the
    // archived days and, for a readable month file, the "VÝPIS" root with
    // the listing commands. Throws UserActionError when reading the file fails
    // (the days read so far stay).
    void BuildListingTree();
    // Fills ComboBoxAB with the displayable blocks and selects one.
    void SelectBlock();

    // The text of EditObdobi: the listing month shown.
    QString shownPeriodText() const;
    // Builds the listing tree of the shown month again, reporting a failure.
    void rebuildListingTree();
    // The caption names the archive folder shown.
    void showArchiveName(const QString& name);
    // The folders of "Naposledy otevřené", the last opened first.
    void setRecentArchives(const QStringList& folders);
    // Reads the archive folder again: new devices and months, and the shown
    // month's archived days when its file changed. Runs by itself when the
    // folder changes.
    void refreshFromDisk();

    // What the listing run asks of the main window.
    void highlightPeriod(int32_t argument);
    void showBlockName();
    void blockListChanged();
    void editVypisChanged();
    void showOutputWindow();
    void showCalendar();
    void showListingParameters();

    // A month of the year overview, listed as a double click on "CELÝ MĚSÍC"
    // lists it: the block titled `blockTitle` (found as a switch of
    // descriptions finds it), the month as the period, the whole month.
    void listWholeMonth(int year, int month, const QString& blockTitle);

signals:
    void windowRequested(kw::WindowKind window);
    // "Roční přehled" of the menu (the listing year) or of the period tree
    // (the year of the node under the mouse).
    void yearOverviewRequested(int year);
    // "Kontrola vyúčtování", of the listing year or of the period tree's.
    void billRequested(int year);
    // "Smlouva a ceník…" of the settings menu.
    void contractRequested();
    // "Otevřít archiv…" and an entry of "Naposledy otevřené".
    void archiveOpenRequested();
    void recentArchiveChosen(const QString& folder);
    // "Synchronizovat do úložiště…" of the archive menu.
    void storeSyncRequested();
    // "Lokality" of the view menu.
    void sitesRequested();
    // The day picker is to close: the month or the device changes under it.
    void dayPickerClosed();
    // The fatal message was shown after a device change: the program ends.
    void fatalErrorShown();
    // The user closed the main window: the program ends.
    void closed();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenu();
    void createPopupMenus();
    void createControls();
    void showDeviceList(const DeviceList& list);
    void showPeriodTree(const std::vector<PeriodYearNode>& years);
    // Watches the archive folder and the shown month file.
    void watchArchive();

    struct FileStamp {
        bool exists = false;
        qint64 size = 0, modified = 0, changed = 0;
        bool operator!=(const FileStamp& o) const
        {
            return exists != o.exists || size != o.size || modified != o.modified ||
                   changed != o.changed;
        }
    };
    static FileStamp FileStampOf(const QString& path);

    QTreeWidgetItem* AddTreeNode(int kind, QTreeWidget* tree, QTreeWidgetItem* relative,
                                 int32_t argument, NodeActionKind action, const QString& caption);
    void ActivateSelectedNode(QTreeWidget* tree);
    void RunNodeAction(NodeActionKind action, int32_t argument);
    // The text of EditObdobi changed.
    void listingMonthChanged();

    void activateChosenMonth();
    void chooseMonthAndFoldPanel();
    void togglePeriodPanel();
    void expandAllYears();
    void collapseAllYears();
    void expandNewestYear();
    void openCalendarFromPeriodTree();
    void runChosenCommand();
    void selectToggledNode(QTreeWidgetItem* item);
    // Loads the listing month into the calendar with its own caption and shows it.
    void showCalendarMonth();
    // Closes the calendar when it is open for picking a day of the listing
    // month, which is about to change.
    void closeDayPicker();

    void chooseBlock(int index);
    void openCalendarForEditing();
    void openDayDivisionEditor();
    void openOutputSums();
    void openListingParameters();
    void openOutputWindow();
    void openLog();
    void openGraph();
    void openYearOverview();
    void openYearOverviewFromPeriodTree();
    void openBill();
    void openBillFromPeriodTree();
    void openHelpContents();
    void openMenuHelp();
    void openAboutBox();

    Engine& m_engine;

    // What the trees show, to tell a change in the folder from none.
    std::vector<int32_t> m_shownDevices;
    std::vector<int32_t> m_shownPeriods;
    QString m_shownMonthFile;
    FileStamp m_shownMonthStamp;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_refresh = nullptr;
    QTimer* m_poll = nullptr;

    QMenuBar* MainMenu1 = nullptr;
    QAction* OtevritArchiv = nullptr;
    QMenu* NaposledyOtevrene = nullptr;
    QAction* SynchronizovatDoUloziste1 = nullptr;
    QAction* Kalend1 = nullptr;
    QAction* N2 = nullptr;
    QAction* Rozdlendnedosmn1 = nullptr;
    QAction* Vstupnsouty1 = nullptr;
    QAction* Parametryvpisu1 = nullptr;
    QAction* N4 = nullptr;
    QAction* SmlouvaCenik1 = nullptr;
    QAction* Vstupnokno1 = nullptr;
    QAction* LOGinformace1 = nullptr;
    QAction* Graf1 = nullptr;
    QAction* RocniPrehled1 = nullptr;
    QAction* KontrolaVyuctovani1 = nullptr;
    QAction* Lokality1 = nullptr;
    QAction* Npovda1 = nullptr;
    QAction* Popismenu1 = nullptr;
    QAction* N3 = nullptr;
    QAction* Oprogramu1 = nullptr;

    QMenu* PopupMenuObdobi = nullptr;
    QAction* ExpandAll1 = nullptr;
    QAction* ColapseAll1 = nullptr;
    QAction* Rozbalaktulnrok1 = nullptr;
    QAction* N1 = nullptr;
    QAction* Klaend1 = nullptr;
    QAction* RocniPrehled2 = nullptr;
    QAction* KontrolaVyuctovani2 = nullptr;
    int m_popupYear = 0; // of the node the period tree's popup opened on
    QMenu* PopupMenu1 = nullptr;
    QAction* AutSbalList = nullptr;

    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* ComboBoxDeviceNo = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* EditObdobi = nullptr;
    QToolButton* BitBtn1 = nullptr;
    QComboBox* ComboBoxAB = nullptr;
    QLineEdit* EditVypis = nullptr;
    QTreeWidget* TreeViewObdobi = nullptr;
    QTreeWidget* TreeViewDir = nullptr;

    // Expanding and collapsing done by the program is no user's choice of node.
    bool m_buildingDir = false;
};

} // namespace kw
