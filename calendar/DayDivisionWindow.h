#pragma once

#include "calendar/DayDivisionEditing.h"

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRect;
class QTableWidget;

namespace kw {

class DayDivision;
struct ProgramLocation;

// TForm5 "Rozdělení dne do směn": the names, output options and quarter-hours
// of the 16 groups of the day division. Edits go straight into the one
// record; only "Ulož nastavení" writes the file.
class DayDivisionWindow : public QDialog {
    Q_OBJECT

public:
    DayDivisionWindow(DayDivision& division, const ProgramLocation& location,
                      QWidget* parent = nullptr);

    // Prepares the window from the shared settings, then shows it.
    void prepareAndShow();

    void PrepareDayDivisionEditor();
    void RefreshGroupTable();

    void showClickedGroup();
    void writeGroupRows();
    void markSelectedQuarterHours();
    void unmarkSelectedQuarterHours();
    void unmarkAllQuarterHours();
    void writeQuarterHours();
    void saveSettings();

private:
    void markQuarterHours(const QString& text);

    // An output-option check box and the bit it stands for. Showing a group
    // and writing it both go through OutputOptionBoxes, so a box and its bit
    // are paired in one place only.
    struct OutputOptionBox {
        QCheckBox* DayDivisionWindow::*box;
        uint16_t bit;
    };
    static const OutputOptionBox OutputOptionBoxes[4];

    DayDivision& m_division;
    const ProgramLocation& m_location;
    QTableWidget* StringGrid1 = nullptr;
    QGroupBox* GroupBoxNazev = nullptr;
    QLineEdit* EditNazev = nullptr;
    QPushButton* ButtonNastav = nullptr;
    QGroupBox* GroupBoxVystup = nullptr;
    QCheckBox* CheckBoxNCth = nullptr;
    QCheckBox* CheckBoxPrum = nullptr;
    QCheckBox* CheckBoxMax = nullptr;
    QCheckBox* CheckBoxSoucet = nullptr;
    QPushButton* ButtonZapisVystup = nullptr;
    QGroupBox* GroupBoxNC = nullptr;
    QTableWidget* StringGrid2 = nullptr;
    QPushButton* ButtonClearAll = nullptr;
    QPushButton* Zapni = nullptr;
    QPushButton* Vypni = nullptr;
    QPushButton* ButtonCthOk = nullptr;
    QPushButton* ButtonSave = nullptr;
    QPushButton* Button2 = nullptr;
};

// Shared by the settings windows.

// "Ulož nastavení": writes the day division record to its file. A failure is
// shown to the user in a message box over `parent`; the old file stays as it
// was. True when saved.
bool SaveDayDivisionSettings(DayDivision& division, const ProgramLocation& location,
                             QWidget* parent);

// The selection of a grid as one rectangle of model rows and columns (the
// grids allow only contiguous selections).
CellRange SelectionOf(const QTableWidget* grid);

} // namespace kw
