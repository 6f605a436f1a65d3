#include "output/LogWindow.h"

#include "output/Log.h"
#include "ui/WindowSupport.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kw {

LogWindow::LogWindow(Log& log, QWidget* parent) : QDialog(parent), m_log(log)
{
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral("LOG informace"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(WindowFont(8));
    setFixedSize(530, 397);
    move(105, 135);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    // A view that only grows needs no undo history of every line.
    Memo1->setUndoRedoEnabled(false);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setGeometry(0, 0, 409, 397);

    Button1 = new QPushButton(QStringLiteral("Smaž vše"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    // Enter in the view must not clear the log.
    Button1->setAutoDefault(false);
    Button1->setGeometry(417, 8, 105, 25);
    connect(Button1, &QPushButton::clicked, this, &LogWindow::Button1Click);

    GroupBox1 = new QGroupBox(QStringLiteral("Zobrazit"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(417, 44, 105, 69);
    RadioButton1 = new QRadioButton(QStringLiteral("Vše"), GroupBox1);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setGeometry(6, 20, 96, 19);
    RadioButton2 = new QRadioButton(QStringLiteral("Pouze chyby"), GroupBox1);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->setGeometry(6, 42, 96, 19);
    // Every start shows all lines; the choice is not saved.
    RadioButton1->setChecked(true);
    m_log.LogMode = 2;
    connect(RadioButton1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_log.LogMode = 2;
    });
    connect(RadioButton2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_log.LogMode = 1;
    });

    m_log.setSink(
        [this](const std::string& line, bool) { appendLine(QString::fromStdString(line)); });
}

LogWindow::~LogWindow()
{
    m_log.setSink(nullptr);
}

void LogWindow::appendLine(const QString& line)
{
    Memo1->appendPlainText(line);
}

void LogWindow::Button1Click()
{
    // Only the view: a continued line waiting in the log survives.
    Memo1->clear();
}

} // namespace kw
