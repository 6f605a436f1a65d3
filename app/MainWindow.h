#pragma once

#include <QMainWindow>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QToolButton;
class QTreeWidget;

namespace kw {

class Application;

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

    // Rebuilds TreeViewObdobi for DeviceNo; the period tree work fills it.
    void FillPeriodTree();
    // Makes yesterday's month the listing period; the period tree work fills it.
    void SetPeriodToYesterday();
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
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenu();
    void createControls();
    void FormDestroy();

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
};

} // namespace kw
