#include "calendar/OutputSumWindow.h"

#include "app/Application.h"

namespace kw {

OutputSumWindow::OutputSumWindow(Application& app, QWidget* parent) : QDialog(parent), m_app(app)
{
    setObjectName(QStringLiteral("TForm7"));
    setWindowTitle(QStringLiteral("Nastavení výstupních součtů pro skupinu "));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(WindowFont(8));
    setFixedSize(519, 335);
}

} // namespace kw
