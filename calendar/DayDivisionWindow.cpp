#include "calendar/DayDivisionWindow.h"

#include "app/Application.h"

namespace kw {

DayDivisionWindow::DayDivisionWindow(Application& app, QWidget* parent)
    : QDialog(parent), m_app(app)
{
    setObjectName(QStringLiteral("TForm5"));
    setWindowTitle(QStringLiteral("Rozdělení dne do směn"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(WindowFont(8));
    setFixedSize(609, 401);
}

void DayDivisionWindow::prepareAndShow()
{
    ShowWindowNormal(this);
}

} // namespace kw
