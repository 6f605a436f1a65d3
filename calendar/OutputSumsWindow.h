#pragma once

#include <QDialog>

class QPushButton;
class QTableWidget;

namespace kw {

class DayDivision;
struct ProgramLocation;

// TForm6 "Nastavení výstupních součtů": the list of the 16 output sums; a
// click on one opens TForm7 for it.
class OutputSumsWindow : public QDialog {
    Q_OBJECT

public:
    OutputSumsWindow(DayDivision& division, const ProgramLocation& location,
                     QWidget* parent = nullptr);

    // Prepares the window from the shared settings, then shows it.
    void prepareAndShow();

    void PrepareOutputSumList();
    void RefreshOutputSumList();

signals:
    // A click on output sum n (1..16): TForm7 is to edit it.
    void outputSumChosen(int n);
    // The list was closed; the editor of one of its sums goes with it.
    void listClosed();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void openOutputSum(int row);
    void saveSettings();

    DayDivision& m_division;
    const ProgramLocation& m_location;
    QTableWidget* StringGrid1 = nullptr;
    QPushButton* ButtonSave = nullptr;
    QPushButton* Button2 = nullptr;
};

} // namespace kw
