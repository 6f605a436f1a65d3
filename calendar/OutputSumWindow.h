#pragma once

#include <QDialog>

#include <cstdint>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kw {

class DayDivision;

// TForm7 "Nastavení výstupních součtů pro skupinu N": the name of one output
// sum and, per day class, the groups it takes. "OK" writes into the record.
class OutputSumWindow : public QDialog {
    Q_OBJECT

public:
    explicit OutputSumWindow(DayDivision& division, QWidget* parent = nullptr);

    // Fills the window from output sum n (1..16).
    void PrepareOutputSumEditor(int32_t n);
    int32_t outputSum() const { return m_sum; }

signals:
    // "OK" has changed the record; the list of output sums shows it.
    void outputSumChanged();

private:
    void markSelectedCells();
    void unmarkSelectedCells();
    void unmarkAllCells();
    void applyAndClose();
    void markCells(const QString& text);

    DayDivision& m_division;
    int32_t m_sum = 1;
    QTableWidget* StringGrid1 = nullptr;
    QGroupBox* GroupBoxNazev = nullptr;
    QLineEdit* EditNazev = nullptr;
    QPushButton* ButtonClearAll = nullptr;
    QPushButton* ButtonZapni = nullptr;
    QPushButton* ButtonVypni = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;
};

} // namespace kw
