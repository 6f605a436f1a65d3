#pragma once

#include "app/PeriodTree.h"

#include <QMainWindow>

#include <cstdint>
#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kw {

class Application;

// Runs one user action; a UserActionError (an I/O error, a failed write)
// ends it with a message box over `parent`, and the program goes on. False
// when the action was ended so.
bool RunUserAction(QWidget* parent, const std::function<void()>& action);

// TForm1: the main window with the device choice, the period and listing trees,
// the main menu and the tool buttons that open the other windows.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(Application& app);
    ~MainWindow() override;

    // Fills ComboBoxDeviceNo from the month files beside the program and fixes
    // the application's DeviceNo (read from the settings store the first time).
    void FillDeviceList();
    // Switches to the device of the chosen entry; a failed load ends the program.
    void ComboBoxDeviceNoChange(int index);
    // "Kritická chyba programu" for the current ArchivePrefix.
    void ShowFatalError();
    // Shows the device in use in ComboBoxDeviceNo.
    void FormActivate();

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

    // What the listing run asks of the main window.
    void blockListChanged();
    void editVypisChanged();
    void showOutputWindow();
    void showCalendar();
    void showListingParameters();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenu();
    void createPopupMenus();
    void createControls();
    void FormDestroy();

    QTreeWidgetItem* AddTreeNode(int kind, QTreeWidget* tree, QTreeWidgetItem* relative,
                                 int32_t argument, NodeActionKind action, const QString& caption);
    void ActivateSelectedNode(QTreeWidget* tree);
    void RunNodeAction(NodeActionKind action, int32_t argument);
    // The text of EditObdobi changed.
    void EditObdobiChange();

    void TreeViewObdobiClick();
    void TreeViewObdobiDblClick();
    void BitBtn1Click();
    void ExpandAll1Click();
    void ColapseAll1Click();
    void Rozbalaktulnrok1Click();
    void Klaend1Click();
    void TreeViewDirClick();
    void TreeViewDirCollapsed(QTreeWidgetItem* item);
    void AutSbalListClick();
    // Loads the listing month into the calendar with its own caption and shows it.
    void showCalendarMonth();
    // Closes the calendar when it is open for picking a day of the listing
    // month, which is about to change.
    void closeDayPicker();

    void ComboBoxABChange(int index);
    void Kalend1Click();
    void Rozdlendnedosmn1Click();
    void Vstupnsouty1Click();
    void Parametryvpisu1Click();
    void Vstupnokno1Click();
    void LOGinformace1Click();
    void Graf1Click();
    void Npovda1Click();
    void Popismenu1Click();
    void Oprogramu1Click();

    Application& m_app;

    QMenuBar* MainMenu1 = nullptr;
    QAction* Kalend1 = nullptr;
    QAction* N2 = nullptr;
    QAction* Rozdlendnedosmn1 = nullptr;
    QAction* Vstupnsouty1 = nullptr;
    QAction* Parametryvpisu1 = nullptr;
    QAction* Vstupnokno1 = nullptr;
    QAction* LOGinformace1 = nullptr;
    QAction* Graf1 = nullptr;
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
