#pragma once

#include <QDialog>

class QPushButton;
class QTableWidget;

namespace kw {

class Application;

// TForm6 "Nastavení výstupních součtů": the list of the 16 output sums; a
// click on one opens TForm7 for it.
class OutputSumsWindow : public QDialog {
    Q_OBJECT

public:
    explicit OutputSumsWindow(Application& app, QWidget* parent = nullptr);

    // Prepares the window from the shared settings, then shows it.
    void prepareAndShow();

    void PrepareOutputSumList();
    void RefreshOutputSumList();

    // Opens TForm7 for output sum `row` (1..16).
    void StringGrid1Click(int row);
    void ButtonSaveClick();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    Application& m_app;
    QTableWidget* StringGrid1 = nullptr;
    QPushButton* ButtonSave = nullptr;
    QPushButton* Button2 = nullptr;
};

} // namespace kw
