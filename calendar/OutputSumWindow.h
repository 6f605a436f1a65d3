#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kw {

class Application;

// TForm7 "Nastavení výstupních součtů pro skupinu N": the name of one output
// sum and, per day class, the groups it takes. "OK" writes into the record.
class OutputSumWindow : public QDialog {
    Q_OBJECT

public:
    explicit OutputSumWindow(Application& app, QWidget* parent = nullptr);

    // Fills the window from output sum n (1..16).
    void PrepareOutputSumEditor(int32_t n);
    // Called after "OK" has changed the record.
    void setRefreshFunction(std::function<void()> refresh) { m_refresh = std::move(refresh); }
    int32_t outputSum() const { return m_sum; }

    void ButtonZapniClick();
    void ButtonVypniClick();
    void ButtonClearAllClick();
    void ButtonOKClick();
    void ButtonCancelClick();

private:
    void markCells(const QString& text);

    Application& m_app;
    int32_t m_sum = 1;
    std::function<void()> m_refresh;
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
