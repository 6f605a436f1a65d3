#pragma once

#include "calendar/DayDivisionEditing.h"

#include <QDialog>
#include <QStyledItemDelegate>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRect;
class QTableWidget;

namespace kw {

class Application;

// TForm5 "Rozdělení dne do směn": the names, output options and quarter-hours
// of the 16 groups of the day division. Edits go straight into the one
// record; only "Ulož nastavení" writes the file.
class DayDivisionWindow : public QDialog {
    Q_OBJECT

public:
    explicit DayDivisionWindow(Application& app, QWidget* parent = nullptr);

    // Prepares the window from the shared settings, then shows it.
    void prepareAndShow();

    void PrepareDayDivisionEditor();
    void RefreshGroupTable();

    void StringGrid1Click();
    void ButtonNastavClick();
    void ZapniClick();
    void VypniClick();
    void ButtonClearAllClick();
    void ButtonCthOkClick();
    void ButtonSaveClick();

private:
    void markQuarterHours(const QString& text);

    Application& m_app;
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
bool SaveDayDivisionSettings(Application& app, QWidget* parent);

// The selection of a grid as one rectangle of model rows and columns (the
// grids allow only contiguous selections).
CellRange SelectionOf(const QTableWidget* grid);

// Draws a cell's text centred over the whole cell, for the narrow "x" columns
// where the usual margins would leave no room for a letter.
class NarrowCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

// A grid laid out as the settings windows use it: fixed row heights, no
// editing, fixed column widths (narrow ones allowed).
void SetUpSettingsGrid(QTableWidget* grid, int rowHeaderWidth, int rowHeight);

// A "?" button that opens `topic` of the help.
QPushButton* MakeHelpButton(QWidget* parent, const char* objectName, const QString& topic);
// A named push button that Enter in an edit field does not press.
QPushButton* MakeSettingsButton(const QString& text, const char* name, QWidget* parent,
                                const QRect& at);
QCheckBox* MakeSettingsCheckBox(const QString& text, const char* name, QWidget* parent,
                                const QRect& at);

} // namespace kw
