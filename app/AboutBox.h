#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace kw {

// TAboutBox: the program's name and version; shown without blocking, "OK" hides it.
class AboutBox : public QDialog {
    Q_OBJECT

public:
    explicit AboutBox(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QPushButton* OKButton = nullptr;
};

} // namespace kw
