#include "calendar/OutputSumsWindow.h"

#include "app/Application.h"

namespace kw {

OutputSumsWindow::OutputSumsWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm6"));
    setWindowTitle(QStringLiteral("Nastavení výstupních součtů"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(WindowFont(8));
    setFixedSize(320, 384);
}

} // namespace kw
