#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QLocale;
class QPushButton;
class QRadioButton;
class QSlider;

namespace kw {

class DayDivision;
struct ListingSettings;
struct ProgramLocation;

// TForm8 "Nastavení parametru výpisu": how a listing is laid out and which
// sums it prints; the door to the day division and output sum editors.
class ListingParametersWindow : public QDialog {
    Q_OBJECT

public:
    ListingParametersWindow(ListingSettings& settings, DayDivision& division,
                            const ProgramLocation& location, QWidget* parent = nullptr);

    // Prepares the window from the shared settings, then shows it.
    void prepareAndShow();

    void PrepareListingParameters();

signals:
    // The "Nastavení" buttons of the day sums and of the period sums.
    void dayDivisionEditorRequested();
    void outputSumsRequested();

private:
    void showDayStart();
    void setShowImpulses();
    void applyAndClose();
    void applyAndSave();
    // The settings of the window into the shared state (steps 1-3 of "OK").
    void applySettings();

    // A sum-option check box and the bit it stands for. Filling the boxes
    // and writing the record both go through SumOptionBoxes, so a box and
    // its bit are paired in one place only.
    struct SumOptionBox {
        QCheckBox* ListingParametersWindow::*box;
        uint8_t bit;
    };
    static const SumOptionBox SumOptionBoxes[6];

    ListingSettings& m_settings;
    DayDivision& m_division;
    const ProgramLocation& m_location;
    QGroupBox* GroupBoxZobrazeni = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QRadioButton* RadioButton5 = nullptr;
    QButtonGroup* m_modes = nullptr;
    QGroupBox* GroupBoxZD = nullptr;
    QLineEdit* EditZD = nullptr;
    QSlider* TrackBarZD = nullptr;
    QCheckBox* CheckBoxImp = nullptr;
    QGroupBox* GroupBoxDen = nullptr;
    QCheckBox* CheckBoxPZCD = nullptr;
    QLabel* LabelPZCD = nullptr;
    QPushButton* ButtonNastaveniDen = nullptr;
    QGroupBox* GroupBoxObdobi = nullptr;
    QCheckBox* CheckBoxNCth = nullptr;
    QCheckBox* CheckBoxPrum = nullptr;
    QCheckBox* CheckBoxMax = nullptr;
    QCheckBox* CheckBoxSoucet = nullptr;
    QCheckBox* CheckBoxOD = nullptr;
    QPushButton* ButtonNastaveniObdobi = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonSave = nullptr;
};

// The time of day at which a listing day starting at track bar position
// `position` begins, in the locale's long time format without its time zone,
// followed by " PD" when it lies on the previous day.
QString DayStartText(int position, const QLocale& locale);

} // namespace kw
