#include "calendar/OutputSumsWindow.h"

#include "app/Application.h"

namespace kw {

OutputSumsWindow::OutputSumsWindow(Application& app, QWidget* parent) : QDialog(parent), m_app(app)
{
    setObjectName(QStringLiteral("TForm6"));
    setWindowTitle(QStringLiteral("Nastavení výstupních součtů"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(WindowFont(8));
    setFixedSize(320, 384);
}

void OutputSumsWindow::prepareAndShow()
{
    ShowWindowNormal(this);
}

} // namespace kw
