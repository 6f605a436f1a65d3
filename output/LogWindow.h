#pragma once

#include <QDialog>

class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace kw {

class Log;

// TForm2 "LOG informace": shows the completed lines of the log and sets its
// mode. The lines are kept whether the window is shown or not.
class LogWindow : public QDialog {
    Q_OBJECT

public:
    explicit LogWindow(Log& log, QWidget* parent = nullptr);
    ~LogWindow() override;

private:
    void appendLine(const QString& line);
    void Button1Click();

    Log& m_log;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
};

} // namespace kw
